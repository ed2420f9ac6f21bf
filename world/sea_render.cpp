// Drawing the sea: the far grid under the snapped lead point, then up to 33 x 33 copies of
// the near patch at their level of detail (never the finest), gathered into a few large
// draws, or the adaptive mesh. A draw costs the software renderer more than its triangles:
// one per patch made the sea the dearest part of the frame. In the main view above the
// water, far cells and near patches the land drawn before them hides are left out.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "world/clip_test.h"
#include "world/sea.h"
#include "world/terrain.h"

namespace {

constexpr const char k_hr_source[] = "sea";

constexpr float k_lead_share = 0.85f;  // the lead point sits this share of the far reach ahead
constexpr float k_wave_time_rate = 0.03f;
constexpr float k_reach_slack = 0.5f;  // metres over the wave field's reach

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }
float water_level() { return g_state != nullptr ? g_state->water_level : 0.0f; }
float origin_y() { return g_state != nullptr ? g_state->origin_offset.y : 0.0f; }

void set_vs(gfx_device* d, int index, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    d->set_vertex_shader_constant_f(index, v, 1);
}

void set_vs_transposed(gfx_device* d, int start, const mat4& m) {
    const mat4 t = mat_transpose(m);
    d->set_vertex_shader_constant_f(start, &t.m[0][0], 4);
}

void camera_frame(vec3* position, vec3* forward) {
    *position = vec3{};
    *forward = vec3{0.0f, 0.0f, 1.0f};
    if (g_state == nullptr || g_state->camera_world == nullptr) return;
    const mat4& m = *g_state->camera_world;
    *position = vec3{m.m[3][0], m.m[3][1], m.m[3][2]};
    *forward = vec3{m.m[2][0], m.m[2][1], m.m[2][2]};
}

}  // namespace

// World x view x projection and world x view (c0..c7), the camera relative to the drawn
// piece (pixel c17) and the overhead view (c21), for the current world matrix.
void sea::set_draw_constants(gfx_device* d) {
    d->set_transform(TS_WORLD, world);
    const mat4 world_view = world * d->transform(TS_VIEW);
    set_vs_transposed(d, 0, world_view * d->transform(TS_PROJECTION));
    set_vs_transposed(d, 4, world_view);
    vec3 camera, forward;
    camera_frame(&camera, &forward);
    const float wx = world.m[3][0], wy = world.m[3][1], wz = world.m[3][2];
    const float c17[4] = {camera.x - wx, std::fabs(camera.y - wy), camera.z - wz, 0.0f};
    d->set_pixel_shader_constant_f(17, c17, 1);
    const float* p = g_state != nullptr ? g_state->objects.overhead : nullptr;
    const vec3 o = g_state != nullptr ? g_state->origin_offset : vec3{};
    if (p != nullptr) {
        set_vs(d, 21, p[0] - wx - o.x, 0.5f, p[2] - wz - o.z, 0.5f / std::max(p[3], 1e-3f));
    }
}

void sea::render(bool full, const terrain* cover) {
    gfx_device* d = device();
    if (d == nullptr || !far_vertex_buffer || !near_vertex_buffer) return;
    world = mat_translation(pattern_offset_x, water_level() - origin_y(), pattern_offset_z);
    const bool above = g_state == nullptr || g_state->above_water != 0;
    const int front = g_app->front_cull, back = g_app->back_cull;
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(above ? front : back));
    d->set_render_state(RS_SPECULARENABLE, 1);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
    d->set_render_state(RS_ALPHABLENDENABLE, 0);
    // The sea is opaque: without the alpha test hidden pixels are rejected before shading.
    const std::uint32_t alpha_test = d->render_state(RS_ALPHATESTENABLE);
    d->set_render_state(RS_ALPHATESTENABLE, 0);
    if (g_state != nullptr) d->set_material(g_state->objects.default_material);
    set_draw_constants(d);
    d->set_fvf(k_fvf);
    if (grid_mode != 0) {
        render_grid(full ? cover : nullptr);
    } else {
        render_mesh();
    }
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
    for (int stage = 0; stage < 4; ++stage) {
        d->set_sampler_state(stage, SAMP_ADDRESSU, TADDRESS_WRAP);
        d->set_sampler_state(stage, SAMP_ADDRESSV, TADDRESS_WRAP);
    }
    d->set_texture_stage_state(0, TSS_COLOROP, TOP_MODULATE);
    d->set_texture_stage_state(0, TSS_COLORARG1, TA_TEXTURE);
    d->set_texture_stage_state(0, TSS_COLORARG2, TA_CURRENT);
    for (int stage = 1; stage < 4; ++stage) d->set_texture_stage_state(stage, TSS_COLOROP, TOP_DISABLE);
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(front));
    d->set_render_state(RS_SPECULARENABLE, 0);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_MATERIAL);
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    d->set_render_state(RS_ALPHATESTENABLE, alpha_test);
    d->set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_NONE);
}

