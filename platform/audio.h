// Sound output as the game uses it: secondary buffers that play once or looping at a volume in
// hundredths of a decibel and a frequency, with a 3-D position, velocity and minimum distance
// that take effect when the device commits them (once per frame); and one streamed music track.
// The real device sits on OpenAL Soft (platform/system); a loopback device renders into memory
// so tests can check what would have been heard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/math3d.h"
#include "platform/results.h"

// The 16 bytes of a WAVE file's PCM "fmt " chunk.
struct wave_format {
    std::uint16_t format_tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t samples_per_sec = 22050;
    std::uint32_t avg_bytes_per_sec = 44100;
    std::uint16_t block_align = 2;
    std::uint16_t bits_per_sample = 16;
};

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
// Buffer volumes in hundredths of a decibel: 0 is full, -10000 silence.
constexpr int DSBVOLUME_MIN = -10000;
constexpr int DSBVOLUME_MAX = 0;
// Frequency 0 means the buffer's own rate.
constexpr std::uint32_t DSBFREQUENCY_ORIGINAL = 0;

// The linear gain of a volume in hundredths of a decibel: 10^(v / 2000), v clamped to
// -10000..0.
float volume_to_gain(int hundredths_db);

class sound_buffer {
public:
    virtual ~sound_buffer() = default;
    // Plays from the current position. A buffer that is already playing is not restarted:
    // only its looping changes.
    virtual hresult play(bool looping) = 0;
    // Stops and keeps the position, so the next play resumes.
    virtual hresult stop() = 0;
    // Moves the position to the start (a playing buffer plays on from there).
    virtual hresult rewind() = 0;
    virtual bool playing() const = 0;
    virtual hresult set_volume(int hundredths_db) = 0;
    virtual hresult set_frequency(std::uint32_t hz) = 0;
    // 3-D settings, in the camera's left-handed axes (x right, y up, z ahead) with the
    // listener at the origin; they take effect at the device's next commit.
    virtual hresult set_position(const vec3& position) = 0;
    virtual hresult set_velocity(const vec3& velocity) = 0;
    virtual hresult set_min_distance(float metres) = 0;
};

// One music track decoded in pieces while it plays.
class music_stream {
public:
    virtual ~music_stream() = default;
    // Plays from the current position.
    virtual hresult play() = 0;
    // Stops and keeps the position.
    virtual hresult stop() = 0;
    virtual void set_gain(float gain) = 0;
    // Decodes ahead and keeps the output fed; call it often (every pass of the main loop).
    // True exactly once: when the track has played to its end.
    virtual bool pump() = 0;
    virtual bool playing() const = 0;
};

class audio_device {
public:
    virtual ~audio_device() = default;
    // A buffer holding the PCM data (8-bit unsigned or 16-bit signed, mono or stereo).
    virtual hresult create_buffer(const wave_format& format, const std::uint8_t* data,
                                  std::size_t bytes, std::unique_ptr<sound_buffer>* out) = 0;
    // Opens an mp3 file (a program name); nothing plays until play.
    virtual hresult open_music(const char* name, std::unique_ptr<music_stream>* out) = 0;
    virtual hresult set_doppler_factor(float factor) = 0;
    // Applies every 3-D setting made since the last commit.
    virtual hresult commit_deferred() = 0;
    // Loopback devices only: mixes the next frames into out as interleaved floats, one per
    // output channel (stereo: left, right; four channels: front left, front right, back left,
    // back right). False on a device that plays to a sound card.
    virtual bool render(float* out, int frames) = 0;
};

// The system's default output; none when no device opens (no sound card).
std::unique_ptr<audio_device> open_audio_device();
// A named output device; none when it does not exist.
std::unique_ptr<audio_device> open_named_audio_device(const char* name);
// A device that plays into memory at the given rate with 2 (stereo) or 4 (front and back
// pairs) channels: see audio_device::render.
std::unique_ptr<audio_device> open_loopback_audio_device(int rate, int channels = 2);
