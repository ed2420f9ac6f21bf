#include "ui/test_control.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/hierarchy.h"
#include "platform/program_rand.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "ui/graph.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/screens.h"
#include "ui/view_drawing.h"

test_control_state g_test_control;

namespace {

constexpr int IDB_CLOSE_BUTTON = 420;
constexpr int IDB_LAUNCH_BUTTON = 422;
constexpr int k_sample_divider = 10;       // one stored sample every tenth tick
constexpr float k_launch_scatter = 0.02f;  // rad, either way, of the target's elevation and heading

enum {
    k_close,
    k_launch_target,
    k_launch_missile,
    k_scope,
    k_radar,
    k_graph,
    k_track_missile,
    k_track_target,
};

struct button_spec {
    int kind;
    float x1, x2;  // in multiples of the half width W
    int picture;
    const char* caption;
    bool toggle;
};

constexpr button_spec k_buttons[] = {
    {rect_kind::large_button, 0.88f, 0.98f, IDB_CLOSE_BUTTON, "Close", false},
    {rect_kind::large_button, 0.5695f, 0.8195f, IDB_LAUNCH_BUTTON, "Launch Target", false},
    {rect_kind::large_button, 0.2995f, 0.5495f, IDB_LAUNCH_BUTTON, "Launch Missile", false},
    {rect_kind::button, 0.039f, 0.239f, 0, "Scope", true},
    {rect_kind::button, -0.181f, 0.019f, 0, "Radar", true},
    {rect_kind::button, -0.401f, -0.201f, 0, "Graph", true},
    {rect_kind::button, -0.704f, -0.454f, 0, "Track Missile", false},
    {rect_kind::button, -0.974f, -0.724f, 0, "Track Target", false},
};

// The test system: the scene's newest missile system, looked up afresh at every use.
missile_system* test_system() {
    if (g_scene == nullptr) return nullptr;
    const weapon_tables& t = g_scene->tables;
    const int n = std::min<int>(t.system_count, weapon_tables::k_max_systems);
    return n > 0 ? t.systems[n - 1] : nullptr;
}

int target_count() {
    return g_scene != nullptr
               ? std::clamp<int>(g_scene->tables.target_count, 0, weapon_tables::k_max_targets)
               : 0;
}

// Hostile rocket k (1-based), none when k is not one of the listed ones.
rocket* target_at(int k) {
    return k >= 1 && k <= target_count() ? g_scene->tables.targets[k - 1] : nullptr;
}

// The system's k-th missile that still flies (1-based), none beyond its live count.
missile* live_missile_at(const missile_system& s, int k) {
    int seen = 0;
    for (int i = 0; i < std::clamp<int>(s.missile_count, 0, missile_system::k_max_missiles); ++i) {
        missile* m = s.missiles[i];
        if (m == nullptr || m->dead) continue;
        if (++seen == k) return m;
    }
    return nullptr;
}

bool verbose() { return g_app->use_verbose != 0 && g_state != nullptr; }

gui_window* root_of(gui_window* w) {
    if (g_gui != nullptr) return g_gui;
    while (w->parent != nullptr) w = w->parent;
    return w;
}

void restart_graph(int source) {
    graph_reset_samples();
    graph_clear_vertices();
    g_test_control.graph_source = source;
}

void build(gui_window* w) {
    const float W = gui_scale[0], H = gui_scale[1];
    w->create(-W, -H, W, -0.85f * H, window_kind::panel);
    for (int i = 0; i < static_cast<int>(std::size(k_buttons)); ++i) {
        const button_spec& b = k_buttons[i];
        gui_rect* r = w->add_rect(b.x1 * W, -0.98f * H, b.x2 * W, -0.88f * H, b.kind);
        r->set_text(b.caption);
        r->large_font = 1;
        // The buttons are a fixed share of the screen's width; a caption wider than its button
        // (a 1024 x 768 window) takes a smaller font.
        r->fit_text = 1;
        r->toggle = b.toggle ? 1 : 0;
        if (b.picture != 0) ui_load_resource_texture(b.picture, &r->image_texture, true);
        w->private_rects[i] = r;
    }
    graph_set_titles(k_flight_titles);
    g_test_control = test_control_state{};
    graph_reset_samples();
    graph_clear_vertices();
    w->wants_tick = 1;
}

void launch_target() {
    missile_system* s = test_system();
    const frame* f = system_frame(s);
    if (f == nullptr) return;
    restart_graph(2);
    const vec3 p = f->world_position();
    const vec3 z = get_axis_z(f->world);
    const vec3 start = p - z * s->test_dist;
    const float r1 = static_cast<float>(program_rand());
    const float r2 = static_cast<float>(program_rand());
    const float elevation = s->test_elev + k_launch_scatter * (1.0f - 2.0f * r1 / 32767.0f);
    const float heading =
        std::atan2(z.x, z.z) - s->test_beta + k_launch_scatter * (1.0f - 2.0f * r2 / 32767.0f);
    g_scene->add_target(start.x, start.y, start.z, heading, elevation, s->test_speed);
    if (verbose()) g_state->set_message("Target %d Launched", target_count());
}

void launch_missile() {
    missile_system* s = test_system();
    if (s == nullptr) return;
    restart_graph(1);
    missile* m = s->fire();
    // The tracked target while it is still listed, else the newest one.
    int index = g_test_control.tracking == 2 ? g_test_control.tracked_target : 0;
    if (target_at(index) == nullptr) index = target_count();
    rocket* target = target_at(index);
    if (m != nullptr) m->target = target;
    if (!verbose()) return;
    if (target != nullptr) {
        g_state->set_message("Missile %d Launched at Target %d", s->live_missiles(), index);
    } else {
        g_state->set_message("Missile %d Launched Unlocked", s->live_missiles());
    }
}

void stop_tracking() {
    g_test_control.tracking = 0;
    if (g_scene == nullptr) return;
    g_scene->viewer.target = nullptr;
    g_scene->viewer.free_look = 0;
}

// The camera follows the object from where it stands, through the telescope.
void track(gui_window* w, frame* object, int kind) {
    g_scene->viewer.target = object;
    g_scene->viewer.free_look = 1;
    g_test_control.tracking = kind;
    gui_window* root = root_of(w);
    root->close_dialog(flight_graph_dialog);
    root->close_dialog(radar_view_dialog);
    root->open_dialog(telescope_view_dialog);
}

void track_missile(gui_window* w) {
    const missile_system* s = test_system();
    const int live = s != nullptr ? s->live_missiles() : 0;
    if (live <= 0) return;
    int& k = g_test_control.tracked_missile;
    k = (std::max(k, 0) + 1) % (live + 1);
    missile* m = k != 0 ? live_missile_at(*s, k) : nullptr;
    if (m == nullptr) {
        k = 0;
        stop_tracking();
        return;
    }
    if (verbose()) g_state->set_message("Tracking Missile %d", k);
    track(w, m, 1);
}

void track_target(gui_window* w) {
    const int count = target_count();
    if (count <= 0 || g_scene == nullptr) return;
    int& k = g_test_control.tracked_target;
    k = (std::max(k, 0) + 1) % (count + 1);
    rocket* r = k != 0 ? target_at(k) : nullptr;
    if (r == nullptr) {
        k = 0;
        stop_tracking();
        return;
    }
    if (verbose()) g_state->set_message("Tracking Target %d", k);
    track(w, r, 2);
}

void toggle_view(gui_window* w, gui_rect* button, gui_callback view) {
    gui_window* root = root_of(w);
    for (gui_callback other : {telescope_view_dialog, radar_view_dialog, flight_graph_dialog}) {
        if (other != view) root->close_dialog(other);
    }
    button->ticked = root->toggle_dialog(view) ? 1 : 0;
}

void on_click(gui_window* w) {
    gui_rect* r = w->pressed_rect();
    if (r == nullptr) return;
    auto& p = w->private_rects;
    const bool sounding = r == p[k_launch_target] || r == p[k_launch_missile] || r == p[k_scope] ||
                          r == p[k_radar] || r == p[k_graph];
    if (sounding) ui_play_sound_slot(0, 0);
    if (r == p[k_launch_target]) {
        launch_target();
    } else if (r == p[k_launch_missile]) {
        launch_missile();
    } else if (r == p[k_scope]) {
        toggle_view(w, r, telescope_view_dialog);
    } else if (r == p[k_radar]) {
        toggle_view(w, r, radar_view_dialog);
    } else if (r == p[k_graph]) {
        toggle_view(w, r, flight_graph_dialog);
    } else if (r == p[k_track_missile]) {
        track_missile(w);
    } else if (r == p[k_track_target]) {
        track_target(w);
    } else if (r == p[k_close]) {
        ui_leave_scene();
    }
}

void sample(const missile_system* s) {
    float values[graph_store::k_channels] = {};
    const frame* launcher = s != nullptr && s->launch_unit ? s->launch_unit->model : nullptr;
    auto range_to = [&](const frame& f) {
        if (launcher == nullptr) return 0.0f;
        const vec3 d = f.world_position() - launcher->world_position();
        return std::sqrt(d.x * d.x + d.z * d.z);
    };
    if (g_test_control.graph_source == 1 && s != nullptr && s->live_missiles() > 0) {
        const int n = std::clamp<int>(s->missile_count, 0, missile_system::k_max_missiles);
        const missile* m = n > 0 ? s->missiles[n - 1] : nullptr;
        if (m == nullptr || m->dead) return;
        const float row[] = {
            m->flight_time, m->speed, range_to(*m), m->altitude, m->mach, m->lateral_g, 0, 0};
        std::copy(std::begin(row), std::end(row), values);
    } else if (g_test_control.graph_source == 2 && target_count() > 0) {
        const rocket* r = target_at(target_count());
        if (r == nullptr || r->destroyed) return;
        const float row[] = {
            r->flight_time, r->speed, range_to(*r), r->altitude, r->mach, r->lateral_g, 0, 0};
        std::copy(std::begin(row), std::end(row), values);
    } else {
        return;
    }
    graph_add_series_point(values, k_sample_divider);
}

void update_captions(gui_window* w, const missile_system* s) {
    auto& p = w->private_rects;
    p[k_track_missile]->set_text("Track Missile");
    p[k_track_target]->set_text("Track Target");
    test_control_state& c = g_test_control;
    const bool following = g_scene != nullptr && g_scene->viewer.target != nullptr;
    if (!following) {
        c.tracking = c.tracked_missile = c.tracked_target = 0;
        return;
    }
    const int live = s != nullptr ? s->live_missiles() : 0;
    char caption[32];
    if (c.tracking == 1 && c.tracked_missile >= 1 && c.tracked_missile <= live) {
        format_text(caption, "Track Missile %d", c.tracked_missile);
        p[k_track_missile]->set_text(caption);
        c.tracked_target = 0;
    } else if (c.tracking == 2 && c.tracked_target >= 1 && c.tracked_target <= target_count()) {
        format_text(caption, "Track Target %d", c.tracked_target);
        p[k_track_target]->set_text(caption);
        c.tracked_missile = 0;
    } else {
        c.tracking = 0;
    }
}

void on_tick(gui_window* w) {
    const missile_system* s = test_system();
    if (s != nullptr && s->fired_since_reload > g_test_control.last_fired) {
        // A missile was fired, by the button or by the system itself: a new flight.
        restart_graph(1);
    } else {
        sample(s);
    }
    if (s != nullptr) g_test_control.last_fired = s->fired_since_reload;
    auto& p = w->private_rects;
    p[k_scope]->ticked = g_app->telescope_shown;
    p[k_radar]->ticked = g_app->radar_shown;
    p[k_graph]->ticked = g_app->graph_shown;
    update_captions(w, s);
}

}  // namespace

int test_control_dialog(gui_window* w, int event) {
    if (g_app == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::tick: on_tick(w); break;
        default: break;
    }
    return 0;
}
