// The overlay's turned boxes, darts, wedges, arrowheads, silhouettes and heading tape on the
// OpenGL device, and their outline twins on a pen surface: the read-back pixels against
// extents and areas worked out by hand from the shapes' definitions (markers stretch y by 4/3,
// one GUI unit is 320 pixels across and 240 up).
#include <cmath>
#include <cstdio>

#include "gl_overlay.h"
#include "platform/pen_surface.h"
#include "ui/gdi_shapes.h"

namespace {

constexpr std::uint32_t k_white = 0xFFFFFFFFu;
constexpr std::uint32_t k_black = 0xFF000000u;

struct box_px {
    int x0, y0, x1, y1;
};

box_px ink(const image& p) {
    box_px b{};
    EXPECT_TRUE(ink_box(p, k_black, &b.x0, &b.y0, &b.x1, &b.y1));
    return b;
}

void expect_box(const box_px& b, int x0, int y0, int x1, int y1, int tolerance, const char* what) {
    EXPECT_NEAR(b.x0, x0, tolerance) << what;
    EXPECT_NEAR(b.y0, y0, tolerance) << what;
    EXPECT_NEAR(b.x1, x1, tolerance) << what;
    EXPECT_NEAR(b.y1, y1, tolerance) << what;
}

int all_ink(const image& p) { return count_colour(p, k_white, 0, 0, p.width, p.height); }

// A black 640 x 480 picture to draw the outline twins on.
image blank_screen() {
    image p;
    image_allocate(&p, 640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) p.set_pixel(x, y, k_black);
    return p;
}

}  // namespace

TEST(OverlayShapesOnGl, TurnedBoxesOutlineAndFill) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    // 0.5 x 0.2 turned a quarter: 0.2 across (64 px) and 0.5 x 4/3 up (160 px).
    g.overlay->draw_rotated_rect(0, 0, 0.25f, 0.1f, k_pi / 2, k_white);
    image p = g.read_back();
    expect_box(ink(p), 320 - 32, 240 - 80, 320 + 32, 240 + 80, 1, "outline");
    EXPECT_EQ(p.pixel(320, 240), k_black);  // an outline: the middle is empty
    EXPECT_LT(all_ink(p), 2 * (64 + 160) + 8);

    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_rotated_rect(0, 0, 0.25f, 0.1f, k_pi / 2, k_white);
    p = g.read_back();
    expect_box(ink(p), 320 - 32, 240 - 80, 320 + 32, 240 + 80, 1, "filled");
    EXPECT_NEAR(all_ink(p), 64 * 160, 64 + 160);

    // Turned by 45 degrees the filled box keeps its area.
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_rotated_rect(0.2f, -0.1f, 0.25f, 0.1f, k_pi / 4, k_white);
    p = g.read_back();
    EXPECT_NEAR(all_ink(p), 0.5f * 320 * 0.2f * 320, 400);  // x and y both 320 px a unit here
}

TEST(OverlayShapesOnGl, DartWedgeAndArrowheadPointTheirWay) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    // A dart of radius 0.3 pointing up, y factor 4/3: tip 96 px up; barbs at 2.5 rad,
    // 0.3 sin 2.5 = 0.180 across (57 px), 0.4 cos 2.5 = -0.320 down (77 px).
    g.overlay->draw_dart(0, 0, 0.3f, 4.0f / 3.0f, 0, k_white);
    image outline = g.read_back();
    expect_box(ink(outline), 320 - 58, 240 - 96, 320 + 58, 240 + 77, 1, "dart outline");
    EXPECT_EQ(outline.pixel(320, 200), k_black);  // between the centre and the tip: hollow
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_dart(0, 0, 0.3f, 4.0f / 3.0f, 0, k_white);
    image filled = g.read_back();
    // (The sharp tip covers no pixel centre in its last two rows.)
    expect_box(ink(filled), 320 - 58, 240 - 96, 320 + 58, 240 + 77, 3, "filled dart");
    EXPECT_EQ(filled.pixel(320, 200), k_white);
    EXPECT_EQ(filled.pixel(320, 260), k_black);  // the notch behind the centre stays open

    // A wedge of radius 0.3 to the left (direction pi / 2), half-angle 0.5: its far corners
    // at 0.3 sin(pi/2 -+ 0.5) = 0.263 left (84 px) and 0.4 cos(pi/2 -+ 0.5) = +-0.192 (46 px).
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->draw_wedge(0, 0, 0.3f, k_pi / 2, k_white, 0.5f);
    outline = g.read_back();
    expect_box(ink(outline), 320 - 85, 240 - 46, 321, 240 + 47, 1, "wedge");
    EXPECT_EQ(outline.pixel(280, 240), k_black);
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_wedge(0, 0, 0.3f, k_pi / 2, k_white, 0.5f);
    filled = g.read_back();
    EXPECT_EQ(filled.pixel(280, 240), k_white);

    // An arrowhead of radius 0.3 pointing down: tip 96 px down, barbs at 2.4 rad either side,
    // 0.3 sin 2.4 = 0.203 across (65 px) and 0.4 cos 2.4 = -0.295 (71 px) up.
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_arrowhead(0, 0, 0.3f, k_pi, k_white);
    filled = g.read_back();
    expect_box(ink(filled), 320 - 65, 240 - 71, 320 + 65, 240 + 96, 1, "arrowhead");
    EXPECT_EQ(filled.pixel(320, 240), k_white);
}

