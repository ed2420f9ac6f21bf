#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/app_state.h"
#include "core/light.h"

namespace {

class LightTest : public ::testing::Test {
protected:
    void SetUp() override { reset_light_pool(); }
    void TearDown() override { reset_light_pool(); }
};

}  // namespace

TEST_F(LightTest, PoolHandsOutTheLowestFreeIndexAndRunsOut) {
    std::vector<std::unique_ptr<light>> lights;
    for (int i = 0; i < 1001; ++i) lights.push_back(std::make_unique<light>());
    EXPECT_EQ(lights[999]->index, 999);
    EXPECT_EQ(lights[1000]->index, 1000);  // full: works with the "none" index
    lights[17].reset();
    auto again = std::make_unique<light>();
    EXPECT_EQ(again->index, 17);
    lights[1000].reset();  // freeing "none" frees nothing
    EXPECT_TRUE(light_index_in_use(0));
    EXPECT_EQ(allocate_light_index(), 1000);
}

TEST_F(LightTest, ExplicitClearThenDestructionFreesTheIndexOnce) {
    auto first = std::make_unique<light>();
    ASSERT_EQ(first->index, 0);
    first->clear_children();  // gives index 0 back
    EXPECT_FALSE(light_index_in_use(0));
    auto second = std::make_unique<light>();
    EXPECT_EQ(second->index, 0);  // reused
    first.reset();               // must not free index 0 again: it is the second light's
    EXPECT_TRUE(light_index_in_use(0));
    auto third = std::make_unique<light>();
    EXPECT_EQ(third->index, 1);

    // The same through a parent that clears (slot 1) and then deletes its owned light.
    frame parent;
    light* owned = nullptr;
    ASSERT_EQ(create_light(&parent, &owned), S_OK);
    EXPECT_EQ(owned->index, 2);
    parent.clear_children();
    EXPECT_FALSE(light_index_in_use(2));
    auto fourth = std::make_unique<light>();
    EXPECT_EQ(fourth->index, 2);
    EXPECT_TRUE(light_index_in_use(1));
}

TEST_F(LightTest, PositionAndDirectionFollowTheWorldMatrix) {
    frame parent;
    light* l = nullptr;
    ASSERT_EQ(create_light(&parent, &l), S_OK);
    EXPECT_TRUE(l->owned);
    parent.set_position(10, 20, 30);
    l->set_rotation(k_pi / 2, 0, 0);
    EXPECT_NEAR(l->record.position[1], 20.0f, 1e-5f);
    EXPECT_NEAR(l->record.direction[0], 1.0f, 1e-5f);
    light* alone = nullptr;
    ASSERT_EQ(create_detached_light(&alone), S_OK);
    EXPECT_EQ(alone->parent, nullptr);
    frame* f = alone;
    destroy_frame(&f);
}

TEST_F(LightTest, RayPickingWithNearestHit) {
    app_state state;
    g_state = &state;
    light l;
    l.set_position(0, 0, 100);
    frame* hit = nullptr;
    float distance = 0;
    state.nearest_hit = 1000000.0f;
    EXPECT_FALSE(l.hit_test_ray({0, 0, 1}, {0, 0, 0}, &hit, &distance));  // no children
    EXPECT_EQ(hit, &l);
    EXPECT_FLOAT_EQ(state.nearest_hit, 100.0f);
    hit = nullptr;
    EXPECT_FALSE(l.hit_test_ray({0, 0, 1}, {6, 0, 0}, &hit, &distance));  // passes beside it
    EXPECT_EQ(hit, nullptr);
    state.nearest_hit_mode = 0;  // first-hit mode: the light is the hit
    EXPECT_TRUE(l.hit_test_ray({0, 0, 1}, {0, 0, 0}, &hit, &distance));
    g_state = nullptr;
}
