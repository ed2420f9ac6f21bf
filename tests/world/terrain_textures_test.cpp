// What a scenery load derives besides its grids: the topographic picture's palette indices,
// "map.jpg" and "topo.jpg" made when either is missing, and the land and dense texture
// volumes with a slice per land class (white for a missing texture).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/image.h"
#include "platform/recording_device.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"
#include "tests/world/scenery_maker.h"
#include "world/terrain.h"
#include "world/topo_map.h"

namespace {

constexpr float k_cell = 30.0f;

// A 3 x 3 grid: sample (r, c) = base + east x c + north x r.
std::uint8_t topo_of(int base, int east, int north, float scale, bool depth = false) {
    std::int16_t s[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) s[r * 3 + c] = static_cast<std::int16_t>(base + east * c + north * r);
    return topo_pixel(s, 3, 3, 0, 0, k_cell, scale, depth);
}

}  // namespace

TEST(TopoMap, BandsShadesAndWater) {
    // Flat: shade 10; a height of exactly the scale is band 15.
    EXPECT_EQ(topo_of(100, 0, 0, 100.0f), 15 + 16 * 10);
    EXPECT_EQ(topo_of(40, 0, 0, 100.0f), 6 + 16 * 10);  // 40 x 15 / 100 = 6
    // Rising east by a cell's height: (30 + 30) / sqrt(1800) x 10 = 14.1, darker.
    EXPECT_EQ(topo_of(40, 30, 0, 100.0f) >> 4, 14);
    // Falling north as steeply: (30 - 30) / ... = 0, the brightest.
    EXPECT_EQ(topo_of(40, 0, -30, 100.0f) >> 4, 0);
    // At or below 0 without depths: water; with depths the band of |h|.
    EXPECT_EQ(topo_of(0, 0, 0, 100.0f), k_topo_water);
    EXPECT_EQ(topo_of(-100, 0, 0, 100.0f, true), 15 + 16 * 10);
    // Higher than the scale spills into the shade bits: 200 x 15 / 100 = 30 -> 30 + 160.
    EXPECT_EQ(topo_of(200, 0, 0, 100.0f), (30 + 160) & 0xFF);
}

TEST(TopoMap, ScaleOfZeroOrLessCountsAsOne) {
    EXPECT_EQ(topo_of(1, 0, 0, 0.0f), 15 + 16 * 10);
    EXPECT_EQ(topo_of(1, 0, 0, -5.0f), 15 + 16 * 10);
    // A huge band stays bounded before it is turned into an index.
    EXPECT_EQ(topo_of(30000, 0, 0, 0.001f), (255 + 160) & 0xFF);
}


namespace {

class TerrainTextures : public ::testing::Test {
protected:
    void SetUp() override {
        app_.d3d = std::make_unique<null_gfx_system>();
        app_.window_width = 64;
        app_.window_height = 64;
        g_app = &app_;
        g_state = &state_;
    }
    void TearDown() override {
        ground_.reset();
        app_.release_device();
        g_state = nullptr;
        g_app = nullptr;
    }
    void write_picture(const char* name, std::uint32_t argb, int side = 32) {
        image picture;
        ASSERT_TRUE(image_allocate(&picture, side, side));
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) picture.set_pixel(x, y, argb);
        ASSERT_EQ(image_save_file(name, picture), S_OK);
    }
    std::uint16_t texel(const texture_ptr& volume, int slice) const {
        const std::uint8_t* bits = volume->level_bits(0);
        const int side = volume->width();
        std::uint16_t v = 0;
        std::memcpy(&v, bits + static_cast<std::size_t>(slice) * side * volume->level_pitch(0), 2);
        return v;
    }
    bool log_has(const char* text) const { return contains(app_.log_text(), text); }

    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<terrain> ground_ = std::make_unique<terrain>();
};

}  // namespace

TEST_F(TerrainTextures, TopoPicturesAreMadeOnceAndRemadeWhenOneIsMissing) {
    test_scenery s;
    s.columns = 96;  // the map picture takes the largest power of two: 64 x 64
    write_scenery(tmp_, "Topo", s);
    tmp_.write("scenery/Topo/scenery.txt", "0 16\n0\n");
    ground_->load_scenery("Topo");
    ASSERT_TRUE(tmp_.exists("scenery/Topo/map.jpg"));
    ASSERT_TRUE(tmp_.exists("scenery/Topo/topo.jpg"));
    image map, topo;
    ASSERT_EQ(image_load_file("scenery\\Topo\\map.jpg", &map), S_OK);
    ASSERT_EQ(image_load_file("scenery\\Topo\\topo.jpg", &topo), S_OK);
    EXPECT_EQ(map.width, 64);
    EXPECT_EQ(map.height, 64);
    EXPECT_EQ(topo.width, 512);
    EXPECT_FALSE(tmp_.exists("scenery/Topo/topo.bmp"));

    // Both present: nothing is read or written.
    tmp_.write("scenery/Topo/map.jpg", "kept");
    EXPECT_FALSE(ground_->make_topo_map());
    EXPECT_EQ(tmp_.read("scenery/Topo/map.jpg"), "kept");
    // One missing: both are made again.
    std::remove((tmp_.path() + "/scenery/Topo/topo.jpg").c_str());
    EXPECT_TRUE(ground_->make_topo_map());
    EXPECT_NE(tmp_.read("scenery/Topo/map.jpg"), "kept");
    EXPECT_TRUE(tmp_.exists("scenery/Topo/topo.jpg"));
}

