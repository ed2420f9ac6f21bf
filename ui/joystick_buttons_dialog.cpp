#include "ui/joystick_buttons_dialog.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "shell/joystick_input.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/screens.h"
#include "ui/settings_tabs.h"

namespace {

constexpr int k_devices = joystick_input::k_max_devices;
constexpr int k_buttons = joystick_input::k_actions;
constexpr std::uint32_t k_mark_colour = 0xC0FF0000u;

// Buttons set aside by "Ignore Pressed"; cleared on build and by most buttons.
std::uint8_t g_ignored[k_devices][k_buttons] = {};

enum { k_clear_all, k_defaults, k_ignore_pressed, k_clear_selected };
constexpr int k_action_list = 0;

void clear_ignored() {
    for (auto& row : g_ignored) std::fill(std::begin(row), std::end(row), 0);
}

int action_count(const joystick_input& joy) {
    return std::clamp(joy.button_count, 0, joystick_input::k_actions);
}

void fill_list(gui_window* w) {
    gui_window* list = w->child(k_action_list);
    const int selected = list->list_selected_index();
    list->list_clear();
    for (int i = 0; i < action_count(*g_joystick); ++i) {
        char text[96];
        format_button_action(*g_joystick, i, text, sizeof text);
        list->list_add_item(text);
        if (gui_rect* item = list->list_item(i)) item->fixed_pitch = 1;
    }
    if (selected >= 0) {
        list->list_moving_up = 1;
        list->list_select(selected);
    }
}

gui_rect* add_button(gui_window* w, float y1, float y2, const char* text) {
    gui_rect* r = w->add_rect(0.3f, y1, 0.7f, y2, rect_kind::button);
    r->set_text(text);
    return r;
}

void build(gui_window* w) {
    w->create(-0.8f, -1.0f, 0.8f, 1.08f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title("Joystick buttons");
    auto& p = w->private_rects;
    p[k_clear_all] = add_button(w, 0.76f, 0.88f, "Clear All");
    p[k_defaults] = add_button(w, 0.6f, 0.72f, "Defaults");
    p[k_ignore_pressed] = add_button(w, -0.9f, -0.78f, "Ignore Pressed");
    p[k_clear_selected] = add_button(w, -0.74f, -0.62f, "Clear Selected");
    gui_rect* hint = w->add_rect(-0.7f, -0.9f, 0.25f, -0.8f, rect_kind::label);
    hint->framed = 1;
    hint->set_text("Select action and then press Joystick button.");
    hint->fit_text = 1;  // the font outgrows the line in a large window
    w->add_rect(-0.7f, 0.8f, 0.25f, 0.88f, rect_kind::caption)->set_text("Button Assignments");
    add_settings_tabs(w, -1.1f, -1.0f);
    w->add_window()->create(-0.7f, -0.75f, 0.25f, 0.8f, window_kind::list_box);
    fill_list(w);
    clear_ignored();
    w->wants_draw = 1;
    w->wants_tick = 1;
}

void on_click(gui_window* w) {
    if (settings_tab_clicked(w)) return;
    const gui_rect* pressed = w->pressed_rect();
    auto& p = w->private_rects;
    joystick_input& joy = *g_joystick;
    if (pressed == nullptr || pressed->kind != rect_kind::button) return;
    ui_play_sound_slot(0, 0);
    if (pressed == p[k_clear_all]) {
        std::fill(std::begin(joy.action_buttons), std::end(joy.action_buttons), 0);
    } else if (pressed == p[k_defaults]) {
        clear_ignored();
        for (int i = 0; i < joystick_input::k_actions; ++i) {
            joy.action_buttons[i] = static_cast<std::uint16_t>(i + 1);
        }
    } else if (pressed == p[k_ignore_pressed]) {
        clear_ignored();
        for (int d = 0; d < k_devices; ++d) {
            for (int b = 0; b < k_buttons; ++b) g_ignored[d][b] = joy.buttons_down[d][b];
        }
        return;
    } else if (pressed == p[k_clear_selected]) {
        clear_ignored();
        const int k = w->child(k_action_list)->list_selected_index();
        if (k >= 0 && k < joystick_input::k_actions) joy.action_buttons[k] = 0;
    } else {
        return;
    }
    fill_list(w);
}

void on_tick(gui_window* w) {
    const int k = w->child(k_action_list)->list_selected_index();
    joystick_input& joy = *g_joystick;
    if (k < 0 || k >= action_count(joy)) return;
    const std::uint16_t code = first_new_button(joy, g_ignored, k_devices);
    if (code == 0) return;
    assign_button(joy, k, code);
    fill_list(w);
}

// The buttons down now, from the top: a mark for each that is not ignored and its name.
void draw_pressed(gui_window* w) {
    const joystick_input& joy = *g_joystick;
    gui_painter* painter = current_painter();
    const gui_rect* first = w->rect(0);
    if (painter == nullptr || first == nullptr) return;
    const std::uint32_t ink = argb(255, first->text_colour.r, first->text_colour.g,
                                   first->text_colour.b);
    float top = 0.53f;
    for (int d = 0; d < k_devices; ++d) {
        for (int b = 0; b < k_buttons; ++b) {
            if (!joy.buttons_down[d][b]) continue;
            const float bottom = top - 0.06f;
            char text[32];
            format_text(text, "Btn %d - Joy %d", b + 1, d + 1);
            painter->draw_text(gui_font::regular, 0.35f, bottom, 0.7f, top, text,
                               text_flag::centre_vertical, 0, 0, 1, 1, ink, false);
            if (!g_ignored[d][b]) {
                painter->fill_rect(0.3f, bottom, 0.35f, top, k_mark_colour);
                painter->draw_rect(0.3f, bottom, 0.35f, top, ink);
            }
            top -= 0.1f;
        }
    }
}

}  // namespace

void format_button_action(const joystick_input& joy, int action, char* out, std::size_t cap) {
    if (action < 0 || action >= joystick_input::k_actions) {
        format_bounded(out, cap, "%s", "");
        return;
    }
    const std::uint16_t code = joy.action_buttons[action];
    if (code == 0) {
        format_bounded(out, cap, "%s", joy.button_names[action]);
    } else {
        format_bounded(out, cap, "%s - Btn %d - Joy %d", joy.button_names[action], code & 0xFF,
                       (code >> 8) + 1);
    }
}

std::uint16_t first_new_button(const joystick_input& joy, const std::uint8_t ignored[][16],
                               int devices) {
    for (int d = 0; d < std::min(devices, k_devices); ++d) {
        for (int b = 0; b < k_buttons; ++b) {
            if (joy.buttons_down[d][b] && !ignored[d][b]) {
                return static_cast<std::uint16_t>((d << 8) | (b + 1));
            }
        }
    }
    return 0;
}

void assign_button(joystick_input& joy, int action, std::uint16_t code) {
    if (action < 0 || action >= joystick_input::k_actions) return;
    for (std::uint16_t& c : joy.action_buttons) {
        if (c == code) c = 0;
    }
    joy.action_buttons[action] = code;
}

int joystick_buttons_dialog(gui_window* w, int event) {
    if (g_joystick == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::tick: on_tick(w); break;
        case gui_event::draw: draw_pressed(w); break;
        default: break;
    }
    return 0;
}
