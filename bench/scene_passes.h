// The frame benchmarks' argument: 0 the whole frame, 1-5 one off-screen pass alone
// (reflection, refraction, shadow, overhead, night vision).
#pragma once

#include "shell/scene.h"

inline void render_bench_pass(scene& world, int which) {
    switch (which) {
        case 1: world.render_reflection_pass(); break;
        case 2: world.render_refraction_pass(); break;
        case 3: world.render_shadow_pass(); break;
        case 4: world.render_overhead_pass(); break;
        case 5: world.render_night_vision_pass(); break;
        default: world.render_frame(); break;
    }
}
