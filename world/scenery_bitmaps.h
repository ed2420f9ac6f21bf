// The two derived pictures of a scenery folder, as 8-bit Windows bitmaps with a 256-entry
// palette (pixel data at offset 1078):
// - "txt.bmp", the land class of every sample. Each row starts one byte after the usual
//   place (the byte at 1078 is 0); stored files rely on that offset, so reader and writer
//   both use it.
// - "water.bmp", one byte per 32 x 32 sample block (the block's water level, 4 w - 512 m).
//   A plain bitmap (the picture codec's) whose width is the padded row length; rows are read
//   back from the writer's place.
// A derived picture is input like any other: the readers take it only when it is an 8-bit
// bitmap of exactly the map's size holding every row, and otherwise say why, so the caller
// can rebuild it. Writers write beside the target and rename over it after a complete write,
// so a full disk never leaves half a picture behind.
#pragma once

#include <cstdint>
#include <string>

bool write_class_bitmap(const char* name, const std::uint8_t* map, int columns, int rows);
// False when the file is missing (fault left empty) or refused (fault says why).
bool read_class_bitmap(const char* name, std::uint8_t* map, int columns, int rows, std::string* fault);

bool write_water_bitmap(const char* name, const std::uint8_t* map, int width, int height);
bool read_water_bitmap(const char* name, std::uint8_t* map, int width, int height, std::string* fault);