void sea::render_grid(const terrain* cover) {
    gfx_device* d = device();
    drawn_index_count = 0;
    hidden_patches = 0;
    vec3 camera, forward;
    camera_frame(&camera, &forward);
    const float lead = far_grid_span * k_lead_share * N;
    const int ix = static_cast<int>((camera.x - pattern_offset_x) / cell_size + lead * forward.x);
    const int iz = static_cast<int>((camera.z - pattern_offset_z) / cell_size + lead * forward.z);
    const float x0 = (ix - ix % N) * cell_size + pattern_offset_x;
    const float z0 = (iz - iz % N) * cell_size + pattern_offset_z;
    const float y = water_level() - origin_y();
    world = mat_translation(x0, y, z0);
    set_draw_constants(d);
    inverse_patch = 1.0f / patch_size;
    const float fog = g_state != nullptr ? g_state->objects.fog_value : 1.0f;
    const float c8[4] = {2.0f * inverse_patch, inverse_patch,
                         std::fmod(k_wave_time_rate * wave_time, 100.0f), fog};
    d->set_vertex_shader_constant_f(8, c8, 1);

    const mat4 view_projection = d->transform(TS_VIEW) * d->transform(TS_PROJECTION);
    // The eye of this view, for the water under the land.
    mat4 eye_world = mat_identity();
    const mat4& projection = d->transform(TS_PROJECTION);
    const bool perspective = projection.m[2][3] == 1.0f && projection.m[3][3] == 0.0f && projection.m[2][2] != 0.0f;
    const float near_plane = perspective ? -projection.m[3][2] / projection.m[2][2] : 0.0f;
    const bool have_eye = cover != nullptr && near_plane > 0.0f && mat_inverse(d->transform(TS_VIEW), &eye_world);
    const vec3 eye{eye_world.m[3][0], eye_world.m[3][1], eye_world.m[3][2]};
    constexpr int stride = static_cast<int>(sizeof(sea_vertex));
    d->set_stream_source(0, far_vertex_buffer.get(), 0, stride);
    d->set_indices(far_index_buffer.get());
    hidden_cells = 0;
    if (far_index_count >= 3 && !(have_eye && draw_far_cells(d, cover, eye, near_plane, view_projection))) {
        CHECK_HR(d->draw_indexed_primitive(PT_TRIANGLELIST, 0, 0, far_vertex_count, 0, far_index_count / 3));
        drawn_index_count += far_index_count;
    }
    batch_draws = 0;
    if (near_vertex_count == 0 || grid_vertices.empty()) return;
    const int span = far_grid_span;
    // Waves and their sideways displacement stay within a few wave heights.
    const float margin = 10.0f + 4.0f * wave_height;
    // The reach of the waves with a little over for rounding.
    const float up = height_reach + k_reach_slack;
    const float sideways = sideways_reach + k_reach_slack;
    batch_vertices.clear();
    batch_indices.clear();
    for (int ti = -span; ti <= span; ++ti) {
        for (int tj = -span; tj <= span; ++tj) {
            const float tx = x0 + tj * patch_size;
            const float tz = z0 + ti * patch_size;
            const mat4 to_clip = mat_translation(tx, y, tz) * view_projection;
            if (!box_in_view(vec3{-margin, -margin, -margin},
                             vec3{patch_size + margin, margin, patch_size + margin}, to_clip)) {
                continue;
            }
            if (have_eye && cover->land_hides_water(eye, tx - sideways, tz - sideways, tx + patch_size + sideways,
                                                    tz + patch_size + sideways, up, near_plane)) {
                ++hidden_patches;
                continue;
            }
            const float dx = camera.x - (tx + 0.5f * patch_size);
            const float dy = camera.y - y;
            const float dz = camera.z - (tz + 0.5f * patch_size);
            const float dist = std::sqrt(dx * dx + dy * dy + dz * dz) / patch_size;
            // The finest level is never drawn: one patch of 64 cells is fine enough close up.
            const int level = static_cast<int>(std::min(3.0f, std::max(1.0f, std::sqrt(dist))));
            add_to_batch(level, tj * patch_size, ti * patch_size);
            drawn_index_count += lod_count[level];
        }
    }
    draw_batch(d);
}

