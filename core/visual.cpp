#include "core/visual.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/file_helpers.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "platform/text.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "visual";

namespace {

constexpr std::uint32_t k_visual_fvf = FVF_XYZ | FVF_NORMAL | FVF_TEX1;
constexpr int k_vertex_bytes = static_cast<int>(sizeof(model_vertex));  // 32
// e: the fourth value of the fog constants (the shader's exp base).
constexpr float k_e = 2.7182817f;

int primitives_for(std::uint32_t type, int n) {
    switch (type) {
    case PT_TRIANGLELIST: return n / 3;
    case PT_TRIANGLESTRIP: return n - 2;
    case PT_TRIANGLEFAN: return n - 1;
    default: return 0;
    }
}

void set_row_constants(gfx_device* d, int start, const mat4& m) {
    d->set_vertex_shader_constant_f(start, m.data(), 4);
}

void set_vs(gfx_device* d, int index, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    d->set_vertex_shader_constant_f(index, v, 1);
}

}  // namespace

visual::visual() {
    type = FRAME_VISUAL;
    set_name("visual");
    layer = 5;
    set_colour(1.0f, 1.0f, 1.0f, 1.0f);
}

visual::~visual() { visual::clear_children(); }

void visual::clear_children() {
    frame::clear_children();
    vertex_buffer.reset();
    release_texture();
    points.clear();
    point_count = 0;
}

void visual::release_texture() {
    if (texture != nullptr && g_app != nullptr) g_app->release_texture(&texture);
    texture = nullptr;
}

void visual::set_colour(float r, float g, float b, float a) {
    material = gfx_material{};
    material.diffuse = {r, g, b, a};
    material.ambient = material.diffuse;
}

bool visual::set_points(int total, int stride, int start, const vec3* source) {
    points.clear();
    point_count = 0;
    if (stride <= 0 || total <= 0 || start < 0 || source == nullptr) return false;
    point_count = total / stride;
    points.reserve(static_cast<std::size_t>(point_count));
    // Only points inside the given array are taken.
    for (int i = 0; i < point_count && start + i * stride < total; ++i) points.push_back(source[start + i * stride]);
    point_count = static_cast<int>(points.size());
    return true;
}

bool visual::create_vertex_buffer(std::uint32_t type_code, int n, const model_vertex* vertices) {
    const int primitives = primitives_for(type_code, n);
    // A strip or fan needs three vertices for its first triangle; a count below that would
    // draw a negative number of primitives.
    if (primitives < 1 || vertices == nullptr) return false;
    gfx_device* d = current_device();
    if (d == nullptr) return false;
    vertex_count = n;
    vertex_buffer.reset();
    vertex_buffer_ptr made;
    if (!CHECK_HR(d->create_vertex_buffer(n * k_vertex_bytes, 0, k_visual_fvf, POOL_MANAGED, &made))) return false;
    void* bits = nullptr;
    if (!CHECK_HR(made->lock(0, 0, &bits))) return false;
    std::memcpy(bits, vertices, static_cast<std::size_t>(n) * sizeof(model_vertex));
    made->unlock();
    vertex_buffer = std::move(made);
    update_bounding_box();
    primitive_type = type_code;
    primitive_count = primitives;
    return true;
}

void visual::set_texture(const char* file_name, int load_mode) {
    if (std::strcmp(file_name, name) == 0) return;
    release_texture();
    char n[frame::k_name_size];
    copy_text(n, file_name);
    night_variant = find_n_variant_file(n, sizeof n) ? 1 : 0;
    set_name(n);
    if (g_app != nullptr) g_app->load_texture(n, &texture, load_mode, true);
}

void visual::drape_on_ground() { mark_ground(true); }

void visual::mark_draped() { mark_ground(false); }

void visual::mark_ground(bool lay) {
    if (!vertex_buffer) return;
    const float scale_y = local.m[1][1];
    if (lay && scale_y == 0.0f) {
        log_line("Cannot drape %s: its vertical scale is 0", name);
        return;
    }
    void* bits = nullptr;
    if (!CHECK_HR(vertex_buffer->lock(0, 0, &bits))) return;
    model_vertex* v = static_cast<model_vertex*>(bits);
    const float world_y = world.m[3][1];
    for (int i = 0; i < vertex_count; ++i) {
        const vec3 w = transform_point(v[i].x, v[i].y, v[i].z, world);
        float h = 0.0f;
        if (lay) ground_height(w.x, w.z, &h);
        mark_ground_cell(w.x, w.z, 1);
        if (lay) v[i].y = (h - world_y) / scale_y;
    }
    vertex_buffer->unlock();
    pass1 = 0;
    update_bounding_box();
}

