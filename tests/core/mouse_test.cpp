#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/app_state.h"
#include "core/camera.h"
#include "core/mouse.h"
#include "core/scene_services.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/messages.h"

namespace {

struct keys : scene_services {
    bool shift = false, control = false;
    int gui_moves = 0, gui_downs = 0, gui_ups = 0;
    bool key_held(int key) override { return (key == 0x10 && shift) || (key == 0x11 && control); }
    bool gui_mouse_move(int, int) override { return ++gui_moves, false; }
    bool gui_mouse_down(int, int) override { return ++gui_downs, false; }
    void gui_mouse_up() override { ++gui_ups; }
};

class MouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_clock_source(&clock_);
        state_ = std::make_unique<app_state>();
        g_state = state_.get();
        cam_ = std::make_unique<camera>();
        mouse_ = std::make_unique<mouse>();
        mouse_->attach_camera(cam_.get());
        install_scene_services(&keys_);
    }
    void TearDown() override {
        install_scene_services(nullptr);
        mouse_.reset();
        cam_.reset();
        g_state = nullptr;
        set_clock_source(nullptr);
    }
    void send(std::uint32_t message, std::uintptr_t wparam, int x = 0, int y = 0) {
        mouse_->handle_message(nullptr, message, wparam, make_lparam(x, y));
    }
    manual_clock clock_{100000};
    std::unique_ptr<app_state> state_;
    std::unique_ptr<camera> cam_;
    std::unique_ptr<mouse> mouse_;
    keys keys_;
};

}  // namespace

TEST_F(MouseTest, RightDragTurnsTheViewScaledByFieldOfView) {
    send(WM_RBUTTONDOWN, MK_RBUTTON, 200, 200);
    send(WM_MOUSEMOVE, MK_RBUTTON, 300, 200);
    EXPECT_NEAR(mouse_->look_yaw(), 0.005f * (k_pi / 4) * 100, 1e-5f);  // +0.39 rad
    EXPECT_NEAR(mouse_->look_pitch(), 0.0f, 1e-6f);
    send(WM_MOUSEMOVE, MK_RBUTTON, 300, 240);  // down: pitch by 0.0025 x fov per pixel
    EXPECT_NEAR(mouse_->look_pitch(), 0.0025f * (k_pi / 4) * 40, 1e-5f);
    send(WM_RBUTTONUP, 0, 300, 240);
    EXPECT_EQ(mouse_->buttons, 0u);
    // A zoomed view turns slower.
    cam_->fov = k_pi / 8;
    const float before = mouse_->look_yaw();
    send(WM_RBUTTONDOWN, MK_RBUTTON, 0, 0);
    send(WM_MOUSEMOVE, MK_RBUTTON, 100, 0);
    EXPECT_NEAR(mouse_->look_yaw() - before, 0.005f * (k_pi / 8) * 100, 1e-5f);
}

TEST_F(MouseTest, DoubleClickWithin300Ms) {
    send(WM_LBUTTONDOWN, MK_LBUTTON);
    send(WM_LBUTTONUP, 0);
    clock_.advance(250);
    send(WM_LBUTTONDOWN, MK_LBUTTON);
    EXPECT_TRUE(mouse_->double_click);
    clock_.advance(350);
    send(WM_RBUTTONDOWN, MK_RBUTTON);
    EXPECT_FALSE(mouse_->double_click);
    EXPECT_EQ(keys_.gui_downs, 2);  // only the two left presses go to the GUI
}

TEST_F(MouseTest, ViewKeys) {
    keys_.control = true;
    send(WM_KEYDOWN, 0x25);  // Left
    send(WM_KEYDOWN, 0x26);  // Up
    EXPECT_NEAR(mouse_->look_yaw(), 0.1f, 1e-6f);
    EXPECT_NEAR(mouse_->look_pitch(), 0.1f, 1e-6f);
    keys_.shift = true;  // Shift+Ctrl+Left does nothing
    send(WM_KEYDOWN, 0x25);
    EXPECT_NEAR(mouse_->look_yaw(), 0.1f, 1e-6f);
    keys_.shift = false;
    send(WM_KEYDOWN, 0x20);  // Ctrl+Space resets
    EXPECT_EQ(mouse_->look_yaw(), 0.0f);
    EXPECT_EQ(mouse_->look_pitch(), 0.0f);
    keys_.control = false;
    send(WM_KEYDOWN, 0x66);  // numeric 6
    EXPECT_NEAR(mouse_->look_yaw(), -0.1f, 1e-6f);
    state_->gui_focus[0] = 1;  // typing into the GUI
    send(WM_KEYDOWN, 0x66);
    EXPECT_NEAR(mouse_->look_yaw(), -0.1f, 1e-6f);
}

TEST_F(MouseTest, WrapMovesCameraAndDragStartAlong) {
    mouse_->look_yaw() = 3.5f;
    mouse_->start_yaw = 3.4f;
    cam_->look_yaw = 3.3f;
    mouse_->wrap_look_angles();
    EXPECT_NEAR(mouse_->look_yaw(), 3.5f - 2 * k_pi, 1e-5f);
    EXPECT_NEAR(mouse_->start_yaw, 3.4f - 2 * k_pi, 1e-5f);
    EXPECT_NEAR(cam_->look_yaw, 3.3f - 2 * k_pi, 1e-5f);
}

TEST_F(MouseTest, LeftDragSetsDragValuesAndResetsOnRelease) {
    send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    send(WM_MOUSEMOVE, MK_LBUTTON, 150, 80);
    EXPECT_NEAR(mouse_->drag_values[0], -20 * -0.002f, 1e-6f);
    EXPECT_NEAR(mouse_->drag_values[1], 50 * 0.002f, 1e-6f);
    send(WM_LBUTTONUP, 0, 150, 80);
    EXPECT_EQ(mouse_->drag_values[0], 0.0f);
    EXPECT_EQ(mouse_->drag_x, 150);
    EXPECT_EQ(keys_.gui_ups, 1);
    // A plain move hands the cursor to the scene and restarts the drag there.
    send(WM_MOUSEMOVE, 0, 10, 20);
    EXPECT_EQ(mouse_->drag_x, 10);
    EXPECT_EQ(mouse_->drag_y, 20);
}

TEST_F(MouseTest, WithoutABackendTheKeyStateTableAnswers) {
    install_scene_services(nullptr);
    set_key_down(VK_LCONTROL, true);
    send(WM_KEYDOWN, VK_LEFT);
    EXPECT_NEAR(mouse_->look_yaw(), 0.1f, 1e-6f);
    set_key_down(VK_LSHIFT, true);
    send(WM_KEYDOWN, VK_LEFT);
    EXPECT_NEAR(mouse_->look_yaw(), 0.1f, 1e-6f);
    release_all_keys();
}
