#include "shell/music_tracks.h"

#include "core/app_state.h"
#include "core/file_helpers.h"
#include "platform/text.h"
#include "core/sound_system.h"

namespace {

// The siren sounds at most once in this many ms.
constexpr std::uint32_t k_siren_hold_ms = 30000;

std::uint32_t g_siren_time = 0;

void stop_and_close() {
    send_media_command("stop MediaFile");
    send_media_command("close MediaFile");
}

// Opens a file on the channel at the music volume and plays it with the end-of-track notice.
void play_on_channel(const char* path) {
    g_sound->open_music(path);
    g_sound->set_music_volume(g_sound->volume_music);
    send_media_command("play MediaFile notify");
}

}  // namespace

void play_next_music() {
    if (g_sound == nullptr || !g_sound->available || !g_sound->music_on) return;
    stop_and_close();
    char name[260];
    copy_text(name, "music\\*.*");
    if (!pick_random_file_except(name, sizeof name, "intro.mp3")) return;
    char path[300];
    format_text(path, "music\\%s", name);
    play_on_channel(path);
}

void play_siren(int mode) {
    if (mode == 2) {
        stop_and_close();
        g_siren_time = 0;
    } else if (mode == 1) {
        g_siren_time = 0;
    } else if (mode == 0) {
        const std::uint32_t now = g_state ? g_state->now : 0;
        if (now <= g_siren_time || g_sound == nullptr || !g_sound->sound_on) return;
        stop_and_close();
        play_on_channel("sounds\\siren.mp3");
        g_siren_time = now + k_siren_hold_ms;
    }
}

std::uint32_t siren_time() { return g_siren_time; }