void visual::update_bounding_box() {
    box = box6{};
    base_box = box6{};
    base_radius = 0.0f;
    radius = 0.0f;
    if (vertex_buffer) {
        void* bits = nullptr;
        if (CHECK_HR(vertex_buffer->lock(0, 0, &bits))) {
            const model_vertex* v = static_cast<const model_vertex*>(bits);
            for (int i = 0; i < vertex_count; ++i) {
                const vec3 p{v[i].x, v[i].y, v[i].z};
                base_box.min = {std::min(base_box.min.x, p.x), std::min(base_box.min.y, p.y), std::min(base_box.min.z, p.z)};
                base_box.max = {std::max(base_box.max.x, p.x), std::max(base_box.max.y, p.y), std::max(base_box.max.z, p.z)};
                base_radius = std::max(base_radius, length(p));
            }
            vertex_buffer->unlock();
        }
    }
    box = base_box;
    radius = base_radius * std::max(length(get_axis_x(local)), length(get_axis_z(local)));
}

void visual::render() {
    if (g_app != nullptr && g_app->shadow_pass == 1) return;
    frame::render();
    if (!in_view || !in_frustum() || !vertex_buffer) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    d->set_transform(TS_WORLD, world);
    const float shadow_distance = g_state != nullptr ? g_state->shadow_distance : 0.0f;
    if (g_app != nullptr && g_app->shadow_pass == 2 && camera_distance - radius < shadow_distance && pass2) {
        render_shadow_receiver();
        return;
    }
    const mat4* normal_projection = g_state != nullptr ? g_state->projection_matrix : nullptr;
    if (near_projection == 0) {
        if (g_state != nullptr && g_state->offset_projection != nullptr) d->set_transform(TS_PROJECTION, *g_state->offset_projection);
        d->set_render_state(RS_ZWRITEENABLE, 0);
        if (night_variant && g_state != nullptr && g_state->night) d->set_render_state(RS_LIGHTING, 0);
    } else if (normal_projection != nullptr) {
        d->set_transform(TS_PROJECTION, *normal_projection);
    }
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_NORMALIZENORMALS, 1);
    d->set_material(material);
    d->set_texture(0, texture);
    d->set_stream_source(0, vertex_buffer.get(), 0, k_vertex_bytes);
    d->set_fvf(k_visual_fvf);
    d->draw_primitive(primitive_type, 0, primitive_count);
    d->set_render_state(RS_CULLMODE, g_app != nullptr ? static_cast<std::uint32_t>(g_app->front_cull) : CULL_CCW);
    d->set_render_state(RS_NORMALIZENORMALS, 0);
    d->set_render_state(RS_ZWRITEENABLE, 1);
    d->set_render_state(RS_LIGHTING, 1);
    if (normal_projection != nullptr) d->set_transform(TS_PROJECTION, *normal_projection);
}

