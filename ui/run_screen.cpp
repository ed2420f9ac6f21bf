// The in-run screen: the root as a menu bar with the Situation, Options, Tools and Help menus
// (the Tools menu's handler is in tools_menu.cpp), an eight-button side bar of views and
// camera commands shown with the menus, and the run counters over the scene while the pointer
// is away from the bar.
#include <algorithm>
#include <cstring>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/run_screens.h"
#include "ui/screens.h"

namespace {

// The picture of the side bar's eight buttons (eight squares in a row).
constexpr int IDR_SIDE_BAR = 447;
constexpr int k_buttons = 8;
constexpr float k_button_width = 0.15f;
constexpr float k_track_height = 250.0f;  // m above the launcher of a tracked system
constexpr std::uint32_t k_counter_colour = 0xC0FFFFFFu;
constexpr float k_counter_margin = 0.02f;  // GUI units between the counters and the right edge

const char* const k_tooltips[k_buttons] = {"Show Weather",   "Show Map",      "Show Radar",
                                           "Show Telescope", "Track Missile", "Track Target",
                                           "Track System",   "Exit"};

// Where the side bar lies, fixed on every build and read by the press and draw events.
struct side_bar_geometry {
    float right = 1, x0 = -0.2f, width = k_button_width, height = 0.2f, top = 0.92f, bottom = 0.72f;
} g_bar;

enum : int { k_side_bar };

void free_camera() {
    if (g_scene != nullptr) g_scene->free_camera();
}

void close_views(gui_window* root, bool weather, bool map, bool radar, bool telescope) {
    if (weather) root->close_dialog(weather_dialog);
    if (map) root->close_dialog(map_view_dialog);
    if (radar) root->close_dialog(radar_view_dialog);
    if (telescope) root->close_dialog(telescope_view_dialog);
}

void build(gui_window* w) {
    const float sx = gui_scale[0], sy = gui_scale[1];
    g_bar = side_bar_geometry{sx, sx - 1.2f, k_button_width, 0.2f, sy - 0.08f, sy - 0.28f};
    w->clear();
    w->visible = 1;
    w->create(-sx, sy - 0.4f, sx, sy, window_kind::menu_bar);
    gui_window* m = w->add_menu("Situation", situation_menu);
    for (const char* item : {"Load", "Save", "Exit"}) m->add_menu_item(item);
    m = w->add_menu("Options", options_menu);
    for (const char* item : {"Video", "Sound", "Joystick", "Graphics"}) m->add_menu_item(item);
    m = w->add_menu("Tools", tools_menu);
    for (const char* item : {"Telescope", "Radar", "Map", "Graph"}) m->add_menu_item(item);
    m = w->add_menu("Help", help_menu);
    for (const char* item : {"Keys", "Manual", "Tips", "About"}) m->add_menu_item(item);
    gui_rect* bar = w->add_rect(g_bar.x0, g_bar.bottom, sx, g_bar.top, rect_kind::image);
    ui_load_resource_texture(IDR_SIDE_BAR, &bar->image_texture, false);
    bar->visible = 0;
    bar->framed = 0;
    bar->clickable = 1;
    w->private_rects[k_side_bar] = bar;
    w->wants_draw = 1;
    if (g_app != nullptr) {
        g_app->telescope_shown = 0;
        g_app->radar_shown = 0;
        g_app->graph_shown = 0;
        g_app->map_shown = 0;
    }
    if (g_state != nullptr && g_state->test_mode) w->open_dialog(test_control_dialog);
}

// The side-bar button under a window x, or -1.
int button_at(float x) {
    const float k = (x - g_bar.x0) / g_bar.width;
    if (k < 0) return -1;
    const int i = static_cast<int>(k);
    return i < k_buttons ? i : -1;
}

void pressed(gui_window* w) {
    if (w->pressed_rect() == nullptr || w->pressed_rect() != w->private_rects[k_side_bar]) return;
    const int i = button_at(w->local_pointer_x);
    if (i < 0) return;
    ui_play_sound_slot(0, 0);
    run_side_bar_button(w, i);
}

// The counters' left edge: 0.6 sx, or further left when their widest line would run past
// the screen's right edge (a 640 x 480 window).
float counters_left(gui_painter* p, const std::string* lines, int count) {
    const float sx = gui_scale[0];
    float widest = 0;
    for (int i = 0; i < count; ++i) {
        float size[2] = {0, 0};
        if (gui_text_size(p, gui_font::large, lines[i].c_str(), size)) widest = std::max(widest, size[0]);
    }
    return std::min(0.6f * sx, sx - k_counter_margin - widest);
}

void draw_counters(const gui_window* w) {
    gui_painter* p = current_painter();
    if (p == nullptr || g_state == nullptr) return;
    const float sy = gui_scale[1];
    const std::string lines[5] = {
        format_string("%d Rockets Launched", g_state->rockets_fired),
        format_string("%d Missiles Fired", g_state->missiles_fired),
        format_string("%d Rockets Intercepted", g_state->intercepts),
        format_string("%d Rockets Hit Your Area", g_state->hits),
        format_string("%d Debris Hit Your Area", g_state->debris_hits),
    };
    const float x = counters_left(p, lines, 5);
    p->begin_text(gui_font::large);
    float y = 0.95f * sy - 0.15f;
    for (const std::string& line : lines) {
        p->draw_text(gui_font::large, x, y, gui_scale[0], y + 0.15f, line.c_str(), 0, 0, 0, w->text_scale_x,
                     w->text_scale_y, k_counter_colour, true);
        y -= 0.15f;
    }
    p->end_text(gui_font::large);
}

void draw_tooltip(const gui_window* w) {
    gui_painter* p = current_painter();
    const int i = button_at(w->local_pointer_x);
    if (p == nullptr || i < 0) return;
    p->set_world(w->world);
    const float x1 = g_bar.x0 + g_bar.width * static_cast<float>(i);
    p->draw_rect(x1, g_bar.bottom, x1 + g_bar.width, g_bar.top, 0xFF000000u);
    p->set_world(w->world);
    const rect_box box = side_bar_tooltip_box(i, w->local_pointer_x, w->local_pointer_y);
    p->draw_note_box(box.x1, box.y1, box.x2, box.y2, k_tooltips[i]);
}

// The counters while the pointer is away from the bar and its dialogs and the side bar is
// hidden (they share the top right corner); the tooltip while it is
// over one of the bar's own elements. Over a dialog the pointer was last placed in the root's
// coordinates elsewhere, so nothing is drawn from it.
void draw(const gui_window* w) {
    const gui_rect* bar = w->private_rects[k_side_bar];
    const bool bar_shown = bar != nullptr && bar->visible;
    if (w->hovered_rect == 0 && w->hovered_child == 0 && !bar_shown) {
        draw_counters(w);
    } else if (w->hovered_rect != 0) {
        draw_tooltip(w);
    }
}

}  // namespace

