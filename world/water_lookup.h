// The water programs' lookup row: for texel i of 1024 (f = i / 1023) the share of the sky
// the water reflects (red, higher at grazing view), i mod 256 (green) and the sun's glint
// (blue, f raised to a power that grows with the waves), alpha 0.
#pragma once

#include <cstdint>

constexpr int k_water_lookup_size = 1024;

// under_water selects the curve used below the surface; wave_height is the sea's setting
// (metres, taken as at least 0.25). Texels 0xAARRGGBB.
void fill_water_lookup(bool under_water, float wave_height, std::uint32_t* out);
