// The points of the overlay's markers and turned shapes, shared by the device primitives and
// their twins on a 2-D drawing surface, so both draw the same shape from the same arguments.
//
// Coordinates are GUI units (y up). Markers place the point at angle t and radius r around
// (cx, cy) as (cx - r sin t, cy + k r cos t): t = 0 points up, angles grow counter-clockwise,
// and k = 4/3 makes equal lengths equal in pixels on the 640 x 480 virtual screen. Turned
// shapes rotate a local point (x, y) by an angle with the same 4/3 on the result's y.
#pragma once

struct point2 {
    float x, y;
};

constexpr float k_marker_aspect = 4.0f / 3.0f;

// The marker point at angle t, radius r, with the y factor k.
point2 marker_point(float cx, float cy, float r, float t, float k = k_marker_aspect);
// The local point (x, y) turned by the angle about (cx, cy).
point2 turned_point(float cx, float cy, float x, float y, float angle);
// The corners of a box of half-sizes hw, hh turned about its centre: local (-,-), (+,-),
// (+,+), (-,+), so consecutive corners share an edge.
void turned_box_corners(float cx, float cy, float hw, float hh, float angle, point2 out[4]);
// A dart: its tip p(a), the barb p(a - 2.5), the centre and the barb p(a + 2.5), the radius's
// y part scaled by k.
void dart_points(float cx, float cy, float r, float k, float angle, point2 out[4]);
// An arrow of a size along its direction: the tip p(a) at radius size / 2, the two barbs a
// quarter of the size back from the tip at 2.88 rad (165 degrees) either side of the
// direction, and the tail p(a + pi).
void direction_triangle_points(float cx, float cy, float size, float angle, point2 out[4]);

// The outline of a silhouette: five widths (0, 0.75, 1, 1, 0.75 of `width`) at the heights
// 1, 0.5, 0, -0.5, -1 of `height`, mirrored about the long axis and turned by the angle. Left
// and right points alternate from the nose (angle 0: up) to the tail, ten in all.
constexpr int k_silhouette_points = 10;
void silhouette_points(float cx, float cy, float width, float height, float angle,
                       point2 out[k_silhouette_points]);
