// The loading picture: the start-up splash before the device exists, the device's loading
// frames with their elapsed-time bar, and the pictures and texts of the embedded resources.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "overlay_fixture.h"
#include "platform/clock.h"
#include "platform/resources.h"
#include "tests/support/temp_folder.h"

namespace {

// Remembers where the splash was shown.
struct fake_splash : splash_window {
    static inline int shows = 0, left = 0, top = 0, width = 0;
    void desktop_size(int* w, int* h) const override {
        *w = 1024;
        *h = 768;
    }
    void show(const image& picture, int l, int t) override {
        ++shows;
        left = l;
        top = t;
        width = picture.width;
    }
};

std::unique_ptr<splash_window> make_fake_splash() { return std::make_unique<fake_splash>(); }

struct clock_fixture : ::testing::Test {
    manual_clock clock{1000};
    app_state state;
    void SetUp() override {
        register_embedded_resources();
        set_clock_source(&clock);
        g_state = &state;
    }
    void TearDown() override {
        set_clock_source(nullptr);
        g_state = nullptr;
    }
};

// The right edge of the progress bar of a loading frame (its second gradient fill).
float bar_end(const recording_device& d) {
    int fills = 0;
    for (const draw_record& r : d.draws()) {
        if (r.fvf == k_overlay_vertex_fvf && r.type == PT_TRIANGLELIST && ++fills == 2) {
            return reinterpret_cast<const overlay_vertex*>(r.vertices.data())[1].x;
        }
    }
    return -99;
}

}  // namespace

using LoadingScreen = clock_fixture;

TEST_F(LoadingScreen, SplashBeforeTheDeviceShowsEachCaptionOnItsStrip) {
    overlay2d o;
    g_overlay = &o;
    o.make_splash = make_fake_splash;
    fake_splash::shows = 0;
    begin_loading_screen();
    EXPECT_EQ(o.loading.splash, 1);
    EXPECT_EQ(o.loading.active, 0);
    g_state->show_status("Initializing %s", "Device");
    EXPECT_STREQ(g_state->status_text, "Initializing Device");
    ASSERT_EQ(fake_splash::shows, 1);
    // Centred on the 1024 x 768 desktop, a little below its middle.
    EXPECT_EQ(fake_splash::left, (1024 - fake_splash::width) / 2);
    EXPECT_GT(fake_splash::top, 0);

    // The strip (0, 260)-(180, 280) is dark blue with the caption in white from x = 20.
    const image& p = o.splash_picture();
    ASSERT_EQ(p.width, 350);
    ASSERT_EQ(p.height, 280);
    int white = 0, strip = 0, left_margin_ink = 0;
    for (int y = 260; y < 280; ++y) {
        for (int x = 0; x < 180; ++x) {
            const std::uint32_t c = p.pixel(x, y);
            if (c == 0xFFFFFFFFu) ++white;
            if (c == 0xFF274283u) ++strip;
            if (x < 20 && c != 0xFF274283u) ++left_margin_ink;
        }
    }
    EXPECT_GT(white, 20);
    EXPECT_GT(strip, 180 * 20 / 2);
    EXPECT_EQ(left_margin_ink, 0);
    // The rest of the picture is the splash bitmap.
    EXPECT_NE(p.pixel(200, 270), 0xFF274283u);

    // A second caption replaces the first; suppressed captions only change the text.
    g_state->show_status("Loading Sounds");
    EXPECT_EQ(fake_splash::shows, 2);
    g_state->suppress_status = 1;
    g_state->show_status("Loading Textures");
    EXPECT_EQ(fake_splash::shows, 2);
    EXPECT_STREQ(g_state->status_text, "Loading Textures");

    begin_loading_screen();  // a second begin changes nothing
    end_loading_screen();
    EXPECT_EQ(o.loading.splash, 0);
    o.paint_splash("after");  // outside the splash: nothing
    EXPECT_EQ(fake_splash::shows, 2);
    g_overlay = nullptr;
}

