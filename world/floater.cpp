#include "world/floater.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/app_state.h"
#include "core/scene_services.h"
#include "world/effect_drawing.h"

namespace {

constexpr float k_gravity = 9.81f;
constexpr float k_water_density = 1000.0f;  // kg/m3
constexpr float k_min_immersion = 0.5f;
constexpr float k_min_extent = 1.0f;

}  // namespace

hresult create_floater(frame* parent, floater** out) { return create_owned(parent, out); }

hresult destroy_floater(floater** variable) { return destroy_owned(variable); }

floater::floater() {
    type = FRAME_FLOATER;
    set_name("floater");
    layer = 4;
}

floater::~floater() = default;

void floater::set_up() {
    extent_x = std::max(k_min_extent, box.max.x - box.min.x);
    extent_y = std::max(k_min_extent, box.max.y - box.min.y);
    extent_z = std::max(k_min_extent, box.max.z - box.min.z);
    const float area = extent_x * extent_z;
    if (simulate_always) {
        rest_depth = std::min(std::max({k_min_immersion, immersion, mass / (area * k_water_density)}),
                              extent_x * 0.15f);
    } else {
        rest_depth = std::max(k_min_immersion, immersion);
        mass = rest_depth * k_water_density * area;
    }
    buoyancy_rate = k_gravity / rest_depth;
    buoyancy_force = buoyancy_rate * mass;
    pitch_inertia = mass * 0.25f * extent_z * extent_z;
    roll_inertia = mass * 0.25f * extent_x * extent_x;
    is_set_up = 1;
}

void floater::test_corners() {
    const float xs[4] = {box.min.x, box.max.x, box.min.x, box.max.x};
    const float zs[4] = {box.min.z, box.min.z, box.max.z, box.max.z};
    float sea_sum = 0.0f;
    for (int i = 0; i < 4; ++i) {
        corners[i] = transform_point(xs[i], box.min.y, zs[i], world);
        ground_height(corners[i].x, corners[i].z, &ground_heights[i]);
        sea_height(corners[i].x, corners[i].z, &sea_heights[i]);
        sea_sum += sea_heights[i] - corners[i].y;
    }
    // Opposite corners: 0 and 3, 1 and 2.
    auto above = [this](const float h[4]) {
        return h[0] + h[3] > corners[0].y + corners[3].y || h[1] + h[2] > corners[1].y + corners[2].y;
    };
    touching_ground = above(ground_heights) ? 1 : 0;
    in_water = above(sea_heights) ? 1 : 0;
    mean_penetration = sea_sum * 0.25f;
    contact_limit = rest_depth * 6.0f + immersion;
}

void floater::update() {
    if (!in_view && !simulate_always) {
        frame::update();
        return;
    }
    if (!is_set_up) set_up();
    test_corners();
    const float dt = frame_step();
    if (floats_on_sea && in_water) {
        wave_response(dt);
    } else if (touching_ground) {
        contact_response(dt);
    } else if (floats_on_sea) {
        free_fall(dt);
    }
    if (drift && in_water && !touching_ground && g_state != nullptr) {
        const float step = simulation_step();
        local.m[3][0] += step * g_state->current[0];
        local.m[3][2] += step * g_state->current[1];
    }
    update_matrices();
    frame::update();
}

void floater::side_balance(const float surface[4]) {
    for (int i = 0; i < 4; ++i) {
        penetrations[i] = std::clamp(surface[i] - corners[i].y, 0.0f, contact_limit);
    }
    side_means[0] = (penetrations[0] + penetrations[1]) * 0.5f;  // back (z min)
    side_means[1] = (penetrations[2] + penetrations[3]) * 0.5f;  // front (z max)
    side_means[2] = (penetrations[0] + penetrations[2]) * 0.5f;  // left (x min)
    side_means[3] = (penetrations[1] + penetrations[3]) * 0.5f;  // right (x max)
}

