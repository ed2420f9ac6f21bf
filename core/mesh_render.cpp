// How a mesh draws itself: the subsets with the opaque and translucent root passes and the
// reflective glass path, the special paths of its drawing flags (no depth write, additive,
// self-lit), the two shader paths of the shadow pass (into the shadow map, and receiving
// shadows) and the planar shadow it marks in the stencil buffer. Device results are not
// checked while drawing: a failed draw shows as a missing part, never as a failed step.
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/mesh.h"
#include "core/model_shading.h"
#include "platform/gfx_device.h"

namespace {

// Ambient of self-lit and additive drawing: full white (0x00RRGGBB).
constexpr std::uint32_t k_full_ambient = 0x00FFFFFFu;
// Glass: the reflection and the lit material colour half and half (factor alpha 0x80).
constexpr std::uint32_t k_glass_factor = 0x80000000u;
// Untextured materials above this alpha are drawn plainly; below it they are glass.
constexpr float k_glass_alpha = 0.9f;

int render_pass() { return g_state != nullptr ? g_state->render_pass : 0; }
int shadow_pass() { return g_app != nullptr ? g_app->shadow_pass : 0; }
float shadow_distance() { return g_state != nullptr ? g_state->shadow_distance : 0.0f; }
std::uint32_t front_cull() { return g_app != nullptr ? static_cast<std::uint32_t>(g_app->front_cull) : CULL_CCW; }

void set_constants(gfx_device* d, bool vertex, int start, const mat4& m) {
    const mat4 t = mat_transpose(m);
    if (vertex) {
        d->set_vertex_shader_constant_f(start, t.data(), 4);
    } else {
        d->set_pixel_shader_constant_f(start, t.data(), 4);
    }
}

void set_constant(gfx_device* d, bool vertex, int index, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    if (vertex) {
        d->set_vertex_shader_constant_f(index, v, 1);
    } else {
        d->set_pixel_shader_constant_f(index, v, 1);
    }
}

void set_colour_constant(gfx_device* d, bool vertex, int index, const color_value& c) {
    set_constant(d, vertex, index, c.r, c.g, c.b, c.a);
}

// The world matrices of a subtree, pre-order, so a flattened drawing can put them back.
void save_worlds(frame* f, std::vector<mat4>* saved) {
    saved->push_back(f->world);
    for (int i = 0; i < f->child_count(); ++i) {
        if (f->child(i) != nullptr) save_worlds(f->child(i), saved);
    }
}

void flatten_worlds(frame* f, const mat4& flatten) {
    f->world = f->world * flatten;
    for (int i = 0; i < f->child_count(); ++i) {
        if (f->child(i) != nullptr) flatten_worlds(f->child(i), flatten);
    }
}

void restore_worlds(frame* f, const std::vector<mat4>& saved, std::size_t* next) {
    f->world = saved[(*next)++];
    for (int i = 0; i < f->child_count(); ++i) {
        if (f->child(i) != nullptr) restore_worlds(f->child(i), saved, next);
    }
}

}  // namespace

bool mesh::drawn_in_pass(float alpha, int pass) {
    const bool translucent = alpha > 0.05f && alpha < 0.75f;
    if (pass == 1) return !translucent;
    if (pass == 2) return translucent;
    return true;
}

