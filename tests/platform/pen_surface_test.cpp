// Lines on a pen surface: which pixels a line sets, that a figure's corners are set once,
// and lines that leave the picture or come from far outside it.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "platform/pen_surface.h"

namespace {

constexpr std::uint32_t k_ink = 0xFFFF0000u;

image blank(int w, int h) {
    image p;
    EXPECT_TRUE(image_allocate(&p, w, h));
    return p;
}

std::vector<std::pair<int, int>> inked(const image& p) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.pixel(x, y) == k_ink) out.emplace_back(x, y);
    return out;
}

}  // namespace

TEST(PenSurface, LinesLeaveOutTheirEndPixel) {
    image p = blank(16, 8);
    pen_surface dc(&p);
    dc.set_pen(k_ink);
    dc.move_to(2, 3);
    dc.line_to(6, 3);
    EXPECT_EQ(inked(p), (std::vector<std::pair<int, int>>{{2, 3}, {3, 3}, {4, 3}, {5, 3}}));
    EXPECT_EQ(dc.x(), 6);
    EXPECT_EQ(dc.y(), 3);
    // A diagonal steps one pixel in x and y at a time.
    p = blank(16, 8);
    dc.move_to(0, 0);
    dc.line_to(4, 4);
    EXPECT_EQ(inked(p), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    // A shallow line: 8 across, 2 down, one pixel a column, rounding to the nearest row.
    p = blank(16, 8);
    dc.move_to(0, 0);
    dc.line_to(8, 2);
    EXPECT_EQ(inked(p), (std::vector<std::pair<int, int>>{
                            {0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}}));
    // Backwards the same pixels but for the ends.
    p = blank(16, 8);
    dc.move_to(8, 2);
    dc.line_to(0, 0);
    EXPECT_EQ(inked(p).size(), 8u);
    EXPECT_EQ(p.pixel(0, 0), 0u);
    EXPECT_EQ(p.pixel(8, 2), k_ink);
    // A line of no length sets nothing.
    p = blank(16, 8);
    dc.move_to(5, 5);
    dc.line_to(5, 5);
    EXPECT_TRUE(inked(p).empty());
}

TEST(PenSurface, ClosedFigureSetsItsOutlineOnceAround) {
    image p = blank(12, 12);
    pen_surface dc(&p);
    dc.set_pen(k_ink);
    dc.move_to(1, 1);
    dc.line_to(9, 1);
    dc.line_to(9, 6);
    dc.line_to(1, 6);
    dc.line_to(1, 1);
    EXPECT_EQ(inked(p).size(), static_cast<std::size_t>(2 * 8 + 2 * 5));
    for (auto [x, y] : std::vector<std::pair<int, int>>{{1, 1}, {9, 1}, {9, 6}, {1, 6}}) {
        EXPECT_EQ(p.pixel(x, y), k_ink) << x << "," << y;
    }
    EXPECT_EQ(p.pixel(5, 3), 0u);
}

TEST(PenSurface, LinesAreCutAtThePicturesEdges) {
    image p = blank(10, 10);
    pen_surface dc(&p);
    dc.set_pen(k_ink);
    // Across the whole picture from far outside on either side: the row, and nothing else.
    dc.move_to(INT_MIN, 4);
    dc.line_to(INT_MAX, 4);
    EXPECT_EQ(inked(p).size(), 10u);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(p.pixel(x, 4), k_ink);
    // A steep line from far above ends inside.
    p = blank(10, 10);
    dc.move_to(3, -2000000000);
    dc.line_to(3, 5);
    EXPECT_EQ(inked(p), (std::vector<std::pair<int, int>>{{3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}}));
    // Wholly outside: nothing, and the current point follows.
    p = blank(10, 10);
    dc.move_to(-50, -50);
    dc.line_to(-5, 40);
    EXPECT_TRUE(inked(p).empty());
    EXPECT_EQ(dc.x(), -5);
    // A diagonal far outside that crosses one corner pixel sets just that one.
    p = blank(10, 10);
    dc.move_to(-1000000, 1000009);
    dc.line_to(1000009, -1000000);
    EXPECT_EQ(inked(p).size(), 10u);  // the anti-diagonal x + y = 9
    for (int x = 0; x < 10; ++x) EXPECT_EQ(p.pixel(x, 9 - x), k_ink);
}

TEST(PenSurface, WithoutAPictureNothingIsDrawn) {
    pen_surface none(nullptr);
    none.move_to(0, 0);
    none.line_to(10, 10);
    EXPECT_EQ(none.x(), 10);
    image empty;
    pen_surface dc(&empty);
    dc.line_to(5, 5);
    EXPECT_TRUE(empty.texels.empty());
}
