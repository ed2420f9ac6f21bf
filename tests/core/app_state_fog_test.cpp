// The sight-line fog: how far one sees from the camera's height to another, through the air
// fog layer or across the water surface.
#include <gtest/gtest.h>

#include "core/app_state.h"

namespace {

class PathFog : public ::testing::Test {
protected:
    void SetUp() override {
        state.fog_air = 10000.0f;
        state.fog_alt = 1000.0f;
        state.max_fog = 150000.0f;
        state.sea_fog = 50.0f;
        state.above_water = 1;
        state.camera_world = &camera;
    }
    void camera_at(float y) { camera = mat_translation(0.0f, y, 0.0f); }

    app_state state;
    mat4 camera = mat_identity();
};

}  // namespace

TEST_F(PathFog, AboveTheWaterTheLayerTopDecides) {
    camera_at(100.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(500.0f), 10000.0f);   // both in the layer
    camera_at(2000.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(3000.0f), 150000.0f);  // both above it
    // From the ground up through the top: 2000 m of which 1000 m in the layer.
    camera_at(0.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(2000.0f), 20000.0f);
    // Just out of the layer: a little farther than inside it.
    EXPECT_FLOAT_EQ(state.path_fog_density(1010.0f), 10100.0f);
    // Far above: clear air at most.
    EXPECT_FLOAT_EQ(state.path_fog_density(100000.0f), 150000.0f);
    // The layer's top is absolute: a raised origin lowers it in scene y.
    state.origin_offset = {0.0f, 500.0f, 0.0f};
    // Camera at 0 (absolute 500), object at 1000 (absolute 1500): 500 m in the layer.
    EXPECT_FLOAT_EQ(state.path_fog_density(1000.0f), 1000.0f * 10000.0f / 500.0f);
}

TEST_F(PathFog, UnderTheWaterOnlyTheSeaFogCounts) {
    state.above_water = 0;
    camera_at(-5.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(3000.0f), 50.0f);
}

TEST_F(PathFog, SeenThroughTheWaterTheSubmergedPartDecides) {
    state.water_view = 1;
    state.water_level = 0.0f;
    camera_at(10.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(20.0f), 10000.0f);   // both above the surface
    camera_at(-10.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(-30.0f), 50.0f);     // both below
    // 20 m of line, 10 m of it under water: twice the sea fog.
    camera_at(10.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(-10.0f), 100.0f);
    // A long line with a little water is still at most the air fog.
    camera_at(1000000.0f);
    EXPECT_FLOAT_EQ(state.path_fog_density(-1.0f), 10000.0f);
}
