#include "sounds.h"

#include "noise.h"
#include "output.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <lame/lame.h>

namespace {

constexpr int k_rate = 22050;  // samples per second of every generated sound
constexpr double k_pi = 3.14159265358979323846;

using samples = std::vector<double>;  // -1..1

samples silence(double seconds) { return samples(static_cast<size_t>(seconds * k_rate), 0.0); }

std::vector<short> to_pcm(const samples& s)
{
    std::vector<short> pcm(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        double v = s[i];
        v = v < -1.0 ? -1.0 : (v > 1.0 ? 1.0 : v);
        pcm[i] = static_cast<short>(std::lround(v * 32000.0));
    }
    return pcm;
}

void write_wav(const char* name, const samples& s)
{
    const std::vector<short> pcm = to_pcm(s);
    const std::uint32_t data_size = static_cast<std::uint32_t>(pcm.size() * 2);
    bytes b;
    put_text(b, "RIFF");
    put_u32(b, 36 + data_size);
    put_text(b, "WAVE");
    put_text(b, "fmt ");
    put_u32(b, 16);
    put_u16(b, 1);              // PCM
    put_u16(b, 1);              // mono
    put_u32(b, k_rate);
    put_u32(b, k_rate * 2);     // bytes per second
    put_u16(b, 2);              // block align
    put_u16(b, 16);             // bits per sample
    put_text(b, "data");
    put_u32(b, data_size);
    for (short v : pcm) put_i16(b, v);
    write_output(name, b);
}

void write_mp3(const char* name, const samples& s)
{
    std::vector<short> pcm = to_pcm(s);
    lame_global_flags* lame = lame_init();
    lame_set_num_channels(lame, 1);
    lame_set_in_samplerate(lame, k_rate);
    lame_set_out_samplerate(lame, k_rate);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 64);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 0);
    if (lame_init_params(lame) < 0) {
        std::fprintf(stderr, "datagen: LAME would not start for %s\n", name);
        std::exit(1);
    }
    std::vector<unsigned char> out(pcm.size() * 5 / 4 + 7200 + 16384);
    const int n = lame_encode_buffer(lame, pcm.data(), pcm.data(), static_cast<int>(pcm.size()),
                                     out.data(), static_cast<int>(out.size()));
    if (n < 0) {
        std::fprintf(stderr, "datagen: LAME failed on %s\n", name);
        std::exit(1);
    }
    const int tail = lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n);
    lame_close(lame);
    if (tail < 0) {
        std::fprintf(stderr, "datagen: LAME failed to finish %s\n", name);
        std::exit(1);
    }
    write_output(name, bytes(out.begin(), out.begin() + n + tail));
}

// One-pole low-pass over white noise: brown-ish rumble; `cutoff` 0..1 (fraction kept per sample).
samples filtered_noise(double seconds, double cutoff, std::uint32_t seed)
{
    det_random rnd(seed);
    samples s = silence(seconds);
    double y = 0.0;
    double peak = 1e-9;
    for (double& v : s) {
        y += cutoff * ((rnd.uniform() * 2.0 - 1.0) - y);
        v = y;
        peak = std::fmax(peak, std::fabs(y));
    }
    for (double& v : s) v /= peak;
    return s;
}

// Attack time a, then exponential decay with time constant d (seconds).
void envelope(samples& s, double a, double d, double gain)
{
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / k_rate;
        const double up = a > 0.0 && t < a ? t / a : 1.0;
        s[i] *= gain * up * std::exp(-(t > a ? t - a : 0.0) / d);
    }
}

// Short fades at both ends, so looped sounds and sound ends do not click.
void fade_ends(samples& s, double seconds)
{
    const size_t n = static_cast<size_t>(seconds * k_rate);
    for (size_t i = 0; i < n && i < s.size(); ++i) {
        const double f = static_cast<double>(i) / n;
        s[i] *= f;
        s[s.size() - 1 - i] *= f;
    }
}

samples tone(double seconds, double freq, double gain)
{
    samples s = silence(seconds);
    for (size_t i = 0; i < s.size(); ++i) s[i] = gain * std::sin(2.0 * k_pi * freq * i / k_rate);
    return s;
}

