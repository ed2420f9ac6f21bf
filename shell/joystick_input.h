// Game controllers: up to 8 devices with their axis and button assignments. One of the
// program's eight global objects.
//
// This is the controllers' stand-in until the input device is wired: the assignment tables
// are real (the settings file and the joystick dialogs keep them), no controller is ever
// attached, so polling changes nothing.
#pragma once

#include <cstdint>

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

    // Finds the attached controllers: S_OK, or E_FAIL when there is none ([use_joystick] is
    // then cleared).
    hresult init(bool keep_mapping);
    // Once per frame with the mouse's two view angles (pitch, heading), to which the hat adds.
    void poll(float* pitch_angle, float* heading_angle);
    // The product name of controller index into buffer (cut to size); empty and false when
    // there is no such controller.
    bool device_name(char* buffer, int size, int index) const;
    // The default assignments: buttons 1..16, every gain 1, no axis.
    void reset_mapping();
    void release();

    // The gain of a device's axis by axis number (0 X, 1 Y, 2 Z, 3 Rx, 4 Ry, 5 Rz, 6 slider);
    // the table itself is kept in the order X, Y, Z, slider, Rx, Ry, Rz.
    float& axis_gain(int device, int axis);

    int device_count = 0;
    std::uint16_t present_axes[k_max_devices] = {};
    std::uint16_t enabled_axes[k_max_devices] = {};
    // Per action: 0 none, else (device << 8) | (axis number + 1).
    std::uint16_t action_axis_codes[k_actions] = {};
    // Per action: a button code; defaults 1..16.
    std::uint16_t action_buttons[k_actions] = {};
    float axis_gains[k_axis_kinds][k_max_devices] = {};  // [joystick_axes]
    std::uint8_t relative = 0;                         // [use_relative]
    float dead_zone = 0.0f;                            // [dead_zone]
};

// The program's one controller service; set by the entry function (tests set their own).
extern joystick_input* g_joystick;
