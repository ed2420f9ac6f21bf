// The guidance screen's pictures, in GUI units: the sketch of the three flight phases (boost,
// midcourse, terminal) as one arc that turns left from straight up, and the small animation
// in which a missile flies one of the four guidance laws against a target crossing from the
// right.
#pragma once

#include <cstdint>
#include <vector>

namespace design {

struct guidance_point {
    float x = 0;
    float y = 0;
};

// --- The phase sketch ---
// Each segment goes `step` in the heading, then the heading grows by 0.01 rad. The boost arc
// turns up to 0.5 rad with the fins lock time (0.1 rad a second); the terminal arc turns up to
// 0.5 rad with the detection range (0.5 rad at 5000 m); midcourse fills the rest of 0.8 rad.
// No arc has more than 200 segments, and values out of reach (a negative range) give an
// empty arc rather than an endless one.
constexpr int k_max_arc_segments = 200;

struct sketch_segment {
    guidance_point from;
    guidance_point to;
    std::uint32_t colour = 0;
};
struct guidance_sketch {
    std::vector<sketch_segment> segments;
    guidance_point boost_end;     // P1, where midcourse starts
    guidance_point midcourse_end; // P2, where the terminal phase starts
    guidance_point end;           // the terminal arc's end, where the target starts
    int boost_segments = 0;
    int midcourse_segments = 0;
    int terminal_segments = 0;
};
guidance_sketch sketch_guidance(guidance_point start, float step, float fins_lock_time,
                                float detection_range);

// --- The animation ---
// Laws in the order of the screen's two drop-downs, midcourse first.
enum : int {
    law_intercept_point = 0,
    law_line_of_sight = 1,
    law_dog_chase = 2,
    law_proportional = 3,
};

struct guidance_run {
    guidance_point launcher;
    guidance_point missile;
    guidance_point target;
    float heading = 0;         // the missile's, rad
    float target_heading = 0;  // rad
    float previous_sight = 0;  // the last line-of-sight angle, rad
    float launcher_angle = 0;  // the launcher icon's, rad
    int law = 0;
};

// One tick of dt seconds: the law turns the missile, then the missile flies 1.25 units a
// second and the target 1. True when the run ends: the missile was within 0.1 of the target
// (before the move) or the target has passed the left edge. A law outside 0..3 flies straight.
bool guidance_step(guidance_run& r, float dt, float left_edge);

}  // namespace design
