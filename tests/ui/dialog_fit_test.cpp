// Dialogs fitted to the window at 640 x 480, 1024 x 768 and 1920 x 1080; the in-run
// drop-down menus open over them.
#include <algorithm>
#include <cstring>
#include <string>

#include "core/sound_system.h"
#include "gui_fixture.h"
#include "overlay_fixture.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"
#include "tests/support/temp_folder.h"
#include "ui/message_box.h"
#include "ui/screens.h"

namespace {

// The box the drawn elements of a dialog cover on the screen (root units): its visible
// elements but the resize corners and edges, which only take the pointer.
struct screen_box {
    float x1 = 1e9f, y1 = 1e9f, x2 = -1e9f, y2 = -1e9f;
};

screen_box on_screen(const gui_window& w) {
    screen_box b;
    for (int i = 0; i < w.rect_count; ++i) {
        const gui_rect* r = w.rect(i);
        if (!r->visible || (r->kind >= rect_kind::corner_upper_left && r->kind <= rect_kind::edge_top)) continue;
        for (const float x : {r->x1, r->x2}) {
            for (const float y : {r->y1, r->y2}) {
                const vec3 p = transform_coord(vec3{x, y, 0}, w.local);
                b.x1 = std::min(b.x1, p.x);
                b.x2 = std::max(b.x2, p.x);
                b.y1 = std::min(b.y1, p.y);
                b.y2 = std::max(b.y2, p.y);
            }
        }
    }
    return b;
}

// Whether the box lies within +-x, +-y.
void expect_within(const screen_box& b, float x, float y, const char* name = "") {
    EXPECT_GE(b.x1, -x - 1e-4f) << name;
    EXPECT_LE(b.x2, x + 1e-4f) << name;
    EXPECT_GE(b.y1, -y - 1e-4f) << name;
    EXPECT_LE(b.y2, y + 1e-4f) << name;
}

// The screen y of the middle of a dialog's tab row (its first tab button).
float tab_row_y(const gui_window& w) {
    const gui_rect* tab = w.find_rect_by_kind(rect_kind::tab_button);
    if (tab == nullptr) return -1e9f;
    return transform_coord(vec3{0, (tab->y1 + tab->y2) / 2, 0}, w.local).y;
}

struct size_case {
    int width, height;
};

class dialog_fit_test : public gui_fixture, public ::testing::WithParamInterface<size_case> {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        g_sound = &sound;  // never opened: the sound page shows its controls without a device
        g_joystick = &joy;
        set_viewport(GetParam().width, GetParam().height);
        root->init();
    }
    void TearDown() override {
        root.reset();
        g_sound = nullptr;
        g_joystick = nullptr;
        gui_fixture::TearDown();
    }
    gui_window* run_command(int command, gui_callback cb) {
        pending_command = command;
        root->update();
        return root->find_dialog(cb);
    }
    // Inside the window with the fitting's margin of 0.02, scaled alike both ways.
    static void expect_inside(const gui_window& w, const char* name) {
        expect_within(on_screen(w), gui_scale[0] - 0.02f, gui_scale[1] - 0.02f, name);
        EXPECT_FLOAT_EQ(w.local.m[0][0], w.local.m[1][1]) << name;
    }

    sound_system sound;
    joystick_input joy;
};

struct opened {
    int command;
    gui_callback cb;
    const char* name;
};

const opened k_dialogs[] = {
    {5, video_dialog, "video"},
    {6, sound_dialog, "sound"},
    {7, joystick_dialog, "joystick"},
    {8, joystick_buttons_dialog, "buttons"},
    {9, weather_dialog, "graphics"},
    {10, keys_dialog, "keys"},
    {11, about_dialog, "about"},
    {12, run_scenario_dialog, "run scenario"},
    {24, tips_dialog, "tips"},
};

