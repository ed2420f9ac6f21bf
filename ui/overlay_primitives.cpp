// The drawing primitives of the overlay: each builds its vertices on the spot (the scratch
// store, or six local vertices for textured quads) and issues one draw.
#include <cmath>

#include "ui/overlay2d.h"

namespace {

constexpr float k_two_pi = 6.2831853f;
// Markers stretch y by 4/3 so equal lengths are equal in pixels on the 4:3 virtual screen.
constexpr float k_aspect = 4.0f / 3.0f;

// The white material untextured drawing is lit with, should lighting be on.
gfx_material shared_material() {
    gfx_material m;
    m.diffuse = {1, 1, 1, 1};
    m.ambient = {1, 1, 1, 1};
    return m;
}

void draw_quad_vertices(gfx_device* device, const font_vertex* v, gfx_texture* texture) {
    device->set_texture(0, texture);
    device->set_fvf(k_font_vertex_fvf);
    device->draw_primitive_up(PT_TRIANGLELIST, 2, v, sizeof(font_vertex));
    device->set_texture(0, nullptr);
}

}  // namespace

void overlay2d::put(int index, float x, float y, std::uint32_t color, float z) {
    scratch_vertices[index] = {x, y, z, color};
}

void overlay2d::draw_scratch(std::uint32_t type, int count) {
    gfx_device* d = device();
    if (!d || count <= 0) return;
    d->set_fvf(k_overlay_vertex_fvf);
    d->draw_primitive_up(type, count, scratch_vertices, sizeof(overlay_vertex));
}

void overlay2d::use_shared_material() {
    gfx_device* d = device();
    if (!d) return;
    d->set_material(shared_material());
    d->set_texture(0, nullptr);
}

void overlay2d::draw_line(float x1, float y1, float x2, float y2, std::uint32_t color) {
    put(0, x1, y1, color);
    put(1, x2, y2, color);
    draw_scratch(PT_LINELIST, 1);
}

void overlay2d::draw_rect(float x1, float y1, float x2, float y2, std::uint32_t color) {
    put(0, x1, y1, color);
    put(1, x2, y1, color);
    put(2, x2, y2, color);
    put(3, x1, y2, color);
    put(4, x1, y1, color);
    draw_scratch(PT_LINESTRIP, 4);
}

void overlay2d::fill_rect(float x1, float y1, float x2, float y2, std::uint32_t color) {
    fill_rect_gradient(x1, y1, x2, y2, color, color);
}

void overlay2d::fill_rect_gradient(float x1, float y1, float x2, float y2, std::uint32_t color1,
                                   std::uint32_t color2) {
    put(0, x1, y1, color1);
    put(1, x2, y1, color1);
    put(2, x2, y2, color2);
    put(3, x2, y2, color2);
    put(4, x1, y2, color2);
    put(5, x1, y1, color1);
    draw_scratch(PT_TRIANGLELIST, 2);
}

void overlay2d::draw_bevel_frame(float x1, float y1, float x2, float y2, bool raised,
                                 std::uint32_t color_a, std::uint32_t color_b) {
    const std::uint32_t c1 = raised ? color_b : color_a;
    const std::uint32_t c2 = raised ? color_a : color_b;
    put(0, x1, y1, c1);  // edge y1
    put(1, x2, y1, c1);
    put(2, x2, y1, c1);  // edge x2
    put(3, x2, y2, c1);
    put(4, x2, y2, c2);  // edge y2
    put(5, x1, y2, c2);
    put(6, x1, y2, c2);  // edge x1
    put(7, x1, y1, c2);
    draw_scratch(PT_LINELIST, 4);
}

void overlay2d::draw_note_box(float x1, float y1, float x2, float y2, const char* text) {
    fill_rect(x1, y1, x2, y2, 0xC0FFFF80u);   // translucent light yellow
    draw_rect(x1, y1, x2, y2, 0xC0000000u);
    draw_text_in_box(x1, y1, x2, y2, text, 0, 0, 0, 1, false, TEXT_CENTER);
}

