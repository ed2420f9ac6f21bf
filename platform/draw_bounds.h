// Whether a draw can reach any pixel, from the box round its vertex positions: a draw whose
// box lies wholly outside one side of the view volume, or wholly behind one enabled user
// clip plane, is cut away entirely by the clipper, so leaving it out changes no pixel. The
// software rasteriser spends several microseconds of the game's thread on every draw (and
// the vertex work of every vertex) before clipping finds that out; the box test costs a few
// dozen multiplications. Positions are the first three floats of each vertex.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

struct position_box {
    vec3 lo;
    vec3 hi;
    bool valid = false;  // false when empty or when a position is not a finite number
};

// The box round `count` positions `stride` bytes apart.
position_box box_of_positions(const std::uint8_t* vertices, int stride, int count);

// True when every corner of the box, placed by `world`, lies outside the same side of the view
// volume of `view_projection` (clip depth 0..1: near and far sides too), or behind the same
// enabled world-space plane (a x + b y + c z + d >= 0 is kept). A small margin keeps a box
// that touches a side.
bool box_drawn_nowhere(const position_box& box, const mat4& world, const mat4& view_projection,
                       const float (*planes)[4], int plane_count, std::uint32_t enabled_planes);
