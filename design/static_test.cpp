#include "design/static_test.h"

#include <algorithm>
#include <cmath>

namespace design {

flight_sample static_test_step(static_test& s, const flight_inputs& in, float dt) {
    flight_sample out;
    s.flying = true;
    out.mach = s.v / 340.0f;
    const float mass = std::max(in.dry_mass + in.propellant, k_least_test_mass);
    const float q_s = 0.6f * in.reference_area * s.v * s.v;
    out.g = 0.25f * q_s * in.cn_alpha / (9.81f * mass);
    // Drag slows the missile at most to a stop within a step: a light airframe with a long
    // step would otherwise overshoot and swing further each step.
    const float slowing = std::min(q_s * in.drag_coefficient / mass * dt, std::fabs(s.v));
    s.v += in.thrust / mass * dt - slowing;
    s.t += dt;
    s.x += s.v * dt;
    ++s.calls;
    out.t = s.t;
    out.v = s.v;
    out.x = s.x;
    return out;
}

}  // namespace design