void add(samples& to, const samples& from, double gain = 1.0)
{
    if (to.size() < from.size()) to.resize(from.size(), 0.0);
    for (size_t i = 0; i < from.size(); ++i) to[i] += gain * from[i];
}

// A loop that returns to its start: cross-fades the last quarter second into the beginning.
void make_loop(samples& s)
{
    const size_t n = static_cast<size_t>(0.25 * k_rate);
    if (s.size() < 2 * n) return;
    const size_t keep = s.size() - n;
    for (size_t i = 0; i < n; ++i) {
        const double f = static_cast<double>(i) / n;
        s[i] = s[i] * f + s[keep + i] * (1.0 - f);
    }
    s.resize(keep);
}

samples click()
{
    samples s = filtered_noise(0.03, 0.9, 11);
    add(s, tone(0.03, 1800.0, 0.6));
    envelope(s, 0.0005, 0.004, 0.8);
    return s;
}

samples beep()
{
    samples s = tone(0.18, 880.0, 0.6);
    add(s, tone(0.18, 1760.0, 0.15));
    envelope(s, 0.005, 0.09, 1.0);
    fade_ends(s, 0.005);
    return s;
}

samples mark()
{
    samples s = tone(0.1, 660.0, 0.5);
    samples high = tone(0.14, 990.0, 0.5);
    samples out = s;
    out.resize(s.size() + high.size(), 0.0);
    for (size_t i = 0; i < high.size(); ++i) out[s.size() + i] = high[i];
    envelope(out, 0.004, 0.15, 1.0);
    fade_ends(out, 0.004);
    return out;
}

samples splash()
{
    samples s = filtered_noise(1.0, 0.5, 21);
    samples low = filtered_noise(1.0, 0.05, 22);
    add(s, low, 0.8);
    envelope(s, 0.02, 0.25, 0.7);
    fade_ends(s, 0.01);
    return s;
}

samples bang()
{
    samples s = filtered_noise(0.8, 0.2, 31);
    samples thump = tone(0.8, 55.0, 1.0);
    envelope(thump, 0.002, 0.12, 0.8);
    envelope(s, 0.002, 0.15, 0.9);
    add(s, thump);
    fade_ends(s, 0.002);
    return s;
}

samples shot()
{
    samples s = filtered_noise(0.6, 0.6, 41);
    samples whoosh = filtered_noise(0.6, 0.08, 42);
    envelope(s, 0.001, 0.05, 0.9);
    envelope(whoosh, 0.03, 0.25, 0.7);
    add(s, whoosh);
    fade_ends(s, 0.002);
    return s;
}

// A steady roar for a burning motor; `cutoff` sets how bright it sounds.
samples roar(double cutoff, std::uint32_t seed, double hum_freq)
{
    samples s = filtered_noise(3.0, cutoff, seed);
    samples crackle = filtered_noise(3.0, 0.7, seed + 1);
    add(s, crackle, 0.15);
    samples hum = tone(3.0, hum_freq, 0.2);
    add(s, hum);
    for (double& v : s) v *= 0.6;
    make_loop(s);
    return s;
}

samples explode()
{
    samples s = filtered_noise(2.2, 0.08, 61);
    samples crack = filtered_noise(2.2, 0.6, 62);
    envelope(crack, 0.001, 0.06, 0.8);
    envelope(s, 0.004, 0.5, 1.0);
    add(s, crack);
    fade_ends(s, 0.002);
    return s;
}

// Launcher and radar drives: an electric motor whine with its harmonics, looped.
samples drive(double freq, double wobble, std::uint32_t seed)
{
    samples s = silence(2.0);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / k_rate;
        // The wobble runs a whole number of cycles in 2 s, so the loop joins cleanly.
        const double f = freq * (1.0 + wobble * std::sin(2.0 * k_pi * 0.5 * t));
        const double phase = 2.0 * k_pi * f * t;
        s[i] = 0.35 * std::sin(phase) + 0.15 * std::sin(2.0 * phase) + 0.08 * std::sin(3.0 * phase);
    }
    add(s, filtered_noise(2.0, 0.1, seed), 0.15);
    make_loop(s);
    return s;
}

