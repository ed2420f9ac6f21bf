// DirectDraw surface files: the game's sprites, sky pictures and its reflection cube map are
// stored as DDS, uncompressed or block-compressed (DXT1/3/5). Everything is decoded to
// B,G,R,A here; the writer stores A8R8G8B8.
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/image.h"

namespace {

constexpr std::size_t k_header_size = 124;  // after the four magic bytes
constexpr std::size_t k_data_offset = 4 + k_header_size;

// Header flags and capability bits.
constexpr std::uint32_t k_flag_caps = 0x1, k_flag_height = 0x2, k_flag_width = 0x4,
                        k_flag_pitch = 0x8, k_flag_pixel_format = 0x1000,
                        k_flag_mip_count = 0x20000;
constexpr std::uint32_t k_caps_complex = 0x8, k_caps_texture = 0x1000, k_caps_mipmap = 0x400000;
constexpr std::uint32_t k_caps2_cube = 0x200, k_caps2_all_faces = 0xFC00,
                        k_caps2_volume = 0x200000;
// Pixel format flags.
constexpr std::uint32_t k_pf_alpha_pixels = 0x1, k_pf_alpha = 0x2, k_pf_fourcc = 0x4,
                        k_pf_rgb = 0x40, k_pf_luminance = 0x20000;

constexpr std::uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

std::uint32_t read_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void put_u32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

// A 5:6:5 colour widened to 8 bits a channel by repeating its top bits.
void expand_565(std::uint16_t c, std::uint32_t* r, std::uint32_t* g, std::uint32_t* b) {
    const std::uint32_t r5 = c >> 11 & 0x1F, g6 = c >> 5 & 0x3F, b5 = c & 0x1F;
    *r = r5 << 3 | r5 >> 2;
    *g = g6 << 2 | g6 >> 4;
    *b = b5 << 3 | b5 >> 2;
}

// The colour half of every DXT block: two 5:6:5 end points and 2-bit indices. Four-colour
// mode always for DXT3/5; DXT1 drops to three colours and transparent black when the first
// end point is not larger than the second.
void decode_colours(const std::uint8_t* block, bool allow_three, std::uint32_t out[16]) {
    const std::uint16_t c0 = static_cast<std::uint16_t>(block[0] | block[1] << 8);
    const std::uint16_t c1 = static_cast<std::uint16_t>(block[2] | block[3] << 8);
    std::uint32_t r[4], g[4], b[4], a[4] = {255, 255, 255, 255};
    expand_565(c0, &r[0], &g[0], &b[0]);
    expand_565(c1, &r[1], &g[1], &b[1]);
    if (c0 > c1 || !allow_three) {
        r[2] = (2 * r[0] + r[1]) / 3;
        g[2] = (2 * g[0] + g[1]) / 3;
        b[2] = (2 * b[0] + b[1]) / 3;
        r[3] = (r[0] + 2 * r[1]) / 3;
        g[3] = (g[0] + 2 * g[1]) / 3;
        b[3] = (b[0] + 2 * b[1]) / 3;
    } else {
        r[2] = (r[0] + r[1]) / 2;
        g[2] = (g[0] + g[1]) / 2;
        b[2] = (b[0] + b[1]) / 2;
        r[3] = g[3] = b[3] = a[3] = 0;
    }
    const std::uint32_t bits = read_u32(block + 4);
    for (int i = 0; i < 16; ++i) {
        const int k = static_cast<int>(bits >> (2 * i) & 3);
        out[i] = argb(a[k], r[k], g[k], b[k]);
    }
}

void set_alpha(std::uint32_t* texel, std::uint32_t alpha) {
    *texel = (*texel & 0x00FFFFFFu) | alpha << 24;
}

}  // namespace

void dxt1_decode_block(const std::uint8_t* block, std::uint32_t out[16]) {
    decode_colours(block, true, out);
}

void dxt3_decode_block(const std::uint8_t* block, std::uint32_t out[16]) {
    decode_colours(block + 8, false, out);
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t a4 = block[i / 2] >> (i % 2 == 0 ? 0 : 4) & 0x0F;
        set_alpha(&out[i], a4 * 17);
    }
}

