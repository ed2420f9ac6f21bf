// Textures from picture files on the recording device: formats, sizes, levels, cube maps,
// the helpers of the application object, saving, and the cache on a real loader.
#include <gtest/gtest.h>

#include <cmath>

#include "core/d3d_app.h"
#include "core/texture_loading.h"
#include "platform/files.h"
#include "platform/image_ops.h"
#include "platform/recording_device.h"
#include "tests/support/temp_folder.h"

namespace {

present_params small_params() {
    present_params p;
    p.back_buffer_width = 64;
    p.back_buffer_height = 48;
    p.back_buffer_format = FMT_X8R8G8B8;
    return p;
}

image picture(int width, int height) {
    image p;
    EXPECT_TRUE(image_allocate(&p, width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.set_pixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(x * 8) << 16 |
                                  static_cast<std::uint32_t>(y * 8) << 8 | 0x40u);
    return p;
}

image level_of(gfx_texture* t, int level, int face = 0) {
    image out;
    EXPECT_EQ(read_texture_level(t, level, face, &out), S_OK);
    return out;
}

struct TextureLoading : ::testing::Test {
    temp_folder tmp;
    recording_device device{small_params()};
    void SetUp() override { fs_make_folder("graphics"); }
};

}  // namespace

TEST_F(TextureLoading, FileToTextureInTheRequestedFormatSizeAndLevels) {
    ASSERT_EQ(image_save_file("graphics\\p.bmp", picture(20, 12)), S_OK);
    texture_request request;
    request.format = image_format::r5g6b5;
    request.levels = k_texture_levels_full;
    texture_ptr t;
    ASSERT_EQ(load_texture_from_file(&device, "graphics\\p.bmp", request, &t), S_OK);
    EXPECT_EQ(t->format(), FMT_R5G6B5);
    EXPECT_EQ(t->width(), 32);  // rounded up to powers of two
    EXPECT_EQ(t->height(), 16);
    EXPECT_EQ(t->level_count(), 6);
    // A size of the file's own keeps the texels: each reads back as 5:6:5 holds it.
    request.width = request.height = k_texture_size_file;
    ASSERT_EQ(load_texture_from_file(&device, "graphics\\p.bmp", request, &t), S_OK);
    image expected = picture(20, 12);
    ASSERT_TRUE(image_quantize(&expected, image_format::r5g6b5));
    const image back = level_of(t.get(), 0);
    ASSERT_EQ(back.width, 20);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(back.pixel(x, y), expected.pixel(x, y));
    // Raw texels are 16 bits: the lock gives the device's own layout.
    locked_rect rect;
    ASSERT_EQ(t->lock_rect(0, &rect), S_OK);
    const auto* raw = static_cast<const std::uint8_t*>(rect.bits);
    EXPECT_EQ(raw[0] | raw[1] << 8, 0x0008);  // red 0, green 0, blue 0x40 -> 8 of 31
    t->unlock_rect(0);

    EXPECT_EQ(load_texture_from_file(&device, "graphics\\none.bmp", request, &t), E_FILE_NOT_FOUND);
    EXPECT_EQ(t, nullptr);
}

TEST_F(TextureLoading, APictureInMemoryLoadedAgainGivesTheSameTexels) {
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(bmp_encode(picture(20, 12), 32, &bytes), S_OK);
    texture_request request;
    request.levels = k_texture_levels_full;
    auto texels = [](gfx_texture* t) {
        std::vector<image> levels;
        for (int level = 0; level < t->level_count(); ++level) levels.push_back(level_of(t, level));
        return levels;
    };
    auto same = [](const std::vector<image>& a, const std::vector<image>& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i].width != b[i].width || a[i].texels != b[i].texels) return false;
        return true;
    };
    texture_ptr first, second, third, keyed;
    ASSERT_EQ(load_texture_from_memory(&device, bytes.data(), bytes.size(), request, &first), S_OK);
    ASSERT_EQ(load_texture_from_memory(&device, bytes.data(), bytes.size(), request, &second), S_OK);
    ASSERT_EQ(load_texture_from_memory(&device, bytes.data(), bytes.size(), request, &third), S_OK);
    EXPECT_EQ(first->level_count(), 6);
    EXPECT_TRUE(same(texels(first.get()), texels(second.get())));
    EXPECT_TRUE(same(texels(first.get()), texels(third.get())));

    // Another request of the same bytes, and other bytes at the same address, are their own.
    request.format = image_format::r5g6b5;
    request.levels = 1;
    request.width = request.height = k_texture_size_file;
    ASSERT_EQ(load_texture_from_memory(&device, bytes.data(), bytes.size(), request, &keyed), S_OK);
    EXPECT_EQ(keyed->format(), FMT_R5G6B5);
    EXPECT_EQ(keyed->level_count(), 1);
    EXPECT_NE(level_of(keyed.get(), 0).pixel(3, 4), 0xFF000000u);
    std::vector<std::uint8_t> other;
    image darker = picture(20, 12);
    darker.set_pixel(3, 4, 0xFF000000u);
    ASSERT_EQ(bmp_encode(darker, 32, &other), S_OK);
    ASSERT_EQ(other.size(), bytes.size());
    std::copy(other.begin(), other.end(), bytes.begin());
    ASSERT_EQ(load_texture_from_memory(&device, bytes.data(), bytes.size(), request, &keyed), S_OK);
    EXPECT_EQ(level_of(keyed.get(), 0).pixel(3, 4), 0xFF000000u);
}