void overlay2d::draw_cross(float x, float y, float half_width, float half_height,
                           std::uint32_t color) {
    put(0, x - half_width, y, color);
    put(1, x + half_width, y, color);
    put(2, x, y - half_height, color);
    put(3, x, y + half_height, color);
    draw_scratch(PT_LINELIST, 2);
}

void overlay2d::draw_box_crosshair(float x1, float y1, float x2, float y2, float dx, float dy,
                                   std::uint32_t color) {
    put(0, x1, y1 + dy, color);
    put(1, x2, y1 + dy, color);
    put(2, x1 + dx, y1, color);
    put(3, x1 + dx, y2, color);
    draw_scratch(PT_LINELIST, 2);
}

void overlay2d::fill_x_mark(float x1, float y1, float x2, float y2, std::uint32_t color) {
    // A stroke of 1.5 virtual pixels: 1.5 / 640 and 1.5 / 480 of the screen's two units.
    constexpr float ox = 0.00234375f, oy = 0.0031245002f;
    // Diagonal (x1, y1)-(x2, y2), then (x1, y2)-(x2, y1), each a thin quad.
    put(0, x1 - ox, y1 + oy, color);
    put(1, x1 + ox, y1 - oy, color);
    put(2, x2 + ox, y2 - oy, color);
    put(3, x2 + ox, y2 - oy, color);
    put(4, x2 - ox, y2 + oy, color);
    put(5, x1 - ox, y1 + oy, color);
    put(6, x1 - ox, y2 - oy, color);
    put(7, x1 + ox, y2 + oy, color);
    put(8, x2 + ox, y1 + oy, color);
    put(9, x2 + ox, y1 + oy, color);
    put(10, x2 - ox, y1 - oy, color);
    put(11, x1 - ox, y2 - oy, color);
    draw_scratch(PT_TRIANGLELIST, 4);
}

void overlay2d::fill_triangle_to_y1(float x1, float y1, float x2, float y2, std::uint32_t color,
                                    bool inset) {
    const float ix = inset ? 0.25f * (x2 - x1) : 0, iy = inset ? 0.35f * (y2 - y1) : 0;
    put(0, x1 + ix, y2 - iy, color);
    put(1, (x1 + x2) / 2, y1 + iy, color);
    put(2, x2 - ix, y2 - iy, color);
    draw_scratch(PT_TRIANGLELIST, 1);
}

void overlay2d::fill_triangle_to_y2(float x1, float y1, float x2, float y2, std::uint32_t color,
                                    bool inset) {
    const float ix = inset ? 0.25f * (x2 - x1) : 0, iy = inset ? 0.35f * (y2 - y1) : 0;
    put(0, x1 + ix, y1 + iy, color);
    put(1, (x1 + x2) / 2, y2 - iy, color);
    put(2, x2 - ix, y1 + iy, color);
    draw_scratch(PT_TRIANGLELIST, 1);
}

void overlay2d::fill_triangle_to_x1(float x1, float y1, float x2, float y2, std::uint32_t color,
                                    bool inset) {
    const float ix = inset ? 0.35f * (x2 - x1) : 0, iy = inset ? 0.25f * (y2 - y1) : 0;
    put(0, x2 - ix, y2 - iy, color);
    put(1, x2 - ix, y1 + iy, color);
    put(2, x1 + ix, (y1 + y2) / 2, color);
    draw_scratch(PT_TRIANGLELIST, 1);
}

void overlay2d::fill_triangle_to_x2(float x1, float y1, float x2, float y2, std::uint32_t color,
                                    bool inset) {
    const float ix = inset ? 0.35f * (x2 - x1) : 0, iy = inset ? 0.25f * (y2 - y1) : 0;
    put(0, x1 + ix, y2 - iy, color);
    put(1, x2 - ix, (y1 + y2) / 2, color);
    put(2, x1 + ix, y1 + iy, color);
    draw_scratch(PT_TRIANGLELIST, 1);
}

