#include "shell/speech.h"

speech* g_speech = nullptr;

speech::speech() = default;

speech::~speech() {
    if (g_speech == this) g_speech = nullptr;
}

bool speech::init() { return false; }
void speech::speak(const char*) {}
void speech::set_volume(int) {}
void speech::stop_speaking() {}
void speech::release() {
    voice_present = 0;
    voice_count = 0;
}
