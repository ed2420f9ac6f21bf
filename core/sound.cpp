#include "core/sound.h"

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/sound_system.h"

namespace {

bool sound_available() { return g_sound != nullptr && g_sound->available; }

// The frame's position and last-tick motion in the camera's axes (x right, y up, z ahead);
// zero without a camera.
void motion_relative_to_camera(const frame& f, vec3* position, vec3* motion) {
    *position = vec3{};
    *motion = vec3{};
    if (g_state == nullptr || g_state->camera_world == nullptr) return;
    const mat4& cam = *g_state->camera_world;
    const vec3 ax = normalize(get_axis_x(cam));
    const vec3 ay = normalize(get_axis_y(cam));
    const vec3 az = normalize(get_axis_z(cam));
    const vec3 d = f.world_position() - get_translation(cam);
    *position = vec3{dot(d, ax), dot(d, ay), dot(d, az)};
    *motion = vec3{dot(f.last_motion, ax), dot(f.last_motion, ay), dot(f.last_motion, az)};
}

}  // namespace

sound::sound() {
    type = FRAME_SOUND;
    set_name("sound");
    layer = 4;
    box = box6{{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}};
    base_box = box;
    base_radius = 1.0f;
    radius = 1.0f;
}

// The buffer is released with the frame whether or not sound is still available: buffers
// keep their device alive, so this is always safe.
sound::~sound() {
    buffer_3d = nullptr;
    buffer.reset();
}

bool sound::load(const char* path) {
    if (!sound_available()) return false;
    set_name(path);
    if (!g_sound->load_wave(path, &buffer)) return false;
    buffer->set_volume(g_sound->volume_sounds);
    buffer_3d = buffer.get();
    // A failing minimum distance keeps the buffer; it is released with the frame.
    return check_result(buffer_3d->set_min_distance(radius), "animal", __LINE__);
}

void sound::render() { frame::render(); }

void sound::update_bounding_radius() {
    frame::update_bounding_radius();
    if (buffer_3d != nullptr) buffer_3d->set_min_distance(radius);
}

void sound::update() {
    if (k_range_radii * radius > camera_distance && buffer_3d != nullptr) {
        g_sound->play_looping(buffer.get());
        vec3 position, motion;
        motion_relative_to_camera(*this, &position, &motion);
        buffer_3d->set_position(position);
        buffer_3d->set_velocity(motion);
    } else if (g_sound != nullptr) {
        g_sound->stop(buffer.get());
    }
}

bool sound::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (active && hit_testable) {
        const vec3 v = world_position() - origin;
        const float d = length(v);
        *result = d;
        if (length(cross(direction, v)) > radius) return false;
        // The centre's distance, not the sphere surface's, counts as the hit.
        if (d > 0.0f && g_state != nullptr && d < g_state->nearest_hit) {
            g_state->nearest_hit = d;
            *hit = this;
        }
    }
    return frame::hit_test_ray(direction, origin, hit, result);
}

void sound::apply_volume() {
    frame::apply_volume();
    if (sound_available() && buffer != nullptr) buffer->set_volume(g_sound->volume_sounds);
}

void sound::stop_sounds() {
    frame::stop_sounds();
    if (sound_available() && buffer != nullptr) buffer->stop();
}

hresult create_sound(frame* parent, sound** out) { return create_owned(parent, out); }

hresult create_detached_sound(sound** out) { return create_owned(nullptr, out); }

hresult destroy_sound(sound** variable) {
    frame* f = *variable;
    destroy_frame(&f);
    *variable = nullptr;
    return S_OK;
}
