// Drawing the ground and the water over it: land with its texture volumes through the land
// programs (detail on the nearest tiles, the shadow map when the shadow pass ran), the
// fixed-function passes below the water with the additive caustics, the land seen through
// the water in the refraction pass, and the water over the tiles' below-water triangles.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/model_shading.h"
#include "world/clip_test.h"
#include "world/terrain.h"

namespace {

constexpr const char k_hr_source[] = "terrain";

constexpr float k_e = 2.7182817f;
constexpr float k_fog_exponent = 2.3f;      // fog density = 2.3 / distance
constexpr float k_refraction_margin = 5.0f; // metres above the water still shown refracted
constexpr float k_wave_time_rate = 0.03f;
constexpr float k_bump_cells = 64.0f;       // water bump repeats: one per 64 wave-scale metres
constexpr float k_min_wave_scale = 0.01f;
constexpr float k_caustics_repeat = 10.0f;  // dense texture repeats per cell under water

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }

void set_vs(gfx_device* d, int index, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    d->set_vertex_shader_constant_f(index, v, 1);
}

void set_ps(gfx_device* d, int index, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    d->set_pixel_shader_constant_f(index, v, 1);
}

void set_vs_transposed(gfx_device* d, int start, const mat4& m) {
    const mat4 t = mat_transpose(m);
    d->set_vertex_shader_constant_f(start, &t.m[0][0], 4);
}

void set_fog_vector(gfx_device* d, bool vertex, int index, float distance) {
    const float dist = std::max(distance, 1.0f);
    if (vertex) {
        set_vs(d, index, dist, 1.0f, k_fog_exponent / dist, k_e);
    } else {
        set_ps(d, index, dist, 1.0f, k_fog_exponent / dist, k_e);
    }
}

const gfx_light& current_light() {
    static const gfx_light fallback = [] {
        gfx_light l;
        l.type = LIGHT_DIRECTIONAL;
        l.direction[1] = -1.0f;
        l.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        l.ambient = {0.3f, 0.3f, 0.3f, 1.0f};
        return l;
    }();
    if (g_state != nullptr && g_state->objects.current_light != nullptr) {
        return *g_state->objects.current_light;
    }
    return fallback;
}

vec3 camera_location() {
    if (g_state == nullptr || g_state->camera_world == nullptr) return vec3{};
    const mat4& m = *g_state->camera_world;
    return vec3{m.m[3][0], m.m[3][1], m.m[3][2]};
}

float origin_y() { return g_state != nullptr ? g_state->origin_offset.y : 0.0f; }
float water_level() { return g_state != nullptr ? g_state->water_level : 0.0f; }
// The sky light's intensity: the green of the sun's light.
float sky_light() { return g_state != nullptr ? g_state->sky_light[1] : 1.0f; }

// The fog distance of the land and of the water above it: the air fog's distance inside the
// fog layer and the clear air's above it, mixed by the camera's height in the layer (the
// land's program mixes them alike from c7, c16 and c17). One distance for both, so a shore
// and an island are not seen through clearer air than the water between them.
float land_fog_distance() {
    if (g_state == nullptr) return g_app != nullptr ? g_app->fog_end : 10000.0f;
    const float altitude = camera_location().y + origin_y();
    const float high = std::clamp(altitude / std::max(g_state->fog_alt, 1.0f), 0.0f, 1.0f);
    return std::max(1.0f, (1.0f - high) * g_state->fog_air + high * g_state->max_fog);
}

gfx_material default_material() {
    if (g_state != nullptr) return g_state->objects.default_material;
    gfx_material m;
    m.diffuse = m.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    return m;
}

void set_clamp_w(gfx_device* d, bool clamp) {
    const std::uint32_t mode = clamp ? TADDRESS_CLAMP : TADDRESS_WRAP;
    d->set_sampler_state(0, SAMP_ADDRESSW, mode);
    d->set_sampler_state(1, SAMP_ADDRESSW, mode);
}

