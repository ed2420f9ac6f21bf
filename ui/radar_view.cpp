#include <algorithm>
#include <cmath>

#include "core/camera.h"
#include "core/d3d_app.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "ui/gui.h"
#include "ui/radar_view.h"
#include "ui/screens.h"
#include "ui/view_drawing.h"

float g_radar_range = 5.0f;

namespace {

constexpr float k_across = 0.75f;       // display units across per R km
constexpr float k_label_limit = 0.94f;  // labels beyond this would leave the square
constexpr std::uint32_t k_white = 0xFFFFFFFFu;
constexpr std::uint32_t k_grid = 0xC0FFFFFFu;
constexpr std::uint32_t k_yellow = 0xFFFFFF00u;
constexpr std::uint32_t k_protected = 0x8000FF00u;
constexpr std::uint32_t k_wreck = 0x80FFFFFFu;
constexpr float k_marker = 0.05f;
constexpr float k_marker_half_angle = 2.88f;  // the back corners: a narrow dart
constexpr float k_arc_steps = 36.0f;
constexpr float k_wheel_max = 25.0f;
constexpr float k_min_range = 1.0f;

enum { k_slider };

// The display square, where the drawing is clipped, and the window around it, whose margins
// hold the heading caption (over the title bar) and the wheel hint.
constexpr view_box k_square{-1.0f, -1.0f, 1.0f, 1.0f};
constexpr view_box k_window{-1.05f, -1.1f, 1.1f, 1.1f};

void text(float x1, float y1, float x2, float y2, const char* s, std::uint32_t colour, int font,
          const view_box& room) {
    view_text({x1, y1, x2, y2}, s, colour, font, room);
}

// The kilometre labels and the altitudes drawn so far this frame: an altitude keeps clear of
// both, so two missiles side by side do not write over each other or over a ring's number.
view_labels g_labels;

void write_label(float x1, float y1, float x2, float y2, const char* s, std::uint32_t colour, int font) {
    view_label(g_labels, {x1, y1, x2, y2}, s, colour, font, k_square);
}

struct view_camera {
    float x = 0, z = 0, zx = 0, zz = 1;
    float heading = 0;  // rad, clockwise from north
};

view_camera camera_of(const scene& s) {
    view_camera c;
    const vec3 p = s.viewer.world_position();
    const vec3 z = get_axis_z(s.viewer.world);
    c.x = p.x;
    c.z = p.z;
    c.zx = z.x;
    c.zz = z.z;
    c.heading = std::atan2(z.x, z.z);
    return c;
}

vec2 place(const view_camera& c, const vec3& p, float range_km) {
    return radar_point(p.x, p.z, c.x, c.z, c.zx, c.zz, range_km);
}

// Altitude label and dart of a flying object.
void draw_object(const view_camera& c, const frame& f, float altitude_m, float heading,
                 std::uint32_t text_colour, std::uint32_t colour, float range_km) {
    const vec2 at = place(c, f.world_position(), range_km);
    char label[32];
    format_text(label, "%3.1f km", static_cast<double>(altitude_m * 0.001f));
    write_label(at.x + 0.05f, at.y, at.x + 0.15f, at.y + 0.1f, label, text_colour, FONT_SMALL);
    g_overlay->fill_wedge(at.x, at.y, k_marker, c.heading - heading, colour, k_marker_half_angle);
}

void draw_systems(const scene& s, const view_camera& c, float range_km) {
    const weapon_tables& t = s.tables;
    for (int i = 0; i < std::min<int>(t.system_count, weapon_tables::k_max_systems); ++i) {
        const missile_system* sys = t.systems[i];
        const frame* f = system_frame(sys);
        if (f == nullptr) continue;
        const vec2 at = place(c, f->world_position(), range_km);
        g_overlay->fill_arc(at.x, at.y, sys->control->protected_radius / range_km, k_protected,
                            k_arc_steps, 0.0f, k_across);
        g_overlay->draw_arc(at.x, at.y, sys->control->launch_range / range_km, k_yellow,
                            k_arc_steps, 0.0f, k_across);
        const int n = std::clamp<int>(sys->missile_count, 0, missile_system::k_max_missiles);
        for (int k = 0; k < n; ++k) {
            const missile* m = sys->missiles[k];
            if (m == nullptr || m->dead) continue;
            draw_object(c, *m, m->altitude, frame_heading(m), k_yellow, k_yellow, range_km);
        }
    }
}

// A destroyed rocket tumbles as it falls; its dart keeps pointing the way the wreck moves,
// the heading it last flew.
float wreck_heading(const rocket& r) {
    if (r.velocity.x == 0.0f && r.velocity.z == 0.0f) return frame_heading(&r);
    return std::atan2(r.velocity.x, r.velocity.z);
}

void draw_rockets(const scene& s, const view_camera& c, float range_km) {
    const weapon_tables& t = s.tables;
    for (int i = 0; i < std::min<int>(t.target_count, weapon_tables::k_max_targets); ++i) {
        const rocket* r = t.targets[i];
        if (r == nullptr) continue;
        if (r->destroyed) {
            draw_object(c, *r, r->altitude, wreck_heading(*r), k_white, k_wreck, range_km);
        } else {
            draw_object(c, *r, r->altitude, frame_heading(r), k_white, k_white, range_km);
        }
    }
}

void draw_grid(float range_km) {
    const radar_grid g = radar_layout(range_km);
    char label[16];
    for (int i = 0; i < g.across_count; ++i)
        view_lines_add(g.across[i], -1, g.across[i], 1, k_grid);
    for (int i = 0; i < g.range_count; ++i) view_lines_add(-1, g.ranges[i], 1, g.ranges[i], k_grid);
    for (int i = 0; i < g.label_count; ++i) {
        const radar_grid::label& l = g.labels[i];
        format_text(label, "%d", l.km);
        if (l.across) {
            write_label(l.x, -1.0f, l.x + 0.05f, -0.92f, label, k_white, FONT_NORMAL);
        } else {
            write_label(0.0f, l.y, 0.05f, l.y + 0.05f, label, k_white, FONT_NORMAL);
        }
    }
    view_lines_draw();
}

void build(gui_window* w) {
    w->clear();
    w->visible = 1;
    w->create(-1.05f, -1.1f, 1.1f, 1.1f, window_kind::resizable_window);
    w->set_title("Radar View");
    gui_window* slider = w->add_window();
    slider->create(1.0f, -0.5f, 1.08f, 0.5f, window_kind::vertical_slider);
    w->private_windows[k_slider] = slider;
    g_app->radar_shown = 1;
    w->wants_draw = 1;
    g_radar_range = 5.0f;
}

void on_draw(gui_window* w) {
    if (gui_window* slider = w->private_windows[k_slider]) {
        slider->set_slider_value(g_radar_range * 10.0f);
    }
    draw_radar_view(g_radar_range);
}

void on_slider(gui_window* w) {
    gui_window* slider = w->private_windows[k_slider];
    if (slider == nullptr || w->current_child() != slider) return;
    g_radar_range = std::max(slider->slider_value() / 10.0f, k_min_range);
}

}  // namespace