// The far grid lies flat at the water level: each cell (two triangles, six indices in the
// order the buffer holds them) is kept when its square can be in view and the land is not
// shown to hide it.
bool sea::draw_far_cells(gfx_device* d, const terrain* cover, const vec3& eye, float near_plane,
                         const mat4& view_projection) {
    if (far_indices.size() != far_index_count || far_vertices.size() != far_vertex_count) return false;
    const mat4 to_clip = world * view_projection;
    const float wx = world.m[3][0], wz = world.m[3][2];
    far_drawn.clear();
    for (std::size_t i = 0; i + 6 <= far_indices.size(); i += 6) {
        const sea_vertex& a = far_vertices[far_indices[i]];      // the cell's first corner
        const sea_vertex& b = far_vertices[far_indices[i + 4]];  // and the one across it
        const vec3 lo{std::min(a.x, b.x), 0.0f, std::min(a.z, b.z)};
        const vec3 hi{std::max(a.x, b.x), 0.0f, std::max(a.z, b.z)};
        if (!box_in_view(lo, hi, to_clip)) continue;
        if (cover->land_hides_water(eye, wx + lo.x, wz + lo.z, wx + hi.x, wz + hi.z, 0.0f, near_plane)) {
            ++hidden_cells;
            continue;
        }
        far_drawn.insert(far_drawn.end(), far_indices.begin() + i, far_indices.begin() + i + 6);
    }
    if (far_drawn.size() >= 3) {
        CHECK_HR(d->draw_indexed_primitive_up(PT_TRIANGLELIST, 0, far_vertex_count,
                                              static_cast<int>(far_drawn.size() / 3), far_drawn.data(),
                                              FMT_INDEX16, far_vertices.data(), static_cast<int>(sizeof(sea_vertex))));
        drawn_index_count += static_cast<int>(far_drawn.size());
    }
    return true;
}

// The patch at (dx, dz) from the lead point, at the level, joins the batch; a full batch is
// drawn first.
void sea::add_to_batch(int level, float dx, float dz) {
    const std::vector<std::uint16_t>& used = level_vertices[level];
    if (batch_vertices.size() + used.size() > static_cast<std::size_t>(k_batch_vertices)) {
        draw_batch(device());
    }
    const std::size_t base = batch_vertices.size();
    for (std::uint16_t source : used) {
        sea_vertex v = grid_vertices[source];
        v.x += dx;
        v.z += dz;
        batch_vertices.push_back(v);
    }
    for (std::uint16_t i : level_indices[level]) {
        batch_indices.push_back(static_cast<std::uint16_t>(base + i));
    }
}

// The batch, placed at the lead point (the world matrix of the far grid).
void sea::draw_batch(gfx_device* d) {
    if (batch_indices.size() >= 3) {
        CHECK_HR(d->draw_indexed_primitive_up(PT_TRIANGLELIST, 0, static_cast<int>(batch_vertices.size()),
                                              static_cast<int>(batch_indices.size() / 3),
                                              batch_indices.data(), FMT_INDEX16, batch_vertices.data(),
                                              static_cast<int>(sizeof(sea_vertex))));
        ++batch_draws;
    }
    batch_vertices.clear();
    batch_indices.clear();
}

void sea::render_mesh() {
    gfx_device* d = device();
    drawn_index_count = 0;
    if (mesh_index_count < 3) return;
    d->set_stream_source(0, near_vertex_buffer.get(), 0, static_cast<int>(sizeof(sea_vertex)));
    d->set_indices(near_index_buffer.get());
    CHECK_HR(d->draw_indexed_primitive(PT_TRIANGLELIST, 0, 0, mesh_vertex_count, 0, mesh_index_count / 3));
    drawn_index_count = mesh_index_count;
}

// ---- Caustics projection and wave patches ----

namespace {

constexpr int k_wave_frames = 32;
constexpr float k_frames_per_second = 20.0f;
constexpr float k_projection_repeat = 5.0f;  // caustics texture repeats per patch
constexpr float k_drift_wrap = 64.0f;
constexpr float k_patch_reach = 10.0f;       // patches stay within 10 m of their centre
constexpr float k_patch_jump = 50.0f;        // a larger move of the centre is a jump
constexpr float k_patch_lead = 20.0f;        // the centre lies 20 m ahead of the camera
constexpr float k_patch_u_step = 0.1f;

struct patch_vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};
constexpr std::uint32_t k_patch_fvf = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;

bool paused() { return g_app != nullptr && g_app->paused != 0; }

// The drift of one frame: along the wind while the waves run, else with the current.
void frame_drift(bool waves, float out[2]) {
    out[0] = out[1] = 0.0f;
    if (paused() || g_state == nullptr) return;
    const float step = g_state->smoothed_step;
    if (waves) {
        out[0] = std::sin(g_state->wind_direction) * step;
        out[1] = std::cos(g_state->wind_direction) * step;
    } else {
        out[0] = g_state->current[0] * step;
        out[1] = g_state->current[1] * step;
    }
}

}  // namespace

