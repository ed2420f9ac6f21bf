#include "world/sky_shaders.h"

#include "core/app_state.h"
#include "core/d3d_app.h"

namespace {

constexpr const char k_hr_source[] = "sky";

// Dome. c0..c3 (world x view x projection) transposed. The view has no translation, so the
// vertex position is the direction of the sky seen through it.
const char* const k_dome_vs =
    "void main() {\n"
    "    vec4 p = vec4(gl_Vertex.xyz, 1.0);\n"
    "    gl_Position = vec4(dot(p, vs_c[0]), dot(p, vs_c[1]), dot(p, vs_c[2]), dot(p, vs_c[3]));\n"
    "    gl_TexCoord[0] = vec4(gl_Vertex.xyz, 1.0);\n"
    "}\n";

// Dome pixels: the sky colour (c4) at the zenith turns into the fog colour (c3) toward the
// horizon as the sight line's path through the fog layer grows: c2 = (air fog distance,
// layer depth above the camera, 2.3 / air fog distance, e). Around the sun (against the
// light's direction c6) a glow of the sun's colour (c5 rgb), stronger in a bright sky
// (c5 w, the sky's green). Below the horizon the fog colour. Powers by repeated squaring:
// pow and exp per pixel cost the software rasteriser most of its time here.
#define DOME_CLEAR \
    "    vec3 dir = normalize(gl_TexCoord[0].xyz);\n" \
    "    float up = max(dir.y, 0.002);\n" \
    "    float clear = exp2(-1.442695 * ps_c[2].z * ps_c[2].y / up);\n" \
    "    vec3 c = mix(ps_c[3].rgb, ps_c[4].rgb, clear);\n"
#define DOME_GLOW \
    "    float f = max(dot(dir, -normalize(ps_c[6].xyz)), 0.0);\n" \
    "    float f2 = f * f;\n" \
    "    float f4 = f2 * f2;\n" \
    "    float f64 = f4 * f4;\n" \
    "    f64 *= f64;\n" \
    "    f64 *= f64;\n" \
    "    f64 *= f64;\n" \
    "    float glow = 0.35 * f4 * f2 + 0.5 * f64;\n" \
    "    c += ps_c[5].rgb * glow * clamp(ps_c[5].w + 0.25, 0.0, 1.0);\n"
#define DOME_FINISH \
    "    if (dir.y < 0.0) c = ps_c[3].rgb;\n" \
    "    gl_FragColor = vec4(clamp(c, 0.0, 1.0), 1.0);\n"

const char* const k_dome_ps =
    "void main() {\n" DOME_CLEAR DOME_GLOW DOME_FINISH "}\n";

// The same for the part of the dome turned away from the sun, where the glow adds nothing
// (its f is 0): the sky draws those triangles with it and gets the same pixels for less work.
const char* const k_dome_away_ps = "void main() {\n" DOME_CLEAR DOME_FINISH "}\n";

// Below the horizon the dome program gives the plain fog colour; the skirt under a thin band
// at the horizon (where every pixel's direction points down) is drawn with just that.
const char* const k_dome_below_ps =
    "void main() {\n"
    "    gl_FragColor = vec4(clamp(ps_c[3].rgb, 0.0, 1.0), 1.0);\n"
    "}\n";

#undef DOME_CLEAR
#undef DOME_GLOW
#undef DOME_FINISH

// Sun-glow cone. c0..c3 (world x view x projection), c4..c7 world, both transposed. The
// cone's radius at the vertex (0 at the tip toward the sun, 1 at the camera) goes to the
// pixels.
const char* const k_cone_vs =
    "void main() {\n"
    "    vec4 p = vec4(gl_Vertex.xyz, 1.0);\n"
    "    gl_Position = vec4(dot(p, vs_c[0]), dot(p, vs_c[1]), dot(p, vs_c[2]), dot(p, vs_c[3]));\n"
    "    gl_TexCoord[0] = vec4(1.0 + gl_Vertex.z, 0.0, 0.0, 0.0);\n"
    "    gl_FrontColor = gl_Color;\n"
    "}\n";

// Cone pixels: the sun's colour (c5 rgb), brightest toward the tip, faded by the vertex alpha
// and by the depth below the surface (c5 w, 1 at the surface and 0 at twice the sea fog).
const char* const k_cone_ps =
    "void main() {\n"
    "    float axis = 1.0 - clamp(gl_TexCoord[0].x, 0.0, 1.0);\n"
    "    float depth = clamp(ps_c[5].w, 0.0, 1.0);\n"
    "    gl_FragColor = vec4(ps_c[5].rgb * gl_Color.a * axis * depth, 1.0);\n"
    "}\n";

constexpr int k_dome_vs_id = 391, k_dome_ps_id = 412;
constexpr int k_cone_vs_id = 415, k_cone_ps_id = 413;

template <int N>
int slot_of(const int (&ids)[N], int id) {
    for (int i = 0; i < N; ++i) {
        if (ids[i] == id) return i;
    }
    return -1;
}

}  // namespace

const char* sky_shader_source(shader_stage stage, int id) {
    if (stage == shader_stage::vertex) {
        if (id == k_dome_vs_id) return k_dome_vs;
        if (id == k_cone_vs_id) return k_cone_vs;
        return nullptr;
    }
    if (id == k_dome_ps_id) return k_dome_ps;
    if (id == k_cone_ps_id) return k_cone_ps;
    return nullptr;
}

const char* sky_dome_part_source(dome_part part) {
    return part == dome_part::away_from_sun ? k_dome_away_ps : k_dome_below_ps;
}

void load_sky_shaders() {
    if (g_app == nullptr || !g_app->device || g_state == nullptr) return;
    gfx_device& device = *g_app->device;
    app_state_objects& objects = g_state->objects;
    for (int id : {k_dome_vs_id, k_cone_vs_id}) {
        const int slot = slot_of(app_state_objects::k_vertex_ids, id);
        if (slot < 0 || objects.vertex_shaders[slot]) continue;
        CHECK_HR(device.create_vertex_shader(sky_shader_source(shader_stage::vertex, id),
                                             &objects.vertex_shaders[slot]));
    }
    for (int id : {k_dome_ps_id, k_cone_ps_id}) {
        const int slot = slot_of(app_state_objects::k_pixel_ids, id);
        if (slot < 0 || objects.pixel_shaders[slot]) continue;
        CHECK_HR(device.create_pixel_shader(sky_shader_source(shader_stage::pixel, id),
                                            &objects.pixel_shaders[slot]));
    }
}
