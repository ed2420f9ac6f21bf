// Text to speech as the game uses it: the installed voices and synthesis of one message into
// mono 16-bit samples, which the caller plays through a sound buffer. Synthesis of a message
// takes a few milliseconds, so the program never waits for speech in a way the user notices.
// The real engine is espeak-ng (platform/system).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct voice_info {
    std::string name;        // the voice's description as shown to the user
    std::string language;    // its first language tag, such as "en-gb"
    std::string identifier;  // what selects it
};

class speech_engine {
public:
    virtual ~speech_engine() = default;
    virtual const std::vector<voice_info>& voices() const = 0;
    virtual int sample_rate() const = 0;
    // Speaks text (Windows-1252) with voice i of voices() into out; false on failure.
    virtual bool synthesize(const char* text, int voice, std::vector<std::int16_t>* out) = 0;
};

// The system's speech engine; none when it cannot start (no voice data).
std::unique_ptr<speech_engine> open_speech_engine();

// Windows-1252 text as UTF-8.
std::string windows_1252_to_utf8(const char* text);
