// Drawing the sky: the dome (a unit cone whose colours the sky program makes), the sun and
// moon discs, the stars and the sun-glow cone, all centred on the camera.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/light.h"
#include "world/sky.h"
#include "world/sky_shaders.h"
#include "world/stars.h"

namespace {

constexpr const char k_hr_source[] = "sky";

constexpr int k_dome_rings = 10;
constexpr int k_dome_sectors = 18;
constexpr float k_dome_step = 0.34906587f;   // 20 degrees
constexpr std::uint32_t k_dome_colour = 0xFF3F7FFFu;
// The skirt's top band reaches this far below the horizon (in the dome's units): far more
// than the rounding of a pixel's direction, so every pixel under it points down.
constexpr float k_band_depth = 0.01f;
// A triangle counts as turned away from the sun when each corner's direction lies this much
// (as a cosine) beyond 90 degrees from it: the glow there is exactly nothing.
constexpr float k_away_margin = 0.001f;
constexpr int k_cone_rings = 12;
constexpr int k_cone_sectors = 12;
constexpr float k_cone_step = 0.5235988f;    // 30 degrees
constexpr std::uint32_t k_cone_colour = 0x40FFFFFFu;
constexpr float k_disc_distance = 50.0f;     // the discs lie this far out along their axis
constexpr int k_sky_vs = 391, k_sky_ps = 412;
constexpr int k_sun_vs = 415, k_sun_ps = 413;

struct disc_vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};
constexpr std::uint32_t k_disc_fvf = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }

void set_vs_transposed(gfx_device* d, int start, const mat4& m) {
    const mat4 t = mat_transpose(m);
    d->set_vertex_shader_constant_f(start, &t.m[0][0], 4);
}

void set_ps(gfx_device* d, int index, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    d->set_pixel_shader_constant_f(index, v, 1);
}

vec3 camera_position() {
    if (g_state == nullptr || g_state->camera_world == nullptr) return {};
    return get_translation(*g_state->camera_world);
}

const mat4& sky_projection(const gfx_device* d) {
    if (g_state != nullptr && g_state->near_projection != nullptr) return *g_state->near_projection;
    return d->transform(TS_PROJECTION);
}

// Two triangles of the quad between (r0, y0) and (r1, y1) over sector angles a0..a1, with
// the ring's coordinates arranged by place (x, y, z order of the mesh).
template <typename Place>
void add_quad(sky::mesh_vertex* v, int* n, float r0, float h0, float r1, float h1, float a0,
              float a1, std::uint32_t colour, Place place) {
    const float c0 = std::cos(a0), s0 = std::sin(a0), c1 = std::cos(a1), s1 = std::sin(a1);
    const sky::mesh_vertex corners[6] = {
        place(r0 * c0, h0, r0 * s0, colour), place(r0 * c1, h0, r0 * s1, colour),
        place(r1 * c0, h1, r1 * s0, colour), place(r0 * c1, h0, r0 * s1, colour),
        place(r1 * c1, h1, r1 * s1, colour), place(r1 * c0, h1, r1 * s0, colour)};
    for (const sky::mesh_vertex& c : corners) v[(*n)++] = c;
}

sky::mesh_vertex dome_place(float x, float h, float z, std::uint32_t colour) {
    return {x, h, z, colour};
}

// The cone lies along z: the ring's height becomes its z, its second coordinate its y.
sky::mesh_vertex cone_place(float x, float h, float y, std::uint32_t colour) {
    return {x, y, h, colour};
}

bool fill_buffer(gfx_device* d, vertex_buffer_ptr* buffer, const sky::mesh_vertex* v, int count,
                 int capacity) {
    const int bytes = capacity * static_cast<int>(sizeof(sky::mesh_vertex));
    if (!*buffer && !CHECK_HR(d->create_vertex_buffer(bytes, USAGE_WRITEONLY, sky::k_mesh_fvf,
                                                      POOL_MANAGED, buffer))) {
        return false;
    }
    void* p = nullptr;
    if (!CHECK_HR((*buffer)->lock(0, 0, &p))) return false;
    std::copy(v, v + count, static_cast<sky::mesh_vertex*>(p));
    CHECK_HR((*buffer)->unlock());
    return true;
}