void visual::render_shadow_receiver() {
    gfx_device* d = current_device();
    const model_shading& s = shading();
    const app_state* st = g_state;
    set_vs(d, 4, s.sun.direction[0], s.sun.direction[1], s.sun.direction[2], s.sun.range);
    set_vs(d, 5, s.sun.diffuse.r, s.sun.diffuse.g, s.sun.diffuse.b, s.sun.diffuse.a);
    set_vs(d, 6, s.sun.ambient.r, s.sun.ambient.g, s.sun.ambient.b, s.sun.ambient.a);
    const float fog_alt = st != nullptr ? st->fog_alt : 1000.0f;
    const float camera_alt = st != nullptr ? st->camera_alt : 0.0f;
    set_vs(d, 7, fog_alt, camera_alt, fog_alt - camera_alt, 0.0f);
    const float fog0 = st != nullptr ? st->fog_distances[0] : 35000.0f;
    const float fog1 = st != nullptr ? st->fog_distances[1] : 5000.0f;
    set_vs(d, 16, fog0, 1.0f, 2.3f / fog0, k_e);
    set_vs(d, 17, fog1, 1.0f, 2.3f / fog1, k_e);
    d->set_render_state(RS_FOGTABLEMODE, FOG_NONE);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_EXP);
    mat4 projection = d->transform(TS_PROJECTION);
    if (near_projection == 0) {
        if (st != nullptr && st->offset_projection != nullptr) projection = *st->offset_projection;
        d->set_render_state(RS_ZWRITEENABLE, 0);
    } else if (st != nullptr && st->projection_matrix != nullptr) {
        projection = *st->projection_matrix;
    }
    const mat4 view = d->transform(TS_VIEW);
    set_row_constants(d, 0, mat_transpose(world * view * projection));
    set_row_constants(d, 8, mat_transpose(world * view));
    set_row_constants(d, 12, world);
    const float shadow_alt = st != nullptr ? st->shadow_alt : 100.0f;
    const float fade = std::max(0.0f, 1.0f - 1.0f / std::max(1.0f, shadow_alt - camera_alt));
    const float ps0[4] = {fade, fade, fade, fade};
    d->set_pixel_shader_constant_f(0, ps0, 1);
    set_row_constants(d, 20, mat_transpose(world * s.shadow_view * s.shadow_projection));
    set_row_constants(d, 24, mat_transpose(world));
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_NORMALIZENORMALS, 1);
    d->set_sampler_state(1, SAMP_ADDRESSU, TADDRESS_BORDER);
    d->set_sampler_state(1, SAMP_ADDRESSV, TADDRESS_BORDER);
    d->set_sampler_state(1, SAMP_BORDERCOLOR, 0);
    d->set_material(material);
    d->set_texture(0, texture);
    d->set_texture(1, s.shadow_texture);
    d->set_texture(2, s.bump_texture);
    d->set_vertex_shader(s.visual_receiver_vs);
    d->set_pixel_shader(s.visual_receiver_ps);
    d->set_stream_source(0, vertex_buffer.get(), 0, k_vertex_bytes);
    d->set_fvf(k_visual_fvf);
    d->draw_primitive(primitive_type, 0, primitive_count);
    d->set_render_state(RS_CULLMODE, g_app != nullptr ? static_cast<std::uint32_t>(g_app->front_cull) : CULL_CCW);
    d->set_render_state(RS_NORMALIZENORMALS, 0);
    d->set_render_state(RS_ZWRITEENABLE, 1);
    d->set_sampler_state(1, SAMP_ADDRESSU, TADDRESS_WRAP);
    d->set_sampler_state(1, SAMP_ADDRESSV, TADDRESS_WRAP);
    d->set_sampler_state(1, SAMP_BORDERCOLOR, 0);
    d->set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    d->set_render_state(RS_FOGVERTEXMODE, FOG_NONE);
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
}

bool visual::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (!active || !hit_testable || !vertex_buffer || primitive_type != PT_TRIANGLELIST) return false;
    if (!(length(cross(direction, world_position() - origin)) < radius)) return false;
    void* bits = nullptr;
    if (CHECK_HR(vertex_buffer->lock(0, 0, &bits))) {
        const model_vertex* v = static_cast<const model_vertex*>(bits);
        for (int k = 0; k + 2 < vertex_count; k += 3) {
            const vec3 p0 = transform_point(v[k].x, v[k].y, v[k].z, world);
            const vec3 p1 = transform_point(v[k + 1].x, v[k + 1].y, v[k + 1].z, world);
            const vec3 p2 = transform_point(v[k + 2].x, v[k + 2].y, v[k + 2].z, world);
            float t = 0.0f;
            if (!intersect_ray_triangle(origin, direction, p0, p1, p2, &t)) continue;
            if (t > 0.0f && g_state != nullptr && t < g_state->nearest_hit) {
                g_state->hit_normal = normalize(cross(p1 - p0, p2 - p0));
                g_state->nearest_hit = t;
                if (hit != nullptr) *hit = this;
            }
        }
        vertex_buffer->unlock();
    }
    return frame::hit_test_ray(direction, origin, hit, result);
}

hresult create_visual(frame* parent, visual** out) { return create_owned(parent, out); }

hresult create_detached_visual(visual** out) { return create_owned<visual>(nullptr, out); }

hresult destroy_visual(visual** variable) { return destroy_owned(variable); }
