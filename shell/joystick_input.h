// Game controllers: up to 8 controllers read once per frame; their seven axes smoothed and
// scaled, button presses turned into action triggers, the point-of-view hat turning the
// camera, and up to 16 user-assigned actions mapped to axes with a dead zone and an optional
// relative (integrating) mode. The joystick dialogs edit the assignments and the settings
// file stores them. One global object, reached through g_joystick; constructing it only sets
// the default mapping (`init` opens the controllers). Having no controller is normal.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/controllers.h"
#include "platform/results.h"

class joystick_input {
public:
    static constexpr int k_max_devices = 8;
    static constexpr int k_actions = 16;
    static constexpr int k_axis_kinds = 7;

    joystick_input();
    ~joystick_input();
    joystick_input(const joystick_input&) = delete;
    joystick_input& operator=(const joystick_input&) = delete;

    // Opens the attached controllers (at most 8). S_OK; E_FAIL when none is attached (the
    // [use_joystick] option is then cleared) or the controller interface does not start.
    // Unless keep_mapping, every present axis is enabled and actions 0..3 get default axes.
    hresult init(bool keep_mapping);
    // Once per frame: reads every controller, smooths its axes, triggers button actions, lets
    // the hat turn the two view angles (radians, in-out) and maps the actions.
    void poll(float* pitch_angle, float* heading_angle);
    // Reading on or off (window activation).
    void acquire(bool on);
    // The product name of controller index into buffer (cut to size); empty and false when
    // there is no such controller.
    bool device_name(char* buffer, int size, int index) const;
    // The settings of controller index: the joystick axes page opens (the next GUI update
    // runs it), with a log line naming the controller. No such controller: a log line only.
    void open_control_panel(int index) const;
    void reset_mapping();
    void release();

    // The action outputs from the axis values.
    void map();
    // A button press (code = device x 256 + button + 1, ms since its last trigger) triggers
    // the first action assigned that button whose repeat delay has passed. False in menu mode,
    // while the GUI holds the input, or when no action takes it.
    bool trigger_button_action(std::uint32_t code, std::uint32_t elapsed_ms);
    // The value of action i when it has an axis, else 0.
    float action_value(int i) const;
    // Whether button action i + 6 (i 0..9) is still within its repeat delay.
    bool action_active(int i) const;

    // Smoothed value and gain of a device's axis by axis number (0 X, 1 Y, 2 Z, 3 Rx, 4 Ry,
    // 5 Rz, 6 slider); the tables themselves are kept in the order X, Y, Z, slider, Rx, Ry, Rz.
    float axis_value(int device, int axis) const;
    float& axis_gain(int device, int axis);

    int current_device = 0;
    int device_count = 0;
    int action_count = 0;
    int button_count = 0;
    std::uint16_t present_axes[k_max_devices] = {};
    std::uint16_t enabled_axes[k_max_devices] = {};
    // Per action: 0 none, else (device << 8) | (axis number + 1).
    std::uint16_t action_axis_codes[k_actions] = {};
    // Per action: a button code (device x 256 + button + 1); defaults 1..16.
    std::uint16_t action_buttons[k_actions] = {};
    char button_names[k_actions][40] = {};
    char axis_names[k_actions][40] = {};
    std::int32_t repeat_delay[k_actions] = {};        // ms
    float axis_values[k_axis_kinds][k_max_devices] = {};
    float axis_gains[k_axis_kinds][k_max_devices] = {};  // [joystick_axes]
    std::uint8_t active = 0;
    std::uint8_t acquired = 0;
    std::uint8_t relative = 0;                         // [use_relative]
    float dead_zone = 0.0f;                            // [dead_zone]
    std::uint8_t action_used[k_actions] = {};
    // Whether each controller's first 16 buttons were down at the last poll (the buttons
    // dialog assigns and shows them).
    std::uint8_t buttons_down[k_max_devices][k_actions] = {};
    float action_values[k_actions] = {};
    // Published by the mouse: set while the GUI holds the press; none reads as not held.
    const std::uint8_t* gui_hold = nullptr;

private:
    std::unique_ptr<controller_system> system_;
    std::unique_ptr<game_controller> devices_[k_max_devices];
    std::uint32_t last_trigger_[k_max_devices][k_actions] = {};
    std::uint32_t active_until_[k_actions] = {};
};

// The program's one controller service; set by the entry function (tests set their own).
extern joystick_input* g_joystick;
