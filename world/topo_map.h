// The shaded topographic picture of a scenery's elevations ("map.jpg", "topo.jpg"): one
// palette index per sample, the low four bits a height band, the high four a slope shade (0
// brightest), 255 water or no land. Pure computation on the samples; the terrain's load step
// saves the pictures.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/image.h"

constexpr std::uint8_t k_topo_water = 255;

// The 256 palette entries, 0x00RRGGBB: 16 base colours darkened by the shade in the high
// four bits, entry 255 the water blue.
void topo_palette(std::uint32_t palette[256]);

// The index of sample (r, c) of a rows x columns grid (row 0 south). An elevation scale of 0
// or less counts as 1.
std::uint8_t topo_pixel(const std::int16_t* samples, int columns, int rows, int r, int c,
                        float cell, float elevation_scale, bool has_depth);

// The whole picture, rows top first (north at the top), as B,G,R,A texels.
bool make_topo_image(const std::int16_t* samples, int columns, int rows, float cell,
                     float elevation_scale, bool has_depth, image* out);
