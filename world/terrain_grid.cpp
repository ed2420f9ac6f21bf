// The terrain's tile grids: the 16 x 16 near tiles and the 5 x 5 far tiles (centre left out)
// that follow the camera, their per-tile level of detail and stitching, and the per-frame
// update that picks the global level-of-detail step and the off-screen passes the frame needs.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "world/terrain.h"

namespace {

constexpr int k_far_centre = 2;  // the far record under the near grid, never built
constexpr int k_max_lod_step = 1 << 12;

vec3 origin() { return g_state != nullptr ? g_state->origin_offset : vec3{}; }

bool is_far_centre(int i, int j) { return i == k_far_centre && j == k_far_centre; }

}  // namespace

void terrain::camera_position(vec3* position, vec3* forward) const {
    *position = vec3{};
    *forward = vec3{0.0f, 0.0f, 1.0f};
    if (g_state == nullptr || g_state->camera_world == nullptr) return;
    const mat4& m = *g_state->camera_world;
    *position = vec3{m.m[3][0], m.m[3][1], m.m[3][2]};
    *forward = vec3{m.m[2][0], m.m[2][1], m.m[2][2]};
}

void terrain::create_tile_grids() {
    near_tiles.clear();
    far_tiles.clear();
    recompute_period();
    near_tiles.resize(static_cast<std::size_t>(near_grid) * near_grid);
    far_tiles.resize(static_cast<std::size_t>(far_grid) * far_grid);
    for (terrain_tile& t : near_tiles) t.init_tile(tile_samples, cell_size, 1, this);
    for (int i = 0; i < far_grid; ++i) {
        for (int j = 0; j < far_grid; ++j) {
            if (is_far_centre(i, j)) continue;
            far_tiles[i * far_grid + j].init_tile(tile_samples * near_grid, cell_size, tile_samples, this);
        }
    }
    layout_tiles();
    create_tile_buffers();
}

void terrain::layout_tiles() {
    recompute_period();
    const float half_near = near_grid / 2.0f;
    for (int i = 0; i < near_grid && !near_tiles.empty(); ++i) {
        for (int j = 0; j < near_grid; ++j) {
            terrain_tile& t = near_tiles[i * near_grid + j];
            t.x = j * period - half_near * period;
            t.z = i * period - half_near * period;
            t.rebuild_tile(tile_samples, cell_size, 1, this);
        }
    }
    const float far_period = near_grid * period;
    const float half_far = far_grid / 2.0f;
    for (int i = 0; i < far_grid && !far_tiles.empty(); ++i) {
        for (int j = 0; j < far_grid; ++j) {
            if (is_far_centre(i, j)) continue;
            terrain_tile& t = far_tiles[i * far_grid + j];
            t.x = j * far_period - half_far * far_period;
            t.z = i * far_period - half_far * far_period;
            t.rebuild_tile(tile_samples * near_grid, cell_size, tile_samples, this);
        }
    }
}

void terrain::update_lod() {
    if (near_tiles.empty()) return;
    vec3 camera, forward;
    camera_position(&camera, &forward);
    const vec3 o = origin();

    if (has_depth && !water_map.empty() && g_state != nullptr) {
        const float cx = (camera.x + o.x) / cell_size;
        const float cz = (camera.z + o.z) / cell_size;
        if (cx > 0.0f && cx < columns && cz > 0.0f && cz < rows) {
            const int w = water_byte_at(static_cast<int>(cz), static_cast<int>(cx));
            g_state->water_level = w == 0 ? 0.0f : 4.0f * w - 512.0f;
        }
    }

    const float lod_distance = period * lod_factor;
    const int half = lod_step * tile_samples * near_grid / 2;
    column_offset = half - static_cast<int>((grid_origin[0] + o.x) / cell_size + 0.1f);
    row_offset = half - static_cast<int>((grid_origin[2] + o.z) / cell_size + 0.1f);
    const vec3 rel{camera.x - grid_origin[0] - period / 2.0f, camera.y + o.y,
                   camera.z - grid_origin[2] - period / 2.0f};

    const std::int16_t* heights = elevations.empty() ? nullptr : elevations.data();
    const std::uint8_t* classes = class_map.empty() ? nullptr : class_map.data();
    const int tile_span = lod_step * tile_samples;
    for (int i = 0; i < near_grid; ++i) {
        for (int j = 0; j < near_grid; ++j) {
            terrain_tile& t = near_tiles[i * near_grid + j];
            const float d = length(vec3{t.x, t.maximum_height, t.z} - rel);
            const int k = static_cast<int>(std::min(d / lod_distance, 8.0f));
            const int step = std::min(1 << std::max(0, k), tile_samples);
            if (step != t.step) t.build_tile(step);
            t.fill_tile(heights, classes, land_slice_count, columns, rows, tile_span * j - column_offset,
                        tile_span * i - row_offset);
        }
    }
    stitch_near_tiles();

    const int far_span = tile_samples * near_grid * lod_step;
    for (int i = 0; i < far_grid; ++i) {
        for (int j = 0; j < far_grid; ++j) {
            if (is_far_centre(i, j)) continue;
            far_tiles[i * far_grid + j].fill_tile(heights, classes, land_slice_count, columns, rows,
                                                  far_span * (j - 2) - column_offset,
                                                  far_span * (i - 2) - row_offset);
        }
    }
}

