// Picture files: round trips, known decoded texels and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "platform/files.h"
#include "platform/image.h"
#include "tests/support/temp_folder.h"

namespace {

// A picture with every texel different: red across, green down, blue and alpha mixed.
image test_picture(int width, int height, bool with_alpha) {
    image p;
    EXPECT_TRUE(image_allocate(&p, width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t r = static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1));
            const std::uint32_t g = static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1));
            const std::uint32_t b = static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF);
            const std::uint32_t a = with_alpha ? static_cast<std::uint32_t>((x + y) * 9 & 0xFF) : 255;
            p.set_pixel(x, y, a << 24 | r << 16 | g << 8 | b);
        }
    }
    return p;
}

// A smooth picture, as a photograph or a rendered view is, for the lossy codec.
image smooth_picture(int width, int height) {
    image p;
    EXPECT_TRUE(image_allocate(&p, width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            const auto r = static_cast<std::uint32_t>(127.5 + 127.0 * std::sin(6.0 * u));
            const auto g = static_cast<std::uint32_t>(127.5 + 127.0 * std::cos(5.0 * v));
            const auto b = static_cast<std::uint32_t>(255.0 * u * v);
            p.set_pixel(x, y, 0xFF000000u | r << 16 | g << 8 | b);
        }
    }
    return p;
}

bool same_texels(const image& a, const image& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

double psnr(const image& a, const image& b) {
    double sum = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const double d = a.row(y)[x * 4 + c] - b.row(y)[x * 4 + c];
                sum += d * d;
            }
        }
    }
    const double mse = sum / (3.0 * a.width * a.height);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

image opaque(image p) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.row(y)[x * 4 + 3] = 255;
    return p;
}

void put_u32(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A DDS header of our own making for the given pixel format fields.
std::vector<std::uint8_t> dds_header(int width, int height, int levels, std::uint32_t pf_flags,
                                     std::uint32_t fourcc, std::uint32_t bits,
                                     const std::uint32_t masks[4]) {
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
    for (int i = 0; i < 4; ++i) put_u32(&h, 92 + 4 * i, masks ? masks[i] : 0);
    put_u32(&h, 108, 0x1000);
    return h;
}

constexpr std::uint32_t k_dxt1 = 0x31545844;  // "DXT1"

}  // namespace

TEST(BmpCodec, RoundTripsExactly) {
    for (int width : {1, 5, 8, 13}) {
        const image opaque_picture = test_picture(width, 7, false);
        std::vector<std::uint8_t> file;
        ASSERT_EQ(bmp_encode(opaque_picture, 24, &file), S_OK);
        EXPECT_EQ(file.size(), 54 + ((width * 3 + 3) / 4 * 4) * 7u);
        image back;
        ASSERT_EQ(bmp_decode(file.data(), file.size(), &back), S_OK);
        EXPECT_TRUE(same_texels(opaque_picture, back)) << width;

        const image translucent = test_picture(width, 7, true);
        ASSERT_EQ(bmp_encode(translucent, 32, &file), S_OK);
        ASSERT_EQ(bmp_decode(file.data(), file.size(), &back), S_OK);
        EXPECT_TRUE(same_texels(translucent, back)) << width;
    }
}

TEST(BmpCodec, ThirtyTwoBitWithZeroAlphaIsOpaque) {
    image p = test_picture(4, 3, false);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) p.row(y)[x * 4 + 3] = 0;
    std::vector<std::uint8_t> file;
    ASSERT_EQ(bmp_encode(p, 32, &file), S_OK);
    image back;
    ASSERT_EQ(bmp_decode(file.data(), file.size(), &back), S_OK);
    EXPECT_TRUE(same_texels(opaque(p), back));
}

