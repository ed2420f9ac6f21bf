#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "tests/support/temp_folder.h"
#include "tests/world/scenery_maker.h"
#include "world/terrain.h"
#include "world/terrain_services.h"

// What a flight model sees through the height services once the world answers them: the
// loaded scenery's ground and the sea's waves.
TEST(TerrainServices, HeightServicesAnswerFromTheLoadedScenery) {
    temp_folder tmp;
    auto state = std::make_unique<app_state>();
    auto app = std::make_unique<d3d_app>();
    g_state = state.get();
    g_app = app.get();
    auto ground = std::make_unique<terrain>();
    test_scenery s;  // 30 m cells
    s.sample = [](int r, int) { return 100 + 2 * r; };
    write_scenery(tmp, "Plain", s);
    ASSERT_TRUE(ground->load_scenery("Plain"));

    terrain_services world(ground.get());
    install_scene_services(&world);
    const float cell = ground->cell_size;
    float h = 0.0f;
    ground_height(20.5f * cell, 30.25f * cell, &h);
    EXPECT_NEAR(h, 100.0f + 2 * 30.25f, 1e-2f);
    ground_height(-5000.0f, 0.0f, &h);
    EXPECT_EQ(h, state->fill_height);

    state->water_level = 2.0f;
    ground->water.waves_shown = 0;
    sea_height(50.0f, 60.0f, &h);
    EXPECT_EQ(h, 2.0f);
    ground->water.waves_shown = 1;
    ground->water.build_spectrum();
    ground->water.wave_time = 3.0f;
    ground->water.update_waves();
    float expected = 0.0f;
    ground->water.surface_height(50.0f, 60.0f, &expected);
    sea_height(50.0f, 60.0f, &h);
    EXPECT_EQ(h, expected);
    EXPECT_NE(h, 2.0f);  // waves move it off the still level

    install_scene_services(nullptr);
    ground_height(20.5f * cell, 30.25f * cell, &h);
    EXPECT_EQ(h, 0.0f);  // the flat default again
    ground.reset();
    g_state = nullptr;
    g_app = nullptr;
}

namespace {

// The land-class and slope services over a terrain held in memory: 10 x 10 samples of 10 m,
// the camera 50 m up over sample (4, 4).
class TerrainServiceQueries : public ::testing::Test {
protected:
    void SetUp() override {
        g_state = &state_;
        state_.camera_world = &camera_;
        ground_.cell_size = 10.0f;
        ground_.columns = 10;
        ground_.rows = 10;
        ground_.elevations.assign(100, 0);
        ground_.class_map.assign(100, 0);
        ground_.mark_map.assign(100, 0);
        install_scene_services(&world_);
    }
    void TearDown() override {
        install_scene_services(nullptr);
        g_state = nullptr;
    }
    // A ridge running north-south: rising `rise` m a sample from column 0 to its crest at
    // column 5, falling beyond.
    void ridge(int rise) {
        for (int r = 0; r < 10; ++r) {
            for (int c = 0; c < 10; ++c) {
                ground_.elevations[r * 10 + c] = static_cast<std::int16_t>(rise * (c <= 5 ? c : 10 - c));
            }
        }
    }
    float updraft(float x, float altitude, float z) const {
        float w = 0.0f;
        state_.slope_updraft(x, altitude, z, &w);
        return w;
    }

    app_state state_;
    mat4 camera_ = mat_translation(45.0f, 50.0f, 45.0f);
    terrain ground_;
    terrain_services world_{&ground_};
};

}  // namespace

TEST_F(TerrainServiceQueries, MaskedHeightsAndClassesNearTheView) {
    for (int i = 0; i < 100; ++i) ground_.elevations[i] = static_cast<std::int16_t>(2 * (i % 10));
    ground_.class_map[3 * 10 + 4] = 5;
    float h = 0.0f;
    ground_height_masked(45.0f, 35.0f, 1u << 5, &h);
    EXPECT_NEAR(h, 9.0f, 1e-4f);
    ground_height_masked(45.0f, 35.0f, 1u << 4, &h);  // a cell of another class
    EXPECT_EQ(h, k_no_masked_ground);
    ground_.mark_cell(45.0f, 35.0f, 1);               // a missile system's site
    ground_height_masked(45.0f, 35.0f, 1u << 5, &h);
    EXPECT_EQ(h, k_no_masked_ground);

    // Class 3 two samples east of the view: a radius of one cell's length reaches two samples
    // out (the window is radius / cell + 1), anything shorter only one.
    ground_.class_map[4 * 10 + 6] = 3;
    EXPECT_TRUE(ground_class_near_view(1u << 3, 10.0f));
    EXPECT_FALSE(ground_class_near_view(1u << 3, 9.99f));
    EXPECT_FALSE(ground_class_near_view(1u << 2, 20.0f));

    // Without a terrain: no classes, nothing near, flat ground with the normal up.
    terrain_services bare(nullptr);
    install_scene_services(&bare);
    ground_height_masked(45.0f, 35.0f, 1u << 5, &h);
    EXPECT_EQ(h, k_no_masked_ground);
    EXPECT_FALSE(ground_class_near_view(1u << 0, 1000.0f));
    vec3 n;
    services().ground_height_normal(45.0f, 35.0f, &h, &n);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(n.y, 1.0f);
}

TEST_F(TerrainServiceQueries, TheSlopeTurnsTheWindUpAndFadesWithHeight) {
    state_.wind[0] = 5.0f;  // from the west, blowing east up the ridge's western flank
    state_.wind[1] = 0.0f;
    // Flat ground makes no updraft.
    EXPECT_EQ(updraft(32.0f, 100.0f, 45.0f), 0.0f);

    // The flank rises 4 m in 10 m: normal (-0.4, 1, 0) / |.|, so w = 5 x 0.4 / sqrt(1.16).
    ridge(4);
    const float slope_value = 5.0f * 0.4f / std::sqrt(1.16f);
    const float ground = 12.8f;  // 3.2 samples up the flank
    EXPECT_NEAR(updraft(32.0f, ground, 45.0f), slope_value, 1e-4f);
    EXPECT_NEAR(updraft(32.0f, 2.0f * ground, 45.0f), slope_value / 2.0f, 1e-4f);
    // The eastern flank falls away: the same wind sinks there.
    EXPECT_NEAR(updraft(68.0f, 12.8f, 45.0f), -slope_value, 1e-4f);
    // The fading counts absolute heights: with the origin 5 m up, scene heights are 5 m less.
    state_.origin_offset.y = 5.0f;
    EXPECT_NEAR(updraft(32.0f, 2.0f * ground - 5.0f, 45.0f), slope_value / 2.0f, 1e-4f);
    state_.origin_offset.y = 0.0f;

    // The wind vector: horizontal wind, the updraft as its vertical part; under the ground
    // the updraft keeps its full strength.
    state_.wind[1] = -3.0f;
    vec3 w = state_.wind_at(32.0f, 4.0f * ground, 45.0f);
    EXPECT_FLOAT_EQ(w.x, 5.0f);
    EXPECT_FLOAT_EQ(w.z, -3.0f);
    EXPECT_NEAR(w.y, slope_value / 4.0f, 1e-4f);
    w = state_.wind_at(32.0f, ground - 20.0f, 45.0f);
    EXPECT_NEAR(w.y, slope_value, 1e-4f);

    // Over ground no higher than 10 m the updraft does not fade.
    ridge(1);
    const float gentle = 5.0f * 0.1f / std::sqrt(1.01f);
    EXPECT_NEAR(updraft(32.0f, 500.0f, 45.0f), gentle, 1e-4f);
}
