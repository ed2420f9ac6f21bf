// The guidance screen: the design missile's seeker record (boost phase with its fins lock,
// midcourse and terminal phases with their laws, detection range, aperture, error and
// self-destruct time), a sketch of the three phases and, on request, a small animation of a
// missile flying one of the four laws against a crossing target. It loads and saves
// "seekers\<name>.txt".
#include <cmath>

#include "design/design_files.h"
#include "design/design_screen.h"
#include "design/design_screens.h"
#include "design/part_screen.h"
#include "design/guidance_animation.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "simulation/missile.h"
#include "simulation/seeker.h"
#include "ui/graph.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/overlay2d.h"

namespace design {

namespace {

constexpr int k_fields = 5;
constexpr int IDR_LAUNCHER_ICON = 436;
constexpr int IDR_TARGET_ICON = 437;
constexpr int IDR_MISSILE_ICON = 438;
// The animation's sound loops in slot 6; the hit restarts the explosion of slot 7.
constexpr int k_animation_slot = 6;
constexpr int k_explosion_slot = 7;
constexpr float k_pi = 3.14159265f;

// Private words of the window beyond the common ones.
enum : int {
    k_field = slot::first_free,  // the five fields
    k_title = k_field + k_max_fields,
    k_boost,
    k_midcourse,
    k_terminal,
    k_show_midcourse,
    k_show_terminal,
    k_apply,
    k_launcher_icon,
    k_target_icon,
    k_missile_icon,
    k_midcourse_type,  // child index of the drop-down
    k_terminal_type,
};

constexpr part_files k_files = {"Save Guidance Configuration", "Please input name of seeker to save",
                                "Load Guidance Configuration", "Please select seeker to load",
                                "seekers\\*.txt"};

enum : int { f_fins_lock, f_range, f_diameter, f_error, f_self_destruct };

enum class run_state { idle, running, ended };

constexpr std::uint32_t k_green = 0xA000FF00u;
constexpr std::uint32_t k_red = 0xA0FF0000u;

// The screen's state, kept while the program runs.
struct guidance_screen_state {
    view_state view;
    guidance_run run;
    run_state state = run_state::idle;
    guidance_point boost_end;      // P1
    guidance_point midcourse_end;  // P2
    guidance_point trail_missile;
    guidance_point trail_target;
    std::uint32_t next_trail = 0;
};
guidance_screen_state s;
constexpr preview_rules k_preview = {true, 1.0f, 1.0f, 100.0f};

seeker* edited() {
    missile* m = design_missile();
    return m != nullptr ? m->seeker_part.get() : nullptr;
}

float* field_value(seeker& k, int n) {
    float* values[k_fields] = {&k.fins_lock_time, &k.detection_range, &k.seeker_diameter, &k.seeker_error,
                               &k.self_destruct};
    return values[n];
}

void set_title(gui_window* w, const seeker& k) {
    gui_rect* r = rect_at(w, k_title);
    if (r != nullptr) r->set_text(format_string("Guidance Design - %s", k.name).c_str());
}

void tick_box(gui_window* w, int word, std::uint8_t flag) {
    gui_rect* r = rect_at(w, word);
    if (r != nullptr) r->ticked = flag != 0 ? 1 : 0;
}

std::uint8_t box_flag(const gui_window* w, int word, std::uint8_t old) {
    const gui_rect* r = rect_at(w, word);
    return r != nullptr ? (r->ticked != 0 ? 1 : 0) : old;
}

void show(gui_window* w) {
    seeker* k = edited();
    if (k == nullptr) return;
    for (int n = 0; n < k_fields; ++n) show_number(w, k_field, n, *field_value(*k, n));
    tick_box(w, k_boost, k->boost_phase);
    tick_box(w, k_midcourse, k->midcourse_phase);
    tick_box(w, k_terminal, k->terminal_phase);
    gui_window* mid = child_at(w, k_midcourse_type);
    if (mid != nullptr) mid->combo_select(k->midcourse_type);
    gui_window* term = child_at(w, k_terminal_type);
    if (term != nullptr) term->combo_select(k->terminal_type);
    set_title(w, *k);
}

// A drop-down's choice, or the old type when nothing valid is chosen.
int chosen_type(const gui_window* w, int word, int old) {
    const gui_window* list = child_at(w, word);
    const int k = list != nullptr ? list->combo_selected_index() : -1;
    return k == 0 || k == 1 ? k : old;
}

void take(gui_window* w) {
    seeker* k = edited();
    if (k == nullptr) return;
    for (int n = 0; n < k_fields; ++n) take_number(w, k_field, n, field_value(*k, n));
    k->boost_phase = box_flag(w, k_boost, k->boost_phase);
    k->midcourse_phase = box_flag(w, k_midcourse, k->midcourse_phase);
    k->terminal_phase = box_flag(w, k_terminal, k->terminal_phase);
    k->midcourse_type = chosen_type(w, k_midcourse_type, k->midcourse_type);
    k->terminal_type = chosen_type(w, k_terminal_type, k->terminal_type);
    // Range and aperture are tied: the one in the field pressed last leads.
    const int jog_field = w->private_state[slot::jog_field].i;
    k->apply_limits(jog_field >= 0 && jog_field == w->private_state[k_field + int{f_diameter}].i);
}

void stop_animation_sound() {
    if (s.state == run_state::running) ui_stop_sound_slot(k_animation_slot);
}

// The phase sketch, and the run set back to its start.
void recompute() {
    const seeker* k = edited();
    if (k == nullptr) return;
    stop_animation_sound();
    const units u = layout_units();
    graph_clear_vertices();
    guidance_run& r = s.run;
    r.previous_sight = 0;
    r.heading = k_pi / 2;
    r.launcher_angle = k_pi / 2;
    r.launcher = {-0.1f * u.m, -0.75f * u.h};
    r.missile = r.launcher;
    const guidance_sketch sketch = sketch_guidance(r.launcher, 0.02f * u.m, k->fins_lock_time, k->detection_range);
    for (const sketch_segment& g : sketch.segments) graph_add_thick_line(g.from.x, g.from.y, g.to.x, g.to.y, g.colour);
    s.boost_end = sketch.boost_end;
    s.midcourse_end = sketch.midcourse_end;
    r.target = sketch.end;
    r.target_heading = k_pi;
    s.state = run_state::idle;
}

void add_check_box(gui_window* w, const units& u, float y1, const char* text, int word) {
    gui_rect* r = add_box(w, u, 0.52f, y1, 0.86f, y1 + 0.05f, rect_kind::check_box);
    r->medium_font = 1;
    r->fit_text = 1;
    r->set_text(text);
    remember_rect(w, word, r);
}

void add_field(gui_window* w, const units& u, float y1, const char* label, int n) {
    add_number_row(w, u, 0.52f, 0.8f, 0.92f, y1, label, k_field + n);
}

void add_drop_down(gui_window* w, const units& u, float y1, const char* first, const char* second, int word) {
    const char* const items[2] = {first, second};
    w->private_state[word].i = w->index_of(add_item_drop_down(w, u, 0.52f, y1, 0.92f, y1 + 0.05f, items, 2));
}

void build(gui_window* w) {
    const units u = build_common(w, nullptr, true);
    // The one hint, on the bottom line.
    remember_rect(w, slot::hint, add_hint(w, u, -0.98f, -0.92f, k_save_hint));
    show_part_hint(w, edited());

    add_icon_holder(w, k_target_icon, IDR_TARGET_ICON);
    add_icon_holder(w, k_missile_icon, IDR_MISSILE_ICON);
    add_icon_holder(w, k_launcher_icon, IDR_LAUNCHER_ICON);

    add_panel(w, u, 0.48f, -0.38f, 0.97f, 0.91f);
    remember_rect(w, k_title, add_label(w, u, 0.52f, 0.85f, 0.92f, 0.9f, ""));
    add_check_box(w, u, 0.75f, "Boost Phase Fins Lock", k_boost);
    add_field(w, u, 0.67f, "Fins Lock Time (sec)", f_fins_lock);
    add_check_box(w, u, 0.55f, "Midcourse Guidance", k_midcourse);
    remember_rect(w, k_show_midcourse, add_button(w, u, 0.52f, 0.39f, 0.92f, 0.44f, "Show Animation"));
    add_check_box(w, u, 0.27f, "Terminal Guidance", k_terminal);
    remember_rect(w, k_show_terminal, add_button(w, u, 0.52f, 0.11f, 0.92f, 0.16f, "Show Animation"));
    add_field(w, u, 0.01f, "Detection Range (m)", f_range);
    add_field(w, u, -0.07f, "Seeker Diameter (cm)", f_diameter);
    add_field(w, u, -0.15f, "Seeker Error (rd)", f_error);
    add_field(w, u, -0.23f, "Self Destruct Time (sc)", f_self_destruct);
    remember_rect(w, k_apply, add_button(w, u, 0.52f, -0.35f, 0.92f, -0.28f, "Apply Changes"));

    // The drop-downs last, so that their open lists lie over the elements below; the lower
    // one first, so the upper one's list lies over it.
    add_drop_down(w, u, 0.19f, "Self Homing - Dog Chase", "Self Homing - Proportional", k_terminal_type);
    add_drop_down(w, u, 0.47f, "Remote Command - Intercept Point", "Remote Command - Line Of Sight",
                  k_midcourse_type);

    show_again(w, true);
    w->wants_draw = 1;
    w->wants_tick = 1;
    s.view.zoom = 5.0f;
    s.state = run_state::idle;
}

void show_animation(gui_window* w, bool terminal) {
    const seeker* k = edited();
    if (k == nullptr) return;
    w->send(design_event::take);
    w->send(design_event::recompute);
    // The sound after the reset, which silences a run in progress.
    ui_play_sound_slot(k_animation_slot, 2);
    s.run.law = terminal ? k->terminal_type + 2 : k->midcourse_type;
    graph_clear_vertices();
    s.run.target.x = std::fabs(s.run.target.x);
    s.trail_missile = s.run.missile;
    s.trail_target = s.run.target;
    s.next_trail = tick_count();
    s.state = run_state::running;
}

void on_click(gui_window* w) {
    const seeker* k = edited();
    if (pressed_is(w, slot::close)) {
        stop_animation_sound();
        s.state = run_state::idle;
    }
    if (close_on_press(w) || ask_on_save_or_load(w, k_files, k != nullptr ? k->name : "")) return;
    if (pressed_is(w, k_apply)) {
        apply_changes(w, true);
    } else if (pressed_is(w, k_show_midcourse)) {
        show_animation(w, false);
    } else if (pressed_is(w, k_show_terminal)) {
        show_animation(w, true);
    }
}

void on_answer(gui_window* w) {
    seeker* k = edited();
    const int request = answer_part(w, k);
    if (request == 0) return;
    set_title(w, *k);
    if (request == part_request::load) show_again(w, true);
}

// The trails, a segment every 50 ms; after a pause of more than 100 ms they start afresh.
// They stay left of the field panel.
void add_trails() {
    const std::uint32_t now = tick_count();
    if (static_cast<std::int32_t>(now - s.next_trail) <= 0) return;
    const guidance_run& r = s.run;
    if (now - s.next_trail > 100) {
        s.trail_missile = r.missile;
        s.trail_target = r.target;
    }
    const float right = 0.45f * layout_units().m;
    if (r.missile.x < right) {
        graph_add_thick_line(s.trail_missile.x, s.trail_missile.y, r.missile.x, r.missile.y, k_green);
    }
    if (r.target.x < right) graph_add_thick_line(s.trail_target.x, s.trail_target.y, r.target.x, r.target.y, k_red);
    s.trail_missile = r.missile;
    s.trail_target = r.target;
    s.next_trail = now + 50;
}

void on_tick(gui_window* w) {
    if (s.state != run_state::running) {
        if (jog_on_tick(w, jog_rule::root, frame_time())) w->send(design_event::recompute);
        return;
    }
    const bool ended = guidance_step(s.run, frame_time(), -layout_units().m);
    if (ended) {
        ui_stop_sound_slot(k_animation_slot);
        ui_play_sound_slot(k_explosion_slot, 1);
        s.state = run_state::ended;
    }
    add_trails();
}

void text(const gui_window* w, float x, float y, float width, float height, const char* caption,
          std::uint32_t colour) {
    draw_caption(w, x, y, x + width, y + height, caption, colour);
}

void on_close() {
    stop_animation_sound();
    s.state = run_state::idle;
    relay_design_missile();
}

void on_draw(const gui_window* w) {
    if (edited() == nullptr) return;
    graph_render();
    const units u = layout_units();
    const guidance_run& r = s.run;
    const float hw = 0.15f * u.m;
    const float hh = 0.05f * u.m;
    draw_rotated_textured_quad(r.target.x, r.target.y, hw, hh, r.target_heading + k_pi, 0xFFFFFFFFu,
                               held_icon(w, k_target_icon));
    draw_rotated_textured_quad(r.missile.x, r.missile.y, hw, hh, r.heading, 0xFFFFFFFFu, held_icon(w, k_missile_icon));
    if (s.state == run_state::idle) {
        text(w, r.missile.x - 0.4f, r.missile.y, 0.4f, 0.1f, "Boost Phase", 0xFFFFFF00u);
        text(w, s.boost_end.x - 0.4f, s.boost_end.y, 0.4f, 0.1f, "Midcourse Phase", 0xFF00FF00u);
        text(w, s.midcourse_end.x - 0.4f, s.midcourse_end.y, 0.4f, 0.1f, "Terminal Phase", 0xFFFF0000u);
        return;
    }
    text(w, r.missile.x + 0.1f, r.missile.y, 0.2f, 0.1f, "Missile", 0xFF00FF00u);
    text(w, r.target.x + 0.1f, r.target.y + 0.1f, 0.2f, 0.1f, "Target", 0xFFFF0000u);
    draw_rotated_textured_quad(r.launcher.x, r.launcher.y, hw, hh, r.launcher_angle, 0xFFFFFFFFu,
                               held_icon(w, k_launcher_icon));
}

}  // namespace

int guidance_design_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::tick: on_tick(w); break;
        case gui_event::close: on_close(); break;
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
