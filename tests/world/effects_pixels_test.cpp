// The effects drawn by the OpenGL device on an off-screen context (EGL, no window), compared
// with stored pictures (at most 1 % of the pixels off by more than 8 in a channel) and with
// colours worked out by hand: a fire burst white-hot and dying, a smoke column, a flame with
// its trail, a patch of bushes and a sector light's glow.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/model_shading.h"
#include "platform/program_rand.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/temp_folder.h"
#include "tests/world/golden_image.h"
#include "world/array_sp.h"
#include "world/blinker.h"
#include "world/decal.h"
#include "world/flame.h"
#include "world/scatter_sprite_shading.h"
#include "world/smoke.h"
#include "world/sprinkle.h"

namespace {

// Every texture an effect asks for is a soft white disc: alpha falls from the centre to the rim.
class disc_loader : public texture_loader {
public:
    explicit disc_loader(gfx_device* device) : device_(device) {}
    gfx_texture* load(const char*, const texture_request&) override {
        texture_ptr t;
        if (device_->create_texture(32, 32, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t) != S_OK) return nullptr;
        locked_rect r;
        if (t->lock_rect(0, &r) != S_OK) return nullptr;
        for (int y = 0; y < 32; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(r.bits) + y * r.pitch);
            for (int x = 0; x < 32; ++x) {
                const float dx = (x - 15.5f) / 16.0f, dy = (y - 15.5f) / 16.0f;
                const float a = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
                row[x] = static_cast<std::uint32_t>(std::fmin(255.0f, a * 400.0f)) << 24 | 0xFFFFFFu;
            }
        }
        t->unlock_rect(0);
        return t.release();
    }
    bool lock_first_level(gfx_texture*, std::uint8_t**, int*, int*, int*) override { return false; }
    void unlock_first_level(gfx_texture*) override {}
    void release(gfx_texture* texture) override { texture_ptr owned(texture); }

private:
    gfx_device* device_;
};

constexpr int k_width = 160;
constexpr int k_height = 120;

class EffectsGolden : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = make_test_gl_context();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        ASSERT_EQ(create_test_gl_device(k_width, k_height, &app_.device), S_OK);
        use_device(app_.device.get());
        g_app = &app_;
        g_state = &state_;
        program_srand(1);
        shading() = model_shading{};
        shading().sun.ambient = {0.6f, 0.6f, 0.6f, 1.0f};
        app_.set_default_states(false);
        look_from({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
        state_.camera_world = &camera_world_;
        state_.camera_aux = aux_;
        state_.camera_fov = &fov_;
        state_.smoothed_step = state_.dt = 0.02f;
        state_.no_shift = 1;
        loader_ = std::make_unique<disc_loader>(app_.device.get());
        app_.textures.set_loader(loader_.get());
    }
    void TearDown() override {
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        use_device(nullptr);
        app_.device.reset();
        shading() = model_shading{};
        g_app = nullptr;
        g_state = nullptr;
        context_.reset();
    }
    // The camera at eye looking at a point (no roll); its heading turns the billboards.
    void look_from(const vec3& eye, const vec3& at) {
        camera_world_ = mat_translation(eye);
        view_ = mat_look_at_lh(eye, at, {0.0f, 1.0f, 0.0f});
        const mat4 projection = mat_perspective_fov_lh(fov_, 4.0f / 3.0f, 1.0f, 10000.0f);
        app_.device->set_transform(TS_VIEW, view_);
        app_.device->set_transform(TS_PROJECTION, projection);
    }
    void clear() { app_.device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF305070u, 1.0f, 0); }
    image picture() {
        image out;
        EXPECT_TRUE(read_back_buffer(app_.device.get(), &out));
        return out;
    }

    std::unique_ptr<offscreen_gl> context_;
    d3d_app app_;
    app_state state_;
    mat4 camera_world_ = mat_identity();
    mat4 view_ = mat_identity();
    mat4 aux_[4] = {mat_identity(), mat_identity(), mat_identity(), mat_identity()};
    float fov_ = k_pi / 4.0f;
    std::unique_ptr<disc_loader> loader_;
};

