// The radar view: a plan display of the area ahead of the camera. The camera sits at the
// middle of the bottom edge with its heading up; one display unit is R km forward and 0.75
// units stand for R km across. Kilometre lines, the missile systems with their protected
// radius and launch range, and the missiles and hostile rockets with their altitudes are
// drawn over the square (-1, -1)..(1, 1) of the window. A vertical slider and the wheel set
// R (the camera leaves the wheel to this view while it is shown).
#pragma once

#include "platform/math3d.h"

// The display range R in km: 5 on every opening, 1..25.5 by the slider, 1..25 by the wheel.
extern float g_radar_range;

// The grid of a display range: the label and line steps, the across lines (x of each) and
// the range lines (y of each), and the labels with the box corner they stand at.
struct radar_grid {
    static constexpr int k_max_lines = 128;
    struct label {
        float x, y;
        int km;
        bool across;
    };
    int label_step = 1;
    int line_step = 1;
    float across[k_max_lines] = {};
    int across_count = 0;
    float ranges[k_max_lines] = {};
    int range_count = 0;
    label labels[2 * k_max_lines] = {};
    int label_count = 0;
};
radar_grid radar_layout(float range_km);

// Where a world point (x, z) lies on the display for a camera at (cx, cz) whose z axis has
// the horizontal part (zx, zz).
vec2 radar_point(float x, float z, float cx, float cz, float zx, float zz, float range_km);

// "Heading %03d deg" for the compass heading of the camera's z axis (radians, east positive).
void radar_heading_caption(char (&out)[32], float heading_rad);

// Draws the display in the current window's coordinates.
void draw_radar_view(float range_km);
