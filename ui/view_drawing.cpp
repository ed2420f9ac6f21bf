#include "ui/view_drawing.h"

#include <algorithm>
#include <cmath>

#include "core/frame.h"
#include "core/hierarchy.h"
#include "simulation/missile_system.h"
#include "ui/d3d_font.h"

view_lines g_view_lines;

void view_lines_clear() { g_view_lines.count = 0; }

void view_lines_add(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    if (g_view_lines.count > view_lines::k_max_vertices - 2) return;
    g_view_lines.vertices[g_view_lines.count++] = {x1, y1, 0.0f, colour};
    g_view_lines.vertices[g_view_lines.count++] = {x2, y2, 0.0f, colour};
}

void view_lines_draw() {
    gfx_device* device = g_overlay != nullptr ? g_overlay->device() : nullptr;
    if (device != nullptr && g_view_lines.count >= 2) {
        device->set_texture(0, nullptr);
        device->set_fvf(k_overlay_vertex_fvf);
        device->draw_primitive_up(PT_LINELIST, g_view_lines.count / 2, g_view_lines.vertices,
                                  sizeof(overlay_vertex));
    }
    view_lines_clear();
}

const frame* system_frame(const missile_system* system) {
    if (system == nullptr || !system->control) return nullptr;
    if (system->control->command_post != nullptr) return system->control->command_post;
    return system->control->radar_model;
}

float frame_heading(const frame* f) {
    if (f == nullptr) return 0.0f;
    const vec3 z = get_axis_z(f->world);
    return std::atan2(z.x, z.z);
}

view_box view_text_box(const view_box& box, vec2 size, const view_box& room) {
    // A hair wider than the text, so the outer glyphs' middles stay inside the box.
    const float w = std::max(box.x2 - box.x1, size.x * 1.02f);
    const float h = std::max(box.y2 - box.y1, size.y);
    auto place = [](float centre, float extent, float lo, float hi) {
        float a = centre - extent / 2;
        if (a + extent > hi) a = hi - extent;
        if (a < lo) a = lo;
        return a;
    };
    const float x1 = place((box.x1 + box.x2) / 2, w, room.x1, room.x2);
    const float y1 = place((box.y1 + box.y2) / 2, h, room.y1, room.y2);
    return {x1, y1, x1 + w, y1 + h};
}

vec2 view_text_size(const char* s, int font) {
    const d3d_font* f = g_overlay != nullptr ? g_overlay->font(font) : nullptr;
    const gfx_device* d = g_overlay != nullptr ? g_overlay->device() : nullptr;
    int size[2] = {0, 0};
    if (f == nullptr || d == nullptr || !f->get_text_extent(s, size)) return {0.0f, 0.0f};
    const gfx_viewport v = d->viewport();
    if (v.width == 0 || v.height == 0) return {0.0f, 0.0f};
    // One texel of the font on one pixel, as the font lays its glyphs out.
    const float sx = g_overlay->text_scale[0], sy = g_overlay->text_scale[1];
    return {2.0f * static_cast<float>(size[0]) * sx / static_cast<float>(v.width),
            2.0f * static_cast<float>(size[1]) * sy / static_cast<float>(v.height)};
}

void view_text(const view_box& box, const char* s, std::uint32_t colour, int font,
               const view_box& room) {
    if (g_overlay == nullptr) return;
    const view_box b = view_text_box(box, view_text_size(s, font), room);
    g_overlay->draw_text_font_box(b.x1, b.y1, b.x2, b.y2, s, colour, 1.0f, 1.0f, font, TEXT_CENTER);
}

void view_labels::add(const view_box& b) {
    if (count < k_max) boxes[count++] = b;
}

bool view_labels::free(const view_box& b) const {
    for (int i = 0; i < count; ++i) {
        const view_box& o = boxes[i];
        if (b.x1 < o.x2 && o.x1 < b.x2 && b.y1 < o.y2 && o.y1 < b.y2) return false;
    }
    return true;
}

namespace {

// How many heights a label may move up or down from its own place.
constexpr int k_label_steps = 4;

bool inside(const view_box& b, const view_box& room) {
    return b.x1 >= room.x1 && b.x2 <= room.x2 && b.y1 >= room.y1 && b.y2 <= room.y2;
}

}  // namespace

view_box view_place_label(view_labels& taken, const view_box& box, const view_box& room) {
    view_box placed = box;
    // A step of the label's own height and a hair, so neighbours do not touch.
    const float step = (box.y2 - box.y1) * 1.05f;
    bool found = taken.free(box);
    for (int k = 1; !found && k <= k_label_steps; ++k) {
        for (const float dy : {k * step, -k * step}) {
            const view_box moved{box.x1, box.y1 + dy, box.x2, box.y2 + dy};
            if (inside(moved, room) && taken.free(moved)) {
                placed = moved;
                found = true;
                break;
            }
        }
    }
    taken.add(placed);
    return placed;
}

void view_label(view_labels& taken, const view_box& box, const char* s, std::uint32_t colour, int font,
                const view_box& room) {
    if (g_overlay == nullptr) return;
    const vec2 size = view_text_size(s, font);
    // The box the text's own ink covers, where the grown box would have centred it: a label's
    // box is often much larger than its text, and only the text must keep clear.
    const view_box grown = view_text_box(box, size, room);
    const float cx = (grown.x1 + grown.x2) / 2, cy = (grown.y1 + grown.y2) / 2;
    const view_box b = view_place_label(taken, view_text_box({cx, cy, cx, cy}, size, room), room);
    g_overlay->draw_text_font_box(b.x1, b.y1, b.x2, b.y2, s, colour, 1.0f, 1.0f, font, TEXT_CENTER);
}
