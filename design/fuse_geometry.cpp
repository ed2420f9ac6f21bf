#include "design/fuse_geometry.h"

#include <algorithm>
#include <cmath>

#include "simulation/warhead.h"

namespace design {

namespace {
constexpr float k_radians_per_degree = 0.017453293f;
}

void apply_fuse_speeds(bool closing_edited, float intercept_angle, fuse_speeds* v) {
    const float theta = intercept_angle * k_radians_per_degree;
    if (closing_edited) {
        v->missile = 0.6f * v->closing;
        v->target = 0.4f * v->closing;
    } else {
        v->closing = std::cos(theta) * v->target + v->missile;
    }
    v->lateral = std::sin(theta) * v->target;
}

fuse_inputs fuse_inputs_of(const warhead& h, float intercept_angle_deg, float missile_speed,
                           float target_speed) {
    fuse_inputs in;
    in.kill_distance = h.kill_distance;
    in.offset = h.miss_distance;
    in.length = h.LN / 100.0f;
    in.fuse_offset = h.fuse_offset / 100.0f;
    in.fuse_angle = h.fuse_angle * k_radians_per_degree;
    in.fuse_delay = h.fuse_delay;
    in.missile_speed = missile_speed;
    in.target_speed = target_speed;
    in.intercept_angle = intercept_angle_deg * k_radians_per_degree;
    in.fragment_speed = h.fragment_speed;
    in.taper = h.taper;
    in.expansion = h.ER;
    in.target_length = h.target_length / 100.0f;
    return in;
}

fuse_encounter fuse_encounter_of(const fuse_inputs& in) {
    fuse_encounter e;
    const float d = in.offset;
    const float x_det = d * std::tan(in.fuse_angle) + in.fuse_offset;
    const float s_del = in.missile_speed * in.fuse_delay / 1000.0f;
    e.missile_at_explosion = {s_del, 0};
    e.target_detected = {x_det, d};
    e.ray[0] = {in.fuse_offset, 0};
    e.ray[1] = {x_det, d};
    e.fragments_arrive = in.fragment_speed > 0.0f;
    if (!e.fragments_arrive) return e;

    const float t_hit = d / in.fragment_speed + in.fuse_delay / 1000.0f;
    const float s_t = in.target_speed * t_hit;
    const float x_hit = x_det - s_t * std::cos(in.intercept_angle);
    const float y_hit = d - s_t * std::sin(in.intercept_angle);
    const float x_frag = d * in.taper + in.missile_speed * t_hit;
    // The target's length as seen along the missile's axis.
    const float p = std::max(0.0f, in.target_length * std::cos(in.intercept_angle));
    const float spread = in.expansion * d / 2.0f;
    const float l = in.length;
    e.hit_time = t_hit;
    e.target_hit = {x_hit, y_hit};
    e.fragments_zone = {x_frag, d};
    e.target_band[0] = {x_hit + p - in.target_length, y_hit};
    e.target_band[1] = {x_hit + p, y_hit};
    e.target_band[2] = {s_del + l, 0};
    e.target_band[3] = {s_del, 0};
    e.fragment_band[0] = {x_frag - spread, d};
    e.fragment_band[1] = {x_frag + spread + l, d};
    e.fragment_band[2] = {s_del + l, 0};
    e.fragment_band[3] = {s_del, 0};
    return e;
}

}  // namespace design
