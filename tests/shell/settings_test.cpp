#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "platform/recording_device.h"
#include "platform/scripted_window.h"
#include "platform/window.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"
#include "core/sound_system.h"
#include "shell/speech.h"
#include "platform/files.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_folder.h"

namespace {

// The program's objects that hold settings, fresh for each test, in a private folder with a
// shown 1024 x 768 window.
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        gui_opacity = 255.0f;
        g_app = &app;
        g_state = &state;
        g_sound = &sound;
        g_speech = &voice;
        g_joystick = &joystick;
        set_main_window(&window);
        window.create("Ventrask", 0, 0, 1024, 768);
        app.window_width = 1024;
        app.window_height = 768;
    }
    void TearDown() override {
        set_main_window(nullptr);
        g_joystick = nullptr;
        g_speech = nullptr;
        g_sound = nullptr;
        g_state = nullptr;
        g_app = nullptr;
    }
    // The file a fresh program writes: every key with its default.
    std::string fresh_file() {
        EXPECT_TRUE(world.write_settings());
        return tmp.read("qvd.ini");
    }
    // Reads text as the settings file into a fresh set of objects.
    void read_file(const std::string& text) {
        tmp.write("qvd.ini", text);
        world.read_settings();
    }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    sound_system sound;
    speech voice;
    joystick_input joystick;
    scripted_window window;
    scene world;
};

TEST_F(Settings, AFreshFileHoldsEveryKeyAndReadsBackUnchanged) {
    world.read_settings();  // no file: every default stays
    EXPECT_EQ(app.start_window_mode, 2);
    const std::string fresh = fresh_file();
    EXPECT_EQ(fresh.rfind("1\t[window_mode]\r\n1024\t[window_width]\r\n768\t[window_height]\r\n", 0), 0u);
    // Every key is read (a missing one would be logged) and written again as it was.
    world.read_settings();
    EXPECT_EQ(app.log_length(), 0) << app.log_text();
    world.write_settings();
    EXPECT_EQ(tmp.read("qvd.ini"), fresh);
}

TEST_F(Settings, ChangedValuesSurviveAWriteAndARead) {
    world.read_settings();
    app.windowed = 0;  // full screen: the windowed size the file gave is kept
    sound.music_on = 1;
    voice.speech_on = 0;
    sound.volume_engine = -1500;
    sound.volume_music = 640;
    joystick.relative = 1;
    joystick.dead_zone = 0.25f;
    world.viewer.normal_fov = 0.6f;
    app.sleep_time = 7;
    app.color_scheme = 4;
    gui_opacity = 128.0f;
    world.ground.use_waves = 0;
    app.use_shadow = 0;
    app.use_tips = 0;
    state.max_objects_alt = 4500.0f;
    state.array_complexity = 0.75f;
    state.max_objects_count = 20000;
    world.write_settings();
    const std::string first = tmp.read("qvd.ini");

    d3d_app app2;
    app_state state2;
    sound_system sound2;
    speech voice2;
    joystick_input joystick2;
    g_app = &app2;
    g_state = &state2;
    g_sound = &sound2;
    g_speech = &voice2;
    g_joystick = &joystick2;
    scene world2;
    world2.read_settings();
    EXPECT_FLOAT_EQ(gui_opacity, 128.0f);
    EXPECT_EQ(app2.start_window_mode, 0);
    EXPECT_EQ(app2.window_width, 1024);
    EXPECT_EQ(app2.window_height, 768);
    // The saved field of view is the normal one and the start view; every other value is
    // checked by the second write being byte for byte the first.
    EXPECT_FLOAT_EQ(world2.viewer.fov, 0.6f);
    EXPECT_EQ(world2.ground.use_refmap, 1);

    // Nothing changed: the next write is byte for byte the same.
    app2.windowed = 0;
    world2.write_settings();
    EXPECT_EQ(tmp.read("qvd.ini"), first);
    g_app = &app;
    g_state = &state;
    g_sound = &sound;
    g_speech = &voice;
    g_joystick = &joystick;
}

