#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/d3d_app.h"
#include "shell/speech.h"
#include "tests/shell/audio_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

class SpeechTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        sound.init_with(open_loopback_audio_device(k_test_rate));
        ASSERT_EQ(sound.available, 1);
        ASSERT_TRUE(voice.init(&sound));
    }
    void TearDown() override {
        voice.release();
        sound.release();
        g_app = nullptr;
    }
    temp_folder tmp;
    d3d_app app;
    sound_system sound;
    speech voice;
};

TEST_F(SpeechTest, VoicesFitTheTableWithEnglishFirst) {
    EXPECT_EQ(voice.voice_present, 1);
    EXPECT_GT(voice.voice_count, 0);
    EXPECT_LE(voice.voice_count, speech::k_max_voices);
    char name[128] = {};
    voice.voice_name(0, name, sizeof name);
    EXPECT_NE(std::string(name).find("English"), std::string::npos) << name;
    // A small buffer is cut, never overrun.
    char small[4] = {'x', 'x', 'x', 'x'};
    voice.voice_name(0, small, sizeof small);
    EXPECT_EQ(std::strlen(small), 3u);
    // No voice there: the buffer is left alone.
    char untouched[8] = "keep";
    voice.voice_name(voice.voice_count, untouched, sizeof untouched);
    voice.voice_name(-1, untouched, sizeof untouched);
    EXPECT_STREQ(untouched, "keep");
}

TEST_F(SpeechTest, StopAndSwitchesSilenceIt) {
    voice.speak("Scenario has ended, your score is 75 %");
    render(sound, 0.2);
    voice.stop_speaking();
    EXPECT_FALSE(voice.speaking());
    EXPECT_LT(rms(render(sound, 0.3).left, 0.01), 1e-4);

    voice.speech_on = 0;
    voice.speak("Target destroyed");
    EXPECT_FALSE(voice.speaking());
    voice.speech_on = 1;
    voice.speak("");
    EXPECT_FALSE(voice.speaking());
    voice.selected_voice = speech::k_max_voices;  // out of the table: nothing
    voice.speak("Target destroyed");
    EXPECT_FALSE(voice.speaking());
}

TEST_F(SpeechTest, VolumeFollowsTheSpeechSetting) {
    EXPECT_EQ(speech_volume_to_hundredths_db(0), -10000);
    EXPECT_EQ(speech_volume_to_hundredths_db(150), 0);

    voice.speak("Intercept");
    const double full = rms(render(sound, 0.6).left);
    sound.volume_speech = 10;
    voice.speak("Intercept");
    const double low = rms(render(sound, 0.6).left);
    ASSERT_GT(full, 0.001);
    EXPECT_NEAR(low / full, 0.1, 0.01);
}

TEST_F(SpeechTest, ANewMessageCutsOffTheOneInProgress) {
    voice.speak("This is a rather long message that takes several seconds to say aloud");
    render(sound, 0.3);
    voice.speak("Hit");
    EXPECT_TRUE(voice.speaking());
    const rendered r = render(sound, 3.0);
    EXPECT_GT(rms(r.left, 0.0, 1.0), 0.005);
    // "Hit" is over long before the long message would have been.
    EXPECT_LT(rms(r.left, 1.5, 3.0), 1e-4);
    EXPECT_FALSE(voice.speaking());
}

TEST(SpeechWithoutSound, HasVoicesButNothingToSpeakThrough) {
    sound_system silent;
    speech voice;
    EXPECT_FALSE(voice.init(&silent));
    EXPECT_EQ(voice.voice_present, 0);
    voice.speak("Missile launched");
    EXPECT_FALSE(voice.speaking());
    speech none;
    EXPECT_FALSE(none.init(nullptr));
}

TEST(SpeechText, Windows1252BecomesUtf8) {
    EXPECT_EQ(windows_1252_to_utf8("Range 5 km"), "Range 5 km");
    EXPECT_EQ(windows_1252_to_utf8("\xB0"), "\xC2\xB0");          // degree sign
    EXPECT_EQ(windows_1252_to_utf8("\x80"), "\xE2\x82\xAC");      // euro sign
    EXPECT_EQ(windows_1252_to_utf8("\x81"), "?");                 // undefined byte
    EXPECT_EQ(windows_1252_to_utf8(nullptr), "");
}

}  // namespace
