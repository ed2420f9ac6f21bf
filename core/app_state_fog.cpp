// The application state's sight-line fog: how far one sees from the camera to an object at
// another height, when the line crosses the top of the air fog layer or the water surface.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"

namespace {

// The visibility along a line from height c to height a that crosses a boundary at b: the
// part below it (u of the length t) has visibility `below`, the rest is clear. The whole line
// is seen through as far as the part below allows, never farther than `cap`.
float crossing_visibility(float a, float c, float b, float below, float cap) {
    const float t = std::fabs(a - c);
    const float u = std::min(t, b - std::min(a, c));
    return std::min(t * below / std::max(1.0f, u), cap);
}

}  // namespace

float app_state::path_fog_density(float altitude) const {
    const float a = altitude;
    const float c = camera_world != nullptr ? camera_world->m[3][1] : 0.0f;
    if (water_view) {
        const float w = water_level - origin_offset.y;
        if (std::min(a, c) > w) return fog_air;
        if (std::max(a, c) < w) return sea_fog;
        return crossing_visibility(a, c, w, sea_fog, fog_air);
    }
    if (!above_water) return sea_fog;
    const float top = fog_alt - origin_offset.y;
    if (std::min(a, c) > top) return max_fog;
    if (std::max(a, c) < top) return fog_air;
    return crossing_visibility(a, c, top, fog_air, max_fog);
}