TEST_P(dialog_fit_test, every_dialog_of_the_menus_lies_inside_the_window) {
    const bool small = GetParam().height < 768;
    float settings_tabs = 0;
    for (const opened& d : k_dialogs) {
        gui_window* w = run_command(d.command, d.cb);
        ASSERT_NE(w, nullptr) << d.name;
        ASSERT_TRUE(w->visible) << d.name;
        expect_inside(*w, d.name);
        if (!small) {
            EXPECT_FLOAT_EQ(w->local.m[0][0], 1.0f) << d.name;  // room enough
        }
        if (d.cb == video_dialog) settings_tabs = tab_row_y(*w);
        // The settings pages' tab row stays put (a small window scales the taller joystick
        // page further, its row still at the bottom).
        if (d.command <= 9) {
            EXPECT_NEAR(tab_row_y(*w), settings_tabs, small ? 0.03f : 1e-4f) << d.name;
        }
    }
    root->open_dialog(quit_dialog);
    gui_window* quit = root->find_dialog(quit_dialog);
    ASSERT_NE(quit, nullptr);
    expect_inside(*quit, "quit");
    // The quit question grows with the fonts past 1024 x 768, as the message box does.
    EXPECT_FLOAT_EQ(quit->local.m[0][0], std::max(1.0f, std::min(gui_scale[0], gui_scale[1]) / 1.6f));
}

// A check box's caption too long takes a smaller font, or is narrowed to the room left; the
// check boxes of a column share the smallest font any of them takes.
TEST_P(dialog_fit_test, check_box_captions_keep_beside_their_squares) {
    for (const opened& d : {k_dialogs[2], k_dialogs[4]}) {
        gui_window* w = run_command(d.command, d.cb);
        ASSERT_NE(w, nullptr) << d.name;
        const float scale = w->local.m[0][0];
        for (int i = 0; i < w->rect_count; ++i) {
            const gui_rect* r = w->rect(i);
            if (r->kind != rect_kind::check_box || !r->text || r->text[0] == '\0') continue;
            const gui_rect::text_fit fit = r->fitted_text(scale, scale);
            float size[2] = {0, 0};
            ASSERT_TRUE(gui_text_size(&painter, fit.font, r->text.get(), size));
            const float width = size[0] / scale * fit.narrowing;
            EXPECT_LE(width, (r->x2 - r->x1) - 0.07f) << d.name << ": " << r->text.get();
        }
        // Once drawn, a column of check boxes shows its captions in one font.
        w->draw();
        for (int i = 0; i < w->rect_count; ++i) {
            const gui_rect* r = w->rect(i);
            if (r->kind != rect_kind::check_box || !r->text) continue;
            for (int j = 0; j < w->rect_count; ++j) {
                const gui_rect* o = w->rect(j);
                if (o->kind != rect_kind::check_box || !o->text || o->x1 != r->x1 || o->x2 != r->x2) continue;
                EXPECT_EQ(r->fitted_text(scale, scale).font, o->fitted_text(scale, scale).font)
                    << d.name << ": " << r->text.get() << " / " << o->text.get();
            }
        }
    }
}

TEST_P(dialog_fit_test, the_pages_that_reach_past_a_small_window_are_scaled_about_their_centre) {
    gui_window* video = run_command(5, video_dialog);
    ASSERT_NE(video, nullptr);
    const screen_box b = on_screen(*video);
    if (GetParam().height > 480) {
        EXPECT_FLOAT_EQ(video->local.m[3][1], 0.0f);
        return;
    }
    // The page draws over -1.1 .. 1.08 with its tab row and title bar: 2.18 into 2 - 2 x 0.02.
    EXPECT_NEAR(video->local.m[0][0], 1.96f / 2.18f, 1e-4f);
    EXPECT_NEAR(b.y2, 0.98f, 1e-4f);
    EXPECT_NEAR(b.y1, -0.98f, 1e-4f);
    EXPECT_NEAR((b.x1 + b.x2) / 2, 0.0f, 1e-4f);
    // Its tabs still switch pages where they are drawn.
    click_rect(video, video->rect(video->rect_count - 4));  // "Sound"
    root->update();
    gui_window* sound_page = root->find_dialog(sound_dialog);
    ASSERT_NE(sound_page, nullptr);
    EXPECT_TRUE(sound_page->visible);
}

