// Whether a box can reach the picture: the cheap test that keeps tiles and sea patches out
// of view from being drawn at all.
#pragma once

#include "platform/math3d.h"

// The box lo..hi (local coordinates) under to_clip (world x view x projection): false when
// all eight corners lie beyond one side of the clip volume (x and y within -w..w, z within
// 0..w), so nothing of it can be seen.
bool box_in_view(const vec3& lo, const vec3& hi, const mat4& to_clip);