TEST(BmpCodec, IndexedRoundTripKeepsIndicesAndPalette) {
    indexed_image p;
    p.width = 13;  // rows padded to 16 bytes
    p.height = 5;
    for (int i = 0; i < 256; ++i) p.palette[i] = static_cast<std::uint32_t>(i * 0x010203) & 0xFFFFFF;
    for (int i = 0; i < p.width * p.height; ++i) p.indices.push_back(static_cast<std::uint8_t>(i * 37));
    std::vector<std::uint8_t> file;
    ASSERT_EQ(bmp_encode_indexed(p, &file), S_OK);
    EXPECT_EQ(file.size(), 1078u + 16 * 5);
    EXPECT_EQ(file[10], 0x36);  // pixel data at 1078 = 0x436
    EXPECT_EQ(file[11], 0x04);

    indexed_image back;
    ASSERT_EQ(bmp_decode_indexed(file.data(), file.size(), &back), S_OK);
    EXPECT_EQ(back.width, 13);
    EXPECT_EQ(back.height, 5);
    EXPECT_EQ(back.indices, p.indices);
    EXPECT_EQ(std::memcmp(back.palette, p.palette, sizeof p.palette), 0);

    // As a colour picture every pixel takes its palette entry, opaque.
    image colours;
    ASSERT_EQ(bmp_decode(file.data(), file.size(), &colours), S_OK);
    EXPECT_EQ(colours.pixel(3, 2), 0xFF000000u | p.palette[p.indices[2 * 13 + 3]]);
    // A 24-bit file is not an indexed one.
    ASSERT_EQ(bmp_encode(colours, 24, &file), S_OK);
    EXPECT_EQ(bmp_decode_indexed(file.data(), file.size(), &back), E_BAD_FORMAT);
}

