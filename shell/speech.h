// The speech service: the installed voices (English ones first, at most 24), the chosen voice,
// and event messages spoken without the program waiting: a message is synthesised in a few
// milliseconds and played through a sound buffer of the sound service, cutting off the one
// before. One global object, reached through g_speech; constructing it touches no engine.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/audio.h"
#include "platform/speech_engine.h"

class sound_system;

class speech {
public:
    static constexpr int k_max_voices = 24;

    speech() = default;
    ~speech();
    speech(const speech&) = delete;
    speech& operator=(const speech&) = delete;

    // Starts the speech engine and lists its voices; speaks through g_sound's device.
    bool init();
    // The same through the given sound service. True when voices exist and the sound
    // service has an output device to speak through.
    bool init(sound_system* output);
    // The same with a given engine (tests give one that writes down what it says).
    bool init(sound_system* output, std::unique_ptr<speech_engine> engine);
    // The description of voice i into buffer (size bytes, cut to fit); nothing when there is
    // no voice i.
    void voice_name(int index, char* buffer, int size) const;
    // Speaks text with the selected voice at [volume_speech], cutting off speech in progress;
    // nothing when speech is off, no voice exists or the text is empty.
    void speak(const char* text);
    // Volume 0..100 of speech in progress.
    void set_volume(int volume);
    void stop_speaking();
    bool speaking() const;
    void release();

    std::uint8_t speech_on = 1;       // [speech_on]
    std::uint8_t voice_present = 0;
    int voice_count = 0;
    int selected_voice = 0;           // index into the voice table

private:
    sound_system* output_ = nullptr;
    std::unique_ptr<speech_engine> engine_;
    int voices_[k_max_voices] = {};   // the engine's voice index of each table entry
    std::unique_ptr<sound_buffer> playing_;
};

// The program's one speech service; set by the entry function (tests set their own).
extern speech* g_speech;

// A speech volume in percent as a buffer volume in hundredths of a decibel.
int speech_volume_to_hundredths_db(int percent);