void overlay2d::fill_down_chevron(float x1, float y1, float x2, float y2, std::uint32_t color) {
    const float qx = (x2 - x1) / 4, qy = (y2 - y1) / 4;
    const float cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
    put(0, x1 + qx, cy + qy, color);
    put(1, x1 + qx, cy, color);
    put(2, cx, y1 + qy, color);
    put(3, cx, y1, color);
    put(4, x2 - qx, cy + qy, color);
    put(5, x2 - qx, cy, color);
    draw_scratch(PT_TRIANGLESTRIP, 4);
}

void overlay2d::draw_tab(float x1, float y1, float x2, float y2, std::uint32_t color1,
                         std::uint32_t color2, std::uint32_t outline) {
    const float k = 0.3f * (y2 - y1);
    put(0, x1 + k, y1, color1);
    put(1, x2 - k, y1, color1);
    put(2, x2, y2, color2);
    put(3, x2, y2, color2);
    put(4, x1, y2, color2);
    put(5, x1 + k, y1, color1);
    draw_scratch(PT_TRIANGLELIST, 2);
    put(0, x2 + k, y2, outline);
    put(1, x1 - k, y2, outline);
    put(2, x1, y2, outline);
    put(3, x1 + k, y1, outline);
    put(4, x2 - k, y1, outline);
    put(5, x2, y2, outline);
    draw_scratch(PT_LINESTRIP, 5);
}

void overlay2d::draw_arc(float cx, float cy, float r, std::uint32_t color, float steps,
                         float start, float x_factor) {
    if (!(steps > 0)) return;
    const float step = k_two_pi / steps;
    float t = start;
    int n = 0;
    for (int i = 0; static_cast<float>(i) < steps && i < k_max_arc_steps; ++i, t += step) {
        put(n++, cx + x_factor * r * std::cos(t), cy + r * std::sin(t), color);
        put(n++, cx + x_factor * r * std::cos(t + step), cy + r * std::sin(t + step), color);
    }
    draw_scratch(PT_LINESTRIP, n - 1);
}

void overlay2d::fill_arc(float cx, float cy, float r, std::uint32_t color, float steps,
                         float start, float x_factor) {
    if (!(steps > 0)) return;
    const float step = k_two_pi / steps;
    float t = start;
    int n = 0;
    for (int i = 0; static_cast<float>(i) < steps && i < k_max_fill_arc_steps; ++i, t += step) {
        put(n++, cx + x_factor * r * std::cos(t), cy + r * std::sin(t), color);
        put(n++, cx + x_factor * r * std::cos(t + step), cy + r * std::sin(t + step), color);
        put(n++, cx, cy, color);
    }
    draw_scratch(PT_TRIANGLELIST, n / 3);
}

void overlay2d::draw_direction_triangle(float cx, float cy, float size, float angle,
                                        std::uint32_t color) {
    const float r = size / 2, d = size / 4;
    const float tx = cx - r * std::sin(angle), ty = cy + k_aspect * r * std::cos(angle);
    // The barbs leave the tip at 2.88 rad (165 degrees) to either side of the direction.
    const float b1 = angle - 2.88f, b2 = angle + 2.88f;
    put(0, tx, ty, color);
    put(1, tx - d * std::sin(b1), ty + k_aspect * d * std::cos(b1), color);
    put(2, tx, ty, color);
    put(3, tx - d * std::sin(b2), ty + k_aspect * d * std::cos(b2), color);
    put(4, tx, ty, color);
    put(5, cx - r * std::sin(angle + k_pi), cy + k_aspect * r * std::cos(angle + k_pi), color);
    draw_scratch(PT_LINELIST, 3);
}