// Land is opaque: without the alpha test the rasteriser can reject hidden pixels before
// shading them. The previous setting comes back afterwards.
class opaque_draws {
public:
    explicit opaque_draws(gfx_device* d) : d_(d), previous_(d->render_state(RS_ALPHATESTENABLE)) {
        d_->set_render_state(RS_ALPHATESTENABLE, 0);
    }
    ~opaque_draws() { d_->set_render_state(RS_ALPHATESTENABLE, previous_); }
    opaque_draws(const opaque_draws&) = delete;
    opaque_draws& operator=(const opaque_draws&) = delete;

private:
    gfx_device* d_;
    std::uint32_t previous_;
};

void set_address_uv(gfx_device* d, int stage, std::uint32_t mode) {
    d->set_sampler_state(stage, SAMP_ADDRESSU, mode);
    d->set_sampler_state(stage, SAMP_ADDRESSV, mode);
}

// The plane p (a, b, c, d against world positions) as a plane against the clip positions a
// vertex program writes: with clip = world x view x projection, p_clip = inverse(view x
// projection) p.
void world_plane_to_clip(const float world[4], const mat4& view_projection, float out[4]) {
    mat4 inverse;
    if (!mat_inverse(view_projection, &inverse)) {
        for (int i = 0; i < 4; ++i) out[i] = world[i];
        return;
    }
    for (int j = 0; j < 4; ++j) {
        out[j] = 0.0f;
        for (int k = 0; k < 4; ++k) out[j] += inverse.m[j][k] * world[k];
    }
}

// The tile under its world matrix, its heights (flat for the water) and its square.
bool tile_in_view(gfx_device* d, const terrain_tile& tile, bool flat) {
    const mat4 to_clip = tile.world * d->transform(TS_VIEW) * d->transform(TS_PROJECTION);
    const float side = tile.quads * tile.quad_size;
    const vec3 lo{0.0f, flat ? 0.0f : tile.low, 0.0f};
    const vec3 hi{side, flat ? 0.0f : tile.high, side};
    return box_in_view(lo, hi, to_clip);
}

}  // namespace

// ---- One tile ----

namespace {

// The land programs' matrices for vertices placed by world.
void set_land_constants(gfx_device* d, const mat4& world) {
    const mat4& view = d->transform(TS_VIEW);
    const mat4& projection = d->transform(TS_PROJECTION);
    const mat4 world_view = world * view;
    set_vs_transposed(d, 0, world_view * projection);
    set_vs_transposed(d, 8, world_view);
    d->set_vertex_shader_constant_f(12, &world.m[0][0], 4);
    const model_shading& s = shading();
    set_vs_transposed(d, 20, world * s.shadow_view * s.shadow_projection);
}

// The water programs' matrices and eye for vertices placed by world; batched (c23.x = 1):
// the vertices carry their positions on their own tiles in texture set 1.
void set_water_constants(gfx_device* d, const mat4& world, bool batched) {
    const mat4 world_view = world * d->transform(TS_VIEW);
    set_vs_transposed(d, 0, world_view * d->transform(TS_PROJECTION));
    set_vs_transposed(d, 4, world_view);
    set_vs(d, 23, batched ? 1.0f : 0.0f, 0.0f, 0.0f, 0.0f);
    const vec3 camera = camera_location();
    set_ps(d, 17, camera.x - world.m[3][0], std::fabs(camera.y - world.m[3][1]),
           camera.z - world.m[3][2], 0.0f);
}

// The grid origin at a drawn height: where gathered tiles are placed.
mat4 grid_world(const float grid_origin[3], float y) {
    return mat_translation(grid_origin[0], y, grid_origin[2]);
}

}  // namespace

void terrain::set_tile_constants(terrain_tile& tile) { set_land_constants(device(), tile.world); }

namespace {

// Binds a tile's vertices and one of its index lists and draws it.
void draw_list(gfx_device* d, terrain_tile& tile, gfx_index_buffer* indices, int count) {
    d->set_fvf(k_terrain_fvf);
    d->set_stream_source(0, tile.vertex_buffer.get(), 0, static_cast<int>(sizeof(terrain_vertex)));
    d->set_indices(indices);
    CHECK_HR(d->draw_indexed_primitive(PT_TRIANGLELIST, 0, 0, tile.vertex_count, 0, count / 3));
}

void place_tile(gfx_device* d, terrain_tile& tile, const float grid_origin[3], float y) {
    tile.world = mat_translation(grid_origin[0] + tile.x, y, grid_origin[2] + tile.z);
    d->set_transform(TS_WORLD, tile.world);
}

}  // namespace