radar_grid radar_layout(float range_km) {
    radar_grid g;
    const float r = std::max(range_km, k_min_range);
    const int k1 = static_cast<int>(std::floor(r));
    const int k2 = static_cast<int>(std::floor(2.0f * r));
    if (k2 < 10) {
        g.label_step = 1;
        g.line_step = 1;
    } else if (k2 < 20) {
        g.label_step = 2;
        g.line_step = 1;
    } else {
        g.label_step = 4;
        g.line_step = 2;
    }
    const int d = g.line_step, s = g.label_step;
    int m = static_cast<int>(static_cast<float>(k1 - k1 % d) / k_across);
    m -= m % 2;
    for (int i = -m; i <= m && g.across_count < radar_grid::k_max_lines; i += d) {
        const float x = static_cast<float>(i) / r * k_across;
        g.across[g.across_count++] = x;
        if (i != 0 && i % s == 0 && x >= -k_label_limit && x <= k_label_limit) {
            g.labels[g.label_count++] = {x, -1.0f, i, true};
        }
    }
    for (int i = 0; i <= k2 && g.range_count < radar_grid::k_max_lines; i += d) {
        const float y = static_cast<float>(i) / r - 1.0f;
        g.ranges[g.range_count++] = y;
        if (i % s == 0 && y <= k_label_limit) g.labels[g.label_count++] = {0.0f, y, i, false};
    }
    return g;
}