void overlay2d::fill_dart(float cx, float cy, float r, float y_factor, float angle,
                          std::uint32_t color) {
    // Here the y factor takes the place of the markers' 4/3.
    auto px = [&](float t) { return cx - r * std::sin(t); };
    auto py = [&](float t) { return cy + y_factor * r * std::cos(t); };
    put(0, px(angle), py(angle), color);
    put(1, px(angle - 2.5f), py(angle - 2.5f), color);
    put(2, cx, cy, color);
    put(3, cx, cy, color);
    put(4, px(angle + 2.5f), py(angle + 2.5f), color);
    put(5, px(angle), py(angle), color);
    draw_scratch(PT_TRIANGLELIST, 2);
}

void overlay2d::fill_wedge(float cx, float cy, float r, float direction, std::uint32_t color,
                           float half_angle) {
    auto px = [&](float t) { return cx - r * std::sin(t); };
    auto py = [&](float t) { return cy + k_aspect * r * std::cos(t); };
    put(0, cx, cy, color);
    put(1, px(direction - half_angle), py(direction - half_angle), color);
    put(2, px(direction + half_angle), py(direction + half_angle), color);
    draw_scratch(PT_TRIANGLELIST, 1);
}

void overlay2d::draw_3d_cross(float x, float y, float z, float half_size, std::uint32_t color) {
    use_shared_material();
    put(0, x - half_size, y, color, z);
    put(1, x + half_size, y, color, z);
    put(2, x, y - half_size, color, z);
    put(3, x, y + half_size, color, z);
    put(4, x, y, color, z - half_size);
    put(5, x, y, color, z + half_size);
    draw_scratch(PT_LINELIST, 3);
}

void overlay2d::draw_box_3d(float x1, float y1, float z1, float x2, float y2, float z2,
                            float depth, std::uint32_t color) {
    use_shared_material();
    // The twelve edges as one strip (some edges are run twice).
    const float strip[20][3] = {
        {x1, y1, z1}, {x2, y1, z1}, {x2, y2, z1}, {x1, y2, z1}, {x1, y1, z1},
        {x1, y1, z2}, {x2, y1, z2}, {x2, y2, z2}, {x1, y2, z2}, {x1, y1, z2},
        {x1, y1, z1}, {x1, y1, z2}, {x1, y2, z2}, {x1, y2, z1}, {x1, y1, z1},
        {x2, y1, z1}, {x2, y1, z2}, {x2, y2, z2}, {x2, y2, z1}, {x2, y1, z1},
    };
    for (int i = 0; i < 20; ++i) put(i, strip[i][0], strip[i][1], color, strip[i][2]);
    draw_scratch(PT_LINESTRIP, 19);
    gfx_device* d = device();
    if (!d) return;
    // The drop line from the frame's position straight down, in world coordinates.
    const mat4 world = d->transform(TS_WORLD);
    const float tx = world.m[3][0], ty = world.m[3][1], tz = world.m[3][2];
    d->set_transform(TS_WORLD, mat_identity());
    put(0, tx, ty, color, tz);
    put(1, tx, -depth, color, tz);
    draw_scratch(PT_LINELIST, 1);
    d->set_transform(TS_WORLD, world);
}

void overlay2d::draw_map_symbol(float x, float y, float size, int kind, std::uint32_t color) {
    switch (kind) {
        case 0: draw_3d_cross(x, y, 0.0f, size, color); break;
        case 1: draw_direction_triangle(x, y, size, 0.0f, color); break;
        case 2: draw_arc(x, y, size, color, 12.0f, 0.0f, 1.0f); break;
        case 3: draw_direction_triangle(x, y, size, k_pi / 2, color); break;
        case 4: draw_spoke_ring(x, y, size, 2.0f * size, color); break;
        case 5: draw_rect(x - size, y - size, x + size, y + size, color); break;
        default: break;
    }
}