// The sky drawn behind what the view already holds: every pixel at the far end of the depth
// range, tested against what was drawn but never written, so the sky lands exactly on the
// pixels still cleared. The viewport and the depth states come back afterwards.
class at_far_depth {
public:
    at_far_depth(gfx_device* d, bool on) : d_(on ? d : nullptr) {
        if (d_ == nullptr) return;
        viewport_ = d_->viewport();
        writes_ = d_->render_state(RS_ZWRITEENABLE);
        compare_ = d_->render_state(RS_ZFUNC);
        gfx_viewport far = viewport_;
        far.min_z = far.max_z = 1.0f;
        d_->set_viewport(far);
        d_->set_render_state(RS_ZWRITEENABLE, 0);
        d_->set_render_state(RS_ZFUNC, CMP_LESSEQUAL);
    }
    ~at_far_depth() {
        if (d_ == nullptr) return;
        d_->set_viewport(viewport_);
        d_->set_render_state(RS_ZWRITEENABLE, writes_);
        d_->set_render_state(RS_ZFUNC, compare_);
    }
    at_far_depth(const at_far_depth&) = delete;
    at_far_depth& operator=(const at_far_depth&) = delete;

private:
    gfx_device* d_;
    gfx_viewport viewport_;
    std::uint32_t writes_ = 1;
    std::uint32_t compare_ = CMP_LESSEQUAL;
};

}  // namespace

void sky::build_dome() {
    gfx_device* d = device();
    dome_vertex_count = dome_glow_vertices = dome_away_vertices = dome_below_vertices = 0;
    dome_upper_.clear();
    dome_below_.clear();
    dome_away_.clear();
    if (d == nullptr) return;
    mesh_vertex v[k_dome_vertices];
    int n = 0;
    for (int ring = 0; ring < k_dome_rings; ++ring) {
        const float r = 0.1f * static_cast<float>(ring);
        for (int s = 0; s < k_dome_sectors; ++s) {
            const float a = k_dome_step * static_cast<float>(s);
            add_quad(v, &n, r, 1.0f - r, r + 0.1f, 0.9f - r, a, a + k_dome_step, k_dome_colour,
                     dome_place);
        }
    }
    // The skirt hides the ground's edge below the horizon: a thin band at the horizon, then
    // the rest on the same slope.
    const float band_r = 1.0f + 0.1f * k_band_depth;
    for (int s = 0; s < k_dome_sectors; ++s) {
        const float a = k_dome_step * static_cast<float>(s);
        add_quad(v, &n, 1.0f, 0.0f, band_r, -k_band_depth, a, a + k_dome_step, k_dome_colour,
                 dome_place);
    }
    const int upper = n;
    for (int s = 0; s < k_dome_sectors; ++s) {
        const float a = k_dome_step * static_cast<float>(s);
        add_quad(v, &n, band_r, -k_band_depth, 1.1f, -1.0f, a, a + k_dome_step, k_dome_colour,
                 dome_place);
    }
    if (!fill_buffer(d, &dome_buffer, v, n, k_dome_vertices)) return;
    dome_upper_.assign(v, v + upper);
    dome_below_.assign(v + upper, v + n);
    dome_away_.assign(static_cast<std::size_t>(upper / 3), 0);
    dome_vertex_count = n;
    dome_glow_vertices = upper;
    dome_below_vertices = n - upper;
}

void sky::sort_dome(const float* light_direction) {
    const vec3 toward{-light_direction[0], -light_direction[1], -light_direction[2]};
    const float size = length(toward);
    std::vector<char> away(dome_away_.size(), 0);
    for (std::size_t t = 0; size > 0.0f && t < away.size(); ++t) {
        bool all = true;
        for (std::size_t k = 0; k < 3 && all; ++k) {
            const mesh_vertex& c = dome_upper_[3 * t + k];
            const vec3 p{c.x, c.y, c.z};
            all = dot(p, toward) < -k_away_margin * length(p) * size;
        }
        away[t] = all ? 1 : 0;
    }
    if (away == dome_away_) return;
    std::vector<mesh_vertex> v;
    v.reserve(dome_upper_.size() + dome_below_.size());
    for (const char wanted : {char{0}, char{1}}) {
        for (std::size_t t = 0; t < away.size(); ++t) {
            if (away[t] != wanted) continue;
            v.insert(v.end(), dome_upper_.begin() + 3 * t, dome_upper_.begin() + 3 * t + 3);
        }
    }
    v.insert(v.end(), dome_below_.begin(), dome_below_.end());
    const int count = static_cast<int>(v.size());
    // A buffer that could not be written keeps its old order, and the counts that go with it.
    if (!fill_buffer(device(), &dome_buffer, v.data(), count, k_dome_vertices)) return;
    dome_away_ = away;
    dome_away_vertices = 3 * static_cast<int>(std::count(away.begin(), away.end(), char{1}));
    dome_glow_vertices = static_cast<int>(dome_upper_.size()) - dome_away_vertices;
}

