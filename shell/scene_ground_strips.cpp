// The flat ground objects of a scenery: patches, runways and roads as grids laid on the
// terrain, and tracks as a raised bed of five lanes.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/scene_services.h"
#include "core/visual.h"
#include "platform/text.h"
#include "shell/scene.h"

namespace {

// Rows along a road or track: one every 10 m, at least 3, at most this many (a length from a
// file must not stall the load).
constexpr float k_row_spacing = 10.0f;
constexpr double k_max_rows = 10000.0;
// A patch or runway grid follows the terrain cells under it, at most this many a side (a million vertices at most).
constexpr double k_max_grid_side = 256.0;

int bounded_count(double value, int least, double most) {
    if (!(value >= least)) return least;
    return static_cast<int>(std::trunc(std::fmin(value, most)));
}

// The start of each row and its heading, turning by curvature / rows per row (twice before the
// last), rows advancing by length / (rows - 1).
struct row_start {
    float x, z, angle;
};
std::vector<row_start> row_starts(int rows, float heading, float length, float curvature) {
    std::vector<row_start> out;
    const float step = rows > 1 ? length / static_cast<float>(rows - 1) : 0.0f;
    const float turn = rows > 0 ? curvature / static_cast<float>(rows) : 0.0f;
    float angle = heading, x = 0.0f, z = 0.0f;
    for (int i = 0; i < rows; ++i) {
        out.push_back({x, z, angle});
        angle += turn;
        if (i == rows - 2) angle += turn;
        x += step * std::cos(angle);
        z += step * std::sin(angle);
    }
    return out;
}

// Two triangles of the quad a b c d (in order around it).
void quad(std::vector<model_vertex>* out, const model_vertex& a, const model_vertex& b, const model_vertex& c,
          const model_vertex& d) {
    out->insert(out->end(), {a, b, c, a, c, d});
}

}  // namespace

std::vector<model_vertex> scene::ground_strip_vertices(bool road, float heading, float width, float length,
                                                       float curvature, float scale_x, float scale_z, float cell) {
    int columns = 3, rows = 3;
    float v_repeat = 1.0f;
    if (road) {
        rows = bounded_count(static_cast<double>(length) / k_row_spacing, 3, k_max_rows);
        v_repeat = width > 0.0f ? length * 0.5f / width : 1.0f;
    } else {
        const double c = cell > 0.0f ? cell : 1.0f;
        columns = bounded_count(scale_x * 2.0 * width / c + 2.0, 2, k_max_grid_side);
        rows = bounded_count(scale_z * 2.0 * length / c + 2.0, 2, k_max_grid_side);
    }
    const std::vector<row_start> starts = row_starts(rows, heading, length, curvature);
    std::vector<model_vertex> grid;
    for (int r = 0; r < rows; ++r) {
        const row_start& s = starts[static_cast<std::size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            const float across = (static_cast<float>(c) / static_cast<float>(columns - 1) - 0.5f) * width;
            model_vertex v;
            v.x = s.x - std::sin(s.angle) * across;
            v.z = s.z + std::cos(s.angle) * across;
            v.u = static_cast<float>(c) / static_cast<float>(columns - 1);
            v.v = static_cast<float>(r) / static_cast<float>(rows - 1) * v_repeat;
            grid.push_back(v);
        }
    }
    std::vector<model_vertex> out;
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const auto at = [&](int rr, int cc) { return grid[static_cast<std::size_t>(rr * columns + cc)]; };
            quad(&out, at(r, c), at(r + 1, c), at(r + 1, c + 1), at(r, c + 1));
        }
    }
    return out;
}

std::vector<model_vertex> scene::track_vertices(const vec3& origin, float heading, float width, float length,
                                                float curvature, float height) {
    const int rows = bounded_count(static_cast<double>(length) / k_row_spacing, 3, k_max_rows);
    const std::vector<row_start> starts = row_starts(rows, heading, length, curvature);
    const float v_step = width > 0.0f ? (length * 0.5f / width) / static_cast<float>(rows - 1) : 0.0f;
    constexpr float k_across[5] = {-0.5f, -0.25f, 0.0f, 0.25f, 0.5f};
    std::vector<model_vertex> grid;
    for (int r = 0; r < rows; ++r) {
        const row_start& s = starts[static_cast<std::size_t>(r)];
        const float centre = services().ground_height(origin.x + s.x, origin.z + s.z);
        for (int c = 0; c < 5; ++c) {
            model_vertex v;
            v.x = s.x - std::sin(s.angle) * k_across[c] * width;
            v.z = s.z + std::cos(s.angle) * k_across[c] * width;
            const float here = services().ground_height(origin.x + v.x, origin.z + v.z);
            // The edges meet the ground; the bed stands `height` above the ground at its centre.
            const float y = (c == 0 || c == 4) ? std::min(centre, here) : centre + height;
            v.y = y - origin.y;
            v.u = static_cast<float>(c) * 0.25f;
            v.v = static_cast<float>(r) * v_step;
            grid.push_back(v);
        }
    }
    std::vector<model_vertex> out;
    for (int r = 0; r + 1 < rows; ++r) {
        for (int lane = 0; lane < 4; ++lane) {
            const auto at = [&](int rr, int cc) { return grid[static_cast<std::size_t>(rr * 5 + cc)]; };
            quad(&out, at(r, lane), at(r + 1, lane), at(r + 1, lane + 1), at(r, lane + 1));
        }
    }
    return out;
}

void scene::build_ground_strip(visual* strip, const char* name, float heading, float width, float length,
                               float curvature) {
    // The grid is the one of the kind the object is built as: a name holding "patch" or
    // "runway" is built as that ("road_patch" is a patch, scaled from 100 m), and its grid must
    // follow the terrain cells under the scaled strip, not three vertices across a road.
    const bool road = contains(name, "road") && !contains(name, "patch") && !contains(name, "runway");
    // The grid of a scaled patch follows the terrain cells under its scaled size.
    const mat4& m = strip->local;
    const float scale_x = ::length(vec3{m.m[0][0], m.m[0][1], m.m[0][2]});
    const float scale_z = ::length(vec3{m.m[2][0], m.m[2][1], m.m[2][2]});
    const std::vector<model_vertex> vertices =
        ground_strip_vertices(road, heading, width, length, curvature, scale_x, scale_z, ground.cell_size);
    if (!strip->create_vertex_buffer(PT_TRIANGLELIST, static_cast<int>(vertices.size()), vertices.data())) return;
    strip->set_texture(name, 0);
    strip->drape_on_ground();
}

void scene::build_track(visual* strip, const char* name, float heading, float width, float length, float curvature,
                        float height) {
    const std::vector<model_vertex> vertices =
        track_vertices(strip->world_position(), heading, width, length, curvature, height);
    if (!strip->create_vertex_buffer(PT_TRIANGLELIST, static_cast<int>(vertices.size()), vertices.data())) return;
    strip->set_texture(name, 0);
    // Its vertices already follow the ground (the bed raised above it): only marked.
    strip->mark_draped();
}
