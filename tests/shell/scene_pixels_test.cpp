// The scene's off-screen pictures on the OpenGL device (EGL, no window): a snapshot holds
// the frame's picture, and the night-vision frame shows the pass's picture over the whole
// back buffer. Without scenery or objects the picture is the frame's clear colour (the sky).
// A scatter array's sprite drawn with the light the frame set up is lit like the ground.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "shell/scene.h"
#include "tests/shell/white_textures.h"
#include "tests/support/gl_test_device.h"
#include "world/array_sp.h"
#include "world/scatter_sprite_shading.h"

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

int channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

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
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        use_scatter_sprite_programs(nullptr, nullptr);
        shading() = model_shading{};
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
    std::unique_ptr<white_textures> loader_;
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

// At noon the sky's sun, applied by the frame's fog and light set-up, lights a sprite of a
// terrain array like the ground (colour x (ambient + diffuse x the sun's height)) and a sprite
// of a scenery array by the ambient light; neither is dark.
TEST_F(ScenePixels, ScatterSpritesAtNoonAreLitByTheSkysSun) {
    loader_ = std::make_unique<white_textures>(app_.device.get());
    app_.textures.set_loader(loader_.get());
    scatter_sprite_programs programs;
    ASSERT_EQ(create_scatter_sprite_programs(app_.device.get(), &programs), S_OK);
    app_.use_shaders = 1;
    app_.can_shaders = 1;
    const mat4 camera_world = mat_identity();
    const mat4* viewer_world = state_.camera_world;
    state_.camera_world = &camera_world;
    state_.array_complexity = 1.0f;
    state_.time_of_day = 12.0f;
    world_->sky.init();
    world_->sky.update_celestial();
    ASSERT_EQ(state_.night, 0);
    ASSERT_NE(state_.objects.current_light, nullptr);
    world_->set_fog(true);
    app_.set_default_states(true);
    const gfx_light sun = *state_.objects.current_light;
    ASSERT_LT(sun.direction[1], -0.5f) << "the sun is high at noon";
    app_.device->set_transform(TS_VIEW, mat_look_at_lh({0, 0, 0}, {0, 0, 1}, {0, 1, 0}));
    app_.device->set_transform(TS_PROJECTION, mat_perspective_fov_lh(k_pi / 4.0f, 4.0f / 3.0f, 1.0f, 10000.0f));

    const float rgb[3] = {60.0f, 140.0f, 40.0f};
    for (const bool terrain : {true, false}) {
        SCOPED_TRACE(terrain ? "terrain array" : "scenery array");
        array_sp* a = nullptr;
        ASSERT_EQ(create_array_sp_unparented(&a), S_OK);
        a->terrain_array = terrain ? 1 : 0;
        a->sway = 0;
        a->set_count(1);
        a->item_width = 8.0f;
        a->item_height = 8.0f;
        a->scatter_on_terrain("graphics\\bush.dds");
        a->positions[0] = {0.0f, -4.0f, 20.0f};
        a->set_colour(rgb[0], rgb[1], rgb[2], 255.0f);
        app_.device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        a->render();
        const std::uint32_t c = texel(app_.device->back_buffer(), k_width / 2, k_height / 2);
        const float up = std::max(0.0f, -sun.direction[1] / std::sqrt(sun.direction[0] * sun.direction[0] +
                                                                     sun.direction[1] * sun.direction[1] +
                                                                     sun.direction[2] * sun.direction[2]));
        const float light[3] = {sun.ambient.r + sun.diffuse.r * up, sun.ambient.g + sun.diffuse.g * up,
                                sun.ambient.b + sun.diffuse.b * up};
        for (int i = 0; i < 3; ++i) {
            const int got = channel(c, 16 - 8 * i);
            if (terrain) {
                EXPECT_NEAR(got, std::min(255.0f, rgb[i] * light[i]), 10) << std::hex << c;
            } else {
                const float ambient[3] = {sun.ambient.r, sun.ambient.g, sun.ambient.b};
                EXPECT_GE(got, static_cast<int>(rgb[i] * ambient[i]) - 4) << std::hex << c;
            }
        }
        destroy_array_sp(&a);
    }
    state_.camera_world = viewer_world;
}