// One of a tile's two index lists (above or below the water), placed and culled; with_constants
// gives the land program the tile's own values first.
void terrain::draw_tile_list(terrain_tile& tile, bool above, bool with_constants) {
    gfx_device* d = device();
    const int count = above ? tile.index_count_above : tile.index_count_below;
    if (count < 3 || !tile.upload_buffers()) return;
    place_tile(d, tile, grid_origin, -origin_y());
    if (!tile_in_view(d, tile, false)) return;
    if (with_constants) set_tile_constants(tile);
    draw_list(d, tile, above ? tile.above_buffer.get() : tile.below_buffer.get(), count);
}

void terrain::draw_tile(terrain_tile& tile) { draw_tile_list(tile, true, true); }
void terrain::draw_tile_below(terrain_tile& tile) { draw_tile_list(tile, false, false); }
void terrain::draw_tile_plain(terrain_tile& tile) { draw_tile_list(tile, true, false); }
// The refraction pass places every tile from the grid origin and adds the tile's corner in
// the program (c18): the sums the gathered draw makes on its vertices, so both ways give the
// same clip positions and the cut at the water passes through the same pixels.
void terrain::draw_tile_refraction(terrain_tile& tile) {
    gfx_device* d = device();
    if (!below_in_view(tile, -origin_y(), false)) return;
    d->set_transform(TS_WORLD, tile.world);
    set_vs(d, 18, tile.x, 0.0f, tile.z, 0.0f);
    draw_list(d, tile, tile.below_buffer.get(), tile.index_count_below);
}

void terrain::draw_tile_water(terrain_tile& tile) {
    gfx_device* d = device();
    if (!below_in_view(tile, water_level() - origin_y(), true)) return;
    d->set_transform(TS_WORLD, tile.world);
    set_water_constants(d, tile.world, false);
    draw_list(d, tile, tile.below_buffer.get(), tile.index_count_below);
}

bool terrain::below_in_view(terrain_tile& tile, float y, bool flat) {
    if (tile.index_count_below < 3 || !tile.upload_buffers()) return false;
    tile.world = mat_translation(grid_origin[0] + tile.x, y, grid_origin[2] + tile.z);
    return tile_in_view(device(), tile, flat);
}

// ---- Land ----

// The near tiles nearest the eye of the current view first: opaque land drawn front to back
// lets the rasteriser reject the hidden land behind before shading it. Only a pixel two
// tiles cover at exactly the same depth, on their shared edge, can go to the other tile.
const std::vector<int>& terrain::nearest_first() {
    draw_order.resize(near_tiles.size());
    order_distance.resize(near_tiles.size());
    mat4 eye_world = mat_identity();
    gfx_device* d = device();
    if (d != nullptr) mat_inverse(d->transform(TS_VIEW), &eye_world);
    const float ex = eye_world.m[3][0] - grid_origin[0];
    const float ez = eye_world.m[3][2] - grid_origin[2];
    for (std::size_t i = 0; i < near_tiles.size(); ++i) {
        const terrain_tile& t = near_tiles[i];
        const float half = 0.5f * t.quads * t.quad_size;
        const float dx = t.x + half - ex;
        const float dz = t.z + half - ez;
        draw_order[i] = static_cast<int>(i);
        order_distance[i] = dx * dx + dz * dz;
    }
    std::stable_sort(draw_order.begin(), draw_order.end(),
                     [&](int a, int b) { return order_distance[a] < order_distance[b]; });
    return draw_order;
}

