#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/recording_device.h"
#include "tests/support/temp_folder.h"
#include "world/earth_globe.h"

namespace {

class EarthGlobe : public ::testing::Test {
protected:
    void SetUp() override {
        app_.d3d = std::make_unique<null_gfx_system>();
        app_.window_width = 320;
        app_.window_height = 240;
        g_app = &app_;
        g_state = &state_;
        state_.camera_world = &camera_;
        ASSERT_TRUE(app_.create_device());
        globe_ = std::make_unique<earth_globe>();
        globe_->load_shaders();
    }
    void TearDown() override {
        globe_.reset();
        app_.release_device();
        g_state = nullptr;
        g_app = nullptr;
    }
    void at_altitude(float h) { camera_ = mat_translation(0.0f, h, 0.0f); }
    recording_device& device() { return static_cast<recording_device&>(*app_.device); }

    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    mat4 camera_ = mat_identity();
    std::unique_ptr<earth_globe> globe_;
};

constexpr double k_r = 6366707.0;

}  // namespace

TEST_F(EarthGlobe, OnTheGroundTheFinestGridFitsWhole) {
    at_altitude(0.0f);
    globe_->build_sphere();
    EXPECT_EQ(globe_->steps, 24);
    EXPECT_FLOAT_EQ(globe_->horizon_distance, 0.0f);
    EXPECT_FLOAT_EQ(globe_->scale, 1.0f);
    // 49 x 49 points with texture coordinates: far more than a 30,000-byte scratch holds.
    ASSERT_EQ(globe_->grid.size(), 49u * 49u);
    EXPECT_GT(globe_->grid.size() * sizeof(earth_globe::point), 30000u);
    for (const earth_globe::point& p : globe_->grid) {
        const double r = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
        ASSERT_NEAR(r, k_r, 1.0);
        ASSERT_GE(p.u, 0.0f);
        ASSERT_LE(p.u, 1.0f);
    }
}

TEST_F(EarthGlobe, AtFiftyKilometresHorizonStepsAndScale) {
    const double h = 50000.0;
    at_altitude(static_cast<float>(h));
    state_.far_plane = 1.5e6f;
    globe_->build_sphere();
    const double horizon = std::sqrt(h * (2.0 * k_r + h));  // about 800 km
    EXPECT_NEAR(globe_->horizon_distance, horizon, 1.0);
    EXPECT_NEAR(globe_->horizon_angle, std::atan(horizon / k_r), 1e-6);
    EXPECT_EQ(globe_->steps, 23);
    // Far above, the steps fall toward 6.
    EXPECT_EQ(earth_globe::steps_for(1e12f, static_cast<float>(k_r)), 6);
}

TEST_F(EarthGlobe, RowsClampedAtAPoleMakeNoTriangles) {
    at_altitude(2.0e6f);  // the cap reaches over the pole
    state_.camera_latitude = 80.0f;
    globe_->build_sphere();
    const int side = 2 * globe_->steps + 1;
    int clamped = 0;
    int pairs = 0;
    for (int i = 0; i < side; ++i) clamped += globe_->clamped_rows[i];
    for (int i = 0; i + 1 < side; ++i) {
        if (!(globe_->clamped_rows[i] && globe_->clamped_rows[i + 1])) ++pairs;
    }
    EXPECT_GT(clamped, 1);
    EXPECT_EQ(globe_->globe_triangles, pairs * 2 * (side - 1));
    // The last row lies on the pole itself.
    const earth_globe::point& top = globe_->grid.back();
    EXPECT_NEAR(top.z, globe_->scaled_radius, 1.0f);
}

TEST_F(EarthGlobe, BuildsAtMostOncePerSecondAndDraws) {
    at_altitude(200000.0f);
    state_.now = 5000;
    globe_->update();
    EXPECT_EQ(globe_->textures_loaded, 1);  // missing files leave the slots empty, no failure
    EXPECT_EQ(globe_->last_build, 5000u);
    state_.now = 5900;
    globe_->update();
    EXPECT_EQ(globe_->last_build, 5000u);
    state_.now = 6001;
    globe_->update();
    EXPECT_EQ(globe_->last_build, 6001u);

    device().clear_records();
    globe_->render_shell();
    globe_->render();
    ASSERT_EQ(device().draws().size(), 2u);
    EXPECT_EQ(device().draws()[0].primitive_count, 288);
    EXPECT_EQ(device().draws()[1].primitive_count, globe_->globe_triangles);
    EXPECT_NE(device().draws()[1].vertex_shader, nullptr);
    // The sphere's centre lies D k below the camera.
    EXPECT_NEAR(globe_->globe_matrix.m[3][1], 200000.0f - globe_->centre_distance * globe_->scale, 1.0f);
    globe_->clear();
    EXPECT_EQ(globe_->textures_loaded, 0);
}
