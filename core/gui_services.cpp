#include "core/gui_services.h"

#include <cmath>

int pending_command = 0;
float gui_opacity = 255.0f;

float clamp_opacity(float value) {
    if (std::isnan(value)) return 255.0f;
    return value < 0.0f ? 0.0f : (value > 255.0f ? 255.0f : value);
}

namespace {
gui_services g_no_gui;
gui_services* g_installed = &g_no_gui;
}  // namespace

gui_services& gui_link() { return *g_installed; }

void install_gui_services(gui_services* implementation) {
    g_installed = implementation != nullptr ? implementation : &g_no_gui;
}
