// Game controllers: up to 8 devices with their axis and button assignments. One of the
// program's eight global objects.
#pragma once

class joystick_input {
public:
    joystick_input();
    ~joystick_input();
    joystick_input(const joystick_input&) = delete;
    joystick_input& operator=(const joystick_input&) = delete;
};

// The program's one controller service; set by the entry function (tests set their own).
extern joystick_input* g_joystick;
