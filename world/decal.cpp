#include "world/decal.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/file_helpers.h"
#include "platform/text.h"

float sway_rate_for(float height) {
    if (!(height > 0.0f)) return 1.0f;
    return std::clamp(std::sqrt(10.0f / height), 1.0f, 5.0f);
}

void turn_sway(float* s, float* c, float k_dt) {
    *c -= k_dt * *s;
    *s += k_dt * *c;  // with the new c: the pair keeps its size
}

hresult create_decal(frame* parent, decal** out) { return create_owned(parent, out); }

hresult destroy_decal(decal** variable) { return destroy_owned(variable); }

decal::decal() {
    type = FRAME_DECAL;
    set_name("decal");
    layer = 2;
    sway_rate = sway_rate_for(height);
    const float a = 2.0f * k_pi * rand_unit();
    sway_s = std::sin(a) / 2.0f;
    sway_c = std::cos(a) / 2.0f;
    set_colour(255.0f, 255.0f, 255.0f, 255.0f);
}

decal::~decal() { decal::clear_children(); }

void decal::clear_children() {
    frame::clear_children();
    give_back_texture(&texture);
}

void decal::set_colour(float r, float g, float b, float a) {
    material = gfx_material{};
    material.diffuse = {r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
    material.ambient = material.diffuse;
}

void decal::load_texture(const char* texture_name) {
    sway_rate = sway_rate_for(height);
    base_box = {{-width / 2.0f, 0.0f, 0.0f}, {width / 2.0f, height, 0.0f}};
    box = base_box;
    base_radius = std::max(width / 2.0f, height);
    radius = base_radius;
    char n[frame::k_name_size];
    copy_text(n, texture_name);
    night_texture = find_n_variant_file(n, sizeof n) ? 1 : 0;
    set_name(n);
    give_back_texture(&texture);
    take_texture(n, 1, &texture);
}

void decal::update() {
    if (in_view) {
        if (sway) turn_sway(&sway_s, &sway_c, sway_rate * frame_step());
        const std::uint32_t now = clock_ms_now();
        if (blinking && static_cast<std::int32_t>(now - next_blink_time) > 0) {
            lit = lit ? 0 : 1;
            next_blink_time = now + (lit ? k_lit_ms : k_dark_ms);
        }
    }
    frame::update();
}

// The lean of a swaying top: the wind above the water, the current (more weakly) under it.
static vec3 sway_lean(float rate, float s) {
    if (g_state == nullptr) return {};
    if (g_state->above_water) {
        const float k = 0.05f * rate * (1.0f + s);
        return {g_state->wind[0] * k, 0.0f, g_state->wind[1] * k};
    }
    const float k = 0.25f * (1.0f + s);
    return {g_state->current[0] * k, 0.0f, g_state->current[1] * k};
}

void decal::world_quad(vec3 out[4]) const {
    const vec3 p = world_position();
    if (light) {
        // A glow faces the camera, grows slowly with distance and stays centred on the light.
        const float k = std::sqrt(std::max(1.0f, 0.02f * camera_vertical_fov() * camera_distance));
        const mat4 turn = camera_rotation();
        const vec3 right = get_axis_x(turn) * (k * width / 2.0f);
        const vec3 up = get_axis_y(turn) * (k * height / 2.0f);
        out[0] = p - right + up;
        out[1] = p + right + up;
        out[2] = p - right - up;
        out[3] = p + right - up;
        return;
    }
    const mat4 turn = billboard_heading();
    const vec3 right = get_axis_x(turn) * (width / 2.0f);
    const vec3 top = get_axis_y(turn) * height + (sway ? sway_lean(sway_rate, sway_s) : vec3{});
    out[0] = p - right + top;
    out[1] = p + right + top;
    out[2] = p - right;
    out[3] = p + right;
}

void decal::render() {
    frame::render();
    if (!in_view || !in_frustum()) return;
    if (light && blinking && !lit) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    vec3 c[4];
    world_quad(c);
    stream_.clear();
    const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int i : {0, 1, 2, 3, 2, 1}) stream_.push_back({c[i].x, c[i].y, c[i].z, 0xFFFFFFFFu, uv[i][0], uv[i][1]});
    const bool night_lit = night_texture && g_state != nullptr && g_state->night;
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_AMBIENT, light || night_lit ? 0xFFFFFFFFu : ambient_colour());
    if (light) d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    d->set_material(material);
    d->set_texture(0, texture);
    draw_effect_triangles(d, stream_);
    d->set_render_state(RS_CULLMODE, default_cull_mode());
    d->set_render_state(RS_AMBIENT, 0);
    if (light) {
        d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
        d->set_render_state(RS_FOGCOLOR, fog_colour());
    }
}

bool decal::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (active && hit_testable && g_state != nullptr) {
        vec3 c[4];
        world_quad(c);
        const int triangles[4][3] = {{0, 1, 2}, {3, 2, 1}, {0, 2, 1}, {3, 1, 2}};
        for (const auto& t : triangles) {
            float distance = 0.0f;
            if (!intersect_ray_triangle(origin, direction, c[t[0]], c[t[1]], c[t[2]], &distance)) continue;
            if (!(distance > 0.0f) || distance >= g_state->nearest_hit) continue;
            g_state->nearest_hit = distance;
            g_state->hit_normal = normalize(cross(c[t[1]] - c[t[0]], c[t[2]] - c[t[0]]));
            if (hit != nullptr) *hit = this;
            if (result != nullptr) *result = distance;
        }
    }
    return frame::hit_test_ray(direction, origin, hit, result);
}
