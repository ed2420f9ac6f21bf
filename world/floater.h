// A simple rigid body for a scenery model (a boat, a buoy, a barrel) on the sea or the ground:
// it floats at the depth its mass and size call for, heaves, pitches and rolls on the waves,
// falls when nothing is under it, rests on the ground and drifts with the sea current. The model
// is its child; the floater moves its own local matrix.
//
// Afloat, buoyancy grows with the mean immersion of the box's bottom at 9.81 / rest depth per
// metre against gravity, so a body settles with its bottom at the rest depth (Archimedes: its
// mass over 1000 kg/m3 times its waterline area) and a calm sea keeps it level.
#pragma once

#include <cstdint>

#include "core/frame.h"

class floater : public frame {
public:
    static constexpr float k_max_acceleration = 50.0f;  // m/s2

    floater();
    ~floater() override;

    void update() override;

    // Derives the rest depth, mass, buoyancy and inertias from the box (first update).
    void set_up();
    // The four bottom corners, the surfaces under them and the mean immersion.
    void test_corners();

    float immersion = 1.0f;
    float rest_depth = 1.0f;
    float contact_limit = 6.0f;
    float heave_damping = 5.0f, pitch_damping = 5.0f, roll_damping = 5.0f;
    std::uint8_t is_set_up = 0;
    std::uint8_t simulate_always = 0;
    std::uint8_t floats_on_sea = 1;
    std::uint8_t drift = 0;
    std::uint8_t touching_ground = 0, in_water = 1;
    vec3 corners[4];             // world; x min/max then z min/max, at the box bottom
    float ground_heights[4] = {};
    float sea_heights[4] = {};
    float penetrations[4] = {};
    float side_means[4] = {};    // back, front, left, right
    float mean_penetration = 0.0f;
    // Simulated always: the middles of the left and right sides, smoothed like the corners.
    float middle_penetrations[2] = {};
    float heave_speed = 0.0f;
    float heave_acceleration = 0.0f;
    float pitch_rate = 0.0f, heading_rate = 0.0f, roll_rate = 0.0f;
    float pitch_torque = 0.0f, roll_torque = 0.0f;
    float extent_x = 1.0f, extent_y = 1.0f, extent_z = 1.0f;
    float mass = 1000.0f;
    float buoyancy_force = 1000.0f;
    float buoyancy_rate = 1.0f;
    float pitch_inertia = 1000.0f, roll_inertia = 1000.0f;

private:
    void wave_response(float dt);
    void contact_response(float dt);
    void free_fall(float dt);
    void turn(float dt);
    void side_balance(const float surface[4]);
    float wave_surface(float sea, float ground) const;
    float sample_sides_smoothed();
    float angular_step(float rate, float imbalance, float extent, float inertia, float damping,
                       float dt, float* torque) const;

    // The smoothed corner penetrations and mean immersion of the last wave step.
    float last_penetrations_[4] = {};
    float last_mean_ = 0.0f;
};

hresult create_floater(frame* parent, floater** out);
hresult destroy_floater(floater** variable);
