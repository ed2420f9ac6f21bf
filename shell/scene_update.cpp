// The per-frame update, the scene tick and the camera commands.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/scene_services.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "core/gui_services.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"

namespace {
// Auto-track looks for the next missile, and the end of a scenario is tested, once a second.
constexpr std::uint32_t k_auto_track_ms = 1000;
constexpr std::uint32_t k_end_check_ms = 1000;
// After the results window opens, the next test comes this much later.
constexpr std::uint32_t k_results_again_ms = 30000;
// Scenery paging is tested again only after the position moved this far (degrees).
constexpr float k_paging_step = 0.1f;
// The beep of the camera commands.
constexpr int k_beep_slot = 1;
// The camera commands step through at most this many flying missiles or live targets.
constexpr int k_max_listed = 8 * 24 + 24;

// Whether the clock (wrapping milliseconds) has passed a time.
bool passed(std::uint32_t now, std::uint32_t time) {
    return static_cast<std::int32_t>(now - time) > 0;
}
}  // namespace

void scene::frame_update() {
    if (g_app->menu_mode) {
        update_timing();
        update_gui();
        poll_joystick();
        return;
    }
    drag_flight();
    poll_joystick();
    update_timing();
    if (!g_app->paused) {
        update_objects_root();
        update_transps_root();
        tick();
    }
    update_camera();
    update_geo_position();
    update_altitude_bands();
    page_scenery();
    if (g_app->near_view) {
        update_terrain();
        update_sky();
        update_anchors_root();
    } else {
        update_celestial();
        update_globe();
    }
    update_gui();
    commit_listener();
}

// ---- Per-frame steps ----

void scene::drag_flight() {
    // Flying by dragging with the left button: only when the GUI and the editor leave the
    // press alone and the camera flies free.
    if (pointer.gui_holds_press() || !(pointer.buttons & MK_LBUTTON)) return;
    if (services().key_held(VK_SHIFT)) return;
    const editor_selection& editor = g_state->selection;
    if (editor.pick_mode && editor.size() > 0) return;
    if (viewer.parent != nullptr) return;
    viewer.speeds[2] = g_state->sim_rate * 10.0f * pointer.delta_y * pointer.look_pitch_sensitivity;
}

void scene::poll_joystick() {
    if (g_joystick) g_joystick->poll(&pointer.look_pitch(), &pointer.look_yaw());
}

void scene::update_timing() { g_state->update_frame_timing(); }

void scene::update_objects_root() {
    if (objects) objects->update();
}

void scene::update_transps_root() {
    if (transps) transps->update();
}

void scene::update_camera() { viewer.update(pointer.look_pitch(), pointer.look_yaw()); }

void scene::update_geo_position() {
    const vec3 p = viewer.world_position();
    ground.scene_to_lon_lat(&g_state->camera_longitude, &g_state->camera_latitude, p.x, p.z);
}

void scene::update_altitude_bands() {
    const float altitude = g_state->origin_offset.y + viewer.world_position().y;
    const std::uint8_t near_now = altitude < k_globe_altitude ? 1 : 0;
    const std::uint8_t objects_now = altitude < g_state->max_objects_alt ? 1 : 0;
    // Crossing the globe altitude changes what the device draws: it is rebuilt next frame.
    if (near_now != g_app->near_view) g_app->reset_requested = 1;
    g_app->near_view = near_now;
    if (objects_now != g_app->objects_view) {
        g_app->objects_view = objects_now;
        if (objects_now) {
            update_anchors(true);
        } else {
            leave_objects_view();
        }
    }
}

void scene::leave_objects_view() {
    if (anchors) anchors->clear_children();
}

