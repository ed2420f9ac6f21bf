#include <gtest/gtest.h>

#include "core/texture_helpers.h"

namespace {

image blues(int width, int height, const int* values) {
    image p;
    EXPECT_TRUE(image_allocate(&p, width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.set_pixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(values[y * width + x]));
    return p;
}

int du(const std::vector<std::uint8_t>& t, int pitch, int x, int y) {
    return static_cast<std::int8_t>(t[static_cast<std::size_t>(y * pitch + x * 2)]);
}
int dv(const std::vector<std::uint8_t>& t, int pitch, int x, int y) {
    return static_cast<std::int8_t>(t[static_cast<std::size_t>(y * pitch + x * 2 + 1)]);
}

}  // namespace

TEST(TextureHelpers, BumpFromNeighbourDifferencesWrapsRoundTheEdges) {
    // Blue 0, 10, 255 across; rows 0 and 1 equal, row 2 all 100.
    const int values[9] = {0, 10, 255, 0, 10, 255, 100, 100, 100};
    const image p = blues(3, 3, values);
    const int pitch = 8;  // wider than 3 x 2 bytes: rows must honour it
    std::vector<std::uint8_t> t(static_cast<std::size_t>(pitch) * 3, 0xEE);
    make_bump_texels(p, false, t.data(), pitch);
    EXPECT_EQ(du(t, pitch, 0, 0), (10 - 255) / 2);  // left neighbour wraps to x = 2: -122
    EXPECT_EQ(du(t, pitch, 1, 0), (255 - 0) / 2);   // 127
    EXPECT_EQ(du(t, pitch, 2, 0), (0 - 10) / 2);    // right neighbour wraps to x = 0: -5
    EXPECT_EQ(dv(t, pitch, 0, 0), (0 - 100) / 2);   // up wraps to row 2: -50
    EXPECT_EQ(dv(t, pitch, 1, 1), (100 - 10) / 2);
    EXPECT_EQ(dv(t, pitch, 2, 2), (255 - 255) / 2);
    EXPECT_EQ(du(t, pitch, 1, 2), 0);
    EXPECT_EQ(t[6], 0xEE);  // padding untouched
    // Odd differences truncate towards zero: (10 - 255) / 2 is -122, not -123.
    EXPECT_EQ(du(t, pitch, 0, 1), -122);

    image direct;
    ASSERT_TRUE(image_allocate(&direct, 1, 1));
    direct.set_pixel(0, 0, 0xFFC80050u);  // red 200, blue 80
    make_bump_texels(direct, true, t.data(), pitch);
    EXPECT_EQ(du(t, pitch, 0, 0), 80 - 128);
    EXPECT_EQ(dv(t, pitch, 0, 0), 200 - 128);
}

TEST(TextureHelpers, TilesAreListedColumnByColumn) {
    image p;
    ASSERT_TRUE(image_allocate(&p, 7, 4));  // 3 x 2 tiles of 2 x 2; the last column unused
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) p.set_pixel(x, y, static_cast<std::uint32_t>(y * 16 + x));
    const std::vector<image> tiles = split_into_tiles(p, 3, 2);
    ASSERT_EQ(tiles.size(), 6u);
    for (const image& t : tiles) {
        EXPECT_EQ(t.width, 2);
        EXPECT_EQ(t.height, 2);
    }
    EXPECT_EQ(tiles[0].pixel(0, 0), 0u);            // column 0, row 0
    EXPECT_EQ(tiles[1].pixel(0, 0), 2u * 16);       // column 0, row 1
    EXPECT_EQ(tiles[2].pixel(1, 1), 1u * 16 + 3);   // column 1, row 0
    EXPECT_EQ(tiles[5].pixel(1, 1), 3u * 16 + 5);   // column 2, row 1
    EXPECT_TRUE(split_into_tiles(p, 0, 2).empty());
    EXPECT_TRUE(split_into_tiles(p, 8, 1).empty());
}
