#include "platform/window.h"

namespace {

// The stand-in before a window is installed: there is no window to make or draw into.
class absent_window : public window_system {
public:
    bool create(const char*, int, int, int, int) override { return false; }
    bool exists() const override { return false; }
    const char* last_error() const override { return "no window system installed"; }
    void show(window_show) override {}
    void hide() override {}
    void set_bounds(int, int, int, int) override {}
    void set_minimum_size(int, int) override {}
    void drawable_size(int* width, int* height) const override { *width = 0; *height = 0; }
    void desktop_size(int* width, int* height) override { *width = 0; *height = 0; }
    void usable_size(int* width, int* height) override { *width = 0; *height = 0; }
    void swap_buffers() override {}
    void set_swap_interval(int) override {}
    void present_blank_frame() override {}
    void pump_events() override {}
};

absent_window g_absent;
window_system* g_window = &g_absent;
int (*g_display_lost)() = nullptr;

}  // namespace

window_system* main_window() { return g_window; }

void set_main_window(window_system* window) { g_window = window ? window : &g_absent; }

void set_display_lost_handler(int (*handler)()) { g_display_lost = handler; }

int run_display_lost_handler() {
    int (*handler)() = g_display_lost;
    g_display_lost = nullptr;
    return handler != nullptr ? handler() : 1;
}

bool peek_app_message(app_message* out) {
    g_window->pump_events();
    return take_app_message(out);
}
