// How the GUI draws: colour schemes, looks, fading, the GUI opacity, the caret, captions
// fitted to their boxes and the one font of a column of captions.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gui_fixture.h"
#include "platform/text.h"

namespace {

using gui_draw_test = gui_fixture;

TEST_F(gui_draw_test, an_unknown_colour_scheme_colours_as_the_first) {
    app->color_scheme = 0;
    gui_rect first;
    first.set(0, 0, 1, 1, rect_kind::title_bar);
    app->color_scheme = 42;
    gui_rect unknown;
    unknown.set(0, 0, 1, 1, rect_kind::title_bar);
    EXPECT_EQ(unknown.fill.r, first.fill.r);
    EXPECT_EQ(unknown.fill.g, first.fill.g);
    EXPECT_EQ(unknown.fill.b, first.fill.b);
    EXPECT_EQ(unknown.text_colour.r, first.text_colour.r);
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

// A tab shades from the line colour to the fill colour, both at the fill's alpha (a tab in a
// faded window or a see-through style fades as a whole, its line edge too).
TEST_F(gui_draw_test, a_tab_takes_the_fill_alpha_for_both_colours) {
    gui_window w;
    w.create(-1, -1, 1, 1, window_kind::panel);
    gui_rect* r = w.add_rect(0, 0, 0.5f, 0.1f, rect_kind::tab_button);
    r->fill.a = 96;
    r->line.a = 255;
    w.draw();
    ASSERT_EQ(painter.tab_lines.size(), 1u);
    const auto tabs = painter.find("tab");
    ASSERT_EQ(tabs.size(), 1u);
    EXPECT_EQ(painter.tab_lines[0] >> 24, 96u);
    EXPECT_EQ(painter.tab_lines[0] & 0xFFFFFFu,
              static_cast<std::uint32_t>((r->line.r << 16) | (r->line.g << 8) | r->line.b));
    EXPECT_EQ(tabs[0].substr(tabs[0].size() - 8, 2), "60") << tabs[0];  // the fill at 96 too
}

// A screen's panels drawn over its own drawing (a design preview) still lie under the lists
// and drop-downs placed on them: those would otherwise show through the panel's fill, dimmed.
TEST_F(gui_draw_test, lists_lie_over_the_panels_drawn_over_the_screen) {
    gui_window w;
    w.create(-1, -1, 1, 1, window_kind::panel);
    gui_rect* panel = w.add_rect(-0.5f, -0.5f, 0.5f, 0.5f, rect_kind::button);
    panel->set_text("panel");
    panel->over_custom = 1;
    gui_window* list = w.add_window();
    list->create(-0.4f, -0.4f, 0.4f, 0.4f, window_kind::panel);
    list->add_rect(-0.3f, -0.1f, 0.3f, 0.1f, rect_kind::button)->set_text("item");
    w.draw();
    const auto& calls = painter.calls;
    const auto at = [&](const char* text) {
        const auto it = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) {
            return c.rfind("text ", 0) == 0 && c.size() >= std::strlen(text) &&
                   c.compare(c.size() - std::strlen(text), std::string::npos, text) == 0;
        });
        return it - calls.begin();
    };
    ASSERT_LT(at("panel"), static_cast<long>(calls.size()));
    ASSERT_LT(at("item"), static_cast<long>(calls.size()));
    EXPECT_LT(at("panel"), at("item"));
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

namespace {

using gui_text_fit_test = gui_fixture;

// Draws a label of `text` in a box `width` GUI units wide; the texts drawn.
std::vector<recording_painter::text_box> squeezed(recording_painter& painter, const char* text, float width) {
    gui_window w;
    w.create(-1, -1, 1, 1, window_kind::panel);
    gui_rect* r = w.add_rect(0, 0, width, 0.05f, rect_kind::label);
    r->medium_font = 1;
    r->fit_text = 1;
    r->left_text = 1;
    r->set_text(text);
    painter.text_boxes.clear();
    w.draw();
    return painter.text_boxes;
}

}  // namespace

TEST_F(gui_text_fit_test, a_text_too_wide_even_in_the_small_font_is_drawn_whole_in_a_narrowed_face) {
    // 23 glyphs of 5 texels in the small font (115 texels, 0.359 GUI units). A narrowed face
    // measures its own line, rounded up to whole texels.
    const char* text = "Ignition Pressure (atm)";
    const float texel = 1.0f / 320.0f, margin = 0.03f;
    const auto face_drawn = [&](float room_texels) {
        const auto drawn = squeezed(painter, text, room_texels * texel + margin);
        EXPECT_EQ(drawn.size(), 1u) << room_texels;
        if (drawn.empty()) return -1;
        // Whole, at the GUI's text scale, batched with the other text.
        EXPECT_EQ(drawn[0].text, text);
        EXPECT_FLOAT_EQ(drawn[0].sx, 1.0f);
        EXPECT_TRUE(drawn[0].batched);
        EXPECT_EQ(gui_font::base_of(drawn[0].font), gui_font::small);
        return drawn[0].font;
    };
    // Room for 0.82 of it: 0.8 (92 texels).
    EXPECT_EQ(face_drawn(94), gui_font::narrowed(gui_font::small, 4));
    // Room for 0.9 of it (103.5 texels): the 0.9 face's line measures 104 texels and would
    // overrun it, so the 0.85 face is taken, measured as it draws.
    EXPECT_EQ(face_drawn(103.5f), gui_font::narrowed(gui_font::small, 3));
    EXPECT_EQ(face_drawn(104.1f), gui_font::narrowed(gui_font::small, 2));
    // Room for less than half: the narrowest face.
    EXPECT_EQ(face_drawn(46), gui_font::narrowed(gui_font::small, gui_font::k_narrowing_steps));
    // A text that fits keeps its own font.
    const auto fits = squeezed(painter, "Short", 0.3f);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].font, gui_font::medium);
}

