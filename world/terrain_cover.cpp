// What the drawn land hides from the eye. The main view draws the land before the water, so
// water lying under the land is drawn only to fail the depth test: the sea leaves out the
// patches and far cells the land is shown to hide. The showing is geometric, on the near tiles' own
// vertices as drawn (after stitching, with the curvature drop the land program applies), so
// a left-out patch could not have put a pixel on the screen.
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/app_state.h"
#include "world/terrain.h"

namespace {

// The eye at least this far above the sea's top and the land below it: lines of sight then
// leave it downward and the land near it is beyond the near plane.
constexpr float k_clearance = 10.0f;
constexpr float k_apron_floor = 1.0f;  // metres of apron when the water is flat
// A 24-bit depth buffer: the depth step at distance d is about d^2 / (near x 2^24).
constexpr float k_depth_levels = 16777216.0f;
constexpr float k_depth_steps = 8.0f;

float water_level() { return g_state != nullptr ? g_state->water_level : 0.0f; }
float origin_y() { return g_state != nullptr ? g_state->origin_offset.y : 0.0f; }

int cell_of(float offset, float size, int count) {
    return std::clamp(static_cast<int>(std::floor(offset / size)), 0, count - 1);
}

// Hands each drawn height (tile-local, after the curvature drop) of the near tiles over the
// rectangle, one vertex beyond it on the far sides, to on_height; a tile skip_tile answers
// true for is passed over whole. False when the rectangle leaves the near grid, a tile's
// arrays are not the ones drawn, or on_height answers false.
template <typename SkipTile, typename OnHeight>
bool walk_drawn_land(const terrain& g, float x0, float z0, float x1, float z1, SkipTile skip_tile,
                     OnHeight on_height) {
    if (g.near_tiles.empty() || g.near_grid <= 0 || !(g.period > 0.0f) || !(x0 <= x1) || !(z0 <= z1)) {
        return false;
    }
    const terrain_tile& first = g.near_tiles.front();
    const float gx = g.grid_origin[0] + first.x;
    const float gz = g.grid_origin[2] + first.z;
    const float span = g.near_grid * g.period;
    if (!std::isfinite(gx) || !std::isfinite(gz) || x0 < gx || z0 < gz || x1 > gx + span || z1 > gz + span) {
        return false;
    }
    const int i1 = cell_of(z1 - gz, g.period, g.near_grid);
    const int j1 = cell_of(x1 - gx, g.period, g.near_grid);
    for (int i = cell_of(z0 - gz, g.period, g.near_grid); i <= i1; ++i) {
        for (int j = cell_of(x0 - gx, g.period, g.near_grid); j <= j1; ++j) {
            const terrain_tile& t = g.near_tiles[static_cast<std::size_t>(i) * g.near_grid + j];
            if (skip_tile(t)) continue;
            const int n = t.quads;
            if (n <= 0 || !(t.quad_size > 0.0f) || t.vertex_count != (n + 1) * (n + 1) ||
                t.vertices.size() < static_cast<std::size_t>(t.vertex_count)) {
                return false;
            }
            const float tx = g.grid_origin[0] + t.x;
            const float tz = g.grid_origin[2] + t.z;
            const int k1 = cell_of(z1 - tz, t.quad_size, n) + 1;
            const int l1 = cell_of(x1 - tx, t.quad_size, n) + 1;
            for (int k = cell_of(z0 - tz, t.quad_size, n); k <= k1; ++k) {
                for (int l = cell_of(x0 - tx, t.quad_size, n); l <= l1; ++l) {
                    const terrain_vertex& v = t.vertices[static_cast<std::size_t>(k) * (n + 1) + l];
                    if (!on_height(v.y - v.drop)) return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

bool terrain::land_range(float x0, float z0, float x1, float z1, float* lowest, float* highest) const {
    float lo = std::numeric_limits<float>::max();
    float hi = std::numeric_limits<float>::lowest();
    const auto keep_every_tile = [](const terrain_tile&) { return false; };
    const auto widen = [&](float y) {
        lo = std::min(lo, y);
        hi = std::max(hi, y);
        return true;
    };
    if (!walk_drawn_land(*this, x0, z0, x1, z1, keep_every_tile, widen)) return false;
    *lowest = lo - origin_y();
    *highest = hi - origin_y();
    return true;
}

bool terrain::land_above(float x0, float z0, float x1, float z1, float level) const {
    const float local_level = level + origin_y();  // against the tiles' own heights
    // The lowest point of the arrays last copied to the buffers answers for a whole tile
    // while they are current.
    const auto wholly_above = [&](const terrain_tile& t) {
        return t.uploaded_revision == t.revision && t.low > local_level;
    };
    const auto above = [&](float y) { return y > local_level; };
    return walk_drawn_land(*this, x0, z0, x1, z1, wholly_above, above);
}

// A line of sight from the eye to a water point P (at most reach below the level) that meets
// the land surface last at X before P: within the rectangle and its apron the land there is
// above the water's top, so X is on a drawn triangle. Outside them the line runs at least
// the apron's width to P while falling at least (eye height - top) / distance per metre, so
// X stands more than reach above P, above the water level: a drawn triangle again (the
// above-water list holds every triangle with a corner above the level). Either way X lies
// far enough in front of P for the depth buffer to tell them apart.
bool terrain::land_hides_water(const vec3& eye, float x0, float z0, float x1, float z1, float reach,
                                float near_plane) const {
    const float top = water_level() - origin_y() + std::max(reach, 0.0f);
    const float height = eye.y - top;
    if (!(height > k_clearance) || !(near_plane > 0.0f)) return false;
    float lowest = 0.0f, highest = 0.0f;
    if (!land_range(eye.x - k_clearance, eye.z - k_clearance, eye.x + k_clearance, eye.z + k_clearance,
                    &lowest, &highest) ||
        highest > eye.y - k_clearance) {
        return false;
    }
    const float dx = std::max(std::fabs(x0 - eye.x), std::fabs(x1 - eye.x));
    const float dz = std::max(std::fabs(z0 - eye.z), std::fabs(z1 - eye.z));
    const float farthest = std::sqrt(dx * dx + dz * dz);
    // The land stands this much higher again, so that along every line of sight it lies
    // several depth steps in front of the water: the depth test never had a tie to break.
    const float margin = k_depth_steps * (height + 2.0f * std::max(reach, 0.0f)) * farthest / (near_plane * k_depth_levels);
    const float apron = (std::max(reach, 0.0f) + margin) * farthest / height + k_apron_floor;
    return land_above(x0 - apron, z0 - apron, x1 + apron, z1 + apron, top + margin);
}

bool terrain::drawn_land_is_current() const {
    const float level = water_level();
    for (const std::vector<terrain_tile>* grid : {&near_tiles, &far_tiles}) {
        for (const terrain_tile& t : *grid) {
            if (t.vertex_count <= 0) continue;
            if (t.split_level != level) return false;
            if (t.index_count_above >= 3 && t.uploaded_revision != t.revision) return false;
        }
    }
    return true;
}
