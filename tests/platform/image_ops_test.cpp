// Conversions, colour key, resizing, mip chains and the texture-from-file preparation.
#include <gtest/gtest.h>

#include <vector>

#include "platform/image.h"
#include "platform/image_ops.h"
#include "platform/texture_image.h"
#include "tests/support/temp_folder.h"

namespace {

image flat(int width, int height, std::uint32_t argb) {
    image p;
    EXPECT_TRUE(image_allocate(&p, width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.set_pixel(x, y, argb);
    return p;
}

}  // namespace

TEST(ImageOps, ColourKeyTakesOnlyExactlyOpaqueBlack) {
    image p = flat(4, 1, 0xFF000000u);
    p.set_pixel(1, 0, 0xFF010000u);  // nearly black
    p.set_pixel(2, 0, 0xFE000000u);  // black, not quite opaque
    p.set_pixel(3, 0, 0xFFFFFFFFu);
    EXPECT_EQ(image_apply_color_key(&p, 0xFF000000u), 1);
    EXPECT_EQ(p.pixel(0, 0), 0x00000000u);
    EXPECT_EQ(p.pixel(1, 0), 0xFF010000u);
    EXPECT_EQ(p.pixel(2, 0), 0xFE000000u);
    EXPECT_EQ(p.pixel(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(image_apply_color_key(&p, 0), 0);  // no key
}

TEST(ImageOps, QuantizeAndPackAgreeWithTheFormats) {
    // 5:6:5 keeps full scale and zero; a mid grey lands on the nearest step.
    image p = flat(3, 1, 0xFFFFFFFFu);
    p.set_pixel(1, 0, 0x80000000u);
    p.set_pixel(2, 0, 0xFF808080u);
    image q = p;
    ASSERT_TRUE(image_quantize(&q, image_format::r5g6b5));
    EXPECT_EQ(q.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(q.pixel(1, 0), 0xFF000000u);  // no alpha in 5:6:5
    // 128 -> 16 of 31 -> 16 x 255 / 31 = 131; 128 -> 32 of 63 -> 129
    EXPECT_EQ(q.pixel(2, 0), 0xFF838183u);

    std::uint8_t raw[6];
    ASSERT_TRUE(image_pack(p, image_format::r5g6b5, raw, 6));
    EXPECT_EQ(raw[0] | raw[1] << 8, 0xFFFF);
    EXPECT_EQ(raw[2] | raw[3] << 8, 0x0000);
    image back = flat(3, 1, 0);
    ASSERT_TRUE(image_unpack(raw, 6, image_format::r5g6b5, &back));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(back.pixel(x, 0), q.pixel(x, 0));

    // 1:5:5:5 alpha is a threshold at half; 4:4:4:4 keeps 16 alpha steps.
    q = p;
    ASSERT_TRUE(image_quantize(&q, image_format::a1r5g5b5));
    EXPECT_EQ(q.pixel(1, 0) >> 24, 255u);
    q.set_pixel(0, 0, 0x7FFFFFFFu);
    ASSERT_TRUE(image_quantize(&q, image_format::a1r5g5b5));
    EXPECT_EQ(q.pixel(0, 0), 0x00FFFFFFu);
    q = flat(1, 1, 0x88FF0000u);
    ASSERT_TRUE(image_quantize(&q, image_format::a4r4g4b4));
    EXPECT_EQ(q.pixel(0, 0), 0x88FF0000u);
    q = flat(1, 1, 0x12345678u);
    ASSERT_TRUE(image_quantize(&q, image_format::x8r8g8b8));
    EXPECT_EQ(q.pixel(0, 0), 0xFF345678u);
    EXPECT_FALSE(image_quantize(&q, image_format::v8u8));

    // Every format keeps what packing and unpacking keep, whatever the four channels hold.
    image mixed = flat(256, 4, 0);
    for (int y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 256; ++x)
            mixed.set_pixel(static_cast<int>(x), y,
                            x << (8 * y) | ((x * 37 + 11) & 0xFF) << (8 * ((y + 1) % 4)) |
                                ((x * 91 + 200) & 0xFF) << (8 * ((y + 2) % 4)));
    for (const image_format f : {image_format::r5g6b5, image_format::x1r5g5b5,
                                 image_format::a1r5g5b5, image_format::a4r4g4b4, image_format::a8,
                                 image_format::l8}) {
        const int bytes = image_format_bytes(f);
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(256 * 4 * bytes));
        ASSERT_TRUE(image_pack(mixed, f, packed.data(), 256 * bytes));
        image expected = flat(256, 4, 0);
        ASSERT_TRUE(image_unpack(packed.data(), 256 * bytes, f, &expected));
        q = mixed;
        ASSERT_TRUE(image_quantize(&q, f));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 256; ++x)
                ASSERT_EQ(q.pixel(x, y), expected.pixel(x, y)) << static_cast<int>(f) << " " << x;
    }
}

TEST(ImageOps, ResizeAveragesWhenShrinkingAndInterpolatesWhenGrowing) {
    image p = flat(4, 2, 0xFF000000u);
    p.set_pixel(0, 0, 0xFFFFFFFFu);
    p.set_pixel(1, 0, 0xFFFFFFFFu);
    p.set_pixel(0, 1, 0xFFFFFFFFu);
    p.set_pixel(1, 1, 0xFFFFFFFFu);
    const image half = image_resize(p, 2, 1);
    EXPECT_EQ(half.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(half.pixel(1, 0), 0xFF000000u);
    // Three texels from four: the middle one covers a third of each neighbour pair.
    const image third = image_resize(flat(3, 1, 0xFF606060u), 2, 1);
    EXPECT_EQ(third.pixel(1, 0), 0xFF606060u);

    const image ramp = [] {
        image r = flat(2, 1, 0xFF000000u);
        r.set_pixel(1, 0, 0xFFFF0000u);
        return r;
    }();
    const image grown = image_resize(ramp, 4, 1);
    EXPECT_EQ(grown.pixel(0, 0), 0xFF000000u);    // clamped to the first centre
    EXPECT_EQ(grown.pixel(1, 0) >> 16 & 0xFF, 64u);  // a quarter of the way
    EXPECT_EQ(grown.pixel(2, 0) >> 16 & 0xFF, 191u);
    EXPECT_EQ(grown.pixel(3, 0), 0xFFFF0000u);
}

TEST(ImageOps, HalfSizeAveragesAndOddSidesRoundDown) {
    image p = flat(3, 2, 0xFF000000u);
    p.set_pixel(0, 0, 0xFFFFFFFFu);
    const image h = image_half_size(p);
    ASSERT_EQ(h.width, 1);
    ASSERT_EQ(h.height, 1);
    EXPECT_EQ(h.pixel(0, 0), 0xFF404040u);  // one white texel of four
}

TEST(TextureImage, SizeRules) {
    EXPECT_EQ(texture_side(300, k_texture_size_file, 4096), 300);
    EXPECT_EQ(texture_side(300, 64, 4096), 64);
    EXPECT_EQ(texture_side(3000, k_texture_size_default, 2048), 2048);
    EXPECT_EQ(texture_side(3000, 4096, 1024), 1024);
}

TEST(TextureImage, FromPictureWithKeyFormatAndFullChain) {
    image p = flat(300, 200, 0xFF000000u);
    for (int x = 0; x < 150; ++x)
        for (int y = 0; y < 200; ++y) p.set_pixel(x, y, 0xFFFFFFFFu);
    texture_request request;
    request.levels = k_texture_levels_full;
    request.format = image_format::a1r5g5b5;
    request.color_key = 0xFF000000u;
    texture_image t;
    ASSERT_EQ(texture_image_from_picture(p, image_format::x8r8g8b8, request, &t), S_OK);
    EXPECT_EQ(t.format, image_format::a1r5g5b5);
    EXPECT_EQ(t.width(), 512);
    EXPECT_EQ(t.height(), 256);
    ASSERT_EQ(t.levels, 10);
    ASSERT_EQ(t.surfaces.size(), 10u);
    EXPECT_EQ(t.surface(0, 0).pixel(10, 10), 0xFFFFFFFFu);
    EXPECT_EQ(t.surface(0, 0).pixel(500, 10), 0x00000000u);  // keyed: transparent black
    EXPECT_EQ(t.surface(0, 9).width, 1);
    EXPECT_EQ(t.surface(0, 9).height, 1);

    // The file's own format: an opaque picture is X8R8G8B8, the size kept when asked.
    texture_request plain;
    plain.width = plain.height = k_texture_size_file;
    ASSERT_EQ(texture_image_from_picture(p, image_format::unknown, plain, &t), S_OK);
    EXPECT_EQ(t.format, image_format::x8r8g8b8);
    EXPECT_EQ(t.width(), 300);
    EXPECT_EQ(t.levels, 1);
}

TEST(TextureImage, DdsKeepsItsLevelsAndCubeFaces) {
    dds_image cube;
    cube.cube = true;
    cube.faces = 6;
    cube.levels = 1;
    for (int face = 0; face < 6; ++face) cube.surfaces.push_back(flat(8, 8, 0xFF000010u * (face + 1)));
    std::vector<std::uint8_t> file;
    ASSERT_EQ(dds_encode(cube, &file), S_OK);
    texture_request request;
    request.levels = k_texture_levels_full;
    texture_image t;
    ASSERT_EQ(texture_image_from_memory(file.data(), file.size(), request, &t), S_OK);
    EXPECT_TRUE(t.cube);
    ASSERT_EQ(t.faces, 6);
    ASSERT_EQ(t.levels, 4);
    EXPECT_EQ(t.format, image_format::a8r8g8b8);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(t.surface(face, 0).pixel(0, 0), 0xFF000010u * (face + 1));
        EXPECT_EQ(t.surface(face, 3).pixel(0, 0), 0xFF000010u * (face + 1));  // made by halving
    }

    temp_folder tmp;
    EXPECT_EQ(texture_image_from_file("graphics\\refmap.dds", request, &t), E_FILE_NOT_FOUND);
    tmp.write("graphics/refmap.dds", std::string(file.begin(), file.begin() + 200));
    EXPECT_EQ(texture_image_from_file("graphics\\refmap.dds", request, &t), E_BAD_FORMAT);
    EXPECT_TRUE(t.surfaces.empty());
}
