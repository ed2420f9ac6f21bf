#include "world/terrain_tile.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "world/terrain.h"

namespace {

constexpr double k_earth_radius = 6366707.0;  // metres, for the curvature drop

int lod_step_of(const terrain* t) { return t != nullptr ? t->lod_step : 1; }

}  // namespace

bool terrain_tile::init_tile(int samples_per_side, float cell, int base, const terrain* owner_terrain) {
    owner = owner_terrain;
    samples = samples_per_side;
    base_step = base;
    cell_size = cell;
    if (samples <= 0 || base <= 0) return false;
    const int n = samples / base;
    vertices.assign(static_cast<std::size_t>(n + 1) * (n + 1), terrain_vertex{});
    indices_above.assign(static_cast<std::size_t>(n) * n * 6, 0);
    indices_below.assign(static_cast<std::size_t>(n) * n * 6, 0);
    build_tile(base_step);
    return true;
}

void terrain_tile::rebuild_tile(int samples_per_side, float cell, int base, const terrain* owner_terrain) {
    owner = owner_terrain;
    samples = samples_per_side;
    base_step = base;
    cell_size = cell;
    build_tile(base_step);
}

void terrain_tile::build_tile(int new_step) {
    if (new_step <= 0 || samples <= 0) return;
    const int lod = lod_step_of(owner);
    ++revision;
    step = new_step;
    quads = samples / step;
    mip_level = 4;
    for (int m = 0; m < 4; ++m) {
        if (step <= (1 << m)) {
            mip_level = m;
            break;
        }
    }
    quad_size = step * cell_size * lod;
    // Near tiles repeat the land texture lod times across the tile, far tiles once a quad.
    const float t = base_step < 2 ? static_cast<float>(lod) / quads : static_cast<float>(lod);
    const int n = quads;
    vertex_count = (n + 1) * (n + 1);
    if (vertices.size() < static_cast<std::size_t>(vertex_count)) vertices.resize(vertex_count);
    for (int k = 0; k <= n; ++k) {
        for (int l = 0; l <= n; ++l) {
            terrain_vertex& v = vertices[k * (n + 1) + l];
            v = terrain_vertex{};
            v.x = l * quad_size;
            v.z = k * quad_size;
            v.u = l * t;
            v.v = k * t;
        }
    }
}

void terrain_tile::fill_tile(const std::int16_t* elevations, const std::uint8_t* class_map,
                             int slices, int columns, int rows, int c0, int r0) {
    const int s = lod_step_of(owner) * step;
    const float fill = g_state != nullptr ? g_state->fill_height : -100.0f;
    const float slice_count = static_cast<float>(std::max(1, slices));
    const int n = quads;
    maximum_height = 0.0f;
    for (int k = 0; k <= n; ++k) {
        for (int l = 0; l <= n; ++l) {
            terrain_vertex& v = vertices[k * (n + 1) + l];
            const long long c = c0 + static_cast<long long>(l) * s;
            const long long r = r0 + static_cast<long long>(k) * s;
            v.nx = 0.0f;
            v.ny = 1.0f;
            v.nz = 0.0f;
            v.drop = 0.0f;
            if (elevations == nullptr || class_map == nullptr || r < 0 || r + s >= rows || c < 0 ||
                c + s >= columns) {
                v.y = fill;
                v.slice = 0.0f;
                continue;
            }
            auto h_at = [&](long long rr, long long cc) {
                return static_cast<float>(elevations[rr * columns + cc]);
            };
            const float h = h_at(r, c);
            const vec3 normal = normalize(vec3{h - h_at(r, c + s), quad_size, h - h_at(r + s, c)});
            v.y = h;
            v.nx = normal.x;
            v.ny = normal.y;
            v.nz = normal.z;
            v.slice = ((class_map[r * columns + c] & 0x7F) + 0.25f) / slice_count;
            maximum_height = std::max(maximum_height, h);
        }
    }
    build_tile_indices();
    if (g_app == nullptr || !g_app->use_curvature || owner == nullptr) return;
    for (int i = 0; i < vertex_count; ++i) {
        terrain_vertex& v = vertices[i];
        const double px = static_cast<double>(v.x) + x + owner->grid_origin[0];
        const double pz = static_cast<double>(v.z) + z + owner->grid_origin[2];
        const double d2 = std::min(px * px + pz * pz, k_earth_radius * k_earth_radius);
        v.drop = static_cast<float>(k_earth_radius - std::sqrt(k_earth_radius * k_earth_radius - d2));
    }
}

