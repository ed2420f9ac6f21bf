// The scenery's scatter arrays: one array per land-array entry under the "transps" root, the
// entry of no height left out with a log line, "fixed" arrays that keep their items, items
// hidden from marked cells after a re-scatter, and the arrays gone with the scenery.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "tests/support/temp_folder.h"
#include "tests/world/scenery_maker.h"
#include "world/array_sp.h"
#include "world/terrain.h"
#include "world/terrain_services.h"

namespace {

struct world_with_root : terrain_services {
    using terrain_services::terrain_services;
    frame* transps_root() override { return &transps; }
    frame transps;
};

TEST(TerrainScatter, ArraysFollowTheSceneryAndItsMarks) {
    temp_folder tmp;
    auto state = std::make_unique<app_state>();
    auto app = std::make_unique<d3d_app>();
    g_state = state.get();
    g_app = app.get();
    auto ground = std::make_unique<terrain>();
    world_with_root world(ground.get());
    install_scene_services(&world);
    test_scenery s;
    s.sample = [](int r, int) { return 100 + 2 * r; };
    write_scenery(tmp, "Plain", s);
    tmp.write("scenery/Plain/scenery.txt",
              "1 64\n0 10000 0 100 1 grass.jpg\n"
              "3\n2 4 100 500 1 bush.dds\n1 0 100 50 1 flat.dds\n3 6 80 200 1 fixed_tree.dds\n");
    ASSERT_TRUE(ground->load_scenery("Plain"));
    ASSERT_EQ(ground->scatter_object_count, 2);
    EXPECT_EQ(world.transps.child_count(), 2);
    EXPECT_NE(std::string(app->log_text()).find("flat.dds"), std::string::npos);
    array_sp* bush = ground->scatter_objects[0];
    array_sp* tree = ground->scatter_objects[1];
    EXPECT_EQ(bush->item_count, 500);
    EXPECT_TRUE(bush->short_items);
    EXPECT_TRUE(bush->terrain_array);
    EXPECT_TRUE(bush->moves_items);
    EXPECT_FALSE(tree->short_items);
    EXPECT_FALSE(tree->moves_items);
    // The items on the grid stand on the ground of the scenery (those off it are hidden).
    int k = 0;
    while (k < bush->item_count && !(bush->positions[static_cast<std::size_t>(k)].x > 5.0f &&
                                     bush->positions[static_cast<std::size_t>(k)].z > 5.0f)) {
        ++k;
    }
    ASSERT_LT(k, bush->item_count);
    const vec3 item = bush->world_position() + bush->positions[static_cast<std::size_t>(k)];
    float h = 0.0f;
    ground->ground_height(item.x, item.z, &h);
    EXPECT_NEAR(item.y, h, 0.01f);
    // A cell taken by a placed system hides the items on it after a re-scatter.
    ground->mark_cell(item.x, item.z, 1);
    ground->rescatter_arrays();
    EXPECT_LT(bush->positions[static_cast<std::size_t>(k)].y, array_sp::k_hidden_depth);
    ground->unload();
    EXPECT_EQ(world.transps.child_count(), 0);
    EXPECT_EQ(ground->scatter_object_count, 0);

    install_scene_services(nullptr);
    ground.reset();
    g_state = nullptr;
    g_app = nullptr;
}

}  // namespace
