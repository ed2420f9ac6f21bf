#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/sound_system.h"
#include "platform/messages.h"
#include "platform/scripted_window.h"
#include "platform/window.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"
#include "shell/speech.h"
#include "tests/support/temp_folder.h"

namespace {

// A controller made inside SDL (no hardware): seven axes, 16 buttons and a hat.
class VirtualJoystickTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        g_app = &app;
        g_state = &state;
        state.now = 5000;
        state.smoothed_step = 0.1f;
        app.use_joystick = 1;
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 7, 16, 1);
        ASSERT_GE(index, 0) << SDL_GetError();
        handle = SDL_JoystickOpen(index);
        ASSERT_NE(handle, nullptr);
        ASSERT_EQ(joy.init(false), S_OK);
    }
    void TearDown() override {
        joy.release();
        SDL_JoystickClose(handle);
        SDL_JoystickDetachVirtual(index);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        g_state = nullptr;
        g_app = nullptr;
    }
    void poll(int times = 1) {
        for (int i = 0; i < times; ++i) joy.poll(&pitch, &heading);
    }

    temp_folder tmp;  // the application object writes its log here
    d3d_app app;
    app_state state;
    joystick_input joy;
    int index = -1;
    SDL_Joystick* handle = nullptr;
    float pitch = 0.0f, heading = 0.0f;
};

TEST_F(VirtualJoystickTest, OpensWithItsAxesAndANameThatFitsTheBuffer) {
    EXPECT_EQ(joy.device_count, 1);
    EXPECT_EQ(joy.present_axes[0], 0x7F | 128);
    EXPECT_EQ(joy.enabled_axes[0], joy.present_axes[0]);
    char name[64];
    EXPECT_TRUE(joy.device_name(name, sizeof name, 0));
    EXPECT_GT(std::strlen(name), 0u);
    char small[3];
    EXPECT_TRUE(joy.device_name(small, sizeof small, 0));
    EXPECT_EQ(std::strlen(small), 2u);
    EXPECT_FALSE(joy.device_name(name, sizeof name, 1));
    EXPECT_STREQ(name, "");
}

TEST_F(VirtualJoystickTest, AxesAreSmoothedScaledAndInverted) {
    SDL_JoystickSetVirtualAxis(handle, 0, 16384);   // X half right
    SDL_JoystickSetVirtualAxis(handle, 1, -32767);  // Y fully forward
    SDL_JoystickSetVirtualAxis(handle, 6, 32767);   // slider fully one way
    poll();
    // A quarter of the way after one reading.
    EXPECT_NEAR(joy.axis_value(0, 0), 0.25f * 0.5f, 0.001f);
    poll(60);
    EXPECT_NEAR(joy.axis_value(0, 0), 0.5f, 0.001f);
    EXPECT_NEAR(joy.axis_value(0, 1), 1.0f, 0.001f);   // forward reads as up
    EXPECT_NEAR(joy.axis_value(0, 6), -1.0f, 0.001f);  // the slider reads inverted too
    EXPECT_NEAR(joy.axis_values[3][0], -1.0f, 0.001f); // kept in the slider's row
    EXPECT_NEAR(joy.action_value(0), 0.5f, 0.001f);
    EXPECT_NEAR(joy.action_value(1), 1.0f, 0.001f);
    EXPECT_EQ(joy.action_used[0], 1);

    // A gain of 2 doubles the reading, but never past full.
    joy.axis_gain(0, 0) = 4.0f;
    poll(60);
    EXPECT_FLOAT_EQ(joy.axis_value(0, 0), 1.0f);
}

TEST_F(VirtualJoystickTest, ButtonsCountOnlyAfterAnAxisHasMoved) {
    SDL_JoystickSetVirtualButton(handle, 7, 1);  // code 8: action 7, seen as action_active(1)
    poll();
    EXPECT_FALSE(joy.action_active(1));
    EXPECT_EQ(joy.active, 0);

    SDL_JoystickSetVirtualAxis(handle, 0, 20000);
    poll();
    EXPECT_EQ(joy.active, 1);
    EXPECT_TRUE(joy.action_active(1));
    state.now += 101;  // past the repeat delay of 100 ms
    EXPECT_FALSE(joy.action_active(1));
    poll();
    EXPECT_TRUE(joy.action_active(1));

    // In menu mode buttons trigger nothing.
    app.menu_mode = 1;
    state.now += 500;
    poll();
    EXPECT_FALSE(joy.action_active(1));
    app.menu_mode = 0;
    // Nor while the GUI holds the press.
    std::uint8_t hold = 1;
    joy.gui_hold = &hold;
    poll();
    EXPECT_FALSE(joy.action_active(1));
}

