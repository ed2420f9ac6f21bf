#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "platform/recording_device.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/scripted_window.h"
#include "shell/scene.h"
#include "shell/win_main.h"
#include "simulation/missile.h"
#include "tests/support/temp_folder.h"

namespace {

// A scene that writes down every step it is asked to take, with the caption shown then.
class recording_scene : public scene {
public:
    std::vector<std::string> steps;
    std::vector<std::uint32_t> messages;
    std::vector<std::string> situations;
    int updates = 0;
    int renders = 0;
    bool device_fails = false;

    void frame_update() override { ++updates; }
    void render_frame() override { ++renders; }
    void on_message(void*, std::uint32_t message, std::uintptr_t, std::intptr_t) override {
        messages.push_back(message);
    }
    bool write_situation(const char* name, const char* comment, bool picture) override {
        situations.push_back(std::string(name) + (comment ? "+comment" : "") + (picture ? "+picture" : ""));
        return true;
    }

protected:
    void step(const char* name) { steps.push_back(name); }
    void captioned(const char* name) { steps.push_back(std::string(name) + " [" + g_state->status_text + "]"); }

    void open_loading_picture() override { step("open_loading_picture"); }
    bool create_device() override {
        captioned("create_device");
        return !device_fails;
    }
    void init_sound() override { step("init_sound"); }
    void init_speech() override { step("init_speech"); }
    void init_joystick() override { step("init_joystick"); }
    void read_settings() override { captioned("read_settings"); }
    void load_sounds() override { step("load_sounds"); }
    void init_gui() override { step("init_gui"); }
    void load_shared_textures() override { captioned("load_shared_textures"); }
    void init_terrain_device() override { step("init_terrain_device"); }
    void update_terrain_lod() override { step("update_terrain_lod"); }
    void init_sky() override { step("init_sky"); }
    void load_globe_shaders() override { step("load_globe_shaders"); }
    void create_design_system() override { step("create_design_system"); }
    void load_scenery_index() override { captioned("load_scenery_index"); }
    void start_intro_music() override { step("start_intro_music"); }
    void close_loading_picture() override { step("close_loading_picture"); }

    bool write_settings() override {
        step("write_settings");
        return true;
    }
    void destroy_design_system() override { step("destroy_design_system"); }
    void release_terrain() override { step("release_terrain"); }
    void release_globe() override { step("release_globe"); }
    void clear_scene() override { step("clear_scene"); }
    void shutdown_gui() override { step("shutdown_gui"); }
    void release_app_state_objects() override { step("release_app_state_objects"); }
    void release_sound_slots() override { step("release_sound_slots"); }
    void close_music() override { step("close_music"); }
    void stop_speaking() override { step("stop_speaking"); }
    void release_speech() override { step("release_speech"); }
    void release_sound() override { step("release_sound"); }
    void release_joystick() override { step("release_joystick"); }
    void release_device() override { step("release_device"); }
    bool reset_device() override {
        step("reset_device");
        return true;
    }
};

// A clock that writes down every sleep.
class recording_clock : public clock_source {
public:
    std::vector<std::uint32_t> sleeps;
    std::uint32_t ticks() override { return now_; }
    void sleep(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now_ += ms;
    }

private:
    std::uint32_t now_ = 1000;
};

const std::vector<std::string> k_startup_steps = {
    "open_loading_picture",
    "create_device [Initializing Device]",
    "init_sound",
    "init_speech",
    "init_joystick",
    "read_settings [Loading Sounds]",
    "load_sounds",
    "init_gui",
    "load_shared_textures [Loading Textures]",
    "init_terrain_device",
    "update_terrain_lod",
    "init_sky",
    "load_globe_shaders",
    "create_design_system",
    "load_scenery_index [Indexing Scenery]",
    "start_intro_music",
    "close_loading_picture",
};

const std::vector<std::string> k_shutdown_steps = {
    "write_settings",   "destroy_design_system", "release_terrain",
    "release_globe",    "clear_scene",           "shutdown_gui",
    "release_app_state_objects", "release_sound_slots", "close_music",
    "stop_speaking",    "release_speech",        "release_sound",
    "release_joystick", "release_device",
};

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        clear_app_messages();
        g_app = &app;
        g_state = &state;
        g_scene = &world;
        set_main_window(&window);
        set_clock_source(&clock);
    }
    void TearDown() override {
        set_clock_source(nullptr);
        set_main_window(nullptr);
        clear_app_messages();
        g_scene = nullptr;
        g_state = nullptr;
        g_app = nullptr;
    }
    int run() { return WinMain(nullptr, nullptr, "", 0); }
    int count(const std::string& step) const {
        return static_cast<int>(std::count(world.steps.begin(), world.steps.end(), step));
    }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    recording_scene world;
    scripted_window window;
    recording_clock clock;
};

}  // namespace

