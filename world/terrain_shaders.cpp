#include "world/terrain_shaders.h"

#include "core/model_shading.h"

namespace {

// Row i of a transposed matrix uploaded to c[k + i]: component i of the row vector v M is
// dot(v, c[k + i]).
#define TERRAIN_ROWS(k) \
    "vec4 rows" #k "(vec4 p) { return vec4(dot(p, vs_c[" #k "]), dot(p, vs_c[" #k "+1]), " \
    "dot(p, vs_c[" #k "+2]), dot(p, vs_c[" #k "+3])); }\n"

// The world matrix uploaded as it is (c12..c15): v M as a sum of its rows.
const char* const k_world_rows =
    "vec3 world_of(vec4 p) {\n"
    "    return (p.x * vs_c[12] + p.y * vs_c[13] + p.z * vs_c[14] + p.w * vs_c[15]).xyz;\n"
    "}\n";

// GL's fixed fog multiplies gl_FogFragCoord by its density: handing it the wanted exponent
// over that density gives fixed-function pixels the same fog factor the programs use.
const char* const k_fog_coord =
    "float fog_coord(float exponent) {\n"
    "    return gl_Fog.density > 0.0 ? exponent / gl_Fog.density : 0.0;\n"
    "}\n";

// Land, main view. c0..c3 world x view x projection, c8..c11 world x view, c12..c15 world,
// c20..c23 world x shadow view x shadow projection; c4 light direction, c5 diffuse, c6
// ambient; c7 (fog altitude, camera altitude, fog altitude - camera altitude, shadow reach);
// c16 and c17 fog vectors (distance, 1, 2.3 / distance, e) of the air fog and of the
// largest fog distance. The fog distance is these two mixed by the camera's height in the fog
// layer, the distance the water above is fogged by as well. The curvature drop (texture set
// 1 u) lowers the far ground.
const char* const k_land_vs =
    "void main() {\n"
    "    vec4 p = vec4(gl_Vertex.x, gl_Vertex.y - gl_MultiTexCoord1.x, gl_Vertex.z, 1.0);\n"
    "    gl_Position = rows0(p);\n"
    "    vec3 n = normalize(gl_Normal);\n"
    "    float diffuse = max(dot(n, -normalize(vs_c[4].xyz)), 0.0);\n"
    "    gl_FrontColor = vec4(vs_c[6].rgb + vs_c[5].rgb * diffuse, 1.0);\n"
    "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "    gl_TexCoord[1] = rows20(p);\n"
    "    float eye = abs(rows8(p).z);\n"
    "    float high = clamp(vs_c[7].y / max(vs_c[7].x, 1.0), 0.0, 1.0);\n"
    "    float density = vs_c[16].x * vs_c[16].z / mix(vs_c[16].x, vs_c[17].x, high);\n"
    "    gl_TexCoord[3] = vec4(exp(-eye * density), 0.0, 0.0, 0.0);\n"
    "    gl_FogFragCoord = fog_coord(eye * density);\n"
    "}\n";

// Land pixels near the camera: the land slice, a detail slice (the dense volume) repeated
// across it, the vertex light and the fog.
const char* const k_land_ps =
    "layout(binding = 0) uniform sampler3D land_map;\n"
    "layout(binding = 1) uniform sampler3D dense_map;\n"
    "layout(binding = 2) uniform sampler2D shadow_map;\n"
    "const float detail_repeat = 16.0;\n"
    VENTRASK_SHADOW_LIT_FRACTION
    "void main() {\n"
    "    vec3 t = gl_TexCoord[0].xyz;\n"
    "    vec3 base = texture(land_map, t).rgb;\n"
    "    vec3 detail = texture(dense_map, vec3(t.xy * detail_repeat, t.z)).rgb;\n"
    "    vec3 c = base * gl_Color.rgb * clamp(detail * 2.0, 0.0, 2.0);\n"
    "#ifdef SHADOWED\n"
    "    c *= mix(0.6, 1.0, lit_fraction(gl_TexCoord[1]));\n"
    "#endif\n"
    "    float f = clamp(gl_TexCoord[3].x, 0.0, 1.0);\n"
    "    gl_FragColor = vec4(mix(gl_Fog.color.rgb, c, f), 1.0);\n"
    "}\n";

// Land under the water, seen from above in the refraction pass. The matrices place vertices
// from the grid origin and c18 is the tile's corner (0 for tiles gathered into one draw,
// whose vertices carry it already). c4 light direction, c5 = c6 the water's light, c7 (water
// level + 5, camera altitude, cell size, 0), c16 fog vector of the fog end. The ground is
// lowered by its curvature drop (texture set 1 u) as the land program lowers it, so the sea
// bed seen through the water meets the shore drawn beside it; the water's depth over it is
// the true one.
const char* const k_refraction_vs =
    "void main() {\n"
    "    vec4 p = vec4(gl_Vertex.xyz + vs_c[18].xyz, 1.0);\n"
    "    vec4 drawn = vec4(p.x, p.y - gl_MultiTexCoord1.x, p.z, 1.0);\n"
    "    gl_Position = rows0(drawn);\n"
    "    vec3 w = world_of(p);\n"
    "    float diffuse = max(dot(normalize(gl_Normal), -normalize(vs_c[4].xyz)), 0.0);\n"
    "    gl_FrontColor = vec4(vs_c[6].rgb + vs_c[5].rgb * diffuse, 1.0);\n"
    "    gl_TexCoord[0] = vec4(gl_MultiTexCoord0.xy * 8.0, gl_MultiTexCoord0.z, 1.0);\n"
    "    float eye = abs(rows8(drawn).z);\n"
    "    gl_TexCoord[1] = vec4(max(vs_c[7].x - w.y, 0.0), eye, 0.0, 0.0);\n"
    "    gl_FogFragCoord = fog_coord(eye * vs_c[16].z);\n"
    "}\n";

// c2 the sea colour (alpha: the light), c3 fog vector of the fog end: the deeper the ground
// and the farther, the more of the sea's own colour.
const char* const k_refraction_ps =
    "layout(binding = 0) uniform sampler3D dense_map;\n"
    "void main() {\n"
    "    vec3 c = texture(dense_map, gl_TexCoord[0].xyz).rgb * gl_Color.rgb;\n"
    "    float clear_water = exp(-gl_TexCoord[1].x * 0.08);\n"
    "    c = mix(ps_c[2].rgb, c, clear_water);\n"
    "    float f = exp(-gl_TexCoord[1].y * ps_c[3].z);\n"
    "    gl_FragColor = vec4(mix(ps_c[2].rgb, c, f), 1.0);\n"
    "}\n";

// Water. Over the tiles (WAVES undefined) the vertex is a ground vertex laid flat at the
// water level, and its height gives the depth; the sea's own vertices (WAVES) carry their
// wave height, normal and crest value. c0..c3 world x view x projection, c4..c7 world x
// view, c8 (2 s, s, time, t) with s the bump scale per metre, c10 fog vector (the land's
// above the water, the fog end under it), c22 (shore scale, crest, water level, half crest).
// The bump pattern is fixed to each tile: tiles gathered into one draw (c23.x = 1) are placed
// from the grid origin and carry their positions on their own tiles in texture set 1.
const char* const k_water_vs =
    "void main() {\n"
    "    vec4 p = gl_Vertex;\n"
    "#ifdef WAVES\n"
    "    float depth = 1000.0;\n"
    "    vec3 n = normalize(gl_Normal);\n"
    "    float crest = gl_MultiTexCoord1.x;\n"
    "#else\n"
    "    float depth = vs_c[22].z - p.y;\n"
    "    p.y = 0.0;\n"
    "    vec3 n = vec3(0.0, 1.0, 0.0);\n"
    "    float crest = 0.0;\n"
    "#endif\n"
    "    gl_Position = rows0(p);\n"
    "#ifdef WAVES\n"
    "    vec2 on_tile = p.xz;\n"
    "#else\n"
    "    vec2 on_tile = vs_c[23].x > 0.5 ? gl_MultiTexCoord1.xy : p.xz;\n"
    "#endif\n"
    "    float t = vs_c[8].z;\n"
    "    gl_TexCoord[0] = vec4(on_tile.x * vs_c[8].y + t, on_tile.y * vs_c[8].y,\n"
    "                          on_tile.x * vs_c[8].x, on_tile.y * vs_c[8].x - t);\n"
    "    gl_TexCoord[1] = gl_Position;\n"
    "    gl_TexCoord[2] = vec4(p.xyz, depth);\n"
    "    gl_TexCoord[3] = vec4(n, crest);\n"
    "    float eye = length(rows4(p).xyz);\n"
    "    gl_TexCoord[4] = vec4(exp(-eye * vs_c[10].z), 0.0, 0.0, 0.0);\n"
    "    gl_FogFragCoord = fog_coord(eye * vs_c[10].z);\n"
    "}\n";

// c3 the water colour and c4 the sky (fog) colour, swapped under the water; c6 (foam,
// crest, foam strength, wave scale); c17 the camera relative to the drawn tile; c20 (toward
// the sun, light); c21.x 1 when the reflection and refraction textures are bound. The lookup
// texture gives the reflected share (red) and the sun's glint (blue). Far off, where one
// pixel spans more than a bump texel, the filtered bump lies flat and would leave a mirror
// of the hazy horizon, the sky's own colour, up to the shore: there the waves' facets still
// face the eye by their slope, so the far sea keeps its colour under the sky's.
const char* const k_water_ps =
    "layout(binding = 0) uniform sampler2D tex0;\n"
    "layout(binding = 1) uniform sampler2D tex1;\n"
    "layout(binding = 2) uniform sampler2D tex2;\n"
    "layout(binding = 3) uniform sampler2D tex3;\n"
    "layout(binding = 4) uniform sampler2D tex4;\n"
    "const float wave_slope = 0.15;\n"
    "void main() {\n"
    "    bool in_view = ps_c[21].x > 0.5;\n"
    "    vec2 uv0 = gl_TexCoord[0].xy;\n"
    "    vec2 uv1 = gl_TexCoord[0].zw;\n"
    "    vec2 bump = in_view ? texture(tex0, uv0).xy + texture(tex0, uv1).xy\n"
    "                        : texture(tex1, uv0).xy + texture(tex1, uv1).xy;\n"
    "    vec3 n = normalize(gl_TexCoord[3].xyz + vec3(bump.x, 0.0, bump.y) * 0.25);\n"
    "    vec3 v = normalize(ps_c[17].xyz - gl_TexCoord[2].xyz);\n"
    "    vec2 texels = fwidth(uv1) * vec2(in_view ? textureSize(tex0, 0) : textureSize(tex1, 0));\n"
    "    float flattened = clamp(max(texels.x, texels.y) - 1.0, 0.0, 1.0);\n"
    "    float facing = max(clamp(abs(dot(n, v)), 0.0, 1.0), flattened * wave_slope);\n"
    "    vec3 r = reflect(-v, n);\n"
    "    float glint = clamp(dot(r, normalize(ps_c[20].xyz)), 0.0, 1.0);\n"
    "    float reflected = in_view ? texture(tex4, vec2(facing, 0.5)).r\n"
    "                              : texture(tex2, vec2(facing, 0.5)).r;\n"
    "    float sun = in_view ? texture(tex4, vec2(glint, 0.5)).b\n"
    "                        : texture(tex2, vec2(glint, 0.5)).b;\n"
    "    vec2 screen = gl_TexCoord[1].xy / gl_TexCoord[1].w;\n"
    "    vec2 suv = vec2(0.5 + 0.5 * screen.x, 0.5 - 0.5 * screen.y) + bump * 0.01;\n"
    "    vec3 below = ps_c[3].rgb;\n"
    "    vec3 above = ps_c[4].rgb;\n"
    "#ifdef REFRACT\n"
    "    if (in_view) below = mix(ps_c[3].rgb, texture(tex1, suv).rgb, 0.7);\n"
    "#endif\n"
    "#ifdef REFLECT\n"
    "    if (in_view) above = texture(tex2, suv).rgb;\n"
    "#endif\n"
    "    vec3 c = mix(below, above, reflected) + sun * ps_c[20].w;\n"
    "    float foam = gl_TexCoord[3].w * ps_c[6].z;\n"
    "    vec3 spray = in_view ? texture(tex3, uv0).rgb : texture(tex0, uv0).rgb;\n"
    "    c = mix(c, spray, clamp(foam, 0.0, 1.0));\n"
    "    float alpha = clamp(gl_TexCoord[2].w * 0.5, 0.0, 1.0);\n"
    "    float f = clamp(gl_TexCoord[4].x, 0.0, 1.0);\n"
    "    gl_FragColor = vec4(mix(ps_c[4].rgb, c, f), alpha);\n"
    "}\n";

std::string with_defines(int variant, const char* body) {
    std::string s;
    if (variant & 1) s += "#define REFLECT 1\n";
    if (variant & 2) s += "#define REFRACT 1\n";
    if (variant & 4) s += "#define WAVES 1\n";
    return s + body;
}

constexpr int k_water_vs_ids[8] = {356, 397, 403, 400, 407, 345, 404, 401};
constexpr int k_water_ps_ids[8] = {241, 373, 379, 376, 383, 346, 380, 377};

int variant_of(const int (&ids)[8], int id) {
    for (int i = 0; i < 8; ++i) {
        if (ids[i] == id) return i;
    }
    return -1;
}

std::string vertex_source(int id) {
    const std::string common = std::string(TERRAIN_ROWS(0) TERRAIN_ROWS(4) TERRAIN_ROWS(8)
                                               TERRAIN_ROWS(20)) +
                               k_world_rows + k_fog_coord;
    if (id == 389) return common + k_land_vs;
    if (id == 358) return common + k_refraction_vs;
    const int v = variant_of(k_water_vs_ids, id);
    return v < 0 ? std::string() : with_defines(v, (common + k_water_vs).c_str());
}

std::string pixel_source(int id) {
    if (id == 365) return k_land_ps;
    if (id == 411) return std::string("#define SHADOWED 1\n") + k_land_ps;
    if (id == 357) return k_refraction_ps;
    const int v = variant_of(k_water_ps_ids, id);
    return v < 0 ? std::string() : with_defines(v, k_water_ps);
}

}  // namespace

std::string terrain_shader_source(shader_stage stage, int id) {
    return stage == shader_stage::vertex ? vertex_source(id) : pixel_source(id);
}
