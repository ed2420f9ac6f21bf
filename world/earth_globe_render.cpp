// Drawing the globe and its atmosphere ring, and their GLSL.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/light.h"
#include "world/earth_globe.h"

namespace {

constexpr const char k_hr_source[] = "earth";
constexpr float k_degrees = 57.29578f;

// Globe vertices. c0..c3 (world x view x projection) and c8..c11 (world x view) transposed;
// c7 = (k h, 1 / (k H - k h), 5 / scaled radius, 0): the haze grows with the distance from
// the camera between the point below it and the horizon.
const char* const k_globe_vs =
    "void main() {\n"
    "    vec4 p = vec4(gl_Vertex.xyz, 1.0);\n"
    "    gl_Position = vec4(dot(p, vs_c[0]), dot(p, vs_c[1]), dot(p, vs_c[2]), dot(p, vs_c[3]));\n"
    "    vec4 n = vec4(gl_Normal, 0.0);\n"
    "    vec3 view_normal = vec3(dot(n, vs_c[8]), dot(n, vs_c[9]), dot(n, vs_c[10]));\n"
    "    vec3 view_pos = vec3(dot(p, vs_c[8]), dot(p, vs_c[9]), dot(p, vs_c[10]));\n"
    "    float haze = clamp((length(view_pos) - vs_c[7].x) * vs_c[7].y, 0.0, 1.0);\n"
    "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "    gl_TexCoord[1] = vec4(normalize(view_normal), haze);\n"
    "}\n";

// Globe pixels. Stages: 0 day colour, 1 relief (heights), 2 night side, 3 clouds, 4 haze
// puffs, 5 ripples, 6 land mask (white land), 7 city lights. c4 = the sun's direction in
// view space, c5 = time of day x 2 (ripple drift), c6 = time of day / 32 (cloud drift).
const char* const k_globe_ps =
    "layout(binding = 0) uniform sampler2D day_map;\n"
    "layout(binding = 1) uniform sampler2D relief_map;\n"
    "layout(binding = 2) uniform sampler2D night_map;\n"
    "layout(binding = 3) uniform sampler2D cloud_map;\n"
    "layout(binding = 4) uniform sampler2D puff_map;\n"
    "layout(binding = 5) uniform sampler2D ripple_map;\n"
    "layout(binding = 6) uniform sampler2D mask_map;\n"
    "layout(binding = 7) uniform sampler2D light_map;\n"
    "void main() {\n"
    "    vec2 uv = gl_TexCoord[0].xy;\n"
    "    vec3 n = normalize(gl_TexCoord[1].xyz);\n"
    "    vec2 step = vec2(1.0 / 1024.0, 1.0 / 512.0);\n"
    "    float hx = texture(relief_map, uv + vec2(step.x, 0.0)).r - texture(relief_map, uv - vec2(step.x, 0.0)).r;\n"
    "    float hy = texture(relief_map, uv + vec2(0.0, step.y)).r - texture(relief_map, uv - vec2(0.0, step.y)).r;\n"
    "    float relief = clamp(1.0 - 2.0 * (hx + hy), 0.6, 1.4);\n"
    "    float sun = dot(n, -normalize(ps_c[4].xyz));\n"
    "    float day = clamp(sun * 4.0 + 0.2, 0.0, 1.0);\n"
    "    float water = 1.0 - texture(mask_map, uv).r;\n"
    "    vec3 ripple = texture(ripple_map, uv * 64.0 + vec2(ps_c[5].x * 0.01, 0.0)).rgb;\n"
    "    vec3 ground = texture(day_map, uv).rgb * relief + water * 0.15 * ripple * day;\n"
    "    float cloud = texture(cloud_map, uv + vec2(ps_c[6].x, 0.0)).r;\n"
    "    vec3 lit = mix(ground, vec3(1.0), cloud * 0.8) * max(sun, 0.0) * 1.2;\n"
    "    vec3 night = texture(night_map, uv).r * vec3(0.05, 0.06, 0.1)\n"
    "               + texture(light_map, uv).rgb * (1.0 - cloud) * 0.8;\n"
    "    vec3 c = mix(night, lit, day);\n"
    "    vec3 haze = vec3(0.55, 0.7, 0.9) * texture(puff_map, uv * 16.0).r;\n"
    "    c = mix(c, haze * day + c * (1.0 - day), gl_TexCoord[1].w * 0.5);\n"
    "    gl_FragColor = vec4(clamp(c, 0.0, 1.0), 1.0);\n"
    "}\n";

// Ring vertices: c0..c3 (world x view x projection) transposed, c5 the sun's direction; the
// ring is lit on the sun's side and keeps its blue faintly on the night side.
const char* const k_shell_vs =
    "void main() {\n"
    "    vec4 p = vec4(gl_Vertex.xyz, 1.0);\n"
    "    gl_Position = vec4(dot(p, vs_c[0]), dot(p, vs_c[1]), dot(p, vs_c[2]), dot(p, vs_c[3]));\n"
    "    vec2 out_dir = normalize(gl_Vertex.xz + vec2(1e-6, 0.0));\n"
    "    float sun = clamp(0.35 - dot(vec3(out_dir.x, 0.0, out_dir.y), normalize(vs_c[5].xyz)), 0.15, 1.0);\n"
    "    gl_FrontColor = vec4(gl_Color.rgb * sun, gl_Color.a);\n"
    "}\n";

gfx_device* device() { return g_app != nullptr ? g_app->device.get() : nullptr; }

void set_vs_transposed(gfx_device* d, int start, const mat4& m) {
    const mat4 t = mat_transpose(m);
    d->set_vertex_shader_constant_f(start, &t.m[0][0], 4);
}

void set_constant(gfx_device* d, bool pixel, int index, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    if (pixel) {
        d->set_pixel_shader_constant_f(index, v, 1);
    } else {
        d->set_vertex_shader_constant_f(index, v, 1);
    }
}

vec3 camera_position() {
    if (g_state == nullptr || g_state->camera_world == nullptr) return {};
    return get_translation(*g_state->camera_world);
}

vec3 sun_direction() {
    if (g_state == nullptr || g_state->objects.current_light == nullptr) return {0.0f, -1.0f, 0.0f};
    const float* d = g_state->objects.current_light->direction;
    return {d[0], d[1], d[2]};
}

}  // namespace

