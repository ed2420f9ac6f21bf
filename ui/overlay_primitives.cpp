// The drawing primitives of the overlay: each builds its vertices on the spot (the scratch
// store, or six local vertices for textured quads) and issues one draw.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/marker_geometry.h"
#include "ui/overlay2d.h"

namespace {

constexpr float k_two_pi = 6.2831853f;
// The barbs of an arrowhead, in radians either side of its direction.
constexpr float k_arrowhead_barb = 2.4f;
// The heading tape: a tick every 10 degrees, at most ten of them (the scratch store's 20
// vertices of the small members), the ticks over the lower 35 % of the tape.
constexpr int k_tape_step_degrees = 10;
constexpr int k_tape_max_ticks = 10;
constexpr float k_tape_tick_share = 0.35f;

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

void overlay2d::put(int index, point2 p, std::uint32_t color) { put(index, p.x, p.y, color); }

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
    point2 p[4];
    direction_triangle_points(cx, cy, size, angle, p);
    put(0, p[0], color);  // barb, barb, shaft
    put(1, p[1], color);
    put(2, p[0], color);
    put(3, p[2], color);
    put(4, p[0], color);
    put(5, p[3], color);
    draw_scratch(PT_LINELIST, 3);
}

void overlay2d::put_dart(float cx, float cy, float r, float y_factor, float angle,
                         std::uint32_t color) {
    // Here the y factor takes the place of the markers' 4/3. Tip, barb, centre twice, barb,
    // tip: two triangles as a list, the outline as a strip.
    point2 p[4];
    dart_points(cx, cy, r, y_factor, angle, p);
    const int order[6] = {0, 1, 2, 2, 3, 0};
    for (int i = 0; i < 6; ++i) put(i, p[order[i]], color);
}

void overlay2d::fill_dart(float cx, float cy, float r, float y_factor, float angle,
                          std::uint32_t color) {
    put_dart(cx, cy, r, y_factor, angle, color);
    draw_scratch(PT_TRIANGLELIST, 2);
}

void overlay2d::draw_dart(float cx, float cy, float r, float y_factor, float angle,
                          std::uint32_t color) {
    put_dart(cx, cy, r, y_factor, angle, color);
    draw_scratch(PT_LINESTRIP, 5);
}

void overlay2d::fill_wedge(float cx, float cy, float r, float direction, std::uint32_t color,
                           float half_angle) {
    put(0, cx, cy, color);
    put(1, marker_point(cx, cy, r, direction - half_angle), color);
    put(2, marker_point(cx, cy, r, direction + half_angle), color);
    draw_scratch(PT_TRIANGLELIST, 1);
}

void overlay2d::draw_wedge(float cx, float cy, float r, float direction, std::uint32_t color,
                           float half_angle) {
    put(0, cx, cy, color);
    put(1, marker_point(cx, cy, r, direction - half_angle), color);
    put(2, marker_point(cx, cy, r, direction + half_angle), color);
    put(3, cx, cy, color);
    draw_scratch(PT_LINESTRIP, 3);
}

void overlay2d::fill_arrowhead(float cx, float cy, float r, float direction,
                               std::uint32_t color) {
    put(0, marker_point(cx, cy, r, direction), color);
    put(1, marker_point(cx, cy, r, direction - k_arrowhead_barb), color);
    put(2, marker_point(cx, cy, r, direction + k_arrowhead_barb), color);
    draw_scratch(PT_TRIANGLELIST, 1);
}

void overlay2d::draw_rotated_rect(float cx, float cy, float half_width, float half_height,
                                  float angle, std::uint32_t color) {
    point2 p[4];
    turned_box_corners(cx, cy, half_width, half_height, angle, p);
    for (int i = 0; i < 5; ++i) put(i, p[i % 4], color);
    draw_scratch(PT_LINESTRIP, 4);
}

void overlay2d::fill_rotated_rect(float cx, float cy, float half_width, float half_height,
                                  float angle, std::uint32_t color) {
    point2 p[4];
    turned_box_corners(cx, cy, half_width, half_height, angle, p);
    const int order[6] = {0, 1, 2, 2, 3, 0};
    for (int i = 0; i < 6; ++i) put(i, p[order[i]], color);
    draw_scratch(PT_TRIANGLELIST, 2);
}

void overlay2d::fill_silhouette(float cx, float cy, float width, float height, float angle,
                                std::uint32_t color) {
    point2 p[k_silhouette_points];
    silhouette_points(cx, cy, width, height, angle, p);
    for (int i = 0; i < k_silhouette_points; ++i) put(i, p[i], color);
    draw_scratch(PT_TRIANGLESTRIP, k_silhouette_points - 2);
}

void overlay2d::draw_heading_tape(float x1, float y1, float x2, float y2, float heading,
                                  float span, std::uint32_t color) {
    if (!(span > 0) || !std::isfinite(heading) || x2 == x1) return;
    heading = std::fmod(heading, 360.0f);  // the same scale, and marks that fit an int
    span = std::min(span, static_cast<float>(k_tape_max_ticks - 1) * k_tape_step_degrees);
    const float per_degree = (x2 - x1) / span, mid = (x1 + x2) / 2;
    const float tick_top = y1 + k_tape_tick_share * (y2 - y1);
    const float label_half = 0.5f * k_tape_step_degrees * std::fabs(per_degree);
    // Headings over the tape, from the first multiple of 10 at or after its left end.
    const float left = heading - span / 2;
    int mark = static_cast<int>(std::ceil(left / k_tape_step_degrees)) * k_tape_step_degrees;
    int n = 0;
    for (; n < k_tape_max_ticks && static_cast<float>(mark) <= heading + span / 2;
         ++n, mark += k_tape_step_degrees) {
        const float x = mid + (static_cast<float>(mark) - heading) * per_degree;
        put(2 * n, x, y1, color);
        put(2 * n + 1, x, tick_top, color);
        char label[8];
        std::snprintf(label, sizeof label, "%03d", ((mark % 360) + 360) % 360);
        draw_text_in_box_sized(x - label_half, tick_top, x + label_half, y2, label, color, 1.0f,
                               false, TEXT_CENTER);
    }
    draw_scratch(PT_LINELIST, n);
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
    point2 p[4];  // local (-,-), (+,-), (+,+), (-,+)
    turned_box_corners(cx, cy, half_width, half_height, angle, p);
    auto corner = [&](int i, float u, float v) { return font_vertex{p[i].x, p[i].y, 0, color, u, v}; };
    const font_vertex mm = corner(0, 0, 0), pm = corner(1, 1, 0);
    const font_vertex pp = corner(2, 1, 1), mp = corner(3, 0, 1);
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
