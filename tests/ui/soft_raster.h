// A small software rasteriser of the draws a recording device kept, so drawing code can be
// checked pixel by pixel without a display: positions go through world, view and projection
// to the viewport, pixel centres sit at +0.5 (as on OpenGL), triangles fill the pixels whose
// centres they cover, lines light one pixel per step along their major axis (the last one
// left out), textures are point-sampled, stage 0 modulates or selects as its states say,
// and source-alpha blending is applied when it is on.
#pragma once

#include <cstdint>

#include "platform/image.h"
#include "platform/recording_device.h"

class soft_raster {
public:
    soft_raster(int width, int height, std::uint32_t clear_color);
    // Draws every recorded draw of the device in order.
    void draw_all(const recording_device& device);
    void draw(const draw_record& record);

    std::uint32_t pixel(int x, int y) const { return target_.pixel(x, y); }
    const image& target() const { return target_; }
    // Pixels of exactly this colour inside the rectangle [x0, x1) x [y0, y1).
    int count(std::uint32_t color, int x0, int y0, int x1, int y1) const;
    // The bounding box of the pixels that differ from the clear colour; false when none.
    bool ink_box(int* x0, int* y0, int* x1, int* y1) const;

private:
    struct vertex {
        float x, y;            // pixels
        float r, g, b, a;      // 0..255
        float u, v;
    };
    vertex fetch(const draw_record& record, int index) const;
    void triangle(const draw_record& record, const vertex& a, const vertex& b, const vertex& c);
    void line(const draw_record& record, const vertex& a, const vertex& b);
    void shade(const draw_record& record, int x, int y, const vertex& v);

    image target_;
    std::uint32_t clear_;
};
