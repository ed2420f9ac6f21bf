// The two derived pictures of a scenery folder, as 8-bit Windows bitmaps with a 256-entry
// palette (pixel data at offset 1078):
// - "txt.bmp", the land class of every sample. Each row starts one byte after the usual
//   place (the byte at 1078 is 0); stored files rely on that offset, so reader and writer
//   both use it.
// - "water.bmp", one byte per 32 x 32 sample block (the block's water level, 4 w - 512 m).
//   A plain bitmap (the picture codec's) whose width is the padded row length; rows are read
//   back from the writer's place.
// Readers never write past the map they fill and never read past the file: a picture larger
// than the map fills what fits.
#pragma once

#include <cstdint>

bool write_class_bitmap(const char* name, const std::uint8_t* map, int columns, int rows);
bool read_class_bitmap(const char* name, std::uint8_t* map, int columns, int rows);

bool write_water_bitmap(const char* name, const std::uint8_t* map, int width, int height);
bool read_water_bitmap(const char* name, std::uint8_t* map, int width, int height);
