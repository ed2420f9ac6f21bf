// The telescope sight's tapes and read-outs against values worked out by hand, its zoom,
// night vision and closing, its labels whole at every screen size, its frame on the window's
// edge at 640 x 480; the flight graphs view's channel, refresh and titles.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gui_fixture.h"
#include "overlay_fixture.h"
#include "shell/scene.h"
#include "ui/d3d_font.h"
#include "ui/graph.h"
#include "ui/overlay_painter.h"
#include "ui/screens.h"
#include "ui/telescope_view.h"
#include "ui/test_control.h"

namespace {

TEST(telescope_tapes, bearing_3_degrees_and_the_read_outs) {
    const telescope_tape t = telescope_bearing_tape(3.0f);
    ASSERT_EQ(t.major_count, 5);
    const int expected[] = {340, 350, 0, 10, 20};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(t.labels[i], expected[i]);
    EXPECT_NEAR(t.major[2], -0.048f, 1e-5f);  // 000 just left of the pointer
    EXPECT_LT(t.major[1], 0.0f);
    EXPECT_GT(t.major[3], 0.0f);
    for (int i = 0; i < t.minor_count; ++i) {
        EXPECT_GE(t.minor[i], -0.4f);
        EXPECT_LE(t.minor[i], 0.4f);
    }
    // Looking 10 degrees down: labels without sign, 0 at the level line's side.
    const telescope_tape e = telescope_elevation_tape(-10.0f);
    ASSERT_GT(e.major_count, 2);
    EXPECT_EQ(e.labels[0], 30);
    EXPECT_NEAR(e.major[0], -0.4f + 0.08f, 1e-5f);

    char s[32];
    telescope_zoom_text(s, 0.01f * 0.785f, 0.785f);
    EXPECT_STREQ(s, "X 100.0");
    telescope_zoom_text(s, 0.785f, 0.785f);
    EXPECT_STREQ(s, "X 1.0");
    telescope_elevation_text(s, 0.0f);
    EXPECT_STREQ(s, "- 000.0");
    telescope_elevation_text(s, 12.3f);
    EXPECT_STREQ(s, "+ 012.3");
    telescope_bearing_text(s, -90.0f);
    EXPECT_STREQ(s, "270.0");
}

class views_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        root->init();
        root->kind = window_kind::menu_bar;  // a run: dialogs stay open beside each other
        overlay = std::make_unique<overlay_setup>(640, 480, false);
        g_scene = &world;
        world.viewer.world = mat_identity();
    }
    void TearDown() override {
        g_scene = nullptr;
        overlay.reset();
        gui_fixture::TearDown();
    }
    gui_rect* button(gui_window* w, const char* caption) const {
        for (int i = 0; i < w->rect_count; ++i) {
            gui_rect* r = w->rect(i);
            if (r->text && std::strcmp(r->text.get(), caption) == 0) return r;
        }
        return nullptr;
    }
    // The colour of the sight's one line list.
    std::uint32_t sight_colour() {
        overlay->device->clear_records();
        draw_telescope_view();
        for (const draw_record& d : overlay->device->draws()) {
            if (d.type != PT_LINELIST || d.vertices.size() < 16) continue;
            overlay_vertex v;
            std::memcpy(&v, d.vertices.data(), sizeof v);
            return v.color;
        }
        return 0;
    }
    std::unique_ptr<overlay_setup> overlay;
    scene world;
};

