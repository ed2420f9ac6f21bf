#include "world/water_lookup.h"

#include <algorithm>
#include <cmath>

void fill_water_lookup(bool under_water, float wave_height, std::uint32_t* out) {
    const double c = std::max(0.25, static_cast<double>(wave_height));
    for (int i = 0; i < k_water_lookup_size; ++i) {
        const double f = i / 1023.0;
        const double base = under_water ? std::max(1.0, 2.0 * f) : 1.0 + f;
        const double g = std::pow(base, -8.0 * c);
        const auto red = static_cast<std::uint32_t>(255.0 * g);
        const auto green = static_cast<std::uint32_t>(i % 256);
        const auto blue = static_cast<std::uint32_t>(255.0 * std::pow(f, 250.0 * c));
        out[i] = (red << 16) | (green << 8) | blue;
    }
}
