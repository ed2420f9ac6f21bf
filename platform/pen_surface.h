// A picture drawn on with a pen, as a window's 2-D device context is drawn on: move to a
// point, then draw lines from the current point to the next one. The start-up splash is
// composed in such a picture before the graphics device exists; shapes drawn there use
// virtual-screen pixels (x right, y down).
//
// Each line covers the pixels of a straight walk from its start to its end and leaves out the
// end pixel itself, where the next line of a figure starts, so a closed figure sets every
// pixel of its outline once. Pixels outside the picture are left out; lines of any length
// cost no more than the pixels they cross inside it.
#pragma once

#include <cstdint>

#include "platform/image.h"

class pen_surface {
public:
    // Draws into the picture, which must outlive the surface.
    explicit pen_surface(image* target) : target_(target) {}

    void set_pen(std::uint32_t argb) { pen_ = argb; }
    std::uint32_t pen() const { return pen_; }
    void move_to(int x, int y);
    // A line from the current point to (x, y), which becomes the current point.
    void line_to(int x, int y);
    int x() const { return x_; }
    int y() const { return y_; }

private:
    image* target_;
    std::uint32_t pen_ = 0xFF000000u;
    int x_ = 0, y_ = 0;
};
