// The body of the WAVE fuzz target, shared with the corpus replay of the normal test suite:
// the input is a ".wav" file. It is parsed in memory (the padded data must have the size its
// chunk declares), then loaded by the sound system into a buffer of its device, played and
// mixed for a moment. The caller provides the application object, a file root and a sound
// system (a loopback device, so the mix can be rendered).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/sound_system.h"
#include "platform/files.h"

// False when a parsed file's samples differ in size from what its data chunk declares.
inline bool run_wave_file(sound_system& sound, const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> file(data, data + size);
    wave_format format;
    std::vector<std::uint8_t> pcm;
    if (parse_wave(file, &format, &pcm) && pcm.empty()) return false;

    fs_write("fuzz.wav", data, size);
    std::unique_ptr<sound_buffer> buffer;
    if (sound.load_wave("fuzz.wav", &buffer)) {
        sound.set_frequency(buffer.get(), format.samples_per_sec / 2 + 1);
        sound.play_once(buffer.get());
        float mix[2 * 64];
        if (sound.device() != nullptr) sound.device()->render(mix, 64);
        sound.stop(buffer.get());
    }
    return true;
}
