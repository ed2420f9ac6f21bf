// The application object's device side on the null adapter: creation and its fallbacks, the
// capability dump, default states, resets, window placement and the texture helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/d3d_app.h"
#include "platform/image.h"
#include "platform/recording_device.h"
#include "platform/render_to_surface.h"
#include "platform/scripted_window.h"
#include "tests/support/temp_folder.h"

namespace {

// An application object on a null adapter; `system` stays readable after the hand-over.
struct app_on_null {
    temp_folder tmp;
    d3d_app app;
    null_gfx_system* system = nullptr;
    app_on_null() {
        auto s = std::make_unique<null_gfx_system>();
        system = s.get();
        app.d3d = std::move(s);
        app.window_width = 800;
        app.window_height = 600;
    }
    std::string log() const { return app.log_text(); }
};

bool has_line(const std::string& log, const std::string& line) {
    return log.find("\r\n" + line + "\r\n") != std::string::npos;
}

}  // namespace

// A placement as "x y width height", with " maximized" when it is.
std::string placed(const window_placement& p) {
    return std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.width) + " " +
           std::to_string(p.height) + (p.maximize ? " maximized" : "");
}

TEST(WindowPlacement, SmallMarginsTakeTheWholeAxis) {
    // A 1040 x 760 usable screen.
    EXPECT_EQ(placed(centered_placement(1040, 760, 1000, 700)), "0 0 1040 760");
    EXPECT_EQ(placed(centered_placement(1040, 760, 800, 600)), "120 80 800 600");
    EXPECT_EQ(placed(centered_placement(1040, 760, 1000, 500)), "0 130 1040 500");  // x only
    EXPECT_EQ(placed(centered_placement(1040, 760, 900, 660)), "70 50 900 660");  // kept at 70, 50
    EXPECT_TRUE(centered_placement(1040, 760, 1040, 760).maximize);
    EXPECT_FALSE(centered_placement(1040, 760, 1100, 700).maximize);
    EXPECT_EQ(placed(display_placement(1280, 1024, 1280, 1024, 4, 20)).substr(0, 2), "0 ");
    EXPECT_EQ(placed(display_placement(1280, 1024, 1024, 768, 4, 20)), "124 114 1032 796");
}

TEST(DeviceCreation, DumpsTheCapabilitiesIntoTheLog) {
    app_on_null a;
    ASSERT_TRUE(a.app.create_device());
    ASSERT_NE(a.app.device, nullptr);
    const std::string log = a.log();
    const std::string rule(48, '-');
    EXPECT_EQ(log.find("\r\n" + rule + "\r\nAdapter is Recording device\r\nTexture memory = 256 MB"
                       "\r\n\r\nMax texture size = 8192\r\n"),
              0u);
    EXPECT_TRUE(has_line(log, "Adapter Can do ShadowVolume"));
    EXPECT_EQ(log.substr(log.size() - 54), "\r\n" + rule + "\r\n\r\n");
    // 256 MB of texture memory limits volumes to 512 after the dump.
    EXPECT_EQ(a.app.max_volume_size, 512);
    EXPECT_EQ(a.app.present.auto_depth_stencil_format, FMT_D24S8);
    EXPECT_EQ(a.app.present.flags, PRESENTFLAG_DISCARD_DEPTHSTENCIL);
    EXPECT_EQ(a.system->creation_flags, (std::vector<std::uint32_t>{0x84}));
}

TEST(DeviceCreation, WithoutStencilStartsWithD24X8) {
    app_on_null a;
    a.system->depth_formats = {FMT_D16, FMT_D24X8};
    a.system->caps.vertex_shader_version = 0x101;
    a.system->caps.pixel_shader_version = 0x100;
    a.system->caps.texture_caps = 0;
    a.system->caps.max_vertex_index = 0xFFFF;
    a.system->texture_formats = {FMT_A8R8G8B8};
    ASSERT_TRUE(a.app.create_device());
    EXPECT_EQ(a.app.present.auto_depth_stencil_format, FMT_D24X8);
    EXPECT_EQ(a.app.present.flags, 0u);
    // "Shaders": pixel shaders 1.0 are below the 1.1 the program needs.
    EXPECT_TRUE(has_line(a.log(), "Adapter Cant do Shaders"));

    app_on_null b;
    b.app.stencil_wanted = 0;
    ASSERT_TRUE(b.app.create_device());
    EXPECT_EQ(b.app.present.auto_depth_stencil_format, FMT_D16);
    EXPECT_TRUE(has_line(b.log(), "Adapter Cant do ShadowVolume"));
}

TEST(DeviceCreation, FallsBackToSoftwareVertexProcessingOnce) {
    app_on_null a;
    a.system->failing_creations = 1;
    ASSERT_TRUE(a.app.create_device());
    EXPECT_EQ(a.system->creation_flags, (std::vector<std::uint32_t>{0x84, 0x24}));
    EXPECT_NE(a.log().find("D3DERR_NOTAVAILABLE d3d_app line "), std::string::npos);

    app_on_null b;
    b.system->failing_creations = 2;
    EXPECT_FALSE(b.app.create_device());
    EXPECT_EQ(b.app.device, nullptr);
    EXPECT_EQ(b.log().find("Adapter is"), std::string::npos);

    app_on_null c;
    c.app.d3d.reset();
    EXPECT_FALSE(c.app.create_device());
}

