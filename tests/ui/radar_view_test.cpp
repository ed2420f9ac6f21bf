// The radar view: its grid against the steps worked out by hand, where objects land on the
// display, the range as the slider, the wheel and a reopening set it, the heading caption,
// and texts kept whole at every screen size.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "gui_fixture.h"
#include "overlay_fixture.h"
#include "shell/scene.h"
#include "simulation/rocket.h"
#include "ui/radar_view.h"
#include "ui/screens.h"
#include "ui/view_drawing.h"
#include "ui/d3d_font.h"

namespace {

std::vector<int> labels(const radar_grid& g, bool across) {
    std::vector<int> out;
    for (int i = 0; i < g.label_count; ++i) {
        if (g.labels[i].across == across) out.push_back(g.labels[i].km);
    }
    return out;
}

TEST(radar_grid, steps_lines_and_labels_of_a_5_and_a_12_km_display) {
    const radar_grid five = radar_layout(5.0f);
    EXPECT_EQ(five.label_step, 2);
    EXPECT_EQ(five.line_step, 1);
    ASSERT_EQ(five.across_count, 13);  // -6 .. 6 km
    EXPECT_FLOAT_EQ(five.across[0], -0.9f);
    EXPECT_FLOAT_EQ(five.across[12], 0.9f);
    EXPECT_EQ(labels(five, true), (std::vector<int>{-6, -4, -2, 2, 4, 6}));
    ASSERT_EQ(five.range_count, 11);  // 0 .. 10 km
    EXPECT_FLOAT_EQ(five.ranges[0], -1.0f);
    EXPECT_FLOAT_EQ(five.ranges[10], 1.0f);
    EXPECT_EQ(labels(five, false), (std::vector<int>{0, 2, 4, 6, 8}));

    const radar_grid twelve = radar_layout(12.0f);
    EXPECT_EQ(labels(twelve, true), (std::vector<int>{-12, -8, -4, 4, 8, 12}));
    EXPECT_EQ(labels(twelve, false), (std::vector<int>{0, 4, 8, 12, 16, 20}));

    const radar_grid widest = radar_layout(25.5f);
    EXPECT_LE(widest.across_count, radar_grid::k_max_lines);
    EXPECT_EQ(radar_layout(3.0f).label_step, 1);
}

TEST(radar_grid, points_ahead_lie_on_the_centre_line) {
    // Camera at (100, 200) facing north; a point 5 km north on a 5 km display is at the top.
    vec2 p = radar_point(100.0f, 5200.0f, 100.0f, 200.0f, 0.0f, 1.0f, 5.0f);
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    // 2 km east of it: 0.75 x 2 / 5 to the right of the camera at the bottom edge.
    p = radar_point(2100.0f, 200.0f, 100.0f, 200.0f, 0.0f, 1.0f, 5.0f);
    EXPECT_NEAR(p.x, 0.3f, 1e-6f);
    EXPECT_NEAR(p.y, -1.0f, 1e-6f);
    // Facing east, the same point is straight ahead.
    p = radar_point(2100.0f, 200.0f, 100.0f, 200.0f, 1.0f, 0.0f, 5.0f);
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, -0.6f, 1e-6f);
}

TEST(radar_text, boxes_grow_to_their_text_and_stay_in_their_room) {
    const view_box square{-1.0f, -1.0f, 1.0f, 1.0f};
    struct grow_case {
        view_box box;
        float text_w, text_h;
        view_box expected;
    };
    const grow_case cases[] = {
        {{0.2f, 0.1f, 0.3f, 0.2f}, 0.05f, 0.04f, {0.2f, 0.1f, 0.3f, 0.2f}},          // fits: kept
        {{0.2f, 0.1f, 0.3f, 0.2f}, 0.2f, 0.04f, {0.148f, 0.1f, 0.352f, 0.2f}},       // grown about its middle
        {{0.95f, 0.95f, 1.05f, 1.05f}, 0.3f, 0.2f, {0.694f, 0.8f, 1.0f, 1.0f}},      // moved in from the edge
        {{-0.9f, -0.9f, -0.8f, -0.8f}, 3.0f, 0.01f, {-1.0f, -0.9f, 0, 0}},  // past the room: from its left
    };
    for (const grow_case& c : cases) {
        const view_box b = view_text_box(c.box, {c.text_w, c.text_h}, square);
        EXPECT_NEAR(b.x1, c.expected.x1, 1e-5f) << c.text_w;
        EXPECT_NEAR(b.y1, c.expected.y1, 1e-5f) << c.text_w;
        if (c.text_w < 3.0f) {  // the last case's start alone
            EXPECT_NEAR(b.x2, c.expected.x2, 1e-5f) << c.text_w;
            EXPECT_NEAR(b.y2, c.expected.y2, 1e-5f) << c.text_w;
        }
    }
}

