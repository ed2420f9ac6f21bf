#include "core/camera.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "platform/keys.h"
#include "platform/messages.h"

namespace {

constexpr int k_key_pad1 = VK_NUMPAD0 + 1;
constexpr int k_key_pad3 = VK_NUMPAD0 + 3;
constexpr int k_key_pad7 = VK_NUMPAD0 + 7;
constexpr int k_key_pad9 = VK_NUMPAD0 + 9;

constexpr float k_two_pi = 2.0f * k_pi;

float wrapped(float a) {
    float counter = 0.0f;
    wrap_angle(&a, &counter);
    return a;
}

float climb_of(const vec3& z) { return std::atan2(z.y, std::sqrt(z.x * z.x + z.z * z.z)); }
float heading_of(const vec3& z) { return std::atan2(z.x, z.z); }

float step() { return g_state != nullptr ? g_state->smoothed_step : 0.1f; }

}  // namespace

void wrap_angle(float* angle, float* counter) {
    if (*angle > k_pi) {
        *angle -= k_two_pi;
        *counter += k_two_pi;
    } else if (*angle < -k_pi) {
        *angle += k_two_pi;
        *counter -= k_two_pi;
    }
}

vec2 screen_to_ndc(int x, int y) {
    const gfx_viewport v = device_viewport();
    const float w = v.width > 0 ? static_cast<float>(v.width) : 1.0f;
    const float h = v.height > 0 ? static_cast<float>(v.height) : 1.0f;
    return {2.0f * static_cast<float>(x) / w - 1.0f, -(2.0f * static_cast<float>(y) / h - 1.0f)};
}

camera::camera() {
    type = FRAME_CAMERA;
    layer = 7;
    set_name("camera");
    publish();
}

camera::~camera() {
    if (g_state != nullptr && g_state->camera_world == &world) {
        g_state->view_matrix = nullptr;
        g_state->projection_matrix = nullptr;
        g_state->camera_world = nullptr;
        g_state->camera_angles = nullptr;
        g_state->camera_aspect = nullptr;
        g_state->camera_fov = nullptr;
        g_state->camera_look_pitch = nullptr;
        g_state->camera_look_yaw = nullptr;
        g_state->near_projection = nullptr;
        g_state->offset_projection = nullptr;
        g_state->camera_aux = nullptr;
    }
}

void camera::publish() {
    if (g_state == nullptr) return;
    g_state->view_matrix = &inverse_world;
    g_state->projection_matrix = &projection;
    g_state->camera_world = &world;
    g_state->camera_angles = angles;
    g_state->camera_aspect = &aspect;
    g_state->camera_fov = &fov;
    g_state->camera_look_pitch = &look_pitch;
    g_state->camera_look_yaw = &look_yaw;
    g_state->near_projection = &near_projection;
    g_state->offset_projection = &offset_projection;
    g_state->camera_aux = aux;
}

hresult create_camera(frame* parent, camera** out) { return create_owned(parent, out); }

void camera::set_view_projection(bool normal) {
    const float above = g_state != nullptr ? g_state->height_above_surface : 0.0f;
    near_plane = std::min(5.0f, std::max(0.25f / fov, above / 100.0f));
    viewport = device_viewport();
    if (viewport.height > 0) aspect = static_cast<float>(viewport.width) / static_cast<float>(viewport.height);
    const float far_plane = g_state != nullptr ? g_state->far_plane : 150000.0f;
    near_projection = mat_perspective_fov_lh(fov, aspect, 0.1f, 1000.0f);
    projection = mat_perspective_fov_lh(fov, aspect, near_plane, far_plane);
    offset_projection = mat_perspective_fov_lh(fov, aspect, 1.25f * near_plane, far_plane);
    const mat4& view = inverse_world_matrix();
    if (normal) {
        device_set_view(view);
    } else {
        // Mirrored about the water surface: from above it, the plane faces up; from below,
        // down.
        const float level = g_state != nullptr ? g_state->water_level - g_state->origin_offset.y : 0.0f;
        const bool above_water = g_state != nullptr && g_state->above_water;
        const plane mirror = above_water ? plane{0.0f, 1.0f, 0.0f, -level} : plane{0.0f, -1.0f, 0.0f, level};
        device_set_view(mat_reflect(mirror) * view);
    }
    device_set_projection(projection);
}

void camera::handle_input(std::uint32_t message, std::uintptr_t wparam, std::intptr_t) {
    const float dt = g_state != nullptr ? g_state->dt : 0.1f;
    const float u = 10.0f * dt;
    const bool chasing = target != nullptr && !free_look;
    if (message == WM_MOUSEWHEEL) {
        if (g_app != nullptr && (g_app->radar_shown || g_app->map_shown)) return;
        const float delta = static_cast<float>(static_cast<std::int16_t>((wparam >> 16) & 0xFFFF));
        if (chasing) {
            speeds[2] += delta * u * 0.05f;
        } else {
            fov = std::clamp(fov - delta * 0.0005f, 0.01f * normal_fov, normal_fov);
        }
        return;
    }
    if (message != WM_KEYDOWN) return;
    const bool shift = services().key_held(VK_SHIFT);
    switch (static_cast<int>(wparam)) {
    case VK_PRIOR: speeds[1] += 100.0f * dt; break;
    case VK_NEXT: speeds[1] -= 100.0f * dt; break;
    case VK_HOME:
        if (target == nullptr && parent == nullptr) speeds[2] += u;
        break;
    case VK_END:
        if (target == nullptr && parent == nullptr) speeds[2] -= u;
        break;
    case VK_NUMPAD0: speeds[1] -= u; break;
    case VK_DECIMAL: speeds[1] += u; break;
    case k_key_pad1: speeds[0] -= u; break;
    case k_key_pad3: speeds[0] += u; break;
    case k_key_pad7: speeds[chasing ? 3 : 2] -= u; break;
    case k_key_pad9: speeds[chasing ? 3 : 2] += u; break;
    case 'X':
    case 'Z':
        if (shift) {
            fov = normal_fov;
        } else if (wparam == 'X') {
            fov = std::min(fov + 0.01f, 2.0f);
        } else {
            fov = std::max(fov - 0.01f, 0.01f);
        }
        if (g_state != nullptr) g_state->set_message("Zoom = %4.2f", static_cast<double>(fov / normal_fov));
        break;
    default: break;
    }
}

