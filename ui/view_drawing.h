// What the views (radar, map, telescope) share: the line list one view fills and draws at
// once, and where a missile system and a flying object stand and point.
#pragma once

#include <cstdint>

#include "platform/math3d.h"
#include "ui/overlay2d.h"

class frame;
class missile_system;

struct view_lines {
    static constexpr int k_max_vertices = 512;
    overlay_vertex vertices[k_max_vertices];
    int count = 0;
};
// The views' one line list (a view fills it and draws it within one draw event).
extern view_lines g_view_lines;

void view_lines_clear();
// Adds a line while the list has room.
void view_lines_add(float x1, float y1, float x2, float y2, std::uint32_t colour);
// Draws the list as one line list on the overlay's device and empties it.
void view_lines_draw();

// The frame that marks a missile system: its command post, else its radar; none without
// either.
const frame* system_frame(const missile_system* system);
// Heading of a frame's z axis, clockwise from north (+z) toward east (+x), in radians.
float frame_heading(const frame* f);
