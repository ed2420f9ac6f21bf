// The arithmetic of the test conditions screen, apart from its window: the flight of the test
// target as the screen plots it (a rocket of 1000 kg pushed by 50 kN until it reaches the test
// speed, with drag in the standard atmosphere and gravity, launched at the test elevation from
// the far end of the test distance toward the launcher), the bounds of the conditions, where
// the launch marker stands, and which situations are launch sites.
#pragma once

#include <vector>

class missile_system;

namespace design {

// One point of the path: distance to the launcher (m) and altitude (m).
struct path_point {
    float distance = 0;
    float altitude = 0;
};

struct target_path {
    std::vector<path_point> points;  // one per second of flight
    float flight_time = 0;           // s, when the path ended
};

// The path stops when the target comes down, reaches the launcher, or has flown
// k_max_path_time (a target climbing straight up would never do either).
constexpr float k_max_path_time = 3600.0f;
target_path compute_target_path(float speed, float elevation, float distance);

// Air density (kg/m³) at an altitude (m): the troposphere's power law up to 11 km, the
// exponential of the stratosphere above.
float air_density(float altitude);

// The shortest target distance (m): the plot and the launch marker divide by it. The longest
// is what a situation file may hold, and keeps km typed into the screen finite in metres.
constexpr float k_min_test_distance = 1.0f;
constexpr float k_max_test_distance = 1.0e7f;
// Distance within k_min_test_distance..k_max_test_distance, launch distance within
// 0..distance. True when a value changed.
bool bound_test_conditions(missile_system* sys);
// The launch marker's x (GUI units) in the plot, whose distance axis runs from `left` (0) to
// `right` (the target distance).
float launch_marker_x(float launch, float distance, float left, float right);
// Whether a situation (its name without the extension) is a launch site: its name holds
// "Test" or "test".
bool is_test_site(const char* name);

}  // namespace design
