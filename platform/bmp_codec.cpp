// Windows bitmaps, read and written without any library: the land-class, water and
// topographic maps are 8-bit palettised, pictures are 24 or 32 bits.
#include <bit>
#include <cstring>

#include "platform/image.h"

namespace {

constexpr std::uint32_t k_file_header_size = 14;
constexpr std::uint32_t k_info_header_size = 40;
constexpr std::uint32_t k_core_header_size = 12;
constexpr std::uint32_t k_bi_rgb = 0;
constexpr std::uint32_t k_bi_bitfields = 3;

std::uint16_t read_u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t read_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void put_u16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put_u32(std::uint8_t* p, std::uint32_t v) {
    put_u16(p, v);
    put_u16(p + 2, v >> 16);
}

// One channel of a bit-field pixel scaled to 0..255; `none` when the mask is empty.
struct channel_mask {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit channel_mask(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        int bits = std::popcount(m >> shift);
        // A mask with holes is read as if it were solid from its lowest bit.
        max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
    }
    std::uint8_t get(std::uint32_t pixel, std::uint8_t none) const {
        if (mask == 0 || max == 0) return none;
        std::uint64_t v = ((pixel & mask) >> shift) & max;
        return static_cast<std::uint8_t>(v * 255 / max);
    }
};

struct bmp_layout {
    int width = 0;
    int height = 0;
    bool top_down = false;
    int bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t data_offset = 0;
    std::size_t stride = 0;
    std::uint32_t masks[4] = {};  // red, green, blue, alpha
    std::uint32_t palette[256] = {};
    int palette_count = 0;
};

hresult parse_header(const std::uint8_t* data, std::size_t size, bmp_layout* out) {
    if (data == nullptr || size < k_file_header_size + 4) return E_BAD_FORMAT;
    if (data[0] != 'B' || data[1] != 'M') return E_BAD_FORMAT;
    bmp_layout& l = *out;
    l.data_offset = read_u32(data + 10);
    const std::uint32_t header_size = read_u32(data + 14);
    const std::uint8_t* h = data + k_file_header_size;
    long long width = 0, height = 0;
    std::size_t palette_entry = 4;
    std::uint32_t colours_used = 0;
    if (header_size == k_core_header_size) {
        if (size < k_file_header_size + k_core_header_size) return E_BAD_FORMAT;
        width = read_u16(h + 4);
        height = read_u16(h + 6);
        l.bits = read_u16(h + 10);
        palette_entry = 3;
    } else if (header_size >= k_info_header_size && header_size <= 1024) {
        if (size < k_file_header_size + header_size) return E_BAD_FORMAT;
        width = static_cast<std::int32_t>(read_u32(h + 4));
        height = static_cast<std::int32_t>(read_u32(h + 8));
        l.bits = read_u16(h + 14);
        l.compression = read_u32(h + 16);
        colours_used = read_u32(h + 32);
    } else {
        return E_BAD_FORMAT;
    }
    if (height < 0) {
        l.top_down = true;
        height = -height;
    }
    if (!image_size_allowed(width, height)) return E_BAD_FORMAT;
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(height);

    const bool palettised = l.bits == 1 || l.bits == 4 || l.bits == 8;
    if (!palettised && l.bits != 16 && l.bits != 24 && l.bits != 32) return E_BAD_FORMAT;
    if (l.compression != k_bi_rgb &&
        !(l.compression == k_bi_bitfields && (l.bits == 16 || l.bits == 32)))
        return E_BAD_FORMAT;  // run-length and embedded JPEG/PNG bitmaps are not read

    if (l.compression == k_bi_bitfields) {
        // The masks follow a 40-byte header, or are part of a larger one.
        const std::size_t at = k_file_header_size + k_info_header_size;
        const std::size_t count = header_size >= 56 ? 4 : 3;
        if (size < at + 4 * count) return E_BAD_FORMAT;
        for (std::size_t i = 0; i < count; ++i) l.masks[i] = read_u32(data + at + 4 * i);
    } else if (l.bits == 16) {
        l.masks[0] = 0x7C00;
        l.masks[1] = 0x03E0;
        l.masks[2] = 0x001F;
    } else if (l.bits >= 24) {
        l.masks[0] = 0xFF0000;
        l.masks[1] = 0x00FF00;
        l.masks[2] = 0x0000FF;
        l.masks[3] = l.bits == 32 ? 0xFF000000u : 0;
    }

    if (palettised) {
        const std::uint32_t most = 1u << l.bits;
        std::uint32_t count = colours_used == 0 ? most : colours_used;
        if (count > most) count = most;
        std::size_t at = k_file_header_size + header_size;
        if (l.compression == k_bi_bitfields) at += 12;
        // A palette cut short by the pixel data or the file's end keeps what is there.
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = at + i * palette_entry;
            if (entry + palette_entry > size) break;
            l.palette[i] = static_cast<std::uint32_t>(data[entry]) |
                           static_cast<std::uint32_t>(data[entry + 1]) << 8 |
                           static_cast<std::uint32_t>(data[entry + 2]) << 16;
            l.palette_count = static_cast<int>(i) + 1;
        }
    }

