#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "world/terrain.h"

namespace {

class TerrainGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state = state_.get();
        g_app = app_.get();
        app_->use_curvature = 0;
        state_->camera_world = &camera_;
        ground_->create_tile_grids();
    }
    void TearDown() override {
        ground_.reset();
        g_state = nullptr;
        g_app = nullptr;
    }
    void place_camera(float x, float y, float z) { camera_ = mat_translation(x, y, z); }

    std::unique_ptr<app_state> state_ = std::make_unique<app_state>();
    std::unique_ptr<d3d_app> app_ = std::make_unique<d3d_app>();
    std::unique_ptr<terrain> ground_ = std::make_unique<terrain>();
    mat4 camera_ = mat_identity();
};

}  // namespace

TEST_F(TerrainGridTest, LevelOfDetailStepFollowsTheAltitude) {
    const struct {
        float altitude;
        int step;
    } cases[] = {{100.0f, 1}, {959.0f, 1}, {960.0f, 2}, {1919.0f, 2}, {1920.0f, 4}, {3840.0f, 8}};
    for (const auto& c : cases) {
        place_camera(0.0f, c.altitude, 0.0f);
        ground_->update();
        EXPECT_EQ(ground_->lod_step, c.step) << c.altitude;
        EXPECT_FLOAT_EQ(ground_->period, 960.0f * c.step);
    }
}

TEST_F(TerrainGridTest, TileStepsDoubleWithDistanceAndNeverExceedTheTile) {
    place_camera(0.0f, 0.0f, 0.0f);
    ground_->update_lod();
    int largest = 0;
    for (const terrain_tile& t : ground_->near_tiles) largest = std::max(largest, t.step);
    EXPECT_EQ(ground_->near_tiles[8 * 16 + 8].step, 1);  // under the camera
    EXPECT_EQ(largest, 8);  // the corner tiles, 3.8 LOD distances away
    // Without a scenery every vertex is at the fill height.
    const terrain_tile& t = ground_->near_tiles[5];
    for (int i = 0; i < t.vertex_count; ++i) ASSERT_EQ(t.vertices[i].y, state_->fill_height);
}

TEST_F(TerrainGridTest, StitchingAveragesOddEdgeVerticesOrStraightensTheEdge) {
    terrain_tile t;
    t.init_tile(32, 30.0f, 1, ground_.get());
    t.build_tile(4);  // 8 quads
    for (int k = 0; k <= 8; ++k)
        for (int l = 0; l <= 8; ++l) t.vertices[k * 9 + l].y = static_cast<float>(k * k + 10 * l);
    t.stitch_tile(0);  // west: odd rows take the mean of their neighbours
    EXPECT_FLOAT_EQ(t.vertex_height(1, 0), (0.0f + 4.0f) / 2);
    EXPECT_FLOAT_EQ(t.vertex_height(3, 0), (4.0f + 16.0f) / 2);
    EXPECT_FLOAT_EQ(t.vertex_height(2, 0), 4.0f);
    t.stitch_tile(4);  // north: straight between the corners
    EXPECT_FLOAT_EQ(t.vertex_height(8, 2), 64.0f + 80.0f * 2 / 8);

}

