// The flight models in the default scenery: with the world's height services installed, a
// missile launched just under the ground or the water knows it. (The services' answers are
// checked in the world tests, the default scenery's heights in data_readers_test.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "platform/files.h"
#include "platform/program_rand.h"
#include "simulation/missile.h"
#include "tests/support/temp_folder.h"
#include "world/terrain.h"
#include "world/terrain_services.h"

namespace {

class SceneryServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* run = std::getenv("VENTRASK_RUN_DIR");
        ASSERT_NE(run, nullptr);
        // A copy, so the derived files the terrain writes stay out of the shared run folder.
        namespace stdfs = std::filesystem;
        std::error_code error;
        stdfs::copy(stdfs::path(run) / "scenery", stdfs::path(tmp_.path()) / "scenery",
                    stdfs::copy_options::recursive, error);
        ASSERT_FALSE(error) << error.message();
        g_app = &app_;
        g_state = &state_;
        program_srand(1);
        ASSERT_TRUE(ground_->load_scenery("Kestrel Bay"));
        ground_->water.waves_shown = 0;  // the still sea, at the water level
        state_.water_level = 0.0f;
        install_scene_services(&world_);
    }
    void TearDown() override
    {
        install_scene_services(nullptr);
        ground_.reset();
        g_state = nullptr;
        g_app = nullptr;
    }

    // The first grid point, scanning from the middle row, whose sample passes the test.
    template <class Test> void find_point(Test test, int* row, int* column) const
    {
        for (int r = 256; r < ground_->rows - 8; ++r) {
            for (int c = 8; c < ground_->columns - 8; ++c) {
                if (test(ground_->elevation(r, c))) {
                    *row = r;
                    *column = c;
                    return;
                }
            }
        }
        FAIL() << "no such grid point";
    }

    // A missile of the default design launched from (x, y, z), after one short tick.
    std::unique_ptr<missile> launch_at(float x, float y, float z)
    {
        auto m = std::make_unique<missile>();
        m->assemble(nullptr);
        m->set_position(x, y, z);
        m->launch();
        state_.dt = 0.01f;
        m->update();
        return m;
    }

    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<terrain> ground_ = std::make_unique<terrain>();
    terrain_services world_{ground_.get()};
};

}  // namespace

TEST_F(SceneryServices, AMissileKnowsWhenItIsUnderTheGroundOrTheWater)
{
    int land_row = 0, land_column = 0, sea_row = 0, sea_column = 0;
    find_point([](int h) { return h > 150; }, &land_row, &land_column);
    find_point([](int h) { return h < -40; }, &sea_row, &sea_column);
    const float cell = ground_->cell_size;
    // Over a hill, between samples: half a metre under the ground ends the flight at once.
    const float x = (land_column + 0.4f) * cell, z = (land_row + 0.7f) * cell;
    float ground = 0.0f;
    ground_->ground_height(x, z, &ground);
    ASSERT_GT(ground, 100.0f);
    auto buried = launch_at(x, ground - 0.5f, z);
    EXPECT_TRUE(buried->under_ground);
    EXPECT_FALSE(buried->under_water);
    EXPECT_TRUE(buried->dead);
    auto clear = launch_at(x, ground + 0.5f, z);
    EXPECT_FALSE(clear->under_ground);
    EXPECT_FALSE(clear->dead);
    EXPECT_NEAR(clear->altitude, ground + 0.5f, 0.01f);

    // Over the sea the water, not the sea floor far below, decides.
    const float sx = sea_column * cell, sz = sea_row * cell;
    auto drowned = launch_at(sx, -0.5f, sz);
    EXPECT_TRUE(drowned->under_water);
    EXPECT_FALSE(drowned->under_ground);
    EXPECT_TRUE(drowned->dead);
    auto afloat = launch_at(sx, 0.5f, sz);
    EXPECT_FALSE(afloat->under_water);
    EXPECT_FALSE(afloat->under_ground);
    EXPECT_FALSE(afloat->dead);
    EXPECT_EQ(std::string(app_.log_text(), static_cast<size_t>(app_.log_length())), "");
}