TEST(OverlayShapesOnGl, SilhouetteCoversItsOutlinesArea) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    // Half-widths 0, 0.75, 1, 1, 0.75 at heights 1, 0.5, 0, -0.5, -1: by trapezoids the area is
    // 2 x 0.5 x (0.375 + 0.875 + 1 + 0.875) = 3.125 width x height. Width 0.1 is 32 px,
    // height 0.3 (x 4/3) is 96 px: 9,600 px, nose 96 px up, 32 px either side.
    g.overlay->fill_silhouette(0, 0, 0.1f, 0.3f, 0, k_white);
    image p = g.read_back();
    expect_box(ink(p), 320 - 32, 240 - 96, 320 + 32, 240 + 96, 1, "nose up");
    EXPECT_NEAR(all_ink(p), 9600, 200);
    // Turned a quarter the nose points left: 96 px left, and 0.1 x 4/3 (32 px) up and down.
    ASSERT_TRUE(g.start(640, 480));
    g.overlay->fill_silhouette(0, 0, 0.1f, 0.3f, k_pi / 2, k_white);
    p = g.read_back();
    expect_box(ink(p), 320 - 96, 240 - 32, 320 + 96, 240 + 32, 1, "nose left");
    // The nose narrows to a point, the tail ends square: more ink near the tail.
    EXPECT_LT(count_colour(p, k_white, 320 - 96, 0, 320 - 64, 480), count_colour(p, k_white, 320 + 64, 0, 320 + 96, 480));
}

TEST(OverlayShapesOnGl, HeadingTapeTicksEveryTenDegreesWithWrappedLabels) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    // Heading 345 over 60 degrees across one GUI unit (320 px): marks 320, 330, ..., 010 at
    // 320 + (mark - 345) x 320 / 60 px: the 340 mark at 293 px, every next one 53.3 px on.
    const float x1 = -0.5f, y1 = -0.1f, x2 = 0.5f, y2 = 0.1f;
    g.overlay->draw_heading_tape(x1, y1, x2, y2, 345.0f, 60.0f, k_white);
    const image tape = g.read_back();
    // The ticks: the band just above y1 (row 264) up to 35 % of the height (row 247).
    std::vector<int> columns;
    for (int x = 0; x < 640; ++x)
        if (tape.pixel(x, 256) == k_white) columns.push_back(x);
    ASSERT_EQ(columns.size(), 6u);
    for (std::size_t i = 0; i < columns.size(); ++i)
        EXPECT_NEAR(columns[i], 160 + 26.7 + 53.33 * static_cast<double>(i), 1.5) << i;
    EXPECT_EQ(tape.pixel(columns[0], 268), k_black);  // nothing below the tape

    // The labels are the marks' headings, three digits, wrapped past north.
    ASSERT_TRUE(g.start(640, 480));
    const char* labels[6] = {"320", "330", "340", "350", "000", "010"};
    for (int i = 0; i < 6; ++i) {
        const float x = -0.5f + (26.7f + 53.33f * static_cast<float>(i)) / 320.0f;
        g.overlay->draw_text_in_box_sized(x - 1.0f / 12, y1 + 0.07f, x + 1.0f / 12, y2, labels[i],
                                         k_white, 1.0f, false, TEXT_CENTER);
    }
    const image expected = g.read_back();
    int differ = 0, text = 0;
    for (int y = 0; y < 246; ++y)
        for (int x = 0; x < 640; ++x) {
            text += expected.pixel(x, y) != k_black;
            differ += tape.pixel(x, y) != expected.pixel(x, y);
        }
    ASSERT_GT(text, 100);
    EXPECT_LT(differ, text / 10);
}

