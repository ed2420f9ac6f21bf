// The overlay on the OpenGL device: read-back pixels of boxes, lines, gradients, circles,
// triangles, glyphs, text and keyed textures land where the virtual-screen mapping puts them
// (large flat areas and extents, not edges).
#include <cmath>

#include "gl_overlay.h"

namespace {

// The alpha (0..255) of a texel of a font texture.
int texel_alpha(const d3d_font& f, int x, int y) {
    const std::uint8_t* row = f.texture()->level_bits(0) + static_cast<std::size_t>(y) * f.texture()->level_pitch(0);
    std::uint16_t t;
    std::memcpy(&t, row + 2 * x, 2);
    return (t >> 12) * 17;
}

}  // namespace

TEST(OverlayOnGl, FilledBoxAndLineLandOnTheirVirtualScreenPixels) {
    for (const auto& size : {std::pair{640, 480}, std::pair{1280, 960}}) {
        gl_overlay g;
        if (!g.start(size.first, size.second)) GTEST_SKIP() << "no OpenGL";
        const int ox = size.first / 2 - 320, oy = size.second / 2 - 240;  // the virtual screen
        // GUI (-0.5, -0.5) to (0.25, 0.5): virtual pixels x 160..399, y 120..359.
        g.overlay->fill_rect(-0.5f, -0.5f, 0.25f, 0.5f, 0xFF00FF00u);
        // Through the middle of virtual row 50 from x 400 to 599.
        const float y = 1.0f - 50.5f / 240.0f;
        g.overlay->draw_line(400.0f / 320.0f - 1.0f, y, 600.0f / 320.0f - 1.0f, y, 0xFFFF0000u);
        const image p = g.read_back();
        EXPECT_EQ(count_colour(p, 0xFF00FF00u, ox + 160, oy + 120, ox + 400, oy + 360), 240 * 240);
        EXPECT_EQ(count_colour(p, 0xFF00FF00u, 0, 0, size.first, size.second), 240 * 240);
        EXPECT_EQ(count_colour(p, 0xFFFF0000u, ox + 401, oy + 50, ox + 599, oy + 51), 198);  // inner pixels
    }
}

TEST(OverlayOnGl, GradientCircleAndTriangleFillTheirShapes) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    g.overlay->fill_rect_gradient(-0.5f, -0.05f, 0.5f, 0.05f, 0xFF00FFFFu, 0xFF0000C0u);
    image p = g.read_back();
    // y1 (-0.05) is the lower edge on the screen: virtual row 251; y2 the upper, row 228.
    EXPECT_GT((p.pixel(320, 251) >> 8) & 0xFF, 0xF0u);  // nearly cyan
    EXPECT_LT((p.pixel(320, 228) >> 8) & 0xFF, 0x10u);  // nearly dark blue
    EXPECT_NEAR(static_cast<int>(p.pixel(320, 228) & 0xFF), 0xC0, 8);

    // A filled circle of 12 steps, x factor 0.75, radius 0.25: 60 pixels round the centre.
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_arc(0, 0, 0.25f, 0xFFFFFFFFu, 12, 0, 0.75f);
    p = g.read_back();
    EXPECT_EQ(p.pixel(320, 240), 0xFFFFFFFFu);
    int x0, y0, x1, y1;
    ASSERT_TRUE(ink_box(p, 0xFF000000u, &x0, &y0, &x1, &y1));
    EXPECT_GE(x0, 320 - 61);
    EXPECT_LE(x1, 320 + 61);
    EXPECT_GE(y0, 240 - 61);
    EXPECT_LE(y1, 240 + 61);

    // A triangle without inset touches three sides of its box.
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_triangle_to_y1(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFFu, false);
    p = g.read_back();
    ASSERT_TRUE(ink_box(p, 0xFF000000u, &x0, &y0, &x1, &y1));
    EXPECT_NEAR(x0, 160, 1);
    EXPECT_NEAR(x1, 480, 1);
    EXPECT_NEAR(y0, 120, 1);
    EXPECT_NEAR(y1, 360, 1);
}

