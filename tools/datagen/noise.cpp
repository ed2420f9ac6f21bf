#include "noise.h"

#include <cmath>

std::uint32_t det_random::next()
{
    // xorshift32
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

double det_random::uniform() { return (next() >> 8) / 16777216.0; }

namespace {

double lattice(int x, int y, int period, std::uint32_t seed)
{
    if (period > 0) {
        x = ((x % period) + period) % period;
        y = ((y % period) + period) % period;
    }
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u
        + static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777215.0;
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

double value_noise(double x, double y, int period, std::uint32_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double a = lattice(ix, iy, period, seed);
    const double b = lattice(ix + 1, iy, period, seed);
    const double c = lattice(ix, iy + 1, period, seed);
    const double d = lattice(ix + 1, iy + 1, period, seed);
    const double top = a + (b - a) * tx;
    const double bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double fractal_noise(double x, double y, int period, int octaves, std::uint32_t seed)
{
    double sum = 0.0;
    double weight = 1.0;
    double total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * value_noise(x, y, period, seed + static_cast<std::uint32_t>(o) * 101u);
        total += weight;
        x *= 2.0;
        y *= 2.0;
        if (period > 0) period *= 2;
        weight *= 0.5;
    }
    return sum / total;
}
