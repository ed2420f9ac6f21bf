// An overlay on the OpenGL device of an off-screen context, set up as the GUI sets it (GUI
// scale and view transform, identity world and projection, lighting, culling and depth off,
// source-alpha blending, fonts drawn), and the back buffer read back as a picture. Pixel checks of the 2-D drawing
// use it; without an OpenGL context start() is false and the test is skipped.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/image.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "ui/overlay2d.h"

struct gl_overlay {
    std::unique_ptr<offscreen_gl> context;
    std::unique_ptr<gfx_device> device;
    std::unique_ptr<overlay2d> overlay;

    ~gl_overlay() { stop(); }

    // Starts on a back buffer of width x height and begins a scene cleared to clear_colour.
    bool start(int width, int height, std::uint32_t clear_colour = 0xFF000000u) {
        stop();
        context = std::make_unique<offscreen_gl>();
        if (!context->ok()) return false;
        gl_system system(gl_window_hooks{});
        present_params p;
        p.back_buffer_width = static_cast<std::uint32_t>(width);
        p.back_buffer_height = static_cast<std::uint32_t>(height);
        p.enable_auto_depth_stencil = 1;
        p.auto_depth_stencil_format = FMT_D24S8;
        if (system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &device) != S_OK) return false;
        overlay = std::make_unique<overlay2d>();
        overlay->make_splash = nullptr;
        g_overlay = overlay.get();
        overlay->set_device(device.get());
        overlay->set_gui_scale(width, height);
        overlay->rescale_fonts();
        device->set_transform(TS_VIEW, overlay->gui_view_matrix());
        device->set_transform(TS_WORLD, mat_identity());
        device->set_transform(TS_PROJECTION, mat_identity());
        device->set_render_state(RS_LIGHTING, 0);
        device->set_render_state(RS_CULLMODE, CULL_NONE);
        device->set_render_state(RS_ZENABLE, 0);
        device->set_render_state(RS_ALPHABLENDENABLE, 1);
        device->set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
        device->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
        overlay->update_scale();
        device->begin_scene();
        device->clear(CLEAR_TARGET, clear_colour, 1.0f, 0);
        return true;
    }
    void stop() {
        if (overlay) overlay->set_device(nullptr);
        if (g_overlay == overlay.get()) g_overlay = nullptr;
        overlay.reset();
        device.reset();
        context.reset();
    }
    // Ends the scene and reads the back buffer as opaque 0xFFRRGGBB, top row first.
    image read_back() {
        device->end_scene();
        gfx_surface* s = device->back_buffer();
        image out;
        image_allocate(&out, s->width(), s->height());
        locked_rect r;
        EXPECT_EQ(s->lock(&r), S_OK);
        for (int y = 0; y < s->height(); ++y)
            std::memcpy(out.row(y), static_cast<const std::uint8_t*>(r.bits) + static_cast<std::ptrdiff_t>(y) * r.pitch,
                        static_cast<std::size_t>(s->width()) * 4);
        s->unlock();
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) out.set_pixel(x, y, out.pixel(x, y) | 0xFF000000u);
        device->begin_scene();
        return out;
    }
};

// Pixels of exactly this colour inside [x0, x1) x [y0, y1).
inline int count_colour(const image& p, std::uint32_t colour, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(y1, p.height); ++y)
        for (int x = std::max(0, x0); x < std::min(x1, p.width); ++x) n += p.pixel(x, y) == (colour | 0xFF000000u);
    return n;
}

// The bounding box of the pixels that differ from the background colour; false when none.
inline bool ink_box(const image& p, std::uint32_t background, int* x0, int* y0, int* x1, int* y1) {
    *x0 = *y0 = 1 << 30;
    *x1 = *y1 = -1;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.pixel(x, y) != (background | 0xFF000000u)) {
                *x0 = std::min(*x0, x);
                *y0 = std::min(*y0, y);
                *x1 = std::max(*x1, x + 1);
                *y1 = std::max(*y1, y + 1);
            }
    return *x1 >= 0;
}
