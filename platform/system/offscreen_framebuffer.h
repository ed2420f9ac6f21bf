// A framebuffer standing in for a window's own (8-bit colour, 24-bit depth and, unless left
// out, 8-bit stencil), made on the current context: a device given it with a swap draws its
// back buffer there the way it draws into a window, so the window's drawing is tested without
// a display.
#pragma once

class offscreen_framebuffer {
public:
    offscreen_framebuffer(int width, int height, bool stencil = true);
    ~offscreen_framebuffer();
    offscreen_framebuffer(const offscreen_framebuffer&) = delete;
    offscreen_framebuffer& operator=(const offscreen_framebuffer&) = delete;

    // 0 when it could not be made complete.
    unsigned name() const { return name_; }
    // Its pixels as GL holds them: bottom row first, B, G, R, A bytes, width x 4 a row.
    void read(unsigned char* out) const;

private:
    int width_ = 0, height_ = 0;
    unsigned name_ = 0;
    unsigned buffers_[2] = {};
};
