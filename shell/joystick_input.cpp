#include "shell/joystick_input.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "platform/text.h"

joystick_input* g_joystick = nullptr;

namespace {

// Where each axis number (X, Y, Z, Rx, Ry, Rz, slider) sits in the value and gain tables.
constexpr int k_table_row[7] = {0, 1, 2, 4, 5, 6, 3};
// Y, Z and the slider read upside down: pushed forward is up.
constexpr bool k_inverted[7] = {false, true, true, false, false, false, true};
// Each new reading moves the smoothed value a quarter of the way; raw values are -1000..1000.
constexpr float k_keep = 0.75f;
constexpr float k_take = 0.00025f;
// Hat readings are hundredths of a degree: this many make a radian.
constexpr float k_hat_per_radian = 5729.578f;
// The pending command that opens the joystick axes page.
constexpr int k_joystick_axes_command = 7;

std::uint32_t clock_now() { return g_state ? g_state->now : 0; }
float frame_time() { return g_state ? g_state->smoothed_step : 0.0f; }

}  // namespace

joystick_input::joystick_input() { reset_mapping(); }

joystick_input::~joystick_input() {
    release();
    if (g_joystick == this) g_joystick = nullptr;
}

hresult joystick_input::init(bool keep_mapping) {
    release();
    system_ = open_controller_system();
    if (system_ == nullptr) return E_FAIL;
    const int attached = system_->count();
    for (current_device = 0; current_device < attached && device_count < k_max_devices;
         ++current_device) {
        if (succeeded(system_->open(current_device, &devices_[device_count]))) ++device_count;
    }
    if (device_count == 0) {
        if (g_app) g_app->use_joystick = 0;
        system_.reset();
        return E_FAIL;
    }
    for (int d = 0; d < device_count; ++d) present_axes[d] = devices_[d]->present_axes();
    if (!keep_mapping) {
        std::copy(std::begin(present_axes), std::end(present_axes), std::begin(enabled_axes));
        const std::uint16_t p = present_axes[0];
        if (p & 1) action_axis_codes[0] = 1;                  // X
        if (p & 2) action_axis_codes[1] = 2;                  // Y
        action_axis_codes[2] = (p & 4) ? 3 : 7;               // Z, else the slider
        action_axis_codes[3] = (p & 32) ? 6 : 4;              // Rz, else Rx
    }
    acquired = 1;
    return S_OK;
}

void joystick_input::poll(float* pitch_angle, float* heading_angle) {
    if (!acquired) return;
    const std::uint32_t now = clock_now();
    for (int d = 0; d < device_count; ++d) {
        controller_state s;
        if (devices_[d] == nullptr) continue;
        if (failed(devices_[d]->poll(&s))) {
            // Unplugged or taken away: taken up again when it can be; read from the next poll.
            devices_[d]->reacquire();
            continue;
        }
        for (int b = 0; b < k_actions; ++b) buttons_down[d][b] = (s.buttons[b] & 0x80) ? 1 : 0;
        bool all_zero = true;
        for (int a = 0; a < k_controller_axes; ++a) {
            float& v = axis_values[k_table_row[a]][d];
            if (enabled_axes[d] & (1u << a)) {
                const float step = static_cast<float>(s.axes[a]) * axis_gains[k_table_row[a]][d] * k_take;
                v = v * k_keep + (k_inverted[a] ? -step : step);
            }
            v = std::clamp(v, -1.0f, 1.0f);
            if (v != 0.0f) all_zero = false;
        }
        // Nothing counts until some axis has moved off exactly zero once: a controller at
        // rest with a stuck button does not fire actions.
        if (!active && all_zero) continue;
        active = 1;
        for (int b = 0; b < k_actions; ++b) {
            if (!(s.buttons[b] & 0x80)) continue;
            const std::uint32_t code = static_cast<std::uint32_t>(d * 256 + b + 1);
            if (trigger_button_action(code, now - last_trigger_[d][b])) last_trigger_[d][b] = now;
        }
        if ((enabled_axes[d] & k_axis_bit_hat) && s.hat <= 36000 && pitch_angle && heading_angle) {
            const float a = static_cast<float>(s.hat) / k_hat_per_radian;
            *heading_angle -= std::sin(a) * frame_time();
            *pitch_angle += std::cos(a) * frame_time();
        }
    }
    map();
}

