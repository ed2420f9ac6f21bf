// The part of a billboard picture worth drawing: a convex polygon in the picture's own texture
// coordinates (u, v: 0..1 across the whole picture) that holds every texel whose alpha is
// above 0, with a texel to spare on every side. Bilinear filtering reads a texel within one
// texel of its centre, so everywhere outside the polygon the filtered alpha is exactly 0;
// blended with (source alpha, inverse source alpha) such pixels change nothing, and a
// billboard drawn as the polygon gives the very picture of the whole square at fewer pixels.
//
// The polygon is the square the billboard samples (the picture less `inset` texels at each
// edge) cut by one straight edge per direction around the picture, each pushed out just far
// enough to clear the visible texels: an octagon for a round puff.
#pragma once

#include "platform/image.h"

struct puff_outline {
    static constexpr int k_directions = 8;  // edge directions, a multiple of 4
    static constexpr int k_max_corners = k_directions;
    int corners = 0;  // 0: nothing of the picture is visible
    float u[k_max_corners] = {};
    float v[k_max_corners] = {};

    // The whole sampled square, for a picture of the given size: the outline of an opaque
    // picture, or of a billboard drawn in full.
    static puff_outline square(int width, int height, float inset);
    // Fitted to the picture's texels with alpha above 0, corners in order around the polygon.
    static puff_outline fit(const image& picture, float inset);

    // True when (u, v) lies inside or on the polygon.
    bool contains(float pu, float pv) const;
    // The polygon's area as a share of the picture.
    float area() const;
};