vec2 radar_point(float x, float z, float cx, float cz, float zx, float zz, float range_km) {
    const float dx = x - cx, dz = z - cz;
    const float r = std::sqrt(dx * dx + dz * dz) * 0.001f / std::max(range_km, k_min_range);
    const float b = std::atan2(dz, dx) + std::atan2(zx, zz);
    return {k_across * r * std::cos(b), r * std::sin(b) - 1.0f};
}

namespace {

// The part of the window on the screen, in the window's coordinates: a window larger than a
// small screen keeps its captions where they can be read, over the square's edge.
view_box visible_window() {
    const gfx_device* d = g_overlay->device();
    if (d == nullptr) return k_window;
    const mat4& m = d->transform(TS_WORLD);
    if (m.m[0][0] <= 0.0f || m.m[1][1] <= 0.0f) return k_window;
    const float w = g_overlay->gui_scale[0], h = g_overlay->gui_scale[1];
    const view_box screen{(-w - m.m[3][0]) / m.m[0][0], (-h - m.m[3][1]) / m.m[1][1],
                           (w - m.m[3][0]) / m.m[0][0], (h - m.m[3][1]) / m.m[1][1]};
    return {std::max(k_window.x1, screen.x1), std::max(k_window.y1, screen.y1),
            std::min(k_window.x2, screen.x2), std::min(k_window.y2, screen.y2)};
}

// The two captions in the window's margins, outside the clipped square.
void draw_captions(const scene* s) {
    const view_box room = visible_window();
    // The hint goes under the square; where the screen ends at the square's foot it takes
    // the top left instead, clear of the kilometre labels along the foot.
    const char* hint = "use mouse wheel to zoom";
    if (room.y1 <= k_square.y1 - view_text_size(hint, FONT_NORMAL).y) {
        text(-1.0f, -1.08f, -0.5f, -1.0f, hint, k_white, FONT_NORMAL, room);
    } else {
        text(-1.0f, 1.02f, -0.5f, 1.08f, hint, k_white, FONT_NORMAL, room);
    }
    if (s == nullptr) return;
    char caption[32];
    radar_heading_caption(caption, camera_of(*s).heading);
    text(-0.2f, 1.02f, 0.2f, 1.08f, caption, k_white, FONT_NORMAL, room);
}

}  // namespace

void radar_heading_caption(char (&out)[32], float heading_rad) {
    int heading = static_cast<int>(heading_rad * 57.29578f);
    if (heading < 0) heading += 360;
    format_text(out, "Heading %03d deg", heading);
}

void draw_radar_view(float range_km) {
    if (g_overlay == nullptr) return;
    overlay2d& o = *g_overlay;
    o.draw_rect(k_square.x1, k_square.y1, k_square.x2, k_square.y2, k_white);
    o.set_clip_planes(k_square.x1, k_square.y1, k_square.x2, k_square.y2);
    o.begin_text(FONT_NORMAL);
    o.begin_text(FONT_SMALL);
    g_labels.count = 0;
    draw_grid(range_km);
    if (g_scene != nullptr) {
        const view_camera c = camera_of(*g_scene);
        draw_systems(*g_scene, c, range_km);
        draw_rockets(*g_scene, c, range_km);
    }
    o.end_text(FONT_NORMAL);
    o.end_text(FONT_SMALL);
    o.disable_clip_planes();
    o.begin_text(FONT_NORMAL);
    draw_captions(g_scene);
    o.end_text(FONT_NORMAL);
}

int radar_view_dialog(gui_window* w, int event) {
    if (g_app == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::child_scrolled: on_slider(w); break;
        case gui_event::wheel_up:
            g_radar_range = std::min(g_radar_range + 1.0f, k_wheel_max);
            break;
        case gui_event::wheel_down:
            g_radar_range = std::max(g_radar_range - 1.0f, k_min_range);
            break;
        case gui_event::reactivate: g_app->radar_shown = 1; break;
        case gui_event::close: g_app->radar_shown = 0; break;
        default: break;
    }
    return 0;
}
