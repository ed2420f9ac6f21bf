// The scene-wide sound operations: the event sounds of the sound slots and the volumes of
// every sound the scene holds.
#include <algorithm>

#include "core/frame.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "core/sound_system.h"
#include "shell/speech.h"

namespace {
// The event sounds loaded into slots 0 to 9 at start-up; slot 10 is the picker's preview.
constexpr const char* k_slot_files[] = {
    "sounds\\click.wav",   "sounds\\beep.wav",    "sounds\\mark.wav",   "sounds\\splash.wav",
    "sounds\\bang.wav",    "sounds\\shot.wav",    "sounds\\rocket1.wav", "sounds\\explode.wav",
    "sounds\\motor1.wav",  "sounds\\motor2.wav",
};
// The music channel takes volumes 0..1000.
constexpr int k_max_music_volume = 1000;
}  // namespace

void scene::load_sounds() {
    if (g_sound && g_sound->available) {
        int slot = 0;
        for (const char* file : k_slot_files) {
            // A file that fails leaves its slot empty; the loader logs it.
            g_sound->load_wave(file, &sound_slots[slot]);
            ++slot;
        }
    }
    apply_volumes();
}

void scene::play_slot(int slot) {
    if (!g_sound || slot < 0 || slot >= k_sound_slot_count) return;
    g_sound->play_once(sound_slots[slot].get());
}

void scene::stop_slot(int slot) {
    if (!g_sound || slot < 0 || slot >= k_sound_slot_count) return;
    g_sound->stop(sound_slots[slot].get());
}

void scene::stop_sounds() {
    if (g_sound) {
        for (auto& slot : sound_slots) g_sound->stop(slot.get());
    }
    for (frame* root : {transps, objects, anchors}) {
        if (root) root->stop_sounds();
    }
    stop_design_motor_sound();
}

void scene::apply_volumes() {
    if (g_sound) {
        for (auto& slot : sound_slots) g_sound->set_volume(slot.get(), g_sound->volume_sounds);
        for (int i = k_first_engine_slot; i <= k_last_engine_slot; ++i) {
            g_sound->set_volume(sound_slots[i].get(), g_sound->volume_engine);
        }
    }
    if (objects && anchors) {
        for (frame* root : {transps, objects, anchors}) {
            if (root) root->apply_volume();
        }
    }
    if (g_sound) {
        const int music = std::clamp(g_sound->volume_music, 0, k_max_music_volume);
        char command[64];
        format_text(command, "setaudio MediaFile volume to %d", music);
        g_sound->send_media_command(command);
        if (g_speech) g_speech->set_volume(g_sound->volume_speech);
    }
    if (design_missile) apply_design_motor_volume();
}

void scene::play_preview_sound(const char* file) {
    if (g_sound == nullptr || !g_sound->available) return;
    // The old preview goes first: a new one never plays over it.
    std::unique_ptr<sound_buffer>& slot = sound_slots[k_preview_slot];
    g_sound->stop(slot.get());
    slot.reset();
    if (file == nullptr || file[0] == '\0') return;
    if (!g_sound->load_wave(file, &slot)) return;
    g_sound->set_volume(slot.get(), g_sound->volume_sounds);
    g_sound->play_once(slot.get());
}