namespace {

// A panel with a column of labels, a column of check boxes beside it and a label of its own;
// room in each for 15 glyphs of the medium font (7 texels) beside the check square.
class column_font_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        build();
    }
    void build() {
        w.clear();
        w.create(-1, -1, 1, 1, window_kind::panel);
        // 0.345 of room: 110 texels, 15 medium glyphs or 22 small ones.
        burn = caption(0.0f, 0.5f, 0.375f, rect_kind::label, "Burn Time (s)");
        chamber = caption(0.0f, 0.4f, 0.375f, rect_kind::label, "Chamber Diameter");
        loose = caption(0.5f, 0.5f, 0.875f, rect_kind::label, "Burn Time (s)");
        show_all = caption(0.0f, 0.2f, 0.445f, rect_kind::check_box, "Show all charges");
        in_motor = caption(0.0f, 0.1f, 0.445f, rect_kind::check_box, "Show in motor");
        // A column of graph buttons: "Maneuver Range" takes the small font, "Mach" with it.
        caption(-0.9f, 0.5f, -0.6f, rect_kind::button, "Mach");
        maneuver = caption(-0.9f, 0.4f, -0.6f, rect_kind::button, "Maneuver Range");
    }
    gui_rect* caption(float x1, float y1, float x2, int kind, const char* text) {
        gui_rect* r = w.add_rect(x1, y1, x2, y1 + 0.05f, kind);
        r->medium_font = 1;
        r->fit_text = 1;
        r->centred = 0;
        r->left_text = 1;
        r->set_text(text);
        return r;
    }
    // The font each caption was drawn in last, by its text ("Burn Time (s)" twice in order).
    std::vector<std::pair<std::string, int>> drawn_fonts() {
        painter.calls.clear();
        w.draw();
        std::vector<std::pair<std::string, int>> out;
        for (const std::string& c : painter.find("text ")) {
            int font = -1;
            unsigned flags = 0, colour = 0;
            int used = 0;
            if (std::sscanf(c.c_str(), "text %d %u %X %n", &font, &flags, &colour, &used) >= 3) {
                out.emplace_back(c.substr(static_cast<std::size_t>(used)), font);
            }
        }
        return out;
    }
    // Texts measured by one frame.
    int measured_by_a_frame() {
        const int before = painter.extents;
        w.draw();
        return painter.extents - before;
    }

    gui_window w;
    gui_rect* burn = nullptr;
    gui_rect* chamber = nullptr;
    gui_rect* loose = nullptr;
    gui_rect* show_all = nullptr;
    gui_rect* in_motor = nullptr;
    gui_rect* maneuver = nullptr;
};

