// The application state's two tape strips: the compass and the elevation pictures the status
// line scrolls under its heading and pitch marks. They are loaded with the other shared
// textures, outside the texture cache, and given back before the device goes.
#include "core/app_state.h"
#include "core/d3d_app.h"

namespace {

constexpr const char* k_compass_file = "graphics\\compass.jpg";
constexpr const char* k_elevation_file = "graphics\\elevation.jpg";
// White texels whose alpha is the picture's brightness: the strips' marks on a clear ground.
constexpr int k_tape_mode = 2;

void load_tape(const char* file, gfx_texture** slot) {
    // A second load keeps the strip it has; a failed one leaves none.
    if (*slot == nullptr) g_app->load_texture(file, slot, k_tape_mode, false);
}

}  // namespace

void app_state::load_tape_textures() {
    if (g_app == nullptr) return;
    load_tape(k_compass_file, &compass_texture);
    load_tape(k_elevation_file, &elevation_texture);
}

void app_state::release_tape_textures() {
    if (g_app == nullptr) return;
    g_app->release_texture(&compass_texture);
    g_app->release_texture(&elevation_texture);
}