    l.stride = (static_cast<std::size_t>(l.width) * l.bits + 31) / 32 * 4;
    const std::size_t row_bytes = (static_cast<std::size_t>(l.width) * l.bits + 7) / 8;
    // The last row needs only its pixels, not its padding.
    const std::size_t needed = l.data_offset + l.stride * (l.height - 1) + row_bytes;
    if (l.data_offset < k_file_header_size + 4 || l.data_offset > size || needed > size)
        return E_BAD_FORMAT;
    return S_OK;
}

const std::uint8_t* file_row(const std::uint8_t* data, const bmp_layout& l, int y) {
    const int stored = l.top_down ? y : l.height - 1 - y;
    return data + l.data_offset + l.stride * static_cast<std::size_t>(stored);
}

int palette_index(const std::uint8_t* row, int x, int bits) {
    if (bits == 8) return row[x];
    if (bits == 4) return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
    return (row[x / 8] >> (7 - x % 8)) & 0x01;
}

}  // namespace

hresult bmp_decode(const std::uint8_t* data, std::size_t size, image* out) {
    *out = image{};
    bmp_layout l;
    const hresult r = parse_header(data, size, &l);
    if (failed(r)) return r;
    image picture;
    if (!image_allocate(&picture, l.width, l.height)) return E_OUTOFMEMORY;
    const channel_mask red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);
    bool any_alpha = false;
    for (int y = 0; y < l.height; ++y) {
        const std::uint8_t* src = file_row(data, l, y);
        std::uint8_t* dst = picture.row(y);
        for (int x = 0; x < l.width; ++x, dst += 4) {
            if (l.bits <= 8) {
                const std::uint32_t c = l.palette[palette_index(src, x, l.bits)];
                dst[0] = static_cast<std::uint8_t>(c);
                dst[1] = static_cast<std::uint8_t>(c >> 8);
                dst[2] = static_cast<std::uint8_t>(c >> 16);
                dst[3] = 255;
                continue;
            }
            std::uint32_t p = 0;
            const std::uint8_t* s = src + static_cast<std::size_t>(x) * (l.bits / 8);
            if (l.bits == 16) p = read_u16(s);
            else if (l.bits == 24) p = s[0] | s[1] << 8 | s[2] << 16;
            else p = read_u32(s);
            dst[0] = blue.get(p, 0);
            dst[1] = green.get(p, 0);
            dst[2] = red.get(p, 0);
            dst[3] = alpha.get(p, 255);
            if (l.masks[3] != 0 && dst[3] != 0) any_alpha = true;
        }
    }
    // Most 32-bit bitmaps leave the fourth byte zero: such a picture is opaque.
    if (l.masks[3] != 0 && !any_alpha) {
        for (int y = 0; y < l.height; ++y)
            for (int x = 0; x < l.width; ++x) picture.row(y)[x * 4 + 3] = 255;
    }
    *out = std::move(picture);
    return S_OK;
}