TEST_F(TerrainTextures, MapPicturesOfASceneryNotLoadedLeaveTheLoadedOneAlone) {
    test_scenery s;
    s.columns = 96;
    write_scenery(tmp_, "Other", s);
    copy_text(state_.scenery_name, "Loaded");
    state_.fill_height = -7.0f;
    EXPECT_TRUE(make_scenery_map_pictures("Other"));
    image map;
    ASSERT_EQ(image_load_file("scenery\\Other\\map.jpg", &map), S_OK);
    EXPECT_EQ(map.width, 64);
    EXPECT_TRUE(tmp_.exists("scenery/Other/topo.jpg"));
    EXPECT_STREQ(state_.scenery_name, "Loaded");
    EXPECT_EQ(state_.fill_height, -7.0f);
    // Made once: the second time there is nothing to do.
    EXPECT_FALSE(make_scenery_map_pictures("Other"));
    // A folder without elevations gives no pictures and says so; the names stay.
    tmp_.write("scenery/Empty/.keep", "");
    EXPECT_FALSE(make_scenery_map_pictures("Empty"));
    EXPECT_FALSE(tmp_.exists("scenery/Empty/map.jpg"));
    EXPECT_TRUE(log_has("No elevation header in"));
    EXPECT_STREQ(state_.scenery_name, "Loaded");
    EXPECT_FALSE(make_scenery_map_pictures(""));
}

TEST_F(TerrainTextures, LandVolumesHoldASlicePerClassAndWhiteForMissingTextures) {
    ASSERT_TRUE(app_.create_device());
    copy_text(state_.scenery_name, "Vol");
    tmp_.write("scenery/Vol/.keep", "");
    write_picture("scenery\\Vol\\grass.png", 0xFF00FF00u);
    tmp_.write("graphics/.keep", "");
    terrain& t = *ground_;
    t.land_class_count = 2;
    t.land_texture_size = 16;
    copy_text(t.land_texture_names[0], "grass.png");
    copy_text(t.land_texture_names[1], "rock.png");
    ASSERT_TRUE(t.load_land_textures());
    for (int m = 0; m < terrain::k_land_levels; ++m) {
        ASSERT_TRUE(t.land_volumes[m]) << m;
        EXPECT_EQ(t.land_volumes[m]->width(), 16 >> m);
        EXPECT_EQ(t.land_volumes[m]->depth(), 16);
        EXPECT_EQ(texel(t.land_volumes[m], 0), 0x07E0) << m;  // green, every level
        EXPECT_EQ(texel(t.land_volumes[m], 1), 0xFFFF) << m;  // missing: white
        EXPECT_EQ(texel(t.land_volumes[m], 2), 0) << m;       // past the classes: as made
    }
    EXPECT_TRUE(log_has("Could not find Vol\\rock.png"));

    // No "dense_" textures and no "dense.jpg" to fall back to: the detail slices are white,
    // each miss logged.
    ASSERT_TRUE(t.load_dense_textures());
    ASSERT_TRUE(t.dense_volume);
    EXPECT_EQ(t.dense_volume->width(), 16);
    EXPECT_EQ(texel(t.dense_volume, 0), 0xFFFF);
    EXPECT_TRUE(log_has("Could not find Vol\\dense_grass.png"));
    EXPECT_TRUE(log_has("Could not find Vol\\dense.jpg"));
    // With "dense.jpg" present it fills every class without its own detail texture.
    write_picture("graphics\\dense.jpg", 0xFF0000FFu);
    ASSERT_TRUE(t.load_dense_textures());
    EXPECT_EQ(texel(t.dense_volume, 0), 0x001F);
    EXPECT_EQ(texel(t.dense_volume, 1), 0x001F);

    t.release_land_volumes();
    t.release_land_volumes();
    EXPECT_FALSE(t.land_volumes[0]);
    EXPECT_FALSE(t.dense_volume);
}