void joystick_input::map() {
    std::fill(std::begin(action_used), std::end(action_used), 0);
    if (!active || action_count <= 0) return;
    for (int i = 0; i < std::min(action_count, k_actions); ++i) {
        const std::uint16_t code = action_axis_codes[i];
        if (code == 0) continue;
        const int device = code >> 8;
        const int axis = (code & 0xFF) - 1;
        if (device >= k_max_devices || axis < 0 || axis >= k_controller_axes) continue;
        if (!(enabled_axes[device] & (1u << axis))) {
            action_values[i] = 0.0f;
            continue;
        }
        float v = axis_values[k_table_row[axis]][device];
        action_used[i] = 1;
        if (dead_zone >= 1.0f) {
            v = 0.0f;  // all of the travel is dead (the formula below would turn it inside out)
        } else if (dead_zone > 0.01f) {
            const float r = (std::fabs(v) - dead_zone) / (1.0f - dead_zone);
            v = r > 0.0f ? std::copysign(r, v) : 0.0f;
        }
        if (relative && axis <= 5)
            action_values[i] = std::clamp(action_values[i] + v * frame_time(), -1.0f, 1.0f);
        else
            action_values[i] = v;
    }
}

bool joystick_input::trigger_button_action(std::uint32_t code, std::uint32_t elapsed_ms) {
    if ((g_app && g_app->menu_mode) || (gui_hold && *gui_hold)) return false;
    for (int i = 0; i < k_actions; ++i) {
        if (action_buttons[i] != code) continue;
        if (repeat_delay[i] < 0 || static_cast<std::uint32_t>(repeat_delay[i]) >= elapsed_ms) continue;
        active_until_[i] = clock_now() + static_cast<std::uint32_t>(repeat_delay[i]);
        return true;
    }
    return false;
}

float joystick_input::action_value(int i) const {
    if (i < 0 || i >= k_actions || action_axis_codes[i] == 0) return 0.0f;
    return action_values[i];
}

bool joystick_input::action_active(int i) const {
    if (i < 0 || i > 9) return false;
    // Wrap-safe "active-until lies after the clock".
    return static_cast<std::int32_t>(active_until_[i + 6] - clock_now()) > 0;
}

float joystick_input::axis_value(int device, int axis) const {
    if (device < 0 || device >= k_max_devices || axis < 0 || axis >= k_controller_axes) return 0.0f;
    return axis_values[k_table_row[axis]][device];
}

float& joystick_input::axis_gain(int device, int axis) {
    device = std::clamp(device, 0, k_max_devices - 1);
    axis = std::clamp(axis, 0, k_controller_axes - 1);
    return axis_gains[k_table_row[axis]][device];
}

void joystick_input::acquire(bool on) { acquired = on && device_count > 0 ? 1 : 0; }

bool joystick_input::device_name(char* buffer, int size, int index) const {
    if (buffer == nullptr || size <= 0) return false;
    buffer[0] = '\0';
    if (index < 0 || index >= device_count || devices_[index] == nullptr) return false;
    copy_bounded(buffer, static_cast<std::size_t>(size), devices_[index]->name());
    return true;
}

void joystick_input::open_control_panel(int index) const {
    char name[64];
    if (!device_name(name, sizeof name, index)) {
        log_line("Joystick: no controller %d to show", index + 1);
        return;
    }
    // The desktop has no settings page for game controllers: the program's own axes page
    // takes its place; it lists every controller, this one among them.
    log_line("Joystick: settings of controller %d, %s", index + 1, name);
    pending_command = k_joystick_axes_command;
}

void joystick_input::reset_mapping() {
    std::fill(std::begin(present_axes), std::end(present_axes), 0);
    std::fill(std::begin(enabled_axes), std::end(enabled_axes), 0);
    std::fill(std::begin(action_axis_codes), std::end(action_axis_codes), 0);
    for (auto& row : last_trigger_) std::fill(std::begin(row), std::end(row), 0u);
    std::fill(std::begin(active_until_), std::end(active_until_), 0u);
    for (int k = 0; k < k_axis_kinds; ++k) {
        std::fill(std::begin(axis_values[k]), std::end(axis_values[k]), 0.0f);
        std::fill(std::begin(axis_gains[k]), std::end(axis_gains[k]), 1.0f);
    }
    for (int i = 0; i < k_actions; ++i) {
        action_buttons[i] = static_cast<std::uint16_t>(i + 1);
        format_text(axis_names[i], "Axis_%d", i);
        format_text(button_names[i], "Button_%d", i);
        repeat_delay[i] = 100;
    }
    action_count = k_actions;
    button_count = k_actions;
}

void joystick_input::release() {
    for (auto& d : devices_) d.reset();
    system_.reset();
    device_count = 0;
    acquired = 0;
    active = 0;
    std::fill(std::begin(present_axes), std::end(present_axes), 0);
    for (auto& row : axis_values) std::fill(std::begin(row), std::end(row), 0.0f);
    std::fill(std::begin(action_values), std::end(action_values), 0.0f);
    std::fill(std::begin(action_used), std::end(action_used), 0);
    for (auto& row : buttons_down) std::fill(std::begin(row), std::end(row), 0);
}
