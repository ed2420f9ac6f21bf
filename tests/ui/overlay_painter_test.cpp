// The GUI drawn through the overlay: the render states of the GUI pass and their restoration
// on a recording device, and what reaches the pixels of the main menu and the quit question
// on the OpenGL device.
#include <gtest/gtest.h>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "gl_overlay.h"
#include "overlay_fixture.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/overlay_painter.h"
#include "ui/screens.h"

namespace {

void vga(int* w, int* h) {
    *w = 640;
    *h = 480;
}

struct gui_on_device : ::testing::Test {
    overlay_setup setup{640, 480};
    d3d_app app;
    app_state state;
    std::unique_ptr<overlay_painter> painter;
    std::unique_ptr<gui> root;

    void SetUp() override {
        register_embedded_resources();
        g_app = &app;
        g_state = &state;
        copy_text(app.title, "Ventrask");
        app.use_tips = 0;
        app.color_scheme = 1;
        gui_opacity = 255;
        pending_command = 0;
        ui_hooks() = gui_hooks{};
        ui_hooks().viewport_size = vga;
        painter = std::make_unique<overlay_painter>(setup.overlay.get());
        set_painter(painter.get());
        root = std::make_unique<gui>();
        g_gui = root.get();
        root->init();
        setup.device->clear_records();
    }
    void TearDown() override {
        root.reset();
        flush_closed_windows();
        set_painter(nullptr);
        ui_hooks() = gui_hooks{};
        g_state = nullptr;
        g_app = nullptr;
    }
};

TEST_F(gui_on_device, the_pass_draws_flat_and_restores_the_scene_states) {
    gfx_device& d = *setup.device;
    app.wireframe = 1;
    app.front_cull = CULL_CCW;
    d.set_render_state(RS_FILLMODE, FILL_WIREFRAME);
    root->render();
    ASSERT_FALSE(setup.device->draws().empty());
    for (const draw_record& r : setup.device->draws()) {
        EXPECT_EQ(r.state.render[RS_CULLMODE], static_cast<std::uint32_t>(CULL_NONE));
        EXPECT_EQ(r.state.render[RS_ZENABLE], 0u);
        EXPECT_EQ(r.state.render[RS_LIGHTING], 0u);
        EXPECT_EQ(r.state.render[RS_FILLMODE], static_cast<std::uint32_t>(FILL_SOLID));
    }
    EXPECT_EQ(d.render_state(RS_CULLMODE), static_cast<std::uint32_t>(CULL_CCW));
    EXPECT_EQ(d.render_state(RS_ZENABLE), 1u);
    EXPECT_EQ(d.render_state(RS_LIGHTING), 1u);
    EXPECT_EQ(d.render_state(RS_FOGENABLE), 1u);
    EXPECT_EQ(d.render_state(RS_FILLMODE), static_cast<std::uint32_t>(FILL_WIREFRAME));
}

// A column of captions at 640 x 480, where every font is at its 12-pixel floor: the two too
// wide even for the small font are drawn in narrowed faces of it, each face's captions in one
// draw of the batch, point sampled as all batched text; their neighbour "Time (ms)" fits and
// is drawn in the small font itself, at its full width.
TEST_F(gui_on_device, narrowed_captions_are_batched_in_faces_of_their_own) {
    gui_window w;
    w.create(-1, -1, 1, 1, window_kind::panel);
    const char* captions[] = {"Time (ms)", "Chamber Length 4000 refused: at least 80.50", "Ignition Pressure (atm)"};
    for (int i = 0; i < 3; ++i) {
        gui_rect* r = w.add_rect(-0.9f, 0.5f - 0.1f * i, -0.55f, 0.55f - 0.1f * i, rect_kind::label);
        r->medium_font = 1;
        r->fit_text = 1;
        r->left_text = 1;
        r->set_text(captions[i]);
    }
    w.draw();  // the column's font is worked out with the first frame
    setup.device->clear_records();
    w.draw();
    EXPECT_EQ(w.rect(1)->fitted_text().face, gui_font::small);
    EXPECT_EQ(w.rect(1)->fitted_text().narrowing, 1.0f);
    const gui_rect::text_fit long_fit = w.rect(2)->fitted_text(), medium_fit = w.rect(3)->fitted_text();
    EXPECT_LT(long_fit.narrowing, medium_fit.narrowing);
    EXPECT_EQ(gui_font::base_of(long_fit.face), gui_font::small);
    EXPECT_EQ(gui_font::base_of(medium_fit.face), gui_font::small);
    const d3d_font* small = setup.overlay->font(FONT_SMALL);
    const d3d_font* faces[2] = {setup.overlay->made_font(FONT_SMALL, gui_font::step_of(long_fit.face)),
                                setup.overlay->made_font(FONT_SMALL, gui_font::step_of(medium_fit.face))};
    ASSERT_NE(faces[0], nullptr);
    ASSERT_NE(faces[1], nullptr);
    // The glyphs drawn with each texture (spaces too): "Time (ms)" in the small font, each
    // narrowed caption in its face, all in one draw a face.
    const auto glyphs_drawn = [&](const d3d_font* f, int* draws) {
        int glyphs = 0;
        *draws = 0;
        for (const draw_record& r : setup.device->draws()) {
            if (r.textures[0] != f->texture()) continue;
            ++*draws;
            glyphs += r.primitive_count / 2;
            EXPECT_EQ(r.state.sampler[0][SAMP_MAGFILTER], static_cast<std::uint32_t>(TEXF_POINT));
        }
        return glyphs;
    };
    int draws = 0;
    EXPECT_EQ(glyphs_drawn(small, &draws), 9);
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(glyphs_drawn(faces[0], &draws), 43);
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(glyphs_drawn(faces[1], &draws), 23);
    EXPECT_EQ(draws, 1);
}

// The same GUI drawn by the OpenGL device, read back.
TEST(gui_on_gl, main_menu_and_quit_question_reach_the_pixels) {
    gl_overlay g;
    if (!g.start(640, 480)) GTEST_SKIP() << "no OpenGL";
    register_embedded_resources();
    d3d_app app;
    app_state state;
    g_app = &app;
    g_state = &state;
    copy_text(app.title, "Ventrask");
    app.use_tips = 0;
    app.color_scheme = 1;
    gui_opacity = 255;
    ui_hooks() = gui_hooks{};
    ui_hooks().viewport_size = vga;
    overlay_painter painter(g.overlay.get());
    set_painter(&painter);
    {
        gui root;
        g_gui = &root;
        root.init();
        root.render();
        const image menu = g.read_back();
        // The whole screen is the menu's picture: hardly a pixel stays at the clear colour.
        EXPECT_LT(count_colour(menu, 0xFF000000u, 0, 0, 640, 480), 640 * 480 / 20);
        // The Exit button: its fill under the picture, white text in the middle.
        EXPECT_NE(menu.pixel(608, 440), menu.pixel(608, 300));

        // The device skips state calls that change nothing: drawn again on what the first
        // frame left, and once more with every call made, the menu is the same to the pixel.
        auto& shadow = static_cast<gl_device*>(g.device.get())->state_shadow();
        g.device->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        shadow.take_calls();
        root.render();
        const long skipping = shadow.take_calls();
        const image again = g.read_back();
        shadow.set_enabled(false);
        g.device->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        root.render();
        const long every = shadow.take_calls();
        const image plain = g.read_back();
        shadow.set_enabled(true);
        EXPECT_TRUE(again.texels == plain.texels);
        EXPECT_TRUE(menu.texels == plain.texels);
        EXPECT_LT(skipping * 4, every) << skipping << " state calls against " << every;

        root.on_key(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_NE(root.find_dialog(quit_dialog), nullptr);
        root.render();
        const image quit = g.read_back();
        // The question's body (scheme 1: (20, 91, 155) at 205) covers the middle of the screen.
        const std::uint32_t body = quit.pixel(320, 180);
        EXPECT_NE(body, menu.pixel(320, 180));
        EXPECT_GT(body & 255, (body >> 16) & 255);
        // Outside the question the menu is as it was.
        EXPECT_EQ(quit.pixel(20, 20), menu.pixel(20, 20));
    }
    flush_closed_windows();
    set_painter(nullptr);
    ui_hooks() = gui_hooks{};
    g_gui = nullptr;
    g_state = nullptr;
    g_app = nullptr;
}

TEST(gui_on_gl, knob_turns_its_picture_from_the_resources) {
    gl_overlay g;
    if (!g.start(640, 480, 0xFFFF0000u)) GTEST_SKIP() << "no OpenGL";
    register_embedded_resources();
    d3d_app app;
    g_app = &app;
    overlay_painter painter(g.overlay.get());
    set_painter(&painter);
    {
        gui_window w;
        gui_rect* knob = w.add_rect(-0.3f, -0.3f, 0.3f, 0.3f, rect_kind::knob);
        ASSERT_NE(knob->image_texture, nullptr);
        // The picture keeps its own alpha: clear in the corners, a solid cap in the middle.
        const gfx_texture& t = *knob->image_texture;
        ASSERT_EQ(t.format(), static_cast<std::uint32_t>(FMT_A8R8G8B8));
        auto alpha = [&](int x, int y) { return t.level_bits(0)[static_cast<std::size_t>(y) * t.level_pitch(0) + 4 * x + 3]; };
        EXPECT_EQ(alpha(0, 0), 0);
        EXPECT_EQ(alpha(63, 63), 0);
        EXPECT_EQ(alpha(32, 40), 255);

        // Drawn at rest the mark points up; a quarter of its travel turns it to the right. The
        // knob is 0.6 across: 192 x 192 pixels round the middle, its corners clear.
        knob->draw(false, false, 1, 1, false);
        image p = g.read_back();
        EXPECT_EQ(p.pixel(320 - 90, 240 - 90), 0xFFFF0000u);
        EXPECT_GT(p.pixel(320, 190) & 0xFF, 0xF0u);      // the white mark above the middle
        EXPECT_LT(p.pixel(370, 240) & 0xFF, 0xD0u);      // grey cap to the right
        g.device->clear(CLEAR_TARGET, 0xFFFF0000u, 1.0f, 0);
        knob->offset_x = 0.25f;
        knob->draw(false, false, 1, 1, false);
        p = g.read_back();
        EXPECT_GT(p.pixel(370, 240) & 0xFF, 0xF0u);
        EXPECT_LT(p.pixel(320, 190) & 0xFF, 0xD0u);
    }
    set_painter(nullptr);
    g_app = nullptr;
}

}  // namespace