void terrain::set_land_shader() {
    gfx_device* d = device();
    const gfx_light& light = current_light();
    set_vs(d, 4, light.direction[0], light.direction[1], light.direction[2], 0.0f);
    set_vs(d, 5, light.diffuse.r, light.diffuse.g, light.diffuse.b, light.diffuse.a);
    set_vs(d, 6, light.ambient.r, light.ambient.g, light.ambient.b, light.ambient.a);
    const float fog_alt = g_state != nullptr ? g_state->fog_alt : 1000.0f;
    const float altitude = camera_location().y + origin_y();
    const float above_ground = g_state != nullptr ? g_state->height_above_surface : 0.0f;
    const float shadow_alt = g_state != nullptr ? g_state->shadow_alt : 100.0f;
    set_vs(d, 7, fog_alt, altitude, fog_alt - altitude, std::max(1.0f, shadow_alt - above_ground));
    set_fog_vector(d, true, 16, g_state != nullptr ? g_state->fog_air : 10000.0f);
    set_fog_vector(d, true, 17, g_state != nullptr ? g_state->max_fog : 150000.0f);
    d->set_render_state(RS_FOGTABLEMODE, FOG_NONE);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_EXP);
    d->set_vertex_shader(vertex_shaders[k_land_pair].get());
    set_ps(d, 4, light.direction[0], light.direction[1], light.direction[2], 0.0f);
    set_ps(d, 5, light.diffuse.r, light.diffuse.g, light.diffuse.b, light.diffuse.a);
    set_ps(d, 6, light.ambient.r, light.ambient.g, light.ambient.b, light.ambient.a);
    const vec3 camera = camera_location();
    set_ps(d, 8, camera.x, camera.y, camera.z, 1.0f);
}

void terrain::restore_fog_states() {
    gfx_device* d = device();
    d->set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_NONE);
    d->set_vertex_shader(nullptr);
}

void terrain::render_tiles(bool full) {
    gfx_device* d = device();
    if (d == nullptr) return;
    if (!full) {
        for (terrain_tile& t : near_tiles) {
            if (t.step == 1) draw_tile(t);
        }
        return;
    }
    const opaque_draws opaque(d);
    d->set_material(default_material());
    d->set_render_state(RS_ALPHABLENDENABLE, 0);
    set_clamp_w(d, true);
    set_land_shader();
    for (terrain_tile& t : far_tiles) {
        if (!t.has_buffers()) continue;  // the centre record
        d->set_texture(0, land_volumes[t.mip_level].get());
        draw_tile(t);
    }
    const bool shaders = g_app->use_shaders != 0;
    d->set_texture(1, dense_volume.get());
    if (shadow) {
        d->set_texture(2, g_state != nullptr ? g_state->objects.shadow_texture.get() : nullptr);
        set_address_uv(d, 2, TADDRESS_BORDER);
        d->set_sampler_state(2, SAMP_BORDERCOLOR, 0);
    }
    gfx_shader* near_program = pixel_shaders[shadow ? k_shadowed_land_pair : k_land_pair].get();
    for (int index : nearest_first()) {
        terrain_tile& t = near_tiles[index];
        const bool detailed = t.step == 1 && (shadow || shaders);
        d->set_pixel_shader(detailed ? near_program : nullptr);
        d->set_texture(0, land_volumes[t.mip_level].get());
        draw_tile(t);
    }
    d->set_texture(1, nullptr);
    if (shadow) {
        d->set_texture(2, nullptr);
        set_address_uv(d, 2, TADDRESS_WRAP);
    }
    d->set_pixel_shader(nullptr);
    restore_fog_states();
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    set_clamp_w(d, false);
}

void terrain::render_tiles_plain(bool full) {
    gfx_device* d = device();
    if (d == nullptr) return;
    const opaque_draws opaque(d);
    d->set_material(default_material());
    d->set_render_state(RS_ALPHABLENDENABLE, 0);
    set_clamp_w(d, true);
    // The shadow pass (full = false) wants depth alone: no colour, no texture.
    const std::uint32_t colour_writes = d->render_state(RS_COLORWRITEENABLE);
    if (!full) d->set_render_state(RS_COLORWRITEENABLE, 0);
    if (full) {
        for (terrain_tile& t : far_tiles) {
            if (!t.has_buffers()) continue;
            d->set_texture(0, land_volumes[t.mip_level].get());
            draw_tile_plain(t);
        }
    }
    for (int index : nearest_first()) {
        terrain_tile& t = near_tiles[index];
        d->set_texture(0, full ? land_volumes[t.mip_level].get() : nullptr);
        draw_tile_plain(t);
    }
    d->set_render_state(RS_COLORWRITEENABLE, colour_writes);
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    set_clamp_w(d, false);
}

