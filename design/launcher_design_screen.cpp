#include "design/launcher_design_screen.h"

#include "core/app_state.h"
#include "core/hierarchy.h"
#include "design/control_unit_design_screen.h"
#include "design/design_files.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "platform/text.h"
#include "simulation/launcher.h"
#include "simulation/missile_system.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"

namespace design {

namespace {

constexpr int k_fields = 4;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // rotation, elevation, missiles, reload time
    k_title = k_field + k_max_fields,
    k_apply,
    k_model,  // child index of the model drop-down
};

constexpr part_files k_files = {"Save Launcher Configuration", "Please input name of launcher to save",
                                "Load Launcher Configuration", "Please select launcher to load",
                                "launchers\\*.txt"};

constexpr const char* k_labels[k_fields] = {"Rotation Angle (deg)", "Elevation Angle (deg)",
                                            "Missiles on Launcher", "Reload Time (sec)"};

// The screen's state, kept while the program runs; zoom is the preview's distance.
struct launcher_state {
    view_state view{-0.9f, -0.3f, 3.0f, 0, 0};
};
launcher_state s;
constexpr preview_rules k_preview = {false, 1.0f, 1.0f, 50.0f};

launcher* unit() {
    missile_system* sys = design_system();
    return sys != nullptr ? sys->launch_unit.get() : nullptr;
}

void set_title(gui_window* w, const launcher& l) {
    gui_rect* t = rect_at(w, k_title);
    if (t != nullptr) t->set_text(format_string("Launcher Design - %s", l.name).c_str());
}

void show(gui_window* w) {
    launcher* l = unit();
    if (l == nullptr) return;
    show_number(w, k_field, 1, l->elevation_angle);
    show_number(w, k_field, 0, l->rotation_angle);
    show_whole(w, k_field, 2, l->num_missiles);
    show_number(w, k_field, 3, l->reload_time);
    choose_model(child_at(w, k_model), l->model_name);
}

// The angles are bounded by the launcher; the magazine and reload are taken as typed.
void take(gui_window* w) {
    launcher* l = unit();
    if (l == nullptr) return;
    take_number(w, k_field, 1, &l->elevation_angle);
    take_number(w, k_field, 0, &l->rotation_angle);
    take_whole(w, k_field, 2, &l->num_missiles);
    take_number(w, k_field, 3, &l->reload_time);
    const char* model = chosen_model(child_at(w, k_model));
    if (model != nullptr) copy_text(l->model_name, model);
    l->apply_angles();
}

void build(gui_window* w) {
    const units u = build_common(w, "launcher", true);
    show_part_hint(w, unit());
    add_panel(w, u, 0.48f, 0.22f, 0.97f, 0.91f);
    remember_rect(w, k_title, add_label(w, u, 0.52f, 0.85f, 0.92f, 0.9f, ""));
    add_label(w, u, 0.52f, 0.75f, 0.92f, 0.8f, "Select Launcher");
    for (int n = 0; n < k_fields; ++n) {
        const float y = 0.61f - 0.08f * static_cast<float>(n);
        add_number_row(w, u, 0.52f, 0.8f, 0.92f, y, k_labels[n], k_field + n);
    }
    remember_rect(w, k_apply, add_button(w, u, 0.52f, 0.25f, 0.92f, 0.32f, "Apply Changes"));
    const launcher* l = unit();
    if (l != nullptr) {
        add_model_drop_down(w, u, 0.69f, "launchers\\*", k_model);
        set_title(w, *l);
    }
    w->send(design_event::show);
    w->wants_draw = 1;
    w->wants_tick = 1;
    s.view.pitch = -0.3f;
    s.view.yaw = -0.9f;
    s.view.zoom = 3.0f;
}

void on_click(gui_window* w) {
    const launcher* l = unit();
    if (close_on_press(w) || ask_on_save_or_load(w, k_files, l != nullptr ? l->name : "")) return;
    if (pressed_is(w, k_apply)) apply_changes(w, false);
}

void on_answer(gui_window* w) {
    launcher* l = unit();
    const int request = answer_part(w, l);
    if (request == 0) return;
    set_title(w, *l);
    if (request == part_request::load) show_again(w, false);
}

void on_committed(gui_window* w) {
    if (jog_committed(w, false)) return;
    launcher* l = unit();
    const gui_window* current = w->current_child();
    if (l == nullptr || current == nullptr || current != child_at(w, k_model)) return;
    const char* model = chosen_model(current);
    if (model != nullptr) l->load_mesh(model);
}

// A jog step that turns the turret or the barrel is heard.
void on_tick(gui_window* w) {
    const launcher* l = unit();
    const float before = l != nullptr ? l->elevation_angle + l->rotation_angle : 0.0f;
    if (!jog_on_tick(w, jog_rule::absolute, frame_time()) || l == nullptr) return;
    if (l->elevation_angle + l->rotation_angle != before) ui_play_sound_slot(k_turning_sound, 0);
}

void on_draw() {
    const launcher* l = unit();
    if (l == nullptr) return;
    render_design_preview(l->model, s.view.pitch, s.view.yaw, s.view.zoom, -0.2f, -0.2f);
}

}  // namespace

int launcher_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(); break;
        case gui_event::tick: on_tick(w); break;
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
