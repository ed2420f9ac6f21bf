#include "shell/scene_proxie.h"

#include "core/sound_system.h"
#include "shell/music_tracks.h"
#include "shell/scene.h"
#include "shell/speech.h"

scene_proxie::scene_proxie(scene* owner) : terrain_services(&owner->ground), owner_(owner) {}

void scene_proxie::shift_scene(const vec3& d) { owner_->shift_origin(d.x, d.y, d.z); }

frame* scene_proxie::objects_root() { return owner_->objects; }

frame* scene_proxie::transps_root() { return owner_->transps; }

void scene_proxie::forget_camera_target(frame* f) { owner_->forget_camera_target(f); }

void scene_proxie::camera_relative_motion(const frame* f, vec3* position, vec3* velocity) {
    if (f == nullptr) {
        *position = {};
        *velocity = {};
        return;
    }
    *position = owner_->viewer.local_position_of(f);
    *velocity = owner_->viewer.local_relative_velocity(f);
}

void scene_proxie::speak(const char* text) {
    if (g_speech != nullptr && g_speech->speech_on) g_speech->speak(text);
}

void scene_proxie::play_sound_slot(int slot, int mode) {
    if (g_sound == nullptr || slot < 0 || slot >= scene::k_sound_slot_count) return;
    sound_buffer* buffer = owner_->sound_slots[slot].get();
    if (mode == 1) {
        g_sound->restart(buffer);
    } else {
        g_sound->play_once(buffer);
    }
}

void scene_proxie::play_siren(int mode) { ::play_siren(mode); }

void scene_proxie::lon_lat_to_scene(float east, float north, float* x, float* z) {
    owner_->ground.lon_lat_to_scene(east, north, x, z);
}
