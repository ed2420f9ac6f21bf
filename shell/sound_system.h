// The sound service: the output device and its 3-D listener, the sound and music switches and
// the four volumes, WAVE files loaded into buffers, the small play/stop/volume operations every
// sound-producing object uses, and the music channel. One global object, reached through
// g_sound. Constructing it touches no device: `init` opens the output, and when none opens the
// program runs on silently (available stays 0, loads are skipped, plays do nothing).
//
// This is the service's silent stand-in: its switches and volumes are real (the settings file
// keeps them), it never finds an output, so every load fails quietly and every play does
// nothing. The sound device replaces the bodies, not the calls.
#pragma once

#include <cstdint>
#include <memory>

// One loaded sound.
class sound_buffer {
public:
    virtual ~sound_buffer() = default;
};

class sound_system {
public:
    sound_system();
    ~sound_system();
    sound_system(const sound_system&) = delete;
    sound_system& operator=(const sound_system&) = delete;

    // Opens the output; sets available on success.
    void init();
    // Loads a RIFF/WAVE file into a new buffer; false (out none) when it cannot.
    bool load_wave(const char* path, std::unique_ptr<sound_buffer>* out);
    // Nothing for a null buffer or while sound is off.
    void play_once(sound_buffer* buffer) const;
    // Nothing for a null buffer; these act whether sound is on or off.
    void stop(sound_buffer* buffer) const;
    void set_volume(sound_buffer* buffer, int hundredths_db) const;
    // Commits the listener and every deferred 3-D setting; once per frame.
    void commit_listener();
    // Releases the music channel and the device; clears available.
    void release();
    // Music: "open \"<path>\" alias MediaFile"; "setaudio MediaFile volume to <v>" with v
    // clamped to 0..1000; one media command string (0 on success).
    void open_music(const char* path);
    void set_music_volume(int volume);
    int send_media_command(const char* command);

    std::uint8_t sound_on = 1;       // [sound_on]
    std::uint8_t music_on = 0;       // [music_on]
    std::uint8_t available = 0;
    int volume_engine = 0;           // [volume_engine], hundredths of a decibel
    int volume_sounds = 0;           // [volume_sounds], hundredths of a decibel
    int volume_music = 1024;         // [volume_music], 0..1000 when sent to the music channel
    int volume_speech = 100;         // [volume_speech], percent
};

// The program's one sound service; set by the entry function (tests set their own).
extern sound_system* g_sound;

// Sends a media command string to g_sound's music channel; an error code without one.
int send_media_command(const char* command);
