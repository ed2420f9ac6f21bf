#include "platform/image.h"

#include <cstring>

int image_format_bytes(image_format format) {
    switch (format) {
    case image_format::a8r8g8b8:
    case image_format::x8r8g8b8:
        return 4;
    case image_format::r8g8b8:
        return 3;
    case image_format::r5g6b5:
    case image_format::x1r5g5b5:
    case image_format::a1r5g5b5:
    case image_format::a4r4g4b4:
    case image_format::v8u8:
        return 2;
    case image_format::a8:
    case image_format::l8:
        return 1;
    case image_format::unknown:
        break;
    }
    return 0;
}

std::uint32_t image::pixel(int x, int y) const {
    const std::uint8_t* p = row(y) + static_cast<std::size_t>(x) * 4;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void image::set_pixel(int x, int y, std::uint32_t argb) {
    std::uint8_t* p = row(y) + static_cast<std::size_t>(x) * 4;
    p[0] = static_cast<std::uint8_t>(argb);
    p[1] = static_cast<std::uint8_t>(argb >> 8);
    p[2] = static_cast<std::uint8_t>(argb >> 16);
    p[3] = static_cast<std::uint8_t>(argb >> 24);
}

bool image_size_allowed(long long width, long long height) {
    return width > 0 && height > 0 && width <= k_image_max_side && height <= k_image_max_side &&
           width * height <= k_image_max_texels;
}

bool image_allocate(image* out, int width, int height) {
    *out = image{};
    if (!image_size_allowed(width, height)) return false;
    out->width = width;
    out->height = height;
    out->pitch = width * 4;
    out->texels.assign(static_cast<std::size_t>(out->pitch) * height, 0);
    return true;
}

image_file_kind image_detect(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return image_file_kind::unknown;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return image_file_kind::bmp;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return image_file_kind::jpeg;
    static const std::uint8_t png_magic[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::memcmp(data, png_magic, 8) == 0) return image_file_kind::png;
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return image_file_kind::dds;
    return image_file_kind::unknown;
}
