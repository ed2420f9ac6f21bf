// The terrain's height and position queries on the elevation grid: heights by triangle
// interpolation, masked heights, the smoothed normal, cell marks, the neighbourhood tests
// around the camera and the conversions between scene, grid and geographic positions.
#include <cmath>

#include "core/app_state.h"
#include "world/terrain.h"

namespace {

constexpr float k_degrees_per_radian = 57.29578f;

vec3 origin() { return g_state != nullptr ? g_state->origin_offset : vec3{}; }
float fill_height() { return g_state != nullptr ? g_state->fill_height : -100.0f; }

// The corner weights of the point (dx, dz) inside its cell, over the triangle it lies in;
// the cell's diagonal runs from corner 00 to corner 11. Order: w00, w10, w01, w11 (10 is one
// column east, 01 one row north).
struct corner_weights {
    float w00, w10, w01, w11;
};

corner_weights triangle_weights(float dx, float dz) {
    if (dz > dx) {
        // h00 + (h11 - h01) dx + (h01 - h00) dz
        return {1.0f - dz, 0.0f, dz - dx, dx};
    }
    // h00 + (h10 - h00) dx + (h11 - h10) dz
    return {1.0f - dx, dx - dz, 0.0f, dz};
}

}  // namespace

float terrain::interpolate(float fx, float fz) const {
    const int ix = static_cast<int>(fx);
    const int iz = static_cast<int>(fz);
    const float dx = fx - ix;
    const float dz = fz - iz;
    const float h00 = elevation(iz, ix);
    const float h10 = elevation(iz, ix + 1);
    const float h01 = elevation(iz + 1, ix);
    const float h11 = elevation(iz + 1, ix + 1);
    if (dz > dx) return h00 + (h11 - h01) * dx + (h01 - h00) * dz;
    return h00 + (h10 - h00) * dx + (h11 - h10) * dz;
}

void terrain::ground_height(float x, float z, float* height) const {
    const vec3 o = origin();
    const float fx = (x + o.x) / cell_size;
    const float fz = (z + o.z) / cell_size;
    if (has_elevations() && fx >= 0.0f && fx <= columns - 2 && fz >= 0.0f && fz <= rows - 2) {
        *height = interpolate(fx, fz) - o.y;
        return;
    }
    *height = fill_height() - o.y;
}

void terrain::class_ground_height(float x, float z, std::uint32_t mask, float* height) const {
    *height = k_no_ground;
    const vec3 o = origin();
    const float fx = (x + o.x) / cell_size;
    const float fz = (z + o.z) / cell_size;
    if (!has_elevations() || class_map.empty() || !(fx > 0.0f && fx < columns - 1 && fz > 0.0f &&
                                                    fz < rows - 1)) {
        return;
    }
    const std::size_t cell = static_cast<std::size_t>(fz) * columns + static_cast<std::size_t>(fx);
    const int c = class_map[cell];
    const bool free_cell = mark_map.empty() || mark_map[cell] == 0;
    const std::uint32_t bit = (c < 16 && free_cell) ? (1u << c) : 0u;
    if ((mask & bit) != 0) *height = interpolate(fx, fz) - o.y;
}

void terrain::ground_height_normal(float x, float z, float* height, float* normal) const {
    const vec3 o = origin();
    const float fx = (x + o.x) / cell_size;
    const float fz = (z + o.z) / cell_size;
    if (!has_elevations() || !(fx >= 1.0f && fx <= columns - 3 && fz >= 1.0f && fz <= rows - 3)) {
        *height = fill_height() - o.y;
        normal[0] = 0.0f;
        normal[1] = 1.0f;
        normal[2] = 0.0f;
        return;
    }
    *height = interpolate(fx, fz) - o.y;
    const int ix = static_cast<int>(fx);
    const int iz = static_cast<int>(fz);
    // Backward differences at the four corners, interpolated like the height.
    auto gx = [&](int r, int c) { return static_cast<float>(elevation(r, c) - elevation(r, c - 1)); };
    auto gz = [&](int r, int c) { return static_cast<float>(elevation(r, c) - elevation(r - 1, c)); };
    const corner_weights w = triangle_weights(fx - ix, fz - iz);
    const float sx = w.w00 * gx(iz, ix) + w.w10 * gx(iz, ix + 1) + w.w01 * gx(iz + 1, ix) +
                     w.w11 * gx(iz + 1, ix + 1);
    const float sz = w.w00 * gz(iz, ix) + w.w10 * gz(iz, ix + 1) + w.w01 * gz(iz + 1, ix) +
                     w.w11 * gz(iz + 1, ix + 1);
    const vec3 n = normalize(vec3{-sx, cell_size, -sz});
    normal[0] = n.x;
    normal[1] = n.y;
    normal[2] = n.z;
}

