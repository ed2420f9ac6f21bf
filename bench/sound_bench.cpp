// Speech synthesis of one event message (the program waits for it, so it must stay at a few
// milliseconds) and the cost of committing and mixing many positional sounds.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/audio.h"
#include "platform/speech_engine.h"

namespace {

void BM_SpeakEventMessage(benchmark::State& state) {
    auto engine = open_speech_engine();
    if (engine == nullptr || engine->voices().empty()) {
        state.SkipWithError("no speech engine");
        return;
    }
    std::vector<std::int16_t> samples;
    for (auto _ : state) {
        engine->synthesize("Missile launched from system 2", 0, &samples);
        benchmark::DoNotOptimize(samples.data());
    }
}
BENCHMARK(BM_SpeakEventMessage)->Unit(benchmark::kMillisecond);

void BM_MixPositionalSounds(benchmark::State& state) {
    auto device = open_loopback_audio_device(44100);
    if (device == nullptr) {
        state.SkipWithError("no loopback device");
        return;
    }
    std::vector<std::int16_t> tone(22050);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>(8000 * std::sin(i * 0.0628));
    wave_format f;
    std::vector<std::unique_ptr<sound_buffer>> buffers(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        device->create_buffer(f, reinterpret_cast<const std::uint8_t*>(tone.data()),
                              tone.size() * 2, &buffers[i]);
        buffers[i]->play(true);
    }
    std::vector<float> mix(2 * 735);  // one frame at 60 frames/s
    float t = 0.0f;
    for (auto _ : state) {
        t += 0.016f;
        for (std::size_t i = 0; i < buffers.size(); ++i)
            buffers[i]->set_position(vec3{std::sin(t + i) * 50.0f, 0.0f, std::cos(t + i) * 50.0f});
        device->commit_deferred();
        device->render(mix.data(), 735);
        benchmark::DoNotOptimize(mix.data());
    }
}
BENCHMARK(BM_MixPositionalSounds)->Arg(8)->Arg(64);

}  // namespace