const char* earth_globe_program(int id) {
    switch (id) {
        case k_globe_vs_id: return k_globe_vs;
        case k_shell_vs_id: return k_shell_vs;
        case k_globe_ps_id: return k_globe_ps;
        default: return nullptr;
    }
}

void earth_globe::render() {
    gfx_device* d = device();
    if (d == nullptr || g_state == nullptr || !globe_buffer || globe_triangles == 0) return;
    const app_state& st = *g_state;
    const vec3 camera = camera_position();
    const float k = scale;
    globe_matrix = mat_yaw_pitch_roll(0.0f, -st.camera_latitude / k_degrees, st.camera_longitude / k_degrees);
    globe_matrix.m[3][0] = camera.x;
    globe_matrix.m[3][1] = camera.y - centre_distance * k;
    globe_matrix.m[3][2] = camera.z;
    d->set_transform(TS_WORLD, globe_matrix);
    d->set_render_state(RS_NORMALIZENORMALS, 1);
    d->set_render_state(RS_FOGENABLE, 0);
    const mat4 world_view = globe_matrix * d->transform(TS_VIEW);
    set_vs_transposed(d, 0, world_view * d->transform(TS_PROJECTION));
    const float h = std::fabs(centre_distance - radius);
    set_constant(d, false, 7, k * h, 1.0f / std::max(1.0f, k * horizon_distance - k * h),
                 5.0f / std::max(1.0f, scaled_radius), 0.0f);
    set_vs_transposed(d, 8, world_view);
    const vec3 sun = transform_normal(sun_direction(), d->transform(TS_VIEW));
    set_constant(d, true, 4, sun.x, sun.y, sun.z, 0.0f);
    set_constant(d, true, 5, st.time_of_day * 2.0f, 0.0f, 0.0f, 0.0f);
    set_constant(d, true, 6, st.time_of_day * 0.03125f, 0.0f, 0.0f, 0.0f);
    d->set_vertex_shader(globe_vs.get());
    d->set_pixel_shader(globe_ps.get());
    d->set_material(st.objects.default_material);
    gfx_texture* stages[8] = {day_texture.get(),   relief_texture.get(),  night_texture.get(),
                              clouds_texture.get(), puffs_texture.get(),  ripples_texture.get(),
                              mask_texture.get(),   lights_texture.get()};
    for (int i = 0; i < 8; ++i) d->set_texture(i, stages[i]);
    d->set_fvf(k_fvf);
    d->set_stream_source(0, globe_buffer.get(), 0, sizeof(vertex));
    CHECK_HR(d->draw_primitive(PT_TRIANGLELIST, 0, globe_triangles));
    for (int i = 1; i < 8; ++i) d->set_texture(i, nullptr);
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
    d->set_render_state(RS_NORMALIZENORMALS, 0);
    d->set_render_state(RS_FOGENABLE, 1);
}

void earth_globe::render_shell() {
    gfx_device* d = device();
    if (d == nullptr || g_state == nullptr || !shell_buffer || shell_vertex_count == 0) return;
    const vec3 camera = camera_position();
    const float ring = std::sin(horizon_angle) * scaled_radius;
    shell_matrix = mat_scaling(ring, 0.01f * scaled_radius, ring);
    shell_matrix.m[3][0] = camera.x;
    shell_matrix.m[3][1] = camera.y - (centre_distance - std::cos(horizon_angle) * radius) * scale;
    shell_matrix.m[3][2] = camera.z;
    d->set_transform(TS_WORLD, shell_matrix);
    set_vs_transposed(d, 0, shell_matrix * d->transform(TS_VIEW) * d->transform(TS_PROJECTION));
    const vec3 sun = sun_direction();
    set_constant(d, false, 5, sun.x, sun.y, sun.z, 0.0f);
    set_vs_transposed(d, 8, shell_matrix);
    d->set_vertex_shader(shell_vs.get());
    d->set_material(g_state->objects.default_material);
    d->set_texture(0, nullptr);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_fvf(k_shell_fvf);
    d->set_stream_source(0, shell_buffer.get(), 0, sizeof(shell_vertex));
    CHECK_HR(d->draw_primitive(PT_TRIANGLELIST, 0, shell_vertex_count / 3));
    d->set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(g_app->front_cull));
    d->set_vertex_shader(nullptr);
}