hresult bmp_decode_indexed(const std::uint8_t* data, std::size_t size, indexed_image* out) {
    *out = indexed_image{};
    bmp_layout l;
    const hresult r = parse_header(data, size, &l);
    if (failed(r)) return r;
    if (l.bits != 8) return E_BAD_FORMAT;
    indexed_image picture;
    picture.width = l.width;
    picture.height = l.height;
    picture.indices.resize(static_cast<std::size_t>(l.width) * l.height);
    std::memcpy(picture.palette, l.palette, sizeof picture.palette);
    for (int y = 0; y < l.height; ++y) {
        std::memcpy(picture.indices.data() + static_cast<std::size_t>(y) * l.width,
                    file_row(data, l, y), static_cast<std::size_t>(l.width));
    }
    *out = std::move(picture);
    return S_OK;
}

namespace {

// File and info headers of an uncompressed bitmap, rows bottom-up.
std::uint8_t* start_file(std::vector<std::uint8_t>* out, int width, int height, int bits,
                         std::uint32_t data_offset, std::size_t stride) {
    const std::size_t image_size = stride * static_cast<std::size_t>(height);
    out->assign(data_offset + image_size, 0);
    std::uint8_t* p = out->data();
    p[0] = 'B';
    p[1] = 'M';
    put_u32(p + 2, static_cast<std::uint32_t>(data_offset + image_size));
    put_u32(p + 10, data_offset);
    put_u32(p + 14, k_info_header_size);
    put_u32(p + 18, static_cast<std::uint32_t>(width));
    put_u32(p + 22, static_cast<std::uint32_t>(height));
    put_u16(p + 26, 1);
    put_u16(p + 28, static_cast<std::uint32_t>(bits));
    put_u32(p + 30, k_bi_rgb);
    put_u32(p + 34, static_cast<std::uint32_t>(image_size));
    return p + data_offset;
}

}  // namespace

hresult bmp_encode(const image& picture, int bits_per_pixel, std::vector<std::uint8_t>* out) {
    out->clear();
    if (bits_per_pixel != 24 && bits_per_pixel != 32) return E_INVALIDARG;
    if (!image_size_allowed(picture.width, picture.height)) return E_INVALIDARG;
    const int bytes = bits_per_pixel / 8;
    const std::size_t stride = (static_cast<std::size_t>(picture.width) * bytes + 3) / 4 * 4;
    std::uint8_t* pixels = start_file(out, picture.width, picture.height, bits_per_pixel,
                                      k_file_header_size + k_info_header_size, stride);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* src = picture.row(y);
        std::uint8_t* dst = pixels + stride * static_cast<std::size_t>(picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x, src += 4, dst += bytes)
            std::memcpy(dst, src, static_cast<std::size_t>(bytes));
    }
    return S_OK;
}

hresult bmp_encode_indexed(const indexed_image& picture, std::vector<std::uint8_t>* out) {
    out->clear();
    if (!image_size_allowed(picture.width, picture.height) ||
        picture.indices.size() < static_cast<std::size_t>(picture.width) * picture.height)
        return E_INVALIDARG;
    constexpr std::uint32_t data_offset = k_file_header_size + k_info_header_size + 256 * 4;
    const std::size_t stride = (static_cast<std::size_t>(picture.width) + 3) / 4 * 4;
    std::uint8_t* pixels = start_file(out, picture.width, picture.height, 8, data_offset, stride);
    std::uint8_t* palette = out->data() + k_file_header_size + k_info_header_size;
    for (int i = 0; i < 256; ++i) put_u32(palette + 4 * i, picture.palette[i] & 0xFFFFFFu);
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(pixels + stride * static_cast<std::size_t>(picture.height - 1 - y),
                    picture.indices.data() + static_cast<std::size_t>(y) * picture.width,
                    static_cast<std::size_t>(picture.width));
    }
    return S_OK;
}
