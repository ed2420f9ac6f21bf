#include "shell/sound_system.h"

sound_system* g_sound = nullptr;

namespace {
// The media error "no device": what every command gets while there is no output.
constexpr int k_media_no_device = 266;
}  // namespace

sound_system::sound_system() = default;

sound_system::~sound_system() {
    if (g_sound == this) g_sound = nullptr;
}

void sound_system::init() { available = 0; }

bool sound_system::load_wave(const char*, std::unique_ptr<sound_buffer>* out) {
    if (out) out->reset();
    return false;
}

void sound_system::play_once(sound_buffer*) const {}
void sound_system::stop(sound_buffer*) const {}
void sound_system::set_volume(sound_buffer*, int) const {}
void sound_system::commit_listener() {}
void sound_system::release() { available = 0; }
void sound_system::open_music(const char*) {}
void sound_system::set_music_volume(int) {}
int sound_system::send_media_command(const char*) { return k_media_no_device; }

int send_media_command(const char* command) {
    return g_sound ? g_sound->send_media_command(command) : k_media_no_device;
}
