// Helpers for the sound tests: WAVE files made in the test, a loopback sound system and
// measurements of what it renders.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

#include "core/sound_system.h"

constexpr int k_test_rate = 44100;

// A RIFF/WAVE file image; declared_bytes overrides the data chunk's size field when >= 0.
inline std::string make_wave(int bits, int channels, int rate, const std::vector<int>& samples,
                             long declared_bytes = -1) {
    std::string data;
    for (int s : samples) {
        if (bits == 8) {
            data.push_back(static_cast<char>(s));
        } else {
            data.push_back(static_cast<char>(s & 0xFF));
            data.push_back(static_cast<char>((s >> 8) & 0xFF));
        }
    }
    auto u32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    auto u16 = [](std::uint16_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
    };
    const int block = channels * bits / 8;
    std::string fmt = u16(1) + u16(static_cast<std::uint16_t>(channels)) + u32(rate) +
                      u32(rate * block) + u16(static_cast<std::uint16_t>(block)) +
                      u16(static_cast<std::uint16_t>(bits));
    const std::uint32_t declared =
        declared_bytes >= 0 ? static_cast<std::uint32_t>(declared_bytes) : data.size();
    std::string body = "WAVE" + std::string("fmt ") + u32(16) + fmt + "data" + u32(declared) + data;
    return "RIFF" + u32(static_cast<std::uint32_t>(body.size())) + body;
}

// A mono 16-bit square wave of the given length and amplitude (of 32767) at 441 Hz.
inline std::string make_tone(double seconds, double amplitude = 0.25, int rate = k_test_rate) {
    std::vector<int> samples(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int>(((i / 50) % 2 ? 1 : -1) * amplitude * 32767);
    return make_wave(16, 1, rate, samples);
}

struct rendered {
    std::vector<float> left, right;
};

// Renders seconds of output from the sound system's loopback device.
inline rendered render(sound_system& sound, double seconds) {
    const int frames = static_cast<int>(seconds * k_test_rate);
    std::vector<float> mix(static_cast<std::size_t>(frames) * 2);
    rendered r;
    if (sound.device() == nullptr || !sound.device()->render(mix.data(), frames)) return r;
    for (int i = 0; i < frames; ++i) {
        r.left.push_back(mix[2 * i]);
        r.right.push_back(mix[2 * i + 1]);
    }
    return r;
}

// Root mean square of samples from..to seconds into a rendering.
inline double rms(const std::vector<float>& s, double from = 0.0, double to = 1e9) {
    const std::size_t a = static_cast<std::size_t>(from * k_test_rate);
    const std::size_t b = std::min(s.size(), static_cast<std::size_t>(to * k_test_rate));
    if (b <= a) return 0.0;
    double sum = 0.0;
    for (std::size_t i = a; i < b; ++i) sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(b - a));
}

// Encodes a WAVE file image as an mp3 file at path (lame); false when that fails.
inline bool write_mp3(const std::string& path, const std::string& wave) {
    const std::string wav_path = path + ".wav";
    FILE* f = std::fopen(wav_path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(wave.data(), 1, wave.size(), f) == wave.size();
    std::fclose(f);
    const std::string cmd = "lame --quiet -b 64 '" + wav_path + "' '" + path + "' 2>/dev/null";
    const bool encoded = written && std::system(cmd.c_str()) == 0;
    std::remove(wav_path.c_str());
    return encoded;
}