TEST(radar_text, heading_caption_from_north_round_to_west) {
    // A camera turned to +x (its z axis east) reads 090.
    const mat4 east = mat_rotation_y(k_pi / 2);
    const std::pair<float, const char*> cases[] = {{0.0f, "Heading 000 deg"},
                                                   {std::atan2(east.m[2][0], east.m[2][2]), "Heading 090 deg"},
                                                   {-k_pi / 2, "Heading 270 deg"},
                                                   {-1.2f / 57.29578f, "Heading 359 deg"}};
    for (const auto& [yaw, expected] : cases) {
        char caption[32];
        radar_heading_caption(caption, yaw);
        EXPECT_STREQ(caption, expected);
    }
}

class radar_view_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        root->init();
        overlay = std::make_unique<overlay_setup>(640, 480, false);
        g_scene = &world;
    }
    void TearDown() override {
        g_scene = nullptr;
        overlay.reset();
        gui_fixture::TearDown();
    }
    gui_window* open_view() {
        root->open_dialog(radar_view_dialog);
        return root->find_dialog(radar_view_dialog);
    }
    std::unique_ptr<overlay_setup> overlay;
    scene world;
};

TEST_F(radar_view_test, slider_wheel_and_reopening_set_the_range) {
    gui_window* w = open_view();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(app->radar_shown, 1);
    EXPECT_FLOAT_EQ(g_radar_range, 5.0f);
    for (int i = 0; i < 30; ++i) wheel(120);
    EXPECT_FLOAT_EQ(g_radar_range, 25.0f);
    for (int i = 0; i < 30; ++i) wheel(-120);
    EXPECT_FLOAT_EQ(g_radar_range, 1.0f);
    // The slider at 5 would give half a kilometre: the range stops at 1.
    gui_window* slider = w->child(0);
    ASSERT_NE(slider, nullptr);
    slider->set_slider_value(5.0f);
    w->current = 1;
    w->send(gui_event::child_scrolled);
    EXPECT_FLOAT_EQ(g_radar_range, 1.0f);
    slider->set_slider_value(255.0f);
    w->send(gui_event::child_scrolled);
    EXPECT_NEAR(g_radar_range, 25.5f, 1e-4f);
    root->close_dialog(radar_view_dialog);
    root->update();
    EXPECT_EQ(app->radar_shown, 0);
    open_view();
    EXPECT_FLOAT_EQ(g_radar_range, 5.0f);
}