TEST(DefaultStates, SetTheFrameStatesAndTheCullModes) {
    app_on_null a;
    ASSERT_TRUE(a.app.create_device());
    a.app.fog_end = 4600.0f;
    a.app.set_default_states(true);
    gfx_device& d = *a.app.device;
    EXPECT_EQ(d.render_state(RS_CULLMODE), CULL_CCW);
    EXPECT_EQ(a.app.front_cull, 3);
    EXPECT_EQ(a.app.back_cull, 2);
    EXPECT_FLOAT_EQ(d.render_state_f(RS_FOGDENSITY), 0.0005f);  // 2.3 / 4600 m
    EXPECT_EQ(d.render_state(RS_FILLMODE), FILL_SOLID);
    EXPECT_FLOAT_EQ(bits_float(d.sampler_state(7, SAMP_MIPMAPLODBIAS)), -2.0f);

    a.app.wireframe = 1;
    a.app.use_mipmaps = 0;
    a.app.set_default_states(false);
    EXPECT_EQ(d.render_state(RS_CULLMODE), CULL_CW);
    EXPECT_EQ(a.app.front_cull, 2);
    EXPECT_EQ(a.app.back_cull, 3);
    EXPECT_EQ(d.render_state(RS_FILLMODE), FILL_WIREFRAME);
    EXPECT_EQ(d.sampler_state(0, SAMP_MIPFILTER), TEXF_NONE);
}

TEST(DeviceReset, RebuildsBackBufferSizedObjectsAroundTheReset) {
    app_on_null a;
    EXPECT_TRUE(a.app.reset_device());  // no device yet
    ASSERT_TRUE(a.app.create_device());
    std::vector<std::string> calls;
    a.app.on_device_lost = [&] { calls.push_back("lost"); };
    a.app.on_device_reset = [&] { calls.push_back("reset"); };
    a.app.window_width = 1024;
    a.app.window_height = 700;
    ASSERT_TRUE(a.app.reset_device());
    EXPECT_EQ(calls, (std::vector<std::string>{"lost", "reset"}));
    EXPECT_EQ(a.app.device->back_buffer()->width(), 1024);
    EXPECT_EQ(a.app.device->back_buffer()->height(), 700);

    // A failing reset is logged under the scene's source name and skips the restore.
    calls.clear();
    a.system->last_device->reset_result = E_FAIL;
    EXPECT_FALSE(a.app.reset_device());
    EXPECT_EQ(calls, (std::vector<std::string>{"lost"}));
    EXPECT_NE(a.log().find("E_FAIL scene_proxie line"), std::string::npos);

    a.app.release_device();
    EXPECT_EQ(a.app.device, nullptr);
    EXPECT_EQ(a.app.d3d, nullptr);
}

TEST(RenderTargets, HelpersKeepExistingObjectsAndRestoreTheTarget) {
    app_on_null a;
    texture_ptr t;
    EXPECT_FALSE(a.app.create_render_texture(&t, 64, 64, FMT_A8R8G8B8));  // no device
    ASSERT_TRUE(a.app.create_device());
    ASSERT_TRUE(a.app.create_render_texture(&t, 64, 64, FMT_A8R8G8B8));
    gfx_texture* first = t.get();
    EXPECT_TRUE(a.app.create_render_texture(&t, 128, 128, FMT_A8R8G8B8));
    EXPECT_EQ(t.get(), first);
    EXPECT_TRUE(t->usage() & USAGE_RENDERTARGET);

    surface_ptr s;
    ASSERT_TRUE(a.app.create_render_surface(&s, 32, 16, FMT_A8R8G8B8));
    EXPECT_EQ(s->width(), 32);

    std::unique_ptr<render_to_surface> rts;
    ASSERT_TRUE(a.app.create_render_to_surface(&rts, 64, 64, FMT_A8R8G8B8));
    gfx_device& d = *a.app.device;
    gfx_surface* depth = d.depth_stencil_surface();
    ASSERT_EQ(rts->begin_scene(t->surface_level(0)), S_OK);
    EXPECT_EQ(d.render_target(), t->surface_level(0));
    EXPECT_NE(d.depth_stencil_surface(), depth);
    EXPECT_EQ(d.depth_stencil_surface()->format(), FMT_D16);
    EXPECT_EQ(d.viewport().width, 64u);
    EXPECT_EQ(rts->begin_scene(t->surface_level(0)), D3DERR_INVALIDCALL);  // already begun
    ASSERT_EQ(rts->end_scene(), S_OK);
    EXPECT_EQ(d.render_target(), d.back_buffer());
    EXPECT_EQ(d.depth_stencil_surface(), depth);
    EXPECT_EQ(d.viewport().width, 800u);
    EXPECT_EQ(rts->begin_scene(s.get()), D3DERR_INVALIDCALL);  // wrong size
}

