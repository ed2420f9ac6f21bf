// The motor on the design screen's stand, drawn on the OpenGL device with the scene's own
// exhausts: a bright flame behind the nozzle, then a column of light grey smoke.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "platform/image.h"
#include "platform/system/offscreen_gl.h"
#include "shell/scene.h"
#include "shell/scene_proxie.h"
#include "simulation/rocket_motor.h"
#include "tests/shell/white_textures.h"
#include "tests/support/gl_test_device.h"

namespace {

constexpr int k_width = 320;
constexpr int k_height = 240;
constexpr std::uint32_t k_backdrop = 0xFF204060u;

int channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

class MotorFiringPixels : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = make_test_gl_context();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        ASSERT_EQ(create_test_gl_device(k_width, k_height, &app_.device), S_OK);
        use_device(app_.device.get());
        g_app = &app_;
        g_state = &state_;
        loader_ = std::make_unique<white_textures>(app_.device.get());
        app_.textures.set_loader(loader_.get());
        app_.menu_mode = 1;  // the design screens' motor: a smoke column, no trail
        world_ = std::make_unique<scene>();
        world_->make_roots(false);
        services_ = std::make_unique<scene_proxie>(world_.get());
        install_scene_services(services_.get());
        state_.smoothed_step = 0.04f;
        state_.dt = 0.04f;
    }
    void TearDown() override {
        motor_.reset();
        install_scene_services(nullptr);
        services_.reset();
        world_.reset();
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        shading() = model_shading{};
        use_device(nullptr);
        app_.device.reset();
        g_app = nullptr;
        g_state = nullptr;
        context_.reset();
    }

    // The motor as the stand draws it, after `seconds` of burning at 40 ms frames.
    image fired_for(float seconds, float yaw) {
        motor_ = std::make_unique<rocket_motor>();
        rocket_motor& m = *motor_;
        m.chamber_length = 90.0f;
        m.build_casing();
        m.ignite();
        for (float t = 0.0f; t < seconds; t += 0.04f) {
            m.burn_step(0.01f);
            m.update_exhaust();
        }
        gfx_device* d = app_.device.get();
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, k_backdrop, 1.0f, 0);
        d->begin_scene();
        m.draw(0.0f, yaw, -0.1f, -0.1f, 2.0f, false);
        d->end_scene();
        image picture;
        read_back(&picture);
        return picture;
    }

    void read_back(image* out) {
        gfx_surface* back = app_.device->back_buffer();
        locked_rect rect;
        ASSERT_TRUE(back != nullptr && back->lock(&rect) == S_OK);
        ASSERT_TRUE(image_allocate(out, back->width(), back->height()));
        for (int y = 0; y < out->height; ++y) {
            std::memcpy(out->row(y), static_cast<const std::uint8_t*>(rect.bits) + y * rect.pitch,
                        static_cast<std::size_t>(out->width) * 4);
        }
        back->unlock();
    }

    // Kept in the build folder, to be looked at.
    static void keep(const image& picture, const std::string& name) {
        std::vector<std::uint8_t> bytes;
        if (png_encode(picture, &bytes) != S_OK) return;
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::unique_ptr<offscreen_gl> context_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<white_textures> loader_;
    std::unique_ptr<scene> world_;
    std::unique_ptr<scene_proxie> services_;
    std::unique_ptr<rocket_motor> motor_;
};

}  // namespace

TEST_F(MotorFiringPixels, TheFlameAndSmokeShowBehindTheNozzle) {
    // Turned across the view, nozzle to the right: warm, bright pixels right of the middle,
    // spanning more of the view than the motor is wide.
    const image early = fired_for(0.6f, 1.2f);
    keep(early, "motor_firing_early.png");
    int flame = 0, leftmost = k_width, rightmost = 0;
    for (int y = 0; y < k_height; ++y) {
        for (int x = 0; x < k_width; ++x) {
            const std::uint32_t c = early.pixel(x, y);
            if (channel(c, 16) < 200 || channel(c, 16) < channel(c, 0) + 80) continue;
            ++flame;
            leftmost = std::min(leftmost, x);
            rightmost = std::max(rightmost, x);
        }
    }
    EXPECT_GT(flame, k_width * k_height / 40);
    EXPECT_GT(leftmost, k_width / 2);
    EXPECT_GT(rightmost - leftmost, k_width / 6);

    // Seconds on, the smoke reaches the corner, lit grey over the dark blue backdrop: its red
    // rises (a black veil would lower every channel).
    const image late = fired_for(2.4f, 1.2f);
    keep(late, "motor_firing_late.png");
    const std::uint32_t corner = late.pixel(4, 4);
    EXPECT_NE(corner & 0xFFFFFFu, k_backdrop & 0xFFFFFFu) << std::hex << corner;
    EXPECT_GT(channel(corner, 16), channel(k_backdrop, 16) + 8) << std::hex << corner;
    EXPECT_NEAR(channel(corner, 16), channel(corner, 8), 24) << std::hex << corner;
}
