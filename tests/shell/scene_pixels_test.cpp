// The scene's off-screen pictures on the OpenGL device (EGL, no window): a snapshot holds
// the frame's picture, and the night-vision frame shows the pass's picture over the whole
// back buffer. Without scenery or objects the picture is the frame's clear colour (the sky).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/scene_services.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "shell/scene.h"
#include "tests/support/gl_test_device.h"

namespace {

constexpr int k_width = 256;
constexpr int k_height = 192;

std::uint32_t texel(gfx_surface* s, int x, int y) {
    locked_rect r;
    if (s->lock(&r) != S_OK) return 0;
    std::uint32_t v = 0;
    std::memcpy(&v, static_cast<std::uint8_t*>(r.bits) + y * r.pitch + 4 * x, 4);
    s->unlock();
    return v;
}

bool near_colour(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > 8) return false;
    }
    return true;
}

class ScenePixels : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = make_test_gl_context();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        ASSERT_EQ(create_test_gl_device(k_width, k_height, &app_.device), S_OK);
        use_device(app_.device.get());
        g_app = &app_;
        g_state = &state_;
        state_.create_render_targets();
        world_ = std::make_unique<scene>();
        world_->make_roots(false);
        app_.near_view = 1;
        state_.above_water = 1;
        // The sky colour the frame clears to: 0, 0.5, 1.
        state_.sky_light[3] = 0.0f;
        state_.sky_light[4] = 0.5f;
        state_.sky_light[5] = 1.0f;
    }
    void TearDown() override {
        world_.reset();
        install_scene_services(nullptr);
        state_.release();
        use_device(nullptr);
        app_.device.reset();
        g_app = nullptr;
        g_state = nullptr;
        context_.reset();
    }

    std::unique_ptr<offscreen_gl> context_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<scene> world_;
};

constexpr std::uint32_t k_sky = 0xFF007FFFu;

}  // namespace

TEST_F(ScenePixels, ASnapshotHoldsTheFramesPicture) {
    texture_ptr slot;
    world_->render_snapshot(&slot, 64, 48, true);
    ASSERT_NE(slot, nullptr);
    gfx_surface* s = slot->surface_level(0);
    EXPECT_TRUE(near_colour(texel(s, 2, 2), k_sky)) << std::hex << texel(s, 2, 2);
    EXPECT_TRUE(near_colour(texel(s, 32, 24), k_sky));
    EXPECT_TRUE(near_colour(texel(s, 61, 45), k_sky));
    // The back buffer was not touched.
    EXPECT_EQ(app_.device->render_target(), app_.device->back_buffer());
}

TEST_F(ScenePixels, TheNightVisionFrameFillsTheScreenWithThePassPicture) {
    app_.night_vision = 1;
    world_->render_night_vision_pass();
    world_->render_frame();
    gfx_surface* back = app_.device->back_buffer();
    for (const auto& [x, y] : {std::pair{2, 2}, std::pair{k_width / 2, k_height / 2}, std::pair{k_width - 3, k_height - 3}}) {
        EXPECT_TRUE(near_colour(texel(back, x, y), k_sky)) << x << "," << y << " " << std::hex << texel(back, x, y);
    }
}

// With its program loaded the night-vision frame is the intensifier's picture: green, and
// brighter than the scene was, a dim night scene most of all.
TEST_F(ScenePixels, TheNightVisionProgramTurnsThePictureIntoABrighterGreenOne) {
    state_.load_shaders();
    ASSERT_NE(state_.objects.pixel_shader(371), nullptr);
    app_.night_vision = 1;
    struct sky_case {
        float r, g, b;
    };
    for (const sky_case& sky : {sky_case{0.0f, 0.5f, 1.0f}, sky_case{0.02f, 0.05f, 0.1f}}) {
        state_.sky_light[3] = sky.r;
        state_.sky_light[4] = sky.g;
        state_.sky_light[5] = sky.b;
        world_->render_night_vision_pass();
        world_->render_frame();
        const float level = 255.0f * (0.299f * sky.r + 0.587f * sky.g + 0.114f * sky.b);
        gfx_surface* back = app_.device->back_buffer();
        for (const auto& [x, y] : {std::pair{2, 2}, std::pair{k_width / 2, k_height / 2}, std::pair{k_width - 3, k_height - 3}}) {
            const std::uint32_t c = texel(back, x, y);
            const int red = static_cast<int>((c >> 16) & 0xFF), green = static_cast<int>((c >> 8) & 0xFF),
                      blue = static_cast<int>(c & 0xFF);
            EXPECT_GT(green, 2 * red) << std::hex << c;
            EXPECT_GT(green, 2 * blue) << std::hex << c;
            EXPECT_GT(green, 1.5f * level) << std::hex << c << " from a scene level of " << level;
        }
    }
}
