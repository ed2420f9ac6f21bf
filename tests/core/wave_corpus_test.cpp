// Replays the WAVE fuzz corpus through the parser and the sound system on a loopback device.
#include <gtest/gtest.h>

#include "core/d3d_app.h"
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/wave_file.h"
#include "tests/support/temp_folder.h"

TEST(WaveCorpus, PcmSeedsLoadAndEveryInputAndPrefixNeverFaults) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    sound_system sound;
    sound.init_with(open_loopback_audio_device(22050));
    const auto inputs = load_corpus("wave");
    ASSERT_GE(inputs.size(), 4u) << "corpus not found";
    for (const char* name : {"mono8.wav", "stereo16.wav", "short_data.wav"}) {
        for (const corpus_input& input : inputs) {
            if (input.name != name) continue;
            fs_write("seed.wav", input.bytes.data(), input.bytes.size());
            std::unique_ptr<sound_buffer> buffer;
            EXPECT_TRUE(sound.load_wave("seed.wav", &buffer)) << name;
        }
    }
    replay_corpus(inputs, 24, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        EXPECT_TRUE(run_wave_file(sound, bytes.data(), bytes.size())) << name;
    });
    sound.release();
    g_app = nullptr;
}