// ---- Below the water ----

void terrain::render_tiles_underwater(bool full) {
    gfx_device* d = device();
    if (d == nullptr) return;
    d->set_material(default_material());
    d->set_render_state(RS_ALPHABLENDENABLE, 0);
    if (!full) {
        mat4 scale = mat_identity();
        scale.m[0][0] = scale.m[1][1] = k_caustics_repeat * cell_size;
        d->set_transform(TS_TEXTURE0, scale);
        d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_COUNT3);
        gfx_texture* dense = dense_volume.get();
        if (dense == nullptr && g_state != nullptr) dense = g_state->objects.dense_texture.get();
        d->set_texture(0, dense);
        for (terrain_tile& t : near_tiles) {
            if (t.step == 1) draw_tile_below(t);
        }
        d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_DISABLE);
        d->set_transform(TS_TEXTURE0, mat_identity());
    } else {
        for (terrain_tile& t : far_tiles) {
            if (!t.has_buffers()) continue;
            d->set_texture(0, land_volumes[t.mip_level].get());
            draw_tile_below(t);
        }
        for (terrain_tile& t : near_tiles) {
            d->set_texture(0, land_volumes[t.mip_level].get());
            draw_tile_below(t);
        }
    }
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    if (g_state != nullptr && g_state->rain) render_caustics();
}

void terrain::render_caustics() {
    gfx_device* d = device();
    if (d == nullptr || g_state == nullptr) return;
    const app_state_objects& o = g_state->objects;
    d->set_material(o.caustics_material);
    d->set_texture(0, o.wave_texture());
    d->set_render_state(RS_SRCBLEND, BLEND_SRCCOLOR);
    d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    d->set_render_state(RS_FOGCOLOR, 0);
    d->set_render_state_f(RS_FOGDENSITY, k_fog_exponent / std::max(g_state->sea_fog, 1.0f));
    d->set_texture_stage_state(0, TSS_TEXCOORDINDEX, TCI_CAMERASPACEPOSITION);
    d->set_transform(TS_TEXTURE0, o.wave_projection);
    d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_COUNT2);
    for (terrain_tile& t : near_tiles) {
        if (t.step == 1) draw_tile_below(t);
    }
    d->set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->set_render_state(RS_FOGCOLOR, g_app->fog_color);
    d->set_render_state_f(RS_FOGDENSITY, k_fog_exponent / std::max(g_app->fog_end, 1.0f));
    d->set_texture_stage_state(0, TSS_TEXCOORDINDEX, TCI_PASSTHRU);
    d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_DISABLE);
    d->set_transform(TS_TEXTURE0, mat_identity());
}