void scene::page_scenery() {
    const float east = g_state->camera_longitude;
    const float north = g_state->camera_latitude;
    if (!paging_started) {
        // The first position seen is the reference.
        paging_started = true;
        last_paged_east = east;
        last_paged_north = north;
    }
    if (std::fabs(east - last_paged_east) <= k_paging_step &&
        std::fabs(north - last_paged_north) <= k_paging_step) {
        return;
    }
    last_paged_east = east;
    last_paged_north = north;
    // A scenario or a test keeps its scenery: a camera flown off the map must not wipe the run.
    if (g_state->scenario_mode || g_state->test_mode) return;
    const int index = g_state->find_scenery_tile(east, north);
    if (index == 0) {
        // Out of every scenery's bounds: the stale terrain goes once.
        if (ground.columns != 0 && ground.rows != 0) {
            clear(false);
            make_roots(false);
        }
        return;
    }
    if (!g_app->near_view) return;
    const scenery_index_entry& entry = g_state->sceneries.entries[index - 1];
    if (std::strcmp(entry.folder, g_state->scenery_name) != 0) load_scenery(index);
}

void scene::update_terrain() { ground.update(); }
void scene::update_sky() { sky.update(); }
void scene::update_anchors_root() {
    if (anchors) anchors->update();
}
void scene::update_celestial() { sky.update_celestial(); }
void scene::update_globe() { globe.update(); }
void scene::update_gui() { gui_link().update(); }

void scene::commit_listener() {
    if (g_sound && g_sound->available && g_sound->sound_on) g_sound->commit_listener();
}

// ---- The scene tick ----

void scene::tick() {
    for (int i = 0; i < tables.system_count && i < k_max_systems; ++i) {
        if (tables.systems[i]) update_system(tables.systems[i]);
    }
    for (int i = 0; i < tables.launcher_count && i < k_max_launchers; ++i) {
        if (tables.launchers[i]) update_launcher(tables.launchers[i]);
    }
    auto_track();
    check_end_of_scenario();
}

void scene::auto_track() {
    if (!g_app->auto_track || !passed(g_state->now, next_auto_track)) return;
    frame* tracked = viewer.target;
    const bool on_missile = tracked != nullptr && tracked->type == FRAME_MISSILE;
    if (!auto_track_hold && on_missile && missile_done(tracked)) {
        // One more second on the finished missile before moving on.
        auto_track_hold = true;
    } else if (auto_track_hold || tracked == nullptr) {
        auto_track_hold = false;
        viewer.target = nullptr;
        viewer.free_look = 1;
        frame* first = nullptr;
        if (flying_missiles(&first, 1) > 0 && first) {
            viewer.target = first;
            viewer.free_look = 0;
        }
    }
    next_auto_track = g_state->now + k_auto_track_ms;
}

void scene::check_end_of_scenario() {
    if (!g_state->scenario_mode || !passed(g_state->now, next_end_check)) return;
    // Nothing is left to fly: a destroyed rocket's debris stays in the table until it lands,
    // and its landing counts before the score is shown.
    bool ended = tables.target_count == 0;
    for (int i = 0; i < tables.launcher_count && ended; ++i) {
        if (tables.launchers[i] && launcher_has_rockets_left(tables.launchers[i])) ended = false;
    }
    for (int i = 0; i < tables.system_count && ended; ++i) {
        if (tables.systems[i] && system_has_live_missiles(tables.systems[i])) ended = false;
    }
    if (ended) {
        gui_link().open_dialog(gui_dialog::results);
        next_end_check = g_state->now + k_results_again_ms;
    } else {
        next_end_check = g_state->now + k_end_check_ms;
    }
}

// ---- Camera commands ----

void scene::keep_look_direction() {
    // The camera's z axis: heading east of north, pitch up positive; the look yaw is minus
    // the heading.
    const vec3 d = get_axis_z(viewer.world);
    const float heading = std::atan2(d.x, d.z);
    const float pitch = std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z));
    viewer.look_yaw = -heading;
    viewer.look_pitch = pitch;
    pointer.look_yaw() = -heading;
    pointer.look_pitch() = pitch;
}

void scene::free_camera() {
    // A camera riding an object gets off where it is, looking the same way.
    if (viewer.parent != nullptr) {
        const mat4 where = viewer.world;
        viewer.detach();
        viewer.local = where;
        viewer.update_matrices();
        keep_look_direction();
    }
    viewer.target = nullptr;
    viewer.free_look = 1;
    viewer.fov = viewer.normal_fov;
    g_state->set_message("Camera Is Free");
}

