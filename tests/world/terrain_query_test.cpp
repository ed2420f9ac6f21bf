#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "world/terrain.h"
#include "world/terrain_services.h"

namespace {

// A terrain holding a small grid in memory: 10 x 10 samples of 10 m, answering the scene
// services.
class TerrainQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state = state_.get();
        install_scene_services(&world_);
        state_->fill_height = -10.0f;
        state_->camera_world = &camera_;
        ground_->cell_size = 10.0f;
        ground_->columns = 10;
        ground_->rows = 10;
        ground_->elevations.assign(100, 0);
        ground_->class_map.assign(100, 0);
        ground_->mark_map.assign(100, 0);
        ground_->south = 0.0f;
        ground_->north = 10 * 10.0f / 111120.0f;
        ground_->west = 0.0f;
        ground_->east = 0.001f;
    }
    void TearDown() override {
        install_scene_services(nullptr);
        g_state = nullptr;
    }
    void set(int r, int c, int h) { ground_->elevations[r * 10 + c] = static_cast<std::int16_t>(h); }
    void plane(float per_column, float per_row) {
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 10; ++c) set(r, c, static_cast<int>(per_column * c + per_row * r));
    }
    void place_camera(float x, float z) { camera_ = mat_translation(x, 50.0f, z); }
    float height(float x, float z) const {
        float h = 0.0f;
        ground_->ground_height(x, z, &h);
        return h;
    }

    std::unique_ptr<app_state> state_ = std::make_unique<app_state>();
    std::unique_ptr<terrain> ground_ = std::make_unique<terrain>();
    mat4 camera_ = mat_identity();
    terrain_services world_{ground_.get()};
};

}  // namespace

TEST_F(TerrainQueryTest, HeightsFollowTheTwoTrianglesOfEachCell) {
    // One raised corner (north-east) of cell (2, 3): the diagonal from south-west to
    // north-east carries it, so both triangles rise toward it linearly.
    set(3, 4, 100);
    EXPECT_NEAR(height(37.5f, 22.5f), 25.0f, 1e-3f);  // lower triangle: dx .75, dz .25
    EXPECT_NEAR(height(32.5f, 27.5f), 25.0f, 1e-3f);  // upper: dx .25, dz .75
    EXPECT_NEAR(height(35.0f, 25.0f), 50.0f, 1e-3f);  // on the diagonal
    EXPECT_NEAR(height(40.0f, 30.0f), 100.0f, 1e-3f);
    // Raising the other corner (south-east) instead lifts only the lower triangle.
    set(3, 4, 0);
    set(2, 4, 100);
    EXPECT_NEAR(height(37.5f, 22.5f), 50.0f, 1e-3f);
    EXPECT_NEAR(height(32.5f, 27.5f), 0.0f, 1e-3f);
    // A plane is reproduced everywhere, with the origin offset applied.
    plane(3.0f, 5.0f);
    state_->origin_offset = vec3{20.0f, 7.0f, -10.0f};
    EXPECT_NEAR(height(41.0f - 20.0f, 63.0f + 10.0f), 3.0f * 4.1f + 5.0f * 6.3f - 7.0f, 1e-3f);
}

TEST_F(TerrainQueryTest, GridLimitsOfTheQueries) {
    plane(1.0f, 1.0f);
    ground_->class_map.assign(100, 2);
    float h = 0.0f;
    // fx = 0 is inside the plain query and outside the masked one.
    EXPECT_NEAR(height(0.0f, 30.0f), 3.0f, 1e-4f);
    ground_->class_ground_height(0.0f, 30.0f, 1u << 2, &h);
    EXPECT_EQ(h, terrain::k_no_ground);
    // fx = columns - 2 is inside both.
    EXPECT_NEAR(height(80.0f, 30.0f), 11.0f, 1e-4f);
    ground_->class_ground_height(80.0f, 30.0f, 1u << 2, &h);
    EXPECT_NEAR(h, 11.0f, 1e-4f);
    // Beyond: the fill height.
    EXPECT_EQ(height(80.5f, 30.0f), -10.0f);
    EXPECT_EQ(height(30.0f, -0.1f), -10.0f);
    EXPECT_EQ(height(NAN, 0.0f), -10.0f);
    ground_->elevations.clear();
    EXPECT_EQ(height(30.0f, 30.0f), -10.0f);
}

