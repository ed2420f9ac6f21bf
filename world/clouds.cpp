#include "world/clouds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "platform/image.h"
#include "platform/program_rand.h"

namespace {

constexpr const char k_hr_source[] = "clouds";
constexpr int k_texture_mode_plain = 0;
constexpr double k_earth_radius = 6366707.0;
constexpr double k_earth_radius_sq = 4.0534958e13;
constexpr float k_draw_reach = 1.8f;  // puffs this many extents away or farther are not drawn
constexpr float k_emissive_scale = 1.0f / 192.0f;
// exp(-6.23) is half a colour step of 255: a puff whose fog exponent is larger comes out as the
// fog colour itself.
constexpr float k_fully_fogged = 6.23f;
constexpr float k_inset = 0.5f / clouds::k_tile;       // of a tile
constexpr float k_inner = 1.0f - 2.0f * k_inset;

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }

float random_unit() {
    return 1.0f - 2.0f * static_cast<float>(program_rand()) / program_rand_max;
}

mat4 camera_matrix() {
    return g_state != nullptr && g_state->camera_world != nullptr ? *g_state->camera_world
                                                                   : mat_identity();
}

float wrap_into(float value, float middle, float half) {
    if (value < middle - half) return value + 2.0f * half;
    if (value > middle + half) return value - 2.0f * half;
    return value;
}

}  // namespace

clouds::clouds() {
    for (puff_outline& o : outlines) o = puff_outline::square(k_tile, k_tile, k_inset * k_tile);
    material.diffuse = {0.35f, 0.35f, 0.35f, 1.0f};
    material.ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    material.emissive = {0.25f, 0.25f, 0.25f, 1.0f};
}

clouds::~clouds() { release(); }

void clouds::init() {
    set_puff_size(puff_size);
    set_extent(extent);
    if (g_app == nullptr) return;
    for (int i = 0; i < k_textures; ++i) {
        if (puff_textures[i] != nullptr) continue;
        char name[32];
        std::snprintf(name, sizeof name, "graphics\\cloud%d.dds", i);
        g_app->load_texture(name, &puff_textures[i], k_texture_mode_plain, true);
    }
    if (layer_texture == nullptr) {
        g_app->load_texture("graphics\\clouds.dds", &layer_texture, k_texture_mode_plain, true);
    }
    build_atlas();
}

image clouds::tile_picture(const image* picture) {
    image tile;
    if (!image_allocate(&tile, k_tile, k_tile)) return tile;
    const bool have = picture != nullptr && !picture->empty();
    for (int y = 0; y < k_tile; ++y) {
        for (int x = 0; x < k_tile; ++x) {
            tile.set_pixel(x, y, have ? picture->pixel(x * picture->width / k_tile, y * picture->height / k_tile)
                                      : 0xFFFFFFFFu);
        }
    }
    return tile;
}

void clouds::build_atlas() {
    gfx_device* d = device();
    if (d == nullptr || atlas) return;
    const int width = k_tile * k_atlas_columns, height = k_tile * k_atlas_rows;
    if (!CHECK_HR(d->create_texture(width, height, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &atlas))) return;
    locked_rect r;
    if (!CHECK_HR(atlas->lock_rect(0, &r))) return;
    for (int i = 0; i < k_textures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "graphics\\cloud%d.dds", i);
        image picture;
        const bool have = image_load_file(name, &picture) == S_OK && !picture.empty();
        const image tile = tile_picture(have ? &picture : nullptr);
        if (tile.empty()) continue;
        outlines[i] = puff_outline::fit(tile, k_inset * k_tile);
        const int x0 = (i % k_atlas_columns) * k_tile, y0 = (i / k_atlas_columns) * k_tile;
        for (int y = 0; y < k_tile; ++y) {
            std::memcpy(static_cast<std::uint8_t*>(r.bits) + static_cast<std::size_t>(y0 + y) * r.pitch +
                            static_cast<std::size_t>(x0) * 4,
                        tile.row(y), static_cast<std::size_t>(k_tile) * 4);
        }
    }
    CHECK_HR(atlas->unlock_rect(0));
}

void clouds::set_puff_size(float size) {
    puff_size = size;
    const float s = size, h = size / 2.0f;
    const float corners[6][4] = {{-s, h, 0, 0}, {s, h, 1, 0},  {-s, -h, 0, 1},
                                 {s, -h, 1, 1}, {-s, -h, 0, 1}, {s, h, 1, 0}};
    for (int i = 0; i < 6; ++i) {
        quad[i] = {corners[i][0], corners[i][1], 0.0f, 0.0f, 1.0f, 0.0f, corners[i][2], corners[i][3]};
    }
}

