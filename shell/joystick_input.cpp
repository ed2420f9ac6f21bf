#include "shell/joystick_input.h"

#include "core/d3d_app.h"

joystick_input* g_joystick = nullptr;

joystick_input::joystick_input() { reset_mapping(); }

joystick_input::~joystick_input() {
    if (g_joystick == this) g_joystick = nullptr;
}

hresult joystick_input::init(bool keep_mapping) {
    device_count = 0;
    if (!keep_mapping) reset_mapping();
    if (g_app) g_app->use_joystick = 0;
    return E_FAIL;
}

void joystick_input::poll(float*, float*) {}

bool joystick_input::device_name(char* buffer, int index) const {
    if (buffer) buffer[0] = '\0';
    (void)index;
    return false;
}

void joystick_input::reset_mapping() {
    for (int d = 0; d < k_max_devices; ++d) {
        present_axes[d] = 0;
        enabled_axes[d] = 0;
        for (int k = 0; k < k_axis_kinds; ++k) axis_gains[k][d] = 1.0f;
    }
    for (int a = 0; a < k_max_actions; ++a) {
        action_codes[a] = 0;
        action_buttons[a] = static_cast<std::uint16_t>(a + 1);
    }
}

void joystick_input::release() { device_count = 0; }
