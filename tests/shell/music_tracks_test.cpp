#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/messages.h"
#include "shell/music_tracks.h"
#include "tests/shell/audio_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

class MusicTracksTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        g_sound = &output;
        output.init_with(open_loopback_audio_device(k_test_rate));
        ASSERT_EQ(output.available, 1);
        output.music_on = 1;
        play_siren(1);
    }
    void TearDown() override {
        play_siren(2);
        output.release();
        g_sound = nullptr;
        g_state = nullptr;
        g_app = nullptr;
        clear_app_messages();
    }
    // A short mp3 made from a generated tone with lame.
    void make_mp3(const std::string& relative) {
        tmp.write("tone.wav", make_tone(0.2));
        const std::string cmd = "lame --quiet -b 64 '" + tmp.path() + "/tone.wav' '" +
                                tmp.path() + "/" + relative + "' 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    sound_system output;
};

TEST_F(MusicTracksTest, NextTrackIsAnyFileButTheIntro) {
    tmp.write("music/intro.mp3", "");  // makes the folder; replaced by the real file
    make_mp3("music/intro.mp3");
    play_next_music();
    EXPECT_FALSE(output.music().is_open());  // only the intro: nothing plays

    make_mp3("music/theme.mp3");
    play_next_music();
    EXPECT_TRUE(output.music().is_open());
    EXPECT_TRUE(output.music().is_playing());
    EXPECT_EQ(output.music().volume(), 1000);  // [volume_music] 1024 clamped

    // With music off nothing starts and the channel is left as it is.
    send_media_command("close MediaFile");
    output.music_on = 0;
    play_next_music();
    EXPECT_FALSE(output.music().is_open());
}

TEST_F(MusicTracksTest, SirenSoundsAtMostOncePerThirtySeconds) {
    tmp.write("sounds/siren.mp3", "");
    make_mp3("sounds/siren.mp3");
    state.now = 1000;
    play_siren(0);
    EXPECT_TRUE(output.music().is_playing());
    EXPECT_EQ(siren_time(), 31000u);
    send_media_command("close MediaFile");

    state.now = 20000;  // a second threat within 30 s
    play_siren(0);
    EXPECT_FALSE(output.music().is_open());
    play_siren(1);      // the siren option switched on again: may sound at once
    play_siren(0);
    EXPECT_TRUE(output.music().is_playing());

    play_siren(2);
    EXPECT_FALSE(output.music().is_open());
    EXPECT_EQ(siren_time(), 0u);

    output.sound_on = 0;
    state.now = 100000;
    play_siren(0);
    EXPECT_FALSE(output.music().is_open());
    play_siren(3);  // unknown mode: nothing
    EXPECT_EQ(siren_time(), 0u);
}

}  // namespace
