#include "core/sound.h"

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "core/sound_system.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "animal";

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
        camera_relative_motion(this, &position, &motion);
        buffer_3d->set_position(position);
        buffer_3d->set_velocity(motion);
    } else if (g_sound != nullptr) {
        g_sound->stop(buffer.get());
    }
}

bool sphere_ray_test(frame& f, const vec3& direction, const vec3& origin, frame** hit,
                     float* result) {
    const vec3 v = f.world_position() - origin;
    const float d = length(v);
    if (result != nullptr) *result = d;
    if (length(cross(direction, v)) > f.radius) return false;
    // The centre's distance, not the sphere surface's, counts as the hit.
    if (d > 0.0f && g_state != nullptr && d < g_state->nearest_hit) {
        g_state->nearest_hit = d;
        if (hit != nullptr) *hit = &f;
    }
    return true;
}

bool sound::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (active && hit_testable && !sphere_ray_test(*this, direction, origin, hit, result)) return false;
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

hresult destroy_sound(sound** variable) { return destroy_owned(variable); }

void place_sounds(const frame* at, const std::unique_ptr<sound_buffer>* buffers, int count) {
    if (at == nullptr || !sound_available() || !g_sound->sound_on) return;
    vec3 position, motion;
    camera_relative_motion(at, &position, &motion);
    for (int i = 0; i < count; ++i) {
        if (buffers[i] == nullptr) continue;
        check_result(buffers[i]->set_position(position), k_hr_source, __LINE__);
        check_result(buffers[i]->set_velocity(motion), k_hr_source, __LINE__);
    }
}
