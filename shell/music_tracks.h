// The music channel's tracks: the next random track of the "music" folder (never the intro)
// and the air-raid siren, which replaces the music and sounds at most once per 30 s. Both go
// through the media commands of the sound service.
#pragma once

#include <cstdint>

// Only with sound available and [music_on] set: stops and closes the channel and plays a
// random file of "music\*.*" other than "intro.mp3", asking for the end-of-track notice.
void play_next_music();
// Mode 0 sounds the siren when the clock is past the siren time and [sound_on] is set, then
// holds it off for 30 s; mode 1 lets it sound again at once; mode 2 also stops and closes the
// channel. Other modes do nothing.
void play_siren(int mode);
// The clock (ms) before which the siren stays silent; 0 lets it sound at once.
std::uint32_t siren_time();
