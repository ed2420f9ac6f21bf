#include "shell/gui_calls.h"

namespace {
gui_calls g_silent_gui;
gui_calls* g_installed = nullptr;
}  // namespace

gui_calls& gui_link() { return g_installed ? *g_installed : g_silent_gui; }

void install_gui_calls(gui_calls* calls) { g_installed = calls; }
