// The sound service: the output device and its 3-D listener, the sound and music switches and
// the four volumes, WAVE files loaded into buffers, the small play/stop/volume operations every
// sound-producing object uses, and the music channel. One global object, reached through
// g_sound. Constructing it touches no device: `init` opens the output, and when none opens the
// program runs on silently (available stays 0, loads are skipped, plays do nothing).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio.h"
#include "core/music_channel.h"

class sound_system {
public:
    sound_system() = default;
    ~sound_system();
    sound_system(const sound_system&) = delete;
    sound_system& operator=(const sound_system&) = delete;

    // Opens the system's default output; sets available on success.
    void init();
    // The same with a given device (a loopback device in tests); none leaves sound unavailable.
    void init_with(std::unique_ptr<audio_device> device);

    // Loads a RIFF/WAVE file (8- or 16-bit PCM) into a new buffer. A data chunk shorter than
    // it declares is padded with silence. On failure logs "Failed to load %s" and out is none.
    bool load_wave(const char* path, std::unique_ptr<sound_buffer>* out);

    // Nothing for a null buffer or while sound is off. Play from the current position once,
    // play looping, or stop, rewind and play once. A playing buffer is never restarted by
    // play_once or play_looping.
    void play_once(sound_buffer* buffer) const;
    void play_looping(sound_buffer* buffer) const;
    void restart(sound_buffer* buffer) const;
    // Nothing for a null buffer; these act whether sound is on or off.
    void stop(sound_buffer* buffer) const;
    void set_volume(sound_buffer* buffer, int hundredths_db) const;
    void set_frequency(sound_buffer* buffer, std::uint32_t hz) const;

    // Commits the listener and every deferred 3-D setting; once per frame, after all
    // positional sounds have been set.
    void commit_listener();

    // Releases the music channel and the device; clears available.
    void release();

    // Music. open_music sends "open \"<path>\" alias MediaFile"; set_music_volume sends
    // "setaudio MediaFile volume to <v>" with v clamped to 0..1000.
    void open_music(const char* path);
    void set_music_volume(int volume);
    // Sends one media command string to the music channel; 0 on success.
    int send_media_command(const char* command);
    // Keeps the music fed and posts its end-of-track notice; every pass of the main loop.
    void pump_music();
    music_channel& music() { return music_; }

    // The output device, none while unavailable (speech plays through it; tests render it).
    audio_device* device() const { return device_.get(); }

    std::uint8_t sound_on = 1;       // [sound_on]
    std::uint8_t music_on = 0;       // [music_on]
    std::uint8_t available = 0;
    int volume_engine = 0;           // [volume_engine], hundredths of a decibel
    int volume_sounds = 0;           // [volume_sounds], hundredths of a decibel
    int volume_music = 1024;         // [volume_music], 0..1000 when sent to the music channel
    int volume_speech = 100;         // [volume_speech], percent

private:
    std::unique_ptr<audio_device> device_;
    music_channel music_;
};

// The PCM header and data of a RIFF/WAVE file in memory, the data padded with silence (128 for
// 8-bit data, 0 otherwise) up to the size its chunk declares. A data chunk that declares more
// than the whole file holds is not believed: only the samples present are taken (whole
// blocks), and cut, when given, is set. False when malformed or when too little is left.
bool parse_wave(const std::vector<std::uint8_t>& file, wave_format* format,
                std::vector<std::uint8_t>* pcm, bool* cut = nullptr);

// The program's one sound service; set by the entry function (tests set their own).
extern sound_system* g_sound;

// Whether the program's sound system exists and has a device to play on.
bool sound_available();

// Sends a media command string to g_sound's music channel; an error code without one.
int send_media_command(const char* command);
