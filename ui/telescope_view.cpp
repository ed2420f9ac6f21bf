#include "ui/telescope_view.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/screens.h"
#include "ui/view_drawing.h"

namespace {

constexpr float k_deg = 57.29578f;
constexpr float k_units_per_degree = 0.016f;  // 50 degrees over 0.8 units
constexpr float k_tape_half = 0.4f;
constexpr float k_major_step = 0.16f;  // 10 degrees
constexpr float k_minor_step = 0.08f;
constexpr float k_min_fov_share = 0.01f;  // the sight magnifies at most 100 times
constexpr int k_night_vision_sound = 1;

enum { k_slider };
enum { k_night_button, k_off_button };

camera* viewer() { return g_scene != nullptr ? &g_scene->viewer : nullptr; }

// Ticks from the first label value n at position p, stepping 10 degrees per 0.16 units.
telescope_tape tape(float b, bool wrap_360) {
    telescope_tape t;
    int n = static_cast<int>(b * 0.1f) * 10;
    const float first = -k_tape_half - (b - static_cast<float>(n)) * k_units_per_degree;
    for (float p = first; p <= k_tape_half && t.major_count < telescope_tape::k_max_marks;
         p += k_major_step) {
        if (p >= -k_tape_half) {
            t.major[t.major_count] = p;
            t.labels[t.major_count] = wrap_360 ? n : std::abs(n);
            ++t.major_count;
        }
        n += 10;
        if (wrap_360 && n >= 360) n -= 360;
    }
    for (float p = first + k_minor_step;
         p <= k_tape_half && t.minor_count < telescope_tape::k_max_marks; p += k_major_step) {
        if (p >= -k_tape_half) t.minor[t.minor_count++] = p;
    }
    return t;
}

struct sight_colours {
    std::uint32_t opaque, faint;
    std::uint32_t label;
};

sight_colours colours() {
    const float light = g_state != nullptr ? std::clamp(g_state->sky_light[1], 0.0f, 1.0f) : 1.0f;
    const int c = static_cast<int>(255.0f * (1.0f - light));
    const std::uint32_t grey = (static_cast<std::uint32_t>(c) << 16) |
                               (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(c);
    return {0xFF000000u | grey, 0x40000000u | grey, 0xFF000000u | grey};
}

// A label centred in its box, grown to the whole text where the font is larger than the box
// and kept inside the sight's square.
void label(float x1, float y1, float x2, float y2, const char* s, std::uint32_t colour) {
    view_text({x1, y1, x2, y2}, s, colour, FONT_NORMAL, {-1.0f, -1.0f, 1.0f, 1.0f});
}

void draw_bearing(float heading_deg, const sight_colours& c) {
    const telescope_tape t = telescope_bearing_tape(heading_deg);
    char s[32];
    for (int i = 0; i < t.major_count; ++i) {
        const float x = t.major[i];
        view_lines_add(x, 0.7f, x, 0.75f, c.opaque);
        format_text(s, "%03d", t.labels[i]);
        label(x - 0.05f, 0.6f, x + 0.05f, 0.7f, s, c.label);
    }
    for (int i = 0; i < t.minor_count; ++i)
        view_lines_add(t.minor[i], 0.7f, t.minor[i], 0.73f, c.opaque);
    view_lines_add(0.0f, 0.6f, 0.0f, 0.78f, c.opaque);
    telescope_bearing_text(s, heading_deg);
    label(-0.08f, 0.82f, 0.08f, 0.9f, s, c.label);
    g_overlay->draw_rect(-0.08f, 0.82f, 0.08f, 0.9f, c.opaque);
}

void draw_elevation(float elevation_deg, const sight_colours& c) {
    const telescope_tape t = telescope_elevation_tape(elevation_deg);
    char s[32];
    for (int i = 0; i < t.major_count; ++i) {
        const float y = t.major[i];
        view_lines_add(0.55f, y, 0.58f, y, c.opaque);
        format_text(s, "%02d", t.labels[i]);
        label(0.45f, y - 0.05f, 0.55f, y + 0.05f, s, c.label);
    }
    for (int i = 0; i < t.minor_count; ++i)
        view_lines_add(0.55f, t.minor[i], 0.565f, t.minor[i], c.opaque);
    view_lines_add(0.45f, 0.0f, 0.58f, 0.0f, c.opaque);
    telescope_elevation_text(s, elevation_deg);
    label(0.6f, -0.04f, 0.78f, 0.04f, s, c.label);
    g_overlay->draw_rect(0.6f, -0.04f, 0.78f, 0.04f, c.opaque);
}

void draw_centre_and_frame(const sight_colours& c) {
    g_overlay->draw_rect(-0.1f, -0.1f, 0.1f, 0.1f, c.faint);
    view_lines_add(-0.15f, 0.0f, -0.05f, 0.0f, c.faint);
    view_lines_add(0.15f, 0.0f, 0.05f, 0.0f, c.faint);
    view_lines_add(0.0f, -0.15f, 0.0f, -0.05f, c.faint);
    view_lines_add(0.0f, 0.15f, 0.0f, 0.05f, c.faint);
    // The frame's sides run through the middle of the square's outermost pixels: a side on
    // the square's very edge falls between two pixels, and where the square is the whole
    // window (640 x 480) the left and bottom ones would fall outside it.
    const float x = 1.0f - k_pixel_x / 2, y = 1.0f - k_pixel_y / 2;
    view_lines_add(-x, -y, -x, y, c.opaque);
    view_lines_add(-x, y, x, y, c.opaque);
    view_lines_add(x, y, x, -y, c.opaque);
    view_lines_add(x, -y, -x, -y, c.opaque);
}

// The window is scaled to its place while its captions keep their pixel size, so a caption
// may be wider than its button on a large screen: it takes a smaller font then.
gui_rect* add_button(gui_window* w, float x1, float y1, float x2, float y2, const char* caption) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, rect_kind::button);
    r->fit_text = 1;
    r->set_text(caption);
    return r;
}

