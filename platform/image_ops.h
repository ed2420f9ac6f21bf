// Operations on pictures in memory that loading a texture needs: conversion to a texel
// format and back, the colour key, resizing and the mip chain. Pure computation.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/image.h"

// Rounds every texel to what the format can hold, kept as B,G,R,A (a texel that went through
// R5G6B5 and back reads exactly as this gives). Formats without alpha become opaque.
// False for formats this cannot hold (v8u8, unknown).
bool image_quantize(image* picture, image_format format);

// Packs texels into the raw layout of a format (16-bit texels little-endian, as the device
// stores them), `pitch` bytes per destination row. False for unsupported formats.
bool image_pack(const image& picture, image_format format, std::uint8_t* out, int pitch);
// The reverse: raw texels of a format into B,G,R,A (the image must already have its size).
bool image_unpack(const std::uint8_t* raw, int pitch, image_format format, image* out);

// Texels exactly equal to the key (0xAARRGGBB, alpha included) become transparent black
// 0x00000000. A key of 0 means no key. Returns how many texels matched.
int image_apply_color_key(image* picture, std::uint32_t key);

// True when some texel is not fully opaque.
bool image_has_alpha(const image& picture);

// A resized copy: each axis is averaged over the covered source area when shrinking and
// interpolated linearly between texel centres when growing. The same size is a plain copy.
image image_resize(const image& source, int width, int height);

// The next smaller mip level: each texel the average of a 2 x 2 block (an odd last row or
// column is averaged with itself).
image image_half_size(const image& source);

// Number of levels of a full mip chain down to 1 x 1.
int image_full_mip_count(int width, int height);

// The smallest power of two not below `size` (1 for sizes below 1).
int image_next_power_of_two(int size);
// The largest power of two not above `size` (1 for sizes below 2).
int image_prev_power_of_two(int size);
