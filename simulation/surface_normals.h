// Face normals of a triangle list, for the weapons' own meshes (airframe, warhead). A
// triangle without area (a body of revolution starting on its axis has one per step) has no
// normal of its own: it takes its neighbour's, so no normal is ever undefined.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/math3d.h"

// The unit normal of a triangle, or false when it has no area.
inline bool triangle_normal(const vec3& a, const vec3& b, const vec3& c, vec3* out) {
    const vec3 n = cross(b - a, c - a);
    const float len = length(n);
    if (!(len > 1e-12f) || !std::isfinite(len)) return false;
    *out = n / len;
    return true;
}

// Every vertex of triangle t gets the triangle's normal; a triangle without area takes the
// one before it (or, for leading ones, the first with an area; fallback when none has one).
template <class V>
void set_face_normals(std::vector<V>& v, std::size_t first, std::size_t end, const vec3& fallback) {
    vec3 last = fallback;
    bool have_last = false;
    std::vector<std::size_t> pending;  // leading triangles without area
    for (std::size_t t = first; t + 2 < end; t += 3) {
        vec3 n;
        if (triangle_normal(v[t].position, v[t + 1].position, v[t + 2].position, &n)) {
            last = n;
            if (!have_last) {
                for (std::size_t p : pending) v[p].normal = v[p + 1].normal = v[p + 2].normal = n;
                pending.clear();
            }
            have_last = true;
        } else if (!have_last) {
            pending.push_back(t);
        }
        v[t].normal = v[t + 1].normal = v[t + 2].normal = last;
    }
}

// The smoothing of a surface of revolution: in list order, each vertex of [first, end) takes
// the normalised sum of its own normal and the normals of every vertex there at exactly its
// position (itself included, in list order), using the normals already smoothed earlier in
// the pass. The vertices at one position are found by sorting, not by comparing every pair:
// the sums, and so the normals, are the same to the bit.
template <class V>
void smooth_shared_normals(std::vector<V>& v, std::size_t first, std::size_t end) {
    if (end <= first) return;
    const auto same = [&](std::size_t i, std::size_t j) {
        const vec3& a = v[i].position;
        const vec3& b = v[j].position;
        return a.x == b.x && a.y == b.y && a.z == b.z;
    };
    const auto before = [&](std::size_t i, std::size_t j) {
        const vec3& a = v[i].position;
        const vec3& b = v[j].position;
        if (a.x != b.x) return a.x < b.x;
        if (a.y != b.y) return a.y < b.y;
        return a.z < b.z;
    };
    // A position with a NaN matches nothing, not even itself.
    std::vector<std::size_t> order;
    order.reserve(end - first);
    for (std::size_t i = first; i < end; ++i) {
        if (same(i, i)) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), before);
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::vector<std::size_t> group_begin(end - first, none), group_end(end - first, none);
    for (std::size_t k = 0; k < order.size();) {
        std::size_t e = k + 1;
        while (e < order.size() && same(order[k], order[e])) ++e;
        for (std::size_t m = k; m < e; ++m) {
            group_begin[order[m] - first] = k;
            group_end[order[m] - first] = e;
        }
        k = e;
    }
    for (std::size_t i = first; i < end; ++i) {
        vec3 sum = v[i].normal;
        if (group_begin[i - first] != none) {
            for (std::size_t k = group_begin[i - first]; k < group_end[i - first]; ++k) sum += v[order[k]].normal;
        }
        const float len = length(sum);
        // Opposite normals at one point cancel: the vertex keeps its own.
        if (len > 1e-12f && std::isfinite(len)) v[i].normal = sum / len;
    }
}
