#include "simulation/rocket_launcher.h"

#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "platform/program_rand.h"
#include "simulation/rocket.h"
#include "simulation/weapon_tables.h"

namespace {

constexpr float k_g = 9.81f;
constexpr float k_shot_step = 0.1f;  // s, the step of the standard shot

bool verbose() { return g_app != nullptr && g_app->use_verbose != 0; }

// A draw of the program's rand in -1..1.
float signed_draw() { return 1.0f - 2.0f * static_cast<float>(program_rand()) / 32767.0f; }

}  // namespace

bool rocket_launcher::solve_launch_speed() {
    // The flat-earth guess for a drag-free shot; it needs a positive range and an elevation
    // strictly between the horizon and the vertical.
    const float lift = std::sin(2.0f * elevation);
    if (!(range > 0.0f) || !std::isfinite(range) || !std::isfinite(elevation) || !(lift > 1e-6f)) {
        log_line("Launcher %d: no launch speed for range %g m at elevation %g rad; it will not fire",
                 index + 1, static_cast<double>(range), static_cast<double>(elevation));
        refused = 1;
        return false;
    }
    refused = 0;
    const float guess = std::sqrt(range * k_g / lift);
    float low = 0.75f * guess, high = 1.25f * guess;
    float mid = 0.5f * (low + high);
    for (int step = 0; step < k_max_search_steps; ++step) {
        const float width = std::fabs(high - low);
        if (range > ballistic_range(mid, elevation, k_shot_step)) {
            low = mid;
        } else {
            high = mid;
        }
        mid = 0.5f * (low + high);
        if (width <= k_search_width) break;
    }
    launch_speed = mid;
    next_shot = static_cast<float>(interval) * static_cast<float>(program_rand()) / 32767.0f;
    return true;
}

void rocket_launcher::update() {
    const float dt = g_state != nullptr ? g_state->dt : 0.0f;
    if (std::isfinite(dt)) clock += dt;
    if (refused || !(clock > next_shot)) return;
    if (fired < count) {
        fire_rocket();
        next_shot = clock + static_cast<float>(interval);
        return;
    }
    next_shot = clock + k_empty_wait;
    if (verbose() && g_state != nullptr) {
        g_state->set_message("Launcher %d Is Empty", index + 1);
        services().speak(g_state->message);
    }
}

void rocket_launcher::fire_rocket() {
    weapon_tables* tables = installed_weapon_tables();
    if (tables == nullptr || tables->target_count >= weapon_tables::k_max_targets) return;
    const float elevation_shot = elevation + signed_draw() * spread / range;
    const float azimuth_shot = azimuth + signed_draw() * spread / range;
    float x = 0.0f, z = 0.0f;
    services().lon_lat_to_scene(east, north, &x, &z);
    if (tables->add_target(x, 0.0f, z, azimuth_shot, elevation_shot, launch_speed) == nullptr) return;
    ++fired;
    if (verbose() && g_state != nullptr) g_state->set_message("Rocket Launched From Launcher %d", index + 1);
}