// A body simulated always (out of view too) also samples the middles of its left and right
// sides (x at the box's ends, z = 0), which join the corners of their sides and the mean; every
// penetration and the mean are the average of the new value and the last step's. Gives the
// mean.
float floater::sample_sides_smoothed() {
    const float xs[2] = {box.min.x, box.max.x};
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i) sum += penetrations[i];
    float middles[2];
    for (int s = 0; s < 2; ++s) {
        const vec3 p = transform_point(xs[s], box.min.y, 0.0f, world);
        float ground = 0.0f, sea = 0.0f;
        ground_height(p.x, p.z, &ground);
        sea_height(p.x, p.z, &sea);
        middles[s] = std::clamp(wave_surface(sea, ground) - p.y, 0.0f, contact_limit);
        sum += middles[s];
    }
    for (int i = 0; i < 4; ++i) penetrations[i] = (penetrations[i] + last_penetrations_[i]) * 0.5f;
    for (int s = 0; s < 2; ++s) middle_penetrations[s] = (middles[s] + middle_penetrations[s]) * 0.5f;
    std::copy(std::begin(penetrations), std::end(penetrations), std::begin(last_penetrations_));
    side_means[0] = (penetrations[0] + penetrations[1]) * 0.5f;
    side_means[1] = (penetrations[2] + penetrations[3]) * 0.5f;
    side_means[2] = (penetrations[0] + penetrations[2] + middle_penetrations[0]) / 3.0f;
    side_means[3] = (penetrations[1] + penetrations[3] + middle_penetrations[1]) / 3.0f;
    last_mean_ = (sum / 6.0f + last_mean_) * 0.5f;
    return last_mean_;
}

// One rate step: the imbalance of the sides (m) times the buoyancy over the extent turns the
// body back level; the signed square of the rate is damped.
float floater::angular_step(float rate, float imbalance, float extent, float inertia,
                            float damping, float dt, float* torque) const {
    *torque = rate * std::fabs(rate) * damping;
    const float acceleration = (imbalance / extent) * buoyancy_force * extent / inertia -
                               *torque - 0.2f * rate;
    return rate + acceleration * dt;
}

void floater::turn(float dt) {
    local = mat_yaw_pitch_roll(heading_rate * dt, pitch_rate * dt, roll_rate * dt) * local;
}

// The water under a point of the box's bottom: at least the immersion above the ground, so
// that a body in shallow water rests on the bottom.
float floater::wave_surface(float sea, float ground) const { return std::max(sea, ground + immersion); }

void floater::wave_response(float dt) {
    float surface[4];
    for (int i = 0; i < 4; ++i) surface[i] = wave_surface(sea_heights[i], ground_heights[i]);
    side_balance(surface);
    float mean = (penetrations[0] + penetrations[1] + penetrations[2] + penetrations[3]) * 0.25f;
    if (simulate_always) mean = sample_sides_smoothed();
    mean_penetration = mean;
    heave_acceleration = std::clamp(mean * buoyancy_rate - k_gravity - heave_damping * heave_speed,
                                    -k_max_acceleration, k_max_acceleration);
    heave_speed += heave_acceleration * dt;
    local.m[3][1] += heave_speed * dt;
    // A lower front lifts the nose (negative turn about x); a lower right side rolls up.
    pitch_rate = angular_step(pitch_rate, -(side_means[1] - side_means[0]), extent_z, pitch_inertia,
                              pitch_damping, dt, &pitch_torque);
    roll_rate = angular_step(roll_rate, side_means[3] - side_means[2], extent_x, roll_inertia,
                             roll_damping, dt, &roll_torque);
    local = mat_rotation_z(roll_rate * dt) * mat_rotation_x(pitch_rate * dt) * local;
    local = mat_rotation_y(heading_rate * simulation_step()) * local;
}

void floater::contact_response(float dt) {
    side_balance(ground_heights);
    const float mean = (penetrations[0] + penetrations[1] + penetrations[2] + penetrations[3]) * 0.25f;
    heave_acceleration = std::clamp(mean * buoyancy_rate, 0.0f, k_max_acceleration) -
                         heave_speed * heave_damping;
    heave_speed += heave_acceleration * dt;
    local.m[3][1] += heave_speed * dt;
    pitch_rate = angular_step(pitch_rate, -(side_means[1] - side_means[0]), extent_z, pitch_inertia,
                              pitch_damping, dt, &pitch_torque);
    roll_rate = angular_step(roll_rate, side_means[3] - side_means[2], extent_x, roll_inertia,
                             roll_damping, dt, &roll_torque);
    turn(dt);
}

void floater::free_fall(float dt) {
    heave_speed -= k_gravity * dt;
    local.m[3][1] += heave_speed * dt;
    const float keep = 1.0f - 2.0f * dt;
    pitch_rate *= keep;
    heading_rate *= keep;
    roll_rate *= keep;
    turn(dt);
}
