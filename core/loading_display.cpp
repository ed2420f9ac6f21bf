#include "core/loading_display.h"

namespace {
loading_display* g_loading_display = nullptr;
}  // namespace

loading_display* current_loading_display() { return g_loading_display; }

void set_loading_display(loading_display* display) { g_loading_display = display; }

void begin_loading_screen() {
    if (g_loading_display) g_loading_display->begin_loading_screen();
}

void end_loading_screen() {
    if (g_loading_display) g_loading_display->end_loading_screen();
}