int pressed_menu_item(const gui_window* menu) {
    const gui_rect* r = menu->pressed_rect();
    if (r == nullptr || r->kind != rect_kind::menu_entry) return 0;
    int n = 0;
    for (int i = 0; i < menu->rect_count; ++i) {
        if (menu->rect(i)->kind == rect_kind::menu_entry) ++n;
        if (menu->rect(i) == r) return n;
    }
    return 0;
}

gui_window* menu_owner(gui_window* menu) { return menu->parent != nullptr ? menu->parent : menu; }

rect_box side_bar_tooltip_box(int button, float x, float y) {
    const float n = button >= 0 && button < k_buttons ? static_cast<float>(std::strlen(k_tooltips[button])) : 0;
    return rect_box{x - 0.025f * n, y - 0.15f, x, y - 0.07f};
}

void run_side_bar_button(gui_window* root, int i) {
    switch (i) {
        case 0:
            free_camera();
            root->toggle_dialog(weather_dialog);
            close_views(root, false, true, true, true);
            break;
        case 1:
            free_camera();
            close_views(root, true, false, false, false);
            root->toggle_dialog(map_view_dialog);
            close_views(root, false, false, true, true);
            break;
        case 2:
            free_camera();
            close_views(root, true, true, false, false);
            root->toggle_dialog(radar_view_dialog);
            close_views(root, false, false, false, true);
            break;
        case 3:
            close_views(root, true, true, true, false);
            root->toggle_dialog(telescope_view_dialog);
            break;
        case 4: if (g_scene != nullptr) g_scene->track_next_missile(); break;
        case 5: if (g_scene != nullptr) g_scene->track_next_target(); break;
        case 6: if (g_scene != nullptr) g_scene->select_next_system(k_track_height); break;
        case 7:
            free_camera();
            root->toggle_dialog(quit_dialog);
            break;
        default: break;
    }
}

int run_screen(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::press: pressed(w); break;
        case gui_event::draw: draw(w); break;
        default: break;
    }
    return 0;
}

int situation_menu(gui_window* w, int event) {
    if (event != gui_event::click) return 0;
    switch (pressed_menu_item(w)) {
        case 1: menu_owner(w)->open_dialog(run_scenario_dialog); break;
        case 2: menu_owner(w)->open_dialog(save_situation_dialog); break;
        case 3: menu_owner(w)->open_dialog(quit_dialog); break;
        default: break;
    }
    return 0;
}

int options_menu(gui_window* w, int event) {
    if (event != gui_event::click) return 0;
    switch (pressed_menu_item(w)) {
        case 1: menu_owner(w)->open_dialog(video_dialog); break;
        case 2: menu_owner(w)->open_dialog(sound_dialog); break;
        case 3: menu_owner(w)->open_dialog(joystick_dialog); break;
        case 4: menu_owner(w)->open_dialog(weather_dialog); break;
        default: break;
    }
    return 0;
}

int help_menu(gui_window* w, int event) {
    if (event != gui_event::click) return 0;
    switch (pressed_menu_item(w)) {
        case 1: menu_owner(w)->open_dialog(keys_dialog); break;
        case 2: ui_open_document("help\\index.htm"); break;
        case 3: menu_owner(w)->open_dialog(tips_dialog); break;
        case 4: menu_owner(w)->open_dialog(about_dialog); break;
        default: break;
    }
    return 0;
}