// Music: a small chord progression played by an organ-like voice over a bass.
double note_freq(int semitones_from_a4) { return 440.0 * std::pow(2.0, semitones_from_a4 / 12.0); }

void play_note(samples& s, double start, double length, double freq, double gain)
{
    const size_t first = static_cast<size_t>(start * k_rate);
    const size_t n = static_cast<size_t>(length * k_rate);
    for (size_t i = 0; i < n && first + i < s.size(); ++i) {
        const double t = static_cast<double>(i) / k_rate;
        const double env = std::fmin(1.0, t / 0.02) * std::exp(-t / (length * 0.7))
            * std::fmin(1.0, (length - t) / 0.02);
        const double p = 2.0 * k_pi * freq * t;
        s[first + i] += gain * env * (std::sin(p) + 0.4 * std::sin(2.0 * p) + 0.2 * std::sin(3.0 * p));
    }
}

samples music(const int (&chords)[4][3], double beat, int bars, std::uint32_t seed)
{
    const double seconds = bars * 4 * beat;
    samples s = silence(seconds + 1.0);
    det_random rnd(seed);
    for (int bar = 0; bar < bars; ++bar) {
        const int* chord = chords[bar % 4];
        const double bar_start = bar * 4 * beat;
        play_note(s, bar_start, 4 * beat, note_freq(chord[0] - 24), 0.25);
        for (int step = 0; step < 8; ++step) {
            const int pick = static_cast<int>(rnd.uniform() * 3.0);
            const int octave = step % 4 == 3 ? 12 : 0;
            play_note(s, bar_start + step * beat / 2, beat / 2, note_freq(chord[pick] + octave), 0.12);
        }
    }
    double peak = 1e-9;
    for (double v : s) peak = std::fmax(peak, std::fabs(v));
    for (double& v : s) v *= 0.8 / peak;
    fade_ends(s, 0.5);
    return s;
}

samples siren()
{
    samples s = silence(8.0);
    double phase = 0.0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / k_rate;
        // Wails between 400 and 1100 Hz, one rise and fall every 4 seconds.
        const double f = 750.0 - 350.0 * std::cos(2.0 * k_pi * t / 4.0);
        phase += 2.0 * k_pi * f / k_rate;
        s[i] = 0.5 * std::sin(phase) + 0.2 * std::sin(3.0 * phase);
    }
    fade_ends(s, 0.2);
    return s;
}

}  // namespace

void generate_sounds()
{
    write_wav("sounds\\click.wav", click());
    write_wav("sounds\\beep.wav", beep());
    write_wav("sounds\\mark.wav", mark());
    write_wav("sounds\\splash.wav", splash());
    write_wav("sounds\\bang.wav", bang());
    write_wav("sounds\\shot.wav", shot());
    write_wav("sounds\\rocket1.wav", roar(0.25, 51, 90.0));
    write_wav("sounds\\rocket2.wav", roar(0.15, 53, 70.0));
    write_wav("sounds\\flight1.wav", roar(0.05, 55, 180.0));
    write_wav("sounds\\flight2.wav", roar(0.035, 57, 150.0));
    write_wav("sounds\\explode.wav", explode());
    write_wav("sounds\\motor1.wav", drive(220.0, 0.05, 71));
    write_wav("sounds\\motor2.wav", drive(330.0, 0.08, 72));
}

void generate_music()
{
    // Semitones from A4: A minor, F major, C major, G major; then D minor, B flat, F, C.
    static const int intro_chords[4][3] = {{0, 3, 7}, {-4, 0, 3}, {3, 7, 10}, {-2, 2, 5}};
    static const int patrol_chords[4][3] = {{5, 8, 12}, {1, 5, 8}, {-4, 0, 3}, {3, 7, 10}};
    write_mp3("music\\intro.mp3", music(intro_chords, 0.5, 12, 81));
    write_mp3("music\\patrol.mp3", music(patrol_chords, 0.4, 16, 82));
    write_mp3("sounds\\siren.mp3", siren());
}
