// Synthesised sound effects (mono 16-bit PCM WAV) and music (MP3 through LAME).
#pragma once

void generate_sounds();
void generate_music();
