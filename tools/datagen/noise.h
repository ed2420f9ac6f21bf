// Deterministic randomness for the generated data: a fixed generator (never the C library's,
// whose sequence differs between systems) and tileable value noise.
#pragma once

#include <cstdint>

class det_random {
public:
    explicit det_random(std::uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    std::uint32_t next();
    // Uniform in [0, 1).
    double uniform();
    // Uniform in [lo, hi).
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint32_t state_;
};

// Smooth value noise in [0, 1] on a lattice that repeats every `period` cells on both axes
// (period 0: no repeat). x and y are in lattice cells.
double value_noise(double x, double y, int period, std::uint32_t seed);
// Sum of octaves of value_noise (each twice the frequency, half the weight), in [0, 1].
double fractal_noise(double x, double y, int period, int octaves, std::uint32_t seed);
