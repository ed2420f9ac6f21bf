// A window without a display, for tests: it remembers what was asked of it and, each time
// the program lets it turn waiting events into messages (once per loop turn), posts the
// messages scripted for that turn. Turn 1 is the first pump.
#pragma once

#include <string>
#include <vector>

#include "platform/window.h"

class scripted_window : public window_system {
public:
    // Queues a message to be posted on the given pump.
    void post_on_pump(int pump, std::uint32_t code, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);

    bool create(const char* title, int left, int top, int width, int height) override;
    bool exists() const override { return created_; }
    const char* last_error() const override { return "scripted failure"; }
    void show(window_show how) override;
    void hide() override;
    void set_bounds(int left, int top, int width, int height) override;
    void set_minimum_size(int width, int height) override;
    void drawable_size(int* width, int* height) const override;
    void desktop_size(int* width, int* height) override;
    void usable_size(int* width, int* height) override;
    void swap_buffers() override;
    void set_swap_interval(int interval) override;
    void present_blank_frame() override;
    void pump_events() override;

    bool fail_create = false;
    int desktop_width = 1280, desktop_height = 1024;
    // The usable area the display reports; below 0, the desktop's size.
    int usable_width = -1, usable_height = -1;
    // What was asked, in order: "create <title> <left> <top> <w> <h>", "show normal",
    // "show maximized", "show full screen", "hide", "bounds ...", "minimum <w> <h>", "swap",
    // "swap interval <n>", "blank".
    std::vector<std::string> calls;
    int pumps = 0;
    bool shown = false;

private:
    struct scripted {
        int pump;
        app_message message;
    };
    std::vector<scripted> script_;
    bool created_ = false;
    int width_ = 0, height_ = 0;
};