TEST_F(Settings, TheWindowKeepsItsSizeFromStartToStart) {
    // A maximised first start records a window of the drawing area's size...
    read_file("2\t[window_mode]\r\n");
    EXPECT_EQ(app.start_window_mode, 2);
    window.set_bounds(0, 0, 1200, 900);
    world.write_settings();
    const std::string first = tmp.read("qvd.ini");
    EXPECT_NE(first.find("1\t[window_mode]\r\n1200\t[window_width]\r\n900\t[window_height]"), std::string::npos);

    // ...and the next start, centred in a window of that drawing size, writes it again.
    world.read_settings();
    EXPECT_EQ(app.start_window_mode, 1);
    EXPECT_EQ(app.window_width, 1200);
    EXPECT_EQ(app.window_height, 900);
    window.set_bounds(40, 60, app.window_width, app.window_height);
    world.write_settings();
    EXPECT_EQ(tmp.read("qvd.ini"), first);

    // A window without area in a hand-edited file keeps the start size.
    read_file("0\t[window_width]\r\n-5\t[window_height]\r\n");
    EXPECT_EQ(app.window_width, 1200);
    EXPECT_EQ(app.window_height, 900);
}

// A window smaller than the menus can use opens at their smallest, 640 x 480, with a log line;
// the size read before the window exists is brought up alike.
TEST_F(Settings, ASavedWindowSmallerThanTheMenusNeedOpensAtTheirSmallest) {
    read_file("1\t[window_mode]\r\n34\t[window_width]\r\n20\t[window_height]\r\n");
    EXPECT_EQ(app.window_width, 640);
    EXPECT_EQ(app.window_height, 480);
    EXPECT_NE(std::string(app.log_text())
                  .find("qvd.ini: the window size 34 x 20 is smaller than the menus need; 640 x 480 is used"),
              std::string::npos)
        << app.log_text();
    int width = 0, height = 0;
    ASSERT_TRUE(scene::saved_window_size(&width, &height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);

    // One side too small: only that side grows. The smallest itself passes without a word.
    read_file("1000\t[window_width]\r\n300\t[window_height]\r\n");
    EXPECT_EQ(app.window_width, 1000);
    EXPECT_EQ(app.window_height, 480);
    app.clear_log();
    read_file("640\t[window_width]\r\n480\t[window_height]\r\n");
    EXPECT_EQ(app.window_width, 640);
    EXPECT_EQ(app.window_height, 480);
    EXPECT_EQ(std::string(app.log_text()).find("smaller than the menus need"), std::string::npos);
}

TEST_F(Settings, KeysAreFoundAnywhereAndTakeTheLastNumber) {
    read_file(
        "[use_plants]\r\n"                  // no number yet: nothing to take
        "0.5\t[dead_zone] [use_tips]\r\n"   // both keys take 0.5
        "12\t[sleep_time]\r\n"              // given again below: the later line wins
        "[use_caustics]\r\n"                // no number: the earlier line's 12
        "0.001\t[use_mipmaps]\r\n"
        "0\t[use_shadow]\r\n"
        "// -7\t[sleep_time]\r\n"           // not a number at the start: 0 stays the value
        "-2.9\t[volume_sounds]\r\n"
        "0.25\t[dead_zone]\r\n"
        "bogus line without a key\r\n");
    EXPECT_EQ(app.use_plants, 1);
    EXPECT_FLOAT_EQ(joystick.dead_zone, 0.25f);
    EXPECT_EQ(app.use_tips, 1);
    EXPECT_EQ(app.use_caustics, 1);
    EXPECT_EQ(app.use_mipmaps, 1);
    EXPECT_EQ(app.use_shadow, 0);
    EXPECT_EQ(app.sleep_time, 0);
    EXPECT_EQ(sound.volume_sounds, -2);  // truncated toward zero

    read_file("0\t[use_caustics]\n0.25\t[use_tips]\n");  // LF line ends read as well
    EXPECT_EQ(app.use_caustics, 0);
    EXPECT_EQ(app.use_tips, 1);
}

TEST_F(Settings, ValuesBeyondTheirRangesAreClampedLoggedAndWrittenBack) {
    read_file(
        "5\t[dead_zone]\r\n"
        "-2147483648\t[volume_speech]\r\n"
        "1e+30\t[normal_fov]\r\n"
        "2147483647\t[sleep_time]\r\n"
        "1e30\t[volume_engine]\r\n"
        "nan\t[max_objects_count]\r\n"      // not a number: the earlier 1e30
        "1e999\t[shadow_alt]\r\n"           // no finite number: refused, the default stays
        "-1\t[use_tips]\r\n"                // flags take any number
        "0.75\t[array_complexity]\r\n");
    EXPECT_FLOAT_EQ(joystick.dead_zone, 1.0f);
    EXPECT_EQ(sound.volume_speech, 0);
    EXPECT_FLOAT_EQ(world.viewer.normal_fov, 2.0f);
    EXPECT_EQ(app.sleep_time, 1000);
    EXPECT_EQ(sound.volume_engine, 0);
    EXPECT_EQ(state.max_objects_count, 1000000);
    EXPECT_FLOAT_EQ(state.shadow_alt, 100.0f);
    EXPECT_EQ(app.use_tips, 1);
    EXPECT_FLOAT_EQ(state.array_complexity, 0.75f);

    // One line per clamped key and one for the refused number, each naming the file, and one
    // for the keys the file leaves out.
    const std::string log = app.log_text();
    EXPECT_NE(log.find("qvd.ini: [dead_zone] 5 is outside 0..1; 1 is used"), std::string::npos) << log;
    EXPECT_NE(log.find("qvd.ini: [volume_speech] -2147483648 is outside 0..100; 0 is used"), std::string::npos);
    EXPECT_NE(log.find("qvd.ini: refused a number that is not finite: 1e999"), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 8) << log;

    // The bounded values are the ones written, and reading them back needs no clamp.
    ASSERT_TRUE(world.write_settings());
    const std::string text = tmp.read("qvd.ini");
    for (const char* line : {"1\t[dead_zone]", "0\t[volume_speech]", "2\t[normal_fov]", "1000\t[sleep_time]"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    app.clear_log();
    world.read_settings();
    EXPECT_EQ(app.log_length(), 0) << app.log_text();
}

TEST_F(Settings, MissingDamagedUnreadableOrShortFilesKeepDefaults) {
    world.read_settings();  // no file: a first start, nothing to say
    EXPECT_EQ(app.log_length(), 0);

    const char garbage[] = "\x7f" "ELF\x01\x02\0\0garbage\r\n\xff\xfe";
    read_file(std::string(garbage, sizeof garbage - 1));
    EXPECT_EQ(sound.volume_music, 1024);
    EXPECT_NE(std::string(app.log_text()).find("qvd.ini holds no settings: every setting keeps its default"),
              std::string::npos);

    app.clear_log();
    read_file(fresh_file().substr(0, 60));  // cut short after [window_height]
    EXPECT_NE(std::string(app.log_text()).find("qvd.ini lacks 35 of its 38 settings (the first [music_on])"),
              std::string::npos) << app.log_text();

    app.clear_log();
    std::filesystem::remove(tmp.path() + "/qvd.ini");
    ASSERT_TRUE(fs_make_folder("qvd.ini"));
    world.read_settings();
    EXPECT_NE(std::string(app.log_text()).find("Could not read qvd.ini"), std::string::npos);
    EXPECT_FALSE(world.write_settings());  // nor is a folder replaced by the settings
    EXPECT_NE(std::string(app.log_text()).find("Could not write qvd.ini: Is a directory"), std::string::npos);
}

TEST_F(Settings, AWriteThatFailsMidwayKeepsTheOldFile) {
    const std::string fresh = fresh_file();
    // The new file passes 400 bytes: the write fails as on a full disk.
    EXPECT_TRUE(in_child_with_file_size_limit(400, [this] {
        app.sleep_time = 9;
        return !world.write_settings() &&
               std::string(app.log_text()).find("Could not write qvd.ini: File too large") != std::string::npos;
    }));
    EXPECT_EQ(tmp.read("qvd.ini"), fresh);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 1);
}

TEST_F(Settings, AFolderThatCannotBeWrittenIsToldOnceOnStderr) {
    app.d3d = std::make_unique<null_gfx_system>();
    fs_set_root(tmp.path() + "/gone");  // no such folder: nothing can be written in it
    ::testing::internal::CaptureStderr();
    {
        scene running;
        ASSERT_TRUE(running.startup());
        running.shutdown();
    }
    app.write_log_at_exit();
    // The sound libraries may speak on stderr as well: the program's own line comes once.
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("Ventrask cannot write in its folder (No such file or directory): settings, designs and "
                        "the log will not be saved\n"),
              std::string::npos);
    EXPECT_EQ(told.find("Ventrask", told.find("Ventrask") + 1), std::string::npos) << told;
    EXPECT_NE(std::string(app.log_text()).find("Could not write qvd.ini: No such file or directory"),
              std::string::npos);

    // A log that cannot be written at the close, with nothing said before, is told then.
    ::testing::internal::CaptureStderr();
    { d3d_app closing; }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Ventrask could not write Logfile.txt in its folder: No such file or directory\n");
    fs_set_root(tmp.path());
    g_app = &app;
}

TEST_F(Settings, LongLinesAreReadInPiecesWithoutOverrun) {
    const std::string padding(600, 'x');
    read_file("4\t" + padding + "[sleep_time]\r\n12\t[volume_speech]" + padding + "\r\n");
    // The key beyond the first 255 characters is in a later piece that starts with no number,
    // so it takes the value of the piece before: still 4.
    EXPECT_EQ(app.sleep_time, 4);
    EXPECT_EQ(sound.volume_speech, 12);
}

TEST_F(Settings, ControllerTablesRoundTripForTheSameControllers) {
    joystick.device_count = 2;  // two controllers whose names read back empty
    joystick.action_axis_codes[0] = 0x0101;
    joystick.action_buttons[15] = 3;
    joystick.enabled_axes[1] = 0x7F;
    joystick.axis_gain(1, 6) = 0.5f;
    joystick.axis_gain(0, 3) = 2.0f;
    world.write_settings();
    const std::string text = tmp.read("qvd.ini");
    EXPECT_NE(text.find("2\t[joysticks_num]\r\n\r\n\r\n\r\n16\t[joystick_actions]\r\n257\t1\r\n"),
              std::string::npos);
    // Gains in the file's order X, Y, Z, Rx, Ry, Rz, slider.
    EXPECT_NE(text.find("8\t[joystick_axes]\r\n0\t1\t1\t1\t2\t1\t1\t1\r\n127\t1\t1\t1\t1\t1\t1\t0.5\r\n"),
              std::string::npos);

    joystick.reset_mapping();
    world.read_settings();
    EXPECT_EQ(joystick.action_axis_codes[0], 0x0101);
    EXPECT_EQ(joystick.action_buttons[15], 3);
    EXPECT_EQ(joystick.enabled_axes[1], 0x7F);
    EXPECT_FLOAT_EQ(joystick.axis_gain(1, 6), 0.5f);
    EXPECT_FLOAT_EQ(joystick.axis_gain(0, 3), 2.0f);

    // Another set of controllers ignores the saved tables.
    joystick.reset_mapping();
    joystick.device_count = 1;
    world.read_settings();
    EXPECT_EQ(joystick.action_axis_codes[0], 0);
    EXPECT_EQ(joystick.enabled_axes[1], 0);
}

TEST_F(Settings, NoControllersWritesNoSectionsAndKeepsTheDefaults) {
    world.write_settings();
    EXPECT_EQ(tmp.read("qvd.ini").find("[joysticks_num]"), std::string::npos);
    world.read_settings();
    EXPECT_EQ(joystick.action_buttons[0], 1);
    // A file that never had controller sections gets none at the next write either.
    world.write_settings();
    EXPECT_EQ(tmp.read("qvd.ini").find("[joysticks_num]"), std::string::npos);
}

// A start with the controller unplugged keeps its saved assignments: the sections are written
// back as they were read, and the next start with the controller plugged in finds them.
TEST_F(Settings, ControllerSectionsSurviveAStartWithoutControllers) {
    joystick.device_count = 2;
    joystick.action_axis_codes[0] = 0x0101;
    joystick.action_buttons[15] = 3;
    joystick.enabled_axes[1] = 0x7F;
    joystick.axis_gain(1, 6) = 0.5f;
    world.write_settings();
    const std::string saved = tmp.read("qvd.ini");

    // Two starts without controllers: the defaults rule, the file stays byte for byte.
    for (int start = 0; start < 2; ++start) {
        joystick.reset_mapping();
        joystick.device_count = 0;
        world.read_settings();
        EXPECT_EQ(joystick.action_axis_codes[0], 0);
        world.write_settings();
        EXPECT_EQ(tmp.read("qvd.ini"), saved);
    }

    // Plugged in again: the saved tables come back.
    joystick.device_count = 2;
    world.read_settings();
    EXPECT_EQ(joystick.action_axis_codes[0], 0x0101);
    EXPECT_EQ(joystick.action_buttons[15], 3);
    EXPECT_EQ(joystick.enabled_axes[1], 0x7F);
    EXPECT_FLOAT_EQ(joystick.axis_gain(1, 6), 0.5f);

    // Another controller attached writes its own sections, not the kept ones.
    joystick.reset_mapping();
    joystick.device_count = 1;
    world.read_settings();
    world.write_settings();
    const std::string own = tmp.read("qvd.ini");
    EXPECT_NE(own.find("1\t[joysticks_num]\r\n"), std::string::npos);
    EXPECT_EQ(own.find("2\t[joysticks_num]"), std::string::npos);
    EXPECT_EQ(own.find("257\t1\r\n"), std::string::npos);

    // Hand-edited: a key after the sections is written once, from its value, and sections
    // longer than the writer makes are kept only up to its largest, with a log line.
    std::string text = "1\t[joysticks_num]\r\nPad\r\n\r\n7\t[sleep_time]\r\n";
    for (int i = 0; i < 100; ++i) text += "5\t6\r\n";
    joystick.device_count = 0;
    read_file(text);
    world.write_settings();
    const std::string kept = tmp.read("qvd.ini");
    EXPECT_NE(kept.find("\r\n1\t[joysticks_num]\r\nPad\r\n\r\n5\t6\r\n"), std::string::npos);
    EXPECT_EQ(kept.find("[sleep_time]"), kept.rfind("[sleep_time]"));
    EXPECT_NE(kept.find("7\t[sleep_time]"), std::string::npos);
    // 64 lines: the heading, the name, the empty line and 61 of the 100 pairs.
    int pairs = 0;
    for (std::size_t at = kept.find("5\t6\r\n"); at != std::string::npos; at = kept.find("5\t6\r\n", at + 1)) ++pairs;
    EXPECT_EQ(pairs, 61);
    EXPECT_NE(std::string(app.log_text()).find("qvd.ini: the controller sections run past 64 lines or 16384 bytes"),
              std::string::npos);
}

TEST_F(Settings, HandEditedControllerCountsStayInsideTheTables) {
    std::string text = "0\t[joysticks_num]\r\n99\t[joystick_actions]\r\n";
    for (int i = 0; i < 40; ++i) text += "5\t6\r\n";
    text += "1000\t[joystick_axes]\r\n";
    for (int i = 0; i < 20; ++i) text += "3\t2\t2\t2\t2\t2\t2\t2\r\n";
    text += "-4\t[joystick_actions]\r\n7\t[sleep_time]\r\n";
    read_file(text);
    for (int a = 0; a < joystick_input::k_actions; ++a) {
        EXPECT_EQ(joystick.action_axis_codes[a], 5);
        EXPECT_EQ(joystick.action_buttons[a], 6);
    }
    for (int d = 0; d < joystick_input::k_max_devices; ++d) EXPECT_EQ(joystick.enabled_axes[d], 3);
    EXPECT_FLOAT_EQ(joystick.axis_gain(7, 1), 2.0f);
    // The keys after the tables are still read.
    EXPECT_EQ(app.sleep_time, 7);

    // An incomplete or malformed table changes nothing.
    joystick.reset_mapping();
    read_file("0\t[joysticks_num]\r\n2\t[joystick_actions]\r\n4\t5\t-6\t7\r\n1\t[joystick_axes]\r\n3\t1\t1\r\n");
    EXPECT_EQ(joystick.action_axis_codes[0], 0);
    EXPECT_EQ(joystick.action_buttons[1], 2);
    EXPECT_EQ(joystick.enabled_axes[0], 0);
}

TEST_F(Settings, AFailedStartLeavesTheFileByteIdentical) {
    const std::string saved = "1\t[window_mode]\r\n800\t[window_width]\r\n600\t[window_height]\r\n\r\n1\t[music_on]\r\n";
    tmp.write("qvd.ini", saved);
    scripted_window no_window;  // never created: the device cannot be made
    set_main_window(&no_window);
    {
        scene failing;
        EXPECT_FALSE(failing.startup());
        failing.shutdown();
    }  // the destructor runs shutdown again
    EXPECT_EQ(tmp.read("qvd.ini"), saved);
}

TEST_F(Settings, AStartAndACloseWriteTheFileOnce) {
    const std::string fresh = fresh_file();
    app.d3d = std::make_unique<null_gfx_system>();
    {
        scene running;
        ASSERT_TRUE(running.startup());
        running.shutdown();
        EXPECT_EQ(tmp.read("qvd.ini"), fresh);
        tmp.write("qvd.ini", "changed by hand after the close");
    }  // the destructor's shutdown writes nothing more
    EXPECT_EQ(tmp.read("qvd.ini"), "changed by hand after the close");
}

}  // namespace
