#include "world/trail.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"

namespace {

constexpr int k_ribbon_vertices = 2 * trail::k_points;
// Milliseconds between pushes, and the pause after which the ribbon starts over.
constexpr std::int32_t k_push_gap = 251;
constexpr std::int32_t k_restart_gap = 1000;

bool usable(const vec3& v) {
    const float l = length(v);
    return std::isfinite(l) && l > 1e-6f;
}

}  // namespace

hresult create_trail(frame* parent, trail** out) { return create_owned(parent, out); }

hresult create_trail_unparented(trail** out) { return create_owned<trail>(nullptr, out); }

hresult destroy_trail(trail** variable) { return destroy_owned(variable); }

trail::trail() {
    type = FRAME_TRAIL;
    set_name("trail");
    set_colour(1.0f, 1.0f, 1.0f);
}

trail::~trail() { trail::clear_children(); }

void trail::clear_children() {
    frame::clear_children();
    give_back_texture(&texture);
}

void trail::set_colour(float r, float g, float b) {
    material = gfx_material{};
    material.diffuse = {r, g, b, 1.0f};
    material.ambient = material.diffuse;
}

void trail::init() {
    frame::clear_children();
    // Each pair spans the ribbon across (u 0 and 1); the texture alternates along it.
    for (int i = 0; i < k_ribbon_vertices; ++i) {
        effect_vertex& v = vertices[static_cast<std::size_t>(i)];
        v = effect_vertex{};
        v.u = static_cast<float>(i % 2);
        v.v = static_cast<float>((i / 2) % 2);
    }
    vertex_count = k_ribbon_vertices;
    give_back_texture(&texture);
    take_texture("graphics\\trail.dds", 0, &texture);
    set_name("trail");
}

void trail::add_point(float w) {
    const vec3 p0 = world_position();
    vec3 z = get_axis_z(world);
    if (usable(z)) last_axis_ = normalize(z);
    z = last_axis_;
    const vec3 head = p0 - z * (2.0f * w);
    const vec3 across = cross(p0 - camera_position(), z);
    if (usable(across)) last_side_ = normalize(across);
    const vec3 side = last_side_;
    effect_vertex& a = vertices[0];
    effect_vertex& b = vertices[1];
    const vec3 pa = w > 0.0f ? head + side * w : head;
    const vec3 pb = w > 0.0f ? head - side * w : head;
    a.x = pa.x, a.y = pa.y, a.z = pa.z;
    b.x = pb.x, b.y = pb.y, b.z = pb.z;
    spread[0] = w > 0.0f ? side * w : side;
    brightness[0] = w > 0.0f ? k_lit : 0.0f;
    a.v = b.v = vertices[2].v == 0.0f ? 1.0f : 0.0f;
    fade_points(frame_step());
    push_points(head);
}

void trail::fade_points(float dt) {
    float largest = 0.0f;
    for (int i = 0; i < k_points; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        float& b = brightness[s];
        int alpha = 0;
        if (b > 510.0f) {
            alpha = static_cast<int>(765.0f - b);  // fading in
            b *= 1.0f - dt;
        } else if (b > 255.0f) {
            alpha = 255;
            b -= fade_rate * dt * b;
        } else {
            alpha = static_cast<int>(b);
            b -= fade_rate * dt * b;
        }
        largest = std::max(largest, b);
        spread[s] *= 1.0f - dt;
        const vec3 d = spread[s] * dt;
        effect_vertex& v0 = vertices[2 * s];
        effect_vertex& v1 = vertices[2 * s + 1];
        v0.x += d.x, v0.y += d.y, v0.z += d.z;
        v1.x -= d.x, v1.y -= d.y, v1.z -= d.z;
        v0.colour = v1.colour = argb(alpha, 255, 255, 255);
    }
    max_brightness = largest;
}

void trail::push_points(const vec3& head) {
    const std::uint32_t now = clock_ms_now();
    const std::int32_t e = static_cast<std::int32_t>(now - last_push_time);
    if (e > k_restart_gap) {
        for (int i = 0; i < k_ribbon_vertices; ++i) {
            effect_vertex& v = vertices[static_cast<std::size_t>(i)];
            v.x = head.x, v.y = head.y, v.z = head.z;
        }
    } else if (e >= k_push_gap) {
        for (int j = k_ribbon_vertices - 1; j >= 2; --j) {
            vertices[static_cast<std::size_t>(j)] = vertices[static_cast<std::size_t>(j - 2)];
        }
        for (int i = k_points - 1; i >= 1; --i) {
            spread[static_cast<std::size_t>(i)] = spread[static_cast<std::size_t>(i - 1)];
            brightness[static_cast<std::size_t>(i)] = brightness[static_cast<std::size_t>(i - 1)];
        }
    } else {
        return;
    }
    last_push_time = now;
}

void trail::update() { add_point(default_width); }

void trail::shift_origin() {
    const vec3 shift = g_state != nullptr ? g_state->last_shift : vec3{};
    for (effect_vertex& v : vertices) {
        v.x -= shift.x, v.y -= shift.y, v.z -= shift.z;
    }
}

// The ribbon lies in world coordinates and has no children of its own to draw.
void trail::render() {
    if (in_shadow_map_pass() || !active || vertex_count < 3) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    d->set_transform(TS_WORLD, mat_identity());
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_AMBIENT, ambient_colour());
    d->set_render_state(RS_ZWRITEENABLE, 0);
    d->set_material(material);
    d->set_texture(0, texture);
    d->set_fvf(k_effect_fvf);
    d->draw_primitive_up(PT_TRIANGLESTRIP, vertex_count - 2, vertices.data(),
                         static_cast<int>(sizeof(effect_vertex)));
    d->set_render_state(RS_CULLMODE, CULL_CCW);
    d->set_render_state(RS_AMBIENT, 0);
    d->set_render_state(RS_ZWRITEENABLE, 1);
}