void terrain::mark_cell(float x, float z, std::uint8_t value) {
    const vec3 o = origin();
    const float fx = (x + o.x) / cell_size;
    const float fz = (z + o.z) / cell_size;
    if (mark_map.empty() || !(fx > 0.0f && fx < columns - 1 && fz > 0.0f && fz < rows - 1)) return;
    mark_map[static_cast<std::size_t>(fz) * columns + static_cast<std::size_t>(fx)] = value;
}

namespace {

// The camera's sample window: centre (ci column, cj row) and half size n.
struct sample_window {
    int ci = 0, cj = 0, n = 0;
    bool inside = false;
};

sample_window camera_window(float radius, float cell, int columns, int rows) {
    sample_window w;
    const vec3 o = origin();
    vec3 camera{};
    if (g_state != nullptr && g_state->camera_world != nullptr) {
        const mat4& m = *g_state->camera_world;
        camera = vec3{m.m[3][0], m.m[3][1], m.m[3][2]};
    }
    const double n = std::trunc(static_cast<double>(radius) / cell) + 1.0;
    const double ci = std::trunc((static_cast<double>(camera.x) + o.x) / cell);
    const double cj = std::trunc((static_cast<double>(camera.z) + o.z) / cell);
    if (!(n >= 0.0 && ci > n && ci < columns - n && cj > n && cj < rows - n)) return w;
    w.n = static_cast<int>(n);
    w.ci = static_cast<int>(ci);
    w.cj = static_cast<int>(cj);
    w.inside = true;
    return w;
}

}  // namespace

bool terrain::water_near_camera(float radius) const {
    if (!has_elevations()) return true;
    const sample_window w = camera_window(radius, cell_size, columns, rows);
    if (!w.inside) return true;
    const float level = g_state != nullptr ? g_state->water_level : 0.0f;
    for (int r = w.cj - w.n; r <= w.cj + w.n; ++r) {
        for (int c = w.ci - w.n; c <= w.ci + w.n; ++c) {
            if (elevation(r, c) < level) return true;
        }
    }
    return false;
}

bool terrain::class_near_camera(std::uint32_t mask, float radius) const {
    if (class_map.empty()) return false;
    const sample_window w = camera_window(radius, cell_size, columns, rows);
    if (!w.inside) return false;
    for (int r = w.cj - w.n; r <= w.cj + w.n; ++r) {
        for (int c = w.ci - w.n; c <= w.ci + w.n; ++c) {
            const int k = class_map[static_cast<std::size_t>(r) * columns + c];
            if (k < 16 && (mask & (1u << k)) != 0) return true;
        }
    }
    return false;
}

void terrain::grid_to_lon_lat(float* longitude, float* latitude, float x, float z) const {
    if (columns == 0 || rows == 0) {
        *longitude = x / k_metres_per_degree;
        *latitude = z / k_metres_per_degree;
        return;
    }
    const float lat = south + (north - south) * (z / cell_size) / rows;
    *latitude = lat;
    *longitude = (west + east) / 2.0f +
                 ((x / cell_size) / columns - 0.5f) * (east - west) / std::cos(lat / k_degrees_per_radian);
}

void terrain::lon_lat_to_grid(float longitude, float latitude, float* x, float* z) const {
    if (columns == 0 || rows == 0) {
        *x = longitude * k_metres_per_degree;
        *z = latitude * k_metres_per_degree;
        return;
    }
    *z = (latitude - south) * rows / (north - south) * cell_size;
    *x = (std::cos(latitude / k_degrees_per_radian) * (longitude - (west + east) / 2.0f) / (east - west) +
          0.5f) * columns * cell_size;
}

void terrain::scene_to_lon_lat(float* longitude, float* latitude, float x, float z) const {
    const vec3 o = origin();
    grid_to_lon_lat(longitude, latitude, x + o.x, z + o.z);
}

void terrain::lon_lat_to_scene(float longitude, float latitude, float* x, float* z) const {
    const vec3 o = origin();
    lon_lat_to_grid(longitude, latitude, x, z);
    *x -= o.x;
    *z -= o.z;
}