void build(gui_window* w) {
    w->clear();
    w->visible = 1;
    w->create_empty(-0.95f, 0.61f, 0.95f, 0.84f, window_kind::titled_window);
    gui_window* slider = w->add_window();
    slider->create(0.85f, -0.5f, 0.95f, 0.5f, window_kind::vertical_slider);
    w->private_windows[k_slider] = slider;
    w->private_rects[k_night_button] = add_button(w, 0.8f, -1.0f, 1.0f, -0.9f, "Night Vis");
    w->private_rects[k_off_button] = add_button(w, 0.8f, 0.9f, 1.0f, 1.0f, "OFF");
    g_app->telescope_shown = 1;
    w->wants_draw = 1;
}

void switch_off() {
    g_app->night_vision = 0;
    g_app->telescope_shown = 0;
}

void on_click(gui_window* w) {
    const gui_rect* r = w->pressed_rect();
    if (r == nullptr) return;
    if (r == w->private_rects[k_night_button]) {
        g_app->night_vision = g_app->night_vision ? 0 : 1;
        ui_play_sound_slot(k_night_vision_sound, 0);
    } else if (r == w->private_rects[k_off_button]) {
        switch_off();
        w->close();
    }
}

void on_draw(gui_window* w) {
    const camera* c = viewer();
    gui_window* slider = w->private_windows[k_slider];
    if (c != nullptr && slider != nullptr && c->normal_fov > 0.0f) {
        slider->set_slider_value((1.0f - c->fov / c->normal_fov) * 255.0f);
    }
    draw_telescope_view();
}

void on_close() {
    switch_off();
    if (camera* c = viewer()) c->fov = c->normal_fov;
}

void on_slider(gui_window* w) {
    gui_window* slider = w->private_windows[k_slider];
    camera* c = viewer();
    if (slider == nullptr || c == nullptr || w->current_child() != slider) return;
    c->fov = std::max(1.0f - slider->slider_value() / 255.0f, k_min_fov_share) * c->normal_fov;
}

}  // namespace

telescope_tape telescope_bearing_tape(float heading_deg) {
    float b = heading_deg - 25.0f;
    while (b < 0.0f) b += 360.0f;
    while (b >= 360.0f) b -= 360.0f;
    return tape(b, true);
}

telescope_tape telescope_elevation_tape(float elevation_deg) {
    float b = elevation_deg - 25.0f;
    while (b < -180.0f) b += 360.0f;
    while (b > 180.0f) b -= 360.0f;
    return tape(b, false);
}

void telescope_zoom_text(char (&out)[32], float fov, float normal_fov) {
    const float zoom = fov > 0.0f ? normal_fov / fov : 1.0f;
    format_text(out, "X %3.1f", static_cast<double>(zoom));
}

void telescope_bearing_text(char (&out)[32], float heading_deg) {
    const float b = heading_deg < 0.0f ? heading_deg + 360.0f : heading_deg;
    format_text(out, "%05.1f", static_cast<double>(b));
}

void telescope_elevation_text(char (&out)[32], float elevation_deg) {
    format_text(out, "%c %05.1f", elevation_deg > 0.0f ? '+' : '-',
                static_cast<double>(std::fabs(elevation_deg)));
}

void draw_telescope_view() {
    const camera* c = viewer();
    if (g_overlay == nullptr || c == nullptr) return;
    const vec3 z = get_axis_z(c->world);
    const float heading = std::atan2(z.x, z.z) * k_deg;
    const float elevation = std::atan2(z.y, std::sqrt(z.x * z.x + z.z * z.z)) * k_deg;
    const sight_colours colour = colours();
    view_lines_clear();
    g_overlay->begin_text(FONT_NORMAL);
    draw_bearing(heading, colour);
    char s[32];
    telescope_zoom_text(s, c->fov, c->normal_fov);
    label(0.8f, 0.54f, 0.98f, 0.62f, s, colour.label);
    g_overlay->draw_rect(0.8f, 0.54f, 0.98f, 0.62f, colour.opaque);
    draw_centre_and_frame(colour);
    draw_elevation(elevation, colour);
    label(-1.0f, -1.0f, -0.5f, -0.92f, "use mouse wheel to zoom", colour.label);
    label(-1.0f, 0.92f, -0.7f, 1.0f, "Telescope View", colour.label);
    view_lines_draw();
    g_overlay->end_text(FONT_NORMAL);
}

int telescope_view_dialog(gui_window* w, int event) {
    if (g_app == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::draw: on_draw(w); break;
        case gui_event::reactivate: g_app->telescope_shown = 1; break;
        case gui_event::close: on_close(); break;
        case gui_event::child_scrolled: on_slider(w); break;
        default: break;
    }
    return 0;
}
