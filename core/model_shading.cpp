#include "core/model_shading.h"

namespace {

model_shading g_shading;

// Row i of a transposed matrix uploaded to c[k + i]: the clip (or world) component i of a
// row vector v is dot(v, c[k + i]).
#define VENTRASK_ROWS(k) \
    "vec4 rows" #k "(vec4 p) { return vec4(dot(p, vs_c[" #k "]), dot(p, vs_c[" #k "+1]), " \
    "dot(p, vs_c[" #k "+2]), dot(p, vs_c[" #k "+3])); }\n"

}  // namespace

model_shading& shading() { return g_shading; }

// Shadow-map write: c0..c3 world x shadow view x shadow projection. The colour holds the
// light-space nearness 1 - depth: the pass clears the map to 0, which must read as no caster
// (a map of depth 0 shaded the whole square it covers).
const char* const k_shadow_map_vs_source =
    VENTRASK_ROWS(0)
    "void main() {\n"
    "    gl_Position = rows0(gl_Vertex);\n"
    "    gl_TexCoord[0] = gl_Position;\n"
    "}\n";

const char* const k_shadow_map_ps_source =
    "void main() {\n"
    "    float depth = gl_TexCoord[0].z / gl_TexCoord[0].w;\n"
    "    float nearness = 1.0 - depth;\n"
    "    gl_FragColor = vec4(nearness, nearness, nearness, 1.0);\n"
    "}\n";

// Mesh receiving shadows. Vertex: c0..c3 world x view x projection, c4.x 1 when textured,
// c12..c15 world, c16..c19 world x shadow view x shadow projection (all transposed).
const char* const k_mesh_receiver_vs_source =
    VENTRASK_ROWS(0) VENTRASK_ROWS(12) VENTRASK_ROWS(16)
    "void main() {\n"
    "    gl_Position = rows0(gl_Vertex);\n"
    "    vec3 n = vec3(dot(gl_Normal, vs_c[12].xyz), dot(gl_Normal, vs_c[13].xyz),\n"
    "                  dot(gl_Normal, vs_c[14].xyz));\n"
    "    gl_TexCoord[0] = vec4(gl_MultiTexCoord0.xy, vs_c[4].x, 0.0);\n"
    "    gl_TexCoord[1] = rows16(gl_Vertex);\n"
    "    gl_TexCoord[2] = vec4(rows12(gl_Vertex).xyz, 1.0);\n"
    "    gl_TexCoord[3] = vec4(n, 0.0);\n"
    "}\n";

// Pixel: c2 (parameter a: dulls the colour, parameter b: extra shine, specular green,
// power), c4 sun direction, c5 sun diffuse, c6 sun ambient, c7 material diffuse, c8 camera
// position. Texture 0 the material's, 1 the shadow map (outside it: lit).
const char* const k_mesh_receiver_ps_source =
    "layout(binding = 0) uniform sampler2D base_map;\n"
    "layout(binding = 1) uniform sampler2D shadow_map;\n"
    VENTRASK_SHADOW_LIT_FRACTION
    "void main() {\n"
    "    vec3 n = normalize(gl_TexCoord[3].xyz);\n"
    "    vec3 l = -normalize(ps_c[4].xyz);\n"
    "    float lit = lit_fraction(gl_TexCoord[1]);\n"
    "    float diffuse = max(dot(n, l), 0.0) * lit;\n"
    "    vec4 tex = gl_TexCoord[0].z > 0.5 ? texture(base_map, gl_TexCoord[0].xy) : vec4(1.0);\n"
    "    vec3 colour = ps_c[7].rgb * (ps_c[6].rgb + ps_c[5].rgb * diffuse) * tex.rgb;\n"
    "    vec3 v = normalize(ps_c[8].xyz - gl_TexCoord[2].xyz);\n"
    "    float shine = pow(max(dot(n, normalize(l + v)), 0.0), max(ps_c[2].w, 1.0));\n"
    "    colour = colour * (1.0 - ps_c[2].x) + (ps_c[2].z + ps_c[2].y) * shine * lit * ps_c[5].rgb;\n"
    "    gl_FragColor = vec4(colour, ps_c[7].a * tex.a);\n"
    "}\n";

