// A small borderless picture on the desktop while the program starts: the start-up splash
// is shown before the graphics device exists, as a picture painted straight onto the screen.
#pragma once

#include <memory>

#include "platform/image.h"

class splash_window {
public:
    virtual ~splash_window() = default;
    // The desktop's size in pixels.
    virtual void desktop_size(int* width, int* height) const = 0;
    // Shows the picture with its top-left corner at (left, top) of the desktop, replacing
    // what was shown; the window takes the picture's size.
    virtual void show(const image& picture, int left, int top) = 0;
};

// The splash on the window system, or none without a display.
std::unique_ptr<splash_window> make_splash_window();
