// Texel work behind the application object's texture helpers: the bump map derived from a
// picture and the splitting of one picture into a grid of tiles. Pure computation on
// pictures in memory; the device side creates the textures and copies these in.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/image.h"

// Writes one V8U8 texel (du in the first byte, dv in the second, both signed) per texel of
// the picture, rows `pitch` bytes apart. Direct: du = blue - 128, dv = red - 128. Otherwise
// du = (blue(x + 1, y) - blue(x - 1, y)) / 2 and dv = (blue(x, y + 1) - blue(x, y - 1)) / 2
// (integer division towards zero), neighbours wrapping round the edges so the map tiles.
void make_bump_texels(const image& picture, bool direct, std::uint8_t* out, int pitch);

// Splits a picture into columns x rows tiles of (width / columns) x (height / rows) texels,
// listed column by column (tile c * rows + r is column c, row r from the top). Texels past
// the last whole tile are not used. Empty for a count below 1 or a tile below one texel.
std::vector<image> split_into_tiles(const image& picture, int columns, int rows);
