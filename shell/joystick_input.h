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
    static constexpr int k_max_actions = 16;
    static constexpr int k_axis_kinds = 7;
    // The product name of a device fits this many bytes with its terminator.
    static constexpr int k_name_size = 260;
    // Axis kinds, the first index of the value and gain tables.
    enum axis_kind { AXIS_X = 0, AXIS_Y, AXIS_Z, AXIS_SLIDER, AXIS_RX, AXIS_RY, AXIS_RZ };

    joystick_input();
    ~joystick_input();
    joystick_input(const joystick_input&) = delete;
    joystick_input& operator=(const joystick_input&) = delete;

    // Finds the attached controllers: 0, or E_FAIL when there is none ([use_joystick] is
    // then cleared).
    hresult init(bool keep_mapping);
    // Once per frame with the mouse's two view angles (pitch, heading), to which the hat adds.
    void poll(float* pitch, float* heading);
    // The product name of device index into buffer (k_name_size bytes); an empty text and
    // false when there is no such device.
    bool device_name(char* buffer, int index) const;
    // The default assignments: buttons 1..16, every gain 1, no axis.
    void reset_mapping();
    void release();

    int device_count = 0;
    std::uint16_t present_axes[k_max_devices] = {};
    std::uint16_t enabled_axes[k_max_devices] = {};
    // Per action: 0 none, else (device << 8) | (axis number + 1).
    std::uint16_t action_codes[k_max_actions] = {};
    std::uint16_t action_buttons[k_max_actions] = {};
    float axis_gains[k_axis_kinds][k_max_devices] = {};
    std::uint8_t relative = 0;        // [use_relative]
    float dead_zone = 0.0f;           // [dead_zone], 0..1
};

// The program's one controller service; set by the entry function (tests set their own).
extern joystick_input* g_joystick;
