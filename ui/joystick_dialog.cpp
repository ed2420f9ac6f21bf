#include "ui/joystick_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/d3d_app.h"
#include "platform/text.h"
#include "shell/joystick_input.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/screens.h"
#include "ui/settings_tabs.h"

namespace {

constexpr const char* k_row_texts[k_joystick_rows] = {
    "X Axis", "Y Axis", "Z Axis", "X Rotation", "Y Rotation", "Z Rotation", "Slider 1",
};
// Row tops, 0.24 apart.
constexpr float k_row_top[k_joystick_rows] = {0.6f, 0.36f, 0.12f, -0.12f, -0.36f, -0.6f, -0.84f};
constexpr float k_full_sensitivity = 150.0f;
constexpr std::uint32_t k_bar_colour = 0xC0FF0000u;
constexpr int k_hat_bit = 7;
// This page is taller than the other settings pages and its tab row lies 0.2 lower than
// theirs (-1.3 against -1.1): the page is lifted by that much, so that the row stays in
// place from page to page and clear of the main menu's buttons below it.
constexpr float k_tab_row_lift = 0.2f;

// The controller the page shows; 0 after every build.
int g_device = 0;

// Element pointers kept in the window.
enum { k_enabled, k_defaults, k_hat_box, k_relative_box, k_dead_zone_box };
// Private words: the indices of the first axis box and the first Reverse box.
enum { k_first_axis_box = 0, k_first_reverse = 1 };
// Children: the device list, the dead-zone slider, the seven sensitivity sliders, then the
// seven drop-downs from the bottom row up (an open list drops over the rows below it).
constexpr int k_device_list = 0;
constexpr int k_dead_zone_slider = 1;
gui_window* sensitivity_slider(const gui_window* w, int row) { return w->child(2 + row); }
gui_window* axis_drop_down(const gui_window* w, int row) {
    return w->child(2 + k_joystick_rows + (k_joystick_rows - 1 - row));
}

int logical_count(const joystick_input& joy) {
    return std::clamp(joy.action_count, 0, joystick_input::k_actions);
}

std::uint16_t row_code(int device, int row) {
    return static_cast<std::uint16_t>((device << 8) | (row + 1));
}

gui_rect* axis_box(const gui_window* w, int row) {
    return w->rect(w->private_state[k_first_axis_box].i + row);
}
gui_rect* reverse_box(const gui_window* w, int row) {
    return w->rect(w->private_state[k_first_reverse].i + row);
}

void refresh_drop_downs(gui_window* w) {
    const joystick_input& joy = *g_joystick;
    for (int r = 0; r < k_joystick_rows; ++r) {
        const int logical = joystick_logical_of_row(joy, g_device, r);
        axis_drop_down(w, r)->combo_select(logical >= 0 ? logical : logical_count(joy));
    }
}

void refresh(gui_window* w) {
    joystick_input& joy = *g_joystick;
    const std::uint16_t enabled = joy.enabled_axes[g_device];
    for (int r = 0; r < k_joystick_rows; ++r) {
        axis_box(w, r)->ticked = (enabled >> r) & 1;
        const float scale = joy.axis_gain(g_device, r);
        sensitivity_slider(w, r)->set_slider_value(joystick_slider_from_scale(scale));
        reverse_box(w, r)->ticked = scale < 0 ? 1 : 0;
    }
    w->private_rects[k_hat_box]->ticked = (enabled >> k_hat_bit) & 1;
    refresh_drop_downs(w);
}

gui_rect* add_check_box(gui_window* w, float x1, float y1, float x2, float y2, const char* text) {
    gui_rect* r = w->add_rect(x1, y1, x2, y2, rect_kind::check_box);
    r->set_text(text);
    return r;
}

void build(gui_window* w) {
    joystick_input& joy = *g_joystick;
    g_device = 0;
    w->create(-0.8f, -1.2f, 0.8f, 1.28f, window_kind::resizable_window);
    w->visible = 1;
    w->set_position(0.0f, k_tab_row_lift);
    w->wants_draw = 1;
    w->set_title("Joystick properties");
    auto& p = w->private_rects;
    p[k_enabled] = w->add_rect(-0.1f, -1.12f, 0.3f, -1.0f, rect_kind::button);
    p[k_enabled]->set_text("Enabled");
    p[k_enabled]->toggle = 1;
    p[k_enabled]->ticked = g_app->use_joystick;
    p[k_defaults] = w->add_rect(0.35f, -1.12f, 0.7f, -1.0f, rect_kind::button);
    p[k_defaults]->set_text("Set Defaults");
    w->private_state[k_first_axis_box].i = w->rect_count;
    for (int r = 0; r < k_joystick_rows; ++r) {
        add_check_box(w, -0.61f, k_row_top[r], -0.25f, k_row_top[r] + 0.1f, k_row_texts[r]);
    }
    w->private_state[k_first_reverse].i = w->rect_count;
    for (int r = 0; r < k_joystick_rows; ++r) {
        add_check_box(w, 0.25f, k_row_top[r], 0.61f, k_row_top[r] + 0.1f, "Reverse");
    }
    p[k_hat_box] = add_check_box(w, -0.61f, -1.1f, -0.25f, -1.0f, "POV Hat");
    gui_rect* devices_caption = w->add_rect(-0.25f, 1.05f, 0.25f, 1.13f, rect_kind::caption);
    devices_caption->set_text("Connected Devices");
    devices_caption->fit_text = 1;  // the bold font outgrows the caption in a large window
    p[k_relative_box] = add_check_box(w, -0.75f, 1.03f, -0.3f, 1.13f, "Relative Control");
    p[k_relative_box]->centred = 0;
    p[k_relative_box]->ticked = joy.relative;
    p[k_dead_zone_box] = add_check_box(w, -0.75f, 0.88f, -0.3f, 0.98f, "Dead Zone");
    p[k_dead_zone_box]->centred = 0;
    p[k_dead_zone_box]->ticked = joy.dead_zone > 0 ? 1 : 0;
    add_settings_tabs(w, -1.3f, -1.2f);

    gui_window* devices = w->add_window();
    devices->create(-0.25f, 0.75f, 0.25f, 1.05f, window_kind::list_box);
    for (int d = 0; d < std::min(joy.device_count, joystick_input::k_max_devices); ++d) {
        char name[128] = {};
        joy.device_name(name, sizeof name, d);
        devices->list_add_item(name);
        if (gui_rect* item = devices->list_item(d)) item->small_font = 1;
    }
    devices->list_select(0);
    gui_window* dead_zone = w->add_window();
    dead_zone->create(-0.75f, 0.75f, -0.3f, 0.85f, window_kind::horizontal_slider);
    dead_zone->set_slider_value(joy.dead_zone * 255.0f);
    for (int r = 0; r < k_joystick_rows; ++r) {
        w->add_window()->create(-0.61f, k_row_top[r] - 0.12f, 0.25f, k_row_top[r] - 0.02f,
                                window_kind::horizontal_slider);
    }
    for (int r = k_joystick_rows - 1; r >= 0; --r) {
        gui_window* combo = w->add_window();
        combo->create(-0.1f, k_row_top[r] + 0.01f, 0.25f, k_row_top[r] + 0.09f,
                      window_kind::drop_down);
        for (int i = 0; i < logical_count(joy); ++i) combo->combo_add_item(joy.axis_names[i]);
        combo->combo_add_item("[Empty]");
    }
    refresh(w);
}

// The enabled mask and the scales of the current controller from the controls.
void read_axes(gui_window* w) {
    joystick_input& joy = *g_joystick;
    std::uint16_t enabled = 0;
    for (int r = 0; r < k_joystick_rows; ++r) {
        if (axis_box(w, r)->ticked) enabled = static_cast<std::uint16_t>(enabled | (1u << r));
        joy.axis_gain(g_device, r) = joystick_scale_from_slider(
            settings_slider_value(sensitivity_slider(w, r)), reverse_box(w, r)->ticked != 0);
    }
    if (w->private_rects[k_hat_box]->ticked) {
        enabled = static_cast<std::uint16_t>(enabled | (1u << k_hat_bit));
    }
    joy.enabled_axes[g_device] = enabled;
}

float dead_zone_slider(const gui_window* w) {
    return settings_slider_value(w->child(k_dead_zone_slider)) / 255.0f;
}

void on_click(gui_window* w) {
    if (settings_tab_clicked(w)) return;
    const gui_rect* pressed = w->pressed_rect();
    if (pressed == nullptr) return;
    joystick_input& joy = *g_joystick;
    auto& p = w->private_rects;
    if (pressed == p[k_enabled]) {
        ui_play_sound_slot(0, 0);
        g_app->use_joystick = p[k_enabled]->ticked;
    } else if (pressed == p[k_defaults]) {
        ui_play_sound_slot(0, 0);
        joystick_set_defaults(joy, g_device);
        refresh(w);
    } else if (pressed->kind == rect_kind::check_box) {
        read_axes(w);
        joy.relative = p[k_relative_box]->ticked;
        joy.dead_zone = p[k_dead_zone_box]->ticked ? dead_zone_slider(w) : 0.0f;
    }
}

void on_slider(gui_window* w) {
    read_axes(w);
    joystick_input& joy = *g_joystick;
    joy.dead_zone = dead_zone_slider(w);
    w->private_rects[k_dead_zone_box]->ticked = joy.dead_zone > 0 ? 1 : 0;
}

void on_choice(gui_window* w) {
    const gui_window* chosen = w->current_child();
    if (chosen == nullptr) return;
    joystick_input& joy = *g_joystick;
    if (chosen == w->child(k_device_list)) {
        const int k = chosen->list_selected_index();
        if (joy.device_count <= 0 || k < 0) return;
        g_device = std::min(k, joy.device_count - 1);
        refresh(w);
        return;
    }
    for (int r = 0; r < k_joystick_rows; ++r) {
        if (chosen != axis_drop_down(w, r)) continue;
        joystick_assign_row(joy, g_device, r, chosen->combo_selected_index());
        refresh_drop_downs(w);
        return;
    }
}

// Live bars of the logical axes in use, from the top of the page.
void draw_bars(gui_window* w) {
    const joystick_input& joy = *g_joystick;
    gui_painter* painter = current_painter();
    const gui_rect* first = w->rect(0);
    if (painter == nullptr || first == nullptr || logical_count(joy) == 0) return;
    const std::uint32_t ink = argb(255, first->text_colour.r, first->text_colour.g,
                                   first->text_colour.b);
    float top = 1.13f;
    for (int i = 0; i < logical_count(joy); ++i) {
        if (!joy.action_used[i]) continue;
        const float bottom = top - 0.06f;
        const float value = std::clamp(joy.action_values[i], -1.0f, 1.0f);
        painter->fill_rect(0.3f, bottom, 0.5f + 0.2f * value, top, k_bar_colour);
        painter->draw_rect(0.3f, bottom, 0.7f, top, ink);
        painter->draw_text(gui_font::small, 0.3f, bottom, 0.7f, top, joy.axis_names[i],
                           text_flag::centre | text_flag::centre_vertical, 0, 0, 1, 1, ink, false);
        top -= 0.1f;
    }
}

}  // namespace

