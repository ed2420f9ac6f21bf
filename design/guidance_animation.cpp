#include "design/guidance_animation.h"

#include <algorithm>
#include <cmath>

namespace design {

namespace {

constexpr float k_half_pi = 1.5707964f;
constexpr float k_turn_per_segment = 0.01f;  // rad
constexpr float k_sketch_turn = 0.8f;        // rad, the whole sketch
constexpr float k_phase_turn = 0.5f;         // rad, at most for boost and for terminal
constexpr std::uint32_t k_boost_colour = 0xA0FFFF00u;
constexpr std::uint32_t k_midcourse_colour = 0xA000FF00u;
constexpr std::uint32_t k_terminal_colour = 0xA0FF0000u;

// The turn of a phase: within 0..0.5 rad; a value that is not a number turns nothing.
float phase_turn(float turn) {
    if (!(turn > 0.0f)) return 0.0f;
    return std::min(k_phase_turn, turn);
}

// Walks one arc from (p, a) while a stays within the end angle; returns its segment count.
int walk_arc(guidance_point* p, float* a, float end_angle, float step, std::uint32_t colour,
             guidance_sketch* out) {
    int n = 0;
    while (*a <= end_angle && n < k_max_arc_segments) {
        const guidance_point next{p->x + step * std::cos(*a), p->y + step * std::sin(*a)};
        out->segments.push_back({*p, next, colour});
        *p = next;
        *a += k_turn_per_segment;
        ++n;
    }
    return n;
}

}  // namespace

guidance_sketch sketch_guidance(guidance_point start, float step, float fins_lock_time,
                                float detection_range) {
    guidance_sketch s;
    guidance_point p = start;
    float a = k_half_pi;
    s.boost_segments = walk_arc(&p, &a, k_half_pi + phase_turn(0.1f * fins_lock_time), step, k_boost_colour, &s);
    s.boost_end = p;
    s.midcourse_segments = walk_arc(&p, &a, k_half_pi + k_sketch_turn - phase_turn(detection_range / 10000.0f),
                                    step, k_midcourse_colour, &s);
    s.midcourse_end = p;
    s.terminal_segments = walk_arc(&p, &a, k_half_pi + k_sketch_turn, step, k_terminal_colour, &s);
    s.end = p;
    return s;
}

bool guidance_step(guidance_run& r, float dt, float left_edge) {
    const float dx = r.target.x - r.missile.x;
    const float dy = r.target.y - r.missile.y;
    const float range = std::hypot(dx, dy);
    const float sight = std::atan2(dy, dx);
    const float turn = std::clamp(sight - r.previous_sight, -0.1f, 0.1f);
    r.previous_sight = sight;
    const float sigma = std::atan2(r.target.y - r.launcher.y, r.target.x - r.launcher.x);

    switch (r.law) {
        case law_intercept_point:
            r.heading += 2.5f * turn;
            r.launcher_angle = r.heading;
            break;
        case law_line_of_sight: {
            // The launcher keeps the missile on its line of sight to the target.
            const float mu = std::atan2(r.missile.y - r.launcher.y, r.missile.x - r.launcher.x);
            const float away = std::hypot(r.missile.x - r.launcher.x, r.missile.y - r.launcher.y);
            r.heading = sigma + std::clamp(25.0f * away * (sigma - mu), -1.0f, 1.0f);
            r.launcher_angle = sigma;
            break;
        }
        case law_dog_chase:
            r.heading = sight;
            r.launcher_angle = 1.0f;
            break;
        case law_proportional:
            r.heading += 5.0f * turn;
            r.launcher_angle = 2.0f;
            break;
        default: break;
    }

    r.missile.x += 1.25f * dt * std::cos(r.heading);
    r.missile.y += 1.25f * dt * std::sin(r.heading);
    r.target.x += dt * std::cos(r.target_heading);
    r.target.y += dt * std::sin(r.target_heading);
    return range < 0.1f || r.target.x < left_edge;
}

}  // namespace design