// Visual (flat ground geometry) receiving shadows. Vertex: c0..c3 world x view x projection,
// c4 sun direction, c5 sun diffuse, c6 sun ambient, c8..c11 world x view, c16 (fog distance,
// 1, 2.3 / distance, e), c20..c23 world x shadow view x shadow projection, c24..c27 world.
const char* const k_visual_receiver_vs_source =
    VENTRASK_ROWS(0) VENTRASK_ROWS(8) VENTRASK_ROWS(20)
    "void main() {\n"
    "    gl_Position = rows0(gl_Vertex);\n"
    "    vec3 n = normalize(vec3(dot(gl_Normal, vs_c[24].xyz), dot(gl_Normal, vs_c[25].xyz),\n"
    "                            dot(gl_Normal, vs_c[26].xyz)));\n"
    "    float diffuse = max(dot(n, -normalize(vs_c[4].xyz)), 0.0);\n"
    "    gl_FrontColor = vec4(vs_c[6].rgb + vs_c[5].rgb * diffuse, 1.0);\n"
    "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "    gl_TexCoord[1] = rows20(gl_Vertex);\n"
    "    float eye_z = max(rows8(gl_Vertex).z, 0.0);\n"
    "    gl_TexCoord[2] = vec4(exp(-eye_z * vs_c[16].z), 0.0, 0.0, 0.0);\n"
    "}\n";

// Pixel: c0.x the shadow fade (0 no shadow .. 1 full). Texture 0 the visual's, 1 the shadow
// map, 2 the bump texture.
const char* const k_visual_receiver_ps_source =
    "layout(binding = 0) uniform sampler2D base_map;\n"
    "layout(binding = 1) uniform sampler2D shadow_map;\n"
    VENTRASK_SHADOW_LIT_FRACTION
    "void main() {\n"
    "    float shade = 1.0 - 0.5 * ps_c[0].x * (1.0 - lit_fraction(gl_TexCoord[1]));\n"
    "    vec4 c = gl_Color * texture(base_map, gl_TexCoord[0].xy);\n"
    "    c.rgb *= shade;\n"
    "    gl_FragColor = vec4(mix(gl_Fog.color.rgb, c.rgb, clamp(gl_TexCoord[2].x, 0.0, 1.0)), c.a);\n"
    "}\n";

hresult create_model_shaders(gfx_device* device, model_shader_programs* out) {
    *out = model_shader_programs{};
    hresult first = S_OK;
    auto note = [&first](hresult r) {
        if (r != S_OK && first == S_OK) first = r;
    };
    note(device->create_vertex_shader(k_shadow_map_vs_source, &out->shadow_map_vs));
    note(device->create_pixel_shader(k_shadow_map_ps_source, &out->shadow_map_ps));
    note(device->create_vertex_shader(k_mesh_receiver_vs_source, &out->mesh_receiver_vs));
    note(device->create_pixel_shader(k_mesh_receiver_ps_source, &out->mesh_receiver_ps));
    note(device->create_vertex_shader(k_visual_receiver_vs_source, &out->visual_receiver_vs));
    note(device->create_pixel_shader(k_visual_receiver_ps_source, &out->visual_receiver_ps));
    model_shading& s = shading();
    s.shadow_map_vs = out->shadow_map_vs.get();
    s.shadow_map_ps = out->shadow_map_ps.get();
    s.mesh_receiver_vs = out->mesh_receiver_vs.get();
    s.mesh_receiver_ps = out->mesh_receiver_ps.get();
    s.visual_receiver_vs = out->visual_receiver_vs.get();
    s.visual_receiver_ps = out->visual_receiver_ps.get();
    return first;
}
