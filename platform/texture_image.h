// The texels of a texture to be made from a picture file: what the game's "texture from
// file" calls ask for (a size, a format, a colour key, a number of mip levels) applied to the
// decoded picture. The device then only creates the texture and copies the levels in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/image.h"

// Size and level values with a meaning of their own.
constexpr int k_texture_size_default = 0;   // the file's size rounded up to a power of two
constexpr int k_texture_size_file = -1;     // the file's size exactly
constexpr int k_texture_levels_full = 0;    // a full mip chain down to 1 x 1

struct texture_request {
    int width = k_texture_size_default;
    int height = k_texture_size_default;
    int levels = 1;                                // k_texture_levels_full or 1..
    image_format format = image_format::unknown;   // unknown: the file's own
    std::uint32_t color_key = 0;                   // 0xAARRGGBB matched exactly; 0 none
    int max_size = 0;                              // largest side; 0: the device's own
};

// Levels of one texture (or of the six faces of a cube, +x, -x, +y, -y, +z, -z), each
// already rounded to what `format` holds, as B,G,R,A. surfaces[face * levels + level].
struct texture_image {
    image_format format = image_format::unknown;
    bool cube = false;
    int faces = 1;
    int levels = 1;
    std::vector<image> surfaces;

    int width() const { return surfaces.empty() ? 0 : surfaces[0].width; }
    int height() const { return surfaces.empty() ? 0 : surfaces[0].height; }
    const image& surface(int face, int level) const {
        return surfaces[static_cast<std::size_t>(face) * levels + level];
    }
};

// The size one side gets: requested size, the default or the file's own, never above
// max_size (without one, never above the largest picture side) nor below 1.
int texture_side(int file_side, int requested, int max_size);

// Builds the texture's levels from a decoded picture; `file_format` is the format the file
// itself holds (used when the request leaves the format open).
hresult texture_image_from_picture(const image& picture, image_format file_format,
                                   const texture_request& request, texture_image* out);
// From a picture file in memory (BMP, JPEG, PNG or DDS; a DDS cube map gives six faces and
// a DDS's own levels are used where the size is kept).
hresult texture_image_from_memory(const std::uint8_t* data, std::size_t size,
                                  const texture_request& request, texture_image* out);
// From a picture file by its program name.
hresult texture_image_from_file(const char* name, const texture_request& request,
                                texture_image* out);