TEST_F(VirtualJoystickTest, TheHatTurnsTheView) {
    SDL_JoystickSetVirtualAxis(handle, 0, 20000);
    SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_CENTERED);
    poll();
    EXPECT_FLOAT_EQ(pitch, 0.0f);
    EXPECT_FLOAT_EQ(heading, 0.0f);
    SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_UP);
    poll();
    EXPECT_NEAR(pitch, 0.1f, 1e-6f);  // the frame time
    EXPECT_NEAR(heading, 0.0f, 1e-6f);
    SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_RIGHT);
    poll();
    EXPECT_NEAR(pitch, 0.1f, 1e-5f);
    EXPECT_NEAR(heading, -0.1f, 1e-5f);
}

TEST_F(VirtualJoystickTest, NotAcquiredReadsNothing) {
    joy.acquire(false);
    SDL_JoystickSetVirtualAxis(handle, 0, 32767);
    poll();
    EXPECT_FLOAT_EQ(joy.axis_value(0, 0), 0.0f);
    joy.acquire(true);
    poll();
    EXPECT_GT(joy.axis_value(0, 0), 0.2f);
}

// Switching to another window in a run only stops the reading: the controller stays open
// with its assignments, reads again when the window is back in front, and the settings file
// written at exit keeps its sections, which read back into a fresh mapping.
TEST_F(VirtualJoystickTest, AFocusLossKeepsTheControllersAndTheirSettings) {
    sound_system sound;
    speech voice;
    scripted_window window;
    g_sound = &sound;
    g_speech = &voice;
    g_joystick = &joy;
    set_main_window(&window);
    window.create("Ventrask", 0, 0, 1024, 768);
    app.window_width = 1024;
    app.window_height = 768;
    app.menu_mode = 0;
    {
        scene world;
        joy.action_axis_codes[0] = 0x0002;  // action 0 on device 0's Y axis
        joy.action_buttons[1] = 5;
        joy.axis_gain(0, 3) = 2.0f;

        world.on_message(nullptr, WM_ACTIVATE, 0, 0);
        EXPECT_EQ(joy.device_count, 1);
        EXPECT_EQ(joy.acquired, 0);
        SDL_JoystickSetVirtualAxis(handle, 0, 32767);
        poll();
        EXPECT_FLOAT_EQ(joy.axis_value(0, 0), 0.0f);
        world.on_message(nullptr, WM_ACTIVATE, 1, 0);
        EXPECT_EQ(joy.acquired, 1);
        poll();
        EXPECT_GT(joy.axis_value(0, 0), 0.2f);

        world.on_message(nullptr, WM_ACTIVATE, 0, 0);
        ASSERT_TRUE(world.write_settings());
        char name[64];
        ASSERT_TRUE(joy.device_name(name, sizeof name, 0));
        const std::string text = tmp.read("qvd.ini");
        EXPECT_NE(text.find(std::string("1\t[joysticks_num]\r\n") + name + "\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find("16\t[joystick_actions]\r\n2\t1\r\n2\t5\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find("8\t[joystick_axes]\r\n255\t1\t1\t1\t2\t1\t1\t1\r\n"), std::string::npos) << text;

        joy.reset_mapping();
        world.read_settings();
        EXPECT_EQ(joy.action_axis_codes[0], 0x0002);
        EXPECT_EQ(joy.action_buttons[1], 5);
        EXPECT_EQ(joy.enabled_axes[0], 0x7F | 128);
        EXPECT_FLOAT_EQ(joy.axis_gain(0, 3), 2.0f);
    }
    set_main_window(nullptr);
    g_joystick = nullptr;
    g_speech = nullptr;
    g_sound = nullptr;
}

TEST_F(VirtualJoystickTest, AnUnpluggedControllerIsTakenUpAgainWhenItComesBack) {
    SDL_JoystickSetVirtualAxis(handle, 0, 32767);
    poll(60);
    EXPECT_NEAR(joy.axis_value(0, 0), 1.0f, 0.001f);

    // Unplugged: its polls fail and its last values stay; nothing else breaks.
    SDL_JoystickClose(handle);
    handle = nullptr;
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
    poll(3);
    EXPECT_NEAR(joy.axis_value(0, 0), 1.0f, 0.001f);
    EXPECT_EQ(joy.device_count, 1);

    // Plugged back in (under a new device index): the next poll takes it up again, and the
    // one after reads it.
    index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 7, 16, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    poll();
    handle = SDL_JoystickOpen(index);  // the same controller the game now holds
    ASSERT_NE(handle, nullptr);
    SDL_JoystickSetVirtualAxis(handle, 0, -32767);
    poll(60);
    EXPECT_NEAR(joy.axis_value(0, 0), -1.0f, 0.001f);
}

TEST_F(VirtualJoystickTest, AControllersSettingsOpenTheAxesPage) {
    pending_command = 0;
    joy.open_control_panel(0);
    EXPECT_EQ(pending_command, 7);
    char name[64];
    ASSERT_TRUE(joy.device_name(name, sizeof name, 0));
    const std::string log(app.log_text(), static_cast<std::size_t>(app.log_length()));
    EXPECT_NE(log.find(std::string("settings of controller 1, ") + name), std::string::npos) << log;

    // No such controller: a log line and no page.
    pending_command = 0;
    joy.open_control_panel(3);
    EXPECT_EQ(pending_command, 0);
    EXPECT_NE(std::string(app.log_text()).find("no controller 4"), std::string::npos);
}

TEST(JoystickWithoutControllers, InitFailsAndClearsTheOption) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    app.use_joystick = 1;
    joystick_input joy;
    EXPECT_EQ(joy.init(false), E_FAIL);
    EXPECT_EQ(app.use_joystick, 0);
    float pitch = 0.0f, heading = 0.0f;
    joy.poll(&pitch, &heading);
    char name[8] = "x";
    EXPECT_FALSE(joy.device_name(name, sizeof name, 0));
    g_app = nullptr;
}

