// The flight graphs view: one channel of the flight the test control window samples
// (velocity, range, altitude, Mach number or manoeuvre load against time), for the newest
// missile or target, redrawn five times a second. The chosen channel outlives the window.
#include "core/d3d_app.h"
#include "ui/graph.h"
#include "ui/gui.h"
#include "ui/gui_painter.h"
#include "ui/screens.h"
#include "ui/test_control.h"

namespace {

constexpr std::uint32_t k_refresh_ms = 200;
constexpr int k_channels = 5;

struct channel_button {
    const char* caption;
    float y1, y2;
};
constexpr channel_button k_buttons[k_channels] = {
    {"Velocity", 0.8f, 0.88f}, {"Range", 0.68f, 0.76f},   {"Altitude", 0.56f, 0.64f},
    {"Mach", 0.44f, 0.52f},    {"Maneuver", 0.32f, 0.4f},
};

// The graph channel shown (1 velocity ... 5 manoeuvre) and the clock of the next redraw.
int g_channel = 1;
std::uint32_t g_next_refresh = 0;

// A screen too small for the window draws it scaled down; its labels keep the small font's
// pixel size (scaled with the window, "6.1" read "G.1" at 640 x 480).
float label_zoom(const gui_window* w) {
    const float scale = w->drawn_scale(0);
    return scale < 1.0f ? 1.0f / scale : 1.0f;
}

void plot(const gui_window* w) { graph_draw(-1.1f, -0.9f, 0.9f, 0.7f, g_channel, true, label_zoom(w)); }

void build(gui_window* w) {
    w->clear();
    w->visible = 1;
    w->create(-1.2f, -1.0f, 1.2f, 1.0f, window_kind::titled_window);
    w->set_title("Graph of Missile Flight Path");
    if (gui_rect* body = w->find_rect_by_kind(rect_kind::body)) body->fill.a = 128;
    for (int i = 0; i < k_channels; ++i) {
        gui_rect* r =
            w->add_rect(0.98f, k_buttons[i].y1, 1.18f, k_buttons[i].y2, rect_kind::button);
        r->set_text(k_buttons[i].caption);
        // The buttons keep their width while the font grows with the screen: a caption too
        // wide for its button ("Maneuver" in a 1920 x 1080 window) takes a smaller font.
        r->fit_text = 1;
        w->private_rects[i] = r;
    }
    g_app->graph_shown = 1;
    w->wants_draw = 1;
    w->wants_tick = 1;
}

void on_click(gui_window* w) {
    const gui_rect* r = w->pressed_rect();
    for (int i = 0; i < k_channels; ++i) {
        if (r == nullptr || r != w->private_rects[i]) continue;
        g_channel = i + 1;
        plot(w);
    }
}

void on_tick(gui_window* w) {
    const std::uint32_t now = gui_clock();
    if (static_cast<std::int32_t>(now - g_next_refresh) < 0) return;
    if (g_test_control.graph_source == 1) w->set_title("Graph of Missile Flight Path");
    if (g_test_control.graph_source == 2) w->set_title("Graph of Target Flight Path");
    plot(w);
    g_next_refresh = now + k_refresh_ms;
}

}  // namespace

int flight_graph_dialog(gui_window* w, int event) {
    if (g_app == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::tick: on_tick(w); break;
        case gui_event::draw: graph_render_with_labels(); break;
        case gui_event::reactivate: g_app->graph_shown = 1; break;
        case gui_event::close: g_app->graph_shown = 0; break;
        default: break;
    }
    return 0;
}

int flight_graph_channel() { return g_channel; }