TEST_F(radar_view_test, a_rocket_ahead_is_drawn_pointing_along_its_course) {
    // The camera at the origin faces north; a rocket 2.5 km ahead flies east; a wreck 1 km
    // east of the camera falls moving south-west.
    auto* flying = new rocket();
    flying->world = mat_rotation_y(k_pi / 2);
    flying->world.m[3][0] = 0.0f;
    flying->world.m[3][2] = 2500.0f;
    auto* wreck = new rocket();
    wreck->destroyed = 1;
    wreck->world.m[3][0] = 1000.0f;
    wreck->velocity = {-10.0f, -50.0f, -10.0f};
    world.tables.targets[0] = flying;
    world.tables.targets[1] = wreck;
    world.tables.target_count = 2;
    world.viewer.world = mat_identity();
    overlay->device->clear_records();
    draw_radar_view(5.0f);
    world.tables.target_count = 0;
    world.tables.targets[0] = world.tables.targets[1] = nullptr;
    std::vector<const draw_record*> darts;
    for (const draw_record& d : overlay->device->draws()) {
        if (d.type == PT_TRIANGLELIST && d.primitive_count == 1 && d.textures[0] == nullptr) {
            darts.push_back(&d);
        }
    }
    ASSERT_EQ(darts.size(), 2u);
    auto vertex = [](const draw_record* d, int i) {
        overlay_vertex v;
        std::memcpy(&v, d->vertices.data() + i * sizeof v, sizeof v);
        return v;
    };
    const overlay_vertex tip = vertex(darts[0], 0);
    EXPECT_NEAR(tip.x, 0.0f, 1e-5f);
    EXPECT_NEAR(tip.y, -0.5f, 1e-5f);
    EXPECT_EQ(tip.color, 0xFFFFFFFFu);
    // Heading east, the dart points right: its back corners lie left of the tip.
    EXPECT_LT(vertex(darts[0], 1).x, tip.x);
    EXPECT_LT(vertex(darts[0], 2).x, tip.x);
    const overlay_vertex wreck_tip = vertex(darts[1], 0);
    EXPECT_NEAR(wreck_tip.x, 0.15f, 1e-5f);
    EXPECT_NEAR(wreck_tip.y, -1.0f, 1e-5f);
    EXPECT_EQ(wreck_tip.color, 0x80FFFFFFu);
    // Moving south-west: the back corners lie up and to the right.
    EXPECT_GT(vertex(darts[1], 1).x + vertex(darts[1], 2).x, 2 * wreck_tip.x);
    EXPECT_GT(vertex(darts[1], 1).y + vertex(darts[1], 2).y, 2 * wreck_tip.y);
    delete flying;
    delete wreck;
    // Clipped to the display, released at the end.
    EXPECT_EQ(overlay->device->render_state(RS_CLIPPLANEENABLE), 0u);
}

// A rocket at 600 m near the display's right edge, at screen sizes where the fonts grow and the
// boxes do not: "0.6 km" keeps its six glyphs inside the square, the captions stay whole.
TEST_F(radar_view_test, labels_and_captions_stay_whole_at_every_screen_size) {
    auto* flying = new rocket();
    flying->altitude = 600.0f;
    // The camera faces east; the rocket 3 km ahead and 6.2 km to its right: x = 0.93.
    flying->world.m[3][0] = 3000.0f;
    flying->world.m[3][2] = -6200.0f;
    world.tables.targets[0] = flying;
    world.tables.target_count = 1;
    world.viewer.world = mat_rotation_y(k_pi / 2);
    for (const auto& size : {std::pair{640, 480}, std::pair{1024, 768}, std::pair{1920, 1080}}) {
        overlay_setup o(size.first, size.second);
        const d3d_font* small = o.overlay->font(FONT_SMALL);
        ASSERT_NE(small, nullptr);
        draw_radar_view(5.0f);
        // The fonts' batches: normal, small (both under the clip), then the captions.
        std::vector<const draw_record*> text;
        for (const draw_record& d : o.device->draws()) {
            if (d.type == PT_TRIANGLELIST && d.textures[0] != nullptr) text.push_back(&d);
        }
        ASSERT_EQ(text.size(), 3u) << size.first;
        ASSERT_EQ(text[1]->primitive_count, 2 * 6) << size.first;  // "0.6 km", the blank too
        for (int i = 0; i < 3 * text[1]->primitive_count; ++i) {
            font_vertex v;
            std::memcpy(&v, text[1]->vertices.data() + i * sizeof v, sizeof v);
            EXPECT_LE(v.x, 1.0f) << size.first;
            EXPECT_GE(v.x, -1.0f) << size.first;
        }
        // "use mouse wheel to zoom" and "Heading 090 deg" on the screen: in its margins where
        // it has them (the hint under the square), else over the square's top.
        EXPECT_EQ(text[2]->primitive_count, 2 * (23 + 15)) << size.first;
        const float w = o.overlay->gui_scale[0], h = o.overlay->gui_scale[1];
        float lowest = 1.0f;
        for (int i = 0; i < 3 * text[2]->primitive_count; ++i) {
            font_vertex v;
            std::memcpy(&v, text[2]->vertices.data() + i * sizeof v, sizeof v);
            EXPECT_TRUE(v.x >= -std::min(w, 1.05f) && v.x <= std::min(w, 1.1f)) << size.first << " " << v.x;
            EXPECT_TRUE(v.y >= -std::min(h, 1.1f) && v.y <= std::min(h, 1.1f)) << size.first << " " << v.y;
            lowest = std::min(lowest, v.y);
        }
        if (h > 1.1f) {
            EXPECT_LT(lowest, -1.0f) << size.first;
        } else {
            EXPECT_GT(lowest, 0.8f) << size.first;
        }
    }
    world.tables.target_count = 0;
    world.tables.targets[0] = nullptr;
    delete flying;
}

}  // namespace

