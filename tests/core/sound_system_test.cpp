#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/d3d_app.h"
#include "platform/messages.h"
#include "tests/shell/audio_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

class SoundSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_sound = &sound;
        sound.init_with(open_loopback_audio_device(k_test_rate));
        ASSERT_EQ(sound.available, 1);
        clear_app_messages();
    }
    void TearDown() override {
        sound.release();
        g_sound = nullptr;
        g_app = nullptr;
        clear_app_messages();
    }
    std::unique_ptr<sound_buffer> load(const char* name, const std::string& content) {
        tmp.write(name, content);
        std::unique_ptr<sound_buffer> b;
        EXPECT_TRUE(sound.load_wave(name, &b));
        return b;
    }

    temp_folder tmp;
    d3d_app app;
    sound_system sound;
};

TEST(WaveFile, ShortDataIsPaddedWithTheSilenceOfItsSampleSize) {
    wave_format f;
    std::vector<std::uint8_t> pcm;
    const std::string w8 = make_wave(8, 1, 11025, {10, 20, 30}, 8);
    ASSERT_TRUE(parse_wave(std::vector<std::uint8_t>(w8.begin(), w8.end()), &f, &pcm));
    EXPECT_EQ(f.bits_per_sample, 8);
    EXPECT_EQ(f.samples_per_sec, 11025u);
    EXPECT_EQ(pcm, (std::vector<std::uint8_t>{10, 20, 30, 128, 128, 128, 128, 128}));

    const std::string w16 = make_wave(16, 2, 22050, {-2, 3}, 10);
    ASSERT_TRUE(parse_wave(std::vector<std::uint8_t>(w16.begin(), w16.end()), &f, &pcm));
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(pcm, (std::vector<std::uint8_t>{0xFE, 0xFF, 3, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(WaveFile, MalformedFilesAreRefused) {
    wave_format f;
    std::vector<std::uint8_t> pcm;
    auto parse = [&](const std::string& s) {
        return parse_wave(std::vector<std::uint8_t>(s.begin(), s.end()), &f, &pcm);
    };
    const std::string good = make_wave(16, 1, 22050, {1, 2, 3, 4});
    EXPECT_TRUE(parse(good));
    EXPECT_FALSE(parse(""));
    EXPECT_FALSE(parse("RIFF"));
    EXPECT_FALSE(parse("RIFX" + good.substr(4)));
    EXPECT_FALSE(parse(good.substr(0, 30)));                     // cut inside "fmt "
    EXPECT_FALSE(parse(make_wave(16, 1, 22050, {1}, 0xFFFFFFF0))); // absurd declared size
    std::string bad_fmt = good;
    bad_fmt[16] = 8;  // "fmt " shorter than its 16-byte header
    EXPECT_FALSE(parse(bad_fmt));
}

// What a data chunk declares is bounded by the size of the file: a 44-byte header that
// declares a quarter of a gigabyte asks for no buffer of that size, and a longer file that
// declares more than it holds keeps the whole 16-bit sample frames it has.
TEST(WaveFile, ADeclaredSizeBeyondTheFileIsNotBelieved) {
    wave_format f;
    std::vector<std::uint8_t> pcm;
    bool cut = false;
    const std::string header_only = make_wave(16, 1, 22050, {}, 0x0FFFFFF0);
    ASSERT_EQ(header_only.size(), 44u);
    EXPECT_FALSE(parse_wave(std::vector<std::uint8_t>(header_only.begin(), header_only.end()), &f, &pcm, &cut));
    EXPECT_TRUE(cut);
    EXPECT_LT(pcm.capacity(), 1024u);

    std::vector<int> samples(101);
    for (int i = 0; i < 101; ++i) samples[i] = i * 300 - 15000;
    std::string stereo = make_wave(16, 2, 22050, samples, 200000000);
    stereo.pop_back();  // half a sample: the frame it starts is not whole
    ASSERT_TRUE(parse_wave(std::vector<std::uint8_t>(stereo.begin(), stereo.end()), &f, &pcm, &cut));
    EXPECT_TRUE(cut);
    ASSERT_EQ(pcm.size(), 200u);  // 50 whole frames of 2 x 2 bytes
    EXPECT_EQ(pcm[0], static_cast<std::uint8_t>(-15000 & 0xFF));
    EXPECT_EQ(pcm[199], static_cast<std::uint8_t>(((99 * 300 - 15000) >> 8) & 0xFF));

    // Within the file's size a short chunk is still padded, and nothing is said of it.
    const std::string padded = make_wave(8, 1, 11025, {1, 2}, 40);
    ASSERT_TRUE(parse_wave(std::vector<std::uint8_t>(padded.begin(), padded.end()), &f, &pcm, &cut));
    EXPECT_FALSE(cut);
    EXPECT_EQ(pcm.size(), 40u);
}

TEST_F(SoundSystemTest, MissingOrBadFilesLogAndGiveNoBuffer) {
    std::unique_ptr<sound_buffer> b;
    EXPECT_FALSE(sound.load_wave("sounds\\none.wav", &b));
    EXPECT_EQ(b, nullptr);
    tmp.write("sounds/text.wav", "not a wave file");
    EXPECT_FALSE(sound.load_wave("sounds\\text.wav", &b));
    // 24-bit data: the device takes 8- and 16-bit PCM only.
    tmp.write("sounds/deep.wav", make_wave(8, 3, 22050, {1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(sound.load_wave("sounds\\deep.wav", &b));
    tmp.write("sounds/empty.wav", make_wave(16, 1, 22050, {}, 0x0FFFFFF0));
    EXPECT_FALSE(sound.load_wave("sounds\\empty.wav", &b));
    // A track that cannot be opened plays nothing and is named once, however often it is tried.
    sound.open_music("music\\none.mp3");
    sound.open_music("music\\none.mp3");
    const std::string log = app.log_text();
    EXPECT_NE(log.find("sounds\\empty.wav declares more sound than the file holds"), std::string::npos);
    EXPECT_NE(log.find("Failed to load sounds\\empty.wav\r\n"), std::string::npos);
    const std::size_t track = log.find("Failed to load music\\none.mp3\r\n");
    EXPECT_NE(track, std::string::npos);
    EXPECT_EQ(log.find("Failed to load music\\none.mp3", track + 1), std::string::npos);
    EXPECT_NE(log.find("Failed to load sounds\\none.wav\r\n"), std::string::npos);
    EXPECT_NE(log.find("Failed to load sounds\\text.wav\r\n"), std::string::npos);
    EXPECT_NE(log.find("Failed to load sounds\\deep.wav\r\n"), std::string::npos);
}

TEST_F(SoundSystemTest, PlayOnceDoesNotRestartAPlayingSound) {
    auto b = load("tone.wav", make_tone(0.2));
    sound.play_once(b.get());
    const rendered first = render(sound, 0.1);
    EXPECT_GT(rms(first.left), 0.05);
    sound.play_once(b.get());  // mid-way: must not start again from the beginning
    const rendered second = render(sound, 0.3);
    EXPECT_GT(rms(second.left, 0.0, 0.09), 0.05);
    EXPECT_LT(rms(second.left, 0.12, 0.3), 1e-4);
    EXPECT_FALSE(b->playing());
}

TEST_F(SoundSystemTest, StopKeepsThePositionAndPlayResumes) {
    auto b = load("tone.wav", make_tone(0.2));
    sound.play_once(b.get());
    render(sound, 0.1);
    sound.stop(b.get());
    EXPECT_LT(rms(render(sound, 0.1).left, 0.01), 1e-4);
    sound.play_once(b.get());
    const rendered rest = render(sound, 0.3);
    EXPECT_GT(rms(rest.left, 0.0, 0.09), 0.05);   // the second half
    EXPECT_LT(rms(rest.left, 0.12, 0.3), 1e-4);   // and no more

    // Restart plays the whole sound again.
    sound.restart(b.get());
    const rendered again = render(sound, 0.3);
    EXPECT_GT(rms(again.left, 0.0, 0.19), 0.05);
    EXPECT_LT(rms(again.left, 0.22, 0.3), 1e-4);
}

TEST_F(SoundSystemTest, LoopingPlaysOnUntilStopped) {
    auto b = load("tone.wav", make_tone(0.05));
    sound.play_looping(b.get());
    EXPECT_GT(rms(render(sound, 0.3).left, 0.2, 0.3), 0.05);
    sound.stop(b.get());
    EXPECT_LT(rms(render(sound, 0.1).left, 0.01), 1e-4);
}

TEST_F(SoundSystemTest, VolumeInHundredthsOfADecibel) {
    EXPECT_FLOAT_EQ(volume_to_gain(0), 1.0f);
    EXPECT_FLOAT_EQ(volume_to_gain(-10000), 0.0f);
    EXPECT_FLOAT_EQ(volume_to_gain(500), 1.0f);  // above full is full

    auto b = load("tone.wav", make_tone(1.0));
    sound.play_looping(b.get());
    const double full = rms(render(sound, 0.2).left, 0.05);
    sound.set_volume(b.get(), -600);
    const double lowered = rms(render(sound, 0.2).left, 0.05);
    ASSERT_GT(full, 0.05);
    EXPECT_NEAR(lowered / full, std::pow(10.0, -0.3), 0.005);
}

TEST_F(SoundSystemTest, FrequencyChangesThePitch) {
    auto b = load("tone.wav", make_tone(0.2));
    sound.set_frequency(b.get(), k_test_rate * 2);  // twice the rate: over in half the time
    sound.play_once(b.get());
    const rendered r = render(sound, 0.3);
    EXPECT_GT(rms(r.left, 0.0, 0.09), 0.05);
    EXPECT_LT(rms(r.left, 0.12, 0.3), 1e-4);
}

TEST_F(SoundSystemTest, PositionsAreDeferredAndARightSourceIsLouderOnTheRight) {
    auto b = load("tone.wav", make_tone(2.0));
    sound.play_looping(b.get());
    // Camera axes: x right, z ahead. Ahead and to the right of the listener.
    b->set_position(vec3{3.0f, 0.0f, 3.0f});
    b->set_min_distance(10.0f);
    rendered r = render(sound, 0.1);
    EXPECT_NEAR(rms(r.left, 0.05), rms(r.right, 0.05), 1e-3);  // not committed yet
    sound.commit_listener();
    r = render(sound, 0.2);
    EXPECT_GT(rms(r.right, 0.1), 1.5 * rms(r.left, 0.1));

    b->set_position(vec3{-3.0f, 0.0f, -3.0f});  // behind, to the left
    sound.commit_listener();
    r = render(sound, 0.2);
    EXPECT_GT(rms(r.left, 0.1), 1.5 * rms(r.right, 0.1));
}

TEST_F(SoundSystemTest, MinimumDistanceSetsWhereTheSoundStartsToFade) {
    auto b = load("tone.wav", make_tone(2.0));
    sound.play_looping(b.get());
    b->set_position(vec3{0.0f, 0.0f, 20.0f});
    b->set_min_distance(10.0f);
    sound.commit_listener();
    const double at_20 = rms(render(sound, 0.2).left, 0.1);
    b->set_min_distance(20.0f);
    sound.commit_listener();
    const double at_min = rms(render(sound, 0.2).left, 0.1);
    // Inverse distance: 10 / 20 of the level at the minimum distance.
    EXPECT_NEAR(at_20 / at_min, 0.5, 0.01);
}

TEST_F(SoundSystemTest, WithSoundOffPlaysAreIgnoredButStopAndVolumeStillAct) {
    auto b = load("tone.wav", make_tone(1.0));
    sound.play_looping(b.get());
    const double full = rms(render(sound, 0.1).left, 0.05);
    sound.sound_on = 0;
    sound.play_once(nullptr);
    sound.restart(b.get());  // ignored: keeps playing where it is
    sound.set_volume(b.get(), -2000);
    EXPECT_NEAR(rms(render(sound, 0.2).left, 0.05) / full, 0.1, 0.002);
    sound.stop(b.get());
    EXPECT_FALSE(b->playing());
    sound.play_once(b.get());
    EXPECT_FALSE(b->playing());
}

TEST(SoundSystemWithoutDevice, StartsAndRunsSilently) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    {
        EXPECT_EQ(open_named_audio_device("no such sound card"), nullptr);
        sound_system sound;
        g_sound = &sound;
        sound.init_with(open_named_audio_device("no such sound card"));
        EXPECT_EQ(sound.available, 0);
        EXPECT_NE(std::string(app.log_text()).find("E_AL_NO_DEVICE dmusic line"), std::string::npos);
        tmp.write("sounds/click.wav", make_tone(0.1));
        std::unique_ptr<sound_buffer> b;
        EXPECT_FALSE(sound.load_wave("sounds\\click.wav", &b));
        sound.play_once(b.get());
        sound.stop(b.get());
        sound.commit_listener();
        sound.open_music("music\\intro.mp3");
        EXPECT_NE(send_media_command("play MediaFile notify"), 0);
        sound.pump_music();
        sound.release();
        g_sound = nullptr;
    }
    g_app = nullptr;
}

// ---- music

// Encodes a short mp3 with lame from a generated tone; false when lame is missing.
bool make_mp3(const temp_folder& tmp, const char* relative, double seconds) {
    tmp.write("tone.wav", make_tone(seconds, 0.25, 44100));
    const std::string cmd = "lame --quiet -b 64 '" + tmp.path() + "/tone.wav' '" + tmp.path() +
                            "/" + relative + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 && tmp.exists(relative);
}

// Renders and pumps the music for up to seconds; true when the end-of-track notice came.
bool run_music(sound_system& sound, double seconds, double* peak = nullptr) {
    std::vector<float> mix(2 * 1024);
    for (int i = 0; i < seconds * k_test_rate / 1024; ++i) {
        sound.pump_music();
        sound.device()->render(mix.data(), 1024);
        for (float s : mix)
            if (peak) *peak = std::max(*peak, static_cast<double>(std::fabs(s)));
        app_message m;
        while (take_app_message(&m)) {
            EXPECT_EQ(m.code, MM_MCINOTIFY);
            EXPECT_EQ(m.wparam, MCI_NOTIFY_SUCCESSFUL);
            return true;
        }
    }
    return false;
}

TEST_F(SoundSystemTest, EndOfTrackNoticeArrivesWhenATrackPlaysToItsEnd) {
    tmp.write("music/.keep", "");
    ASSERT_TRUE(make_mp3(tmp, "music/short.mp3", 0.4));
    sound.open_music("music\\Short.mp3");
    ASSERT_TRUE(sound.music().is_open());
    sound.set_music_volume(sound.volume_music);  // 1024 is clamped to 1000
    EXPECT_EQ(sound.music().volume(), 1000);
    EXPECT_EQ(send_media_command("play MediaFile notify"), 0);
    double peak = 0.0;
    EXPECT_TRUE(run_music(sound, 2.0, &peak));
    EXPECT_GT(peak, 0.05);
    // Exactly one notice.
    EXPECT_FALSE(run_music(sound, 0.5));
    EXPECT_EQ(send_media_command("stop MediaFile"), 0);
    EXPECT_EQ(send_media_command("close MediaFile"), 0);
    EXPECT_FALSE(sound.music().is_open());
}

TEST_F(SoundSystemTest, StopOrCloseNeverSendsTheNotice) {
    ASSERT_TRUE(make_mp3(tmp, "siren.mp3", 0.4));
    sound.open_music("siren.mp3");
    send_media_command("play MediaFile notify");
    EXPECT_FALSE(run_music(sound, 0.1));
    EXPECT_EQ(send_media_command("stop MediaFile"), 0);
    EXPECT_FALSE(sound.music().is_playing());
    EXPECT_FALSE(run_music(sound, 1.0));
    // Playing on without notify still ends silently.
    send_media_command("play MediaFile");
    EXPECT_FALSE(run_music(sound, 1.0));
    send_media_command("close MediaFile");

    sound.open_music("siren.mp3");
    send_media_command("play MediaFile notify");
    run_music(sound, 0.1);
    send_media_command("close MediaFile");
    EXPECT_FALSE(run_music(sound, 1.0));
}

TEST_F(SoundSystemTest, MediaCommandsCheckTheirWords) {
    ASSERT_TRUE(make_mp3(tmp, "a.mp3", 0.2));
    EXPECT_NE(send_media_command("play MediaFile notify"), 0);        // nothing open
    EXPECT_NE(send_media_command("open \"missing.mp3\" alias MediaFile"), 0);
    EXPECT_NE(send_media_command("open \"a.mp3 alias MediaFile"), 0);  // unterminated quote
    EXPECT_NE(send_media_command(""), 0);
    EXPECT_NE(send_media_command(nullptr), 0);
    EXPECT_EQ(send_media_command("OPEN \"a.mp3\" ALIAS MediaFile"), 0);
    EXPECT_NE(send_media_command("open \"a.mp3\" alias MediaFile"), 0);  // already open
    EXPECT_NE(send_media_command("play Other"), 0);
    EXPECT_NE(send_media_command("setaudio MediaFile volume to loud"), 0);
    EXPECT_EQ(send_media_command("setaudio mediafile volume to -5"), 0);
    EXPECT_EQ(sound.music().volume(), 0);
    EXPECT_NE(send_media_command("rewind MediaFile"), 0);
    EXPECT_EQ(send_media_command("close MediaFile"), 0);

    // A path that does not fit the command line is refused, not cut.
    sound.open_music(std::string(120, 'x').c_str());
    EXPECT_FALSE(sound.music().is_open());
}

TEST_F(SoundSystemTest, BrokenMusicFilesFailOrEndCleanly) {
    tmp.write("noise.mp3", std::string(4096, '\x55'));
    sound.open_music("noise.mp3");
    if (sound.music().is_open()) {  // a decoder may accept garbage as frames: it must end
        send_media_command("play MediaFile notify");
        run_music(sound, 2.0);
        EXPECT_FALSE(sound.music().is_playing());
        send_media_command("close MediaFile");
    }
    // A track cut in the middle plays what it has and then ends with the notice.
    ASSERT_TRUE(make_mp3(tmp, "whole.mp3", 1.0));
    const std::string whole = tmp.read("whole.mp3");
    tmp.write("half.mp3", whole.substr(0, whole.size() / 2));
    sound.open_music("half.mp3");
    ASSERT_TRUE(sound.music().is_open());
    send_media_command("play MediaFile notify");
    EXPECT_TRUE(run_music(sound, 2.0));
    send_media_command("close MediaFile");
}

// Energy of one channel of an interleaved four-channel mix.
double channel_rms(const std::vector<float>& mix, int channel) {
    double sum = 0.0;
    for (std::size_t i = static_cast<std::size_t>(channel); i < mix.size(); i += 4)
        sum += static_cast<double>(mix[i]) * mix[i];
    return std::sqrt(sum / static_cast<double>(mix.size() / 4));
}

TEST(SoundSystemAxes, AheadOfTheCameraIsInFrontOfTheListener) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    {
        sound_system sound;
        sound.init_with(open_loopback_audio_device(k_test_rate, 4));
        ASSERT_EQ(sound.available, 1);
        tmp.write("tone.wav", make_tone(2.0));
        std::unique_ptr<sound_buffer> b;
        ASSERT_TRUE(sound.load_wave("tone.wav", &b));
        sound.play_looping(b.get());
        std::vector<float> mix(4 * 4410);
        auto front_and_back = [&](float z, double* front, double* back) {
            b->set_position(vec3{0.0f, 0.0f, z});
            sound.commit_listener();
            sound.device()->render(mix.data(), 4410);  // let the gains settle
            sound.device()->render(mix.data(), 4410);
            *front = channel_rms(mix, 0) + channel_rms(mix, 1);
            *back = channel_rms(mix, 2) + channel_rms(mix, 3);
        };
        double front = 0.0, back = 0.0;
        front_and_back(5.0f, &front, &back);  // camera z is ahead
        EXPECT_GT(front, 1.5 * back);
        front_and_back(-5.0f, &front, &back);
        EXPECT_GT(back, 1.5 * front);
        sound.release();
    }
    g_app = nullptr;
}

}  // namespace