TEST_F(views_test, telescope_zooms_switches_night_vision_and_restores_the_view) {
    root->open_dialog(telescope_view_dialog);
    gui_window* w = root->find_dialog(telescope_view_dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(app->telescope_shown, 1);
    camera& c = world.viewer;
    gui_window* slider = w->child(0);
    ASSERT_NE(slider, nullptr);
    slider->set_slider_value(255.0f);
    w->current = 1;
    w->send(gui_event::child_scrolled);
    EXPECT_FLOAT_EQ(c.fov, 0.01f * c.normal_fov);
    // The slider follows a zoom made elsewhere.
    c.fov = 0.5f * c.normal_fov;
    w->send(gui_event::draw);
    EXPECT_NEAR(slider->slider_value(), 127.5f, 0.5f);

    click_rect(w, button(w, "Night Vis"));
    EXPECT_EQ(app->night_vision, 1);
    ASSERT_FALSE(log.sounds.empty());
    EXPECT_EQ(log.sounds.back(), 1);
    click_rect(w, button(w, "Night Vis"));
    EXPECT_EQ(app->night_vision, 0);
    click_rect(w, button(w, "Night Vis"));

    // Noon draws dark marks, night light ones.
    state->sky_light[1] = 1.0f;
    EXPECT_EQ(sight_colour(), 0xFF000000u);
    state->sky_light[1] = 0.0f;
    EXPECT_EQ(sight_colour(), 0xFFFFFFFFu);

    click_rect(w, button(w, "OFF"));
    root->update();
    EXPECT_EQ(w->visible, 0);
    EXPECT_EQ(app->night_vision, 0);
    EXPECT_EQ(app->telescope_shown, 0);
    EXPECT_FLOAT_EQ(c.fov, c.normal_fov);
}

// The sight's labels and hints keep every glyph, inside the sight's square, on screens from
// 640 x 480 to 1920 x 1080, where the fonts grow and the labels' boxes do not.
TEST_F(views_test, telescope_labels_stay_whole_at_every_screen_size) {
    world.viewer.world = mat_rotation_y(k_pi / 2);  // facing east
    int glyphs_at_640 = -1;
    for (const auto& size : {std::pair{640, 480}, std::pair{1024, 768}, std::pair{1920, 1080}}) {
        overlay_setup o(size.first, size.second);
        draw_telescope_view();
        const draw_record* text = nullptr;
        for (const draw_record& d : o.device->draws()) {
            if (d.type == PT_TRIANGLELIST && d.textures[0] != nullptr) text = &d;
        }
        ASSERT_NE(text, nullptr) << size.first;
        if (glyphs_at_640 < 0) glyphs_at_640 = text->primitive_count / 2;
        EXPECT_EQ(text->primitive_count / 2, glyphs_at_640) << size.first;
        float left = 1.0f, right = -1.0f;
        for (int i = 0; i < 3 * text->primitive_count; ++i) {
            font_vertex v;
            std::memcpy(&v, text->vertices.data() + i * sizeof v, sizeof v);
            left = std::min(left, v.x);
            right = std::max(right, v.x);
            EXPECT_TRUE(v.y >= -1.0f && v.y <= 1.0f) << size.first << " " << v.y;
        }
        EXPECT_GE(left, -1.0f) << size.first;
        EXPECT_LE(right, 1.0f) << size.first;
    }
    // The hints ("use mouse wheel to zoom", "Telescope View"), the bearing read-out "090.0",
    // the zoom "X 1.0", the elevation read-out "- 000.0" and the tapes' labels, blanks too.
    EXPECT_GE(glyphs_at_640, 23 + 14 + 5 + 5 + 7);
}

// The sight's frame is the square (-1, -1) .. (1, 1): in a 640 x 480 window, the window's
// edge. Each side runs through the middle of the outermost pixels of the square (a line on
// the edge between two pixels would fall outside the window on the left and at the bottom).
TEST_F(views_test, telescope_frame_lies_on_the_outermost_pixels_of_its_square) {
    overlay->device->clear_records();
    draw_telescope_view();
    int sides = 0;
    for (const draw_record& d : overlay->device->draws()) {
        if (d.type != PT_LINELIST) continue;
        const std::size_t n = d.vertices.size() / sizeof(overlay_vertex);
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            overlay_vertex a, b;
            std::memcpy(&a, d.vertices.data() + i * sizeof a, sizeof a);
            std::memcpy(&b, d.vertices.data() + (i + 1) * sizeof b, sizeof b);
            // Window pixels of a 640 x 480 screen (320 a unit across, 240 up).
            const float ax = (a.x + 1) * 320, bx = (b.x + 1) * 320, ay = (1 - a.y) * 240, by = (1 - b.y) * 240;
            const bool vertical = std::abs(ax - bx) < 1e-3f && std::abs(ay - by) > 400;
            const bool horizontal = std::abs(ay - by) < 1e-3f && std::abs(ax - bx) > 600;
            if (!vertical && !horizontal) continue;
            ++sides;
            const float at = vertical ? ax : ay, last = vertical ? 640.0f : 480.0f;
            EXPECT_TRUE(std::abs(at - 0.5f) < 1e-3f || std::abs(at - (last - 0.5f)) < 1e-3f)
                << (vertical ? "column " : "row ") << at;
        }
    }
    EXPECT_EQ(sides, 4);
}

// The sight's buttons hold their captions, measured in the program's own faces, at every
// screen size: the window is scaled to its place while its captions keep their pixel size.
TEST_F(views_test, telescope_buttons_hold_their_captions_at_every_screen_size) {
    for (const auto& size : {std::pair{640, 480}, std::pair{1024, 768}, std::pair{1920, 1080}}) {
        overlay_setup o(size.first, size.second);
        overlay_painter faces(o.overlay.get());
        set_painter(&faces);
        set_viewport(size.first, size.second);
        gui_scale[0] = static_cast<float>(size.first) / 640.0f;
        gui_scale[1] = static_cast<float>(size.second) / 480.0f;
        root->open_dialog(telescope_view_dialog);
        gui_window* w = root->find_dialog(telescope_view_dialog);
        ASSERT_NE(w, nullptr);
        w->update_transforms();
        const float window_x = gui_scale[0] / w->text_scale_x, window_y = gui_scale[1] / w->text_scale_y;
        for (const char* caption : {"Night Vis", "OFF"}) {
            const gui_rect* r = button(w, caption);
            ASSERT_NE(r, nullptr) << caption;
            const gui_rect::text_fit fit = r->fitted_text(window_x, window_y);
            float extent[2] = {0, 0};
            ASSERT_TRUE(gui_text_size(&faces, fit.font, caption, extent));
            EXPECT_LE(extent[0] / window_x * fit.narrowing, r->x2 - r->x1) << caption << " " << size.first;
        }
        root->close_dialog(telescope_view_dialog);
        root->update();
        set_painter(&painter);
    }
    gui_scale[0] = gui_scale[1] = 1.0f;
}

