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
