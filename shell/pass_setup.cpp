#include "shell/pass_setup.h"

#include <algorithm>
#include <cmath>

#include "world/clip_test.h"
#include "world/terrain.h"

namespace {

constexpr float k_min_look_down = -0.2f;  // the shadow's sight line points down at least this
constexpr int k_shadow_bisections = 3;
constexpr float k_overhead_altitude = 5000.0f;  // m above the world origin
constexpr float k_min_overhead_half = 128.0f;   // m
constexpr float k_overhead_depth_scale = 0.0001f;
// m: the water squares are tested this much larger than drawn, for rounding of the planes.
constexpr float k_water_allowance = 1.0f;

bool tile_water_in_view(const terrain& ground, const terrain_tile& tile, const mat4& view_projection,
                        float water_y) {
    if (!tile.has_buffers() || tile.index_count_below < 3) return false;
    const float side = static_cast<float>(tile.quads) * tile.quad_size;
    const float x = ground.grid_origin[0] + tile.x, z = ground.grid_origin[2] + tile.z;
    const vec3 lo{x - k_water_allowance, water_y - k_water_allowance, z - k_water_allowance};
    const vec3 hi{x + side + k_water_allowance, water_y + k_water_allowance, z + side + k_water_allowance};
    return box_in_view(lo, hi, view_projection);
}

std::uint32_t channel(float v) {
    // NaN becomes 0 as well.
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<std::uint32_t>(v);
}

}  // namespace

std::uint32_t pack_opaque_rgb(float r, float g, float b) {
    return 0xFF000000u | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

fog_setup compute_fog(const fog_inputs& in) {
    fog_setup out;
    if (in.above_water) {
        const float r = in.camera_alt / std::max(1.0f, in.fog_alt);
        const float r01 = std::clamp(r, 0.0f, 1.0f);
        out.mode = 1;
        out.distance = std::min(std::max(1.0f, r) * in.fog_air, in.max_fog);
        out.blended = (1.0f - r01) * in.fog_air + r01 * in.max_fog;
        out.distance_copy = out.distance;
        out.fog_colour = pack_opaque_rgb(static_cast<float>(in.sky_fog_rgb[0]),
                                         static_cast<float>(in.sky_fog_rgb[1]),
                                         static_cast<float>(in.sky_fog_rgb[2]));
        out.clear_colour = pack_opaque_rgb(in.sky_rgb[0] * 255.0f, in.sky_rgb[1] * 255.0f,
                                           in.sky_rgb[2] * 255.0f);
        for (int i = 0; i < 3; ++i) out.sun_rgb[i] = in.sun_rgb[i];
        const float grey = in.sun_rgb[1] * 128.0f;
        out.ambient_colour = pack_opaque_rgb(grey, grey, grey);
        return out;
    }
    const float h = in.height_above_surface;
    const float s = 2.0f * in.sea_fog;
    const float f = std::clamp((s + h) / std::max(1.0f, s), 0.0f, 1.0f) * in.sun_rgb[1];
    out.mode = 0;
    out.distance = in.sea_fog;
    out.blended = in.sea_fog;
    out.distance_copy = in.sea_fog;
    out.fog_colour = pack_opaque_rgb(static_cast<float>(in.sea_rgb[0]) * f,
                                     static_cast<float>(in.sea_rgb[1]) * f,
                                     static_cast<float>(in.sea_rgb[2]) * f);
    out.clear_colour = out.fog_colour;
    out.ambient_colour = out.fog_colour;
    out.sun_rgb[0] = 0.0f;
    out.sun_rgb[1] = f;
    out.sun_rgb[2] = f;
    const float depth = std::min(1.0f, (h + 50.0f) * 0.02f);
    for (float& d : out.depth_factors) d = depth;
    return out;
}

mat4 light_view(const vec3& eye, const vec3& direction) {
    const float elevation = std::asin(std::clamp(direction.y, -1.0f, 1.0f));
    const float heading = std::atan2(direction.x, direction.z);
    // The light's own axes turn its z onto the direction; the view undoes that.
    return mat_translation(-eye.x, -eye.y, -eye.z) * mat_rotation_y(-heading) *
           mat_rotation_x(elevation);
}

shadow_setup compute_shadow(const vec3& camera, vec3 forward, const vec3& light_direction,
                            float shadow_alt, const std::function<float(float, float)>& ground,
                            float sea_level) {
    forward.y = std::min(forward.y, k_min_look_down);
    float t = (ground(camera.x, camera.z) - camera.y) / forward.y;
    float lo = 0.0f;
    float hi = 2.0f * t;
    vec3 q = camera;
    for (int i = 0; i < k_shadow_bisections; ++i) {
        q = camera + forward * t;
        const float g = std::max(ground(q.x, q.z), sea_level);
        if (q.y <= g) {
            hi = t;
        } else {
            lo = t;
        }
        t = (lo + hi) * 0.5f;
    }
    shadow_setup out;
    out.distance = t + shadow_alt;
    out.ground_point = q;
    out.eye = q - light_direction * out.distance;
    out.view = light_view(out.eye, light_direction);
    out.projection = mat_ortho_lh(out.distance, out.distance, 0.0f, 4.0f * out.distance);
    return out;
}

overhead_setup compute_overhead(const overhead_inputs& in) {
    overhead_setup out;
    const float height = k_overhead_altitude - in.origin.y;
    float half = k_min_overhead_half;
    float cx = 0.0f, cz = 0.0f;
    if (!in.tracking) {
        half = std::max(k_min_overhead_half, 4.0f * in.camera_above_water);
        cx = in.camera.x + half * in.camera_forward.x;
        cz = in.camera.z + half * in.camera_forward.z;
    } else {
        half = std::max(k_min_overhead_half, in.object_distance);
        cx = in.object.x - 0.75f * half * in.object_forward.x;
        cz = in.object.z - 0.75f * half * in.object_forward.z;
    }
    out.centre_x = cx + in.origin.x;
    out.height = height;
    out.centre_z = cz + in.origin.z;
    out.half_size = half;
    out.view = mat_translation(-cx, -height, -cz) * mat_rotation_x(-k_pi / 2.0f);
    out.projection = mat_scaling(1.0f / half, 1.0f / half, k_overhead_depth_scale);
    return out;
}

bool water_in_view(const terrain& ground, const mat4& view_projection, float water_y, bool above_water) {
    if (!above_water || !ground.has_elevations() || ground.water.waves_shown) return true;
    for (const terrain_tile& tile : ground.near_tiles) {
        if (tile_water_in_view(ground, tile, view_projection, water_y)) return true;
    }
    for (const terrain_tile& tile : ground.far_tiles) {
        if (tile_water_in_view(ground, tile, view_projection, water_y)) return true;
    }
    return false;
}