void dxt5_decode_block(const std::uint8_t* block, std::uint32_t out[16]) {
    decode_colours(block + 8, false, out);
    std::uint32_t alpha[8];
    alpha[0] = block[0];
    alpha[1] = block[1];
    if (alpha[0] > alpha[1]) {
        for (int i = 1; i < 7; ++i) alpha[i + 1] = ((7 - i) * alpha[0] + i * alpha[1]) / 7;
    } else {
        for (int i = 1; i < 5; ++i) alpha[i + 1] = ((5 - i) * alpha[0] + i * alpha[1]) / 5;
        alpha[6] = 0;
        alpha[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) set_alpha(&out[i], alpha[bits >> (3 * i) & 7]);
}

namespace {

enum class dds_kind { dxt1, dxt3, dxt5, masked };

struct dds_layout {
    int width = 0, height = 0, levels = 1, faces = 1;
    bool cube = false;
    dds_kind kind = dds_kind::masked;
    int bytes_per_texel = 0;  // masked kinds
    std::uint32_t masks[4] = {};
    bool luminance = false;
    image_format file_format = image_format::unknown;
};

std::size_t level_bytes(const dds_layout& l, int w, int h) {
    if (l.kind == dds_kind::masked)
        return static_cast<std::size_t>(w) * h * static_cast<std::size_t>(l.bytes_per_texel);
    const std::size_t blocks = static_cast<std::size_t>((w + 3) / 4) * ((h + 3) / 4);
    return blocks * (l.kind == dds_kind::dxt1 ? 8 : 16);
}

image_format masked_format(const dds_layout& l) {
    const std::uint32_t r = l.masks[0], g = l.masks[1], b = l.masks[2], a = l.masks[3];
    if (l.bytes_per_texel == 4 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
        return a == 0xFF000000u ? image_format::a8r8g8b8 : image_format::x8r8g8b8;
    if (l.bytes_per_texel == 3 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
        return image_format::r8g8b8;
    if (l.bytes_per_texel == 2 && r == 0xF800 && g == 0x07E0 && b == 0x1F)
        return image_format::r5g6b5;
    if (l.bytes_per_texel == 2 && r == 0x7C00 && g == 0x03E0 && b == 0x1F)
        return a == 0x8000 ? image_format::a1r5g5b5 : image_format::x1r5g5b5;
    if (l.bytes_per_texel == 2 && r == 0x0F00 && g == 0x00F0 && b == 0x0F && a == 0xF000)
        return image_format::a4r4g4b4;
    if (l.bytes_per_texel == 1 && l.luminance) return image_format::l8;
    if (l.bytes_per_texel == 1 && a == 0xFF) return image_format::a8;
    return image_format::a8r8g8b8;
}

hresult parse_header(const std::uint8_t* data, std::size_t size, dds_layout* out) {
    if (data == nullptr || size < k_data_offset || std::memcmp(data, "DDS ", 4) != 0)
        return E_BAD_FORMAT;
    const std::uint8_t* h = data + 4;
    if (read_u32(h) != k_header_size) return E_BAD_FORMAT;
    const std::uint32_t flags = read_u32(h + 4);
    const long long height = read_u32(h + 8), width = read_u32(h + 12);
    const std::uint32_t mip_count = read_u32(h + 24);
    const std::uint8_t* pf = h + 72;
    const std::uint32_t pf_flags = read_u32(pf + 4), pf_fourcc = read_u32(pf + 8);
    const std::uint32_t pf_bits = read_u32(pf + 12);
    const std::uint32_t caps2 = read_u32(h + 108);
    dds_layout& l = *out;
    if (!image_size_allowed(width, height)) return E_BAD_FORMAT;
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(height);
    if (caps2 & k_caps2_volume) return E_BAD_FORMAT;  // volume files are not used
    if (caps2 & k_caps2_cube) {
        // Cube maps here always carry all six faces, of square size.
        if ((caps2 & k_caps2_all_faces) != k_caps2_all_faces || width != height)
            return E_BAD_FORMAT;
        l.cube = true;
        l.faces = 6;
    }
    const int most_levels = std::bit_width(static_cast<unsigned>(std::max(width, height)));
    l.levels = (flags & k_flag_mip_count) && mip_count > 0
                   ? static_cast<int>(std::min<std::uint32_t>(mip_count, most_levels))
                   : 1;

    if (pf_flags & k_pf_fourcc) {
        if (pf_fourcc == fourcc('D', 'X', 'T', '1')) l.kind = dds_kind::dxt1;
        else if (pf_fourcc == fourcc('D', 'X', 'T', '2') || pf_fourcc == fourcc('D', 'X', 'T', '3'))
            l.kind = dds_kind::dxt3;
        else if (pf_fourcc == fourcc('D', 'X', 'T', '4') || pf_fourcc == fourcc('D', 'X', 'T', '5'))
            l.kind = dds_kind::dxt5;
        else
            return E_BAD_FORMAT;
        l.file_format = image_format::a8r8g8b8;
    } else if (pf_flags & (k_pf_rgb | k_pf_luminance | k_pf_alpha)) {
        if (pf_bits != 8 && pf_bits != 16 && pf_bits != 24 && pf_bits != 32) return E_BAD_FORMAT;
        l.kind = dds_kind::masked;
        l.bytes_per_texel = static_cast<int>(pf_bits / 8);
        l.luminance = (pf_flags & k_pf_luminance) != 0;
        for (int i = 0; i < 4; ++i) l.masks[i] = read_u32(pf + 16 + 4 * i);
        if (!(pf_flags & (k_pf_alpha_pixels | k_pf_alpha))) l.masks[3] = 0;
        if ((pf_flags & k_pf_alpha) && !(pf_flags & (k_pf_rgb | k_pf_luminance))) {
            l.masks[0] = l.masks[1] = l.masks[2] = 0;  // an alpha-only surface
        }
        l.file_format = masked_format(l);
    } else {
        return E_BAD_FORMAT;
    }

    // Every surface of every face must be in the file.
    std::size_t total = 0;
    for (int level = 0; level < l.levels; ++level) {
        total += level_bytes(l, std::max(1, l.width >> level), std::max(1, l.height >> level));
    }
    total *= static_cast<std::size_t>(l.faces);
    if (total > size - k_data_offset) return E_BAD_FORMAT;
    return S_OK;
}

struct mask_channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;
    explicit mask_channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        const int bits = std::popcount(m >> shift);
        max = (std::uint64_t{1} << bits) - 1;
    }
    std::uint32_t get(std::uint32_t p, std::uint32_t none) const {
        if (mask == 0) return none;
        return static_cast<std::uint32_t>((((p & mask) >> shift) & max) * 255 / max);
    }
};

void decode_masked(const dds_layout& l, const std::uint8_t* src, image* out) {
    const mask_channel r(l.masks[0]), g(l.masks[1]), b(l.masks[2]), a(l.masks[3]);
    for (int y = 0; y < out->height; ++y) {
        for (int x = 0; x < out->width; ++x) {
            std::uint32_t p = 0;
            for (int i = 0; i < l.bytes_per_texel; ++i) p |= static_cast<std::uint32_t>(src[i]) << (8 * i);
            src += l.bytes_per_texel;
            std::uint32_t rr, gg, bb;
            if (l.luminance) {
                rr = gg = bb = r.get(p, 0);
            } else {
                // An alpha-only surface is white with that alpha.
                const std::uint32_t none = l.masks[0] | l.masks[1] | l.masks[2] ? 0 : 255;
                rr = r.get(p, none);
                gg = g.get(p, none);
                bb = b.get(p, none);
            }
            out->set_pixel(x, y, argb(a.get(p, 255), rr, gg, bb));
        }
    }
}

void decode_blocks(const dds_layout& l, const std::uint8_t* src, image* out) {
    std::uint32_t texels[16];
    for (int by = 0; by < out->height; by += 4) {
        for (int bx = 0; bx < out->width; bx += 4) {
            if (l.kind == dds_kind::dxt1) {
                dxt1_decode_block(src, texels);
                src += 8;
            } else if (l.kind == dds_kind::dxt3) {
                dxt3_decode_block(src, texels);
                src += 16;
            } else {
                dxt5_decode_block(src, texels);
                src += 16;
            }
            // Blocks reach past the edge of surfaces smaller than 4 or not a multiple of it.
            for (int y = 0; y < 4 && by + y < out->height; ++y)
                for (int x = 0; x < 4 && bx + x < out->width; ++x)
                    out->set_pixel(bx + x, by + y, texels[y * 4 + x]);
        }
    }
}

}  // namespace

hresult dds_decode(const std::uint8_t* data, std::size_t size, dds_image* out) {
    *out = dds_image{};
    dds_layout l;
    const hresult r = parse_header(data, size, &l);
    if (failed(r)) return r;
    dds_image result;
    result.cube = l.cube;
    result.faces = l.faces;
    result.levels = l.levels;
    result.file_format = l.file_format;
    result.surfaces.resize(static_cast<std::size_t>(l.faces) * l.levels);
    const std::uint8_t* src = data + k_data_offset;
    for (int face = 0; face < l.faces; ++face) {
        for (int level = 0; level < l.levels; ++level) {
            const int w = std::max(1, l.width >> level), h = std::max(1, l.height >> level);
            image& surface = result.surfaces[static_cast<std::size_t>(face) * l.levels + level];
            if (!image_allocate(&surface, w, h)) return E_OUTOFMEMORY;
            if (l.kind == dds_kind::masked) decode_masked(l, src, &surface);
            else decode_blocks(l, src, &surface);
            src += level_bytes(l, w, h);
        }
    }
    *out = std::move(result);
    return S_OK;
}

hresult dds_encode(const dds_image& picture, std::vector<std::uint8_t>* out) {
    out->clear();
    const int faces = picture.cube ? 6 : 1;
    if (picture.levels < 1 || picture.surfaces.size() < static_cast<std::size_t>(faces) * picture.levels)
        return E_INVALIDARG;
    const image& top = picture.surfaces[0];
    if (!image_size_allowed(top.width, top.height)) return E_INVALIDARG;
    if (picture.cube && top.width != top.height) return E_INVALIDARG;
    for (int face = 0; face < faces; ++face) {
        for (int level = 0; level < picture.levels; ++level) {
            const image& s = picture.surface(face, level);
            if (s.width != std::max(1, top.width >> level) || s.height != std::max(1, top.height >> level))
                return E_INVALIDARG;
        }
    }
    std::vector<std::uint8_t> file(k_data_offset, 0);
    std::uint8_t* h = file.data() + 4;
    std::memcpy(file.data(), "DDS ", 4);
    std::uint32_t flags = k_flag_caps | k_flag_height | k_flag_width | k_flag_pitch | k_flag_pixel_format;
    std::uint32_t caps = k_caps_texture;
    if (picture.levels > 1) {
        flags |= k_flag_mip_count;
        caps |= k_caps_complex | k_caps_mipmap;
    }
    if (picture.cube) caps |= k_caps_complex;
    put_u32(h, k_header_size);
    put_u32(h + 4, flags);
    put_u32(h + 8, static_cast<std::uint32_t>(top.height));
    put_u32(h + 12, static_cast<std::uint32_t>(top.width));
    put_u32(h + 16, static_cast<std::uint32_t>(top.width) * 4);
    put_u32(h + 24, static_cast<std::uint32_t>(picture.levels));
    std::uint8_t* pf = h + 72;
    put_u32(pf, 32);
    put_u32(pf + 4, k_pf_rgb | k_pf_alpha_pixels);
    put_u32(pf + 12, 32);
    put_u32(pf + 16, 0xFF0000);
    put_u32(pf + 20, 0xFF00);
    put_u32(pf + 24, 0xFF);
    put_u32(pf + 28, 0xFF000000u);
    put_u32(h + 104, caps);
    put_u32(h + 108, picture.cube ? k_caps2_cube | k_caps2_all_faces : 0);
    for (int face = 0; face < faces; ++face) {
        for (int level = 0; level < picture.levels; ++level) {
            const image& s = picture.surface(face, level);
            for (int y = 0; y < s.height; ++y)
                file.insert(file.end(), s.row(y), s.row(y) + static_cast<std::size_t>(s.width) * 4);
        }
    }
    *out = std::move(file);
    return S_OK;
}
