#include "shell/joystick_input.h"

joystick_input* g_joystick = nullptr;

joystick_input::joystick_input() = default;

joystick_input::~joystick_input() {
    if (g_joystick == this) g_joystick = nullptr;
}
