// The application state's shared device objects on the null adapter: what start-up makes
// from the "graphics" folder, the pass targets at half the back buffer and their remaking
// after a reset, the shader slots and the model shading pointed at them, and release.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/model_shading.h"
#include "platform/image.h"
#include "platform/recording_device.h"
#include "tests/support/temp_folder.h"

namespace {

class AppStateObjects : public ::testing::Test {
protected:
    void SetUp() override {
        app_.d3d = std::make_unique<null_gfx_system>();
        app_.window_width = 800;
        app_.window_height = 600;
        app_.windowed = 1;
        g_app = &app_;
        g_state = &state_;
        ASSERT_TRUE(app_.create_device());
        baseline_ = app_.device->live_resource_count();
    }
    void TearDown() override {
        state_.release();
        app_.release_device();
        g_state = nullptr;
        g_app = nullptr;
        shading() = model_shading{};
    }
    void write_picture(const char* name, std::uint32_t argb) {
        image picture;
        ASSERT_TRUE(image_allocate(&picture, 8, 8));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) picture.set_pixel(x, y, argb);
        ASSERT_EQ(image_save_file(name, picture), S_OK);
    }
    std::uint32_t first_texel(gfx_texture* t) {
        std::uint32_t v = 0;
        std::memcpy(&v, t->level_bits(0), 4);
        return v;
    }

    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    std::size_t baseline_ = 0;
};

}  // namespace

TEST_F(AppStateObjects, StartUpMakesTexturesTargetsAndPrograms) {
    tmp_.write("graphics/.keep", "");
    write_picture("graphics\\dense.jpg", 0xFF808080u);
    write_picture("graphics\\waves007.jpg", 0xFF404040u);
    state_.load_shared_textures();
    const app_state_objects& o = state_.objects;

    ASSERT_TRUE(o.white_texture && o.yellow_texture && o.orange_texture);
    EXPECT_EQ(o.white_texture->width(), 32);
    EXPECT_EQ(first_texel(o.white_texture.get()), 0xFFFFFFFFu);
    // Missing files leave their textures none; present ones load.
    EXPECT_FALSE(o.bump_texture);
    EXPECT_FALSE(o.reflection_cube);
    EXPECT_EQ(o.sun_texture, nullptr);
    EXPECT_TRUE(o.dense_texture);
    EXPECT_NE(o.wave_textures[7], nullptr);
    EXPECT_EQ(o.wave_textures[6], nullptr);

    // Pass targets: half the 800 x 600 back buffer, and 1024 a side for shadow and overhead.
    ASSERT_TRUE(o.reflection_texture && o.refraction_texture && o.screen_texture);
    EXPECT_EQ(o.reflection_texture->width(), 400);
    EXPECT_EQ(o.refraction_texture->height(), 300);
    ASSERT_TRUE(o.half_surface && o.large_surface);
    EXPECT_EQ(o.half_surface->width(), 400);
    EXPECT_EQ(o.shadow_texture->width(), 1024);
    EXPECT_EQ(o.overhead_texture->height(), 1024);

    // The model shading draws with the programs of the mesh and visual slots.
    EXPECT_NE(o.pixel_shader(416), nullptr);
    EXPECT_EQ(o.vertex_shader(999), nullptr);
    EXPECT_EQ(shading().mesh_receiver_vs, o.vertex_shader(268));
    EXPECT_EQ(shading().visual_receiver_ps, o.pixel_shader(416));
    EXPECT_EQ(shading().shadow_texture, o.shadow_texture.get());
    EXPECT_EQ(o.wave_texture(), nullptr);  // frame 0 is missing
}

TEST_F(AppStateObjects, ResetRemakesHalfSizeTargetsAndKeepsTheLargeOnes) {
    state_.load_shared_textures();
    gfx_texture* shadow = state_.objects.shadow_texture.get();
    app_.on_device_lost = [this] { state_.release_half_size_targets(); };
    app_.on_device_reset = [this] { state_.create_render_targets(); };
    app_.window_width = 640;
    app_.window_height = 480;
    ASSERT_TRUE(app_.reset_device());
    ASSERT_TRUE(state_.objects.reflection_texture);
    EXPECT_EQ(state_.objects.reflection_texture->width(), 320);
    EXPECT_EQ(state_.objects.screen_texture->height(), 240);
    EXPECT_EQ(state_.objects.half_surface->width(), 320);
    EXPECT_EQ(state_.objects.shadow_texture.get(), shadow);
}

TEST_F(AppStateObjects, ReleaseTwiceFreesEverythingOnce) {
    state_.load_shared_textures();
    EXPECT_GT(app_.device->live_resource_count(), baseline_);
    state_.release();
    EXPECT_EQ(app_.device->live_resource_count(), baseline_);
    EXPECT_EQ(shading().mesh_receiver_vs, nullptr);
    EXPECT_EQ(shading().shadow_texture, nullptr);
    state_.release();
    EXPECT_EQ(app_.device->live_resource_count(), baseline_);
    // Loading again after a release works.
    state_.load_shared_textures();
    EXPECT_TRUE(state_.objects.white_texture);
}
