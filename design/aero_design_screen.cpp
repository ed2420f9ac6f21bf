// The aerodynamic configuration screen: the design missile's airframe, its body of revolution
// and up to eight wing sets, with a preview and six aerodynamic figures plotted against Mach
// number. Saving writes the plotted table as "configs\<name>.csv" before "configs\<name>.txt".
#include <algorithm>

#include "core/device_calls.h"
#include "core/preview_drawing.h"
#include "design/aero_graph.h"
#include "design/design_files.h"
#include "design/design_graph.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "platform/gfx_device.h"
#include "platform/text.h"
#include "simulation/aero_config.h"
#include "simulation/missile.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"

namespace design {

namespace {

constexpr int k_body_fields = 7;
constexpr int k_wing_fields = 6;
constexpr int k_graph_buttons = 6;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // 7 body fields, then 6 wing fields
    k_title = k_field + k_max_fields,
    k_wing_title,
    k_apply,
    k_add,
    k_remove,
    k_graph_button,              // 6 buttons
    k_wing_type = k_graph_button + k_graph_buttons,  // child index of the drop-down
    k_wing_list,                                     // child index of the list
};

constexpr part_files k_files = {"Save Aerodynamic Configuration", "Please input name of configuration to save",
                                "Load Aerodynamic Configuration", "Please select configuration to load",
                                "configs\\*.txt"};

constexpr const char* k_body_labels[k_body_fields] = {
    "Nose Diameter (cm)", "Cylinder Diameter (cm)", "Tail Diameter (cm)", "Nose Length (cm)",
    "Cylinder Length (cm)", "Tail Length (cm)", "Center Of Gravity (cm)"};
constexpr const char* k_wing_labels[k_wing_fields] = {"Root Chord (cm)", "Tip Chord (cm)",
                                                      "Wing Length (cm)", "Wing Span (cm)",
                                                      "Wing Position (cm)", "Thickness / Chord"};
constexpr const char* k_graph_captions[k_graph_buttons] = {
    "CD0 vs. Mach", "CNa vs. Mach", "CMa vs. Mach", "CMd vs. Mach", "AL(t) vs. Mach", "N(g) vs. Mach"};
constexpr const char* k_wing_types[2] = {"Static Wing", "Control Surface"};

// The screen's state, kept while the program runs.
struct aero_state {
    view_state view{-0.75f, -0.2f, 0.8f, 0, 0};
    int channel = 1;
    int selected = 0;  // wing set, always within 0..7
    bool whole = true;
    design_graph graph;
};
aero_state s;
constexpr preview_rules k_preview = {true, 0.1f, 0.5f, 5.0f};

aero_config* airframe() {
    missile* m = design_missile();
    return m != nullptr ? m->aero : nullptr;
}

// The body values in the order of the fields.
float* body_value(aero_config& a, int n) {
    float* values[k_body_fields] = {&a.DS, &a.DC, &a.DB, &a.LN, &a.LC, &a.LT, &a.CG};
    return values[n];
}

float* wing_value(aero_config& a, int set, int n) {
    float* values[k_wing_fields] = {&a.CR[set], &a.CT[set], &a.HR[set], &a.B[set], &a.XW[set], &a.TC[set]};
    return values[n];
}

std::string list_item_text(const aero_config& a, int set) {
    return format_string("%d) %s", set + 1, a.FLGW[set] == 1 ? "Control Surface" : "Static wing");
}

void set_title(gui_window* w, const aero_config& a) {
    gui_rect* r = rect_at(w, k_title);
    if (r != nullptr) r->set_text(format_string("Aero Config - %s", a.name).c_str());
}

// The wing title, the six wing fields and the drop-down for the selected set; empty fields
// while there is no wing set.
void show_wing_set(gui_window* w, aero_config& a) {
    gui_rect* title = rect_at(w, k_wing_title);
    if (title != nullptr) title->set_text(format_string("Wing Set %d - Select from list", s.selected + 1).c_str());
    const bool exists = s.selected < a.NW;
    for (int n = 0; n < k_wing_fields; ++n) {
        if (exists) {
            show_number(w, k_field, k_body_fields + n, *wing_value(a, s.selected, n));
        } else {
            show_empty(w, k_field, k_body_fields + n);
        }
    }
    gui_window* type = child_at(w, k_wing_type);
    if (type != nullptr && exists) type->combo_select(a.FLGW[s.selected] == 1 ? 1 : 0);
}

void show(gui_window* w) {
    aero_config* a = airframe();
    if (a == nullptr) return;
    for (int n = 0; n < k_body_fields; ++n) show_number(w, k_field, n, *body_value(*a, n));
    gui_window* list = child_at(w, k_wing_list);
    if (list != nullptr) list->list_clear();
    const int count = std::clamp(a->NW, 0, aero_max_wing_sets);
    for (int i = 0; list != nullptr && i < count; ++i) list->list_add_item(list_item_text(*a, i).c_str());
    // Without a wing set the first slot is the one an Add brings back.
    s.selected = std::clamp(s.selected, 0, std::max(count - 1, 0));
    if (list != nullptr && s.selected < count) list->list_select(s.selected);
    set_title(w, *a);
    show_wing_set(w, *a);
}

void take(gui_window* w) {
    aero_config* a = airframe();
    if (a == nullptr) return;
    for (int n = 0; n < k_body_fields; ++n) take_number(w, k_field, n, body_value(*a, n));
    if (a->NW > 0) {
        for (int n = 0; n < k_wing_fields; ++n) {
            take_number(w, k_field, k_body_fields + n, wing_value(*a, s.selected, n));
        }
        const gui_window* type = child_at(w, k_wing_type);
        const int flag = type != nullptr ? type->combo_selected_index() : -1;
        if (flag == 0 || flag == 1) a->FLGW[s.selected] = flag;
    }
    // The preview follows every edit (Apply, Enter, each jog step): a shorter body moves every
    // wing set, not only the selected one.
    a->build_geometry();
}

void recompute() {
    aero_config* a = airframe();
    if (a == nullptr) return;
    s.whole = false;
    a->compute_coefficients(0.0f);
    aero_graph_rows(*a, &s.graph);
    plot_design_graph(s.graph, s.channel);
}

void build(gui_window* w) {
    const units u = build_common(w, "rocket", true);
    show_part_hint(w, airframe());

    add_panel(w, u, -0.56f, 0.22f, -0.08f, 0.91f);
    remember_rect(w, k_title, add_label(w, u, -0.55f, 0.85f, -0.1f, 0.9f, ""));
    for (int n = 0; n < k_body_fields; ++n) {
        const float y = 0.77f - 0.08f * static_cast<float>(n);
        add_number_row(w, u, -0.55f, -0.25f, -0.1f, y, k_body_labels[n], k_field + n);
    }

    add_panel(w, u, -0.01f, 0.22f, 0.52f, 0.91f);
    remember_rect(w, k_wing_title, add_label(w, u, 0.0f, 0.85f, 0.5f, 0.9f, ""));
    add_label(w, u, 0.0f, 0.77f, 0.35f, 0.82f, "Wing Type");
    for (int n = 0; n < k_wing_fields; ++n) {
        const float y = 0.69f - 0.08f * static_cast<float>(n);
        add_number_row(w, u, 0.0f, 0.35f, 0.5f, y, k_wing_labels[n], k_field + k_body_fields + n);
    }

    add_panel(w, u, 0.58f, 0.22f, 0.92f, 0.91f);
    add_label(w, u, 0.6f, 0.85f, 0.9f, 0.9f, "Wing Sets");
    gui_window* list = w->add_window();
    list->create(0.6f * u.m, 0.57f * u.h, 0.9f * u.m, 0.836f * u.h, window_kind::list_box);
    w->private_state[k_wing_list].i = w->index_of(list);
    remember_rect(w, k_add, add_button(w, u, 0.6f, 0.45f, 0.9f, 0.53f, "Add Wing Set"));
    remember_rect(w, k_remove, add_button(w, u, 0.6f, 0.35f, 0.9f, 0.43f, "Remove Wing Set"));
    remember_rect(w, k_apply, add_button(w, u, 0.6f, 0.25f, 0.9f, 0.33f, "Apply Changes"));

    add_panel(w, u, -0.95f, 0.22f, -0.65f, 0.91f);
    add_label(w, u, -0.93f, 0.85f, -0.67f, 0.9f, "Press To Select Graph");
    for (int i = 0; i < k_graph_buttons; ++i) {
        const float top = 0.82f - 0.1f * static_cast<float>(i);
        gui_rect* b = add_box(w, u, -0.93f, top - 0.08f, -0.67f, top, rect_kind::button);
        b->large_font = 1;
        b->fit_text = 1;
        b->set_text(k_graph_captions[i]);
        remember_rect(w, k_graph_button + i, b);
    }

    // The drop-down last, so that its open list lies over the wing fields.
    gui_window* type = w->add_window();
    type->create(0.25f * u.m, 0.77f * u.h, 0.5f * u.m, 0.82f * u.h, window_kind::drop_down);
    type->combo_add_item(k_wing_types[0]);
    type->combo_add_item(k_wing_types[1]);
    w->private_state[k_wing_type].i = w->index_of(type);

    show_again(w, true);
    w->wants_draw = 1;
    w->wants_tick = 1;
    s.view.zoom = 0.8f;
    panels_over_preview(w);
    s.whole = true;
}

void add_wing_set(gui_window* w) {
    aero_config* a = airframe();
    if (a != nullptr && a->NW < aero_max_wing_sets) {
        ++a->NW;
        a->build_geometry();  // the new set bounded to the body and drawn at once
        gui_window* list = child_at(w, k_wing_list);
        if (list != nullptr) list->list_add_item(list_item_text(*a, a->NW - 1).c_str());
    }
    ui_play_sound_slot(0, 0);
    w->send(design_event::recompute);
}

void remove_wing_set(gui_window* w) {
    aero_config* a = airframe();
    if (a != nullptr && a->NW > 0) {
        --a->NW;
        gui_window* list = child_at(w, k_wing_list);
        if (list != nullptr) list->list_remove_last_item();
    }
    ui_play_sound_slot(0, 0);
    w->send(design_event::recompute);
}

void on_click(gui_window* w) {
    const aero_config* a = airframe();
    if (close_on_press(w) || ask_on_save_or_load(w, k_files, a != nullptr ? a->name : "")) return;
    if (pressed_is(w, k_apply)) {
        apply_changes(w, true);
        s.whole = true;
    } else if (pressed_is(w, k_add)) {
        add_wing_set(w);
    } else if (pressed_is(w, k_remove)) {
        remove_wing_set(w);
    } else if (const int i = pressed_button(w, k_graph_button, k_graph_buttons); i >= 0) {
        ui_play_sound_slot(0, 0);
        s.channel = i + 1;
        plot_design_graph(s.graph, s.channel);
    }
}

// The plotted table goes beside the configuration, before it.
void export_table(const char* name) {
    export_graph_csv(s.graph, format_string("configs\\%s.csv", name).c_str());
}

void on_answer(gui_window* w) {
    aero_config* a = airframe();
    const int request = answer_part(w, a, export_table);
    if (request == 0) return;
    set_title(w, *a);
    if (request == part_request::load) show_again(w, true);
}

void on_committed(gui_window* w) {
    if (jog_committed(w, true)) return;
    aero_config* a = airframe();
    if (a == nullptr) return;
    const gui_window* current = w->current_child();
    gui_window* list = child_at(w, k_wing_list);
    gui_window* type = child_at(w, k_wing_type);
    if (current != nullptr && current == list) {
        s.whole = false;
        const int k = list->list_selected_index();
        if (k < 0 || k >= a->NW) return;  // nothing chosen keeps the set
        s.selected = k;
        show_wing_set(w, *a);
    } else if (current != nullptr && current == type) {
        s.whole = false;
        const int flag = type->combo_selected_index();
        if ((flag != 0 && flag != 1) || s.selected >= a->NW) return;
        a->FLGW[s.selected] = flag;
        if (list != nullptr) list->list_set_item_text(s.selected, list_item_text(*a, s.selected).c_str());
    }
}

void on_press(gui_window* w) {
    view_and_jog_on_press(w, s.view);
    const gui_rect* r = w->pressed_rect();
    if (r != nullptr && r->kind == rect_kind::edit_field) s.whole = false;
}

// The airframe whole, or wing set by wing set (the selected one highlighted) and the body
// with its centre-of-pressure range and centre of gravity marked.
void draw_airframe(aero_config& a) {
    const preview_drawing drawing;
    const float z = s.view.zoom;
    const float x = -0.1f * z, y = -0.1f * z, distance = 2.0f * z;
    if (s.whole) {
        a.draw(s.view.pitch, s.view.yaw, x, y, distance, false);
    } else {
        for (int i = 0; i < a.NW && i < aero_max_wing_sets; ++i) {
            a.draw_wing_set(i, s.view.pitch, s.view.yaw, x, y, distance, i == s.selected);
        }
        a.draw_body(s.view.pitch, s.view.yaw, x, y, distance, true, false);
    }
}

void on_draw() {
    aero_config* a = airframe();
    if (a == nullptr) return;
    // The plot as the last recompute or graph button laid it out, before the preview's 3-D
    // states.
    draw_design_graph();
    draw_airframe(*a);
}

}  // namespace

int aero_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::press: on_press(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(); break;
        case gui_event::tick: jog_on_tick(w, jog_rule::relative, frame_time()); break;
        case gui_event::close: relay_design_missile(); break;
        case gui_event::enter:
            w->send(design_event::take);
            w->send(design_event::recompute);
            break;
        case gui_event::message_box_result: on_answer(w); break;
        case gui_event::child_committed: on_committed(w); break;
        case design_event::show: show(w); break;
        case design_event::take: take(w); break;
        case design_event::recompute: recompute(); break;
        default: preview_event(w, event, s.view, k_preview); break;
    }
    return 0;
}

}  // namespace design
