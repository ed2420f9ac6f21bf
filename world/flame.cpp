#include "world/flame.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"

namespace {

constexpr int k_sectors = 12;       // 30 degrees each
constexpr int k_head_rings = 8;     // latitude 90 down to 0 in steps of pi / 16
constexpr float k_burnt_out = 1.0f; // above this temperature the trail gets unlit points

int channel(float t, float from, float span) {
    return static_cast<int>(255.0f * std::sin(k_pi * std::clamp((t - from) / span, 0.0f, 1.0f)));
}

}  // namespace

hresult create_flame(frame* parent, flame** out) { return create_owned(parent, out); }

hresult create_flame_unparented(flame** out) { return create_owned<flame>(nullptr, out); }

hresult destroy_flame(flame** variable) { return destroy_owned(variable); }

flame::flame() {
    type = FRAME_FLAME;
    set_name("flame");
}

flame::~flame() { flame::clear_children(); }

void flame::clear_children() {
    ribbon.reset();
    give_back_texture(&texture);
    frame::clear_children();
}

void flame::init() {
    clear_children();
    if (trail_on) {
        // Without memory for the trail the flame goes on without one.
        ribbon.reset(new (std::nothrow) trail());
        if (ribbon) ribbon->init();
    }
    build_mesh();
    take_texture("graphics\\thrust.dds", 0, &texture);
}

void flame::build_mesh() {
    int n = 0;
    auto put = [this, &n](const vec3& p, float u, float v, int ramp) {
        vertices[static_cast<std::size_t>(n)] = {p.x, p.y, p.z, 0xFFFFFFFFu, u, v};
        ramp_index_[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(ramp);
        ++n;
    };
    // Ring k runs from its front edge (ramp colour k) to its back edge (colour k + 1).
    auto ring = [&put](int k, float r0, float z0, float r1, float z1, float scale) {
        for (int s = 0; s < k_sectors; ++s) {
            const float a0 = 2.0f * k_pi * static_cast<float>(s) / k_sectors;
            const float a1 = 2.0f * k_pi * static_cast<float>(s + 1) / k_sectors;
            const float u0 = a0 / (2.0f * k_pi), u1 = a1 / (2.0f * k_pi);
            const vec3 f0{std::cos(a0) * r0, std::sin(a0) * r0, z0};
            const vec3 f1{std::cos(a1) * r0, std::sin(a1) * r0, z0};
            const vec3 b0{std::cos(a0) * r1, std::sin(a0) * r1, z1};
            const vec3 b1{std::cos(a1) * r1, std::sin(a1) * r1, z1};
            put(f0, u0, z0 * scale, k);
            put(f1, u1, z0 * scale, k);
            put(b0, u0, z1 * scale, k + 1);
            put(b1, u1, z1 * scale, k + 1);
            put(b0, u0, z1 * scale, k + 1);
            put(f1, u1, z0 * scale, k);
        }
    };
    for (int k = 0; k < k_head_rings; ++k) {
        const float p0 = k_pi / 2.0f - static_cast<float>(k) * k_pi / 16.0f;
        const float p1 = p0 - k_pi / 16.0f;
        ring(k, std::cos(p0), std::sin(p0), std::cos(p1), std::sin(p1), texture_scale);
    }
    ring(k_head_rings, 1.0f, 0.0f, 1.25f, -3.0f, texture_scale);
    vertex_count = n;
    build_colour_ramp();
}

std::uint32_t flame::ramp_colour(int i) const {
    const int k = std::clamp(i, 0, k_ramp_colours - 1);
    const int j = std::min(k, 8);  // entry 9 is entry 8 made transparent
    const float t = std::max(static_cast<float>(j) * 0.03f + temperature, 0.4f);
    const int alpha = k == 9 ? 0 : static_cast<int>((std::sin(k_pi / 2.0f - static_cast<float>(j) * k_pi / 16.0f) + 1.0f) * 127.5f);
    return argb(alpha, channel(t, 0.4f, 0.55f), channel(t, 0.35f, 0.4f), channel(t, 0.3f, 0.3f));
}

void flame::build_colour_ramp() {
    std::uint32_t ramp[k_ramp_colours];
    for (int i = 0; i < k_ramp_colours; ++i) ramp[i] = ramp_colour(i);
    for (int i = 0; i < vertex_count; ++i) {
        vertices[static_cast<std::size_t>(i)].colour = ramp[ramp_index_[static_cast<std::size_t>(i)]];
    }
}

float flame::trail_width() const {
    if (temperature > k_burnt_out) return 0.0f;
    return scale_x * 10.0f * length(get_axis_x(world));
}

void flame::update() { update_trail(); }

void flame::update_trail() {
    if (trail_on && ribbon) {
        ribbon->world = world;
        ribbon->add_point(trail_width());
    }
    if (!in_view) return;
    const float scroll = scroll_speed * frame_step();
    for (int i = 0; i < vertex_count; ++i) vertices[static_cast<std::size_t>(i)].v += scroll;
}

void flame::shift_origin() {
    if (trail_on && ribbon) ribbon->shift_origin();
}

void flame::draw_pass(gfx_device* d, const mat4& m, std::uint32_t cull) const {
    d->set_transform(TS_WORLD, m);
    d->set_material(white_material());
    d->set_texture(0, texture);
    d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    d->set_render_state(RS_LIGHTING, 0);
    d->set_render_state(RS_CULLMODE, cull);
    d->set_fvf(k_effect_fvf);
    d->draw_primitive_up(PT_TRIANGLELIST, vertex_count / 3, vertices.data(),
                         static_cast<int>(sizeof(effect_vertex)));
}

void flame::render() {
    if (in_shadow_map_pass()) return;
    frame::render();
    if (!active || vertex_count < 3) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const float f = rand_signed() * flicker + 1.0f;
    const mat4 m = mat_translation(0.0f, 0.0f, -offset) *
                   mat_scaling(f * scale_x, f * scale_y, f * scale_z) * world;
    draw_pass(d, m, CULL_CW);  // the inner faces
    if (trail_on && ribbon) {
        d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
        d->set_render_state(RS_LIGHTING, 1);
        ribbon->render();
    }
    draw_pass(d, m, CULL_CCW);  // the outer faces
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->set_render_state(RS_LIGHTING, 1);
}
