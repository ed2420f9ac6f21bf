// The main menu: the screen the program opens on and returns to. One full-height 4:3
// background picture, a title strip, the version, and picture buttons along the bottom and
// up the right side.
#include <algorithm>

#include "core/d3d_app.h"
#include "platform/resources.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/screens.h"

namespace {

// Pictures of the program's resources.
constexpr int IDR_MENU_BACKGROUND = 173;
constexpr int IDR_HELP_BUTTON = 417;
constexpr int IDR_SETTINGS_BUTTON = 418;
constexpr int IDR_NEWS_BUTTON = 419;
constexpr int IDR_EXIT_BUTTON = 420;
constexpr int IDR_DESIGN_MISSILE_BUTTON = 421;
constexpr int IDR_RUN_SCENARIO_BUTTON = 422;
constexpr int IDR_DESIGN_SCENARIO_BUTTON = 423;

// The maker's page that "News" opens: the program's own manual until it has a web site.
constexpr const char* k_news_page = "help\\index.htm";

// The buttons the screen keeps in its window's private pointers.
enum { k_news, k_settings, k_help, k_exit, k_design_missile, k_design_scenario, k_run_scenario };

gui_rect* add_button(gui_window* w, float x1, float y1, float x2, float y2, int picture,
                     const char* caption) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, rect_kind::large_button);
    r->set_text(caption);
    ui_load_resource_texture(picture, &r->image_texture, false);
    return r;
}

void build(gui_window* w) {
    w->clear();
    w->visible = 1;
    if (g_app != nullptr) g_app->menu_mode = 1;
    const float h = gui_scale[1];
    // The picture keeps its 4:3 shape: the smaller scale is the horizontal unit.
    const float m = std::min(gui_scale[0], gui_scale[1]);
    w->create(-m, -h, m, h, window_kind::panel);

    gui_rect* background = w->rect(0);
    background->framed = 0;
    background->bevelled = 0;
    background->fill = {255, 255, 255, 255};
    background->point_sampled = 1;
    ui_load_resource_texture(IDR_MENU_BACKGROUND, &background->image_texture, false);

    gui_rect* title = w->add_rect(-m, -h, m, -h + 0.1f, rect_kind::label);
    title->filled = 1;
    title->bold = 1;
    title->left_text = 1;
    title->centred = 0;
    title->set_text(g_app != nullptr ? g_app->title : "");

    auto& b = w->private_rects;
    b[k_news] = add_button(w, 0.8f * m, -0.59f * h, 0.99f * m, -0.4f * h, IDR_NEWS_BUTTON, "News");

    char version[120] = {};
    load_string_resource(IDS_VERSION, version, sizeof version);
    gui_rect* v = w->add_rect(m - 0.5f, h - 0.18f, m, h - 0.1f, rect_kind::label);
    v->text_colour = {255, 255, 255, 255};
    v->set_text(version);

    b[k_settings] = add_button(w, 0.6f * m, -h + 0.12f, 0.79f * m, -0.78f * h, IDR_SETTINGS_BUTTON, "Settings");
    b[k_help] = add_button(w, 0.8f * m, -0.77f * h, 0.99f * m, -0.6f * h, IDR_HELP_BUTTON, "Help");
    b[k_exit] = add_button(w, 0.8f * m, -h + 0.12f, 0.99f * m, -0.78f * h, IDR_EXIT_BUTTON, "Exit");
    b[k_design_missile] = add_button(w, -0.99f * m, -h + 0.12f, -0.65f * m, -0.78f * h,
                                     IDR_DESIGN_MISSILE_BUTTON, "Design Missile");
    b[k_design_scenario] = add_button(w, -0.64f * m, -h + 0.12f, -0.3f * m, -0.78f * h,
                                      IDR_DESIGN_SCENARIO_BUTTON, "Design Scenario");
    b[k_run_scenario] = add_button(w, -0.29f * m, -h + 0.12f, 0.04f * m, -0.78f * h,
                                   IDR_RUN_SCENARIO_BUTTON, "Run Scenario");

    if (g_app != nullptr && g_app->use_tips) w->open_dialog(tips_dialog);
}

void on_click(gui_window* w) {
    const gui_rect* r = w->pressed_rect();
    auto& b = w->private_rects;
    if (r == nullptr) return;
    int which = -1;
    for (int i = k_news; i <= k_run_scenario; ++i) {
        if (r == b[i]) which = i;
    }
    if (which < 0) return;
    ui_play_sound_slot(0, 0);
    switch (which) {
        case k_run_scenario: w->open_dialog(run_scenario_dialog); break;
        case k_settings: w->open_dialog(video_dialog); break;
        case k_help: w->open_dialog(keys_dialog); break;
        case k_exit: w->open_dialog(quit_dialog); break;
        case k_design_missile: pending_command = 14; break;
        case k_design_scenario: pending_command = 23; break;
        case k_news: ui_open_document(k_news_page); break;
        default: break;
    }
}

}  // namespace

int main_menu_screen(gui_window* w, int event) {
    if (event == gui_event::build) build(w);
    if (event == gui_event::click) on_click(w);
    return 0;
}