void terrain::render_tiles_refraction(bool full) {
    gfx_device* d = device();
    if (d == nullptr) return;
    const opaque_draws opaque(d);
    d->set_material(default_material());
    d->set_render_state(RS_ALPHABLENDENABLE, 0);
    set_clamp_w(d, true);
    const gfx_light& light = current_light();
    const float t = sky_light();
    set_vs(d, 4, light.direction[0], light.direction[1], light.direction[2], 0.0f);
    set_vs(d, 5, 0.1f * t, 0.5f * t, 0.5f * t, 1.0f);
    set_vs(d, 6, 0.1f * t, 0.5f * t, 0.5f * t, 1.0f);
    set_vs(d, 7, water_level() + k_refraction_margin, camera_location().y + origin_y(), cell_size, 0.0f);
    set_fog_vector(d, true, 16, g_app->fog_end);
    const int* sea_rgb = g_state != nullptr ? g_state->sea_rgb : nullptr;
    if (sea_rgb != nullptr) {
        set_ps(d, 2, sea_rgb[0] * t / 255.0f, sea_rgb[1] * t / 255.0f, sea_rgb[2] * t / 255.0f, t);
    }
    set_fog_vector(d, false, 3, g_app->fog_end);
    const float sea_fog = g_state != nullptr ? g_state->sea_fog : 50.0f;
    if (sea_fog <= cell_size) {
        d->set_render_state(RS_FOGENABLE, 0);
        d->set_pixel_shader(pixel_shaders[k_refraction_pair].get());
    } else {
        d->set_render_state(RS_FOGTABLEMODE, FOG_NONE);
        d->set_render_state(RS_FOGVERTEXMODE, FOG_EXP);
        d->set_pixel_shader(nullptr);
    }
    gfx_shader* program = vertex_shaders[k_refraction_pair].get();
    d->set_vertex_shader(program);
    // With a vertex program bound the device clips against clip positions: the pass's
    // world planes are handed over in clip space and given back afterwards.
    float world_planes[k_max_clip_planes][4] = {};
    const std::uint32_t enabled = d->render_state(RS_CLIPPLANEENABLE);
    const mat4 view_projection = d->transform(TS_VIEW) * d->transform(TS_PROJECTION);
    for (int i = 0; i < k_max_clip_planes && program != nullptr; ++i) {
        if ((enabled & (1u << i)) == 0) continue;
        for (int k = 0; k < 4; ++k) world_planes[i][k] = d->clip_plane(i)[k];
        float clip[4];
        world_plane_to_clip(world_planes[i], view_projection, clip);
        d->set_clip_plane(i, clip);
    }
    gfx_texture* dense = dense_volume.get();
    if (dense == nullptr && g_state != nullptr) dense = g_state->objects.dense_texture.get();
    d->set_texture(0, dense);
    // Far tiles first, then the near ones nearest first: the order the gathered triangles
    // keep as well.
    const auto each_tile = [&](const auto& draw) {
        if (full) {
            for (terrain_tile& tile : far_tiles) {
                if (tile.has_buffers()) draw(tile);
            }
        }
        for (int index : nearest_first()) {
            terrain_tile& tile = near_tiles[index];
            if (full || tile.step == 1) draw(tile);
        }
    };
    const float y = -origin_y();
    const mat4 world = grid_world(grid_origin, y);
    set_land_constants(d, world);
    if (one_draw_per_tile) {
        each_tile([&](terrain_tile& tile) { draw_tile_refraction(tile); });
    } else {
        d->set_transform(TS_WORLD, world);
        set_vs(d, 18, 0.0f, 0.0f, 0.0f, 0.0f);
        below_batch.clear();
        each_tile([&](terrain_tile& tile) {
            if (below_in_view(tile, y, false)) below_batch.add_below(d, tile, false);
        });
        below_batch.draw(d);
    }
    for (int i = 0; i < k_max_clip_planes && program != nullptr; ++i) {
        if ((enabled & (1u << i)) != 0) d->set_clip_plane(i, world_planes[i]);
    }
    d->set_render_state(RS_FOGENABLE, 1);
    d->set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_NONE);
    set_clamp_w(d, false);
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    if (g_state != nullptr && g_state->rain) render_caustics();
}

// ---- Water over the tiles ----

