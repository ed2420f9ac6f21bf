// The scene's effects: every recipe of the effect services makes its world object under the
// right parent, and the exhausts the weapons make follow their owners' settings, so that a
// spent missile waits for its plume or its trail to die down.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "shell/scene.h"
#include "tests/support/temp_folder.h"
#include "world/flame.h"
#include "world/smoke.h"
#include "world/sprinkle.h"

namespace {

class SceneEffects : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        world = std::make_unique<scene>();
        world->make_roots(true);
        install_scene_services(&world->proxie);
        state.now = 5000;
        state.smoothed_step = 0.02f;
        state.dt = 0.02f;
        state.no_shift = 1;
        state.water_level = -1000.0f;  // dry land at the flat ground's height
    }
    void TearDown() override {
        world.reset();
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    // The effect frame made last under the "transps" root.
    frame* last_effect() const { return world->transps->child(world->transps->child_count() - 1); }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    std::unique_ptr<scene> world;
};

TEST_F(SceneEffects, ExplosionsAndImpactsMakeTheirBurstsAndColumns) {
    frame* rocket_like = nullptr;
    ASSERT_TRUE(create_frame(world->transps, &rocket_like, "rocket"));
    rocket_like->set_position(100.0f, 500.0f, 200.0f);
    const int before = world->transps->child_count();
    spawn_explosion(rocket_like, 2.0f, true);
    ASSERT_EQ(world->transps->child_count(), before + 2);
    auto* smoke_burst = dynamic_cast<sprinkle*>(world->transps->child(before));
    auto* fire_burst = dynamic_cast<sprinkle*>(world->transps->child(before + 1));
    ASSERT_NE(smoke_burst, nullptr);
    ASSERT_NE(fire_burst, nullptr);
    EXPECT_EQ(smoke_burst->kind, sprinkle::k_smoke);
    EXPECT_EQ(fire_burst->kind, sprinkle::k_fire);
    EXPECT_FLOAT_EQ(fire_burst->world_position().y, 500.0f);
    // At or under the surface the first burst is spray, as a child of the object.
    float ground = 0.0f;
    ground_height(0.0f, 0.0f, &ground);
    rocket_like->set_position(0.0f, ground - 1.0f, 0.0f);
    spawn_explosion(rocket_like, 2.0f, false);
    ASSERT_EQ(rocket_like->child_count(), 2);
    EXPECT_EQ(static_cast<sprinkle*>(rocket_like->child(0))->kind, sprinkle::k_spray);
    // A self-destruct lays two line bursts along the missile's axis.
    frame* missile_like = nullptr;
    ASSERT_TRUE(create_frame(world->transps, &missile_like, "missile"));
    missile_like->set_rotation(1.0f, 0.0f, 0.0f);
    spawn_missile_explosion(3.0f, 0.5f, missile_like, 1.0f, true);
    auto* line = dynamic_cast<sprinkle*>(last_effect());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->kind, sprinkle::k_fire);
    EXPECT_NEAR(get_axis_z(line->world).x, std::sin(1.0f), 1e-5f);
    EXPECT_FLOAT_EQ(line->particle_position[0].z, -1.5f);
    // A launch: a fire cone of 128 along the launcher's axis.
    spawn_muzzle_burst(missile_like, 50.0f, 1.0f);
    auto* cone = dynamic_cast<sprinkle*>(last_effect());
    ASSERT_NE(cone, nullptr);
    EXPECT_EQ(cone->count, 128);
    EXPECT_GT(transform_direction(cone->particle_velocity[0].x, cone->particle_velocity[0].y,
                                  cone->particle_velocity[0].z, cone->world).x, 0.0f);
    // The impact fire burns as a column that is not hit-testable.
    state.spawn_impact_smoke(10.0f, 0.0f, 10.0f, nullptr, 10.0f);
    auto* fire = dynamic_cast<smoke*>(state.current_object);
    ASSERT_NE(fire, nullptr);
    EXPECT_TRUE(fire->fire);
    EXPECT_FALSE(fire->hit_testable);
    // A burst of no known kind makes nothing.
    particle_burst odd;
    odd.kind = 7;
    EXPECT_EQ(services().emit_burst(odd), nullptr);
}

TEST_F(SceneEffects, APlumeSettlesOnceItsPuffsHaveFaded) {
    frame* body = nullptr;
    ASSERT_TRUE(create_frame(world->transps, &body, "rocket"));
    exhaust_params p;
    p.kind = EXHAUST_PLUME;
    p.position = {0.0f, 0.0f, -3.0f};
    p.speed = -50.0f;
    p.size = 1.0f;
    frame* plume = services().create_exhaust(body, p);
    auto* s = dynamic_cast<sprinkle*>(plume);
    ASSERT_NE(s, nullptr);
    EXPECT_FLOAT_EQ(plume->local_position().z, -3.0f);
    EXPECT_TRUE(services().exhaust_settled(plume));
    services().set_exhaust_emission(plume, true);
    for (int tick = 0; tick < 10; ++tick) body->update();
    EXPECT_GE(s->count, 8);
    EXPECT_FALSE(services().exhaust_settled(plume));
    services().set_exhaust_emission(plume, false);
    int ticks = 0;
    while (!services().exhaust_settled(plume) && ticks < 5000) {
        body->update();
        ++ticks;
    }
    EXPECT_TRUE(services().exhaust_settled(plume));
    EXPECT_GT(ticks, 100);
}

TEST_F(SceneEffects, AFlameAndItsTrailFollowTheBurn) {
    frame* body = nullptr;
    ASSERT_TRUE(create_frame(world->transps, &body, "missile"));
    exhaust_params p;
    p.kind = EXHAUST_FLAME;
    p.colour = 0.5f;
    p.trail = 1;
    p.size = 0.2f;
    frame* made = services().create_exhaust(body, p);
    auto* f = dynamic_cast<flame*>(made);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->ribbon);
    // The owner scales the flame through its matrix, as the motor does.
    f->local = mat_scaling(0.2f, 0.2f, 1.0f);
    f->update_matrices();
    for (int tick = 0; tick < 20; ++tick) {
        state.now += 20;
        body->update();
    }
    EXPECT_FALSE(services().exhaust_settled(made));
    EXPECT_FLOAT_EQ(f->trail_width(), 2.0f);
    services().set_exhaust_colour(made, 1.5f);
    EXPECT_FLOAT_EQ(f->temperature, 1.5f);
    int ticks = 0;
    while (!services().exhaust_settled(made) && ticks < 100000) {
        state.now += 20;
        body->update();
        ++ticks;
    }
    EXPECT_TRUE(services().exhaust_settled(made));
    EXPECT_LT(f->ribbon->max_brightness, 32.0f);
    // A flame without a trail has nothing to wait for; the smoke column takes two sizes.
    p.trail = 0;
    EXPECT_TRUE(services().exhaust_settled(services().create_exhaust(body, p)));
    exhaust_params column;
    column.kind = EXHAUST_SMOKE;
    column.size = 0.3f;
    column.size2 = 0.4f;
    frame* c = services().create_exhaust(body, column);
    ASSERT_NE(dynamic_cast<smoke*>(c), nullptr);
    services().set_exhaust_sizes(c, 5.0f, 125.0f);
    EXPECT_FLOAT_EQ(static_cast<smoke*>(c)->size, 5.0f);
    EXPECT_FLOAT_EQ(static_cast<smoke*>(c)->growth, 125.0f);
}

}  // namespace
