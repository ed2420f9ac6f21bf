#include "shell/scene_proxie.h"

#include "core/gui_services.h"
#include "core/sound_system.h"
#include "shell/music_tracks.h"
#include "shell/scene.h"
#include "shell/speech.h"

scene_proxie::scene_proxie(scene* owner) : terrain_services(&owner->ground), owner_(owner) {}

void scene_proxie::shift_scene(const vec3& d) { owner_->shift_origin(d.x, d.y, d.z); }

frame* scene_proxie::objects_root() { return owner_->objects; }

frame* scene_proxie::transps_root() { return owner_->transps; }

void scene_proxie::forget_camera_target(frame* f) { owner_->forget_camera_target(f); }

void scene_proxie::camera_replace_object(frame* old_object, frame* new_object) {
    owner_->camera_replace_object(old_object, new_object);
}

void scene_proxie::draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                                      std::uint32_t colour) {
    gui_link().draw_selection_box(min, max, altitude_offset, colour);
}

void scene_proxie::draw_cross_marker(const vec3& at, float half_size, std::uint32_t colour) {
    gui_link().draw_cross_marker(at, half_size, colour);
}

void scene_proxie::draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour) {
    gui_link().draw_map_symbol(x, y, size, kind, colour);
}

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
    switch (mode) {
        case 0: g_sound->play_once(buffer); break;
        case 1: g_sound->restart(buffer); break;
        case 2: g_sound->play_looping(buffer); break;
        default: break;
    }
}

void scene_proxie::play_siren(int mode) { ::play_siren(mode); }

void scene_proxie::lon_lat_to_scene(float east, float north, float* x, float* z) {
    owner_->ground.lon_lat_to_scene(east, north, x, z);
}