TEST_F(TextureLoading, CubeMapFromDds) {
    dds_image cube;
    cube.cube = true;
    cube.faces = 6;
    for (int face = 0; face < 6; ++face) {
        image s;
        ASSERT_TRUE(image_allocate(&s, 4, 4));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) s.set_pixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(face * 40));
        cube.surfaces.push_back(s);
    }
    std::vector<std::uint8_t> file;
    ASSERT_EQ(dds_encode(cube, &file), S_OK);
    ASSERT_TRUE(fs_write("graphics\\refmap.dds", file.data(), file.size()));
    texture_ptr t;
    texture_request request;
    request.levels = k_texture_levels_full;
    ASSERT_EQ(load_texture_from_file(&device, "graphics\\refmap.dds", request, &t), S_OK);
    EXPECT_EQ(t->kind(), texture_kind::cube);
    EXPECT_EQ(t->format(), FMT_A8R8G8B8);
    EXPECT_EQ(t->level_count(), 3);
    // The decoding itself is the codec's; here each face reaches its own face of the device.
    EXPECT_EQ(level_of(t.get(), 2, 5).pixel(0, 0), 0xFF000000u | 200u);
}

TEST_F(TextureLoading, SavedTexturesReadBack) {
    texture_ptr t;
    texture_request request;
    request.format = image_format::a8r8g8b8;
    request.width = request.height = k_texture_size_file;
    const image original = picture(24, 16);
    ASSERT_EQ(image_save_file("graphics\\src.png", original), S_OK);
    ASSERT_EQ(load_texture_from_file(&device, "graphics\\src.png", request, &t), S_OK);
    ASSERT_EQ(save_texture_to_file(t.get(), "graphics\\copy.bmp"), S_OK);
    image back;
    ASSERT_EQ(image_load_file("graphics\\copy.bmp", &back), S_OK);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_EQ(back.pixel(x, y), original.pixel(x, y));
    // As JPEG: close, within the usual loss.
    ASSERT_EQ(save_texture_to_file(t.get(), "graphics\\map.jpg"), S_OK);
    ASSERT_EQ(image_load_file("graphics\\map.jpg", &back), S_OK);
    double worst = 0;
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 20; ++x)
            worst = std::max(worst, std::abs(double(back.row(y)[x * 4 + 2]) - original.row(y)[x * 4 + 2]));
    EXPECT_LT(worst, 24.0);
    EXPECT_EQ(save_texture_to_file(nullptr, "graphics\\x.jpg"), E_INVALIDARG);
}

TEST_F(TextureLoading, HelpersOfTheApplicationObject) {
    texture_ptr white;
    ASSERT_TRUE(create_filled_texture(&device, &white, 32, 32, true, 0xFFFFC000u));
    EXPECT_EQ(white->level_count(), 1);
    EXPECT_EQ(level_of(white.get(), 0).pixel(31, 31), 0xFFFFC000u);

    // Blue ramp 0, 64, 128, 192 across, red 128 everywhere (so no texel is opaque black).
    image ramp;
    ASSERT_TRUE(image_allocate(&ramp, 4, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) ramp.set_pixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(x * 64) | 0x800000u);
    ASSERT_EQ(image_save_file("graphics\\bump.png", ramp), S_OK);
    // The texels' arithmetic is texture_helpers_test's; here the format, levels and one texel.
    texture_ptr bump;
    ASSERT_TRUE(load_bump_texture(&device, "graphics\\bump.png", &bump, false, false));
    EXPECT_EQ(bump->format(), FMT_V8U8);
    EXPECT_EQ(bump->level_count(), 1);
    ASSERT_TRUE(load_bump_texture(&device, "graphics\\bump.png", &bump, true, true));
    EXPECT_EQ(bump->level_count(), 3);
    locked_rect rect;
    ASSERT_EQ(bump->lock_rect(0, &rect), S_OK);
    EXPECT_EQ(static_cast<const std::int8_t*>(rect.bits)[2], 64 - 128);  // direct: du = blue - 128
    bump->unlock_rect(0);

    std::vector<texture_ptr> tiles;
    ASSERT_EQ(image_save_file("graphics\\tiles.bmp", picture(8, 4)), S_OK);
    ASSERT_TRUE(load_texture_tiles(&device, "graphics\\tiles.bmp", &tiles, 2, 2));
    ASSERT_EQ(tiles.size(), 4u);
    EXPECT_EQ(tiles[0]->width(), 4);
    EXPECT_EQ(tiles[0]->height(), 2);
    EXPECT_EQ(level_of(tiles[3].get(), 0).pixel(0, 0), picture(8, 4).pixel(4, 2));

    texture_ptr plain;
    ASSERT_TRUE(load_texture_file(&device, "graphics\\tiles.bmp", &plain));
    EXPECT_EQ(plain->format(), FMT_X8R8G8B8);
    EXPECT_EQ(plain->level_count(), 1);
    ASSERT_TRUE(load_texture_as(&device, "graphics\\tiles.bmp", &plain, FMT_A1R5G5B5));
    EXPECT_EQ(plain->format(), FMT_A1R5G5B5);
    EXPECT_FALSE(load_texture_file(&device, "graphics\\missing.jpg", &plain));
    EXPECT_EQ(plain, nullptr);
}