// "Chamber Diameter" needs the small font (16 medium glyphs): "Burn Time (s)" under it takes
// the small font too, and so does the check box under "Show all charges"; the label of another
// column keeps its own medium font.
TEST_F(column_font_test, the_captions_of_a_column_share_the_smallest_font_any_of_them_takes) {
    const auto fonts = drawn_fonts();
    const std::vector<std::pair<std::string, int>> expected = {
        {"Burn Time (s)", gui_font::small},    {"Chamber Diameter", gui_font::small},
        {"Burn Time (s)", gui_font::medium},   {"Show all charges", gui_font::small},
        {"Show in motor", gui_font::small},    {"Mach", gui_font::small},
        {"Maneuver Range", gui_font::small},
    };
    EXPECT_EQ(fonts, expected);
    // Shortened, the caption fits again and the whole column goes back to the medium font.
    chamber->set_text("Chamber (cm)");
    show_all->set_text("Show all");
    maneuver->set_text("Range");
    for (const auto& f : drawn_fonts()) EXPECT_EQ(f.second, gui_font::medium) << f.first;
    // A hidden caption leaves its column: the one left keeps its own font.
    chamber->set_text("Chamber Diameter");
    chamber->visible = 0;
    for (const auto& f : drawn_fonts()) EXPECT_EQ(f.second, gui_font::medium) << f.first;
    // A column whose widest caption is narrowed even in the small font: all at the small font's
    // height, only that caption narrowed (in a narrowed face of the small font, whole); its
    // neighbour fits the small font and keeps its full width. The other column keeps its own.
    chamber->visible = 1;
    chamber->set_text("Chamber Diameter Of The Motor (cm)");
    const auto narrowed = drawn_fonts();
    ASSERT_EQ(narrowed.size(), 7u);
    EXPECT_EQ(narrowed[0], std::make_pair(std::string("Burn Time (s)"), static_cast<int>(gui_font::small)));
    EXPECT_EQ(narrowed[1].first, "Chamber Diameter Of The Motor (cm)");
    EXPECT_EQ(gui_font::base_of(narrowed[1].second), gui_font::small);
    EXPECT_LT(gui_font::width_of(narrowed[1].second), 1.0f);
    for (const auto& t : painter.text_boxes) EXPECT_FLOAT_EQ(t.sx, 1.0f) << t.text;
    EXPECT_EQ(burn->fitted_text().narrowing, 1.0f);
    EXPECT_EQ(painter.find("text 4 ").size(), 5u);  // "Burn Time (s)" apart, check boxes, buttons
}

// The column fonts are worked out when the captions or the screen change, not each frame: a
// frame that follows an unchanged one measures only what the elements measure to draw.
TEST_F(column_font_test, the_column_fonts_are_worked_out_again_only_after_a_change) {
    // The frame after a change measures more than the next two, which measure alike.
    const auto worked_out_once = [&](const char* after) {
        const int first = measured_by_a_frame();
        const int second = measured_by_a_frame();
        EXPECT_GT(first, second) << after;
        EXPECT_EQ(measured_by_a_frame(), second) << after;
        return first;
    };
    const int built = worked_out_once("the first frame");
    // A caption's new text, a moved box, a new screen size, a rebuilt window: worked out again.
    in_motor->set_text("Show in the motor");
    worked_out_once("a new text");
    burn->x2 = 0.5f;
    worked_out_once("a wider box");
    burn->x2 = 0.375f;
    in_motor->set_text("Show in motor");
    worked_out_once("the box and text as built");
    set_viewport(1024, 768);
    worked_out_once("a larger screen");
    set_viewport(640, 480);
    worked_out_once("the first screen size");
    // The same captions built anew start without their column's font.
    build();
    EXPECT_EQ(worked_out_once("a rebuilt window"), built);
    EXPECT_EQ(drawn_fonts().front().second, gui_font::small);
}

}  // namespace