TEST(OverlayOnGl, GlyphsDrawOneToOneAndTextFitsItsMeasuredExtent) {
    for (const auto& size : {std::pair{640, 480}, std::pair{1920, 1080}}) {
        gl_overlay g;
        if (!g.start(size.first, size.second)) GTEST_SKIP() << "no OpenGL";
        g.overlay->draw_text_in_box_font(-0.5f, 0.25f, 0.5f, 0.9f, "g", 0xFFFFFFFFu, 1, 1, FONT_NORMAL, 0);
        image p = g.read_back();
        const d3d_font& f = *g.overlay->font(FONT_NORMAL);
        const glyph_rect& gl = f.glyph('g');
        const int cx = static_cast<int>(gl.left * f.texture_width() + 0.5f);
        const int cy = static_cast<int>(gl.top * f.texture_height() + 0.5f);
        const int w = static_cast<int>((gl.right - gl.left) * f.texture_width() + 0.5f);
        const int h = static_cast<int>((gl.bottom - gl.top) * f.texture_height() + 0.5f);
        // Pen (-0.5, 0.25): the cell's lower-left corner, in pixels 320 x + W / 2, H / 2 - 240 y.
        const int px = size.first / 2 - 160, bottom = size.second / 2 - 60;
        int off = 0;
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx) {
                const int got = static_cast<int>(p.pixel(px + xx, bottom - h + yy) & 0xFF);
                if (std::abs(got - texel_alpha(f, cx + xx, cy + yy)) > 1) ++off;
            }
        EXPECT_EQ(off, 0) << size.first;

        // A whole line's ink fits the size the font measures for it, in pixels at any size.
        const char* text = "Loading Textures";
        int extent[2];
        ASSERT_TRUE(f.get_text_extent(text, extent));
        ASSERT_TRUE(g.start(size.first, size.second));
        g.overlay->draw_text_in_box_font(-0.9f, 0.0f, 0.9f, 0.5f, text, 0xFFFFFFFFu, 1, 1, FONT_NORMAL, 0);
        p = g.read_back();
        int x0, y0, x1, y1;
        ASSERT_TRUE(ink_box(p, 0xFF000000u, &x0, &y0, &x1, &y1));
        EXPECT_LE(x1 - x0, extent[0] + 1) << size.first;
        EXPECT_GE(x1 - x0, extent[0] - 4) << size.first;
        EXPECT_LE(y1 - y0, extent[1]) << size.first;
    }
}

TEST(OverlayOnGl, CentredTextSitsInTheMiddleOfItsBox) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    g.overlay->draw_text_in_box_font(-0.6f, -0.2f, 0.6f, 0.4f, "Loading Sounds", 0xFFFFFFFFu, 1, 1, FONT_NORMAL, TEXT_CENTER);
    const image p = g.read_back();
    int x0, y0, x1, y1;
    ASSERT_TRUE(ink_box(p, 0xFF000000u, &x0, &y0, &x1, &y1));
    // Box centre: GUI (0, 0.1) = pixel (320, 216).
    EXPECT_NEAR((x0 + x1) / 2.0, 320.0, 2.0);
    EXPECT_NEAR((y0 + y1) / 2.0, 216.0, 6.0);
}

TEST(OverlayOnGl, ColourKeyedBlackIsTransparent) {
    gl_overlay g;
    if (!g.start(640, 480, 0xFFFF0000u)) GTEST_SKIP() << "no OpenGL";
    texture_ptr t;
    ASSERT_EQ(g.device->create_texture(2, 2, 1, 0, FMT_A1R5G5B5, POOL_MANAGED, &t), S_OK);
    locked_rect lr;
    ASSERT_EQ(t->lock_rect(0, &lr), S_OK);
    auto* row0 = static_cast<std::uint16_t*>(lr.bits);
    auto* row1 = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(lr.bits) + lr.pitch);
    row0[0] = 0x0000;  // keyed black: transparent
    row0[1] = 0xFFFF;  // opaque white
    row1[0] = 0xFFFF;
    row1[1] = 0x0000;
    t->unlock_rect(0);
    g.device->set_sampler_state(0, SAMP_MINFILTER, TEXF_POINT);
    g.device->set_sampler_state(0, SAMP_MAGFILTER, TEXF_POINT);
    // Upright: the texture's top row at the box's upper edge.
    draw_texture_rect(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFFu, t.get());
    const image p = g.read_back();
    EXPECT_EQ(count_colour(p, 0xFFFF0000u, 170, 130, 310, 230), 140 * 100);  // keyed: red shows
    EXPECT_EQ(count_colour(p, 0xFFFFFFFFu, 330, 130, 470, 230), 140 * 100);
    EXPECT_EQ(count_colour(p, 0xFFFFFFFFu, 170, 250, 310, 350), 140 * 100);
    EXPECT_EQ(count_colour(p, 0xFFFF0000u, 330, 250, 470, 350), 140 * 100);
    t.reset();
}
