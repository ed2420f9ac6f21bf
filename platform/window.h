// The program's one main window and its OpenGL context, behind an interface without the
// window system's types. The real window (SDL2, an OpenGL 4.5 compatibility context with a
// 24-bit depth and, when available, an 8-bit stencil buffer) is made by make_system_window;
// the scripted window of platform/scripted_window.h stands in for it in tests.
//
// Life cycle: create (hidden, context current) -> show -> ... -> hide (the program's
// "destroy": the context stays for the device) -> the object's destruction releases the
// context and the window at the very end of the program.
#pragma once

#include <memory>

#include "platform/messages.h"

enum class window_show { normal, maximized, full_screen };

class window_system {
public:
    virtual ~window_system() = default;

    // Creates the window, hidden, with its GL context made current. Position and size are in
    // screen pixels. False when the display, the window or the context cannot be had;
    // last_error then says why.
    virtual bool create(const char* title, int left, int top, int width, int height) = 0;
    virtual bool exists() const = 0;
    virtual const char* last_error() const = 0;

    // Shows the window normal (at its position and size), maximised or full screen.
    virtual void show(window_show how) = 0;
    // Hides the window. Nothing is released: the device keeps drawing into the context.
    virtual void hide() = 0;
    // Moves and sizes the shown window (normal mode).
    virtual void set_bounds(int left, int top, int width, int height) = 0;
    // The smallest drawing area the window may be given, by the user's resizing or by
    // set_bounds; a smaller window grows to it at once.
    virtual void set_minimum_size(int width, int height) = 0;

    // The size of the drawing area in pixels (the back buffer's size).
    virtual void drawable_size(int* width, int* height) const = 0;
    // The desktop's size and the part of it a maximised window may use, in screen pixels.
    virtual void desktop_size(int* width, int* height) = 0;
    virtual void usable_size(int* width, int* height) = 0;

    // Presents what was drawn into the back buffer.
    virtual void swap_buffers() = 0;
    // Frames presented at once (0) or with the display's refresh (1).
    virtual void set_swap_interval(int interval) = 0;
    // Clears the back buffer to black and presents it: the frame drawn while no graphics
    // device draws the program's own.
    virtual void present_blank_frame() = 0;

    // Turns the window system's waiting events into messages on the program's queue.
    virtual void pump_events() = 0;
};

// The real window on the window system (platform/system).
std::unique_ptr<window_system> make_system_window();

// The program's main window; a do-nothing stand-in (no window) until one is installed.
window_system* main_window();
// Installs the main window (none restores the stand-in). The caller keeps ownership.
void set_main_window(window_system* window);

// What the program does when the connection to its display is lost for good (the display
// server ended): nothing can be drawn or read any more and the window system will not let
// the loop go on, so the handler saves what must survive (the settings, the log) and the
// process then ends with the status the handler returns. The handler runs inside the
// window-system call that found the loss. None (the default) saves nothing.
void set_display_lost_handler(int (*handler)());
// Runs the installed handler, at most once, and gives its status; 1 when there was none.
int run_display_lost_handler();

// PeekMessage with removal: lets the window turn its waiting events into messages, then
// takes the next queued message; false when none waits.
bool peek_app_message(app_message* out);
