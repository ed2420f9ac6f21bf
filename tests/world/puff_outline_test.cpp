// Puff outlines fitted to made-up pictures: every visible texel's filtered reach lies inside,
// the polygon stays near the smallest octagon around the visible part, and pictures with
// nothing or everything visible give no polygon or the whole sampled square.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/image.h"
#include "tests/world/puff_outline_check.h"
#include "world/puff_outline.h"

namespace {

constexpr float k_inset = 0.5f;  // the billboards sample the picture half a texel in from its edges

image picture_of(int width, int height, bool (*visible)(int x, int y)) {
    image p;
    EXPECT_TRUE(image_allocate(&p, width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) p.set_pixel(x, y, visible(x, y) ? 0x01FFFFFFu : 0x00FFFFFFu);
    }
    return p;
}

}  // namespace

TEST(PuffOutline, RoundPuffGetsAnOctagonAroundIt) {
    // A disc of radius 40 texels in a 128-texel square: every texel whose centre lies within it
    // is visible (alpha 1, the faintest there is).
    const image disc = picture_of(128, 128, [](int x, int y) {
        const float dx = static_cast<float>(x) + 0.5f - 64.0f, dy = static_cast<float>(y) + 0.5f - 64.0f;
        return dx * dx + dy * dy < 40.0f * 40.0f;
    });
    const puff_outline o = puff_outline::fit(disc, k_inset);
    EXPECT_EQ(o.corners, 8);
    EXPECT_EQ(outline_misses(disc, o, k_inset), "");
    // The regular octagon around a circle of radius r has area 8 tan(22.5 deg) r^2; the visible
    // texels reach to about r = 40 and the outline leaves 1.5 texels beyond a texel's centre.
    const float octagon = 8.0f * std::tan(0.3926991f) / (128.0f * 128.0f);
    EXPECT_GT(o.area(), octagon * 40.0f * 40.0f);
    EXPECT_LT(o.area(), octagon * 42.0f * 42.0f);
    // The corners of the picture are left out; its middle is in.
    EXPECT_TRUE(o.contains(0.5f, 0.5f));
    EXPECT_FALSE(o.contains(0.1f, 0.1f));
    EXPECT_FALSE(o.contains(0.9f, 0.85f));
}

TEST(PuffOutline, OddShapesOffCentreAndAtTheEdges) {
    // An L near the top left of a tall picture and one stray texel low on the right.
    const image odd = picture_of(48, 80, [](int x, int y) {
        const bool l_shape = (x >= 3 && x < 6 && y >= 2 && y < 30) || (x >= 3 && x < 20 && y >= 27 && y < 30);
        return l_shape || (x == 40 && y == 70);
    });
    const puff_outline o = puff_outline::fit(odd, k_inset);
    EXPECT_EQ(outline_misses(odd, o, k_inset), "");
    EXPECT_LE(o.corners, puff_outline::k_max_corners);
    // The top right and the bottom left stay out.
    EXPECT_FALSE(o.contains(46.0f / 48.0f, 3.0f / 80.0f));
    EXPECT_FALSE(o.contains(3.0f / 48.0f, 75.0f / 80.0f));

    // One visible texel in a corner: the outline is cut by the sampled square's edges and is
    // no larger than the texel grown by its margin.
    const image corner = picture_of(32, 32, [](int x, int y) { return x == 0 && y == 0; });
    const puff_outline c = puff_outline::fit(corner, k_inset);
    EXPECT_EQ(outline_misses(corner, c, k_inset), "");
    EXPECT_LE(c.area(), 2.5f * 2.5f / (32.0f * 32.0f));
    for (int k = 0; k < c.corners; ++k) {
        EXPECT_GE(c.u[k] * 32.0f, k_inset - 1e-4f);
        EXPECT_GE(c.v[k] * 32.0f, k_inset - 1e-4f);
    }
}

TEST(PuffOutline, NothingOrEverythingVisible) {
    const image clear = picture_of(16, 16, [](int, int) { return false; });
    EXPECT_EQ(puff_outline::fit(clear, k_inset).corners, 0);
    EXPECT_FALSE(puff_outline::fit(clear, k_inset).contains(0.5f, 0.5f));
    EXPECT_EQ(puff_outline::fit(image{}, k_inset).corners, 0);

    // An opaque picture keeps the whole sampled square: 15 of its 16 texels each way.
    const image opaque = picture_of(16, 16, [](int, int) { return true; });
    const puff_outline o = puff_outline::fit(opaque, k_inset);
    EXPECT_EQ(o.corners, 4);
    EXPECT_NEAR(o.area(), 15.0f * 15.0f / 256.0f, 1e-5f);
    const puff_outline whole = puff_outline::square(16, 16, k_inset);
    EXPECT_NEAR(whole.area(), o.area(), 1e-6f);
    EXPECT_EQ(outline_misses(opaque, o, k_inset), "");
    EXPECT_EQ(puff_outline::square(0, 16, k_inset).corners, 0);
}