TEST_F(TextureLoading, CacheOnTheDeviceAppliesTheAlphaStepToTheTexture) {
    image p;
    ASSERT_TRUE(image_allocate(&p, 2, 1));
    p.set_pixel(0, 0, 0xFF000000u);
    p.set_pixel(1, 0, 0xFF1E3C5Au);
    ASSERT_EQ(image_save_file("graphics\\flare=.bmp", p), S_OK);
    device_texture_loader loader(&device);
    texture_cache cache;
    cache.set_loader(&loader);
    gfx_texture* t = nullptr;
    EXPECT_EQ(cache.load_texture_from_folder("graphics", "flare=.bmp", &t, true), 2);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->format(), FMT_A8R8G8B8);
    EXPECT_EQ(t->width(), 2);
    const image back = level_of(t, 0);
    EXPECT_EQ(back.pixel(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(back.pixel(1, 0), 0x3CFFFFFFu);
    gfx_texture* again = nullptr;
    cache.load_texture("graphics\\flare=.bmp", &again, 2, true);
    EXPECT_EQ(again, t);
    EXPECT_FALSE(cache.release_texture(&again));
    EXPECT_TRUE(cache.release_texture(&t));
    // A damaged file is no texture and no crash.
    tmp.write("graphics/bad.jpg", std::string("\xFF\xD8\xFF\xE0garbage", 12));
    EXPECT_FALSE(cache.load_texture("graphics\\bad.jpg", &t, 0, true));
    EXPECT_EQ(t, nullptr);
}

TEST_F(TextureLoading, TheApplicationObjectFollowsUseMipmaps) {
    ASSERT_EQ(image_save_file("graphics\\grass.bmp", picture(16, 16)), S_OK);
    device_texture_loader loader(&device);
    d3d_app app;
    app.textures.set_loader(&loader);
    gfx_texture *chain = nullptr, *single = nullptr;
    ASSERT_TRUE(app.load_texture("graphics\\grass.bmp", &chain, 0, true));
    EXPECT_EQ(chain->level_count(), 5);
    app.use_mipmaps = 0;
    ASSERT_TRUE(app.load_texture("graphics\\grass.bmp", &single, 1, true));
    EXPECT_EQ(single->level_count(), 1);
    EXPECT_EQ(app.load_texture_from_folder("Graphics", "GRASS.BMP", &single, true), 0);
    EXPECT_EQ(single, chain);  // same path after lower-casing, same mode: shared
    EXPECT_FALSE(app.release_texture(&single));
    // The rest goes when the application object does.
}

// A user's texture whose PNG header declares a huge picture over a few bytes: refused with a
// log line naming the file, nothing allocated for it, and the program goes on.
TEST_F(TextureLoading, APngDeclaringAHugePictureIsRefusedWithALogLine) {
    d3d_app app;
    g_app = &app;
    std::vector<std::uint8_t> file;
    ASSERT_EQ(png_encode(picture(4, 4), &file), S_OK);
    for (int i = 0; i < 4; ++i) {
        file[16 + i] = static_cast<std::uint8_t>(16384u >> (24 - 8 * i));
        file[20 + i] = static_cast<std::uint8_t>(4096u >> (24 - 8 * i));
    }
    ASSERT_TRUE(fs_write("graphics\\huge.png", file.data(), file.size()));
    texture_ptr t;
    EXPECT_FALSE(load_texture_file(&device, "graphics\\huge.png", &t));
    EXPECT_EQ(t, nullptr);
    const std::string log(app.log_text(), static_cast<std::size_t>(app.log_length()));
    EXPECT_NE(log.find("E_PICTURE_TOO_LARGE"), std::string::npos) << log;
    EXPECT_NE(log.find("Failed to load graphics\\huge.png"), std::string::npos) << log;
    g_app = nullptr;
}