float joystick_scale_from_slider(float v, bool reversed) {
    const float scale = v / k_full_sensitivity;
    return reversed ? -scale : scale;
}

float joystick_slider_from_scale(float scale) { return std::fabs(scale) * k_full_sensitivity; }

void joystick_set_defaults(joystick_input& joy, int device) {
    std::copy(std::begin(joy.present_axes), std::end(joy.present_axes), std::begin(joy.enabled_axes));
    std::fill(std::begin(joy.action_axis_codes), std::end(joy.action_axis_codes), 0);
    const std::uint16_t p = joy.present_axes[0];
    constexpr std::uint16_t x = 1, y = 2, z = 4, rx = 8, rz = 32, slider = 64;
    if (p & x) joy.action_axis_codes[0] = 1;
    if (p & y) joy.action_axis_codes[1] = 2;
    if (p & z) {
        joy.action_axis_codes[2] = 3;
    } else if (p & slider) {
        joy.action_axis_codes[2] = 7;
    }
    if (p & rz) {
        joy.action_axis_codes[3] = 6;
    } else if (p & rx) {
        joy.action_axis_codes[3] = 4;
    }
    const int d = std::clamp(device, 0, joystick_input::k_max_devices - 1);
    for (int r = 0; r < k_joystick_rows; ++r) joy.axis_gain(d, r) = 1.0f;
}

void joystick_assign_row(joystick_input& joy, int device, int row, int logical) {
    if (row < 0 || row >= k_joystick_rows) return;
    const std::uint16_t code = row_code(device, row);
    const int n = logical_count(joy);
    for (int i = 0; i < n; ++i) {
        if (i != logical && joy.action_axis_codes[i] == code) joy.action_axis_codes[i] = 0;
    }
    if (logical >= 0 && logical < n) joy.action_axis_codes[logical] = code;
}

int joystick_logical_of_row(const joystick_input& joy, int device, int row) {
    const std::uint16_t code = row_code(device, row);
    int found = -1;
    for (int i = 0; i < logical_count(joy); ++i) {
        if (joy.action_axis_codes[i] == code) found = i;
    }
    return found;
}

int joystick_dialog(gui_window* w, int event) {
    if (g_app == nullptr || g_joystick == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::child_scrolled: on_slider(w); break;
        case gui_event::child_committed: on_choice(w); break;
        case gui_event::draw: draw_bars(w); break;
        default: break;
    }
    return 0;
}
