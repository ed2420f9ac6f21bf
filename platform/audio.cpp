#include "platform/audio.h"

#include <algorithm>
#include <cmath>

float volume_to_gain(int hundredths_db) {
    const int v = std::clamp(hundredths_db, DSBVOLUME_MIN, DSBVOLUME_MAX);
    if (v == DSBVOLUME_MIN) return 0.0f;
    return static_cast<float>(std::pow(10.0, v / 2000.0));
}