void terrain::set_water_shader() {
    gfx_device* d = device();
    if (d == nullptr) return;
    const int index = water_index();
    d->set_vertex_shader(vertex_shaders[index].get());
    d->set_pixel_shader(pixel_shaders[index].get());
    const gfx_light& light = current_light();
    const float t = sky_light();
    // The wave scale is 0 under water: the bump scale stays finite.
    const float s = 1.0f / (k_bump_cells * std::max(std::fabs(wave_scale), k_min_wave_scale));
    const float time = std::fmod(k_wave_time_rate * water.wave_time, 100.0f);
    set_vs(d, 8, 2.0f * s, s, time, t);
    const bool above = g_state == nullptr || g_state->above_water != 0;
    set_fog_vector(d, true, 10, above ? land_fog_distance() : g_app->fog_end);
    set_vs(d, 11, -light.direction[0], -light.direction[1], -light.direction[2], 0.0f);
    const float k = std::clamp(1.0f - 0.25f * water_height_ratio, 0.25f, 1.0f);
    const float crest = water.crest_factor;
    set_vs(d, 22, 5.0f / std::max(1.0f, cell_size), k * crest, water_level(), 0.5f * k * crest);

    const int* sea_rgb = g_state != nullptr ? g_state->sea_rgb : nullptr;
    const float sea_c[3] = {sea_rgb ? sea_rgb[0] * t / 255.0f : 0.0f,
                            sea_rgb ? sea_rgb[1] * t / 255.0f : 0.0f,
                            sea_rgb ? sea_rgb[2] * t / 255.0f : 0.0f};
    const std::uint32_t fog = g_app->fog_color;
    const float fog_c[3] = {((fog >> 16) & 0xFF) / 255.0f, ((fog >> 8) & 0xFF) / 255.0f,
                            (fog & 0xFF) / 255.0f};
    const float* first = above ? sea_c : fog_c;
    const float* second = above ? fog_c : sea_c;
    set_ps(d, 3, first[0], first[1], first[2], 1.0f);
    set_ps(d, 4, second[0], second[1], second[2], 1.0f);
    const float* sky = g_state != nullptr ? g_state->sky_light : nullptr;
    set_ps(d, 5, sky ? sky[0] : 1.0f, t, sky ? sky[2] : 1.0f, 0.0f);
    set_ps(d, 6, 0.1f * k * crest, 0.25f * crest, k * crest, wave_scale);
    set_ps(d, 7, 0.1f * t, 0.5f * t, 0.5f * t, 1.0f);
    set_ps(d, 20, -light.direction[0], -light.direction[1], -light.direction[2], t);
    set_ps(d, 21, water_in_view ? 1.0f : 0.0f, 0.0f, 0.0f, 0.0f);

    const app_state_objects* o = g_state != nullptr ? &g_state->objects : nullptr;
    gfx_texture* overhead = o ? o->overhead_texture.get() : nullptr;
    gfx_texture* lookup = lookup_textures[above ? 0 : 1].get();
    if (!water_in_view) {
        d->set_texture(0, spray_texture);
        d->set_texture(1, water_texture.get());
        d->set_texture(2, lookup);
        d->set_texture(3, overhead);
        set_address_uv(d, 2, TADDRESS_CLAMP);
        set_address_uv(d, 3, TADDRESS_BORDER);
    } else {
        d->set_texture(0, water_texture.get());
        d->set_texture(1, o ? o->refraction_texture.get() : nullptr);
        d->set_texture(2, o ? o->reflection_texture.get() : nullptr);
        d->set_texture(3, spray_texture);
        d->set_texture(4, lookup);
        d->set_texture(5, overhead);
        set_address_uv(d, 1, TADDRESS_CLAMP);
        set_address_uv(d, 2, TADDRESS_CLAMP);
        set_address_uv(d, 4, TADDRESS_CLAMP);
        set_address_uv(d, 5, TADDRESS_BORDER);
    }
    d->set_render_state(RS_FOGTABLEMODE, FOG_NONE);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_EXP);
}

void terrain::render_water(bool full) {
    gfx_device* d = device();
    if (d == nullptr) return;
    if (water.waves_shown) {
        // Above the water the land was drawn first in this view: what it hides is left out.
        water.render(full, full && drawn_land_is_current() ? this : nullptr);
        return;
    }
    // full = false: the near tiles of step 1, seen from below (the back cull mode).
    if (!full) d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->back_cull));
    const auto each_tile = [&](const auto& draw) {
        if (full) {
            for (terrain_tile& t : far_tiles) {
                if (t.has_buffers()) draw(t);
            }
        }
        for (terrain_tile& t : near_tiles) {
            if (full || t.step == 1) draw(t);
        }
    };
    if (one_draw_per_tile) {
        each_tile([&](terrain_tile& t) { draw_tile_water(t); });
    } else {
        const float y = water_level() - origin_y();
        const mat4 world = grid_world(grid_origin, y);
        d->set_transform(TS_WORLD, world);
        set_water_constants(d, world, true);
        below_batch.clear();
        each_tile([&](terrain_tile& t) {
            if (below_in_view(t, y, true)) below_batch.add_below(d, t, true);
        });
        below_batch.draw(d);
    }
    if (!full) d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
}

void terrain::restore_render_states() {
    gfx_device* d = device();
    if (d == nullptr) return;
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
    for (int stage = 0; stage < 6; ++stage) {
        set_address_uv(d, stage, TADDRESS_WRAP);
        if (stage > 0) d->set_texture(stage, nullptr);
    }
    d->set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_NONE);
}
