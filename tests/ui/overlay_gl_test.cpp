// The overlay on the OpenGL device: read-back pixels of glyphs, boxes, lines and keyed
// textures land where the virtual-screen mapping puts them (large flat areas, not edges).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "ui/overlay2d.h"

namespace {

class OverlayOnGl : public ::testing::Test {
protected:
    bool start(int width, int height) {
        context_ = std::make_unique<offscreen_gl>();
        if (!context_->ok()) return false;
        gl_system system(gl_window_hooks{});
        present_params p;
        p.back_buffer_width = static_cast<std::uint32_t>(width);
        p.back_buffer_height = static_cast<std::uint32_t>(height);
        p.enable_auto_depth_stencil = 1;
        p.auto_depth_stencil_format = FMT_D24S8;
        EXPECT_EQ(system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &device_), S_OK);
        overlay_ = std::make_unique<overlay2d>();
        overlay_->make_splash = nullptr;
        g_overlay = overlay_.get();
        overlay_->set_device(device_.get());
        overlay_->set_gui_scale(width, height);
        overlay_->rescale_fonts();
        device_->set_transform(TS_VIEW, overlay_->gui_view_matrix());
        device_->set_transform(TS_WORLD, mat_identity());
        device_->set_transform(TS_PROJECTION, mat_identity());
        device_->set_render_state(RS_LIGHTING, 0);
        device_->set_render_state(RS_CULLMODE, CULL_NONE);
        device_->set_render_state(RS_ZENABLE, 0);
        device_->set_render_state(RS_ALPHABLENDENABLE, 1);
        device_->set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
        device_->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
        overlay_->update_scale();
        return true;
    }
    void TearDown() override {
        if (overlay_) overlay_->set_device(nullptr);
        overlay_.reset();
        g_overlay = nullptr;
        device_.reset();
        context_.reset();
    }
    void clear(std::uint32_t color) {
        device_->begin_scene();
        device_->clear(CLEAR_TARGET, color, 1.0f, 0);
    }
    // The back buffer as 0xAARRGGBB, top row first.
    image read_back() {
        device_->end_scene();
        gfx_surface* s = device_->back_buffer();
        image out;
        image_allocate(&out, s->width(), s->height());
        locked_rect r;
        EXPECT_EQ(s->lock(&r), S_OK);
        for (int y = 0; y < s->height(); ++y)
            std::memcpy(out.row(y), static_cast<const std::uint8_t*>(r.bits) + static_cast<std::ptrdiff_t>(y) * r.pitch,
                        static_cast<std::size_t>(s->width()) * 4);
        s->unlock();
        return out;
    }
    static int count(const image& p, std::uint32_t color, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += (p.pixel(x, y) & 0xFFFFFFu) == (color & 0xFFFFFFu);
        return n;
    }
    int texel_alpha(const d3d_font& f, int x, int y) {
        const std::uint8_t* row = f.texture()->level_bits(0) + static_cast<std::size_t>(y) * f.texture()->level_pitch(0);
        std::uint16_t t;
        std::memcpy(&t, row + 2 * x, 2);
        return (t >> 12) * 17;
    }

    std::unique_ptr<offscreen_gl> context_;
    std::unique_ptr<gfx_device> device_;
    std::unique_ptr<overlay2d> overlay_;
};

}  // namespace