void terrain::stitch_near_tiles() {
    auto step_at = [&](int i, int j) {
        if (i < 0 || j < 0 || i >= near_grid || j >= near_grid) return tile_samples;
        return near_tiles[i * near_grid + j].step;
    };
    for (int i = 0; i < near_grid; ++i) {
        for (int j = 0; j < near_grid; ++j) {
            terrain_tile& t = near_tiles[i * near_grid + j];
            const int s2 = 2 * t.step;
            if (step_at(i, j - 1) == s2) t.stitch_tile(0);
            if (step_at(i, j + 1) == s2) t.stitch_tile(1);
            if (step_at(i + 1, j) == s2) t.stitch_tile(2);
            if (step_at(i - 1, j) == s2) t.stitch_tile(3);
        }
    }
    // The near grid's border meets the far tiles' coarse edges.
    const int last = near_grid - 1;
    for (int k = 0; k < near_grid; ++k) {
        terrain_tile& south_tile = near_tiles[0 * near_grid + k];
        terrain_tile& north_tile = near_tiles[last * near_grid + k];
        terrain_tile& west_tile = near_tiles[k * near_grid + 0];
        terrain_tile& east_tile = near_tiles[k * near_grid + last];
        if (south_tile.step != tile_samples) south_tile.stitch_tile(5);
        if (north_tile.step != tile_samples) north_tile.stitch_tile(4);
        if (west_tile.step != tile_samples) west_tile.stitch_tile(6);
        if (east_tile.step != tile_samples) east_tile.stitch_tile(7);
    }
}

void terrain::shift_grid_origin(float dx, float dy, float dz) {
    grid_origin[0] += dx;
    grid_origin[1] += dy;
    grid_origin[2] += dz;
}

void terrain::reset_grid_origin() {
    const vec3 o = origin();
    grid_origin[0] = -std::fmod(o.x, period);
    grid_origin[1] = -std::fmod(o.y, period);
    grid_origin[2] = -std::fmod(o.z, period);
}

void terrain::decide_passes(float altitude_over_water, float sea_range) {
    const bool night_vision = g_app != nullptr && g_app->night_vision != 0;
    water.waves_shown = use_waves && sea_range > altitude_over_water &&
                        water_near_camera(sea_range / 2.0f);
    water_in_view = (use_refmap || use_refrac) && 2.0f * sea_range > altitude_over_water;
    if (g_state != nullptr) {
        const bool caustics = g_app != nullptr && g_app->use_caustics != 0;
        g_state->rain = caustics && (water_in_view || altitude_over_water <= 0.0f);
    }
    vec3 camera, forward;
    camera_position(&camera, &forward);
    float ground = 0.0f;
    ground_height(camera.x, camera.z, &ground);
    const bool shadow_option = g_app != nullptr && g_app->use_shadow != 0;
    const float shadow_alt = g_state != nullptr ? g_state->shadow_alt : 0.0f;
    const bool night = g_state != nullptr && g_state->night != 0;
    shadow = shadow_option && shadow_alt > camera.y - ground && !night;

    passes.reflection = use_refmap && water_in_view;
    passes.refraction = use_refrac && water_in_view;
    passes.overhead = water.waves_shown != 0;
    passes.shadow = shadow != 0;
    passes.night_vision = night_vision;
}

void terrain::run_passes() const {
    if (passes.reflection) render_reflection();
    if (passes.refraction) render_refraction();
    if (passes.overhead) render_overhead();
    if (passes.shadow) render_shadow();
    if (passes.night_vision) render_night_vision();
}

void terrain::follow_camera(const vec3& camera, const vec3& forward) {
    const float target[3] = {camera.x - grid_origin[0] + half_extent * forward.x,
                             camera.y - grid_origin[1],
                             camera.z - grid_origin[2] + half_extent * forward.z};
    float move[3];
    bool moved = false;
    for (int a = 0; a < 3; ++a) {
        move[a] = target[a] - std::fmod(target[a], period);
        if (std::fabs(move[a]) > 1.0f) moved = true;
    }
    if (!moved) return;
    shift_grid_origin(move[0], move[1], move[2]);
    update_lod();
}

void terrain::update() {
    vec3 camera, forward;
    camera_position(&camera, &forward);
    const vec3 o = origin();
    const float altitude = camera.y + o.y;

    const float v = std::max(1.0f, altitude * 32.0f / (near_grid * tile_samples * cell_size));
    // Far above any altitude the terrain is updated at, yet small enough for sample sums.
    const int k = static_cast<int>(std::min(v, static_cast<float>(k_max_lod_step)));
    int step = 1;
    while (step * 2 <= k) step *= 2;
    if (step != lod_step) {
        lod_step = step;
        layout_tiles();
        update_lod();
    }

    const float water_level = g_state != nullptr ? g_state->water_level : 0.0f;
    const float h = altitude - water_level;
    const float sea_range = water.patch_size * 0.002f * water.lod_distance;
    water_height_ratio = h / sea_range;
    decide_passes(h, sea_range);
    run_passes();
    follow_camera(camera, forward);
    water.update();

    if (water.waves_shown) {
        wave_scale = water.cell_size;
    } else {
        const float scale = h / 600.0f + water.cell_size;
        if (scale < 10.0f && std::fabs(scale - wave_scale) > 0.5f) wave_scale = scale;
    }
}