void terrain_tile::build_tile_indices() {
    ++revision;
    const float water = g_state != nullptr ? g_state->water_level : 0.0f;
    split_level = water;
    const int n = quads;
    const std::size_t needed = static_cast<std::size_t>(n) * n * 6;
    if (indices_above.size() < needed) indices_above.resize(needed);
    if (indices_below.size() < needed) indices_below.resize(needed);
    index_count_above = 0;
    index_count_below = 0;
    auto add = [&](int a, int b, int c) {
        const float ha = vertices[a].y, hb = vertices[b].y, hc = vertices[c].y;
        if (ha <= water || hb <= water || hc <= water) {
            indices_below[index_count_below++] = static_cast<std::uint16_t>(a);
            indices_below[index_count_below++] = static_cast<std::uint16_t>(b);
            indices_below[index_count_below++] = static_cast<std::uint16_t>(c);
        }
        if (ha > water || hb > water || hc > water) {
            indices_above[index_count_above++] = static_cast<std::uint16_t>(a);
            indices_above[index_count_above++] = static_cast<std::uint16_t>(b);
            indices_above[index_count_above++] = static_cast<std::uint16_t>(c);
        }
    };
    for (int k = 0; k < n; ++k) {
        for (int l = 0; l < n; ++l) {
            const int a = k * (n + 1) + l;
            const int b = a + 1;
            const int d = a + (n + 1);
            const int e = d + 1;
            add(a, d, e);
            add(e, b, a);
        }
    }
}

void terrain_tile::stitch_tile(int edge) {
    ++revision;
    // The drawn height is the height less the curvature drop: both go onto the neighbour's
    // line, or the drop's bend would open a crack along the edge.
    stitch_edge(edge, &terrain_vertex::y);
    stitch_edge(edge, &terrain_vertex::drop);
}

void terrain_tile::stitch_edge(int edge, float terrain_vertex::*field) {
    const int n = quads;
    if (n < 2 || vertices.empty()) return;
    auto h = [&](int k, int l) -> float& { return vertices[k * (n + 1) + l].*field; };
    auto between = [](float a, float b, float w) { return a + (b - a) * w; };
    switch (edge) {
        case 0:
        case 1: {
            const int l = edge == 0 ? 0 : n;
            for (int k = 1; k < n; k += 2) h(k, l) = (h(k - 1, l) + h(k + 1, l)) * 0.5f;
            break;
        }
        case 2:
        case 3: {
            const int k = edge == 2 ? n : 0;
            for (int l = 1; l < n; l += 2) h(k, l) = (h(k, l - 1) + h(k, l + 1)) * 0.5f;
            break;
        }
        case 4:
        case 5: {
            const int k = edge == 4 ? n : 0;
            for (int l = 1; l < n; ++l) h(k, l) = between(h(k, 0), h(k, n), static_cast<float>(l) / n);
            break;
        }
        case 6:
        case 7: {
            const int l = edge == 6 ? 0 : n;
            for (int k = 1; k < n; ++k) h(k, l) = between(h(0, l), h(n, l), static_cast<float>(k) / n);
            break;
        }
        default:
            break;
    }
}

void terrain_tile::release_tile() {
    release_buffers();
    vertices.clear();
    indices_above.clear();
    indices_below.clear();
    vertex_count = index_count_above = index_count_below = 0;
}
