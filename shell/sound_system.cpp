#include "shell/sound_system.h"

sound_system* g_sound = nullptr;

sound_system::sound_system() = default;

sound_system::~sound_system() {
    if (g_sound == this) g_sound = nullptr;
}