TEST_F(LoadingScreen, DeviceFramesShowTheCaptionAndElapsedTime) {
    overlay_setup s(640, 480, false);
    s.overlay->restore();
    ASSERT_NE(s.overlay->background(), nullptr);  // the program's own picture
    s.device->clear_records();

    begin_loading_screen();
    EXPECT_EQ(s.overlay->loading.active, 1);
    EXPECT_EQ(s.overlay->loading.splash, 0);
    g_state->show_status("Loading Sounds");
    EXPECT_EQ(s.device->present_count, 1);
    EXPECT_EQ(s.device->clear_count, 1);
    EXPECT_EQ(s.device->last_clear_color, 0xFF000000u);
    EXPECT_FLOAT_EQ(bar_end(*s.device), -0.5f);  // nothing elapsed yet

    // The whole picture: the background quad covers the screen; the caption is drawn.
    const draw_record& bg = s.device->draws()[0];
    EXPECT_EQ(bg.textures[0], s.overlay->background());
    const auto* corner = reinterpret_cast<const font_vertex*>(bg.vertices.data());
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(std::fabs(corner[i].x), 1.0f);
        EXPECT_FLOAT_EQ(std::fabs(corner[i].y), 1.0f);
    }
    bool caption = false;
    for (const draw_record& d : s.device->draws()) {
        if (d.fvf == k_font_vertex_fvf && d.textures[0] == s.overlay->font(FONT_BOLD_TEXT)->texture() &&
            d.primitive_count == 2 * static_cast<int>(std::strlen("Loading Sounds")))
            caption = true;
    }
    EXPECT_TRUE(caption);

    // 2,500 ms later the bar is a quarter full.
    s.device->clear_records();
    clock.advance(2500);
    g_state->show_status("Loading Textures");
    EXPECT_EQ(s.overlay->loading.progress, 2500u);
    EXPECT_FLOAT_EQ(bar_end(*s.device), -0.25f);
    // After 10,000 ms in all the bar starts again.
    clock.advance(7500);
    g_state->show_status("Indexing Scenery");
    EXPECT_EQ(s.overlay->loading.progress, 0u);
    // A clock that goes back by more than the progress gives 0, not a negative value.
    clock.advance(300);
    g_state->show_status("x");
    clock.set(clock.ticks() - 1000);
    g_state->show_status("y");
    EXPECT_EQ(s.overlay->loading.progress, 0u);

    end_loading_screen();
    EXPECT_EQ(s.overlay->loading.active, 0);
    const int presents = s.device->present_count;
    g_state->show_status("not shown");
    EXPECT_EQ(s.device->present_count, presents);
}