TEST(JoystickMapping, DeadZoneAndRelativeMode) {
    app_state state;
    g_state = &state;
    state.smoothed_step = 0.5f;
    joystick_input joy;
    joy.active = 1;
    joy.enabled_axes[0] = 0x7F;
    joy.action_axis_codes[0] = 1;  // X
    joy.action_axis_codes[1] = 7;  // slider
    joy.dead_zone = 0.2f;
    joy.axis_values[0][0] = 0.1f;
    joy.map();
    EXPECT_FLOAT_EQ(joy.action_values[0], 0.0f);
    joy.axis_values[0][0] = -0.6f;
    joy.map();
    EXPECT_NEAR(joy.action_values[0], -0.5f, 1e-6f);

    // Relative: X integrates over the frame time, the slider still follows directly.
    joy.dead_zone = 0.0f;
    joy.relative = 1;
    joy.action_values[0] = 0.0f;
    joy.axis_values[0][0] = 0.8f;
    joy.axis_values[3][0] = 0.3f;  // the slider's row
    joy.map();
    EXPECT_NEAR(joy.action_values[0], 0.4f, 1e-6f);
    EXPECT_NEAR(joy.action_values[1], 0.3f, 1e-6f);
    joy.map();
    joy.map();
    EXPECT_FLOAT_EQ(joy.action_values[0], 1.0f);  // held within -1..1

    // A dead zone of the whole travel or more leaves nothing (not an inverted output).
    joy.relative = 0;
    joy.dead_zone = 2.0f;
    joy.map();
    EXPECT_FLOAT_EQ(joy.action_values[0], 0.0f);
    g_state = nullptr;
}

TEST(JoystickMapping, CodesNamingMissingDevicesOrAxesAreIgnored) {
    joystick_input joy;
    joy.active = 1;
    joy.enabled_axes[0] = 0x01;  // X only
    joy.action_values[0] = 0.7f;
    joy.action_values[1] = 0.7f;
    joy.action_values[2] = 0.7f;
    joy.action_axis_codes[0] = (9 << 8) | 1;  // device 9
    joy.action_axis_codes[1] = 0x0008;        // axis 7
    joy.action_axis_codes[2] = 0x0002;        // Y, not enabled: 0
    joy.map();
    EXPECT_FLOAT_EQ(joy.action_values[0], 0.7f);
    EXPECT_FLOAT_EQ(joy.action_values[1], 0.7f);
    EXPECT_FLOAT_EQ(joy.action_values[2], 0.0f);
    EXPECT_EQ(joy.action_used[2], 0);
    EXPECT_FLOAT_EQ(joy.action_value(5), 0.0f);  // no axis assigned
}

}  // namespace
