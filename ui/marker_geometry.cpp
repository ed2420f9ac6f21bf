// The points of markers and turned shapes.
#include "ui/marker_geometry.h"

#include <cmath>

#include "platform/math3d.h"

namespace {

// The barbs of a dart and of a direction arrow, in radians either side of the direction.
constexpr float k_dart_barb = 2.5f;
constexpr float k_arrow_barb = 2.88f;

}  // namespace

point2 marker_point(float cx, float cy, float r, float t, float k) {
    return {cx - r * std::sin(t), cy + k * r * std::cos(t)};
}

point2 turned_point(float cx, float cy, float x, float y, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return {cx + x * c - y * s, cy + k_marker_aspect * (x * s + y * c)};
}

void turned_box_corners(float cx, float cy, float hw, float hh, float angle, point2 out[4]) {
    out[0] = turned_point(cx, cy, -hw, -hh, angle);
    out[1] = turned_point(cx, cy, hw, -hh, angle);
    out[2] = turned_point(cx, cy, hw, hh, angle);
    out[3] = turned_point(cx, cy, -hw, hh, angle);
}

void dart_points(float cx, float cy, float r, float k, float angle, point2 out[4]) {
    out[0] = marker_point(cx, cy, r, angle, k);
    out[1] = marker_point(cx, cy, r, angle - k_dart_barb, k);
    out[2] = {cx, cy};
    out[3] = marker_point(cx, cy, r, angle + k_dart_barb, k);
}

void direction_triangle_points(float cx, float cy, float size, float angle, point2 out[4]) {
    const point2 tip = marker_point(cx, cy, size / 2, angle);
    out[0] = tip;
    out[1] = marker_point(tip.x, tip.y, size / 4, angle - k_arrow_barb);
    out[2] = marker_point(tip.x, tip.y, size / 4, angle + k_arrow_barb);
    out[3] = marker_point(cx, cy, size / 2, angle + k_pi);
}

void silhouette_points(float cx, float cy, float width, float height, float angle,
                       point2 out[k_silhouette_points]) {
    static constexpr float widths[5] = {0.0f, 0.75f, 1.0f, 1.0f, 0.75f};
    static constexpr float heights[5] = {1.0f, 0.5f, 0.0f, -0.5f, -1.0f};
    for (int i = 0; i < 5; ++i) {
        const float x = widths[i] * width, y = heights[i] * height;
        out[2 * i] = turned_point(cx, cy, -x, y, angle);
        out[2 * i + 1] = turned_point(cx, cy, x, y, angle);
    }
}
