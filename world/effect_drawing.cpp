#include "world/effect_drawing.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/frame.h"
#include "core/d3d_app.h"
#include "core/model_shading.h"
#include "platform/program_rand.h"

float frame_step() { return g_state != nullptr ? g_state->smoothed_step : 0.0f; }

float simulation_step() { return g_state != nullptr ? g_state->dt : 0.0f; }

std::uint32_t clock_ms_now() { return g_state != nullptr ? g_state->now : 0u; }

bool simulation_paused() { return g_app != nullptr && g_app->paused != 0; }

bool in_shadow_map_pass() { return g_app != nullptr && g_app->shadow_pass == 1; }

vec3 camera_position() {
    if (g_state == nullptr || g_state->camera_world == nullptr) return {};
    return get_translation(*g_state->camera_world);
}

float camera_vertical_fov() {
    if (g_state == nullptr || g_state->camera_fov == nullptr || !(*g_state->camera_fov > 0.0f)) {
        return k_pi / 4.0f;
    }
    return *g_state->camera_fov;
}

// The camera publishes four turns: its world without translation, x by -pitch, y by the
// heading, and the last two combined.
mat4 billboard_heading() {
    if (g_state == nullptr || g_state->camera_aux == nullptr) return mat_identity();
    return g_state->camera_aux[2];
}

mat4 billboard_pitch_heading() {
    if (g_state == nullptr || g_state->camera_aux == nullptr) return mat_identity();
    return g_state->camera_aux[3];
}

mat4 camera_rotation() {
    if (g_state == nullptr || g_state->camera_aux == nullptr) return mat_identity();
    return g_state->camera_aux[0];
}

std::uint32_t argb(int a, int r, int g, int b) {
    auto c = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
    return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

std::uint32_t ambient_colour() {
    const color_value& a = shading().sun.ambient;
    auto c = [](float v) { return static_cast<int>(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
    return argb(255, c(a.r), c(a.g), c(a.b));
}

std::uint32_t fog_colour() { return g_app != nullptr ? g_app->fog_color : 0xFFFFFFFFu; }

std::uint32_t default_cull_mode() {
    return g_app != nullptr ? static_cast<std::uint32_t>(g_app->front_cull) : CULL_CCW;
}

const gfx_material& white_material() {
    static const gfx_material m = [] {
        gfx_material w;
        w.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        w.ambient = w.diffuse;
        return w;
    }();
    return m;
}

float rand_signed() { return 1.0f - 2.0f * static_cast<float>(program_rand()) / 32767.0f; }

float rand_unit() { return static_cast<float>(program_rand()) / 32767.0f; }

void append_quad(std::vector<effect_vertex>* out, const vec3& centre, const vec3& right,
                 const vec3& up, float half_w, float half_h, std::uint32_t colour) {
    const float corners[6][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0},  {-1, -1, 0, 1},
                                 {1, -1, 1, 1}, {-1, -1, 0, 1}, {1, 1, 1, 0}};
    for (const auto& c : corners) {
        const vec3 p = centre + right * (c[0] * half_w) + up * (c[1] * half_h);
        out->push_back({p.x, p.y, p.z, colour, c[2], c[3]});
    }
}

void take_texture(const char* name, int mode, gfx_texture** out) {
    *out = nullptr;
    if (g_app != nullptr && name != nullptr) g_app->load_texture(name, out, mode, true);
}

void give_back_texture(gfx_texture** texture) {
    if (*texture != nullptr && g_app != nullptr) g_app->release_texture(texture);
    *texture = nullptr;
}

void draw_effect_triangles(gfx_device* d, const std::vector<effect_vertex>& vertices) {
    if (d == nullptr || vertices.size() < 3) return;
    d->set_transform(TS_WORLD, mat_identity());
    d->set_fvf(k_effect_fvf);
    d->draw_primitive_up(PT_TRIANGLELIST, static_cast<int>(vertices.size() / 3), vertices.data(),
                         static_cast<int>(sizeof(effect_vertex)));
}