TEST_F(TerrainQueryTest, MasksAndMarksDecideTheMaskedHeight) {
    plane(2.0f, 0.0f);
    ground_->class_map[3 * 10 + 4] = 5;
    ground_->class_map[3 * 10 + 5] = 17;  // beyond the 16 classes: never passes
    float h = 0.0f;
    ground_height_masked(45.0f, 35.0f, 1u << 5, &h);
    EXPECT_NEAR(h, 9.0f, 1e-4f);
    ground_height_masked(45.0f, 35.0f, 1u << 4, &h);  // another class
    EXPECT_EQ(h, k_no_masked_ground);
    ground_height_masked(55.0f, 35.0f, 0xFFFFFFFFu, &h);
    EXPECT_EQ(h, k_no_masked_ground);
    ground_->mark_cell(45.0f, 35.0f, 1);  // a missile system's site
    ground_height_masked(45.0f, 35.0f, 1u << 5, &h);
    EXPECT_EQ(h, k_no_masked_ground);
    EXPECT_EQ(ground_->mark_map[3 * 10 + 4], 1);
    ground_->mark_cell(0.0f, 35.0f, 1);  // on the border: not marked
    EXPECT_EQ(ground_->mark_map[3 * 10 + 0], 0);
    ground_->mark_map.clear();
    ground_->mark_cell(45.0f, 35.0f, 1);  // no mark map: nothing happens
}

TEST_F(TerrainQueryTest, NormalFollowsTheSlopeAndIsUpOutside) {
    plane(4.0f, 0.0f);
    float h = 0.0f, n[3] = {};
    ground_->ground_height_normal(42.0f, 51.0f, &h, n);
    EXPECT_NEAR(h, 16.8f, 1e-3f);
    const float len = std::sqrt(16.0f + 100.0f);
    EXPECT_NEAR(n[0], -4.0f / len, 1e-5f);
    EXPECT_NEAR(n[1], 10.0f / len, 1e-5f);
    EXPECT_NEAR(n[2], 0.0f, 1e-5f);
    ground_->ground_height_normal(5.0f, 50.0f, &h, n);  // fx below 1
    EXPECT_EQ(h, -10.0f);
    EXPECT_EQ(n[1], 1.0f);
}

TEST_F(TerrainQueryTest, TheSlopeTurnsTheWindUpAndFadesWithHeight) {
    state_->wind[0] = 5.0f;  // blowing east
    state_->wind[1] = 0.0f;
    auto updraft = [&](float x, float altitude) {
        float w = 0.0f;
        state_->slope_updraft(x, altitude, 45.0f, &w);
        return w;
    };
    EXPECT_EQ(updraft(32.0f, 100.0f), 0.0f);  // flat ground
    // A ridge rising 4 m in 10 m to its crest at column 5: normal (-0.4, 1, 0) / |.|, so the
    // wind climbing its western flank rises at 5 x 0.4 / sqrt(1.16) m/s.
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) set(r, c, 4 * (c <= 5 ? c : 10 - c));
    const float slope_value = 2.0f / std::sqrt(1.16f);
    const float ground = 12.8f;  // 3.2 samples up the flank
    EXPECT_NEAR(updraft(32.0f, ground), slope_value, 1e-4f);
    EXPECT_NEAR(updraft(32.0f, 2.0f * ground), slope_value / 2.0f, 1e-4f);
    EXPECT_NEAR(updraft(68.0f, ground), -slope_value, 1e-4f);  // sinking down the lee
    // The fading counts absolute heights: with the origin 5 m up, scene heights are 5 less.
    state_->origin_offset.y = 5.0f;
    EXPECT_NEAR(updraft(32.0f, 2.0f * ground - 5.0f), slope_value / 2.0f, 1e-4f);
    state_->origin_offset.y = 0.0f;
    // The wind vector; under the ground the updraft keeps its full strength.
    state_->wind[1] = -3.0f;
    const vec3 high = state_->wind_at(32.0f, 4.0f * ground, 45.0f);
    EXPECT_FLOAT_EQ(high.x, 5.0f);
    EXPECT_FLOAT_EQ(high.z, -3.0f);
    EXPECT_NEAR(high.y, slope_value / 4.0f, 1e-4f);
    EXPECT_NEAR(state_->wind_at(32.0f, ground - 20.0f, 45.0f).y, slope_value, 1e-4f);
    // Ground no higher than 10 m: no fading at any height.
    plane(1.0f, 0.0f);
    EXPECT_NEAR(updraft(32.0f, 500.0f), 0.5f / std::sqrt(1.01f), 1e-4f);
}

