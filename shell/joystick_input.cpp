#include "shell/joystick_input.h"

#include "core/d3d_app.h"

joystick_input* g_joystick = nullptr;

namespace {
// Row of each axis number (X, Y, Z, Rx, Ry, Rz, slider) in the tables ordered X, Y, Z,
// slider, Rx, Ry, Rz.
constexpr int k_axis_row[joystick_input::k_axis_kinds] = {0, 1, 2, 4, 5, 6, 3};
}  // namespace

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

bool joystick_input::device_name(char* buffer, int size, int index) const {
    if (buffer && size > 0) buffer[0] = '\0';
    (void)index;
    return false;
}

void joystick_input::reset_mapping() {
    for (int d = 0; d < k_max_devices; ++d) {
        present_axes[d] = 0;
        enabled_axes[d] = 0;
        for (int k = 0; k < k_axis_kinds; ++k) axis_gains[k][d] = 1.0f;
    }
    for (int a = 0; a < k_actions; ++a) {
        action_axis_codes[a] = 0;
        action_buttons[a] = static_cast<std::uint16_t>(a + 1);
    }
}

void joystick_input::release() { device_count = 0; }

float& joystick_input::axis_gain(int device, int axis) {
    if (device < 0 || device >= k_max_devices) device = 0;
    if (axis < 0 || axis >= k_axis_kinds) axis = 0;
    return axis_gains[k_axis_row[axis]][device];
}
