// Drawing the sea: the far grid under the snapped lead point, then up to 33 x 33 copies of
// the near patch at their level of detail (never the finest), or the adaptive mesh.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "world/sea.h"

namespace {

constexpr float k_lead_share = 0.85f;  // the lead point sits this share of the far reach ahead
constexpr float k_wave_time_rate = 0.03f;

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

void sea::render(bool /*full*/) {
    gfx_device* d = device();
    if (d == nullptr || !far_vertex_buffer || !near_vertex_buffer) return;
    world = mat_translation(pattern_offset_x, water_level() - origin_y(), pattern_offset_z);
    const bool above = g_state == nullptr || g_state->above_water != 0;
    const int front = g_app->front_cull, back = g_app->back_cull;
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(above ? front : back));
    d->set_render_state(RS_SPECULARENABLE, 1);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
    d->set_render_state(RS_ALPHABLENDENABLE, 0);
    if (g_state != nullptr) d->set_material(g_state->objects.default_material);
    set_draw_constants(d);
    d->set_fvf(k_fvf);
    if (grid_mode != 0) {
        render_grid();
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
    d->set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_NONE);
}

void sea::render_grid() {
    gfx_device* d = device();
    drawn_index_count = 0;
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

    constexpr int stride = static_cast<int>(sizeof(sea_vertex));
    d->set_stream_source(0, far_vertex_buffer.get(), 0, stride);
    d->set_indices(far_index_buffer.get());
    if (far_index_count >= 3) {
        CHECK_HR(d->draw_indexed_primitive(PT_TRIANGLELIST, 0, 0, far_vertex_count, 0, far_index_count / 3));
        drawn_index_count += far_index_count;
    }
    if (near_vertex_count == 0) return;
    d->set_stream_source(0, near_vertex_buffer.get(), 0, stride);
    d->set_indices(near_index_buffer.get());
    const int span = far_grid_span;
    for (int ti = -span; ti <= span; ++ti) {
        for (int tj = -span; tj <= span; ++tj) {
            const float tx = x0 + tj * patch_size;
            const float tz = z0 + ti * patch_size;
            world = mat_translation(tx, y, tz);
            set_draw_constants(d);
            const float dx = camera.x - (tx + 0.5f * patch_size);
            const float dy = camera.y - y;
            const float dz = camera.z - (tz + 0.5f * patch_size);
            const float dist = std::sqrt(dx * dx + dy * dy + dz * dz) / patch_size;
            // The finest level is never drawn: one patch of 64 cells is fine enough close up.
            const int level = static_cast<int>(std::min(3.0f, std::max(1.0f, std::sqrt(dist))));
            const float fade[4] = {c8[0], c8[1], c8[2], (span - dist / 2.0f) * fog / span};
            d->set_vertex_shader_constant_f(8, fade, 1);
            CHECK_HR(d->draw_indexed_primitive(PT_TRIANGLELIST, 0, 0, near_vertex_count,
                                               lod_start[level], lod_count[level] / 3));
            drawn_index_count += lod_count[level];
        }
    }
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
