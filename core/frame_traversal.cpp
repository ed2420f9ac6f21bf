// The frame operations that walk a subtree: the per-tick update with its behaviours and the
// removal of finished children, the matrix update, culling, the render traversal, the
// bounding volumes, the hit tests, the height probe and the origin shift.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/frame.h"
#include "core/scene_services.h"
#include "platform/program_rand.h"
#include "platform/text.h"

namespace {

bool show_all() { return g_app != nullptr && g_app->show_all != 0; }

float object_distance_limit() {
    return g_state != nullptr ? g_state->max_objects_dist : 10000.0f;
}

// One step of the sway filter toward a new random value in -1..1.
float filtered(float s, float k) {
    const float r = 1.0f - 2.0f * static_cast<float>(program_rand()) / 32767.0f;
    return (1.0f - k) * s + k * r;
}

// Whether (dx, dy, dz) lies inside the cube of half-size r (x, then z, then y).
bool within(float dx, float dy, float dz, float r) {
    return std::fabs(dx) < r && std::fabs(dz) < r && std::fabs(dy) < r;
}

// Asks for the parts of a frame that its update reads first (the class's table, the world
// position, the flags and the motion) while the frame before it updates: a tick walks
// hundreds of weapons, each far from the last in memory.
void prefetch_update_fields(const frame* f) {
    if (f == nullptr) return;
    __builtin_prefetch(f);
    __builtin_prefetch(&f->world.m[3][0]);
    __builtin_prefetch(&f->remove_me);
    __builtin_prefetch(&f->move);
}

}  // namespace

float frame::distance_to_camera() const {
    if (g_state == nullptr || g_state->camera_world == nullptr) return 0.0f;
    return length(world_position() - get_translation(*g_state->camera_world));
}

void frame::update_matrices() {
    if (!active && !night_only) return;
    if (parent == nullptr) {
        world = local;
    } else if (!position_only) {
        world = local * parent->world;
    } else {
        world = local;
        const vec3 p = local_position();
        set_row(world, 3, transform_point(p.x, p.y, p.z, parent->world));
    }
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->update_matrices();
    }
    inverse_dirty = 1;
}

// ---- Update ----

void frame::update() {
    if (night_only && g_state != nullptr) active = g_state->night;
    if (!active || share_count >= 2) return;
    const float dt = g_state != nullptr ? g_state->dt : 0.0f;
    if (spin) update_spin(dt);
    if (move) update_move(dt);
    if (windsock) update_windsock();
    if (windvane) update_windvane();
    if (on_sea) update_on_sea();
    track_motion();
    update_children();
}

void frame::update_spin(float dt) {
    if (length_sq(spin_axis) == 0.0f) return;  // no axis to turn about
    local = mat_rotation_axis(spin_axis, spin_rate * dt) * local;
    update_matrices();
}

void frame::update_move(float dt) {
    local = mat_translation(velocity * dt) * local;
    if (ground_align) {
        // Heights 2.5 m either side of the position give the slope; the frame stands on
        // their average with its y axis along the ground normal.
        const vec3 p = local_position();
        float west = 0, east = 0, south = 0, north = 0;
        ground_height(p.x - 2.5f, p.z, &west);
        ground_height(p.x + 2.5f, p.z, &east);
        ground_height(p.x, p.z - 2.5f, &south);
        ground_height(p.x, p.z + 2.5f, &north);
        local.m[3][1] = (west + east + south + north) * 0.25f;
        const vec3 n = normalize({west - east, 5.0f, south - north});
        const vec3 x = cross(n, get_axis_z(local));
        set_row(local, 1, n);
        set_row(local, 0, x);
        set_row(local, 2, cross(x, n));
    }
    update_matrices();
}

void frame::update_windsock() {
    sway.x = filtered(sway.x, sway_factor);
    sway.y = filtered(sway.y, sway_factor);
    sway.z = filtered(sway.z, sway_factor);
    const float wx = g_state != nullptr ? g_state->wind[0] : 0.0f;
    const float wz = g_state != nullptr ? g_state->wind[1] : 0.0f;
    const float speed = g_state != nullptr ? g_state->wind_speed : 0.0f;
    set_rotation(std::atan2(sway.x + wx, sway.z + wz), -std::atan2(sway.y - 2.0f, speed), 0.0f);
}

void frame::update_windvane() {
    sway.x = filtered(sway.x, sway_factor);
    sway.z = filtered(sway.z, sway_factor);
    const float wx = g_state != nullptr ? g_state->wind[0] : 0.0f;
    const float wz = g_state != nullptr ? g_state->wind[1] : 0.0f;
    set_rotation(std::atan2(sway.x + wx, sway.z + wz), 0.0f, 0.0f);
}

