// How the GUI draws: colour schemes, looks, fading, the GUI opacity and the caret.
#include <cmath>

#include "gui_fixture.h"

namespace {

using gui_draw_test = gui_fixture;

TEST_F(gui_draw_test, scheme_colours_derive_hover_and_pressed_fills) {
    app->color_scheme = 0;
    gui_rect body;
    body.set(0, 0, 1, 1, rect_kind::body);
    EXPECT_EQ(body.fill.a, 225);
    EXPECT_EQ(body.hover_fill.r, 67);  // a light fill (195, 225, 255) darkens under the pointer
    EXPECT_EQ(body.hover_fill.g, 97);
    EXPECT_EQ(body.hover_fill.b, 127);
    EXPECT_EQ(body.pressed_fill.g, 255);
    app->color_scheme = 1;
    gui_rect title;
    title.set(0, 0, 1, 1, rect_kind::title_bar);
    EXPECT_EQ(title.fill.a, 205);
    EXPECT_EQ(title.hover_fill.r, 128);  // a dark fill (0, 56, 70) lightens
    EXPECT_EQ(title.hover_fill.g, 184);
    EXPECT_EQ(title.hover_fill.b, 198);
    EXPECT_EQ(title.pressed_fill.b, 134);
    // An unknown scheme colours as the first.
    app->color_scheme = 42;
    gui_rect b;
    b.set(0, 0, 1, 1, rect_kind::body);
    EXPECT_EQ(b.fill.r, 195);
}

TEST_F(gui_draw_test, every_scheme_gives_each_style_its_line_and_text_colour) {
    // One element kind of each style: body 0, title bar 1, button 2, list area 3, track 4 and
    // large button 7. Per scheme and style: line then text, B black or W white.
    const int kinds[6] = {rect_kind::body,      rect_kind::title_bar, rect_kind::button,
                          rect_kind::list_area, rect_kind::track,     rect_kind::large_button};
    const char* expected[7] = {
        "BB BW BB BB BB BW",  // Air Force: dark ink on light fills, white on the blue ones
        "WW BW WW BB WW WW",  // Navy Blue: the white field alone has dark ink
        "WW BW WW BB WW WW",  // Army Green
        "WW BW WW BB WW WW",  // Army Brown
        "WW BW WW WW WW WW",  // Dark Blue: white ink everywhere
        "WW BW WW WW WW WW",  // Dark Green
        "WW BW WW WW WW WW",  // Dark Grey
    };
    for (int scheme = 0; scheme < 7; ++scheme) {
        app->color_scheme = scheme;
        for (int i = 0; i < 6; ++i) {
            gui_rect r;
            r.set(0, 0, 1, 1, kinds[i]);
            const int line = expected[scheme][3 * i] == 'B' ? 0 : 255;
            const int text = expected[scheme][3 * i + 1] == 'B' ? 0 : 255;
            SCOPED_TRACE("scheme " + std::to_string(scheme) + ", kind " + std::to_string(kinds[i]));
            EXPECT_EQ(r.line.r, line);
            EXPECT_EQ(r.line.b, line);
            EXPECT_EQ(r.line.a, 255);
            EXPECT_EQ(r.text_colour.g, text);
            EXPECT_EQ(r.text_colour.a, 255);
            EXPECT_EQ(r.hover_text.r, 255 - text);
            EXPECT_EQ(r.hover_line.g, 255 - line);
        }
    }
}

TEST_F(gui_draw_test, a_ticked_toggle_draws_pressed) {
    gui_window w;
    w.create(-1, -1, 1, 1, window_kind::panel);
    gui_rect* r = w.add_rect(0, 0, 0.5f, 0.1f, rect_kind::button);
    r->toggle = 1;
    r->ticked = 1;
    w.draw();
    const auto bevels = painter.find("bevel");
    ASSERT_EQ(bevels.size(), 2u);
    EXPECT_EQ(bevels[1].rfind("bevel_sunken", 0), 0u);
}

TEST_F(gui_draw_test, auto_fade_holds_fades_and_skips) {
    gui_window w;
    w.create(-1, -1, 1, 1, window_kind::panel);
    w.auto_fade = 1;
    state->smoothed_step = 0.5f;
    w.draw();  // 0.5 s
    w.draw();  // 1.0 s
    EXPECT_FLOAT_EQ(w.alpha, 255.0f);
    w.draw();  // 1.5 s
    EXPECT_NEAR(w.alpha, 127.5f, 1e-3f);
    w.draw();  // 2.0 s
    painter.calls.clear();
    w.draw();  // 2.5 s: not drawn
    EXPECT_TRUE(painter.calls.empty());
    w.hovered_rect = 1;
    w.draw();
    EXPECT_FLOAT_EQ(w.alpha, 255.0f);
}

TEST_F(gui_draw_test, opacity_applies_to_framed_windows_only) {
    gui_opacity = clamp_opacity(128);
    root->create(-1, -1, 1, 1, window_kind::panel);
    root->uses_opacity = 0;
    gui_window* d = root->add_window();
    d->create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::titled_window);
    d->callback = [](gui_window*, int) { return 0; };
    root->render();
    const auto fills = painter.find("fill");
    ASSERT_GE(fills.size(), 2u);
    EXPECT_NE(fills[0].find(" E1C3E1FF"), std::string::npos);  // the panel: its own 225
    EXPECT_NE(fills[1].find(" 80C3E1FF"), std::string::npos);  // the dialog: 128
}

TEST_F(gui_draw_test, transparency_setting_defaults_to_opaque_and_is_clamped) {
    EXPECT_FLOAT_EQ(clamp_opacity(300), 255.0f);
    EXPECT_FLOAT_EQ(clamp_opacity(-4), 0.0f);
    EXPECT_FLOAT_EQ(clamp_opacity(std::nanf("")), 255.0f);
    EXPECT_FLOAT_EQ(clamp_opacity(64), 64.0f);
}

TEST_F(gui_draw_test, the_caret_shows_in_the_second_half_of_each_second) {
    root->create(-1, -1, 1, 1, window_kind::panel);
    gui_rect* field = root->add_rect(-0.5f, 0, 0.5f, 0.1f, rect_kind::edit_field);
    field->set_text("abc");
    click_rect(root.get(), field);
    root->selected = root->index_of(field) + 1;
    state->smoothed_step = 0.25f;
    std::vector<std::string> shown;
    for (int i = 0; i < 4; ++i) {
        painter.calls.clear();
        root->render();
        const auto texts = painter.find("text");
        ASSERT_FALSE(texts.empty());
        shown.push_back(texts.back().substr(texts.back().rfind(' ') + 1));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"abc", "abc", "abc_", "abc_"}));
    painter.calls.clear();
    root->render();
    EXPECT_EQ(painter.find("text").back().substr(painter.find("text").back().rfind(' ') + 1), "abc");
}

TEST_F(gui_draw_test, nothing_is_drawn_while_the_display_flag_is_clear) {
    root->create(-1, -1, 1, 1, window_kind::panel);
    root->display = 0;
    root->render();
    EXPECT_TRUE(painter.calls.empty());
}

}  // namespace