namespace {

// The items of a list share one font as a column does: the smallest any of them takes, those
// scrolled out of sight included. Lists ten items high; one 0.345 wide leaves its items 0.185
// beside the tick (59 texels: 8 glyphs of the larger fonts, 11 of the small one), one 0.5 wide
// 110 texels (15 glyphs, or 22).
class list_font_test : public gui_fixture {
protected:
    void fill(const std::vector<std::string>& items, float wide, bool fixed, bool bold) {
        list.clear();
        list.create(-0.5f, -0.4f, -0.5f + wide, 0.4f, window_kind::list_box);
        for (const std::string& t : items) list.list_add_item(t.c_str());
        for (int k = 0; k < list.list_item_count(); ++k) list.list_item(k)->fixed_pitch = fixed ? 1 : 0;
        list.list_set_bold(bold);
    }
    // "Button_0" .. "Button_15" in the fixed font, as the joystick buttons page lists them.
    void fill_buttons() {
        std::vector<std::string> names;
        for (int i = 0; i < 16; ++i) names.push_back(format_string("Button_%d", i));
        fill(names, 0.345f, true, false);
    }
    // The fonts the shown items were drawn in, one each.
    std::vector<int> drawn_fonts() {
        painter.calls.clear();
        list.draw();
        std::vector<int> out;
        for (const std::string& c : painter.find("text ")) out.push_back(std::atoi(c.c_str() + 5));
        return out;
    }
    int measured_by_a_frame() {
        const int before = painter.extents;
        list.draw();
        return painter.extents - before;
    }

    gui_window list;
};

TEST_F(list_font_test, the_items_of_a_list_share_the_smallest_font_any_of_them_takes) {
    // "Button_0" .. "Button_9" fit in the fixed font and fill the list's height; "Button_10"
    // .. "Button_15", scrolled out of sight, need the small font, and the items shown take it
    // too, before and after scrolling to the end.
    fill_buttons();
    EXPECT_TRUE(list.list_item(9)->visible);
    EXPECT_FALSE(list.list_item(10)->visible);
    EXPECT_EQ(drawn_fonts(), std::vector<int>(10, gui_font::small));
    list.list_moving_up = 0;
    list.list_select(15);
    const std::vector<int> scrolled = drawn_fonts();
    EXPECT_GE(scrolled.size(), 9u);
    for (const int f : scrolled) EXPECT_EQ(f, gui_font::small);
    // Load Situation: "Kestrel Bay Defence" takes the small font, "Test Range" with it.
    const int small = gui_font::small, bold = gui_font::bold;
    fill({"Kestrel Bay Defence", "Test Range"}, 0.5f, false, false);
    EXPECT_EQ(drawn_fonts(), (std::vector<int>{small, small}));
    // The motor's charges in bold: "1) SLOTTED CYLINDER" takes the small font, and
    // "2) CIGAR BURN" with it rather than its own bold one.
    fill({"1) SLOTTED CYLINDER", "2) CIGAR BURN"}, 0.5f, false, true);
    EXPECT_EQ(drawn_fonts(), (std::vector<int>{small, small}));
    // The long item removed, the one left goes back to its own font.
    fill({"2) CIGAR BURN", "1) SLOTTED CYLINDER"}, 0.5f, false, true);
    EXPECT_EQ(drawn_fonts(), (std::vector<int>{small, small}));
    list.list_remove_last_item();
    EXPECT_EQ(drawn_fonts(), (std::vector<int>{bold}));
}

// The list's font is worked out when its items or the screen change, not each frame nor as
// the list scrolls: a frame that follows an unchanged one measures only the items it shows.
TEST_F(list_font_test, the_list_font_is_worked_out_again_only_after_a_change) {
    fill_buttons();
    // The texts measured by two frames in a row.
    const auto two_frames = [&] {
        const int first = measured_by_a_frame();
        return std::make_pair(first, measured_by_a_frame());
    };
    auto frames = two_frames();
    EXPECT_GT(frames.first, frames.second) << "the first frame";
    list.list_moving_up = 0;
    list.list_select(15);
    frames = two_frames();
    EXPECT_EQ(frames.first, frames.second) << "scrolled";
    list.list_add_item("Button_16");
    frames = two_frames();
    EXPECT_GT(frames.first, frames.second) << "a new item";
    set_viewport(1920, 1080);
    frames = two_frames();
    EXPECT_GT(frames.first, frames.second) << "a larger screen";
}

}  // namespace