void clouds::set_extent(float half_width) {
    extent = half_width;
    for (int p = 0; p < k_max_puffs; ++p) {
        puff& f = puffs[p];
        f.x = random_unit() * extent;
        f.y = 0.0f;
        f.z = random_unit() * extent;
        f.selector = static_cast<float>(p) + 0.1f;
        f.key = random_unit() * 5.0f;
        f.distance = 0.0f;
    }
}

void clouds::set_cover(float value) {
    cover = std::clamp(value, 0.0f, 1.0f);
    const float cells = 2.0f * extent / std::max(1.0f, puff_size);
    const double wanted = static_cast<double>(cells) * cells * cover;
    puff_count = static_cast<int>(std::min<double>(wanted, k_max_puffs));
    shuffle();
}

void clouds::shuffle() {
    std::stable_sort(puffs.begin(), puffs.end(),
                     [](const puff& a, const puff& b) { return a.key > b.key; });
}

void clouds::update() {
    if (puff_count == 0 || g_state == nullptr) return;
    puff_count = std::min(puff_count, k_max_puffs);
    app_state& st = *g_state;
    if (g_app == nullptr || g_app->paused == 0) {
        layer_matrix.m[3][0] += st.wind[0] * st.dt;
        layer_matrix.m[3][2] += st.wind[1] * st.dt;
    }
    layer_matrix.m[3][1] = puff_size / 2.0f + st.cloud_base - st.origin_offset.y;
    const mat4 cam = camera_matrix();
    const vec3 camera = get_translation(cam);
    const float dx = camera.x - layer_matrix.m[3][0];
    const float dz = camera.z - layer_matrix.m[3][2];
    if (std::fabs(dx) > extent || std::fabs(dz) > extent) {
        for (puff& f : puffs) {
            f.x -= dx;
            f.z -= dz;
        }
        layer_matrix.m[3][0] += dx;
        layer_matrix.m[3][2] += dz;
    }
    const vec3 c = centre();
    const vec3 forward = get_axis_z(cam);
    const float wx = camera.x + extent * forward.x - c.x;
    const float wz = camera.z + extent * forward.z - c.z;
    for (int i = 0; i < puff_count; ++i) {
        puff& f = puffs[i];
        f.x = wrap_into(f.x, wx, extent);
        f.z = wrap_into(f.z, wz, extent);
        const vec3 p{c.x + f.x - camera.x, c.y + f.y - camera.y, c.z + f.z - camera.z};
        f.distance = length(p);
        // The earth's surface drops by about d^2 / 2R at a distance d; in double, as a float
        // near the earth's radius keeps only half-metre steps.
        const double d = f.distance;
        f.y = static_cast<float>(std::sqrt(std::max(0.0, k_earth_radius_sq - d * d)) - k_earth_radius);
    }
    if (!sorted_once || st.now - last_sort >= k_sort_interval) {
        std::sort(puffs.begin(), puffs.begin() + puff_count,
                  [](const puff& a, const puff& b) { return a.distance > b.distance; });
        last_sort = st.now;
        sorted_once = true;
    }
}

float clouds::fog_density(float yc) const {
    if (g_state == nullptr) return 0.0f;
    const app_state& st = *g_state;
    const float t = st.fog_alt - st.origin_offset.y;
    const float yl = layer_matrix.m[3][1];
    const float clear_air = std::max(1.0f, st.max_fog);
    const float fog_air = std::max(1.0f, st.fog_air);
    if (yc > t && yl > t) return 2.3f / clear_air;
    if (std::max(yc, yl) >= t && std::min(yc, yl) <= t) {
        const float d = std::fabs(yl - yc);
        const float inside = std::min(d, t - std::min(yc, yl));
        return 2.3f / std::max(1.0f, std::min(clear_air, d * fog_air / std::max(1.0f, inside)));
    }
    return 2.3f / fog_air;
}

// The billboard is 2 s wide and s high; the outline's (u, v) run over the tile less half a
// texel at each edge, so the tile's sampled square spans the whole billboard.
void clouds::face_outlines(const mat4& billboard, bool whole_squares, facing_outline (&out)[k_textures]) const {
    const float s = puff_size, h = puff_size / 2.0f;
    const puff_outline whole = puff_outline::square(k_tile, k_tile, k_inset * k_tile);
    for (int t = 0; t < k_textures; ++t) {
        const puff_outline& o = whole_squares ? whole : outlines[t];
        const float u0 = static_cast<float>(t % k_atlas_columns), v0 = static_cast<float>(t / k_atlas_columns);
        facing_outline& f = out[t];
        f.corners = o.corners;
        for (int k = 0; k < o.corners; ++k) {
            const float across = (o.u[k] - k_inset) / k_inner, down = (o.v[k] - k_inset) / k_inner;
            f.offset[k] = transform_coord(vec3{-s + 2.0f * s * across, h - 2.0f * h * down, 0.0f}, billboard);
            f.u[k] = (u0 + o.u[k]) / k_atlas_columns;
            f.v[k] = (v0 + o.v[k]) / k_atlas_rows;
        }
    }
}