void frame::update_on_sea() {
    float h = 0.0f;
    const vec3 p = world_position();
    sea_height(p.x, p.z, &h);
    local.m[3][1] = h - (box.min.y + box.max.y) * 0.5f;
    update_matrices();
}

void frame::track_motion() {
    const vec3 p = world_position();
    // After an origin shift the last motion keeps its value: a shift is not a jump.
    if (g_state != nullptr && g_state->no_shift && previous_valid) last_motion = p - previous_position;
    previous_position = p;
    previous_valid = 1;
}

void frame::update_children() {
    int i = 0;
    while (i < count) {
        frame* c = children[i];
        if (c == nullptr) {
            ++i;
        } else if (c->remove_me) {
            // The array closes up, so the same index now holds the next child.
            remove_child(c);
            c->clear_children();
            if (c->owned) delete c;
        } else {
            // Two ahead the frame itself, one ahead its child array (its pointer asked for
            // one child earlier).
            if (i + 2 < count) prefetch_update_fields(children[i + 2]);
            if (i + 1 < count && children[i + 1] != nullptr) __builtin_prefetch(children[i + 1]->children.get());
            c->update();
            ++i;
        }
    }
}

// ---- Visibility and drawing ----

void frame::cull() {
    if (!active) {
        in_view = 0;
        return;
    }
    camera_distance = distance_to_camera();
    if (show_all() || never_cull) {
        in_view = 1;
    } else {
        const bool near = camera_distance - radius < std::min(max_distance, object_distance_limit());
        in_view = (near && (parent == nullptr || parent->in_view)) ? 1 : 0;
    }
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->cull();
    }
}

bool frame::in_frustum() const {
    if (show_all() || never_cull) return true;
    if (1.5f * radius > camera_distance) return true;
    if (g_state == nullptr || g_state->view_matrix == nullptr ||
        g_state->projection_matrix == nullptr) {
        return true;
    }
    const vec3 v = transform_coord(world_position(), *g_state->view_matrix);
    if (v.z < 0.0f) return false;  // behind the camera
    const mat4& p = *g_state->projection_matrix;
    if (std::fabs(v.x) - radius > v.z / p.m[0][0]) return false;
    if (std::fabs(v.y) - radius > v.z / p.m[1][1]) return false;
    return true;
}

bool frame::is_in_view() {
    camera_distance = distance_to_camera();
    const bool near = camera_distance - radius < std::min(max_distance, object_distance_limit());
    in_view = (near && in_frustum()) ? 1 : 0;
    return in_view != 0;
}

void frame::render() {
    if (!active) {
        in_view = 0;
        return;
    }
    camera_distance = distance_to_camera();
    if (show_all() || never_cull) {
        in_view = 1;
    } else {
        const float d = camera_distance - radius;
        const bool shadow_pass = g_app != nullptr && g_app->shadow_pass == 1;
        if (shadow_pass) {
            in_view = d < (g_state != nullptr ? g_state->shadow_distance : 100.0f);
        } else {
            in_view = d < std::min(max_distance, object_distance_limit());
        }
        // Leaves are small enough for the distance test alone.
        if (in_view && count != 0) in_view = in_frustum();
        if (!in_view) return;
    }
    for (int i = 0; i < count; ++i) {
        frame* c = children[i];
        if (c == nullptr) continue;
        // A shared child is drawn under every frame that lists it.
        if (c->share_count > 0) c->world = c->local * world;
        c->render();
    }
    if (selected && !show_all()) draw_selection_mark();
    set_fog_for_height();
}

void frame::draw_selection_mark() const {
    device_set_world(world);
    device_set_lighting(false);
    const box6& b = (type == FRAME_MESH || type == FRAME_SOUND) ? base_box : box;
    const float altitude_offset = g_state != nullptr ? g_state->origin_offset.y : 0.0f;
    draw_selection_box(b.min, b.max, altitude_offset, yellow_box ? k_selection_yellow : k_selection_red);
    device_set_lighting(true);
}

void frame::set_fog_for_height() const {
    const float altitude = (box.min.y + box.max.y) * 0.5f + world.m[3][1];
    const float visibility = services().path_fog_distance(altitude);
    // 2.3 / distance: the exponential fog reaches 10 % at that distance.
    if (visibility > 0.0f) device_set_fog_density(2.3f / visibility);
}

void frame::render_shadow() {
    if (!active) return;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->render_shadow();
    }
}

// ---- Bounding volumes ----