TEST_F(TerrainQueryTest, WindowsAroundTheCamera) {
    state_->water_level = 0.0f;
    ground_->elevations.assign(100, 5);
    ground_->class_map.assign(100, 1);
    place_camera(45.0f, 45.0f);  // sample (4, 4), window 2 samples for a 10 m radius
    EXPECT_FALSE(ground_->water_near_camera(10.0f));
    EXPECT_TRUE(ground_class_near_view(1u << 1, 10.0f));
    EXPECT_FALSE(ground_class_near_view(1u << 3, 10.0f));
    // A class two samples east: the window reaches radius / cell + 1 samples out.
    ground_->class_map[4 * 10 + 6] = 3;
    EXPECT_TRUE(ground_class_near_view(1u << 3, 10.0f));
    EXPECT_FALSE(ground_class_near_view(1u << 3, 9.99f));
    set(6, 6, -1);
    EXPECT_TRUE(ground_->water_near_camera(10.0f));
    set(6, 6, 0);  // at the level is not below it
    EXPECT_FALSE(ground_->water_near_camera(10.0f));
    // Near the edge: water assumed, classes not.
    place_camera(15.0f, 45.0f);
    EXPECT_TRUE(ground_->water_near_camera(10.0f));
    EXPECT_FALSE(ground_class_near_view(1u << 1, 10.0f));
    ground_->class_map.clear();
    place_camera(45.0f, 45.0f);
    EXPECT_FALSE(ground_class_near_view(1u << 1, 10.0f));
    ground_->elevations.clear();
    EXPECT_TRUE(ground_->water_near_camera(10.0f));
}

TEST_F(TerrainQueryTest, GeographicConversionsRoundTrip) {
    ground_->south = 45.0f;
    ground_->north = 45.1f;
    ground_->west = 7.0f;
    ground_->east = 7.2f;
    ground_->rows = 1000;
    ground_->columns = 800;
    ground_->cell_size = 0.1f * 111120.0f / 1000.0f;
    float lon = 0.0f, lat = 0.0f, x = 0.0f, z = 0.0f;
    ground_->grid_to_lon_lat(&lon, &lat, 0.0f, 0.0f);
    EXPECT_NEAR(lat, 45.0f, 1e-5f);
    ground_->lon_lat_to_grid(7.1f, 45.05f, &x, &z);
    EXPECT_NEAR(x, 400 * ground_->cell_size, 0.5f);  // the central meridian is mid-grid
    EXPECT_NEAR(z, 500 * ground_->cell_size, 0.5f);
    state_->origin_offset = vec3{1000.0f, 0.0f, -2000.0f};
    for (float px : {0.0f, 1234.5f, 7000.0f}) {
        for (float pz : {100.0f, 5000.0f, 11000.0f}) {
            ground_->scene_to_lon_lat(&lon, &lat, px, pz);
            ground_->lon_lat_to_scene(lon, lat, &x, &z);
            EXPECT_NEAR(x, px, 0.5f);
            EXPECT_NEAR(z, pz, 0.5f);
        }
    }
}
