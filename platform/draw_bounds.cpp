#include "platform/draw_bounds.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Relative margin: a corner counts as outside only when clearly so, so that the rounding of
// the device's own transform cannot put a drawn vertex on the other side.
constexpr float k_margin = 1.0e-5f;

vec4 corner_of(const position_box& b, int i) {
    return vec4{(i & 1) ? b.hi.x : b.lo.x, (i & 2) ? b.hi.y : b.lo.y, (i & 4) ? b.hi.z : b.lo.z,
                1.0f};
}

// The clip-space sides as functions of (x, y, z, w) that are >= 0 inside.
float side_value(const vec4& c, int side) {
    switch (side) {
    case 0: return c.w + c.x;
    case 1: return c.w - c.x;
    case 2: return c.w + c.y;
    case 3: return c.w - c.y;
    case 4: return c.z;  // near (clip depth 0..1)
    default: return c.w - c.z;  // far
    }
}

float side_scale(const vec4& c) { return std::fabs(c.x) + std::fabs(c.y) + std::fabs(c.z) + std::fabs(c.w); }

}  // namespace

position_box box_of_positions(const std::uint8_t* vertices, int stride, int count) {
    position_box box;
    if (vertices == nullptr || stride < static_cast<int>(3 * sizeof(float)) || count <= 0) return box;
    float lo[3] = {}, hi[3] = {};
    for (int i = 0; i < count; ++i) {
        float p[3];
        std::memcpy(p, vertices + static_cast<std::size_t>(i) * static_cast<std::size_t>(stride), sizeof p);
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(p[k])) return position_box{};
            lo[k] = i == 0 ? p[k] : std::min(lo[k], p[k]);
            hi[k] = i == 0 ? p[k] : std::max(hi[k], p[k]);
        }
    }
    box.lo = vec3{lo[0], lo[1], lo[2]};
    box.hi = vec3{hi[0], hi[1], hi[2]};
    box.valid = true;
    return box;
}

bool box_drawn_nowhere(const position_box& box, const mat4& world, const mat4& view_projection,
                       const float (*planes)[4], int plane_count, std::uint32_t enabled_planes) {
    if (!box.valid) return false;
    vec4 placed[8];
    vec4 clip[8];
    const mat4 to_clip = world * view_projection;
    for (int i = 0; i < 8; ++i) {
        const vec4 c = corner_of(box, i);
        placed[i] = transform(c, world);
        clip[i] = transform(c, to_clip);
    }
    for (int side = 0; side < 6; ++side) {
        bool all_outside = true;
        for (int i = 0; i < 8 && all_outside; ++i) {
            all_outside = side_value(clip[i], side) < -k_margin * side_scale(clip[i]);
        }
        if (all_outside) return true;
    }
    for (int p = 0; p < plane_count && planes != nullptr; ++p) {
        if ((enabled_planes & (1u << p)) == 0) continue;
        const float* q = planes[p];
        bool all_behind = true;
        for (int i = 0; i < 8 && all_behind; ++i) {
            const vec4& w = placed[i];
            const float d = q[0] * w.x + q[1] * w.y + q[2] * w.z + q[3] * w.w;
            const float scale = std::fabs(q[0] * w.x) + std::fabs(q[1] * w.y) + std::fabs(q[2] * w.z) + std::fabs(q[3] * w.w);
            all_behind = d < -k_margin * scale;
        }
        if (all_behind) return true;
    }
    return false;
}