void frame::update_bounding_box() {
    if (!active) return;
    const vec3 diag{local.m[0][0], local.m[1][1], local.m[2][2]};
    auto scaled = [&diag](const vec3& v) { return vec3{v.x * diag.x, v.y * diag.y, v.z * diag.z}; };
    // The box starts empty when the frame's own geometry does not count or it has none; an
    // own box whose corner happens to lie at the origin is a real box.
    bool empty = true;
    box = box6{};
    if (in_parents_box) {
        box.min = scaled(base_box.min);
        box.max = scaled(base_box.max);
        empty = length_sq(base_box.min) == 0.0f && length_sq(base_box.max) == 0.0f;
    }
    for (int i = 0; i < count; ++i) {
        frame* c = children[i];
        if (c == nullptr || !c->in_parents_box) continue;
        c->update_bounding_box();
        const vec3 p = c->local_position();
        const vec3 lo = scaled(c->box.min + p);
        const vec3 hi = scaled(c->box.max + p);
        if (empty) {
            box.min = lo;
            box.max = hi;
            empty = false;
        } else {
            box.min = {std::min(box.min.x, lo.x), std::min(box.min.y, lo.y), std::min(box.min.z, lo.z)};
            box.max = {std::max(box.max.x, hi.x), std::max(box.max.y, hi.y), std::max(box.max.z, hi.z)};
        }
    }
}

void frame::update_bounding_radius() {
    if (!active) return;
    const vec3 rows{length(get_axis_x(local)), length(get_axis_y(local)), length(get_axis_z(local))};
    radius = std::max({rows.x, rows.y, rows.z}) * base_radius;
    for (int i = 0; i < count; ++i) {
        frame* c = children[i];
        if (c == nullptr) continue;
        c->update_bounding_radius();
        const vec3 p = c->local_position();
        const vec3 offset{p.x * rows.x, p.y * rows.y, p.z * rows.z};
        radius = std::max(radius, length(offset) + c->radius);
    }
}

// ---- Hit tests ----

bool frame::hit_test_point(float x, float y, float z, frame** hit) {
    if (!active || !hit_testable) return false;
    const float margin = g_state != nullptr ? g_state->hit_margin : 2.0f;
    const vec3 p = world_position();
    if (!within(x - p.x, y - p.y, z - p.z, radius + margin)) return false;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr && children[i]->hit_test_point(x, y, z, hit)) return true;
    }
    return false;
}

bool frame::hit_test_frame(frame* other, frame** hit) {
    if (other == nullptr || !active || !hit_testable) return false;
    const float margin = g_state != nullptr ? g_state->hit_margin : 2.0f;
    const vec3 d = other->world_position() - world_position();
    if (!within(d.x, d.y, d.z, radius + margin)) return false;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr && children[i]->hit_test_frame(other, hit)) return true;
    }
    return false;
}

bool frame::hit_test_point_any(float x, float y, float z, frame** hit) {
    if (!active || !hit_testable) return false;
    const float margin = g_state != nullptr ? g_state->hit_margin : 2.0f;
    const vec3 p = world_position();
    if (!within(x - p.x, y - p.y, z - p.z, radius + margin)) return false;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr && children[i]->hit_test_point(x, y, z, hit)) return true;
    }
    return false;
}

bool frame::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (!active || !hit_testable || count == 0) return false;
    if (length(cross(direction, world_position() - origin)) > radius) return false;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr && children[i]->hit_test_ray(direction, origin, hit, result)) {
            return true;
        }
    }
    return false;
}

void frame::surface_height(float x, float z, float* height, frame** hit) {
    if (!active || !hit_testable || count == 0) return;
    const vec3 p = world_position();
    if (!(std::fabs(x - p.x) < radius) || !(std::fabs(z - p.z) < radius)) return;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->surface_height(x, z, height, hit);
    }
}

// ---- Plain recursions ----

void frame::shift_origin() {
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->shift_origin();
    }
}

void frame::select() {
    selected = 1;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->select();
    }
}

void frame::deselect() {
    selected = 0;
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->deselect();
    }
}

void frame::set_shader_params_by_name(float a, float b, const char* pattern) {
    if (contains(name, pattern)) set_shader_params(a, b);
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->set_shader_params_by_name(a, b, pattern);
    }
}

void frame::set_shader_params(float a, float b) {
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->set_shader_params(a, b);
    }
}

void frame::apply_volume() {
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->apply_volume();
    }
}

void frame::stop_sounds() {
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->stop_sounds();
    }
}

void frame::traverse_a() {
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->traverse_a();
    }
}

void frame::traverse_b() {
    for (int i = 0; i < count; ++i) {
        if (children[i] != nullptr) children[i]->traverse_b();
    }
}
