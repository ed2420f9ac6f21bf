#include "world/scatter_sprite_shading.h"

namespace {

gfx_shader* g_vertex = nullptr;
gfx_shader* g_pixel = nullptr;

}  // namespace

const char* const k_scatter_sprite_vs_source =
    "void main() {\n"
    "    gl_Position = vec4(dot(gl_Vertex, vs_c[0]), dot(gl_Vertex, vs_c[1]),\n"
    "                       dot(gl_Vertex, vs_c[2]), dot(gl_Vertex, vs_c[3]));\n"
    "    float diffuse = max(dot(vec3(0.0, 1.0, 0.0), -normalize(vs_c[4].xyz)), 0.0);\n"
    "    vec3 light = vs_c[6].rgb + vs_c[5].rgb * diffuse;\n"
    "    gl_FrontColor = vec4(vs_c[9].rgb * light, vs_c[9].a * gl_Color.a);\n"
    "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "    float distance = length(gl_Vertex.xyz - vs_c[7].xyz);\n"
    "    gl_TexCoord[1] = vec4(exp(-distance * vs_c[8].x), 0.0, 0.0, 0.0);\n"
    "}\n";

const char* const k_scatter_sprite_ps_source =
    "layout(binding = 0) uniform sampler2D sprite_map;\n"
    "void main() {\n"
    "    vec4 c = gl_Color * texture(sprite_map, gl_TexCoord[0].xy);\n"
    "    gl_FragColor = vec4(mix(gl_Fog.color.rgb, c.rgb, clamp(gl_TexCoord[1].x, 0.0, 1.0)), c.a);\n"
    "}\n";

hresult create_scatter_sprite_programs(gfx_device* device, scatter_sprite_programs* out) {
    *out = scatter_sprite_programs{};
    const hresult v = device->create_vertex_shader(k_scatter_sprite_vs_source, &out->vertex);
    const hresult p = device->create_pixel_shader(k_scatter_sprite_ps_source, &out->pixel);
    use_scatter_sprite_programs(out->vertex.get(), out->pixel.get());
    return v != S_OK ? v : p;
}

void use_scatter_sprite_programs(gfx_shader* vertex, gfx_shader* pixel) {
    g_vertex = vertex;
    g_pixel = pixel;
}

gfx_shader* scatter_sprite_vertex_program() { return g_vertex; }
gfx_shader* scatter_sprite_pixel_program() { return g_pixel; }
