// What the drawing of meshes and visuals reads besides the objects themselves: the sun light, the shadow matrices, the shared textures
// (shadow map, reflection cube map, default and bump textures) and the three shader program
// pairs of the shadow passes (shadow-map write, mesh shadow receiver, visual shadow
// receiver). Start-up fills it and the shadow pass updates the matrices; until then the
// shadow paths draw without programs.
#pragma once

#include "platform/gfx_device.h"
#include "platform/math3d.h"

struct model_shading {
    gfx_light sun;
    mat4 shadow_view = mat_identity();
    mat4 shadow_projection = mat_identity();
    gfx_texture* shadow_texture = nullptr;
    gfx_texture* reflection_map = nullptr;   // "graphics\refmap.dds"
    gfx_texture* default_texture = nullptr;
    gfx_texture* bump_texture = nullptr;     // "graphics\bump.jpg"
    gfx_shader* shadow_map_vs = nullptr;
    gfx_shader* shadow_map_ps = nullptr;
    gfx_shader* mesh_receiver_vs = nullptr;
    gfx_shader* mesh_receiver_ps = nullptr;
    gfx_shader* visual_receiver_vs = nullptr;
    gfx_shader* visual_receiver_ps = nullptr;
};

// The one set the program draws with.
model_shading& shading();

// The three program pairs, owned by whoever made them (they go before the device).
struct model_shader_programs {
    shader_ptr shadow_map_vs, shadow_map_ps;
    shader_ptr mesh_receiver_vs, mesh_receiver_ps;
    shader_ptr visual_receiver_vs, visual_receiver_ps;
};

// Compiles the six programs on the device and points the shading set at them. A program
// that does not compile stays none (its pass then draws without it); the first failing
// result is returned.
hresult create_model_shaders(gfx_device* device, model_shader_programs* out);

// Their GLSL sources (vs_c / ps_c registers, see the drawing code for what each holds).
extern const char* const k_shadow_map_vs_source;
extern const char* const k_shadow_map_ps_source;
extern const char* const k_mesh_receiver_vs_source;
extern const char* const k_mesh_receiver_ps_source;
extern const char* const k_visual_receiver_vs_source;
extern const char* const k_visual_receiver_ps_source;

// How much of the sun reaches a point, from its shadow-map position s (light clip space): the
// map holds the nearness (1 - depth) of the nearest caster, so a texel the pass cleared to 0
// holds no caster and lights everything behind it; outside the map all is lit. Shared by
// every program that receives shadows (a sampler named shadow_map must be declared first).
#define VENTRASK_SHADOW_LIT_FRACTION \
    "float lit_fraction(vec4 s) {\n" \
    "    vec3 q = s.xyz / s.w;\n" \
    "    vec2 uv = vec2(0.5 + 0.5 * q.x, 0.5 - 0.5 * q.y);\n" \
    "    if (uv.x <= 0.0 || uv.x >= 1.0 || uv.y <= 0.0 || uv.y >= 1.0) return 1.0;\n" \
    "    float caster_depth = 1.0 - texture(shadow_map, uv).r;\n" \
    "    return q.z - 0.002 > caster_depth ? 0.0 : 1.0;\n" \
    "}\n"