TEST_F(OverlayOnGl, FilledBoxAndLineLandOnTheirVirtualScreenPixels) {
    for (const auto& size : {std::pair{640, 480}, std::pair{1280, 960}}) {
        TearDown();
        if (!start(size.first, size.second)) GTEST_SKIP() << "no OpenGL";
        const int ox = size.first / 2 - 320, oy = size.second / 2 - 240;  // the virtual screen
        clear(0xFF000000u);
        // GUI (-0.5, -0.5) to (0.25, 0.5): virtual pixels x 160..399, y 120..359.
        overlay_->fill_rect(-0.5f, -0.5f, 0.25f, 0.5f, 0xFF00FF00u);
        // Through the middle of virtual row 50 from x 400 to 599.
        const float y = 1.0f - 50.5f / 240.0f;
        overlay_->draw_line(400.0f / 320.0f - 1.0f, y, 600.0f / 320.0f - 1.0f, y, 0xFFFF0000u);
        const image p = read_back();
        EXPECT_EQ(count(p, 0xFF00FF00u, ox + 160, oy + 120, ox + 400, oy + 360), 240 * 240);
        EXPECT_EQ(count(p, 0xFF00FF00u, 0, 0, size.first, size.second), 240 * 240);
        EXPECT_EQ(count(p, 0xFFFF0000u, ox + 401, oy + 50, ox + 599, oy + 51), 198);  // inner pixels
    }
}

TEST_F(OverlayOnGl, GlyphsDrawOneToOneAtBothBackBufferSizes) {
    for (const auto& size : {std::pair{640, 480}, std::pair{1920, 1080}}) {
        TearDown();
        if (!start(size.first, size.second)) GTEST_SKIP() << "no OpenGL";
        clear(0xFF000000u);
        overlay_->draw_text_in_box_font(-0.5f, 0.25f, 0.5f, 0.9f, "g", 0xFFFFFFFFu, 1, 1, FONT_NORMAL, 0);
        const image p = read_back();
        const d3d_font& f = *overlay_->font(FONT_NORMAL);
        const glyph_rect& g = f.glyph('g');
        const int cx = static_cast<int>(g.left * f.texture_width() + 0.5f);
        const int cy = static_cast<int>(g.top * f.texture_height() + 0.5f);
        const int w = static_cast<int>((g.right - g.left) * f.texture_width() + 0.5f);
        const int h = static_cast<int>((g.bottom - g.top) * f.texture_height() + 0.5f);
        const int px = size.first / 2 - 160, bottom = size.second / 2 - 60;
        int off = 0;
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx) {
                const int got = static_cast<int>(p.pixel(px + xx, bottom - h + yy) & 0xFF);
                if (std::abs(got - texel_alpha(f, cx + xx, cy + yy)) > 1) ++off;
            }
        EXPECT_EQ(off, 0) << size.first;
    }
}

TEST_F(OverlayOnGl, ColourKeyedBlackIsTransparent) {
    if (!start(640, 480)) GTEST_SKIP() << "no OpenGL";
    texture_ptr t;
    ASSERT_EQ(device_->create_texture(2, 2, 1, 0, FMT_A1R5G5B5, POOL_MANAGED, &t), S_OK);
    locked_rect lr;
    ASSERT_EQ(t->lock_rect(0, &lr), S_OK);
    auto* row0 = static_cast<std::uint16_t*>(lr.bits);
    auto* row1 = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(lr.bits) + lr.pitch);
    row0[0] = 0x0000;
    row0[1] = 0xFFFF;
    row1[0] = 0xFFFF;
    row1[1] = 0x0000;
    t->unlock_rect(0);
    device_->set_sampler_state(0, SAMP_MINFILTER, TEXF_POINT);
    device_->set_sampler_state(0, SAMP_MAGFILTER, TEXF_POINT);
    clear(0xFFFF0000u);
    draw_texture_rect(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFFu, t.get());
    const image p = read_back();
    EXPECT_EQ(count(p, 0xFFFF0000u, 170, 130, 310, 230), 140 * 100);  // keyed: red shows
    EXPECT_EQ(count(p, 0xFFFFFFFFu, 330, 130, 470, 230), 140 * 100);
    EXPECT_EQ(count(p, 0xFFFFFFFFu, 170, 250, 310, 350), 140 * 100);
    EXPECT_EQ(count(p, 0xFFFF0000u, 330, 250, 470, 350), 140 * 100);
    t.reset();
}