namespace {

// The box of one run of glyph quads of a font draw (vertices first .. first + 6 * glyphs).
view_box glyph_run_box(const draw_record& d, int first_glyph, int glyphs) {
    view_box b{1e9f, 1e9f, -1e9f, -1e9f};
    for (int i = 6 * first_glyph; i < 6 * (first_glyph + glyphs); ++i) {
        font_vertex v;
        std::memcpy(&v, d.vertices.data() + i * sizeof v, sizeof v);
        b = {std::min(b.x1, v.x), std::min(b.y1, v.y), std::max(b.x2, v.x), std::max(b.y2, v.y)};
    }
    return b;
}

// Whether two boxes share more than a sliver (glyphs side by side touch at an edge).
bool cover(const view_box& a, const view_box& b) {
    constexpr float k_sliver = 0.002f;
    return std::min(a.x2, b.x2) - std::max(a.x1, b.x1) > k_sliver &&
           std::min(a.y2, b.y2) - std::max(a.y1, b.y1) > k_sliver;
}

}  // namespace

// Two rockets a few hundred metres apart, right of the range label "6" at R = 5: their
// altitudes ("1.1 km" and "2.0 km" were written over each other and over the "6") keep clear
// of each other and of every kilometre label, inside the square, at every screen size.
TEST_F(radar_view_test, altitude_labels_keep_apart_and_off_the_kilometre_labels) {
    rocket low, high;
    low.altitude = 1100.0f;
    high.altitude = 2000.0f;
    // At R = 5 a point (dx, dz) m from the camera lies at (0.00015 dx, 0.0002 dz - 1): these at
    // (-0.04, 0.17) and (-0.03, 0.19), their labels' boxes from x + 0.05 over the "6" at y 0.2.
    high.world.m[3][0] = -0.04f / 0.00015f;
    high.world.m[3][2] = 1.17f / 0.0002f;
    low.world.m[3][0] = -0.03f / 0.00015f;
    low.world.m[3][2] = 1.19f / 0.0002f;
    world.tables.targets[0] = &high;
    world.tables.targets[1] = &low;
    world.tables.target_count = 2;
    world.viewer.world = mat_identity();
    // The rockets are this test's own: the tables let go of them however the checks end.
    const auto check = [&](int width, int height) {
        SCOPED_TRACE(width);
        overlay_setup o(width, height);
        draw_radar_view(5.0f);
        std::vector<const draw_record*> text;
        for (const draw_record& d : o.device->draws()) {
            if (d.type == PT_TRIANGLELIST && d.textures[0] != nullptr) text.push_back(&d);
        }
        ASSERT_EQ(text.size(), 3u);
        // The small font's batch: the two altitudes of six glyphs each, the blank too.
        ASSERT_EQ(text[1]->primitive_count, 2 * 12);
        const view_box first = glyph_run_box(*text[1], 0, 6), second = glyph_run_box(*text[1], 6, 6);
        EXPECT_FALSE(cover(first, second));
        for (const view_box& b : {first, second}) {
            EXPECT_TRUE(b.x1 >= -1.0f && b.x2 <= 1.0f && b.y1 >= -1.0f && b.y2 <= 1.0f);
            for (int g = 0; g < text[0]->primitive_count / 2; ++g) {
                EXPECT_FALSE(cover(b, glyph_run_box(*text[0], g, 1))) << "kilometre glyph " << g;
            }
        }
    };
    for (const auto& size : {std::pair{640, 480}, std::pair{1024, 768}, std::pair{1920, 1080}}) {
        check(size.first, size.second);
    }
    world.tables.target_count = 0;
    world.tables.targets[0] = world.tables.targets[1] = nullptr;
}
