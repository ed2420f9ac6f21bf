#include "ui/view_drawing.h"

#include <cmath>

#include "core/frame.h"
#include "core/hierarchy.h"
#include "simulation/missile_system.h"

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