void mesh::render() {
    frame::render();
    if (!in_view || material_count == 0 || !d3dx_mesh || !in_frustum()) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    if (special_draw) {
        if (no_depth_write) {
            d->set_render_state(RS_ZWRITEENABLE, 0);
            draw_subsets();
            d->set_render_state(RS_ZWRITEENABLE, 1);
        } else if (additive) {
            if (render_pass() == 1) return;
            d->set_transform(TS_WORLD, world);
            d->set_render_state(RS_DESTBLEND, BLEND_ONE);
            d->set_render_state(RS_ZWRITEENABLE, 0);
            d->set_render_state(RS_AMBIENT, k_full_ambient);
            d->set_render_state(RS_CULLMODE, CULL_NONE);
            for (std::uint32_t i = 0; i < material_count; ++i) {
                d->set_material(materials[i]);
                d->set_texture(0, textures[i]);
                d3dx_mesh->draw_subset(d, i);
            }
            d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
            d->set_render_state(RS_FOGCOLOR, g_app != nullptr ? g_app->fog_color : 0xFFFFFFFFu);
            d->set_render_state(RS_ZWRITEENABLE, 1);
            d->set_render_state(RS_AMBIENT, 0);
            d->set_render_state(RS_CULLMODE, front_cull());
        } else if (self_lit) {
            d->set_render_state(RS_AMBIENT, k_full_ambient);
            draw_subsets();
            d->set_render_state(RS_AMBIENT, 0);
        }
        return;
    }
    const bool near_enough = shadow_distance() > camera_distance;
    switch (shadow_pass()) {
    case 1:
        if (near_enough && pass1) render_shadow_map();
        break;
    case 2:
        if (near_enough && pass2) {
            render_shadow_receiver();
        } else {
            draw_subsets();
        }
        break;
    default:
        draw_subsets();
        break;
    }
}

void mesh::draw_subsets() {
    gfx_device* d = current_device();
    if (d == nullptr || !d3dx_mesh) return;
    d->set_transform(TS_WORLD, world);
    d->set_render_state(RS_SPECULARENABLE, 1);
    d->set_render_state(RS_NORMALIZENORMALS, 1);
    const int pass = render_pass();
    for (std::uint32_t i = 0; i < material_count; ++i) {
        const float alpha = materials[i].diffuse.a;
        if (!drawn_in_pass(alpha, pass)) continue;
        if (textures[i] != nullptr || alpha > k_glass_alpha) {
            d->set_material(materials[i]);
            d->set_texture(0, textures[i]);
            d3dx_mesh->draw_subset(d, i);
            continue;
        }
        // Glass: an untextured, partly transparent material mirrors the reflection map
        // through camera-space reflection vectors turned back into world axes.
        d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_COUNT3);
        d->set_texture_stage_state(0, TSS_TEXCOORDINDEX, TCI_CAMERASPACEREFLECTIONVECTOR);
        if (g_state != nullptr && g_state->camera_aux != nullptr) {
            d->set_transform(TS_TEXTURE0, g_state->camera_aux[0]);
        }
        d->set_render_state(RS_TEXTUREFACTOR, k_glass_factor);
        d->set_texture_stage_state(0, TSS_COLOROP, TOP_BLENDFACTORALPHA);
        d->set_material(materials[i]);
        d->set_texture(0, shading().reflection_map);
        d3dx_mesh->draw_subset(d, i);
        d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, 0);
        d->set_texture_stage_state(0, TSS_TEXCOORDINDEX, 0);
        d->set_texture_stage_state(0, TSS_COLOROP, TOP_MODULATE);
    }
    d->set_render_state(RS_NORMALIZENORMALS, 0);
    d->set_render_state(RS_SPECULARENABLE, 0);
}

void mesh::render_shadow_map() {
    gfx_device* d = current_device();
    if (d == nullptr || !d3dx_mesh) return;
    const model_shading& s = shading();
    set_constants(d, true, 0, world * s.shadow_view * s.shadow_projection);
    d->set_vertex_shader(s.shadow_map_vs);
    d->set_pixel_shader(s.shadow_map_ps);
    for (std::uint32_t i = 0; i < material_count; ++i) {
        if (drawn_in_pass(materials[i].diffuse.a, 1)) d3dx_mesh->draw_subset(d, i);
    }
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
}

