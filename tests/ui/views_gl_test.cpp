// The plotter and the radar view on the OpenGL device: the curve lands inside its box, and
// everything the radar draws stays inside its display square however the window is scaled,
// but for its two captions, which stand in the window's margins.
#include <algorithm>
#include <cmath>

#include "core/mesh.h"
#include "gl_overlay.h"
#include "shell/scene.h"
#include "simulation/missile_system.h"
#include "ui/graph.h"
#include "ui/radar_view.h"

namespace {

TEST(ViewsOnGl, TheGraphCurveStaysInsideItsBox) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    graph_reset_samples();
    for (int i = 0; i <= 100; ++i) {
        const float t = 0.1f * static_cast<float>(i);
        const float row[8] = {t, std::sin(t), 0, 0, 0, 0, 0, 0};
        graph_add_series_point(row, 1);
    }
    // Box (-0.5, -0.5)..(0.5, 0.5): virtual pixels 160..480 across, 120..360 down.
    graph_draw(-0.5f, -0.5f, 0.5f, 0.5f, 1, false);
    graph_render();
    const image p = g.read_back();
    int x0, y0, x1, y1;
    ASSERT_TRUE(ink_box(p, 0xFF000000u, &x0, &y0, &x1, &y1));
    EXPECT_GE(x0, 160 - 4);
    EXPECT_LE(x1, 480 + 4);
    EXPECT_GE(y0, 120 - 4);
    EXPECT_LE(y1, 360 + 4);
    // The half-transparent green curve shows on black as dark green: its top reaches the
    // box's top (sin 1.6 is the channel's maximum).
    int green = 0;
    for (int y = 118; y < 130; ++y) {
        for (int x = 160; x < 480; ++x) {
            const std::uint32_t c = p.pixel(x, y);
            if (((c >> 8) & 0xFF) > 100 && ((c >> 16) & 0xFF) < 20) ++green;
        }
    }
    EXPECT_GT(green, 10);
    graph_reset_samples();
    graph_clear_vertices();
}

// Ink of a band of rows (y0 <= y < y1) of a picture on black.
int ink_in_rows(const image& p, int y0, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(p.height, y1); ++y)
        for (int x = 0; x < p.width; ++x) n += p.pixel(x, y) != 0xFF000000u ? 1 : 0;
    return n;
}

TEST(ViewsOnGl, TheRadarDrawsInsideItsSquareAndCaptionsInTheMargins) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    scene world;
    g_scene = &world;
    world.viewer.world = mat_identity();
    // A system 3 km ahead whose 20 km launch range reaches far outside the display.
    auto* system = new missile_system();
    system->control->launch_range = 20.0f;
    system->control->protected_radius = 8.0f;
    system->control->command_post->world.m[3][2] = 3000.0f;
    world.tables.systems[0] = system;
    world.tables.system_count = 1;
    // The window drawn at half size: the square is GUI -0.5..0.5 (pixels 160..480 across,
    // 120..360 down), the window -0.525..0.55 across and -0.55..0.55 up.
    g.device->set_transform(TS_WORLD, mat_scaling(0.5f, 0.5f, 1.0f));
    g.overlay->update_scale();
    draw_radar_view(5.0f);
    const image p = g.read_back();
    g_scene = nullptr;
    int x0, y0, x1, y1;
    ASSERT_TRUE(ink_box(p, 0xFF000000u, &x0, &y0, &x1, &y1));
    // Across, the square and the window's left margin, which the wheel hint (larger than its
    // box at this scale) may take.
    EXPECT_GE(x0, 151);
    EXPECT_LE(x1, 481);
    EXPECT_EQ(ink_in_rows(p, 0, 108), 0);
    // Above and below the square only the captions, inside the window's margins: the heading
    // over the title bar (rows 108..120), the wheel hint under the square (rows 360..372).
    EXPECT_GE(y0, 108);
    EXPECT_LE(y1, 373);
    EXPECT_GT(ink_in_rows(p, 108, 119), 20);
    EXPECT_GT(ink_in_rows(p, 362, 373), 20);
    // The protected disc (green, half transparent) covers the display's middle.
    const std::uint32_t middle = p.pixel(320, 240);
    EXPECT_GT((middle >> 8) & 0xFF, 100u);
    EXPECT_EQ(g.device->render_state(RS_CLIPPLANEENABLE), 0u);
}

}  // namespace
