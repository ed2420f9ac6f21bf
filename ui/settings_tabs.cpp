#include "ui/settings_tabs.h"

#include <cmath>

#include "core/gui_services.h"
#include "platform/text.h"
#include "ui/gui_hooks.h"

namespace {

struct settings_tab {
    const char* caption;
    float x1, x2;
    int command;
};

constexpr settings_tab k_tabs[] = {
    {"Video", -0.75f, -0.48f, 5},    {"Sound", -0.45f, -0.18f, 6},
    {"Joystick", -0.15f, 0.12f, 7},  {"Buttons", 0.15f, 0.42f, 8},
    {"Graphics", 0.45f, 0.72f, 9},
};

}  // namespace

void add_settings_tabs(gui_window* w, float y1, float y2) {
    for (const settings_tab& t : k_tabs) {
        w->add_rect(t.x1, y1, t.x2, y2, rect_kind::tab_button)->set_text(t.caption);
    }
}

bool settings_tab_clicked(gui_window* w) {
    const gui_rect* r = w->pressed_rect();
    if (r == nullptr || r->kind != rect_kind::tab_button || !r->text) return false;
    for (const settings_tab& t : k_tabs) {
        if (compare_nocase(r->text.get(), t.caption) != 0) continue;
        pending_command = t.command;
        ui_play_sound_slot(0, 0);
        w->visible = 0;
        return true;
    }
    return false;
}

float settings_slider_value(const gui_window* slider) {
    if (slider == nullptr) return 0.0f;
    return std::round(slider->slider_value() * 1000.0f) / 1000.0f;
}