TEST(GdiShapes, BoxOutlineSetsEachPixelOfItsEdgeOnce) {
    image p = blank_screen();
    pen_surface dc(&p);
    dc.set_pen(k_white);
    gdi_draw_rect(dc, -0.5f, -0.5f, 0.5f, 0.5f);  // virtual pixels 160..480 x 120..360
    EXPECT_EQ(all_ink(p), 2 * 320 + 2 * 240);
    expect_box(ink(p), 160, 120, 481, 361, 0, "box");
    EXPECT_EQ(p.pixel(320, 240), k_black);
    // Either corner order draws the same outline.
    image q = blank_screen();
    pen_surface dq(&q);
    dq.set_pen(k_white);
    gdi_draw_rect(dq, 0.5f, 0.5f, -0.5f, -0.5f);
    EXPECT_EQ(p.texels, q.texels);
}

TEST(GdiShapes, TurnedBoxDartAndArrowMatchTheDevicesShapes) {
    image p = blank_screen();
    pen_surface dc(&p);
    dc.set_pen(k_white);
    gdi_draw_rotated_rect(dc, 0, 0, 0.25f, 0.1f, k_pi / 2);
    expect_box(ink(p), 320 - 32, 240 - 80, 320 + 32, 240 + 80, 1, "turned box");
    EXPECT_NEAR(all_ink(p), 2 * (64 + 160), 8);

    p = blank_screen();
    gdi_draw_dart(dc, 0, 0, 0.3f, 4.0f / 3.0f, 0);
    expect_box(ink(p), 320 - 58, 240 - 96, 320 + 58, 240 + 77, 1, "dart");
    EXPECT_EQ(p.pixel(320, 240), k_white);  // the centre is a corner of the outline
    EXPECT_EQ(p.pixel(320, 200), k_black);

    // An arrow of size 0.4 pointing up: tip 64 px up, tail 64 px down, barbs 0.1 sin 2.88
    // (8 px) either side and 0.133 cos 2.88 (31 px) below the tip; the shaft is one column.
    p = blank_screen();
    gdi_draw_direction_triangle(dc, 0, 0, 0.4f, 0);
    expect_box(ink(p), 320 - 8, 240 - 64, 320 + 9, 240 + 64, 1, "arrow");
    EXPECT_NEAR(count_colour(p, k_white, 320, 0, 321, 480), 128, 1);
    // Pointing left (angle pi / 2) the shaft is one row.
    p = blank_screen();
    gdi_draw_direction_triangle(dc, 0, 0, 0.4f, k_pi / 2);
    EXPECT_NEAR(count_colour(p, k_white, 0, 240, 640, 241), 128, 1);
    expect_box(ink(p), 320 - 64, 240 - 8, 320 + 64, 240 + 9, 2, "arrow left");
}

TEST(GdiShapes, OutlineTwinsLieOnTheDevicesOutlines) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    g.overlay->draw_rotated_rect(0.1f, 0.05f, 0.3f, 0.12f, 0.6f, k_white);
    g.overlay->draw_dart(-0.5f, 0.3f, 0.25f, 1.0f, 2.0f, k_white);
    const image device = g.read_back();
    image p = blank_screen();
    pen_surface dc(&p);
    dc.set_pen(k_white);
    gdi_draw_rotated_rect(dc, 0.1f, 0.05f, 0.3f, 0.12f, 0.6f);
    gdi_draw_dart(dc, -0.5f, 0.3f, 0.25f, 1.0f, 2.0f);
    // Every pixel of the twins' lines lies within a pixel of the device's lines.
    int total = 0, near = 0;
    for (int y = 1; y < 479; ++y)
        for (int x = 1; x < 639; ++x) {
            if (p.pixel(x, y) != k_white) continue;
            ++total;
            near += count_colour(device, k_white, x - 1, y - 1, x + 2, y + 2) > 0;
        }
    ASSERT_GT(total, 300);
    EXPECT_EQ(near, total);
}