// One suite per kind of effect.
using SprinkleGolden = EffectsGolden;
using SmokeGolden = EffectsGolden;
using FlameGolden = EffectsGolden;
using ArrayGolden = EffectsGolden;
using BlinkerGolden = EffectsGolden;

std::uint32_t rgb_at(const image& p, int x, int y) { return p.pixel(x, y) & 0xFFFFFFu; }

int channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

TEST_F(SprinkleGolden, FireBurstAt768And150) {
    frame root;
    sprinkle* s = nullptr;
    ASSERT_EQ(create_sprinkle(&root, &s), S_OK);
    s->set_position(0.0f, 0.0f, 80.0f);
    s->count = 255;
    s->speed = 10.0f;
    s->size = 1.0f;
    s->init("graphics\\smoke.dds", sprinkle::k_fire);
    s->emit_sphere_burst();
    for (int t = 0; t < 30; ++t) s->update();
    for (int value : {768, 150}) {
        s->intensity = static_cast<float>(value);
        std::uint32_t colours[4];
        s->burst_colours(value, colours);
        for (int i = 0; i < s->count; ++i) s->particle_colour[static_cast<std::size_t>(i)] = colours[i % 4];
        clear();
        s->render();
        const image p = picture();
        EXPECT_EQ(compare_with_golden(p, "fire_burst_" + std::to_string(value)), "");
        if (value == 768) {
            // Many white sprites add up to white in the middle of the burst.
            EXPECT_GE(channel(rgb_at(p, k_width / 2, k_height / 2), 0), 250);
        } else {
            // A dying burst adds red and a little green, never blue (the thin fog aside).
            int reddened = 0;
            for (int y = 0; y < k_height; ++y) {
                for (int x = 0; x < k_width; ++x) {
                    const std::uint32_t c = rgb_at(p, x, y);
                    EXPECT_LE(channel(c, 0), 0x70 + 8) << x << "," << y;
                    if (channel(c, 16) > 0x30 + 10) ++reddened;
                }
            }
            EXPECT_GT(reddened, 10);
        }
    }
}

TEST_F(SmokeGolden, Column) {
    frame root;
    smoke* s = nullptr;
    ASSERT_EQ(create_smoke(&root, &s), S_OK);
    s->set_position(0.0f, -25.0f, 90.0f);
    s->size = 3.0f;
    s->growth = 1.0f;
    s->drift = {1.0f, 8.0f, 0.0f};
    s->colour[3] = 200;
    s->init("graphics\\smoke.dds");
    state_.smoothed_step = 0.05f;
    for (int t = 0; t < 80; ++t) root.update();
    clear();
    root.render();
    const image p = picture();
    EXPECT_EQ(compare_with_golden(p, "smoke_column"), "");
    // Lit by the ambient light alone: grey 127 x 0.6 over the background near the source.
    const std::uint32_t at_source = rgb_at(p, k_width / 2, k_height * 3 / 4);
    EXPECT_NE(at_source, 0x305070u);
}