TEST(ResourceTexts, MissingTextsFailAndLongOnesAreCutToTheBuffer) {
    register_embedded_resources();
    static const std::uint8_t text[] = {'a', 'b', 'c', 'd', 'e'};
    register_resource("TEXT", "9175", text, sizeof text);
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(load_text_resource(9999, buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], 'x');
    ASSERT_TRUE(load_text_resource(9175, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abcde");
    char small[4];
    ASSERT_TRUE(load_text_resource(9175, small, sizeof small));
    EXPECT_STREQ(small, "abc");
    EXPECT_FALSE(load_text_resource(9175, nullptr, 4));
}

TEST(ResourceTextures, PlainAndKeyedPicturesOfTheProgram) {
    register_embedded_resources();
    overlay_setup s(640, 480, false);
    texture_ptr plain, keyed;
    ASSERT_TRUE(load_texture_from_resource(IDR_BACKGROUND, &plain, false));
    EXPECT_EQ(plain->width(), 1024);  // 640 x 480 rounded up to powers of two
    EXPECT_EQ(plain->height(), 512);
    EXPECT_GT(plain->level_count(), 1);
    ASSERT_TRUE(load_texture_from_resource(IDB_SPLASH, &keyed, true));
    EXPECT_EQ(keyed->format(), static_cast<std::uint32_t>(FMT_A1R5G5B5));
    EXPECT_EQ(keyed->level_count(), 1);

    // A missing picture leaves the slot empty.
    EXPECT_FALSE(load_texture_from_resource(9998, &plain, false));
    EXPECT_EQ(plain, nullptr);
    // A device that refuses leaves it empty too.
    s.device->create_result = E_OUTOFMEMORY;
    EXPECT_FALSE(load_texture_from_resource(IDB_SPLASH, &keyed, true));
    EXPECT_EQ(keyed, nullptr);
}

TEST(ResourceTextures, PictureFilesReloadIntoTheirSlot) {
    temp_folder folder;
    overlay_setup s(640, 480, false);
    image picture;
    ASSERT_TRUE(image_allocate(&picture, 3, 5));
    picture.set_pixel(1, 1, 0xFF102030u);
    ASSERT_EQ(image_save_file("pic.bmp", picture), S_OK);
    texture_ptr slot;
    ASSERT_TRUE(reload_texture_file("pic.bmp", &slot));
    EXPECT_EQ(slot->width(), 4);
    EXPECT_EQ(slot->height(), 8);
    EXPECT_EQ(slot->level_count(), 1);
    EXPECT_FALSE(reload_texture_file("missing.bmp", &slot));
    EXPECT_EQ(slot, nullptr);
}

TEST(Overlay, FontsAreDrawnAgainForANewBackBuffer) {
    overlay_setup s(640, 480);
    const gfx_texture* before = s.overlay->font(FONT_LARGE)->texture();
    ASSERT_NE(before, nullptr);
    // A resize: the device is reset, the GUI takes the new scale and the fonts follow.
    present_params p = s.device->params();
    p.back_buffer_width = 1920;
    p.back_buffer_height = 1080;
    ASSERT_EQ(s.device->reset(p), S_OK);
    s.overlay->set_gui_scale(1920, 1080);
    s.overlay->rescale_fonts();
    EXPECT_EQ(s.overlay->font(FONT_LARGE)->pixel_height(), 27);
    ASSERT_NE(s.overlay->font(FONT_LARGE)->texture(), nullptr);
    // Releasing twice is harmless; a new device takes nothing of the old one.
    s.overlay->release();
    s.overlay->release();
    EXPECT_EQ(s.overlay->font(FONT_LARGE)->texture(), nullptr);
    s.overlay->rescale_fonts();
    s.overlay->set_device(nullptr);
    EXPECT_EQ(s.overlay->font(0)->texture(), nullptr);
    EXPECT_EQ(s.overlay->background(), nullptr);
}

TEST_F(LoadingScreen, TheOverlayDrawsWithTheApplicationObjectsDevice) {
    temp_folder folder;
    d3d_app app;
    app.d3d = std::make_unique<null_gfx_system>();
    app.window_width = 800;
    app.window_height = 600;
    g_app = &app;
    ASSERT_TRUE(app.create_device());
    {
        overlay2d o;
        o.make_splash = nullptr;
        g_overlay = &o;
        EXPECT_EQ(o.device(), app.device.get());
        // With a device the loading picture is drawn by it, from the default states.
        app.device->set_sampler_state(0, SAMP_MINFILTER, TEXF_POINT);
        begin_loading_screen();
        EXPECT_EQ(o.loading.active, 1);
        EXPECT_EQ(o.loading.splash, 0);
        EXPECT_EQ(app.device->sampler_state(0, SAMP_MINFILTER), static_cast<std::uint32_t>(TEXF_LINEAR));
        o.set_gui_scale(800, 600);
        o.restore();
        EXPECT_NE(o.font(FONT_BOLD_TEXT)->texture(), nullptr);
        g_state->show_status("Loading Objects");
        auto* recorder = static_cast<recording_device*>(app.device.get());
        EXPECT_EQ(recorder->present_count, 1);
        end_loading_screen();
        EXPECT_EQ(o.loading.active, 0);
        o.release();
        g_overlay = nullptr;
    }
    app.release_device();
    g_app = nullptr;
}