void scene::select_next_system(float height) {
    if (tables.system_count > 0) {
        last_system_index = (last_system_index + 1) % tables.system_count;
        missile_system* s = tables.systems[last_system_index];
        current_system = s;
        viewer.target = nullptr;
        viewer.free_look = 1;
        g_state->set_message("Selected System %d", last_system_index + 1);
        vec3 position{}, forward{0.0f, 0.0f, 1.0f};
        if (s && launcher_pose(s, &position, &forward)) {
            // Ahead of the launcher and above it, looking back at it.
            const vec3 eye = position + forward * (5.0f * height) + vec3{0.0f, height, 0.0f};
            viewer.set_position(eye.x, eye.y, eye.z);
            const float yaw = k_pi - std::atan2(forward.x, forward.z);
            viewer.look_pitch = 0.0f;
            viewer.look_yaw = yaw;
            pointer.look_yaw() = yaw;
            pointer.look_pitch() = 0.0f;
        }
    }
    viewer.fov = viewer.normal_fov;
    play_slot(k_beep_slot);
}

void scene::track_next_missile() {
    frame* list[k_max_listed] = {};
    const int n = flying_missiles(list, k_max_listed);
    bool found = false;
    for (int i = 0; i < n; ++i) {
        const int number = i + 1;
        if (number <= last_missile_number || !list[i]) continue;
        viewer.target = list[i];
        viewer.free_look = 0;
        g_state->set_message("Tracking Missile %d", number);
        last_missile_number = number;
        found = true;
        break;
    }
    if (!found) {
        last_missile_number = 0;
        free_camera();
    }
    play_slot(k_beep_slot);
}

void scene::track_next_target() {
    bool found = false;
    int number = 0;
    for (int i = 0; i < tables.target_count; ++i) {
        if (!tables.targets[i] || !target_alive(tables.targets[i])) continue;
        ++number;
        if (number <= last_target_number) continue;
        frame* f = target_frame(tables.targets[i]);
        if (!f) continue;
        viewer.target = f;
        viewer.free_look = 0;
        g_state->set_message("Tracking Target %d", number);
        last_target_number = number;
        found = true;
        break;
    }
    if (!found) {
        last_target_number = 0;
        free_camera();
    }
    play_slot(k_beep_slot);
}

void scene::forget_camera_target(frame* f) {
    if (f == nullptr) return;
    if (viewer.target == f) {
        viewer.target = nullptr;
        keep_look_direction();
    } else if (viewer.parent == f) {
        viewer.detach();
    }
}

void scene::camera_replace_object(frame* old_object, frame* new_object) {
    if (old_object == nullptr || old_object == new_object) return;
    if (new_object == nullptr) {
        forget_camera_target(old_object);
    } else if (viewer.target == old_object) {
        viewer.target = new_object;
    } else if (viewer.parent == old_object) {
        new_object->add_child(&viewer);
    }
}

// ---- The world origin ----

void scene::shift_origin(float dx, float dy, float dz) {
    if (viewer.parent == nullptr) viewer.move_by(dx, dy, dz);
    ground.shift_grid_origin(dx, dy, dz);
    ground.water.shift_origin(dx, dz);
    sky.shift_origin(dx, dy, dz);
    if (transps) transps->move_children_by(dx, dy, dz);
    if (g_app->objects_view) {
        if (objects) objects->move_children_by(dx, dy, dz);
        if (anchors) anchors->move_children_by(dx, dy, dz);
        update_anchors(false);
    } else if (objects) {
        // Near view or globe view: the far objects move; the globe is rebuilt with it.
        objects->move_children_by(dx, dy, dz);
    }
    if (!g_app->near_view) globe.build_sphere();
    for (frame* root : {transps, objects, anchors}) {
        if (root) root->shift_origin();
    }
}
