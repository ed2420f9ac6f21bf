#include "design/motor_design_screen.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/app_state.h"
#include "core/device_calls.h"
#include "core/preview_drawing.h"
#include "design/design_area_clip.h"
#include "design/design_files.h"
#include "design/design_graph.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "platform/text.h"
#include "simulation/missile.h"
#include "simulation/rocket_motor.h"
#include "ui/graph.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"

namespace design {

namespace {

constexpr int k_motor_fields = 5;
constexpr int k_charge_fields = 7;
constexpr int k_readouts = 6;
constexpr int k_grain_types = 6;
constexpr int IDR_FIRE_BUTTON = 426;
// The burn advances at most this much per tick (s), slower than real time on slow frames.
constexpr float k_longest_burn_step = 0.01f;
// One sample of every so many ticks is stored; the plot is rebuilt at most this often (ms).
constexpr int k_sample_every = 10;
constexpr std::uint32_t k_redraw_ms = 200;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // 5 motor fields, then 7 charge fields
    k_title = k_field + k_max_fields,
    k_charge_title,
    k_readout,                   // 6 buttons
    k_fire = k_readout + k_readouts,
    k_stop,
    k_add,
    k_remove,
    k_apply,
    k_show_all,
    k_in_motor,
    k_charge_list,               // child index of the list
    k_ignition,                  // child index of the ignition drop-down
    k_charge_type,               // child index of the grain-type drop-down
};

constexpr part_files k_files = {"Save Rocket Motor", "Please input name of motor to save", "Load Rocket Motor",
                                "Please select motor to load", "motors\\*.txt"};

constexpr const char* k_grain_names[k_grain_types] = {"CIGAR BURN",       "TUBE IN AND OUT",
                                                      "TUBE INSIDE",      "SLOTTED CYLINDER",
                                                      "STAR SHAPE",       "TUBE OUTSIDE"};
constexpr const char* k_motor_labels[k_motor_fields] = {"Chamber Diameter (cm)", "Throat Diameter (cm)",
                                                        "Exit Diameter (cm)", "Chamber Length (cm)",
                                                        "Ignition Pressure (atm)"};
constexpr const char* k_charge_labels[k_charge_fields] = {
    "Charge Length (cm)",     "Outer Diameter (cm)", "Inner Diameter (cm)", "Density (gm/cm^3)",
    "Specific Impulse (sec)", "Ballistic Power N",   "Ballistic Constant A"};
constexpr const char* k_readout_starts[k_readouts] = {"T = 0",  "Th = 0", "Pc = 0",
                                                      "Pe = 0", "Mp = 0", "Cf = 0"};
// The channel each readout plots: the time and the thrust both show the thrust.
constexpr int k_readout_channels[k_readouts] = {1, 1, 2, 3, 4, 5};

// The screen's state, kept while the program runs.
struct motor_state {
    view_state view{2.1f, -0.4f, 1.0f, 0, 0};
    int channel = 1;
    int selected = 0;  // charge, always within 0..3
    bool show_all = true;
    bool in_motor = true;
    std::uint32_t next_redraw = 0;
    int offered = 0;   // samples offered since the graph was cleared
    design_graph graph;
};
motor_state s;
constexpr preview_rules k_preview = {true, 0.1f, 0.5f, 5.0f};

rocket_motor* motor() {
    missile* m = design_missile();
    return m != nullptr ? m->motor : nullptr;
}

int charges(const rocket_motor& r) { return std::clamp(r.charge_count, 0, motor_max_charges); }

float* motor_value(rocket_motor& r, int n) {
    float* values[k_motor_fields] = {&r.chamber_diameter, &r.throat_diameter, &r.exit_diameter,
                                     &r.chamber_length, &r.ignition_pressure};
    return values[n];
}

float* charge_value(rocket_motor& r, int i, int n) {
    float* values[k_charge_fields] = {&r.charge_length[i],  &r.charge_outer[i],    &r.charge_inner[i],
                                      &r.charge_density[i], &r.charge_isp[i],      &r.charge_exponent[i],
                                      &r.charge_coefficient[i]};
    return values[n];
}

std::string list_item_text(const rocket_motor& r, int i) {
    return format_string("%d) %s", i + 1, grain_type_name(r.charge_type[i]));
}

void clear_graph() {
    s.graph.rows.clear();
    s.offered = 0;
    graph_clear_vertices();
}

void set_fire_text(gui_window* w, const char* text) {
    gui_rect* r = rect_at(w, k_fire);
    if (r != nullptr) r->set_text(text);
}

void set_title(gui_window* w, const rocket_motor& r) {
    gui_rect* t = rect_at(w, k_title);
    if (t != nullptr) t->set_text(format_string("Rocket Motor - %s", r.name).c_str());
}

void set_box(gui_window* w, int word, bool on) {
    gui_rect* box = rect_at(w, word);
    if (box != nullptr) box->ticked = on ? 1 : 0;
}

void set_show_all(gui_window* w, bool on) {
    s.show_all = on;
    set_box(w, k_show_all, on);
}

void rebuild_charges(rocket_motor& r) {
    for (int i = 0; i < charges(r); ++i) r.build_charge(i);
}

// The grain-type drop-down shows the charge's type; a type without a name shows "UNKNOWN"
// and nothing chosen, so that an Apply keeps it.
void show_charge_type(gui_window* w, const rocket_motor& r) {
    gui_window* type = child_at(w, k_charge_type);
    if (type == nullptr) return;
    const int t = r.charge_type[s.selected];
    if (t >= 1 && t <= k_grain_types) {
        type->combo_select(t - 1);
        return;
    }
    gui_window* names = type->last_child();
    if (names != nullptr) names->pressed = names->selected = 0;
    gui_rect* shown = type->rect(0);
    if (shown != nullptr) shown->set_text(grain_type_name(t));
}

// The charge title, the seven charge fields and the drop-down for the selected charge; empty
// fields while there is no charge.
void show_charge(gui_window* w, rocket_motor& r) {
    gui_rect* title = rect_at(w, k_charge_title);
    if (title != nullptr) {
        title->set_text(format_string("Propellant Charge %d - Select from list", s.selected + 1).c_str());
    }
    const bool exists = s.selected < charges(r);
    for (int n = 0; n < k_charge_fields; ++n) {
        if (exists) {
            show_number(w, k_field, k_motor_fields + n, *charge_value(r, s.selected, n));
        } else {
            show_empty(w, k_field, k_motor_fields + n);
        }
    }
    if (exists) show_charge_type(w, r);
}

void show(gui_window* w) {
    rocket_motor* r = motor();
    if (r == nullptr) return;
    for (int n = 0; n < k_motor_fields; ++n) show_number(w, k_field, n, *motor_value(*r, n));
    gui_window* ignition = child_at(w, k_ignition);
    if (ignition != nullptr) ignition->combo_select(r->ignition_type == 1 ? 1 : 0);
    const int count = charges(*r);
    gui_window* list = child_at(w, k_charge_list);
    if (list != nullptr) {
        list->list_clear();
        for (int i = 0; i < count; ++i) list->list_add_item(list_item_text(*r, i).c_str());
        list->list_set_bold(true);
    }
    // A motor with fewer charges than the selected number selects its last one.
    s.selected = std::clamp(s.selected, 0, std::max(count - 1, 0));
    if (list != nullptr && s.selected < count) list->list_select(s.selected);
    set_title(w, *r);
    show_charge(w, *r);
}

// What bounds each field, when the motor raised a value (first) or lowered it (second): the
// motor fields, then the charge's.
struct bound_reason {
    const char* raised;
    const char* lowered;
};
constexpr bound_reason k_bound_reasons[k_motor_fields + k_charge_fields] = {
    {"the charges + 0.1 cm", "the largest motor"},
    {"2 % of the chamber", "the chamber diameter"},
    {"the throat + 0.1 cm", "5 x the throat"},
    {"the charges + 0.5 cm", "the longest motor"},
    {"2 to 200 atm", "2 to 200 atm"},
    {"not below 0", "the longest charge"},
    {"the inner diameter", "the largest charge"},
    {"not below 0", "the largest charge"},
    {"0.5 to 5 gm/cm^3", "0.5 to 5 gm/cm^3"},
    {"50 to 500 sec", "50 to 500 sec"},
    {"0 to 0.9", "0 to 0.9"},
    {"0 to 200", "0 to 200"},
};

float* field_value(rocket_motor& r, int n) {
    return n < k_motor_fields ? motor_value(r, n) : charge_value(r, s.selected, n - k_motor_fields);
}

const char* field_label(int n) {
    return n < k_motor_fields ? k_motor_labels[n] : k_charge_labels[n - k_motor_fields];
}

}  // namespace

