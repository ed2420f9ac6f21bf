// The body of the colour-map fuzz target, shared with the corpus replay of the normal test
// suite. The input is the sky's "graphics\color_map.txt"; the sky reads it over its defaults.
// Whatever the file holds, every colour the tables keep stays within 0..255 and every key time
// within the day, and the colours the sky interpolates across the day stay within 0..255. The
// caller provides the application object (for the log) and a file root holding "graphics".
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "world/sky.h"

inline constexpr const char* k_fuzz_colour_map = "graphics\\color_map.txt";

inline bool colour_in_range(int v) { return v >= 0 && v <= 255; }

inline bool colour_keys_kept(const sky::colour_key (&keys)[sky::k_keys]) {
    for (const sky::colour_key& k : keys) {
        if (!colour_in_range(k.r) || !colour_in_range(k.g) || !colour_in_range(k.b) || !colour_in_range(k.a) ||
            k.t < 0 || k.t > 240)
            return false;
    }
    for (int tenths = 0; tenths <= 240; tenths += 7) {
        const sky::colour c = sky::interpolate(keys, tenths);
        if (!colour_in_range(c.r) || !colour_in_range(c.g) || !colour_in_range(c.b) || !colour_in_range(c.a))
            return false;
    }
    return true;
}

// False when the read broke a promise.
inline bool run_colour_map(sky& heavens, const std::uint8_t* data, std::size_t size) {
    fs_write(k_fuzz_colour_map, data, size);
    heavens.set_default_colors();
    heavens.read_color_map(k_fuzz_colour_map);
    for (int c = 0; c < 3; ++c)
        if (!colour_in_range(heavens.high_fog[c]) || !colour_in_range(heavens.high_sky[c])) return false;
    return colour_keys_kept(heavens.light_keys) && colour_keys_kept(heavens.fog_keys) &&
           colour_keys_kept(heavens.sky_keys);
}