TEST_F(FlameGolden, WithTrail) {
    frame root;
    flame* f = nullptr;
    ASSERT_EQ(create_flame(&root, &f), S_OK);
    f->trail_on = 1;
    f->init();
    f->scale_x = f->scale_y = f->scale_z = 1.0f;
    look_from({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    // Flying east at 30 m/s, 40 m ahead: the flame points west, its trail lies behind it.
    state_.now = 5000;
    for (int t = 0; t < 12; ++t) {
        f->local = mat_scaling(0.4f, 0.4f, 2.0f) * mat_rotation_y(k_pi / 2.0f) *
                   mat_translation(-12.0f + 2.0f * t, 0.0f, 40.0f);
        f->update_matrices();
        state_.now += 100;
        root.update();
    }
    clear();
    root.render();
    const image p = picture();
    EXPECT_EQ(compare_with_golden(p, "flame_with_trail"), "");
}

TEST_F(ArrayGolden, Bushes) {
    array_sp* a = nullptr;
    ASSERT_EQ(create_array_sp_unparented(&a), S_OK);
    a->set_position(0.0f, 0.0f, 40.0f);
    a->scatter_radius = 20.0f;
    a->item_width = 3.0f;
    a->item_height = 2.0f;
    a->set_count(60);
    a->scatter_on_terrain("graphics\\bush.dds");
    a->set_colour(60.0f, 140.0f, 40.0f, 255.0f);
    state_.array_complexity = 1.0f;
    look_from({0.0f, 6.0f, 0.0f}, {0.0f, 0.0f, 40.0f});
    state_.view_matrix = &view_;
    state_.now = 1000;
    a->update();
    clear();
    a->render();
    const image p = picture();
    EXPECT_EQ(compare_with_golden(p, "bushes"), "");
    destroy_array_sp(&a);
}

// A lone bush of a terrain array lit through the sprite programs: colour x (ambient + sun on an
// upward normal), with 40 m of thin fog over it.
TEST_F(ArrayGolden, ShadedSpriteLitLikeTheGround) {
    scatter_sprite_programs programs;
    ASSERT_EQ(create_scatter_sprite_programs(app_.device.get(), &programs), S_OK);
    shading().sun.direction[1] = -1.0f;
    shading().sun.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    shading().sun.ambient = {0.3f, 0.3f, 0.3f, 1.0f};
    app_.use_shaders = 1;
    app_.can_shaders = 1;
    app_.set_default_states(false);
    array_sp* a = nullptr;
    ASSERT_EQ(create_array_sp_unparented(&a), S_OK);
    a->terrain_array = 1;
    a->sway = 0;
    a->set_count(1);
    a->item_width = 8.0f;
    a->item_height = 8.0f;
    a->scatter_on_terrain("graphics\\bush.dds");
    a->positions[0] = {0.0f, -4.0f, 40.0f};
    a->set_colour(60.0f, 140.0f, 40.0f, 255.0f);
    state_.array_complexity = 1.0f;
    clear();
    a->render();
    const image p = picture();
    const std::uint32_t centre = rgb_at(p, k_width / 2, k_height / 2);
    // 0.8 of (60, 140, 40), then 0.9 % of the way to the white fog.
    const float fogged = 1.0f - std::exp(-40.0f * 2.3f / app_.fog_end);
    auto expect = [fogged](float c) { return static_cast<int>(c * 0.8f + (255.0f - c * 0.8f) * fogged); };
    EXPECT_NEAR(channel(centre, 16), expect(60.0f), 8);
    EXPECT_NEAR(channel(centre, 8), expect(140.0f), 8);
    EXPECT_NEAR(channel(centre, 0), expect(40.0f), 8);
    use_scatter_sprite_programs(nullptr, nullptr);
    destroy_array_sp(&a);
}

TEST_F(BlinkerGolden, SectorGlow) {
    temp_folder tmp;
    tmp.write("graphics/red.def", "1 10 1\n2\n0 255 40 40\n3.0 40 255 40\n0\n");
    frame root;
    blinker* b = nullptr;
    ASSERT_EQ(create_blinker(&root, &b), S_OK);
    b->load_def_object("graphics\\red.def", 1.0f, 1.0f, 1.0f);
    ASSERT_NE(b->glow, nullptr);
    b->glow->width = b->glow->height = 6.0f;
    b->set_position(0.0f, 0.0f, 30.0f);
    b->current_step = 0;
    // Seen from the south (bearing pi from the light): the green sector.
    clear();
    root.render();
    const image p = picture();
    EXPECT_EQ(compare_with_golden(p, "light_glow"), "");
    const std::uint32_t centre = rgb_at(p, k_width / 2, k_height / 2);
    EXPECT_GT(channel(centre, 8), channel(centre, 16) + 100);
}

}  // namespace
