#include "world/puff_outline.h"

#include <algorithm>
#include <cmath>

namespace {

// Texels of margin around each visible texel: bilinear filtering reaches one texel from a
// texel's centre, half a texel past its edge; the other half keeps the rounding of the
// rasteriser's interpolation clear of the visible texels.
constexpr float k_margin = 1.0f;
// Corners closer than this (in texels) are one corner.
constexpr float k_same_corner = 1.0e-3f;
constexpr double k_pi = 3.14159265358979323846;

struct point {
    float x, y;
};

// The polygon while it is cut, in texels; one more corner than the outline can end with,
// as a cut adds at most one.
struct polygon {
    int count = 0;
    point p[puff_outline::k_max_corners + 4];
};

bool same_corner(point a, point b) {
    return std::fabs(a.x - b.x) <= k_same_corner && std::fabs(a.y - b.y) <= k_same_corner;
}

// Keeps the part of `in` where dx x + dy y <= limit.
polygon cut(const polygon& in, float dx, float dy, float limit) {
    polygon out;
    for (int i = 0; i < in.count; ++i) {
        const point a = in.p[i], b = in.p[(i + 1) % in.count];
        const float da = dx * a.x + dy * a.y - limit, db = dx * b.x + dy * b.y - limit;
        if (da <= 0.0f) out.p[out.count++] = a;
        if ((da < 0.0f && db > 0.0f) || (da > 0.0f && db < 0.0f)) {
            const float t = da / (da - db);
            out.p[out.count++] = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
        }
    }
    // Drop corners that coincide with the one before (a cut through a corner).
    polygon kept;
    for (int i = 0; i < out.count; ++i) {
        if (kept.count == 0 || !same_corner(out.p[i], kept.p[kept.count - 1])) kept.p[kept.count++] = out.p[i];
    }
    while (kept.count > 1 && same_corner(kept.p[0], kept.p[kept.count - 1])) --kept.count;
    return kept;
}

// The visible texels' farthest reach along (dx, dy), each texel taken as its square grown by
// the margin; false when no texel is visible.
bool reach(const image& picture, float dx, float dy, float* out) {
    bool any = false;
    float best = 0.0f;
    const float ox = dx > 0.0f ? 1.0f + k_margin : -k_margin;
    const float oy = dy > 0.0f ? 1.0f + k_margin : -k_margin;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if ((picture.pixel(x, y) >> 24) == 0) continue;
            const float r = dx * (static_cast<float>(x) + ox) + dy * (static_cast<float>(y) + oy);
            if (!any || r > best) best = r;
            any = true;
        }
    }
    *out = best;
    return any;
}

puff_outline from_texels(const polygon& shape, int width, int height) {
    puff_outline o;
    o.corners = std::min(shape.count, puff_outline::k_max_corners);
    for (int i = 0; i < o.corners; ++i) {
        o.u[i] = shape.p[i].x / static_cast<float>(width);
        o.v[i] = shape.p[i].y / static_cast<float>(height);
    }
    return o;
}

polygon sampled_square(int width, int height, float inset) {
    polygon s;
    const float x0 = inset, y0 = inset;
    const float x1 = static_cast<float>(width) - inset, y1 = static_cast<float>(height) - inset;
    s.count = 4;
    s.p[0] = {x0, y0};
    s.p[1] = {x1, y0};
    s.p[2] = {x1, y1};
    s.p[3] = {x0, y1};
    return s;
}

}  // namespace

puff_outline puff_outline::square(int width, int height, float inset) {
    if (width <= 0 || height <= 0) return {};
    return from_texels(sampled_square(width, height, inset), width, height);
}

puff_outline puff_outline::fit(const image& picture, float inset) {
    if (picture.empty()) return {};
    polygon shape = sampled_square(picture.width, picture.height, inset);
    for (int k = 0; k < k_directions && shape.count > 0; ++k) {
        // The axis directions exactly, so the square's own edges stay straight.
        const double angle = 2.0 * k_pi * k / k_directions;
        const float dx = k % (k_directions / 4) == 0 ? static_cast<float>(std::lround(std::cos(angle)))
                                                      : static_cast<float>(std::cos(angle));
        const float dy = k % (k_directions / 4) == 0 ? static_cast<float>(std::lround(std::sin(angle)))
                                                      : static_cast<float>(std::sin(angle));
        float limit = 0.0f;
        if (!reach(picture, dx, dy, &limit)) return {};
        shape = cut(shape, dx, dy, limit);
    }
    if (shape.count < 3) return {};
    return from_texels(shape, picture.width, picture.height);
}

bool puff_outline::contains(float pu, float pv) const {
    if (corners < 3) return false;
    // Inside a convex polygon: on the same side of every edge as the others.
    bool below = false, above = false;
    for (int i = 0; i < corners; ++i) {
        const int j = (i + 1) % corners;
        const float cross = (u[j] - u[i]) * (pv - v[i]) - (v[j] - v[i]) * (pu - u[i]);
        below = below || cross < 0.0f;
        above = above || cross > 0.0f;
    }
    return !(below && above);
}

float puff_outline::area() const {
    float twice = 0.0f;
    for (int i = 0; i < corners; ++i) {
        const int j = (i + 1) % corners;
        twice += u[i] * v[j] - u[j] * v[i];
    }
    return std::fabs(twice) / 2.0f;
}
