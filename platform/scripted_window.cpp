#include "platform/scripted_window.h"

#include "platform/text.h"

void scripted_window::post_on_pump(int pump, std::uint32_t code, std::uintptr_t wparam, std::intptr_t lparam) {
    script_.push_back({pump, {code, wparam, lparam}});
}

bool scripted_window::create(const char* title, int left, int top, int width, int height) {
    calls.push_back(format_string("create %s %d %d %d %d", title, left, top, width, height));
    if (fail_create) return false;
    created_ = true;
    width_ = width;
    height_ = height;
    return true;
}

void scripted_window::show(window_show how) {
    switch (how) {
        case window_show::normal: calls.push_back("show normal"); break;
        case window_show::maximized:
            calls.push_back("show maximized");
            width_ = desktop_width;
            height_ = desktop_height;
            break;
        case window_show::full_screen:
            calls.push_back("show full screen");
            width_ = desktop_width;
            height_ = desktop_height;
            break;
    }
    shown = true;
}

void scripted_window::hide() {
    calls.push_back("hide");
    shown = false;
}

void scripted_window::set_bounds(int left, int top, int width, int height) {
    calls.push_back(format_string("bounds %d %d %d %d", left, top, width, height));
    width_ = width;
    height_ = height;
}

void scripted_window::set_minimum_size(int width, int height) {
    calls.push_back(format_string("minimum %d %d", width, height));
}

void scripted_window::drawable_size(int* width, int* height) const {
    *width = width_;
    *height = height_;
}

void scripted_window::desktop_size(int* width, int* height) {
    *width = desktop_width;
    *height = desktop_height;
}

void scripted_window::usable_size(int* width, int* height) {
    *width = usable_width < 0 ? desktop_width : usable_width;
    *height = usable_height < 0 ? desktop_height : usable_height;
}

void scripted_window::swap_buffers() { calls.push_back("swap"); }

void scripted_window::set_swap_interval(int interval) {
    calls.push_back(format_string("swap interval %d", interval));
}

void scripted_window::present_blank_frame() { calls.push_back("blank"); }

void scripted_window::pump_events() {
    ++pumps;
    for (const scripted& s : script_) {
        if (s.pump == pumps) post_app_message(s.message.code, s.message.wparam, s.message.lparam);
    }
}
