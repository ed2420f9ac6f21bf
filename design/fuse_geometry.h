// The encounter the fuse screen draws: a target passing the missile at an offset distance d,
// seen by the fuse cone, the delay, and where the fragment spray crosses the target's line.
// Everything is in metres in the plot's frame: x along the missile's axis (0 where the
// missile is at detection), y across it (the target's line at y = d).
#pragma once

class warhead;

namespace design {

// The three speeds the fuse screen ties together (m/s) and the intercept angle (deg).
struct fuse_speeds {
    float closing = 0;
    float missile = 0;
    float target = 0;
    float lateral = 0;  // the target's speed across the missile's axis
};
// With the closing speed the one edited, the missile flies 0.6 of it and the target 0.4;
// otherwise the closing speed follows from the two speeds and the angle. The lateral speed
// follows from the target's speed and the angle in both cases.
void apply_fuse_speeds(bool closing_edited, float intercept_angle, fuse_speeds* v);

struct fuse_point {
    float x = 0;
    float y = 0;
};

struct fuse_inputs {
    float kill_distance = 0;    // R, m
    float offset = 0;           // d, m
    float length = 0;           // L, warhead length, m
    float fuse_offset = 0;      // f, m
    float fuse_angle = 0;       // phi, rad
    float fuse_delay = 0;       // t_d, ms
    float missile_speed = 0;    // V_m, m/s
    float target_speed = 0;     // V_t, m/s
    float intercept_angle = 0;  // theta, rad
    float fragment_speed = 0;   // V_f, m/s
    float taper = 0;            // k, the warhead's taper slope
    float expansion = 0;        // E, the spray's lateral expansion ratio
    float target_length = 0;    // l_t, m
};
// The warhead's fuse fields and the screen's speeds in the units above.
fuse_inputs fuse_inputs_of(const warhead& h, float intercept_angle_deg, float missile_speed,
                           float target_speed);

struct fuse_encounter {
    // False when the fragments do not fly out (fragment speed 0 or less): they never arrive,
    // so there is no hit, no target band and no fragment band.
    bool fragments_arrive = false;
    fuse_point missile_at_explosion;  // (s_del, 0)
    fuse_point target_detected;       // (x_det, d)
    fuse_point target_hit;            // (x_hit, y_hit)
    fuse_point fragments_zone;        // (x_frag, d)
    fuse_point ray[2];                // the fuse's line of sight at detection
    fuse_point target_band[4];        // corners in order around the quad
    fuse_point fragment_band[4];
    float hit_time = 0;               // s from detection to the fragments' arrival
};
fuse_encounter fuse_encounter_of(const fuse_inputs& in);

}  // namespace design
