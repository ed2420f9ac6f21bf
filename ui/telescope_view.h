// The telescope view: turns the 3-D view into a gun-sight. A zoom slider narrows the
// camera's field of view (1 to 100 times), "Night Vis" switches the renderer's night-vision
// pass, "OFF" closes the sight; closing in any way restores the field of view and turns night
// vision off. On every draw the sight shows a bearing tape along the top, an elevation tape
// at the right, the zoom factor, a centre box with cross-hairs and a frame, over the square
// (-1, -1)..(1, 1) of its window, dark by day and light at night.
#pragma once

// The marks of a tape: major ticks with their labels, and minor ticks between them. Positions
// are x along the bearing tape, y along the elevation tape.
struct telescope_tape {
    static constexpr int k_max_marks = 16;
    float major[k_max_marks] = {};
    int labels[k_max_marks] = {};
    int major_count = 0;
    float minor[k_max_marks] = {};
    int minor_count = 0;
};
// The bearing tape for a heading in degrees (labels 0..350).
telescope_tape telescope_bearing_tape(float heading_deg);
// The elevation tape for an elevation in degrees (labels without sign).
telescope_tape telescope_elevation_tape(float elevation_deg);

// The read-outs: the zoom factor ("X %3.1f"), the bearing ("%05.1f", 0..360) and the
// elevation ("%c %05.1f", '-' for 0 and below).
void telescope_zoom_text(char (&out)[32], float fov, float normal_fov);
void telescope_bearing_text(char (&out)[32], float heading_deg);
void telescope_elevation_text(char (&out)[32], float elevation_deg);

// Draws the sight in the current window's coordinates.
void draw_telescope_view();