// Where a near tile meets one of twice its step to the north or to the south, its edge lies
// on the coarser tile's edge, so no crack opens between them; the near grid's south and
// north border rows lie straight between their corners, to meet the far tiles.
TEST_F(TerrainGridTest, NorthAndSouthEdgesMeetTheirNeighbours) {
    const int size = 2048;
    ground_->columns = size;
    ground_->rows = size;
    ground_->elevations.assign(static_cast<std::size_t>(size) * size, 0);
    ground_->class_map.assign(static_cast<std::size_t>(size) * size, 0);
    // Curved along the rows, so a stitched vertex differs from the sample under it.
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            ground_->elevations[r * size + c] = static_cast<std::int16_t>((3 * c * c + 7 * r * r) % 200);
    state_->origin_offset = vec3{1024 * 30.0f, 0.0f, 1024 * 30.0f};
    place_camera(0.0f, 10.0f, 0.0f);
    ground_->reset_grid_origin();
    ground_->update_lod();

    const auto tile = [&](int i, int j) -> const terrain_tile& { return ground_->near_tiles[i * 16 + j]; };
    // The fine tile's row against the coarse tile's row: even vertices are shared, odd ones
    // lie halfway between the coarse tile's.
    const auto expect_no_crack = [](const terrain_tile& fine, int fine_row, const terrain_tile& coarse,
                                    int coarse_row) {
        for (int l = 0; l <= fine.quads; ++l) {
            const float a = coarse.vertex_height(coarse_row, l / 2);
            const float expected = l % 2 == 0 ? a : (a + coarse.vertex_height(coarse_row, l / 2 + 1)) * 0.5f;
            EXPECT_FLOAT_EQ(fine.vertex_height(fine_row, l), expected) << "vertex " << l;
        }
    };
    int coarser_north = 0;
    int coarser_south = 0;
    for (int i = 0; i + 1 < 16; ++i) {
        for (int j = 0; j < 16; ++j) {
            const terrain_tile& south = tile(i, j);
            const terrain_tile& north = tile(i + 1, j);
            if (north.step == 2 * south.step) {
                expect_no_crack(south, south.quads, north, 0);
                ++coarser_north;
            } else if (south.step == 2 * north.step) {
                expect_no_crack(north, 0, south, south.quads);
                ++coarser_south;
            }
        }
    }
    EXPECT_GT(coarser_north, 0);
    EXPECT_GT(coarser_south, 0);

    for (int j = 0; j < 16; ++j) {
        const terrain_tile& south = tile(0, j);
        const terrain_tile& north = tile(15, j);
        ASSERT_LT(south.step, 32);
        ASSERT_LT(north.step, 32);
        const int ns = south.quads;
        const int nn = north.quads;
        for (int l = 1; l < ns; ++l) {
            const float w = static_cast<float>(l) / ns;
            EXPECT_NEAR(south.vertex_height(0, l),
                        south.vertex_height(0, 0) + (south.vertex_height(0, ns) - south.vertex_height(0, 0)) * w, 1e-3f);
        }
        for (int l = 1; l < nn; ++l) {
            const float w = static_cast<float>(l) / nn;
            EXPECT_NEAR(north.vertex_height(nn, l),
                        north.vertex_height(nn, 0) + (north.vertex_height(nn, nn) - north.vertex_height(nn, 0)) * w, 1e-3f);
        }
    }
}

TEST_F(TerrainGridTest, TilesFillFromTheGridAndSplitByTheWater) {
    ground_->columns = 2048;
    ground_->rows = 2048;
    ground_->elevations.assign(2048u * 2048u, 0);
    ground_->class_map.assign(2048u * 2048u, 3);
    for (int r = 0; r < 2048; ++r)
        for (int c = 0; c < 2048; ++c) ground_->elevations[r * 2048 + c] = static_cast<std::int16_t>(c % 50 - 10);
    state_->origin_offset = vec3{1024 * 30.0f, 0.0f, 1024 * 30.0f};
    place_camera(0.0f, 10.0f, 0.0f);
    ground_->reset_grid_origin();
    ground_->update_lod();
    const terrain_tile& t = ground_->near_tiles[8 * 16 + 8];
    ASSERT_EQ(t.step, 1);
    // Its first vertex is the sample under the grid origin plus the tile's corner.
    const int c0 = 8 * 32 - ground_->column_offset;
    const int r0 = 8 * 32 - ground_->row_offset;
    EXPECT_EQ(t.vertices[0].y, ground_->elevation(r0, c0));
    EXPECT_EQ(t.vertices[5].y, ground_->elevation(r0, c0 + 5));
    EXPECT_FLOAT_EQ(t.vertices[0].slice, 3.25f / 16);
    EXPECT_GT(t.index_count_above, 0);
    EXPECT_GT(t.index_count_below, 0);
    EXPECT_LE(t.index_count_above + t.index_count_below, 2 * 32 * 32 * 6);
    EXPECT_GE(t.index_count_above + t.index_count_below, 32 * 32 * 6);
    // A tile reaching past the grid is filled with the fill height there.
    const terrain_tile& far = ground_->far_tiles[0];
    EXPECT_EQ(far.vertices[0].y, state_->fill_height);
    EXPECT_TRUE(ground_->far_tiles[12].vertices.empty());  // the centre record stays unbuilt
}