void camera::update(float look_pitch_target, float look_yaw_target) {
    shift_world_if_needed();
    for (float& s : speeds) s *= 0.9f;
    smooth_look(look_pitch_target, look_yaw_target);
    if (parent != nullptr) {
        ride_parent();
    } else if (target != nullptr && !free_look) {
        chase();
    } else if (target != nullptr) {
        track();
    } else {
        fly_free();
    }
    keep_above_ground();
    finish_view();
    frame::update();
}

void camera::shift_world_if_needed() {
    if (g_state == nullptr) return;
    const vec3 p = world_position();
    // Whole cells toward zero: the camera stays within one cell of the origin on each axis.
    const vec3 shift{std::trunc(p.x / cell_size) * cell_size, std::trunc(p.y / cell_size) * cell_size,
                     std::trunc(p.z / cell_size) * cell_size};
    if (shift.x == 0.0f && shift.y == 0.0f && shift.z == 0.0f) {
        g_state->no_shift = 1;
        g_state->last_shift = {};
        return;
    }
    g_state->no_shift = 0;
    g_state->last_shift = shift;
    g_state->shift_origin(shift.x, shift.y, shift.z);
}

void camera::smooth_look(float pitch_target, float yaw_target) {
    auto approach = [](float current, float goal) {
        current = wrapped(current + 0.25f * wrapped(goal - current));
        return std::fabs(current) < 0.001f ? 0.0f : current;
    };
    look_pitch = approach(look_pitch, pitch_target);
    look_yaw = approach(look_yaw, yaw_target);
}

void camera::fly_free() {
    if (zoom_relax) fov += (normal_fov - fov) * step();
    set_rotation(-look_yaw, -look_pitch, 0.0f);
    translate_in_local_axes(speeds[0], speeds[1], speeds[2]);
}

void camera::chase() {
    if (!fixed_orbit) {
        const vec3 tz = get_axis_z(target->world);
        float dummy = 0.0f;
        float d = climb_of(tz) - chase_pitch;
        wrap_angle(&d, &dummy);
        chase_pitch += 2.0f * step() * d;
        d = heading_of(tz) - chase_yaw;
        wrap_angle(&d, &dummy);
        chase_yaw += 2.0f * step() * d;
    }
    set_rotation(chase_yaw + look_yaw, look_pitch - chase_pitch, 0.0f);
    orbit = std::max(orbit - speeds[2], min_orbit + near_plane);
    // Behind the target along the camera's own (new) z axis, looking at it.
    const vec3 p = target->world_position() - get_axis_z(local) * orbit;
    set_position(p.x, p.y, p.z);
    translate_in_local_axes(speeds[0], speeds[1], speeds[3]);
}

void camera::track() {
    look_at(target);
    const vec3 z = get_axis_z(world);
    look_pitch = climb_of(z);
    look_yaw = -heading_of(z);
    if (zoom_relax) {
        // Far targets are magnified: the field of view narrows beyond 100 m.
        const float distance = length(vector_to(target));
        const float goal = std::pow(100.0f / std::max(100.0f, distance), 0.8f);
        fov += (goal - fov) * step();
    }
    translate_in_local_axes(speeds[0], speeds[1], speeds[2]);
}

void camera::ride_parent() {
    const vec3 v = transform_direction(speeds[0], speeds[1], speeds[2], local);
    translate_in_local_axes(v.x, v.y, v.z);
    set_rotation(-look_yaw, -look_pitch, 0.0f);
}

void camera::keep_above_ground() {
    const vec3 p = world_position();
    ground_height(p.x, p.z, &ground_h);
    sea_height(p.x, p.z, &sea_h);
    if (g_state != nullptr) {
        g_state->camera_alt = p.y + g_state->origin_offset.y;
        g_state->height_above_surface = p.y - std::max(ground_h, sea_h);
    }
    if (parent == nullptr && p.y - ground_h < ground_clearance) {
        set_position(p.x, ground_h + ground_clearance, p.z);
    }
    if (g_state != nullptr) {
        const float y = world.m[3][1];
        g_state->above_water = (near_plane + g_state->water_level < g_state->origin_offset.y + y) ? 1 : 0;
    }
}

void camera::finish_view() {
    mat_inverse(world, &inverse_world);
    inverse_dirty = 0;
    const vec3 x = get_axis_x(world);
    const vec3 y = get_axis_y(world);
    const vec3 z = get_axis_z(world);
    angles[0] = climb_of(z);
    angles[1] = heading_of(z);
    angles[2] = std::atan2(x.y, y.y);
    aux[0] = world;
    set_row(aux[0], 3, {});
    aux[1] = mat_rotation_x(-angles[0]);
    aux[2] = mat_rotation_y(angles[1]);
    aux[3] = aux[1] * aux[2];
}
