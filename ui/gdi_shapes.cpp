// The overlay's outlines on a pen surface, from the same points as the device's primitives.
#include "ui/gdi_shapes.h"

#include <cmath>

#include "platform/pen_surface.h"
#include "ui/marker_geometry.h"
#include "ui/overlay2d.h"

namespace {

// GUI coordinates far outside the screen (or not numbers) are held to a range whose pixels
// still fit an int; lines toward them keep their direction on the screen to a good degree.
constexpr float k_max_gui = 1.0e5f;

float bounded(float v) {
    if (!std::isfinite(v)) return v > 0 ? k_max_gui : (v < 0 ? -k_max_gui : 0.0f);
    return v < -k_max_gui ? -k_max_gui : (v > k_max_gui ? k_max_gui : v);
}

void move_to(pen_surface& dc, point2 p) {
    dc.move_to(overlay2d::to_virtual_x(bounded(p.x)), overlay2d::to_virtual_y(bounded(p.y)));
}

void line_to(pen_surface& dc, point2 p) {
    dc.line_to(overlay2d::to_virtual_x(bounded(p.x)), overlay2d::to_virtual_y(bounded(p.y)));
}

// A closed figure through the points.
void polygon(pen_surface& dc, const point2* p, int n) {
    move_to(dc, p[0]);
    for (int i = 1; i <= n; ++i) line_to(dc, p[i % n]);
}

}  // namespace

void gdi_draw_rect(pen_surface& dc, float x1, float y1, float x2, float y2) {
    const point2 p[4] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
    polygon(dc, p, 4);
}

void gdi_draw_rotated_rect(pen_surface& dc, float cx, float cy, float half_width,
                           float half_height, float angle) {
    point2 p[4];
    turned_box_corners(cx, cy, half_width, half_height, angle, p);
    polygon(dc, p, 4);
}

void gdi_draw_dart(pen_surface& dc, float cx, float cy, float r, float y_factor, float angle) {
    point2 p[4];
    dart_points(cx, cy, r, y_factor, angle, p);
    polygon(dc, p, 4);
}

void gdi_draw_direction_triangle(pen_surface& dc, float cx, float cy, float size, float angle) {
    point2 p[4];  // tip, barb, barb, tail
    direction_triangle_points(cx, cy, size, angle, p);
    for (int i = 1; i < 4; ++i) {
        move_to(dc, p[0]);
        line_to(dc, p[i]);
    }
}