// Each run with its own program; without the dome program (it did not compile) all runs
// draw with none, as the whole dome then does.
void sky::draw_dome(gfx_device* d) {
    gfx_shader* dome = g_state->objects.pixel_shader(k_sky_ps);
    gfx_shader* away = dome != nullptr && dome_away_ps ? dome_away_ps.get() : dome;
    gfx_shader* below = dome != nullptr && dome_below_ps ? dome_below_ps.get() : dome;
    const struct {
        gfx_shader* program;
        int count;
    } runs[3] = {{dome, dome_glow_vertices}, {away, dome_away_vertices}, {below, dome_below_vertices}};
    int start = 0;
    for (const auto& run : runs) {
        if (run.count <= 0) continue;
        d->set_pixel_shader(run.program);
        CHECK_HR(d->draw_primitive(PT_TRIANGLELIST, start, run.count / 3));
        start += run.count;
    }
}

void sky::build_cone() {
    gfx_device* d = device();
    cone_vertex_count = 0;
    if (d == nullptr) return;
    mesh_vertex v[k_cone_vertices];
    int n = 0;
    for (int ring = 0; ring < k_cone_rings; ++ring) {
        const float u = static_cast<float>(ring) / k_cone_rings;
        const float u1 = static_cast<float>(ring + 1) / k_cone_rings;
        for (int s = 0; s < k_cone_sectors; ++s) {
            const float a = k_cone_step * static_cast<float>(s);
            add_quad(v, &n, u, -(1.0f - u), u1, -(1.0f - u1), a, a + k_cone_step, k_cone_colour,
                     cone_place);
        }
    }
    if (fill_buffer(d, &cone_buffer, v, n, k_cone_vertices)) cone_vertex_count = n;
}

void sky::draw_disc(gfx_device* d, gfx_texture* texture, const mat4& orientation) {
    const float z = -k_disc_distance;
    const disc_vertex quad[6] = {{-1, 1, z, 0xFFFFFFFFu, 0, 0},  {1, 1, z, 0xFFFFFFFFu, 1, 0},
                                 {-1, -1, z, 0xFFFFFFFFu, 0, 1}, {1, 1, z, 0xFFFFFFFFu, 1, 0},
                                 {1, -1, z, 0xFFFFFFFFu, 1, 1},  {-1, -1, z, 0xFFFFFFFFu, 0, 1}};
    d->set_transform(TS_WORLD, orientation);
    d->set_texture(0, texture);
    d->set_fvf(k_disc_fvf);
    CHECK_HR(d->draw_primitive_up(PT_TRIANGLELIST, 2, quad, sizeof(disc_vertex)));
}