// The triangles over corners first.. first + corners - 1 in order around a convex polygon. A
// square (top left, top right, bottom right, bottom left) is cut along its diagonal from the
// top right to the bottom left, its first triangle holding the top edge: the rasteriser then
// rounds every pixel of a whole-square puff as the classic quad does.
void clouds::append_fan(std::uint32_t first, int corners) {
    if (corners == 4) {
        indices_.insert(indices_.end(), {first, first + 1, first + 3, first + 2, first + 3, first + 1});
        return;
    }
    for (int k = 1; k + 1 < corners; ++k) {
        const auto c = static_cast<std::uint32_t>(k);
        indices_.insert(indices_.end(), {first, first + c, first + c + 1});
    }
}

void clouds::render() {
    gfx_device* d = device();
    if (d == nullptr || puff_count == 0 || g_state == nullptr) return;
    const mat4 cam = camera_matrix();
    // The billboard: the camera's rotation, so every puff faces the viewer.
    mat4 billboard = cam;
    billboard.m[3][0] = billboard.m[3][1] = billboard.m[3][2] = 0.0f;
    const vec3 c = centre();
    const float reach = k_draw_reach * extent;
    const vec3 eye = get_translation(cam);
    const vec3 forward = get_axis_z(cam);
    const float density = fog_density(eye.y);
    // The fog works on the depth along the view; a billboard lies square to the view, so its
    // corners share its centre's depth. Behind the camera, or so deep in the fog that it would
    // come out as the plain fog colour, a puff is not drawn.
    const bool fogged = d->render_state(RS_FOGENABLE) != 0;
    const float fog_depth = density > 0.0f ? k_fully_fogged / density : 0.0f;
    facing_outline facing[k_textures];
    face_outlines(billboard, !fitted_outlines, facing);
    stream_.clear();
    indices_.clear();
    for (int i = 0; i < puff_count; ++i) {
        const puff& f = puffs[i];
        if (!(f.distance < reach)) continue;
        const vec3 at{c.x + f.x, c.y + f.y, c.z + f.z};
        const float depth = dot(at - eye, forward);
        if (depth <= 0.0f || (fogged && density > 0.0f && depth > fog_depth)) continue;
        const facing_outline& o = facing[static_cast<int>(f.selector) % k_textures];
        if (o.corners < 3) continue;
        const auto first = static_cast<std::uint32_t>(stream_.size());
        for (int k = 0; k < o.corners; ++k) {
            const vec3 p = o.offset[k] + at;
            stream_.push_back({p.x, p.y, p.z, 0.0f, 1.0f, 0.0f, o.u[k], o.v[k]});
        }
        append_fan(first, o.corners);
    }
    if (stream_.empty()) return;
    const int* fog = g_state->fog_rgb;
    gfx_material m = material;
    // The fog colour lights the puffs, so they fade into the fog (0..255 over 192).
    m.emissive = {fog[0] * k_emissive_scale, fog[1] * k_emissive_scale, fog[2] * k_emissive_scale,
                  1.0f};
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_ZWRITEENABLE, 0);
    const std::uint32_t alpha_test = d->render_state(RS_ALPHATESTENABLE);
    d->set_render_state(RS_ALPHATESTENABLE, 0);
    d->set_render_state_f(RS_FOGDENSITY, fog_density(get_translation(cam).y));
    d->set_material(m);
    d->set_texture(0, atlas.get());
    d->set_transform(TS_WORLD, mat_identity());
    d->set_fvf(k_fvf);
    CHECK_HR(d->draw_indexed_primitive_up(PT_TRIANGLELIST, 0, static_cast<int>(stream_.size()),
                                          static_cast<int>(indices_.size() / 3), indices_.data(),
                                          FMT_INDEX32, stream_.data(), sizeof(vertex)));
    d->set_render_state(RS_ALPHATESTENABLE, alpha_test);
    d->set_render_state_f(RS_FOGDENSITY, 2.3f / std::max(1.0f, g_app->fog_end));
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
    d->set_render_state(RS_ZWRITEENABLE, 1);
}

void clouds::release() {
    if (g_app == nullptr) return;
    for (gfx_texture*& t : puff_textures) {
        if (t != nullptr) g_app->release_texture(&t);
        t = nullptr;
    }
    if (layer_texture != nullptr) g_app->release_texture(&layer_texture);
    layer_texture = nullptr;
    atlas.reset();
}