TEST(BmpCodec, ReadsTopDownAndBitFieldBitmaps) {
    // 2 x 2, 16 bits with 5:6:5 bit fields, top-down (negative height).
    std::vector<std::uint8_t> file(14 + 40 + 12 + 8, 0);
    file[0] = 'B';
    file[1] = 'M';
    put_u32(&file, 2, static_cast<std::uint32_t>(file.size()));
    put_u32(&file, 10, 66);
    put_u32(&file, 14, 40);
    put_u32(&file, 18, 2);
    put_u32(&file, 22, static_cast<std::uint32_t>(-2));
    file[26] = 1;
    file[28] = 16;
    put_u32(&file, 30, 3);
    put_u32(&file, 54, 0xF800);
    put_u32(&file, 58, 0x07E0);
    put_u32(&file, 62, 0x001F);
    const std::uint16_t texels[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    std::memcpy(file.data() + 66, texels, 8);
    image back;
    ASSERT_EQ(bmp_decode(file.data(), file.size(), &back), S_OK);
    EXPECT_EQ(back.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(back.pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(back.pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(back.pixel(1, 1), 0xFFFFFFFFu);
}

TEST(BmpCodec, DamagedFilesFailCleanly) {
    std::vector<std::uint8_t> file;
    ASSERT_EQ(bmp_encode(test_picture(9, 6, false), 24, &file), S_OK);
    image back;
    // Files cut short are image_corpus_test's. A header that claims a huge picture, a zero size or an unknown depth.
    std::vector<std::uint8_t> lying = file;
    put_u32(&lying, 18, 100000);
    EXPECT_EQ(bmp_decode(lying.data(), lying.size(), &back), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 22, 5000);
    EXPECT_EQ(bmp_decode(lying.data(), lying.size(), &back), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 18, 0);
    EXPECT_EQ(bmp_decode(lying.data(), lying.size(), &back), E_BAD_FORMAT);
    lying = file;
    lying[28] = 7;
    EXPECT_EQ(bmp_decode(lying.data(), lying.size(), &back), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 10, 0xFFFFFFF0u);
    EXPECT_EQ(bmp_decode(lying.data(), lying.size(), &back), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 30, 1);  // run-length coded
    EXPECT_EQ(bmp_decode(lying.data(), lying.size(), &back), E_BAD_FORMAT);
    EXPECT_EQ(bmp_decode(nullptr, 0, &back), E_BAD_FORMAT);
}

TEST(JpegCodec, RoundTripStaysCloseToTheOriginal) {
    const image original = smooth_picture(97, 61);
    std::vector<std::uint8_t> file;
    ASSERT_EQ(jpeg_encode(original, 90, &file), S_OK);
    EXPECT_EQ(image_detect(file.data(), file.size()), image_file_kind::jpeg);
    image back;
    ASSERT_EQ(jpeg_decode(file.data(), file.size(), &back), S_OK);
    ASSERT_EQ(back.width, 97);
    ASSERT_EQ(back.height, 61);
    EXPECT_GT(psnr(original, back), 35.0);
    EXPECT_FALSE([&] {
        for (int y = 0; y < back.height; ++y)
            for (int x = 0; x < back.width; ++x)
                if (back.row(y)[x * 4 + 3] != 255) return true;
        return false;
    }());
    // A lower quality gives a smaller file and a lower but still fair likeness.
    std::vector<std::uint8_t> small;
    ASSERT_EQ(jpeg_encode(original, 30, &small), S_OK);
    EXPECT_LT(small.size(), file.size());
    ASSERT_EQ(jpeg_decode(small.data(), small.size(), &back), S_OK);
    EXPECT_GT(psnr(original, back), 28.0);
    EXPECT_EQ(jpeg_encode(original, 0, &small), E_INVALIDARG);
}

TEST(JpegCodec, TruncatedAndCorruptStreamsFailWithoutExit) {
    std::vector<std::uint8_t> file;
    ASSERT_EQ(jpeg_encode(smooth_picture(64, 48), 85, &file), S_OK);
    image back;
    EXPECT_NE(jpeg_decode(file.data(), file.size() - 10, &back), S_OK);
    EXPECT_TRUE(back.empty());
    // Damaged headers: a frame of zero width, and garbage in place of the tables.
    std::vector<std::uint8_t> broken = file;
    for (std::size_t i = 2; i + 8 < broken.size(); ++i) {
        if (broken[i] == 0xFF && broken[i + 1] == 0xC0) {  // start of frame
            broken[i + 7] = 0;
            broken[i + 8] = 0;
            break;
        }
    }
    EXPECT_EQ(jpeg_decode(broken.data(), broken.size(), &back), E_BAD_FORMAT);
    broken = file;
    for (std::size_t i = 4; i < 160 && i < broken.size(); ++i) broken[i] = static_cast<std::uint8_t>(i * 31);
    EXPECT_NE(jpeg_decode(broken.data(), broken.size(), &back), S_OK);
}

// A header may claim a picture far larger than its data: refused as a bad file before any
// memory is set aside for it, whether one side is too long (60,000, which the library itself
// would still take) or the sides are allowed but their product is not (10,000 x 10,000).
TEST(JpegCodec, HeaderClaimingAnOversizedPictureIsABadFile) {
    std::vector<std::uint8_t> file;
    ASSERT_EQ(jpeg_encode(smooth_picture(16, 16), 85, &file), S_OK);
    std::size_t frame = 0;
    for (std::size_t i = 2; i + 8 < file.size() && frame == 0; ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) frame = i;  // start of frame: height, width at +5, +7
    }
    ASSERT_NE(frame, 0u);
    for (const auto& [height, width] : {std::pair{60000, 16}, std::pair{16, 60000}, std::pair{10000, 10000}}) {
        std::vector<std::uint8_t> lying = file;
        lying[frame + 5] = static_cast<std::uint8_t>(height >> 8);
        lying[frame + 6] = static_cast<std::uint8_t>(height & 0xFF);
        lying[frame + 7] = static_cast<std::uint8_t>(width >> 8);
        lying[frame + 8] = static_cast<std::uint8_t>(width & 0xFF);
        image back;
        EXPECT_EQ(jpeg_decode(lying.data(), lying.size(), &back), E_BAD_FORMAT) << height << " x " << width;
        EXPECT_TRUE(back.empty());
    }
}

TEST(PngCodec, RoundTripsExactlyWithAlpha) {
    const image original = test_picture(11, 9, true);
    std::vector<std::uint8_t> file;
    ASSERT_EQ(png_encode(original, &file), S_OK);
    EXPECT_EQ(image_detect(file.data(), file.size()), image_file_kind::png);
    image back;
    ASSERT_EQ(png_decode(file.data(), file.size(), &back), S_OK);
    EXPECT_TRUE(same_texels(original, back));
}

// A PNG header declaring a picture its file cannot hold is refused before decoding: deflate
// makes at most 1032 bytes of one, so a 100-byte file holds at most 103,200 bytes of filtered
// rows. 25 RGBA pixels a row take 1 + 100 bytes: 1021 rows fit that bound (and then fail as a
// bad file, the data being no picture), 1022 rows do not. A highly compressible picture of a
// real size still reads.
TEST(PngCodec, AHeaderDeclaringMoreThanTheFileCanHoldIsRefusedBeforeDecoding) {
    std::vector<std::uint8_t> file;
    ASSERT_EQ(png_encode(test_picture(3, 2, true), &file), S_OK);
    file.resize(100, 0);
    ASSERT_EQ(file[25], 6);  // RGBA
    ASSERT_EQ(file[24], 8);
    const auto declare = [&file](std::uint32_t width, std::uint32_t height) {
        for (int i = 0; i < 4; ++i) {
            file[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
            file[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
        }
    };
    image back;
    declare(25, 1022);
    EXPECT_EQ(png_decode(file.data(), file.size(), &back), E_PICTURE_TOO_LARGE);
    EXPECT_TRUE(back.empty());
    declare(25, 1021);
    EXPECT_EQ(png_decode(file.data(), file.size(), &back), E_BAD_FORMAT);
    declare(16384, 4096);  // 256 MB of texels from a 100-byte file
    EXPECT_EQ(png_decode(file.data(), file.size(), &back), E_PICTURE_TOO_LARGE);
    EXPECT_STREQ(result_name(E_PICTURE_TOO_LARGE), "E_PICTURE_TOO_LARGE");
    // Sides beyond what a picture may have, and no header at all, are bad files.
    declare(20000, 1);
    EXPECT_EQ(png_decode(file.data(), file.size(), &back), E_BAD_FORMAT);
    file[12] = 'X';
    EXPECT_EQ(png_decode(file.data(), file.size(), &back), E_BAD_FORMAT);

    image flat;
    ASSERT_TRUE(image_allocate(&flat, 1024, 256));
    for (int y = 0; y < flat.height; ++y)
        for (int x = 0; x < flat.width; ++x) flat.set_pixel(x, y, 0xFF336699u);
    ASSERT_EQ(png_encode(flat, &file), S_OK);
    ASSERT_EQ(png_decode(file.data(), file.size(), &back), S_OK);
    EXPECT_EQ(back.pixel(1023, 255), 0xFF336699u);
}

// A chunk declaring more bytes than the file has left (here an image-data chunk of 1.5 GB
// after the real one, where the end chunk stood): the library would set aside its length
// before finding it missing, so the file is refused as bad at once.
TEST(PngCodec, AChunkRunningPastTheEndOfTheFileIsABadFile) {
    std::vector<std::uint8_t> file;
    ASSERT_EQ(png_encode(test_picture(3, 3, true), &file), S_OK);
    image back;
    ASSERT_EQ(png_decode(file.data(), file.size(), &back), S_OK);
    const std::size_t end = file.size() - 12;  // the end chunk: length 0, "IEND", CRC
    ASSERT_EQ(std::memcmp(file.data() + end + 4, "IEND", 4), 0);
    std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<long>(end));
    const std::uint8_t huge[] = {0x5D, 0x00, 0x00, 0x1B, 'I', 'D', 'A', 'T', 0x78, 0x5E, 0x63, 0x64};
    cut.insert(cut.end(), std::begin(huge), std::end(huge));
    cut.insert(cut.end(), file.begin() + static_cast<long>(end), file.end());
    EXPECT_EQ(png_decode(cut.data(), cut.size(), &back), E_BAD_FORMAT);
    EXPECT_TRUE(back.empty());
}

TEST(DxtBlocks, DecodeToKnownColours) {
    // End points pure red (0xF800) and pure blue (0x001F); indices 0, 1, 2, 3 in the first
    // row, then 3, 2, 1, 0, then all 2, all 3.
    const std::uint8_t four_colour[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x1B, 0xAA, 0xFF};
    std::uint32_t texels[16];
    dxt1_decode_block(four_colour, texels);
    EXPECT_EQ(texels[0], 0xFFFF0000u);
    EXPECT_EQ(texels[1], 0xFF0000FFu);
    EXPECT_EQ(texels[2], 0xFFAA0055u);  // two thirds red: 170, one third blue: 85
    EXPECT_EQ(texels[3], 0xFF5500AAu);
    EXPECT_EQ(texels[4], 0xFF5500AAu);
    EXPECT_EQ(texels[7], 0xFFFF0000u);
    EXPECT_EQ(texels[8], 0xFFAA0055u);
    EXPECT_EQ(texels[15], 0xFF5500AAu);

    // First end point not larger: three colours and transparent black.
    const std::uint8_t three_colour[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};
    dxt1_decode_block(three_colour, texels);
    EXPECT_EQ(texels[0], 0xFF0000FFu);
    EXPECT_EQ(texels[1], 0xFFFF0000u);
    EXPECT_EQ(texels[2], 0xFF7F007Fu);  // the halfway colour
    EXPECT_EQ(texels[3], 0x00000000u);
    EXPECT_EQ(texels[4], 0xFF0000FFu);

    // DXT3: explicit 4-bit alpha, 0..15 across the block, times 17; white colour block.
    std::uint8_t dxt3[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                             0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    dxt3_decode_block(dxt3, texels);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[i], static_cast<std::uint32_t>(i * 17) << 24 | 0xFFFFFFu) << i;

    // DXT5, eight-alpha mode 255..0: index 0 = 255, 1 = 0, 2 = 218 (6/7), 7 = 36 (1/7).
    std::uint8_t dxt5[16] = {255, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    const std::uint64_t indices = 0u | 1u << 3 | 2u << 6 | 7u << 9;
    for (int i = 0; i < 6; ++i) dxt5[2 + i] = static_cast<std::uint8_t>(indices >> (8 * i));
    dxt5_decode_block(dxt5, texels);
    EXPECT_EQ(texels[0] >> 24, 255u);
    EXPECT_EQ(texels[1] >> 24, 0u);
    EXPECT_EQ(texels[2] >> 24, 218u);
    EXPECT_EQ(texels[3] >> 24, 36u);
    EXPECT_EQ(texels[4] >> 24, 255u);
    // Six-alpha mode (first not larger): index 6 = 0, 7 = 255, 2 = one fifth of the way.
    dxt5[0] = 0;
    dxt5[1] = 255;
    const std::uint64_t six = 6u | 7u << 3 | 2u << 6;
    for (int i = 0; i < 6; ++i) dxt5[2 + i] = static_cast<std::uint8_t>(six >> (8 * i));
    dxt5_decode_block(dxt5, texels);
    EXPECT_EQ(texels[0] >> 24, 0u);
    EXPECT_EQ(texels[1] >> 24, 255u);
    EXPECT_EQ(texels[2] >> 24, 51u);
    EXPECT_EQ(texels[0] & 0xFFFFFFu, 0xFFFFFFu);
}

TEST(DdsCodec, ReadsDxt1MipChainOfOddSize) {
    // 6 x 5 with three levels: 2 x 2 blocks, then 3 x 2 (1 x 1 block), then 1 x 1 (1 block).
    std::vector<std::uint8_t> file = dds_header(6, 5, 3, 0x4, k_dxt1, 0, nullptr);
    const std::uint8_t red[8] = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    const std::uint8_t blue[8] = {0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};
    for (int block = 0; block < 4; ++block) file.insert(file.end(), red, red + 8);
    file.insert(file.end(), blue, blue + 8);
    file.insert(file.end(), red, red + 8);
    dds_image dds;
    ASSERT_EQ(dds_decode(file.data(), file.size(), &dds), S_OK);
    EXPECT_FALSE(dds.cube);
    ASSERT_EQ(dds.levels, 3);
    EXPECT_EQ(dds.file_format, image_format::a8r8g8b8);
    EXPECT_EQ(dds.surface(0, 0).width, 6);
    EXPECT_EQ(dds.surface(0, 0).height, 5);
    EXPECT_EQ(dds.surface(0, 0).pixel(5, 4), 0xFFFF0000u);
    EXPECT_EQ(dds.surface(0, 1).width, 3);
    EXPECT_EQ(dds.surface(0, 1).height, 2);
    EXPECT_EQ(dds.surface(0, 1).pixel(2, 1), 0xFF0000FFu);
    EXPECT_EQ(dds.surface(0, 2).pixel(0, 0), 0xFFFF0000u);
}

TEST(DdsCodec, ReadsUncompressedByMasks) {
    const std::uint32_t xrgb[4] = {0xFF0000, 0xFF00, 0xFF, 0};
    std::vector<std::uint8_t> file = dds_header(2, 1, 1, 0x40, 0, 32, xrgb);
    const std::uint8_t texels[8] = {0x10, 0x20, 0x30, 0x00, 0x01, 0x02, 0x03, 0x77};
    file.insert(file.end(), texels, texels + 8);
    dds_image dds;
    ASSERT_EQ(dds_decode(file.data(), file.size(), &dds), S_OK);
    EXPECT_EQ(dds.file_format, image_format::x8r8g8b8);
    EXPECT_EQ(dds.surface(0, 0).pixel(0, 0), 0xFF302010u);  // no alpha mask: opaque
    EXPECT_EQ(dds.surface(0, 0).pixel(1, 0), 0xFF030201u);

    const std::uint32_t argb1555[4] = {0x7C00, 0x03E0, 0x1F, 0x8000};
    file = dds_header(2, 1, 1, 0x41, 0, 16, argb1555);
    const std::uint8_t small[4] = {0x00, 0xFC, 0x1F, 0x00};  // opaque red, transparent blue
    file.insert(file.end(), small, small + 4);
    ASSERT_EQ(dds_decode(file.data(), file.size(), &dds), S_OK);
    EXPECT_EQ(dds.file_format, image_format::a1r5g5b5);
    EXPECT_EQ(dds.surface(0, 0).pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(dds.surface(0, 0).pixel(1, 0), 0x000000FFu);
}

TEST(DdsCodec, CubeMapKeepsSixFacesInOrder) {
    dds_image cube;
    cube.cube = true;
    cube.faces = 6;
    cube.levels = 2;
    const std::uint32_t colours[6] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                                      0xFFFFFF00u, 0xFF00FFFFu, 0x80FF00FFu};
    for (int face = 0; face < 6; ++face) {
        for (int level = 0; level < 2; ++level) {
            image s;
            ASSERT_TRUE(image_allocate(&s, 4 >> level, 4 >> level));
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x) s.set_pixel(x, y, colours[face] ^ static_cast<std::uint32_t>(level));
            cube.surfaces.push_back(s);
        }
    }
    std::vector<std::uint8_t> file;
    ASSERT_EQ(dds_encode(cube, &file), S_OK);
    EXPECT_EQ(file.size(), 128u + 6 * (64 + 16));
    dds_image back;
    ASSERT_EQ(dds_decode(file.data(), file.size(), &back), S_OK);
    ASSERT_TRUE(back.cube);
    ASSERT_EQ(back.faces, 6);
    ASSERT_EQ(back.levels, 2);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(back.surface(face, 0).pixel(3, 3), colours[face]) << face;
        EXPECT_EQ(back.surface(face, 1).width, 2);
        EXPECT_EQ(back.surface(face, 1).pixel(1, 0), colours[face] ^ 1u) << face;
    }
    // A cube missing a face flag, and a volume, are refused.
    std::vector<std::uint8_t> partial = file;
    put_u32(&partial, 112, 0x200 | 0x400);
    EXPECT_EQ(dds_decode(partial.data(), partial.size(), &back), E_BAD_FORMAT);
    partial = file;
    put_u32(&partial, 112, 0x200000);
    EXPECT_EQ(dds_decode(partial.data(), partial.size(), &back), E_BAD_FORMAT);
}

TEST(DdsCodec, LyingHeadersFail) {
    std::vector<std::uint8_t> file = dds_header(4, 4, 1, 0x4, k_dxt1, 0, nullptr);
    file.resize(file.size() + 8, 0);
    dds_image dds;
    ASSERT_EQ(dds_decode(file.data(), file.size(), &dds), S_OK);
    std::vector<std::uint8_t> lying = file;
    put_u32(&lying, 16, 0x40000000u);  // width
    EXPECT_EQ(dds_decode(lying.data(), lying.size(), &dds), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 12, 0);  // height
    EXPECT_EQ(dds_decode(lying.data(), lying.size(), &dds), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 8, 0x21007);
    put_u32(&lying, 28, 0xFFFFFFFFu);  // mip levels beyond the data
    EXPECT_EQ(dds_decode(lying.data(), lying.size(), &dds), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 84, 0x31495441);  // an unknown compression
    EXPECT_EQ(dds_decode(lying.data(), lying.size(), &dds), E_BAD_FORMAT);
    lying = file;
    put_u32(&lying, 4, 100);  // header size
    EXPECT_EQ(dds_decode(lying.data(), lying.size(), &dds), E_BAD_FORMAT);
    EXPECT_TRUE(dds.surfaces.empty());  // nothing of the earlier picture is left behind
}

TEST(ImageFiles, SaveAndLoadByNameAndExtension) {
    temp_folder tmp;
    fs_make_folder("pictures");
    const image picture = test_picture(16, 8, false);
    image back;
    ASSERT_EQ(image_save_file("pictures\\a.bmp", picture), S_OK);
    ASSERT_EQ(image_load_file("Pictures\\A.BMP", &back), S_OK);
    EXPECT_TRUE(same_texels(picture, back));
    ASSERT_EQ(image_save_file("pictures\\a.png", picture), S_OK);
    ASSERT_EQ(image_load_file("pictures\\a.png", &back), S_OK);
    EXPECT_TRUE(same_texels(picture, back));
    ASSERT_EQ(image_save_file("pictures\\a.dds", picture), S_OK);
    ASSERT_EQ(image_load_file("pictures\\a.dds", &back), S_OK);
    EXPECT_TRUE(same_texels(picture, back));
    ASSERT_EQ(image_save_file("pictures\\a.jpg", smooth_picture(32, 32)), S_OK);
    ASSERT_EQ(image_load_file("pictures\\a.jpg", &back), S_OK);
    EXPECT_GT(psnr(smooth_picture(32, 32), back), 30.0);

    EXPECT_EQ(image_save_file("pictures\\a.tga", picture), E_INVALIDARG);
    EXPECT_EQ(image_save_file("missing\\a.bmp", picture), E_FILE_WRITE);
    EXPECT_EQ(image_load_file("pictures\\none.bmp", &back), E_FILE_NOT_FOUND);
    tmp.write("pictures/text.jpg", "not a picture");
    EXPECT_EQ(image_load_file("pictures\\text.jpg", &back), E_BAD_FORMAT);
    EXPECT_TRUE(back.empty());
}