void draw_spoke_ring(float cx, float cy, float r1, float r2, std::uint32_t color) {
    if (!g_overlay) return;
    for (int k = 0; k < 8; ++k) {
        const float t = static_cast<float>(k) * k_pi / 4;
        g_overlay->scratch_vertices[2 * k] = {cx + 0.75f * r1 * std::cos(t), cy + r1 * std::sin(t),
                                              0, color};
        g_overlay->scratch_vertices[2 * k + 1] = {cx + 0.75f * r2 * std::cos(t),
                                                  cy + r2 * std::sin(t), 0, color};
    }
    if (gfx_device* device = g_overlay->device()) {
        device->set_fvf(k_overlay_vertex_fvf);
        device->draw_primitive_up(PT_LINELIST, 8, g_overlay->scratch_vertices,
                                  sizeof(overlay_vertex));
    }
}

void draw_textured_quad(float x1, float y1, float x2, float y2, float ua, float va, float ub,
                        float vb, std::uint32_t color, gfx_texture* texture) {
    gfx_device* device = g_overlay ? g_overlay->device() : nullptr;
    if (!device) return;
    const font_vertex v[6] = {
        {x1, y1, 0, color, ua, va}, {x2, y1, 0, color, ub, va}, {x2, y2, 0, color, ub, vb},
        {x2, y2, 0, color, ub, vb}, {x1, y2, 0, color, ua, vb}, {x1, y1, 0, color, ua, va},
    };
    draw_quad_vertices(device, v, texture);
}

void draw_texture_rect(float x1, float y1, float x2, float y2, std::uint32_t color,
                       gfx_texture* texture) {
    draw_textured_quad(x1, y1, x2, y2, 0, 1, 1, 0, color, texture);
}

void draw_rotated_textured_quad(float cx, float cy, float half_width, float half_height,
                                float angle, std::uint32_t color, gfx_texture* texture) {
    gfx_device* device = g_overlay ? g_overlay->device() : nullptr;
    if (!device) return;
    const float c = std::cos(angle), s = std::sin(angle);
    auto corner = [&](float sx, float ty, float u, float v) {
        const float x = sx * half_width, y = ty * half_height;
        return font_vertex{cx + x * c - y * s, cy + k_aspect * (x * s + y * c), 0, color, u, v};
    };
    const font_vertex pp = corner(1, 1, 1, 1), pm = corner(1, -1, 1, 0);
    const font_vertex mm = corner(-1, -1, 0, 0), mp = corner(-1, 1, 0, 1);
    const font_vertex v[6] = {mm, pm, pp, pp, mp, mm};
    draw_quad_vertices(device, v, texture);
}

void draw_texture_window(float frame_x1, float frame_y1, float frame_x2, float frame_y2,
                         float x1, float y1, float x2, float y2, std::uint32_t color,
                         gfx_texture* texture) {
    gfx_device* device = g_overlay ? g_overlay->device() : nullptr;
    if (!device || frame_x2 == frame_x1 || frame_y2 == frame_y1) return;
    auto u = [&](float x) { return (x - frame_x1) / (frame_x2 - frame_x1); };
    auto v = [&](float y) { return 1 - (y - frame_y1) / (frame_y2 - frame_y1); };
    device->set_sampler_state(0, SAMP_ADDRESSU, TADDRESS_CLAMP);
    device->set_sampler_state(0, SAMP_ADDRESSV, TADDRESS_CLAMP);
    draw_textured_quad(x1, y1, x2, y2, u(x1), v(y1), u(x2), v(y2), color, texture);
    device->set_sampler_state(0, SAMP_ADDRESSU, TADDRESS_WRAP);
    device->set_sampler_state(0, SAMP_ADDRESSV, TADDRESS_WRAP);
}

void draw_texture_part(float x1, float y1, float x2, float y2, float f1, float g1, float f2,
                       float g2, std::uint32_t color, gfx_texture* texture) {
    const float w = x2 - x1, h = y2 - y1;
    draw_textured_quad(x1 + f1 * w, y1 + g1 * h, x1 + f2 * w, y1 + g2 * h, f1, 1 - g1, f2,
                       1 - g2, color, texture);
}
