// Outlines of the overlay's shapes on a 2-D drawing surface rather than the graphics device:
// the same arguments in GUI units (y up, -1..1 across the 640 x 480 virtual screen), drawn
// with the surface's pen as lines between virtual-screen pixels (x = 320 x + 320,
// y = 240 - 240 y, truncated). For pictures composed before the device exists, such as the
// start-up splash.
#pragma once

class pen_surface;

// The box's outline: (x1, y1), (x2, y1), (x2, y2), (x1, y2) and back.
void gdi_draw_rect(pen_surface& dc, float x1, float y1, float x2, float y2);
// The outline of the box of half-sizes hw, hh turned about its centre (overlay2d's turned
// box and textured quad).
void gdi_draw_rotated_rect(pen_surface& dc, float cx, float cy, float half_width,
                           float half_height, float angle);
// The dart's outline: tip, barb, centre, barb, tip.
void gdi_draw_dart(pen_surface& dc, float cx, float cy, float r, float y_factor, float angle);
// The direction arrow: two barbs and the shaft from its tip.
void gdi_draw_direction_triangle(pen_surface& dc, float cx, float cy, float size, float angle);
