// The test control window: in test mode a strip of buttons along the bottom of the screen to
// launch a target and a missile, follow either with the camera, open the telescope, radar and
// flight graph views, and end the test. While open it samples the flight of the newest
// missile or target into the graph every tenth tick for the flight graph view.
#pragma once

// The window's state, zeroed on every build.
struct test_control_state {
    int graph_source = 0;     // 1 missile, 2 target, 0 none: where the samples come from
    int last_fired = 0;       // the test system's fired counter at the previous tick
    int tracking = 0;         // 0 none, 1 missile, 2 target
    int tracked_missile = 0;  // 1-based, 0 none
    int tracked_target = 0;   // 1-based, 0 none
};
extern test_control_state g_test_control;

// The graph's channel titles while a flight is sampled.
constexpr const char* k_flight_titles[8] = {
    "Time (sec)", "Velocity (m/s)", "Range (m)", "Altitude (m)", "Mach", "Maneuver (g)", "", "",
};
