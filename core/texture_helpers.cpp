#include "core/texture_helpers.h"

#include <algorithm>

namespace {

int blue(const image& p, int x, int y) {
    x = (x + p.width) % p.width;
    y = (y + p.height) % p.height;
    return p.row(y)[x * 4];
}

std::uint8_t as_signed_byte(int value) {
    return static_cast<std::uint8_t>(static_cast<std::int8_t>(std::clamp(value, -128, 127)));
}

}  // namespace

void make_bump_texels(const image& picture, bool direct, std::uint8_t* out, int pitch) {
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* dst = out + static_cast<std::size_t>(y) * pitch;
        for (int x = 0; x < picture.width; ++x, dst += 2) {
            int du = 0, dv = 0;
            if (direct) {
                du = picture.row(y)[x * 4] - 128;
                dv = picture.row(y)[x * 4 + 2] - 128;
            } else {
                du = (blue(picture, x + 1, y) - blue(picture, x - 1, y)) / 2;
                dv = (blue(picture, x, y + 1) - blue(picture, x, y - 1)) / 2;
            }
            dst[0] = as_signed_byte(du);
            dst[1] = as_signed_byte(dv);
        }
    }
}

std::vector<image> split_into_tiles(const image& picture, int columns, int rows) {
    std::vector<image> tiles;
    if (columns < 1 || rows < 1) return tiles;
    const int width = picture.width / columns, height = picture.height / rows;
    if (width < 1 || height < 1) return tiles;
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            image tile;
            if (!image_allocate(&tile, width, height)) return {};
            for (int y = 0; y < height; ++y) {
                const std::uint8_t* src = picture.row(r * height + y) + static_cast<std::size_t>(c) * width * 4;
                std::copy_n(src, static_cast<std::size_t>(width) * 4, tile.row(y));
            }
            tiles.push_back(std::move(tile));
        }
    }
    return tiles;
}