TEST_F(Program, StartsUpRunsAndShutsDownInOrder) {
    window.post_on_pump(3, WM_CLOSE);
    EXPECT_EQ(run(), 0);

    // The window was made before start-up, centred on the desktop at the usable size, and
    // shown after it; the window mode of a fresh start is maximised.
    // The window cannot be made smaller than the menus need.
    ASSERT_GE(window.calls.size(), 3u);
    EXPECT_EQ(window.calls[0], "create Ventrask 0 0 1280 1024");
    EXPECT_EQ(window.calls[1], "minimum 640 480");
    EXPECT_EQ(window.calls[2], "show maximized");

    std::vector<std::string> expected = k_startup_steps;
    expected.insert(expected.end(), k_shutdown_steps.begin(), k_shutdown_steps.end());
    EXPECT_EQ(world.steps, expected);

    // Two idle turns drew two frames; the third brought the close, the fourth the quit.
    EXPECT_EQ(world.updates, 2);
    EXPECT_EQ(world.renders, 2);
    EXPECT_EQ(window.pumps, 4);
    // The input handler saw the close first, then the destruction it caused.
    EXPECT_EQ(world.messages, (std::vector<std::uint32_t>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(world.situations, (std::vector<std::string>{"# Last Position+picture"}));
    EXPECT_EQ(window.calls.back(), "hide");
    EXPECT_TRUE(app.inactive);
}

TEST_F(Program, ASecondCloseForTheDestroyedWindowIsDropped) {
    // The close button and a termination request in the same moment.
    window.post_on_pump(2, WM_CLOSE);
    window.post_on_pump(2, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(world.situations.size(), 1u);
    EXPECT_EQ(world.messages, (std::vector<std::uint32_t>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(count("write_settings"), 1);
}

TEST_F(Program, ClosingInTestModeKeepsTheLastTest) {
    state.test_mode = 1;
    window.post_on_pump(1, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(world.situations, (std::vector<std::string>{"# Last Test+picture"}));
    EXPECT_EQ(world.updates, 0);
}

TEST_F(Program, ReturnsTheQuitMessagesCodeAndShutsDownOnce) {
    window.post_on_pump(2, WM_QUIT, 7);
    EXPECT_EQ(run(), 7);
    EXPECT_EQ(count("release_device"), 1);
    EXPECT_TRUE(world.situations.empty());
    // The quit itself is not handed to the window procedure.
    EXPECT_TRUE(world.messages.empty());
}

TEST_F(Program, FailedStartUpExitsNonZeroWithALogLineAndNoLoop) {
    world.device_fails = true;
    window.post_on_pump(1, WM_CLOSE);
    EXPECT_EQ(run(), k_exit_start_failed);
    EXPECT_NE(std::string(app.log_text()).find("Start-up failed"), std::string::npos);
    EXPECT_EQ(world.steps, (std::vector<std::string>{"open_loading_picture", "create_device [Initializing Device]"}));
    EXPECT_EQ(window.pumps, 0);  // no loop
    EXPECT_FALSE(window.shown);
    // That the settings file is then left alone is checked in settings_test.
}

TEST_F(Program, NoWindowMeansNoStartUpAndANonZeroExit) {
    window.fail_create = true;
    EXPECT_EQ(run(), k_exit_start_failed);
    EXPECT_TRUE(world.steps.empty());
    EXPECT_NE(std::string(app.log_text()).find("Could not create the main window: scripted failure"),
              std::string::npos);
}

// A display that cannot say its usable area (it answers 0 now and then while the X server is
// busy) still gets a window: the desktop's size, then the size the settings keep, then the
// virtual screen's 640 x 480; and the window is shown within that area.
TEST_F(Program, AWindowIsMadeWhenTheDisplayCannotSayItsUsableArea) {
    window.usable_width = window.usable_height = 0;
    window.post_on_pump(1, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls[0], "create Ventrask 0 0 1280 1024");
    EXPECT_EQ(app.usable_width, 1280);
    EXPECT_EQ(app.usable_height, 1024);
}

TEST_F(Program, WithoutAnyDisplaySizeTheSettingsSizeThen640x480) {
    tmp.write("qvd.ini", "1\t[window_mode]\r\n800\t[window_width]\r\n600\t[window_height]\r\n");
    window.usable_width = window.usable_height = 0;
    window.desktop_width = window.desktop_height = 0;
    window.post_on_pump(1, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls[0], "create Ventrask 0 0 800 600");

    // A settings file without a usable size (none, or one of no area) gives way to 640 x 480.
    for (const char* settings : {"", "0\t[window_width]\r\n600\t[window_height]\r\n", "nan\t[window_width]\r\n"}) {
        tmp.write("qvd.ini", settings);
        recording_scene again;
        g_scene = &again;
        scripted_window blind;
        blind.usable_width = blind.usable_height = 0;
        blind.desktop_width = blind.desktop_height = 0;
        set_main_window(&blind);
        app.usable_width = app.usable_height = 0;
        app.window_width = app.window_height = 0;
        blind.post_on_pump(1, WM_CLOSE);
        EXPECT_EQ(run(), 0);
        ASSERT_FALSE(blind.calls.empty());
        EXPECT_EQ(blind.calls[0], "create Ventrask 0 0 640 480") << settings;
        set_main_window(&window);
        g_scene = &world;
    }
}

TEST_F(Program, InactiveWindowSleepsAndRestoringSkipsTheDeviceReset) {
    app.sleep_time = 15;
    window.post_on_pump(1, WM_SIZE, SIZE_MINIMIZED);
    window.post_on_pump(4, WM_SIZE, SIZE_RESTORED, make_lparam(800, 600));
    window.post_on_pump(6, WM_SIZE, SIZE_RESTORED, make_lparam(640, 480));
    window.post_on_pump(8, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    // Pumps 2 and 3: minimised, 100 ms naps and no frames. Pump 4 restores without a reset;
    // pump 5 draws; pump 6 resizes a windowed device; pump 7 draws; pump 8 closes.
    EXPECT_EQ(world.updates, 2);
    EXPECT_EQ(world.renders, 2);
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{100, 100, 15, 15}));
    EXPECT_EQ(count("reset_device"), 1);
}

TEST_F(Program, FullScreenResizeResetsNothing) {
    app.start_window_mode = 0;
    window.post_on_pump(1, WM_SIZE, SIZE_MAXIMIZED, make_lparam(1280, 1024));
    window.post_on_pump(2, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(window.calls[2], "show full screen");
    EXPECT_EQ(app.windowed, 0);
    EXPECT_EQ(count("reset_device"), 0);
}

TEST_F(Program, KeyMenuTogglesThePauseWithoutStoppingFrames) {
    window.post_on_pump(1, WM_SYSCOMMAND, SC_KEYMENU);
    window.post_on_pump(3, WM_SYSCOMMAND, SC_CLOSE);  // other system commands change nothing
    window.post_on_pump(5, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(app.paused);
    EXPECT_STREQ(state.message, "Simulation is paused");
    EXPECT_EQ(world.updates, 2);  // pumps 2 and 4: a paused simulation still runs its frames

    clear_app_messages();
    scripted_window again;
    set_main_window(&again);
    again.post_on_pump(1, WM_SYSCOMMAND, SC_KEYMENU);
    again.post_on_pump(2, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(app.paused);
    EXPECT_STREQ(state.message, "Simulation is restored");
}

TEST_F(Program, PausingStopsTheSoundsOfTheObjects) {
    // A frame that counts the stops reaching it.
    class sounding_frame : public frame {
    public:
        int stops = 0;
        void stop_sounds() override { ++stops; }
    };
    world.make_roots(true);
    auto* engine = new sounding_frame();
    engine->owned = 1;
    world.objects->add_child(engine);
    window.post_on_pump(1, WM_SYSCOMMAND, SC_KEYMENU);  // paused: the sounds stop
    window.post_on_pump(2, WM_SYSCOMMAND, SC_KEYMENU);  // restored: nothing more
    window.post_on_pump(3, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(engine->stops, 1);
}

TEST_F(Program, SleepTimeZeroStillYieldsAfterEveryFrame) {
    app.sleep_time = 0;
    window.post_on_pump(4, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{0, 0, 0}));

    // A negative setting from a damaged settings file counts as 0, not as 49 days.
    clear_app_messages();
    clock.sleeps.clear();
    scripted_window again;
    set_main_window(&again);
    app.inactive = 0;
    app.sleep_time = -5;
    again.post_on_pump(2, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{0}));
}

TEST_F(Program, MusicEndStartsTheNextTrackOnlyInTheMenus) {
    // The notice reaches the input handler in both modes and ends nothing.
    app.menu_mode = 1;
    window.post_on_pump(1, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL);
    window.post_on_pump(2, WM_CLOSE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(world.messages.front(), MM_MCINOTIFY);
    EXPECT_EQ(world.updates, 0);
}

TEST(SceneSteps, ShutdownTwiceWritesSettingsOnlyWhenReadAndStartupCaptionsEndOnIndexing) {
    temp_folder tmp;
    d3d_app app;
    app_state state;
    g_app = &app;
    g_state = &state;
    scripted_window window;
    set_main_window(&window);
    app.d3d = std::make_unique<null_gfx_system>();
    {
        scene plain;
        // The graphics device needs the window's context.
        EXPECT_FALSE(plain.startup());
        EXPECT_STREQ(state.status_text, "Initializing Device");
        EXPECT_FALSE(plain.settings_were_read());
        ASSERT_TRUE(window.create("Ventrask", 0, 0, 640, 480));
        EXPECT_TRUE(plain.startup());
        EXPECT_TRUE(plain.settings_were_read());
        EXPECT_STREQ(state.status_text, "Indexing Scenery");
        // The design missile stands ready for the design tools, assembled from its parts.
        ASSERT_NE(plain.design_missile, nullptr);
        EXPECT_STREQ(plain.design_missile->name, "New Missile");
        EXPECT_NE(plain.design_missile->motor, nullptr);
        EXPECT_NE(plain.design_missile->aero, nullptr);
        plain.shutdown();
        EXPECT_EQ(plain.design_missile, nullptr);
        plain.shutdown();
    }  // the destructor runs shutdown a third time
    set_main_window(nullptr);
    g_state = nullptr;
    g_app = nullptr;
}
