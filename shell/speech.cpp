#include "shell/speech.h"

speech* g_speech = nullptr;

speech::speech() = default;

speech::~speech() {
    if (g_speech == this) g_speech = nullptr;
}
