#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/camera.h"
#include "core/scene_services.h"
#include "platform/messages.h"

namespace {

// The scene's answer to an origin shift: the free camera moves by the vector, and so do
// the roots' children.
struct shifting_scene : scene_services {
    camera* cam = nullptr;
    frame* objects = nullptr;
    float ground = 0.0f;
    bool shift_held = false;
    float ground_height(float, float) override { return ground; }
    float sea_height(float, float) override { return -1000.0f; }
    void shift_scene(const vec3& d) override {
        if (cam != nullptr && cam->parent == nullptr) cam->move_by(d.x, d.y, d.z);
        if (objects != nullptr) {
            objects->move_children_by(d.x, d.y, d.z);
            objects->shift_origin();
        }
    }
    bool key_held(int key) override { return key == 0x10 && shift_held; }
};

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        state_ = std::make_unique<app_state>();
        g_state = state_.get();
        cam_ = std::make_unique<camera>();
        scene_.cam = cam_.get();
        install_scene_services(&scene_);
    }
    void TearDown() override {
        install_scene_services(nullptr);
        cam_.reset();
        g_state = nullptr;
    }
    std::unique_ptr<app_state> state_;
    std::unique_ptr<camera> cam_;
    shifting_scene scene_;
};

void expect_vec(const vec3& v, float x, float y, float z, float tol = 1e-3f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST_F(CameraTest, WholeCellShiftOnEveryAxis) {
    frame objects;
    frame* house = nullptr;
    create_frame(&objects, &house, "house");
    house->set_position(1500, 20, 300);
    scene_.objects = &objects;

    cam_->set_position(1999, 500, -1500);
    cam_->update(0, 0);
    expect_vec(state_->origin_offset, 1000, 0, -1000);
    expect_vec(cam_->world_position(), 999, 500, -500);
    expect_vec(house->world_position(), 500, 20, 1300);  // moved by whole cells
    EXPECT_FALSE(state_->no_shift);
    expect_vec(state_->last_shift, 1000, 0, -1000);

    // The next tick finds it inside the cell.
    cam_->update(0, 0);
    EXPECT_TRUE(state_->no_shift);
    expect_vec(state_->last_shift, 0, 0, 0);

    // The vertical axis shifts too.
    cam_->set_position(0, 2500, 0);
    cam_->update(0, 0);
    expect_vec(state_->origin_offset, 1000, 2000, -1000);
    EXPECT_NEAR(cam_->world_position().y, 500, 1e-3f);
    EXPECT_NEAR(state_->camera_alt, 2500, 1e-2f);

    cam_->set_position(999.9f, 10, 0);
    cam_->update(0, 0);
    EXPECT_TRUE(state_->no_shift);
}

TEST_F(CameraTest, YawTurnsNorthTowardEastAndPitchLooksUp) {
    cam_->set_position(0, 100, 0);
    // The mouse's look yaw turns the view the other way round: the heading is its negation.
    cam_->look_yaw = -k_pi / 2;
    cam_->update(0, -k_pi / 2);
    expect_vec(get_axis_z(cam_->world), 1, 0, 0);  // facing east
    EXPECT_NEAR(cam_->angles[1], k_pi / 2, 1e-4f);  // heading

    cam_->look_yaw = 0;
    cam_->look_pitch = 0.5f;
    cam_->update(0.5f, 0);
    EXPECT_NEAR(cam_->angles[0], 0.5f, 1e-4f);  // looking up
    EXPECT_GT(get_axis_z(cam_->world).y, 0.0f);
    EXPECT_NEAR(cam_->angles[2], 0.0f, 1e-5f);
}

TEST_F(CameraTest, LookAnglesSmoothAQuarterAndTakeTheShortWay) {
    cam_->set_position(0, 100, 0);
    cam_->look_yaw = 3.1f;
    cam_->update(0, -3.1f);
    // The short way across pi: 3.1 + 0.25 x 0.0832 = 3.1208.
    const float d = 2 * k_pi - 6.2f;
    EXPECT_NEAR(cam_->look_yaw, 3.1f + 0.25f * d, 1e-4f);
    cam_->look_pitch = 0.0005f;  // tiny values settle to zero
    cam_->update(0.0f, cam_->look_yaw);
    EXPECT_EQ(cam_->look_pitch, 0.0f);
}

TEST_F(CameraTest, StaysAboveTheGroundAndReportsHeights) {
    scene_.ground = 50.0f;
    cam_->set_position(0, 40, 0);
    cam_->update(0, 0);
    EXPECT_NEAR(cam_->world_position().y, 51.5f, 1e-4f);
    EXPECT_NEAR(state_->height_above_surface, -10.0f, 1e-4f);  // measured before the lift
    EXPECT_TRUE(state_->above_water);
}

TEST_F(CameraTest, ChasingSitsBehindTheTarget) {
    frame target;
    target.set_position(100, 200, 300);
    cam_->target = &target;
    cam_->update(0, 0);
    // Orbit 10 m behind along the camera's own z axis, looking at the target.
    expect_vec(cam_->world_position(), 100, 200, 290);
    expect_vec(get_axis_z(cam_->world), 0, 0, 1);

    // Tracking from a fixed place turns to the target and keeps the view in the look angles.
    cam_->free_look = 1;
    cam_->set_position(100, 200, 200);
    target.set_position(200, 200, 200);
    cam_->update(cam_->look_pitch, cam_->look_yaw);
    expect_vec(get_axis_z(cam_->world), 1, 0, 0);
    EXPECT_NEAR(cam_->look_yaw, -k_pi / 2, 1e-4f);
}

TEST_F(CameraTest, ZoomKeysAndWheel) {
    for (int i = 0; i < 200; ++i) cam_->handle_input(WM_KEYDOWN, 0x58, 0);
    EXPECT_FLOAT_EQ(cam_->fov, 2.0f);
    EXPECT_STREQ(state_->message, "Zoom = 2.55");
    scene_.shift_held = true;
    cam_->handle_input(WM_KEYDOWN, 0x5A, 0);
    EXPECT_FLOAT_EQ(cam_->fov, cam_->normal_fov);
    scene_.shift_held = false;
    for (int i = 0; i < 200; ++i) cam_->handle_input(WM_KEYDOWN, 0x5A, 0);
    EXPECT_FLOAT_EQ(cam_->fov, 0.01f);
    // One wheel notch toward the user zooms out, never past the normal field of view.
    cam_->fov = 0.5f;
    cam_->handle_input(WM_MOUSEWHEEL, static_cast<std::uintptr_t>(static_cast<std::uint16_t>(-120)) << 16, 0);
    EXPECT_NEAR(cam_->fov, 0.56f, 1e-5f);
    // The radar and map views zoom with the wheel themselves; the telescope leaves it to the
    // camera, whose zoom it shows.
    d3d_app app;
    g_app = &app;
    const auto notch_out = static_cast<std::uintptr_t>(static_cast<std::uint16_t>(-120)) << 16;
    app.radar_shown = 1;
    cam_->handle_input(WM_MOUSEWHEEL, notch_out, 0);
    app.radar_shown = 0;
    app.map_shown = 1;
    cam_->handle_input(WM_MOUSEWHEEL, notch_out, 0);
    EXPECT_NEAR(cam_->fov, 0.56f, 1e-5f);
    app.map_shown = 0;
    app.telescope_shown = 1;
    cam_->handle_input(WM_MOUSEWHEEL, notch_out, 0);
    EXPECT_NEAR(cam_->fov, 0.62f, 1e-5f);
    g_app = nullptr;
    state_->dt = 0.1f;
    cam_->handle_input(WM_KEYDOWN, 0x21, 0);  // Page Up
    EXPECT_NEAR(cam_->speeds[1], 10.0f, 1e-5f);
}

TEST_F(CameraTest, ProjectionsFromTheViewport) {
    state_->height_above_surface = 300.0f;
    cam_->set_view_projection(true);
    EXPECT_NEAR(cam_->near_plane, 3.0f, 1e-5f);
    EXPECT_NEAR(cam_->aspect, 640.0f / 480.0f, 1e-5f);
    EXPECT_EQ(state_->projection_matrix, &cam_->projection);  // published to the state
    state_->height_above_surface = 1e6f;
    cam_->set_view_projection(false);
    EXPECT_NEAR(cam_->near_plane, 5.0f, 1e-5f);
    cam_.reset();
    EXPECT_EQ(state_->camera_world, nullptr);  // no dangling pointer after the camera goes
}

TEST(CameraHelpers, WrapAngleAndScreenCoordinates) {
    float a = 3.5f, counter = 0;
    wrap_angle(&a, &counter);
    EXPECT_NEAR(a, 3.5f - 2 * k_pi, 1e-6f);
    EXPECT_NEAR(counter, 2 * k_pi, 1e-6f);
    a = -4.0f;
    wrap_angle(&a, &counter);
    EXPECT_NEAR(a, -4.0f + 2 * k_pi, 1e-6f);
    EXPECT_NEAR(counter, 0.0f, 1e-6f);
    const vec2 centre = screen_to_ndc(320, 240);
    EXPECT_FLOAT_EQ(centre.x, 0.0f);
    EXPECT_FLOAT_EQ(centre.y, 0.0f);
    const vec2 corner = screen_to_ndc(0, 0);
    EXPECT_FLOAT_EQ(corner.x, -1.0f);
    EXPECT_FLOAT_EQ(corner.y, 1.0f);
}