void mesh::render_shadow_receiver() {
    gfx_device* d = current_device();
    if (d == nullptr || !d3dx_mesh) return;
    const model_shading& s = shading();
    d->set_render_state(RS_SPECULARENABLE, 1);
    d->set_texture(1, s.shadow_texture);
    d->set_sampler_state(1, SAMP_ADDRESSU, TADDRESS_BORDER);
    d->set_sampler_state(1, SAMP_ADDRESSV, TADDRESS_BORDER);
    d->set_sampler_state(1, SAMP_BORDERCOLOR, 0);
    const mat4 view = d->transform(TS_VIEW);
    const mat4 projection = d->transform(TS_PROJECTION);
    set_constants(d, true, 0, world * view * projection);
    set_constants(d, true, 12, world);
    set_constants(d, true, 16, world * s.shadow_view * s.shadow_projection);
    // The sun's direction and range are four consecutive floats of its record.
    set_constant(d, false, 4, s.sun.direction[0], s.sun.direction[1], s.sun.direction[2], s.sun.range);
    set_colour_constant(d, false, 5, s.sun.diffuse);
    set_colour_constant(d, false, 6, s.sun.ambient);
    const vec3 eye = (g_state != nullptr && g_state->camera_world != nullptr)
                         ? get_translation(*g_state->camera_world)
                         : vec3{};
    set_constant(d, false, 8, eye.x, eye.y, eye.z, 0.0f);
    d->set_vertex_shader(s.mesh_receiver_vs);
    d->set_pixel_shader(s.mesh_receiver_ps);
    const int pass = render_pass();
    for (std::uint32_t i = 0; i < material_count; ++i) {
        const gfx_material& m = materials[i];
        if (!drawn_in_pass(m.diffuse.a, pass)) continue;
        const bool textured = textures[i] != nullptr;
        d->set_texture(0, textured ? textures[i] : s.default_texture);
        set_constant(d, true, 4, textured ? 1.0f : 0.0f, 0.0f, 0.0f, 0.0f);
        set_colour_constant(d, false, 7, m.diffuse);
        set_constant(d, false, 2, shader_a, shader_b, m.specular.g, m.power);
        d3dx_mesh->draw_subset(d, i);
    }
    d->set_render_state(RS_SPECULARENABLE, 0);
    d->set_sampler_state(1, SAMP_ADDRESSU, TADDRESS_WRAP);
    d->set_sampler_state(1, SAMP_ADDRESSV, TADDRESS_WRAP);
    d->set_sampler_state(1, SAMP_BORDERCOLOR, 0);
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
}

void mesh::render_shadow() {
    if (!active || !pass1) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const gfx_light& sun = shading().sun;
    const vec4 to_light{-sun.direction[0], -sun.direction[1], -sun.direction[2], 0.0f};
    // The horizontal plane at absolute altitude 0 in scene coordinates.
    const plane ground{0.0f, 1.0f, 0.0f, g_state != nullptr ? g_state->origin_offset.y : 0.0f};
    const mat4 flatten = mat_shadow(to_light, ground);
    // The whole subtree is drawn flattened (a hierarchy's parts hold their own worlds).
    std::vector<mat4> kept;
    save_worlds(this, &kept);
    flatten_worlds(this, flatten);
    d->set_render_state(RS_ZENABLE, 0);
    d->set_render_state(RS_STENCILENABLE, 1);
    d->set_render_state(RS_COLORWRITEENABLE, 0);
    d->set_render_state(RS_STENCILFUNC, CMP_ALWAYS);
    d->set_render_state(RS_STENCILPASS, STENCILOP_INCR);
    d->set_render_state(RS_STENCILREF, 1);
    d->set_render_state(RS_STENCILMASK, 0xFFFFFFFFu);
    d->set_render_state(RS_STENCILWRITEMASK, 0xFFFFFFFFu);
    if (g_state != nullptr) g_state->render_pass = 1;
    if (g_app != nullptr) g_app->show_all = 1;
    render();
    if (g_app != nullptr) g_app->show_all = 0;
    if (g_state != nullptr) g_state->render_pass = 0;
    std::size_t next = 0;
    restore_worlds(this, kept, &next);
    d->set_render_state(RS_ZENABLE, 1);
    d->set_render_state(RS_STENCILENABLE, 0);
    d->set_render_state(RS_COLORWRITEENABLE, 0xFF);
}
