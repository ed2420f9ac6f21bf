// The head-up line over a run: time, position, altitude, heading and frame rate at the top,
// the heading and pitch tapes, the latest event message (or the list of recent ones), and
// the rate, sound and auto-track indicators. Also where event messages are taken into the
// history, once per drawn frame.
#include <cmath>
#include <cstdio>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/sound_system.h"
#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_painter.h"
#include "ui/overlay2d.h"
#include "ui/run_screens.h"

namespace {

constexpr std::uint32_t k_yellow = 0xFFFFFF00u;
constexpr std::uint32_t k_tape_colour = 0x80FFFFFFu;
constexpr float k_two_pi = 6.2831855f;
constexpr std::uint32_t k_message_ms = 3000;

char g_shown[app_state::k_line_size] = {};
std::uint32_t g_shown_until = 0;

// The line is drawn under the identity world, whose text scale is the GUI scale: one texel
// of the font to one pixel of the window at every size.
void text(gui_painter* p, float x1, float y1, float x2, float y2, const char* s, bool centred) {
    p->draw_text(gui_font::bold, x1, y1, x2, y2, s, centred ? std::uint32_t{text_flag::centre} : std::uint32_t{0}, 0, 0,
                 gui_scale[0], gui_scale[1], k_yellow, true);
}

// The camera's yaw as a free camera's look yaw: minus the compass heading of its z axis
// (north 0, east pi / 2). Read from the axes, so that it holds however the camera is turned
// (flying free, chasing, tracking or mounted).
float camera_yaw(const app_state& s) {
    return s.camera_angles != nullptr ? -s.camera_angles[1] : 0.0f;
}

void take_message(const app_state& s, bool verbose) {
    char line[app_state::k_line_size];
    copy_bounded(line, sizeof line, s.message);
    if (!g_state->take_message()) return;
    if (!verbose) {
        copy_bounded(g_shown, sizeof g_shown, line);
        g_shown_until = s.now + k_message_ms;
    }
}

void status_text(const app_state& s, char* out, std::size_t size) {
    if (s.status_mode == 1) {
        std::snprintf(out, size, "%d fps", s.frame_rate);
        return;
    }
    char time[32], lon[32], lat[32];
    format_time_of_day(s.time_of_day, time, sizeof time);
    format_angle(s.camera_longitude, 'E', 'W', lon, sizeof lon);
    format_angle(s.camera_latitude, 'N', 'S', lat, sizeof lat);
    const float y = s.camera_world != nullptr ? s.camera_world->m[3][1] : 0.0f;
    const int altitude = static_cast<int>(std::trunc(y + s.origin_offset.y));
    std::snprintf(out, size, "%s  %s  %s  %d m  %03d deg  %d fps", time, lon, lat, altitude, heading_degrees(camera_yaw(s)),
                  s.frame_rate);
}

void draw_tapes(const app_state& s, gui_painter* p, float w, float h) {
    const float yaw = camera_yaw(s);
    const float pitch = s.camera_angles != nullptr ? s.camera_angles[0] : 0.0f;
    const float f = -yaw / k_two_pi;
    p->draw_rect(-0.01f, h - 0.2f, 0.01f, h - 0.05f, k_tape_colour);
    if (s.compass_texture != nullptr) {
        draw_textured_quad(-0.5f, h - 0.2f, 0.5f, h - 0.05f, f + 0.3f, 0.99f, f + 0.7f, 0.01f, k_tape_colour,
                           s.compass_texture);
    }
    const float g = -pitch / k_two_pi;
    p->draw_rect(w - 0.2f, -0.01f, w - 0.05f, 0.01f, k_tape_colour);
    if (s.elevation_texture != nullptr) {
        draw_textured_quad(w - 0.2f, -0.5f, w - 0.05f, 0.5f, 0.01f, g + 0.7f, 0.99f, g + 0.3f, k_tape_colour,
                           s.elevation_texture);
    }
}

void draw_indicators(const app_state& s, gui_painter* p, float w, float h) {
    float right = 0.98f * w;
    auto slot = [&](const char* label) {
        text(p, right - 0.4f, h - 0.08f, right, h, label, true);
        right -= 0.4f;
    };
    if (s.sim_rate > 1.0f) {
        char rate[48];
        std::snprintf(rate, sizeof rate, "Sim Rate x %d", static_cast<int>(std::trunc(s.sim_rate)));
        slot(rate);
    }
    const bool sound_off = g_sound != nullptr && !g_sound->sound_on;
    if (sound_off && s.status_mode != 0) slot("Sound Disabled");
    if (g_app != nullptr && g_app->auto_track && s.status_mode != 0) slot("Auto Track");
}

void draw_message_list(const app_state& s, gui_painter* p, float w, float h) {
    const int n = static_cast<int>(std::trunc(20.0f * h - 2.0f));
    for (int i = 0; i < n && i < app_state::k_history_lines; ++i) {
        const float y = -0.7f * h + 0.08f * static_cast<float>(i);
        text(p, -0.95f * w, y, w, y + 0.08f, s.history_line(i), false);
    }
}

}  // namespace

void format_time_of_day(float hours, char* out, std::size_t size) {
    const int h = static_cast<int>(std::trunc(hours));
    const float minutes = (hours - static_cast<float>(h)) * 60.0f;
    const int m = static_cast<int>(std::trunc(minutes));
    const int s = static_cast<int>(std::trunc((minutes - static_cast<float>(m)) * 60.0f));
    std::snprintf(out, size, "%02d:%02d:%02d", h, m, s);
}

void format_angle(float degrees, char positive, char negative, char* out, std::size_t size) {
    const float a = std::fabs(degrees);
    const int d = static_cast<int>(std::trunc(a));
    const float f = a - static_cast<float>(d);
    const int m = static_cast<int>(std::trunc(f * 60.0f));
    const int s = static_cast<int>(std::trunc(f * 3600.0f - static_cast<float>(m) * 60.0f));
    std::snprintf(out, size, "%02d:%02d:%02d%c", d, m, s, degrees >= 0.0f ? positive : negative);
}

int heading_degrees(float yaw) {
    int heading = static_cast<int>(std::trunc(-57.29578f * yaw));
    if (heading < 0) heading += 360;
    return heading;
}

void draw_status_line() {
    gui_painter* p = current_painter();
    if (g_state == nullptr) return;
    const app_state& s = *g_state;
    const bool verbose = g_app != nullptr && g_app->use_verbose;
    take_message(s, verbose);
    if (p == nullptr) return;
    const float w = gui_scale[0], h = gui_scale[1];
    p->set_world(mat_identity());
    p->begin_text(gui_font::bold);
    if (s.status_mode == 1 || s.status_mode == 2) {
        char line[app_state::k_line_size];
        status_text(s, line, sizeof line);
        text(p, 0.05f - w, h - 0.08f, w, h, line, false);
    }
    draw_tapes(s, p, w, h);
    if (!verbose && g_shown_until > s.now) text(p, 0.05f - w, h - 0.16f, w, h - 0.08f, g_shown, false);
    draw_indicators(s, p, w, h);
    if (verbose) draw_message_list(s, p, w, h);
    p->end_text(gui_font::bold);
}
