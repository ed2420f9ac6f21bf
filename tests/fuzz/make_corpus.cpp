// Writes the seed pictures of the fuzz corpus (tests/fuzz/corpus/<kind>/): small files of
// every layout the decoders read. Run once when the decoders learn a new layout:
//   make_corpus <corpus folder>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/image.h"

namespace {

std::string g_folder;

void save(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = g_folder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

image picture(int width, int height, bool alpha) {
    image p;
    image_allocate(&p, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.set_pixel(x, y, (alpha ? static_cast<std::uint32_t>(x * 40 + y) << 24 : 0xFF000000u) |
                                  static_cast<std::uint32_t>(x * 50) << 16 |
                                  static_cast<std::uint32_t>(y * 60) << 8 | 0x30u);
    return p;
}

void put_u32(std::vector<std::uint8_t>* b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<std::uint8_t> dds_header(int width, int height, int levels, std::uint32_t pf_flags,
                                     std::uint32_t fourcc, std::uint32_t bits,
                                     std::uint32_t r, std::uint32_t g, std::uint32_t b,
                                     std::uint32_t a) {
    std::vector<std::uint8_t> h(128, 0);
    std::memcpy(h.data(), "DDS ", 4);
    put_u32(&h, 4, 124);
    put_u32(&h, 8, 0x1007 | (levels > 1 ? 0x20000 : 0));
    put_u32(&h, 12, static_cast<std::uint32_t>(height));
    put_u32(&h, 16, static_cast<std::uint32_t>(width));
    put_u32(&h, 28, static_cast<std::uint32_t>(levels));
    put_u32(&h, 76, 32);
    put_u32(&h, 80, pf_flags);
    put_u32(&h, 84, fourcc);
    put_u32(&h, 88, bits);
    put_u32(&h, 92, r);
    put_u32(&h, 96, g);
    put_u32(&h, 100, b);
    put_u32(&h, 104, a);
    put_u32(&h, 108, 0x1000);
    return h;
}

void append_blocks(std::vector<std::uint8_t>* file, int count, int block_size) {
    for (int i = 0; i < count * block_size; ++i) file->push_back(static_cast<std::uint8_t>(i * 37 + 11));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_corpus <corpus folder>\n");
        return 1;
    }
    const std::string root = argv[1];
    std::vector<std::uint8_t> bytes;

    g_folder = root + "/bmp";
    bmp_encode(picture(5, 3, false), 24, &bytes);
    save("rgb24.bmp", bytes);
    bmp_encode(picture(4, 4, true), 32, &bytes);
    save("argb32.bmp", bytes);
    indexed_image indexed;
    indexed.width = 13;
    indexed.height = 5;
    for (int i = 0; i < 256; ++i) indexed.palette[i] = static_cast<std::uint32_t>(i * 0x010101);
    for (int i = 0; i < 65; ++i) indexed.indices.push_back(static_cast<std::uint8_t>(i * 3));
    bmp_encode_indexed(indexed, &bytes);
    save("indexed8.bmp", bytes);
    // 16-bit 5:6:5 bit fields, top-down, 3 x 2.
    bytes.assign(14 + 40 + 12 + 8 * 2, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put_u32(&bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    put_u32(&bytes, 10, 66);
    put_u32(&bytes, 14, 40);
    put_u32(&bytes, 18, 3);
    put_u32(&bytes, 22, static_cast<std::uint32_t>(-2));
    bytes[26] = 1;
    bytes[28] = 16;
    put_u32(&bytes, 30, 3);
    put_u32(&bytes, 54, 0xF800);
    put_u32(&bytes, 58, 0x07E0);
    put_u32(&bytes, 62, 0x001F);
    for (std::size_t i = 66; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13);
    save("bitfields16.bmp", bytes);
    // 4 bits per pixel with a 16-entry palette, 7 x 3.
    bytes.assign(14 + 40 + 64 + 4 * 3, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put_u32(&bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    put_u32(&bytes, 10, 14 + 40 + 64);
    put_u32(&bytes, 14, 40);
    put_u32(&bytes, 18, 7);
    put_u32(&bytes, 22, 3);
    bytes[26] = 1;
    bytes[28] = 4;
    put_u32(&bytes, 46, 16);
    for (std::size_t i = 54; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 29);
    save("palette4.bmp", bytes);

    g_folder = root + "/dds";
    bytes = dds_header(8, 8, 4, 0x4, 0x31545844, 0, 0, 0, 0, 0);  // DXT1, 4 levels
    append_blocks(&bytes, 4 + 1 + 1 + 1, 8);
    save("dxt1_mips.dds", bytes);
    bytes = dds_header(4, 4, 1, 0x4, 0x33545844, 0, 0, 0, 0, 0);  // DXT3
    append_blocks(&bytes, 1, 16);
    save("dxt3.dds", bytes);
    bytes = dds_header(6, 5, 1, 0x4, 0x35545844, 0, 0, 0, 0, 0);  // DXT5, odd size
    append_blocks(&bytes, 4, 16);
    save("dxt5_odd.dds", bytes);
    bytes = dds_header(3, 2, 1, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0);  // X8R8G8B8
    append_blocks(&bytes, 6, 4);
    save("xrgb.dds", bytes);
    bytes = dds_header(2, 2, 2, 0x41, 0, 16, 0x7C00, 0x03E0, 0x1F, 0x8000);  // A1R5G5B5
    append_blocks(&bytes, 5, 2);
    save("argb1555.dds", bytes);
    dds_image cube;
    cube.cube = true;
    cube.faces = 6;
    cube.levels = 2;
    for (int face = 0; face < 6; ++face) {
        cube.surfaces.push_back(picture(2, 2, true));
        cube.surfaces.push_back(picture(1, 1, true));
    }
    dds_encode(cube, &bytes);
    save("cube.dds", bytes);

    g_folder = root + "/jpeg";
    jpeg_encode(picture(16, 16, false), 90, &bytes);
    save("colour16.jpg", bytes);
    jpeg_encode(picture(17, 9, false), 40, &bytes);
    save("odd17x9.jpg", bytes);

    g_folder = root + "/png";
    png_encode(picture(3, 3, true), &bytes);
    save("rgba3.png", bytes);
    png_encode(picture(8, 2, false), &bytes);
    save("rgb8x2.png", bytes);
    return 0;
}
