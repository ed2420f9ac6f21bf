#include "core/mouse.h"

#include <cmath>

#include "core/app_state.h"
#include "core/camera.h"
#include "core/scene_services.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/messages.h"

namespace {

constexpr int k_key_pad2 = VK_NUMPAD0 + 2;
constexpr int k_key_pad4 = VK_NUMPAD0 + 4;
constexpr int k_key_pad5 = VK_NUMPAD0 + 5;
constexpr int k_key_pad6 = VK_NUMPAD0 + 6;
constexpr int k_key_pad8 = VK_NUMPAD0 + 8;

constexpr float k_key_step = 0.1f;          // radians per key press
constexpr std::uint32_t k_double_click_ms = 300;

// The time of the last button-down, one for both buttons and the whole program.
std::uint32_t g_last_press = 0;

constexpr float k_two_pi = 2.0f * k_pi;

}  // namespace

mouse::mouse() {
    if (g_state != nullptr) {
        g_state->mouse_look = look;
        g_state->mouse_buttons = &buttons;
    }
}

mouse::~mouse() {
    if (g_state != nullptr && g_state->mouse_buttons == &buttons) {
        g_state->mouse_look = nullptr;
        g_state->mouse_buttons = nullptr;
    }
}

float mouse::field_of_view() const {
    if (view != nullptr) return view->fov;
    if (g_state != nullptr && g_state->camera_fov != nullptr) return *g_state->camera_fov;
    return k_pi / 4.0f;
}

void mouse::handle_message(void*, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    const bool mouse_message = message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN ||
                               message == WM_RBUTTONDOWN || message == WM_LBUTTONUP ||
                               message == WM_RBUTTONUP;
    if (mouse_message) {
        cursor_x = lparam_x(lparam);
        cursor_y = lparam_y(lparam);
    }
    switch (message) {
    case WM_MOUSEMOVE:
        buttons = static_cast<std::uint32_t>(wparam);
        delta_x = static_cast<float>(cursor_x - drag_x);
        delta_y = static_cast<float>(cursor_y - drag_y);
        if (buttons & MK_RBUTTON) {
            // A zoomed view turns slower: the angle scales with the field of view.
            look_pitch() = start_pitch - look_pitch_sensitivity * field_of_view() * delta_y;
            look_yaw() = start_yaw - look_yaw_sensitivity * field_of_view() * delta_x;
        } else if (!(buttons & MK_LBUTTON)) {
            on_move(cursor_x, cursor_y);
            drag_x = cursor_x;
            drag_y = cursor_y;
            start_pitch = look_pitch();
            start_yaw = look_yaw();
        } else {
            drag_values[0] = delta_y * drag_sensitivity_y;
            drag_values[1] = delta_x * drag_sensitivity_x;
            on_move(cursor_x, cursor_y);
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        const std::uint32_t now = tick_count();
        double_click = (now - g_last_press < k_double_click_ms) ? 1 : 0;
        g_last_press = now;
        start_pitch = look_pitch();
        start_yaw = look_yaw();
        drag_x = cursor_x;
        drag_y = cursor_y;
        delta_x = delta_y = 0.0f;
        buttons = static_cast<std::uint32_t>(wparam);
        on_button_down(cursor_x, cursor_y);
        break;
    }
    case WM_LBUTTONUP:
        buttons = 0;
        on_button_up();
        reset_drag();
        break;
    case WM_RBUTTONUP:
        buttons = 0;
        on_button_up();
        wrap_look_angles();
        break;
    case WM_KEYDOWN: on_key(wparam); break;
    default: break;
    }
}

void mouse::on_key(std::uintptr_t key) {
    if (services().key_held(VK_SHIFT)) return;
    if (g_state != nullptr && (g_state->gui_focus[0] || g_state->gui_focus[1])) return;
    const bool control = services().key_held(VK_CONTROL);
    const int k = static_cast<int>(key);
    const bool yaw_up = control ? k == VK_LEFT : k == k_key_pad4;
    const bool pitch_up = control ? k == VK_UP : k == k_key_pad8;
    const bool yaw_down = control ? k == VK_RIGHT : k == k_key_pad6;
    const bool pitch_down = control ? k == VK_DOWN : k == k_key_pad2;
    const bool reset = control ? k == VK_SPACE : k == k_key_pad5;
    if (yaw_up) look_yaw() += k_key_step;
    if (pitch_up) look_pitch() += k_key_step;
    if (yaw_down) look_yaw() -= k_key_step;
    if (pitch_down) look_pitch() -= k_key_step;
    if (reset) reset_view();
}

void mouse::reset_view() {
    look[0] = look[1] = 0.0f;
    start_pitch = start_yaw = 0.0f;
}

void mouse::wrap_look_angles() {
    auto wrap = [](float& angle, float& start, float* camera_angle) {
        float shift = 0.0f;
        if (angle > k_pi) shift = -k_two_pi;
        if (angle < -k_pi) shift = k_two_pi;
        angle += shift;
        start += shift;
        if (camera_angle != nullptr) *camera_angle += shift;
    };
    wrap(look[0], start_pitch, view != nullptr ? &view->look_pitch : nullptr);
    wrap(look[1], start_yaw, view != nullptr ? &view->look_yaw : nullptr);
}

void mouse::reset_drag() {
    drag_x = cursor_x;
    drag_y = cursor_y;
    drag_values[0] = drag_values[1] = 0.0f;
}

void mouse::on_move(int x, int y) {
    services().gui_mouse_move(x, y);
    if (gui_holds_press_ || !(buttons & MK_LBUTTON) || g_state == nullptr) return;
    editor_selection& editor = g_state->selection;
    if (!editor.pick_mode) return;
    if (services().key_held(VK_SHIFT)) {
        // The rectangle spans the drag start and the cursor, in normalised coordinates.
        const vec2 a = screen_to_ndc(drag_x, drag_y);
        const vec2 b = screen_to_ndc(x, y);
        editor.drag_armed = 1;
        editor.min_x = std::fmin(a.x, b.x);
        editor.max_x = std::fmax(a.x, b.x);
        editor.min_y = std::fmin(a.y, b.y);
        editor.max_y = std::fmax(a.y, b.y);
    } else if (editor.size() > 0 && editor.gate) {
        g_state->transform_selection(x, y, last_x_, last_y_);
        last_x_ = x;
        last_y_ = y;
    }
}

void mouse::on_button_down(int x, int y) {
    if (!(buttons & MK_LBUTTON)) return;
    gui_holds_press_ = services().gui_mouse_down(x, y) ? 1 : 0;
    last_x_ = x;
    last_y_ = y;
    if (!gui_holds_press_ && g_state != nullptr && g_state->selection.pick_mode) {
        g_state->pick_at_cursor(x, y);
    }
}

void mouse::on_button_up() {
    services().gui_mouse_up();
    gui_holds_press_ = 0;
    if (g_state == nullptr || !g_state->selection.drag_armed) return;
    g_state->select_in_drag_rectangle();
    g_state->selection.drag_armed = 0;
}
