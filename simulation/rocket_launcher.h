// One hostile launcher of a scenario: a plain record with a geographic position, an aim, a
// stock of rockets and a firing interval. The situation reader makes up to 8 and solves each
// one's launch speed for its range; each scene tick it fires one rocket whenever its interval
// has passed, until its stock is used up.
#pragma once

#include <cstdint>

class rocket_launcher {
public:
    // The bracket search for the launch speed stops after this many halvings or once the
    // bracket is this narrow (m/s).
    static constexpr int k_max_search_steps = 25;
    static constexpr float k_search_width = 0.1f;
    static constexpr float k_empty_wait = 10000.0f;  // s before an empty launcher reports again

    // Chooses the launch speed so that the standard target shot at this elevation reaches the
    // range, and draws the first shot within one interval. A range that is not a positive
    // finite number, or an elevation whose shot has no range (0, a right angle or beyond,
    // not finite), has no launch speed: the launcher is refused with a log line and never
    // fires. True when solved.
    bool solve_launch_speed();
    // Once per scene tick: fires when the clock passes the next shot.
    void update();
    // Fires one rocket into the scene (declined when 24 fly: the shot is lost, nothing counts).
    void fire_rocket();
    // Whether rockets remain to be fired (a refused launcher has none).
    bool has_rockets_left() const { return !refused && fired < count; }

    std::int32_t index = 0;        // place in the scene's table; messages show index + 1
    float spread = 250.0f;         // m, aim dispersion at the target distance
    float east = 0.0f;             // degrees
    float north = 0.0f;            // degrees
    float azimuth = 0.0f;          // rad, aim heading
    float elevation = 1.0f;        // rad
    float launch_speed = 500.0f;   // m/s, burn-out speed of each rocket
    float range = 10.0f;           // m, to the aim point
    std::int32_t fired = 0;
    std::int32_t count = 10;       // rockets in stock
    std::int32_t interval = 30;    // s between shots
    float clock = 0.0f;            // s of simulated time
    float next_shot = 0.0f;        // s
    std::uint8_t refused = 0;      // no launch speed could be solved
};