TEST_F(TerrainGridTest, GridFollowsTheCameraByWholePeriods) {
    place_camera(0.0f, 10.0f, 0.0f);
    ground_->update();
    // Looking north, the grid centre is kept half an extent ahead: 7200 m -> 7 periods.
    EXPECT_FLOAT_EQ(ground_->grid_origin[2], 7 * 960.0f);
    EXPECT_FLOAT_EQ(ground_->grid_origin[0], 0.0f);
    const float before = ground_->grid_origin[2];
    place_camera(0.0f, 10.0f, 300.0f);  // not across a period boundary
    ground_->update();
    EXPECT_FLOAT_EQ(ground_->grid_origin[2], before);
    place_camera(0.0f, 10.0f, 700.0f);
    ground_->update();
    EXPECT_FLOAT_EQ(ground_->grid_origin[2], before + 960.0f);
    ground_->shift_grid_origin(-100.0f, 0.0f, 50.0f);
    EXPECT_FLOAT_EQ(ground_->grid_origin[0], -100.0f);
}

TEST_F(TerrainGridTest, PassesAreDecidedFromTheHeightOverTheWater) {
    app_->use_shadow = 1;
    app_->night_vision = 0;
    state_->shadow_alt = 150.0f;
    ground_->water.wave_height = 2.0f;
    ground_->water.build_spectrum();
    const float range = ground_->water.patch_size * 0.002f * ground_->water.lod_distance;
    ASSERT_FLOAT_EQ(range, 512.0f);
    place_camera(0.0f, 20.0f, 0.0f);
    ground_->update();
    // No scenery: water everywhere near the camera, 20 m over it.
    EXPECT_TRUE(ground_->water.waves_shown);
    EXPECT_TRUE(ground_->passes.reflection);
    EXPECT_TRUE(ground_->passes.refraction);
    EXPECT_TRUE(ground_->passes.overhead);
    EXPECT_TRUE(ground_->passes.shadow);  // 120 m over the fill height
    EXPECT_FALSE(ground_->passes.night_vision);
    EXPECT_NEAR(ground_->water_height_ratio, 20.0f / range, 1e-6f);
    EXPECT_FLOAT_EQ(ground_->wave_scale, ground_->water.cell_size);

    place_camera(0.0f, 1.5f * range, 0.0f);  // beyond the sea's range, within twice it
    ground_->use_refrac = 0;
    app_->night_vision = 1;
    ground_->update();
    EXPECT_FALSE(ground_->water.waves_shown);
    EXPECT_TRUE(ground_->passes.reflection);
    EXPECT_FALSE(ground_->passes.refraction);
    EXPECT_FALSE(ground_->passes.overhead);
    EXPECT_FALSE(ground_->passes.shadow);
    EXPECT_TRUE(ground_->passes.night_vision);

    place_camera(0.0f, 2.5f * range, 0.0f);
    ground_->update();
    EXPECT_FALSE(ground_->passes.reflection);
}

TEST_F(TerrainGridTest, TheWaterLevelIsTheCameraBlockLevelInDepthSceneries) {
    ground_->columns = 64;
    ground_->rows = 64;
    ground_->elevations.assign(64u * 64u, -50);
    ground_->has_depth = 1;
    ground_->water_map = {0, 0, 0, 130};  // 2 x 2 blocks; block (1, 1) at 8 m
    place_camera(40 * 30.0f, 100.0f, 50 * 30.0f);
    ground_->update_lod();
    EXPECT_FLOAT_EQ(state_->water_level, 8.0f);
    place_camera(10 * 30.0f, 100.0f, 50 * 30.0f);  // block (1, 0): no water reads as level 0
    ground_->update_lod();
    EXPECT_FLOAT_EQ(state_->water_level, 0.0f);
    state_->water_level = 3.0f;
    place_camera(-10.0f, 100.0f, 50 * 30.0f);  // off the grid: unchanged
    ground_->update_lod();
    EXPECT_FLOAT_EQ(state_->water_level, 3.0f);
}