void sea::update_wave_projection() {
    if (g_state == nullptr) return;
    app_state_objects& o = g_state->objects;
    o.wave_frame = static_cast<int>(wave_time * k_frames_per_second) % k_wave_frames;
    if (o.wave_frame < 0) o.wave_frame += k_wave_frames;
    float drift[2];
    frame_drift(waves_shown != 0, drift);
    wave_drift[0] += drift[0];
    wave_drift[1] += drift[1];
    vec3 camera, forward;
    camera_frame(&camera, &forward);
    const float s = k_projection_repeat / patch_size;
    // Camera-space positions back to world axes (the view's rotation only), turned so the
    // water plane's x and z become the texture's u and v, scaled to the repeat.
    mat4 to_world = g_state->view_matrix != nullptr ? mat_transpose(*g_state->view_matrix) : mat_identity();
    for (int i = 0; i < 3; ++i) {
        to_world.m[i][3] = 0.0f;
        to_world.m[3][i] = 0.0f;
    }
    o.wave_projection = to_world * mat_rotation_x(1.5707964f) * mat_scaling(s, s, s);
    o.wave_offset[0] = camera.x * s - std::fmod(wave_drift[0] * s, k_drift_wrap);
    o.wave_offset[1] = std::fmod(wave_drift[1] * s, k_drift_wrap) - camera.z * s;
    o.wave_projection.m[3][0] = o.wave_offset[0];
    o.wave_projection.m[3][1] = o.wave_offset[1];
}

void sea::render_wave_patches() {
    gfx_device* d = device();
    if (d == nullptr || g_state == nullptr) return;
    const gfx_light* light = g_state->objects.current_light;
    const vec3 sun = light != nullptr ? vec3{light->direction[0], light->direction[1], light->direction[2]}
                                      : vec3{0.0f, -1.0f, 0.0f};
    vec3 camera, forward;
    camera_frame(&camera, &forward);
    const float y0 = water_level() - origin_y();
    const float reach = (water_level() - camera.y - origin_y()) / std::max(0.01f, -sun.y);
    const float mx = camera.x + reach * -sun.x + k_patch_lead * forward.x;
    const float mz = camera.z + reach * -sun.z + k_patch_lead * forward.z;
    float drift[2];
    frame_drift(waves_shown != 0, drift);
    if (std::fabs(mx - patch_centre[0]) > k_patch_jump) drift[0] += mx - patch_centre[0];
    if (std::fabs(mz - patch_centre[1]) > k_patch_jump) drift[1] += mz - patch_centre[1];
    patch_centre[0] = mx;
    patch_centre[1] = mz;

    vec3 right{1.0f, 0.0f, 0.0f};
    if (g_state->camera_world != nullptr) {
        const mat4& m = *g_state->camera_world;
        right = vec3{m.m[0][0], m.m[0][1], m.m[0][2]};
    }
    const vec3 base{0.0f, y0, 0.0f};
    const vec3 points[6] = {base, base + right, base + sun * 20.0f, base + sun * 20.0f + right,
                            base + sun * 40.0f, base + sun * 40.0f + right};
    const std::uint32_t colours[6] = {0x00FFFFFFu, 0x00FFFFFFu, 0x80FFFFFFu,
                                      0x80FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu};
    patch_vertex strip[6];
    for (int i = 0; i < 6; ++i) {
        strip[i] = patch_vertex{points[i].x, points[i].y, points[i].z, colours[i],
                                (i % 2) * k_patch_u_step, 0.0f};
    }
    d->set_render_state(RS_FOGCOLOR, 0);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_ZWRITEENABLE, 0);
    d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    d->set_texture(0, g_state->objects.wave_texture());
    d->set_fvf(k_patch_fvf);
    for (int p = 0; p < patch_count && p < k_patches; ++p) {
        patch_x[p] += drift[0];
        patch_z[p] += drift[1];
        if (!std::isfinite(patch_x[p]) || !std::isfinite(patch_z[p]) || !std::isfinite(mx) ||
            !std::isfinite(mz)) {
            continue;  // a broken camera position: nothing sensible to gather round
        }
        while (patch_x[p] > mx + k_patch_reach) patch_x[p] -= 2.0f * k_patch_reach;
        while (patch_x[p] < mx - k_patch_reach) patch_x[p] += 2.0f * k_patch_reach;
        while (patch_z[p] > mz + k_patch_reach) patch_z[p] -= 2.0f * k_patch_reach;
        while (patch_z[p] < mz - k_patch_reach) patch_z[p] += 2.0f * k_patch_reach;
        d->set_transform(TS_WORLD, mat_translation(patch_x[p], 0.0f, patch_z[p]));
        for (patch_vertex& v : strip) v.u += k_patch_u_step;
        CHECK_HR(d->draw_primitive_up(PT_TRIANGLESTRIP, 4, strip, static_cast<int>(sizeof(patch_vertex))));
    }
    d->set_render_state(RS_FOGCOLOR, g_app->fog_color);
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
    d->set_render_state(RS_ZWRITEENABLE, 1);
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
}