TEST_F(views_test, flight_graph_keeps_its_channel_and_refreshes_every_200_ms) {
    graph_reset_samples();
    g_test_control = test_control_state{};
    state->now = 1000;
    root->open_dialog(flight_graph_dialog);
    gui_window* w = root->find_dialog(flight_graph_dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(app->graph_shown, 1);
    // Nothing sampled yet: the frame and grid alone.
    root->update();
    EXPECT_GT(g_graph.line_count, 0);
    EXPECT_EQ(g_graph.triangle_count, 0);
    click_rect(w, button(w, "Mach"));
    EXPECT_EQ(flight_graph_channel(), 4);
    EXPECT_EQ(g_graph.channel, 4);
    root->close_dialog(flight_graph_dialog);
    root->update();
    EXPECT_EQ(app->graph_shown, 0);
    root->open_dialog(flight_graph_dialog);
    w = root->find_dialog(flight_graph_dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(flight_graph_channel(), 4);

    // A target flight: the title follows at the next refresh, not before.
    state->now = 2000;
    root->update();
    g_test_control.graph_source = 2;
    const float a[8] = {0, 0, 0, 0, 0, 0, 0, 0}, b[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    graph_add_series_point(a, 1);
    graph_add_series_point(b, 1);
    state->now = 2100;
    root->update();
    EXPECT_STREQ(w->find_rect_by_kind(rect_kind::title_bar)->text.get(), "Graph of Missile Flight Path");
    EXPECT_EQ(g_graph.triangle_count, 0);
    state->now = 2200;
    root->update();
    EXPECT_STREQ(w->find_rect_by_kind(rect_kind::title_bar)->text.get(), "Graph of Target Flight Path");
    EXPECT_EQ(g_graph.triangle_count, 6);
}

}  // namespace

namespace {

// The five channel buttons stay whole when the font outgrows them, and a window drawn smaller
// than its units (fitted to a 640 x 480 screen) keeps its labels at the small font's size.
TEST_F(views_test, flight_graph_captions_fit_and_labels_keep_their_pixel_size) {
    graph_reset_samples();
    g_test_control = test_control_state{};
    state->now = 1000;
    root->open_dialog(flight_graph_dialog);
    gui_window* w = root->find_dialog(flight_graph_dialog);
    ASSERT_NE(w, nullptr);
    // A font of 1920 x 1080, its cells twice as wide: "Maneuver" in the regular font is 0.35
    // units, its button 0.2; it takes a smaller font or is narrowed to the room.
    painter.cell_w = 14;
    painter.small_cell_w = 10;
    for (const char* caption : {"Velocity", "Range", "Altitude", "Mach", "Maneuver"}) {
        SCOPED_TRACE(caption);
        const gui_rect* b = button(w, caption);
        ASSERT_NE(b, nullptr);
        const gui_rect::text_fit fit = b->fitted_text();
        float size[2] = {0, 0};
        ASSERT_TRUE(gui_text_size(&painter, fit.font, caption, size));
        EXPECT_LE(size[0] * fit.narrowing, b->x2 - b->x1);
    }
    painter.cell_w = 7;
    painter.small_cell_w = 5;

    // The window drawn at 0.8 of its size: a label's glyphs are as high on the screen as the
    // small font's cells, not 0.8 of them ("6.1" read "G.1" at 640 x 480).
    overlay_setup o(640, 480);
    w->local = mat_scaling(0.8f, 0.8f, 1.0f);
    const float a[8] = {0, 0, 0, 0, 0, 0, 0, 0}, b[8] = {6.1f, 300, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(a, 1);
    graph_add_series_point(b, 1);
    state->now = 1000000;  // past the next refresh whatever the tests before left
    root->update();
    o.device->set_transform(TS_WORLD, w->local);
    o.overlay->update_scale();
    o.device->clear_records();
    graph_render_with_labels();
    const draw_record* text = nullptr;
    for (const draw_record& d : o.device->draws()) {
        if (d.type == PT_TRIANGLELIST && d.textures[0] != nullptr) text = &d;
    }
    ASSERT_NE(text, nullptr);
    const int cell = o.overlay->font(FONT_SMALL)->pixel_height();
    ASSERT_GT(text->primitive_count, 0);
    for (int g = 0; g < text->primitive_count / 2; ++g) {
        float low = 1e9f, high = -1e9f;
        for (int i = 6 * g; i < 6 * g + 6; ++i) {
            font_vertex v;
            std::memcpy(&v, text->vertices.data() + i * sizeof v, sizeof v);
            low = std::min(low, v.y);
            high = std::max(high, v.y);
        }
        // Window units to pixels: the window's 0.8, then 240 pixels a unit.
        EXPECT_NEAR((high - low) * 0.8f * 240.0f, static_cast<float>(cell), 0.5f) << "glyph " << g;
    }
    graph_reset_samples();
}

}  // namespace
