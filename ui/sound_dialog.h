// The sound page of the settings: the four volumes, the switches of sound effects, music,
// siren and speech with a button to try each, "Stop All", and the speech voice. Everything is
// live. The volume sliders run 0..255; the functions below are their fixed conversions.
#pragma once

// Which volume slider.
enum class volume_slider { engine, sounds, music, speech };

// The volume a slider value gives (truncated): engine and sounds in hundredths of a decibel
// (-2550..0), music in the media channel's units (0..1020, clamped to 1000 when applied),
// speech in percent (0..102).
int volume_from_slider(volume_slider which, float v);
float slider_from_volume(volume_slider which, int volume);

// What "Play >>" beside "Play Speech" says: five lines of a nursery rhyme joined by tabs.
extern const char* const k_speech_test_text;