void sky::render(bool /*under_water*/, bool behind_drawn) {
    gfx_device* d = device();
    if (d == nullptr || g_state == nullptr) return;
    app_state& st = *g_state;
    const at_far_depth behind(d, behind_drawn);
    const mat4 view = d->transform(TS_VIEW);
    const mat4 projection = d->transform(TS_PROJECTION);
    mat4 centred = view;
    centred.m[3][0] = centred.m[3][1] = centred.m[3][2] = 0.0f;
    d->set_transform(TS_VIEW, centred);
    d->set_transform(TS_PROJECTION, sky_projection(d));
    d->set_material(st.objects.default_material);
    d->set_texture(0, nullptr);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_ZENABLE, behind_drawn ? 1 : 0);
    d->set_render_state(RS_LIGHTING, 0);
    d->set_render_state(RS_FOGENABLE, 0);

    const float altitude = camera_position().y + st.origin_offset.y;
    if (g_app->near_view != 0 && dome_buffer && dome_vertex_count > 0) {
        mat4 world = mat_identity();
        if (g_app->use_curvature != 0) {
            const float r = altitude + k_earth_radius;
            const float horizon = std::sqrt(std::max(0.0f, r * r - k_earth_radius_sq));
            world.m[3][1] = -2.0f * altitude / std::max({st.far_distance, horizon, 1.0f});
        }
        d->set_transform(TS_WORLD, world);
        set_vs_transposed(d, 0, world * centred * d->transform(TS_PROJECTION));
        const float fog_air = std::max(1.0f, st.fog_air);
        set_ps(d, 2, fog_air, std::max(100.0f, st.fog_alt - altitude), 2.3f / fog_air, 2.7182817f);
        set_ps(d, 3, st.fog_rgb[0] / 255.0f, st.fog_rgb[1] / 255.0f, st.fog_rgb[2] / 255.0f, 1.0f);
        set_ps(d, 4, st.sky_light[3], st.sky_light[4], st.sky_light[5], 1.0f);
        set_ps(d, 5, st.sky_light[0], st.sky_light[1], st.sky_light[2], st.sky_light[4]);
        if (sun_light != nullptr) {
            const float* dir = sun_light->record.direction;
            set_ps(d, 6, dir[0], dir[1], dir[2], 0.0f);
        }
        if (sun_light != nullptr) sort_dome(sun_light->record.direction);
        d->set_vertex_shader(st.objects.vertex_shader(k_sky_vs));
        d->set_fvf(k_mesh_fvf);
        d->set_stream_source(0, dome_buffer.get(), 0, sizeof(mesh_vertex));
        // Every dome pixel is opaque (alpha 1): blending it gives its own colour and the
        // alpha test passes it, so both stay off. Without the alpha test the rasteriser can
        // reject the pixels the land already holds before shading them.
        const std::uint32_t dome_blend = d->render_state(RS_ALPHABLENDENABLE);
        const std::uint32_t dome_alpha_test = d->render_state(RS_ALPHATESTENABLE);
        d->set_render_state(RS_ALPHABLENDENABLE, 0);
        d->set_render_state(RS_ALPHATESTENABLE, 0);
        draw_dome(d);
        d->set_render_state(RS_ALPHABLENDENABLE, dome_blend);
        d->set_render_state(RS_ALPHATESTENABLE, dome_alpha_test);
        d->set_vertex_shader(nullptr);
        d->set_pixel_shader(nullptr);
    }

    const std::uint32_t blend = d->render_state(RS_ALPHABLENDENABLE);
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    draw_disc(d, st.objects.sun_texture, sun_matrix);
    draw_disc(d, st.objects.moon_texture, moon_matrix);
    d->set_render_state(RS_LIGHTING, 1);
    if (star_field) star_field->render();
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->set_render_state(RS_ALPHABLENDENABLE, blend);
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
    d->set_render_state(RS_ZENABLE, 1);
    d->set_render_state(RS_FOGENABLE, 1);
    d->set_transform(TS_VIEW, view);
    d->set_transform(TS_PROJECTION, projection);
}

void sky::render_sun_mesh() {
    gfx_device* d = device();
    if (d == nullptr || g_state == nullptr || sun_light == nullptr || !cone_buffer) return;
    app_state& st = *g_state;
    const mat4 projection = d->transform(TS_PROJECTION);
    d->set_transform(TS_PROJECTION, sky_projection(d));
    const std::uint32_t blend = d->render_state(RS_ALPHABLENDENABLE);
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_ZENABLE, 0);
    d->set_render_state(RS_LIGHTING, 0);
    d->set_render_state(RS_FOGENABLE, 0);
    d->set_material(st.objects.default_material);
    d->set_texture(0, nullptr);
    mat4 world = sun_light->world;
    const vec3 camera = camera_position();
    world.m[3][0] = camera.x;
    world.m[3][1] = camera.y;
    world.m[3][2] = camera.z;
    d->set_transform(TS_WORLD, world);
    set_vs_transposed(d, 0, world * d->transform(TS_VIEW) * d->transform(TS_PROJECTION));
    set_vs_transposed(d, 4, world);
    const float f = st.sea_fog;
    const float g = st.height_above_surface;
    set_ps(d, 5, st.sky_light[0], st.sky_light[1], st.sky_light[2],
           (2.0f * f + g) / std::max(1.0f, 2.0f * f));
    const float* dir = sun_light->record.direction;
    set_ps(d, 6, dir[0], dir[1], dir[2], 0.0f);
    d->set_vertex_shader(st.objects.vertex_shader(k_sun_vs));
    d->set_pixel_shader(st.objects.pixel_shader(k_sun_ps));
    d->set_fvf(k_mesh_fvf);
    d->set_stream_source(0, cone_buffer.get(), 0, sizeof(mesh_vertex));
    CHECK_HR(d->draw_primitive(PT_TRIANGLELIST, 0, cone_vertex_count / 3));
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->set_render_state(RS_ALPHABLENDENABLE, blend);
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
    d->set_render_state(RS_ZENABLE, 1);
    d->set_render_state(RS_LIGHTING, 1);
    d->set_render_state(RS_FOGENABLE, 1);
    d->set_transform(TS_PROJECTION, projection);
}
