// The application state's wind queries: the horizontal wind vector of the weather settings
// and the updraft the ground's slope makes of it, for rain, snow and the scenery scatter.
#include <algorithm>

#include "core/app_state.h"
#include "core/scene_services.h"

namespace {

// Over ground up to this height (m, absolute) the slope's updraft keeps its full strength at
// every altitude.
constexpr float k_fade_ground = 10.0f;

}  // namespace

vec3 app_state::wind_at(float x, float altitude, float z) const {
    float w = 0.0f;
    slope_updraft(x, altitude, z, &w);
    return {wind[0], w, wind[1]};
}

void app_state::slope_updraft(float x, float altitude, float z, float* w) const {
    float ground = 0.0f;
    vec3 n{0.0f, 1.0f, 0.0f};
    services().ground_height_normal(x, z, &ground, &n);
    // Wind blowing up the slope (against the normal's horizontal part) rises.
    float up = -(wind[0] * n.x + wind[1] * n.z);
    const float g = ground + origin_offset.y;
    if (g > k_fade_ground) up *= g / std::max(g, altitude + origin_offset.y);
    *w = up;
}