TEST(Textures, TheCacheLoadsThroughTheDeviceAndFreesBeforeItGoes) {
    app_on_null a;
    image picture;
    ASSERT_TRUE(image_allocate(&picture, 8, 8));
    picture.set_pixel(1, 1, 0xFF102030u);  // everything else opaque black... after allocate: 0
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (x != 1 || y != 1) picture.set_pixel(x, y, 0xFF000000u);
    std::vector<std::uint8_t> file;
    ASSERT_EQ(bmp_encode(picture, 32, &file), S_OK);
    a.tmp.write("graphics/spark.bmp", std::string(file.begin(), file.end()));
    gfx_texture* t = nullptr;
    EXPECT_FALSE(a.app.load_texture("graphics\\spark.bmp", &t, 3, false));  // no device yet
    ASSERT_TRUE(a.app.create_device());
    ASSERT_TRUE(a.app.load_texture("graphics\\spark.bmp", &t, 3, true));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->format(), FMT_A8R8G8B8);
    const std::uint8_t* bits = t->level_bits(0);
    EXPECT_EQ(bits[3], 0);  // opaque black keyed out
    const std::uint8_t* lit = bits + t->level_pitch(0) + 4;
    EXPECT_EQ(lit[2], 0x10);  // mode 3 keeps the colour
    EXPECT_EQ(a.app.device->live_resource_count(), 3u);  // back buffer, depth, texture
    a.app.release_device();  // frees the cached texture first
    EXPECT_EQ(a.app.textures.slot_at(0).texture, nullptr);
}

TEST(Textures, AFailedLoadNamesItsFileUnderTheObjectsSourceName) {
    app_on_null a;
    g_app = &a.app;
    ASSERT_TRUE(a.app.create_device());
    a.tmp.write("graphics/broken.jpg", "not a picture at all");
    gfx_texture* t = nullptr;
    EXPECT_FALSE(a.app.load_texture("graphics\\broken.jpg", &t, 0, true));
    EXPECT_FALSE(a.app.load_texture("graphics\\broken.jpg", &t, 0, true));  // no second try
    texture_ptr bump;
    EXPECT_FALSE(a.app.load_bump_texture("graphics\\none.bmp", &bump, false, true));
    g_app = nullptr;
    const std::string log = a.log();
    EXPECT_TRUE(has_line(log, "Failed to load graphics\\broken.jpg"));
    EXPECT_TRUE(has_line(log, "Failed to load graphics\\none.bmp"));
    EXPECT_EQ(log.find("Failed to load graphics\\broken.jpg"), log.rfind("Failed to load graphics\\broken.jpg"));
    EXPECT_NE(log.find("\r\nE_BAD_FORMAT d3d_app line "), std::string::npos);
    EXPECT_NE(log.find("\r\nE_FILE_NOT_FOUND d3d_app line "), std::string::npos);
    EXPECT_EQ(log.find(".cpp"), std::string::npos);
}

TEST(WindowModes, ShowPlaceAndSwitch) {
    app_on_null a;
    scripted_window w;
    set_main_window(&w);
    ASSERT_TRUE(w.create("Ventrask", 0, 0, 640, 480));
    a.app.usable_width = 1040;
    a.app.usable_height = 760;

    // Windowed and centred: the small margins make it the whole usable screen.
    a.app.start_window_mode = 1;
    a.app.window_width = 1000;
    a.app.window_height = 700;
    w.calls.clear();
    a.app.show_window();
    EXPECT_EQ(a.app.windowed, 1);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"bounds 0 0 1040 760", "show normal"}));

    a.app.window_width = 640;
    a.app.window_height = 480;
    w.calls.clear();
    a.app.show_window();
    EXPECT_EQ(w.calls, (std::vector<std::string>{"bounds 200 140 640 480", "show normal"}));

    a.app.start_window_mode = 2;
    w.calls.clear();
    a.app.show_window();
    EXPECT_EQ(w.calls, (std::vector<std::string>{"show maximized"}));

    // Full screen takes the display's size and resets the device for it.
    ASSERT_TRUE(a.app.create_device());
    a.app.start_window_mode = 0;
    w.calls.clear();
    a.app.show_window();
    EXPECT_EQ(a.app.windowed, 0);
    EXPECT_EQ(a.app.window_width, w.desktop_width);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"show full screen"}));
    EXPECT_EQ(a.app.device->back_buffer()->width(), 1024);  // the adapter's display mode
    EXPECT_EQ(a.app.present.presentation_interval, PRESENT_INTERVAL_DEFAULT);

    // Back to a window: the whole usable screen at (0, 0).
    a.app.windowed = 1;
    w.calls.clear();
    a.app.apply_window_mode();
    EXPECT_EQ(w.calls, (std::vector<std::string>{"bounds 0 0 1040 760", "show normal"}));
    EXPECT_EQ(a.app.present.presentation_interval, PRESENT_INTERVAL_IMMEDIATE);
    set_main_window(nullptr);
}
