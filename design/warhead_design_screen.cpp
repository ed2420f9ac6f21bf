// The warhead screen: the design missile's fragmentation warhead (its cone, case, fragments and
// explosive), the masses, fragment energy and kill distance they give, a turning preview with
// or without the fragment spray, and one of six blast and fragment curves against distance.
// Saving writes the curves as "warheads\<name>.csv" before "warheads\<name>.txt".
#include <algorithm>

#include "core/preview_drawing.h"
#include "design/design_files.h"
#include "design/design_graph.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "design/warhead_graph.h"
#include "platform/text.h"
#include "simulation/missile.h"
#include "simulation/warhead.h"
#include "ui/gui.h"

namespace design {

namespace {

constexpr int k_fields = 8;
constexpr int k_results = 4;
constexpr int k_graph_buttons = 6;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // the eight fields of k_labels
    k_title = k_field + k_max_fields,
    k_result,                    // four result labels
    k_show_fragments = k_result + k_results,
    k_apply,
    k_graph_button,              // six buttons
};

constexpr part_files k_files = {"Save Warhead Configuration", "Please input name of warhead to save",
                                "Load Warhead Configuration", "Please select warhead to load",
                                "warheads\\*.txt"};

// Fields in screen order.
enum : int { f_length, f_diameter, f_taper, f_thickness, f_fragment_mass, f_gurney, f_expansion, f_area };
constexpr const char* k_labels[k_fields] = {
    "Warhead Length (cm)", "Warhead Diameter (cm)", "Warhead Taper (cm)",   "Case Thickness (cm)",
    "Fragment Mass (gr)",  "Gurney Const (m/sec)",  "Lateral Expansion", "Target Area (sqrm)"};

// The graph buttons and the channel each plots.
constexpr const char* k_graph_captions[k_graph_buttons] = {
    "Time (ms)", "Over Pressure (psi)", "Dyn. Pressure (psi)", "Frag. Speed (m/sec)",
    "Frag. Energey (kj)", "Frag. Desnity (1/sqrm)"};
constexpr int k_graph_channels_of_buttons[k_graph_buttons] = {5, 1, 2, 3, 4, 6};

// The screen's state, kept while the program runs.
struct warhead_screen_state {
    view_state view{-0.75f, -0.2f, 1.0f, 0, 0};
    int channel = 6;
    bool show_fragments = false;
    design_graph graph;
};
warhead_screen_state s;
constexpr preview_rules k_preview = {true, 0.1f, 0.5f, 5.0f};

warhead* edited() {
    missile* m = design_missile();
    return m != nullptr ? m->warhead_part.get() : nullptr;
}

// The screen shows the taper (base minus front diameter) and the target area one fragment
// must hit (the inverse of the kill threshold, which the warhead holds at 1 or more).
float taper_of(const warhead& h) { return h.DC - h.DS; }
float area_of(const warhead& h) { return 1.0f / std::max(1.0f, h.KT); }
// An area of 0 or less is taken as 0.01 m².
float threshold_of_area(float area) { return 1.0f / std::max(0.01f, area); }

void set_title(gui_window* w, const warhead& h) {
    gui_rect* r = rect_at(w, k_title);
    if (r != nullptr) r->set_text(format_string("Warhead - %s", h.name).c_str());
}

void show_results(gui_window* w, const warhead& h) {
    const std::string lines[k_results] = {
        format_string("Mass Explosives = %4.2f (kg)", static_cast<double>(h.explosive_mass)),
        format_string("Mass Fragments = %4.2f (kg)", static_cast<double>(h.case_mass)),
        format_string("Fragment Energy = %4.2f (kj)", static_cast<double>(h.effects.fragment_energy) / 1000.0),
        format_string("Kill Distance = %4.2f (m)", static_cast<double>(h.kill_distance))};
    for (int i = 0; i < k_results; ++i) {
        gui_rect* r = rect_at(w, k_result + i);
        if (r != nullptr) r->set_text(lines[i].c_str());
    }
}

void show(gui_window* w) {
    warhead* h = edited();
    if (h == nullptr) return;
    const float values[k_fields] = {h->LN, h->DC, taper_of(*h), h->TH, h->fragment_mass, h->GC, h->ER, area_of(*h)};
    for (int n = 0; n < k_fields; ++n) show_number(w, k_field, n, values[n]);
    set_title(w, *h);
    show_results(w, *h);
}

void take(gui_window* w) {
    warhead* h = edited();
    if (h == nullptr) return;
    float taper = taper_of(*h);
    const bool new_taper = take_number(w, k_field, f_taper, &taper);
    const bool new_diameter = take_number(w, k_field, f_diameter, &h->DC);
    take_number(w, k_field, f_thickness, &h->TH);
    take_number(w, k_field, f_length, &h->LN);
    take_number(w, k_field, f_gurney, &h->GC);
    take_number(w, k_field, f_fragment_mass, &h->fragment_mass);
    take_number(w, k_field, f_expansion, &h->ER);
    float area = area_of(*h);
    // Untouched fields leave the stored values as they were, unrounded.
    if (take_number(w, k_field, f_area, &area)) h->KT = threshold_of_area(area);
    if (new_taper || new_diameter) h->DS = h->DC - taper;
    // The previews too, so the spray follows at once.
    h->compute(true);
    show_results(w, *h);
}

void recompute() {
    warhead* h = edited();
    if (h == nullptr) return;
    warhead_graph_rows(*h, &s.graph);
    plot_warhead_graph(s.graph, s.channel);
}

void build(gui_window* w) {
    const units u = build_common(w, "warhead", true);
    show_part_hint(w, edited());

    add_panel(w, u, 0.48f, -0.02f, 0.97f, 0.91f);
    remember_rect(w, k_title, add_label(w, u, 0.5f, 0.85f, 0.95f, 0.9f, ""));
    for (int n = 0; n < k_fields; ++n) {
        const float y = 0.77f - 0.08f * static_cast<float>(n);
        add_number_row(w, u, 0.5f, 0.8f, 0.95f, y, k_labels[n], k_field + n);
    }
    // As wide as the rows above, its square under their fields and its caption from the left
    // edge: a 640 x 480 row keeps the caption whole inside the panel.
    gui_rect* check = add_box(w, u, 0.5f, 0.13f, 0.95f, 0.18f, rect_kind::check_box);
    check->medium_font = 1;
    check->fit_text = 1;
    check->centred = 0;
    check->left_text = 1;
    check->set_text("Show Fragments");
    remember_rect(w, k_show_fragments, check);
    s.show_fragments = false;
    remember_rect(w, k_apply, add_button(w, u, 0.5f, 0.01f, 0.95f, 0.08f, "Apply Changes"));

    add_panel(w, u, -0.22f, 0.55f, 0.22f, 0.91f);
    for (int i = 0; i < k_results; ++i) {
        const float top = 0.88f - 0.08f * static_cast<float>(i);
        remember_rect(w, k_result + i, add_label(w, u, -0.2f, top - 0.05f, 0.2f, top, ""));
    }

    add_panel(w, u, -0.95f, 0.2f, -0.65f, 0.91f);
    add_label(w, u, -0.93f, 0.85f, -0.67f, 0.9f, "Press To Select Graph");
    for (int i = 0; i < k_graph_buttons; ++i) {
        const float top = 0.82f - 0.1f * static_cast<float>(i);
        gui_rect* b = add_box(w, u, -0.93f, top - 0.08f, -0.67f, top, rect_kind::button);
        b->bold = 1;
        b->fit_text = 1;
        b->set_text(k_graph_captions[i]);
        remember_rect(w, k_graph_button + i, b);
    }

    show_again(w, true);
    w->wants_draw = 1;
    w->wants_tick = 1;
    s.view.zoom = 1.0f;
    panels_over_preview(w);
}

void on_click(gui_window* w) {
    const warhead* h = edited();
    if (close_on_press(w) || ask_on_save_or_load(w, k_files, h != nullptr ? h->name : "")) return;
    if (pressed_is(w, k_apply)) {
        apply_changes(w, true);
    } else if (pressed_is(w, k_show_fragments)) {
        const gui_rect* check = rect_at(w, k_show_fragments);
        s.show_fragments = check != nullptr && check->ticked != 0;
    } else if (const int i = pressed_button(w, k_graph_button, k_graph_buttons); i >= 0) {
        // The graph buttons make no sound.
        s.channel = k_graph_channels_of_buttons[i];
        plot_warhead_graph(s.graph, s.channel);
    }
}

// The curves go beside the warhead, before it.
void export_curves(const char* name) {
    export_warhead_csv(s.graph, format_string("warheads\\%s.csv", name).c_str());
}

void on_answer(gui_window* w) {
    warhead* h = edited();
    const int request = answer_part(w, h, export_curves);
    if (request == 0) return;
    set_title(w, *h);
    if (request == part_request::load) show_again(w, true);
}

void on_draw() {
    warhead* h = edited();
    if (h == nullptr) return;
    // The curves as the last recompute or graph button laid them out.
    draw_design_graph();
    const preview_drawing drawing;
    h->draw(s.view.pitch, s.view.yaw, -0.1f * s.view.zoom, -0.1f * s.view.zoom, 2.0f * s.view.zoom,
            s.show_fragments);
}

}  // namespace

int warhead_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(); break;
        case gui_event::tick: jog_on_tick(w, jog_rule::relative, frame_time()); break;
        case gui_event::close: relay_design_missile(); break;
        case gui_event::enter:
            w->send(design_event::take);
            w->send(design_event::recompute);
            break;
        case gui_event::message_box_result: on_answer(w); break;
        case gui_event::child_committed: jog_committed(w, true); break;
        case design_event::show: show(w); break;
        case design_event::take: take(w); break;
        case design_event::recompute: recompute(); break;
        default: preview_event(w, event, s.view, k_preview); break;
    }
    return 0;
}

}  // namespace design