std::string motor_refusal(int field, float typed, float kept, float chamber_diameter) {
    if (field < 0 || field >= k_motor_fields + k_charge_fields || typed == kept) return {};
    const bool raised = !(typed > kept);
    const char* reason = raised ? k_bound_reasons[field].raised : k_bound_reasons[field].lowered;
    // A chamber shorter than it is wide is lengthened to its diameter.
    if (field == 3 && raised && kept == chamber_diameter) reason = "the chamber diameter";
    // The label without its unit: "Chamber Length (cm)" is "Chamber Length".
    std::string name = field_label(field);
    name = name.substr(0, name.find(" ("));
    const auto d = [](float v) { return static_cast<double>(v); };
    if (!std::isfinite(typed)) {
        return format_string("%s refused: %4.2f kept (%s)", name.c_str(), d(kept), reason);
    }
    return format_string("%s %4.2f refused: %s %4.2f (%s)", name.c_str(), d(typed), raised ? "at least" : "at most",
                         d(kept), reason);
}

namespace {

// The first hint line says why the motor refused a value typed into a field, or shows its
// usual text when every value was taken as typed.
void show_refusal(gui_window* w, const std::string& why) {
    if (why.empty()) {
        show_part_hint(w, motor());
        return;
    }
    gui_rect* hint = rect_at(w, slot::hint);
    if (hint != nullptr) hint->set_text(why.c_str());
}

void take(gui_window* w) {
    rocket_motor* r = motor();
    if (r == nullptr) return;
    // Which fields hold a new number: a bound that moves a value the user left alone (an
    // exit held at 5 x a throat just narrowed) shows in its field but is not named as refused.
    bool typed[k_motor_fields + k_charge_fields] = {};
    for (int n = 0; n < k_motor_fields; ++n) typed[n] = take_number(w, k_field, n, motor_value(*r, n));
    const bool with_charge = s.selected < charges(*r);
    if (with_charge) {
        const gui_window* type = child_at(w, k_charge_type);
        const int k = type != nullptr ? type->combo_selected_index() : -1;
        if (k >= 0 && k < k_grain_types) r->charge_type[s.selected] = k + 1;
        for (int n = 0; n < k_charge_fields; ++n) {
            typed[k_motor_fields + n] =
                take_number(w, k_field, k_motor_fields + n, charge_value(*r, s.selected, n));
        }
    }
    const int fields = with_charge ? k_motor_fields + k_charge_fields : k_motor_fields;
    float taken[k_motor_fields + k_charge_fields];
    for (int n = 0; n < fields; ++n) taken[n] = *field_value(*r, n);
    r->clamp_dimensions();
    std::string why;
    for (int n = 0; n < fields && why.empty(); ++n) {
        if (typed[n]) why = motor_refusal(n, taken[n], *field_value(*r, n), r->chamber_diameter);
    }
    show_refusal(w, why);
    r->build_casing(true);
    r->build_charge(s.selected);
    r->reset();
    set_show_all(w, true);
    clear_graph();
}

gui_rect* add_check_box(gui_window* w, const units& u, float y, const char* text) {
    gui_rect* box = add_box(w, u, -0.55f, y, -0.1f, y + 0.05f, rect_kind::check_box);
    box->medium_font = 1;
    box->fit_text = 1;
    box->centred = 0;
    box->left_text = 1;  // from the left edge, in the middle of a row lower than the font
    box->set_text(text);
    box->ticked = 1;
    return box;
}

void build_readouts(gui_window* w, const units& u) {
    add_panel(w, u, -0.95f, 0.15f, -0.65f, 0.91f);
    add_label(w, u, -0.93f, 0.85f, -0.67f, 0.9f, "Press To Select Graph");
    for (int i = 0; i < k_readouts; ++i) {
        const float top = 0.82f - 0.11f * static_cast<float>(i);
        gui_rect* b = add_box(w, u, -0.93f, top - 0.09f, -0.67f, top, rect_kind::button);
        b->large_font = 1;
        b->fit_text = 1;
        b->set_text(k_readout_starts[i]);
        remember_rect(w, k_readout + i, b);
    }
}

void build_motor_panel(gui_window* w, const units& u) {
    add_panel(w, u, -0.56f, 0.15f, -0.08f, 0.91f);
    remember_rect(w, k_title, add_label(w, u, -0.55f, 0.85f, -0.1f, 0.9f, ""));
    for (int n = 0; n < k_motor_fields; ++n) {
        const float y = 0.77f - 0.08f * static_cast<float>(n);
        add_label(w, u, -0.55f, y, -0.25f, y + 0.05f, k_motor_labels[n]);
        add_number_field(w, u, -0.25f, y, -0.1f, k_field + n);
    }
    add_label(w, u, -0.55f, 0.35f, -0.325f, 0.4f, "Ignition Type");
    remember_rect(w, k_show_all, add_check_box(w, u, 0.25f, "Show all charges"));
    remember_rect(w, k_in_motor, add_check_box(w, u, 0.17f, "Show in motor"));
}

void build_charge_panel(gui_window* w, const units& u) {
    add_panel(w, u, -0.01f, 0.15f, 0.52f, 0.91f);
    remember_rect(w, k_charge_title, add_label(w, u, 0.0f, 0.85f, 0.5f, 0.9f, ""));
    add_label(w, u, 0.0f, 0.77f, 0.25f, 0.82f, "Charge Type");
    for (int n = 0; n < k_charge_fields; ++n) {
        const float y = 0.69f - 0.08f * static_cast<float>(n);
        add_label(w, u, 0.0f, y, 0.35f, y + 0.05f, k_charge_labels[n]);
        add_number_field(w, u, 0.35f, y, 0.5f, k_field + k_motor_fields + n);
    }

    add_panel(w, u, 0.58f, 0.15f, 0.92f, 0.91f);
    add_label(w, u, 0.6f, 0.85f, 0.9f, 0.9f, "Propellant Charges");
    gui_window* list = w->add_window();
    list->create(0.6f * u.m, 0.53f * u.h, 0.9f * u.m, 0.836f * u.h, window_kind::list_box);
    w->private_state[k_charge_list].i = w->index_of(list);
    remember_rect(w, k_add, add_button(w, u, 0.6f, 0.41f, 0.9f, 0.49f, "Add Charge"));
    remember_rect(w, k_remove, add_button(w, u, 0.6f, 0.31f, 0.9f, 0.39f, "Remove Charge"));
    remember_rect(w, k_apply, add_button(w, u, 0.6f, 0.21f, 0.9f, 0.29f, "Apply Changes"));
}

void build(gui_window* w) {
    s.graph.titles = {"Time (sec)", "Th (kgf)", "Pc (atm)", "Pe (atm)", "Mp (kg)", "CF", "NA", "NA"};
    const units u = build_common(w, "motor", true);
    show_part_hint(w, motor());
    build_readouts(w, u);
    remember_rect(w, k_fire, add_picture_button(w, u, 0.2f, -0.98f, 0.48f, -0.82f, IDR_FIRE_BUTTON, "Fire"));
    remember_rect(w, k_stop, add_picture_button(w, u, 0.5f, -0.98f, 0.78f, -0.82f, IDR_FIRE_BUTTON, "Stop"));
    build_motor_panel(w, u);
    build_charge_panel(w, u);
    // The drop-downs last, so that their open lists lie over the fields below them.
    constexpr const char* ignition_types[2] = {"ALL AT ONCE", "ONE BY ONE"};
    w->private_state[k_ignition].i =
        w->index_of(add_item_drop_down(w, u, -0.325f, 0.35f, -0.1f, 0.4f, ignition_types, 2));
    w->private_state[k_charge_type].i =
        w->index_of(add_item_drop_down(w, u, 0.25f, 0.77f, 0.5f, 0.82f, k_grain_names, k_grain_types));

    s.view.zoom = 1.0f;
    s.channel = 1;
    s.show_all = true;
    s.in_motor = true;
    clear_graph();
    show_again(w, false);
    w->wants_draw = 1;
    w->wants_tick = 1;
    panels_over_preview(w);
}

// --- Static fire ---

void plot() { plot_design_graph(s.graph, s.channel); }

void fire(gui_window* w, rocket_motor& r) {
    if (!r.running) {
        clear_graph();
        r.reset();
        r.ignite();
        set_show_all(w, true);
        s.in_motor = true;
        set_box(w, k_in_motor, true);
    } else if (r.paused) {
        r.resume();
    } else {
        r.pause();
    }
    ui_play_sound_slot(0, 0);
}

void stop(rocket_motor& r) {
    r.burn_out();
    r.reset();
    rebuild_charges(r);
    ui_play_sound_slot(0, 0);
}

void show_readouts(gui_window* w, const rocket_motor& r) {
    const auto d = [](float v) { return static_cast<double>(v); };
    const std::string texts[k_readouts] = {
        format_string("T = %4.2f sec", d(r.burn_time)),
        format_string("Th = %3.1f kgf", d(r.thrust / 9.81f)),
        format_string("Pc = %3.1f atm", d(r.chamber_pressure / 100000.0f)),
        format_string("Pe = %3.1f atm", d(r.exit_pressure / 100000.0f)),
        format_string("Mp = %4.2f kg", d(r.propellant_remaining * 0.001f)),
        format_string("Cf = %4.2f", d(r.thrust_coefficient))};
    for (int i = 0; i < k_readouts; ++i) {
        gui_rect* b = rect_at(w, k_readout + i);
        if (b != nullptr) b->set_text(texts[i].c_str());
    }
}

// The first sample after a clearing and every tenth after it is stored.
void offer_sample(const rocket_motor& r) {
    if (s.offered++ % k_sample_every != 0) return;
    s.graph.rows.push_back({r.burn_time, r.thrust / 9.81f, r.chamber_pressure / 100000.0f,
                            r.exit_pressure / 100000.0f, r.propellant_remaining * 0.001f,
                            r.thrust_coefficient, 0, 0});
}

std::uint32_t clock_ms() { return g_state != nullptr ? g_state->now : 0; }

void burn_tick(gui_window* w, rocket_motor& r) {
    r.burn_step(std::min(frame_time(), k_longest_burn_step));
    if (r.burnt_out) {
        r.reset();
        set_fire_text(w, "Fire");
    } else {
        r.update_exhaust();
        show_readouts(w, r);
        offer_sample(r);
        set_fire_text(w, "Pause");
        const std::uint32_t now = clock_ms();
        if (now > s.next_redraw) {
            plot();
            s.next_redraw = now + k_redraw_ms;
        }
    }
    // The grains as they have burnt away.
    rebuild_charges(r);
}

void on_tick(gui_window* w) {
    rocket_motor* r = motor();
    if (r != nullptr && r->running && r->paused) {
        set_fire_text(w, "Resume");
    } else if (r != nullptr && r->running) {
        burn_tick(w, *r);
    } else {
        set_fire_text(w, "Fire");
        jog_on_tick(w, jog_rule::relative, frame_time());
    }
}

// --- Charges ---

void restart(rocket_motor& r) {
    r.reset();
    clear_graph();
}

void add_charge(gui_window* w, rocket_motor& r) {
    if (r.charge_count < motor_max_charges) {
        r.charge_count = std::max(r.charge_count, 0) + 1;
        gui_window* list = child_at(w, k_charge_list);
        if (list != nullptr) {
            list->list_add_item(list_item_text(r, r.charge_count - 1).c_str());
            list->list_set_bold(true);
        }
    }
    restart(r);
}

void remove_charge(gui_window* w, rocket_motor& r) {
    if (r.charge_count > 0) {
        r.charge_count = std::min(r.charge_count, motor_max_charges) - 1;
        gui_window* list = child_at(w, k_charge_list);
        if (list != nullptr) list->list_remove_last_item();
    }
    restart(r);
}

void choose_channel(int i) {
    s.channel = k_readout_channels[i];
    plot();
}

void on_click(gui_window* w) {
    rocket_motor* r = motor();
    // A burn in progress ends before the screen closes or a file is asked for.
    const bool asks = pressed_is(w, slot::save) || pressed_is(w, slot::load);
    if (r != nullptr && (asks || pressed_is(w, slot::close))) r->burn_out();
    if (close_on_press(w) || r == nullptr) return;
    if (ask_on_save_or_load(w, k_files, r->name)) {
        if (pressed_is(w, slot::load)) clear_graph();
    } else if (pressed_is(w, k_fire)) {
        fire(w, *r);
    } else if (pressed_is(w, k_stop)) {
        stop(*r);
    } else if (pressed_is(w, k_add)) {
        add_charge(w, *r);
    } else if (pressed_is(w, k_remove)) {
        remove_charge(w, *r);
    } else if (pressed_is(w, k_apply)) {
        apply_changes(w, false);
    } else if (const int i = pressed_button(w, k_readout, k_readouts); i >= 0) {
        choose_channel(i);
    } else {
        const gui_rect* in_motor = rect_at(w, k_in_motor);
        const gui_rect* show_all = rect_at(w, k_show_all);
        if (in_motor != nullptr) s.in_motor = in_motor->ticked != 0;
        if (show_all != nullptr) s.show_all = show_all->ticked != 0;
    }
}

// The recorded fire goes beside the motor, before it.
void export_fire(const char* name) {
    export_graph_csv(s.graph, format_string("motors\\%s.csv", name).c_str());
}

void on_answer(gui_window* w) {
    rocket_motor* r = motor();
    const int request = answer_part(w, r, export_fire);
    if (request == 0) return;
    set_title(w, *r);
    if (request != part_request::load) return;
    // A refusal spoke of the motor that was on the screen, not of the one loaded.
    show_refusal(w, {});
    show_again(w, false);
}

void on_committed(gui_window* w) {
    if (jog_committed(w, false)) return;
    rocket_motor* r = motor();
    if (r == nullptr) return;
    const gui_window* current = w->current_child();
    gui_window* list = child_at(w, k_charge_list);
    const gui_window* type = child_at(w, k_charge_type);
    const gui_window* ignition = child_at(w, k_ignition);
    if (current == nullptr) return;
    if (current == list) {
        set_show_all(w, false);
        const int k = list->list_selected_index();
        if (k < 0 || k >= charges(*r)) return;  // nothing chosen keeps the charge
        s.selected = k;
        show_charge(w, *r);
    } else if (current == type) {
        const int k = type->combo_selected_index();
        if (k < 0 || k >= k_grain_types || s.selected >= charges(*r)) return;
        r->charge_type[s.selected] = k + 1;
        r->build_charge(s.selected);
        if (list != nullptr) list->list_set_item_text(s.selected, list_item_text(*r, s.selected).c_str());
    } else if (current == ignition) {
        const int k = ignition->combo_selected_index();
        if (k != 0 && k != 1) return;
        r->ignition_type = k;
        r->reset();
    }
}

void on_close() {
    rocket_motor* r = motor();
    if (r != nullptr) r->burn_out();
    relay_design_missile();
}

void draw_charge_set(rocket_motor& r, float y) {
    const float z = s.view.zoom;
    for (int i = 0; i < charges(r); ++i) {
        if (!s.show_all && i != s.selected) continue;
        r.draw_charges(i, s.view.pitch, s.view.yaw, -0.1f * z, y, 2.0f * z, true);
    }
}

void draw_motor_preview() {
    rocket_motor* r = motor();
    gfx_device* d = current_device();
    if (r != nullptr && d != nullptr) {
        const preview_drawing drawing;
        // The flame and the smoke column of a static fire blow out sideways: in a wide window
        // they stop at the screen's 4:3 area, not in the black margins beside it.
        const design_area_clip clip(d);
        const float z = s.view.zoom;
        if (s.in_motor) {
            draw_charge_set(*r, -0.1f * z);
        } else {
            const float lowered = r->overall_length > 0 ? 1.1f * r->chamber_diameter / r->overall_length : 0.0f;
            draw_charge_set(*r, -0.1f * z - lowered);
        }
        r->draw(s.view.pitch, s.view.yaw, -0.1f * z, -0.1f * z, 2.0f * z, s.in_motor);
    }
}

// The graph last, so that the static fire's smoke does not veil its curve.
void on_draw() {
    draw_motor_preview();
    draw_design_graph();
}

}  // namespace

const char* grain_type_name(int type) {
    if (type < 1 || type > k_grain_types) return "UNKNOWN";
    return k_grain_names[type - 1];
}

int motor_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(); break;
        case gui_event::tick: on_tick(w); break;
        case gui_event::close: on_close(); break;
        case gui_event::enter: w->send(design_event::take); break;
        case gui_event::message_box_result: on_answer(w); break;
        case gui_event::child_committed: on_committed(w); break;
        case design_event::show: show(w); break;
        case design_event::take: take(w); break;
        default: preview_event(w, event, s.view, k_preview); break;
    }
    return 0;
}

}  // namespace design
