#include "design/control_unit_design_screen.h"

#include "core/app_state.h"
#include "core/hierarchy.h"
#include "design/design_files.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "platform/files.h"
#include "platform/text.h"
#include "simulation/control_unit.h"
#include "simulation/missile_system.h"
#include "ui/gui.h"

namespace design {

namespace {

constexpr int k_fields = 3;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // protected radius, launch range, targets
    k_title = k_field + k_max_fields,
    k_apply,
    k_radar,    // child index of the radar drop-down
    k_command,  // child index of the command post drop-down
};

constexpr part_files k_files = {"Save Control Configuration", "Please input name of control to save",
                                "Load Control Configuration", "Please select control to load",
                                "controls\\*.txt"};

constexpr const char* k_labels[k_fields] = {"Protected Radius (km)", "Launch Range (km)",
                                            "Max Targets Engaged"};

// The screen's state, kept while the program runs; zoom is the preview's distance.
struct control_state {
    view_state view{-0.9f, -0.3f, 5.0f, 0, 0};
};
control_state s;
constexpr preview_rules k_preview = {false, 1.0f, 1.0f, 50.0f};

control_unit* unit() {
    missile_system* sys = design_system();
    return sys != nullptr ? sys->control.get() : nullptr;
}

void set_title(gui_window* w, const char* format, const control_unit& c) {
    gui_rect* t = rect_at(w, k_title);
    if (t != nullptr) t->set_text(format_string(format, c.name).c_str());
}

void show(gui_window* w) {
    control_unit* c = unit();
    if (c == nullptr) return;
    show_number(w, k_field, 0, c->protected_radius);
    show_number(w, k_field, 1, c->launch_range);
    show_whole(w, k_field, 2, c->num_targets);
    choose_model(child_at(w, k_radar), c->radar_name);
    choose_model(child_at(w, k_command), c->command_name);
}

// Values are taken as typed: a negative radius or count is the user's to make.
void take(gui_window* w) {
    control_unit* c = unit();
    if (c == nullptr) return;
    take_number(w, k_field, 1, &c->launch_range);
    take_whole(w, k_field, 2, &c->num_targets);
    take_number(w, k_field, 0, &c->protected_radius);
    const char* radar = chosen_model(child_at(w, k_radar));
    if (radar != nullptr) copy_text(c->radar_name, radar);
}

void build(gui_window* w) {
    const units u = build_common(w, "unit", true);
    show_part_hint(w, unit());
    add_panel(w, u, 0.5f, 0.16f, 0.97f, 0.91f);
    remember_rect(w, k_title, add_label(w, u, 0.52f, 0.85f, 0.92f, 0.9f, ""));
    add_label(w, u, 0.52f, 0.75f, 0.92f, 0.8f, "Select Radar Unit");
    add_label(w, u, 0.52f, 0.61f, 0.92f, 0.66f, "Select Command Unit");
    for (int n = 0; n < k_fields; ++n) {
        const float y = 0.47f - 0.08f * static_cast<float>(n);
        add_number_row(w, u, 0.52f, 0.8f, 0.92f, y, k_labels[n], k_field + n);
    }
    remember_rect(w, k_apply, add_button(w, u, 0.52f, 0.19f, 0.92f, 0.26f, "Apply Changes"));
    const control_unit* c = unit();
    if (c != nullptr) {
        // The command post's drop-down first, so that the radar's open list lies over it.
        add_model_drop_down(w, u, 0.55f, "commands\\*", k_command);
        add_model_drop_down(w, u, 0.69f, "radars\\*", k_radar);
        set_title(w, "Control Unit Design - %s", *c);
    }
    w->send(design_event::show);
    s.view.pitch = -0.3f;
    s.view.yaw = -0.9f;
    s.view.zoom = 5.0f;
    w->wants_draw = 1;
    w->wants_tick = 1;
}

void on_click(gui_window* w) {
    const control_unit* c = unit();
    if (close_on_press(w) || ask_on_save_or_load(w, k_files, c != nullptr ? c->name : "")) return;
    if (pressed_is(w, k_apply)) apply_changes(w, false);
}

void on_answer(gui_window* w) {
    control_unit* c = unit();
    const int request = answer_part(w, c);
    if (request == 0) return;
    set_title(w, "Control Design - %s", *c);
    if (request == part_request::load) show_again(w, false);
}

void on_committed(gui_window* w) {
    if (jog_committed(w, false)) return;
    control_unit* c = unit();
    const gui_window* current = w->current_child();
    if (c == nullptr || current == nullptr) return;
    if (current == child_at(w, k_radar)) {
        const char* radar = chosen_model(current);
        if (radar != nullptr) c->load_radar_mesh(radar);
    } else if (current == child_at(w, k_command)) {
        const char* command = chosen_model(current);
        if (command != nullptr) c->load_command_mesh(command);
    }
}

void on_draw() {
    const control_unit* c = unit();
    if (c == nullptr) return;
    const float d = s.view.zoom;
    render_design_preview(c->radar_model, s.view.pitch, s.view.yaw, d, -0.1f * d,
                          0.05f * d);
    render_design_preview(c->command_post, s.view.pitch, s.view.yaw, d, 0.05f * d, -0.15f * d);
}

}  // namespace

void add_model_drop_down(gui_window* w, const units& u, float y, const char* pattern, int word) {
    gui_window* box = w->add_window();
    box->create(0.52f * u.m, y * u.h, 0.92f * u.m, (y + 0.05f) * u.h, window_kind::drop_down);
    fill_model_drop_down(box, pattern);
    w->private_state[word].i = w->index_of(box);
}

void fill_model_drop_down(gui_window* box, const char* pattern) {
    if (box == nullptr) return;
    for (const dir_entry& e : fs_list(pattern)) {
        if (e.is_folder) box->combo_add_item(e.name.c_str());
    }
    box->combo_set_bold(true);
}

void choose_model(gui_window* box, const char* name) {
    gui_window* names = box != nullptr ? box->last_child() : nullptr;
    if (names == nullptr) return;
    names->pressed = names->selected = 0;
    box->combo_select_text(name);
    gui_rect* shown = box->rect(0);
    if (box->combo_selected_index() < 0 && shown != nullptr) shown->set_text(name);
}

const char* chosen_model(const gui_window* box) {
    if (box == nullptr || box->combo_selected_index() < 0) return nullptr;
    const char* name = box->combo_selected_text();
    return name != nullptr && name[0] != '\0' ? name : nullptr;
}

int control_unit_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(); break;
        case gui_event::tick: jog_on_tick(w, jog_rule::absolute, frame_time()); break;
        case gui_event::close: relay_design_missile(); break;
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
