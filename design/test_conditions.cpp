#include "design/test_conditions.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"
#include "simulation/missile_system.h"

namespace design {

namespace {

constexpr float k_step = 0.05f;          // s
constexpr int k_steps_per_point = 20;    // one point a second
constexpr float k_thrust = 50000.0f;     // N
constexpr float k_mass = 1000.0f;        // kg
constexpr float k_drag_area = 0.05f;     // m²
constexpr float k_drag_coefficient = 0.5f;
constexpr float k_rail_length = 100.0f;  // m: on the rail the target cannot turn
constexpr float k_gravity_step = 9.81f * k_step;
// Whole steps, so the limit does not depend on summing 0.05 s 72,000 times.
constexpr long k_max_steps = static_cast<long>(k_max_path_time / k_step + 0.5f);

}  // namespace

float air_density(float altitude) {
    if (altitude <= 11000.0f) return 1.225f * std::pow(1.0f - 2.2557e-5f * altitude, 4.2561f);
    return 2.06211f / std::exp(0.000157688f * altitude);
}

target_path compute_target_path(float speed, float elevation, float distance) {
    target_path path;
    float v = 0, theta = elevation, horizontal = 0, vertical = 0;
    float t = 0, x = 0, h = 0;
    bool thrust_on = true;
    long steps = 0;
    do {
        const float thrust = thrust_on ? k_thrust : 0.0f;
        thrust_on = v < speed;
        const float drag = air_density(h) * 0.5f * k_drag_area * v * v * k_drag_coefficient;
        const float a = (thrust - drag) / k_mass;
        if (v * t < k_rail_length) {
            v += k_step * a;
            horizontal = std::cos(theta) * v;
            vertical = std::sin(theta) * v;
        } else {
            horizontal += std::cos(theta) * k_step * a;
            vertical += std::sin(theta) * k_step * a - k_gravity_step;
            v = std::hypot(horizontal, vertical);
            theta = std::atan2(vertical, horizontal);
        }
        ++steps;
        t = static_cast<float>(steps) * k_step;
        x += k_step * horizontal;
        h += k_step * vertical;
        if (steps % k_steps_per_point == 0) path.points.push_back({distance - x, h});
    } while (h > 0 && x < distance && steps < k_max_steps);
    path.flight_time = t;
    return path;
}

bool bound_test_conditions(missile_system* sys) {
    if (sys == nullptr) return false;
    const float dist = std::clamp(sys->test_dist, k_min_test_distance, k_max_test_distance);
    const float launch = std::clamp(sys->test_launch, 0.0f, dist);
    const bool changed = dist != sys->test_dist || launch != sys->test_launch;
    sys->test_dist = dist;
    sys->test_launch = launch;
    return changed;
}

float launch_marker_x(float launch, float distance, float left, float right) {
    return left + (right - left) * launch / std::max(distance, k_min_test_distance);
}

bool is_test_site(const char* name) { return contains(name, "Test") || contains(name, "test"); }

}  // namespace design
