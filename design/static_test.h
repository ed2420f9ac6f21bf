// The missile design screen's static test: the missile flies level from rest with its motor's
// thrust against drag, one step per tick, and the screen plots speed, range, Mach number and
// the manoeuvre it could pull. A pure step over plain numbers, so it is tested by hand.
#pragma once

namespace design {

struct static_test {
    float t = 0;  // s
    float v = 0;  // m/s
    float x = 0;  // m
    bool flying = false;
    int calls = 0;  // steps since the start; every 10th is sampled
};

// What one step reads from the missile.
struct flight_inputs {
    float thrust = 0;          // N
    float drag_coefficient = 0;
    float cn_alpha = 0;        // per rad
    float reference_area = 0;  // m²
    float dry_mass = 0;        // kg
    float propellant = 0;      // kg still in the motor
};

struct flight_sample {
    float t = 0, v = 0, x = 0;
    float mach = 0;  // before this step's change of speed
    float g = 0;     // manoeuvre capability
};

// The lightest mass the step flies with (kg): a motor larger than its airframe would otherwise
// give no mass or a negative one.
constexpr float k_least_test_mass = 0.1f;

// One step of dt seconds: mass = max(dry + propellant, 0.1); g = 0.25 x 0.6 S v² CNa /
// (9.81 mass); v += (thrust - 0.6 S v² CD) / mass dt, the drag stopping the missile at most;
// t += dt; x += v dt.
flight_sample static_test_step(static_test& s, const flight_inputs& in, float dt);

}  // namespace design
