// The speech service: the installed voices and event messages spoken without the program
// waiting. One global object, reached through g_speech; constructing it touches no engine.
//
// This is the service's silent stand-in: the [speech_on] switch is real (the settings file
// keeps it), no voice is ever found, so speaking does nothing.
#pragma once

#include <cstdint>

class speech {
public:
    speech();
    ~speech();
    speech(const speech&) = delete;
    speech& operator=(const speech&) = delete;

    // Lists the voices; true when one can speak.
    bool init();
    // Speaks text, cutting off speech in progress; nothing when off or without a voice.
    void speak(const char* text);
    // Volume 0..100 of speech in progress.
    void set_volume(int volume);
    void stop_speaking();
    void release();

    std::uint8_t speech_on = 1;       // [speech_on]
    std::uint8_t voice_present = 0;
    int voice_count = 0;
    int selected_voice = 0;
};

// The program's one speech service; set by the entry function (tests set their own).
extern speech* g_speech;