// The help pages scroll their whole text into view, in a page fitted into a small window too,
// where the text keeps its pixel size and so covers more of the page's own units.
TEST_P(dialog_fit_test, the_help_pages_scroll_to_the_ends_of_their_texts) {
    // The about text's longest line (76 letters) a little narrower than its area on the
    // screen's scale, and wider than it in the page fitted into 640 x 480.
    painter.cell_w = 5;
    for (const opened& d : {k_dialogs[5], k_dialogs[6]}) {
        gui_window* w = run_command(d.command, d.cb);
        ASSERT_NE(w, nullptr) << d.name;
        gui_window* box = w->child(0);
        ASSERT_NE(box, nullptr) << d.name;
        gui_rect* area = box->find_rect_by_kind(rect_kind::text_area);
        ASSERT_TRUE(area != nullptr && area->text && area->text[0] != '\0') << d.name;
        // The text's size in the page's own units, from its pixel extent.
        int size[2] = {0, 0};
        ASSERT_TRUE(painter.text_extent(area->fixed_pitch ? gui_font::fixed : gui_font::regular, area->text.get(), size));
        const float text_w = 2 * gui_scale[0] * static_cast<float>(size[0]) / static_cast<float>(log.viewport_w) / w->local.m[0][0];
        const float text_h = 2 * gui_scale[1] * static_cast<float>(size[1]) / static_cast<float>(log.viewport_h) / w->local.m[1][1];
        const int lines = box->lines, columns = box->columns;
        for (int i = 0; i < lines + 2; ++i) click_rect(box, box->find_rect_by_kind(rect_kind::down_arrow));
        for (int i = 0; i < columns + 2; ++i) click_rect(box, box->find_rect_by_kind(rect_kind::right_arrow));
        // At the ends the last line lies above the area's bottom and the longest line's end
        // left of its right edge; a text larger than its area has moved.
        EXPECT_GE(area->y2 + area->offset_y - text_h, area->y1 - 1e-4f) << d.name;
        EXPECT_LE(area->x1 + area->offset_x + text_w, area->x2 + 1e-4f) << d.name;
        if (text_h > area->y2 - area->y1) {
            EXPECT_GT(area->offset_y, 0.0f) << d.name;
        }
        if (text_w > area->x2 - area->x1) {
            EXPECT_LT(area->offset_x, 0.0f) << d.name;
        }
        if (GetParam().width == 640 && d.cb == about_dialog) {
            EXPECT_GT(text_w, area->x2 - area->x1) << d.name << ": the about page's case is lost";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(window_sizes, dialog_fit_test,
                         ::testing::Values(size_case{640, 480}, size_case{1024, 768}, size_case{1920, 1080}));

// A run at 640 x 480, 1024 x 768 and 1920 x 1080, in test mode (its test control window
// along the bottom).
class run_fit_test : public gui_fixture, public ::testing::WithParamInterface<size_case> {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        set_viewport(GetParam().width, GetParam().height);
        root->init();
        g_scene = &world;
        state->test_mode = 1;
        pending_command = 1;
        root->update();
    }
    void TearDown() override {
        root.reset();
        g_scene = nullptr;
        gui_fixture::TearDown();
    }
    gui_window* open(gui_callback cb) {
        root->open_dialog(cb);
        return root->find_dialog(cb);
    }
    static bool unmoved(const gui_window& w) {
        const mat4 identity = mat_identity();
        return std::memcmp(&identity, &w.local, sizeof identity) == 0;
    }

    temp_folder tmp;
    scene world;
};

// The telescope's sight is drawn over the screen's square: its centre is where the camera
// looks, and at 640 x 480 its frame is the window's edge. It, the test control window and the
// framed views wherever they lie within the window keep their place and size.
TEST_P(run_fit_test, the_views_over_the_screens_square_keep_their_place) {
    ASSERT_EQ(root->kind, window_kind::menu_bar);
    gui_window* control = root->find_dialog(test_control_dialog);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(unmoved(*control));
    EXPECT_FLOAT_EQ(control->box_x1, -gui_scale[0]);
    EXPECT_FLOAT_EQ(control->box_y1, -gui_scale[1]);

    gui_window* telescope = open(telescope_view_dialog);
    ASSERT_NE(telescope, nullptr);
    EXPECT_TRUE(unmoved(*telescope)) << "scaled " << telescope->local.m[0][0] << ", moved "
                                     << telescope->local.m[3][0] << " " << telescope->local.m[3][1];
    // Its buttons reach the square's corners, (0.8, -1) .. (1, 1).
    const screen_box b = on_screen(*telescope);
    EXPECT_FLOAT_EQ(b.x2, 1.0f);
    EXPECT_FLOAT_EQ(b.y1, -1.0f);
    EXPECT_FLOAT_EQ(b.y2, 1.0f);
    // Shown again, it is still in place.
    root->toggle_dialog(telescope_view_dialog);
    root->toggle_dialog(telescope_view_dialog);
    EXPECT_TRUE(unmoved(*telescope));

    for (const gui_callback cb : {radar_view_dialog, flight_graph_dialog}) {
        gui_window* w = open(cb);
        ASSERT_NE(w, nullptr);
        const screen_box drawn = on_screen(*w);
        if (GetParam().height > 480) {
            EXPECT_TRUE(unmoved(*w)) << (cb == radar_view_dialog ? "radar" : "graph");
        } else {
            // Too large for the window: its title bar and buttons are brought inside.
            expect_within(drawn, 0.98f, 0.98f, cb == radar_view_dialog ? "radar" : "graph");
        }
    }
}

// A dialog whose drawing lies within the window keeps its box exactly, during a run under the
// menu bar's titles too.
TEST_P(run_fit_test, a_dialog_that_fits_keeps_its_box) {
    gui_window* save = open(save_situation_dialog);
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(unmoved(*save)) << "scaled " << save->local.m[0][0] << ", moved " << save->local.m[3][0] << " "
                                << save->local.m[3][1];
    const screen_box b = on_screen(*save);
    EXPECT_FLOAT_EQ(b.x1, -0.6f);
    EXPECT_FLOAT_EQ(b.y1, -1.0f);
    EXPECT_FLOAT_EQ(b.x2, 0.6f);
    EXPECT_FLOAT_EQ(b.y2, 1.0f);
}

INSTANTIATE_TEST_SUITE_P(window_sizes, run_fit_test,
                         ::testing::Values(size_case{640, 480}, size_case{1024, 768}, size_case{1920, 1080}));

// The radar view, larger than a 640 x 480 window, is fitted so its close button can be reached.
class radar_fit_test : public gui_fixture {
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
    std::unique_ptr<overlay_setup> overlay;
    scene world;
};

TEST_F(radar_fit_test, the_radar_view_keeps_its_title_bar_and_close_button_in_the_window) {
    root->open_dialog(radar_view_dialog);
    gui_window* w = root->find_dialog(radar_view_dialog);
    ASSERT_NE(w, nullptr);
    expect_within(on_screen(*w), 0.98f, 0.98f);
    gui_rect* close = w->find_rect_by_kind(rect_kind::close_button);
    ASSERT_NE(close, nullptr);
    click_rect(w, close);
    EXPECT_FALSE(w->visible);
}

int tall_dialog(gui_window* w, int event) {
    if (event == gui_event::build) {
        w->create(-0.5f, -1.3f, 0.5f, 1.5f, window_kind::resizable_window);
        w->add_rect(-0.4f, -1.4f, 0.4f, -1.3f, rect_kind::tab_button)->set_text("Tab");
    }
    return 0;
}

int small_dialog(gui_window* w, int event) {
    if (event == gui_event::build) w->create(-0.3f, -0.3f, 0.3f, 0.3f, window_kind::titled_window);
    return 0;
}

class fit_rule_test : public gui_fixture {};

// Opens `cb` over a root of `kind` covering y1 .. 1.
gui_window* open_over(gui_window& root, int kind, float y1, gui_callback cb) {
    root.create(-1, y1, 1, 1, kind);
    root.open_dialog(cb);
    return root.find_dialog(cb);
}

TEST_F(fit_rule_test, a_dialog_that_fits_keeps_its_box_and_fitting_is_stable) {
    gui_window* w = open_over(*root, window_kind::panel, -1, small_dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_FLOAT_EQ(w->local.m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(w->local.m[3][0], 0.0f);
    EXPECT_FLOAT_EQ(w->local.m[3][1], 0.0f);

    root->open_dialog(tall_dialog);
    w = root->find_dialog(tall_dialog);
    ASSERT_NE(w, nullptr);
    const screen_box b = on_screen(*w);
    // 2.9 high (the tab row included, the resize edges not) into 1.96.
    EXPECT_NEAR(w->local.m[0][0], 1.96f / 2.9f, 1e-4f);
    EXPECT_NEAR(b.y2, 0.98f, 1e-4f);
    EXPECT_NEAR(b.y1, -0.98f, 1e-4f);
    const mat4 fitted = w->local;
    w->fit_on_screen();
    EXPECT_EQ(std::memcmp(&fitted, &w->local, sizeof fitted), 0);
    // Maximised and back to its own size, it is fitted again.
    gui_rect* maximise = w->find_rect_by_kind(rect_kind::maximise_button);
    ASSERT_NE(maximise, nullptr);
    click_rect(w, maximise);
    click_rect(w, maximise);
    expect_within(on_screen(*w), 0.98f, 0.98f);
}

TEST_F(fit_rule_test, during_a_run_a_dialog_keeps_below_the_menu_titles) {
    gui_window* w = open_over(*root, window_kind::menu_bar, 0.6f, tall_dialog);
    ASSERT_NE(w, nullptr);
    const screen_box b = on_screen(*w);
    // The titles' row is 0.08 high: the room runs from -0.98 to 0.9.
    EXPECT_NEAR(b.y2, 0.9f, 1e-4f);
    EXPECT_NEAR(b.y1, -0.98f, 1e-4f);
    EXPECT_NEAR(w->local.m[0][0], 1.88f / 2.9f, 1e-4f);
}

int full_height_dialog(gui_window* w, int event) {
    if (event == gui_event::build) w->create(-0.6f, -1.0f, 0.6f, 1.0f, window_kind::resizable_window);
    return 0;
}

TEST_F(fit_rule_test, a_dialog_within_the_window_keeps_its_box_in_the_margin_and_under_the_titles) {
    for (const int kind : {window_kind::panel, window_kind::menu_bar}) {
        gui_window* w = open_over(*root, kind, 0.6f, full_height_dialog);
        ASSERT_NE(w, nullptr);
        EXPECT_FLOAT_EQ(w->local.m[0][0], 1.0f) << kind;
        EXPECT_FLOAT_EQ(w->local.m[1][1], 1.0f) << kind;
        EXPECT_FLOAT_EQ(w->local.m[3][0], 0.0f) << kind;
        EXPECT_FLOAT_EQ(w->local.m[3][1], 0.0f) << kind;
        // A pixel lower, it reaches past the window and is brought inside with the margin.
        w->set_position(0.0f, -0.01f);
        root->toggle_dialog(full_height_dialog);
        root->toggle_dialog(full_height_dialog);
        EXPECT_NEAR(on_screen(*w).y1, -0.98f, 1e-4f) << kind;
        root->close_dialog(full_height_dialog);
    }
}

TEST_F(fit_rule_test, a_dialog_dragged_past_the_edge_comes_back_in_when_shown_again) {
    gui_window* w = open_over(*root, window_kind::menu_bar, -1, small_dialog);
    ASSERT_NE(w, nullptr);
    w->set_position(0.9f, 0.0f);  // half of it past the right edge
    root->toggle_dialog(small_dialog);
    root->toggle_dialog(small_dialog);
    EXPECT_NEAR(on_screen(*w).x2, 0.98f, 1e-4f);
    EXPECT_FLOAT_EQ(w->local.m[0][0], 1.0f);
}

// A drop-down menu opened over a later dialog is drawn after it and takes the click.
int g_menu_clicks = 0;
int counting_menu(gui_window* w, int event) {
    if (event == gui_event::click && w->pressed_rect() != nullptr &&
        w->pressed_rect()->kind == rect_kind::menu_entry) {
        ++g_menu_clicks;
    }
    return 0;
}

int g_dialog_clicks = 0;
int covering_dialog(gui_window* w, int event) {
    if (event == gui_event::build) {
        w->create(-0.9f, -0.9f, 0.9f, 0.9f, window_kind::titled_window);
        w->add_rect(-0.8f, -0.8f, 0.8f, 0.7f, rect_kind::button)->set_text("Under");
    }
    if (event == gui_event::click) ++g_dialog_clicks;
    return 0;
}

TEST_F(fit_rule_test, drop_down_menus_open_over_the_dialogs) {
    root->create(-1, 0.6f, 1, 1, window_kind::menu_bar);
    gui_window* menu = root->add_menu("Help", counting_menu);
    ASSERT_NE(menu, nullptr);
    for (const char* item : {"Keys", "Manual", "Tips", "About"}) menu->add_menu_item(item);
    root->open_dialog(covering_dialog);
    g_menu_clicks = g_dialog_clicks = 0;
    // Over the title, then down onto the last entry, which lies over the dialog's button.
    move(px(-0.75f), py(0.96f));
    move(px(-0.75f), py(0.64f));
    painter.calls.clear();
    root->render();
    const auto texts = painter.find("text ");
    const auto at = [&](const char* t) {
        return std::find_if(texts.begin(), texts.end(), [t](const std::string& s) { return s.find(t) != std::string::npos; });
    };
    ASSERT_NE(at("About"), texts.end());
    ASSERT_NE(at("Under"), texts.end());
    EXPECT_LT(at("Under"), at("About")) << "the menu is drawn under the dialog";
    click(px(-0.75f), py(0.64f));
    EXPECT_EQ(g_menu_clicks, 1);
    EXPECT_EQ(g_dialog_clicks, 0);
}

}  // namespace
