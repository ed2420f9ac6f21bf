// Floating bodies: the mass and buoyancy derived from the box, the cap on a heavy body's depth,
// settling at the depth Archimedes gives on a calm sea (level), and the fall onto dry ground.
#include <cmath>

#include "tests/world/effects_fixture.h"
#include "world/floater.h"

namespace {

// A floater whose box is x by y by z metres, its bottom at the frame's origin.
floater* make_body(frame* parent, float x, float y, float z) {
    floater* f = nullptr;
    EXPECT_EQ(create_floater(parent, &f), S_OK);
    f->box = {{-x / 2.0f, 0.0f, -z / 2.0f}, {x / 2.0f, y, z / 2.0f}};
    return f;
}

TEST_F(EffectsTest, FloaterMassAndDepthFromItsBox) {
    frame root;
    floater* f = make_body(&root, 10.0f, 2.0f, 4.0f);
    f->immersion = 1.0f;
    f->set_up();
    EXPECT_FLOAT_EQ(f->mass, 40000.0f);
    EXPECT_FLOAT_EQ(f->buoyancy_rate, 9.81f);
    EXPECT_FLOAT_EQ(f->pitch_inertia, 40000.0f * 0.25f * 16.0f);
    // Simulated always with a given mass: the depth is the largest of the three, at most
    // 15 % of the width.
    floater* g = make_body(&root, 10.0f, 2.0f, 4.0f);
    g->simulate_always = 1;
    g->mass = 1000.0f;
    g->immersion = 0.2f;
    g->set_up();
    EXPECT_FLOAT_EQ(g->rest_depth, 0.5f);
    EXPECT_FLOAT_EQ(g->mass, 1000.0f);
    g->immersion = 3.0f;
    g->set_up();
    EXPECT_FLOAT_EQ(g->rest_depth, 1.5f);
    // A box smaller than a metre counts as a metre.
    floater* h = make_body(&root, 0.2f, 0.2f, 0.2f);
    h->set_up();
    EXPECT_FLOAT_EQ(h->extent_x, 1.0f);
    EXPECT_FLOAT_EQ(h->rest_depth, 1.0f);
}

TEST_F(EffectsTest, FloaterSettlesLevelAtItsArchimedesDepth) {
    world_.ground = -50.0f;
    world_.sea = 0.0f;
    frame root;
    floater* f = make_body(&root, 6.0f, 3.0f, 12.0f);
    f->immersion = 1.2f;
    f->set_position(0.0f, 2.0f, 0.0f);  // dropped in from above the water
    set_steps(0.02f, 0.02f);
    for (int tick = 0; tick < 3000; ++tick) f->update();
    // m / (1000 A): the bottom rests that far below the surface.
    const float depth = f->mass / (1000.0f * 6.0f * 12.0f);
    EXPECT_NEAR(depth, 1.2f, 1e-5f);
    EXPECT_NEAR(f->local_position().y, -depth, 0.01f);
    EXPECT_NEAR(f->heave_speed, 0.0f, 1e-3f);
    // A calm sea keeps it level.
    EXPECT_NEAR(f->world.m[1][1], 1.0f, 1e-5f);
    EXPECT_NEAR(f->world.m[2][2], 1.0f, 1e-5f);
}

TEST_F(EffectsTest, FloaterOverDryGroundFallsOntoIt) {
    world_.ground = 10.0f;
    world_.sea = 0.0f;  // the sea lies below the ground here
    frame root;
    floater* f = make_body(&root, 4.0f, 2.0f, 4.0f);
    f->set_position(0.0f, 40.0f, 0.0f);
    set_steps(0.02f, 0.02f);
    float lowest = 40.0f;
    for (int tick = 0; tick < 2000; ++tick) {
        f->update();
        lowest = std::min(lowest, f->local_position().y);
    }
    EXPECT_FALSE(f->in_water);
    EXPECT_NEAR(f->local_position().y, 10.0f, 0.5f);
    EXPECT_GT(lowest, 10.0f - f->contact_limit);  // it never sinks through
    EXPECT_NEAR(f->heave_speed, 0.0f, 0.05f);
}

// A sea rising 0.1 m per metre east, 0.8 m at x = 0, with a crest 0.6 m high along z = 0.
struct crested_sea : recording_scene_services {
    float ground_height(float, float) override { return -50.0f; }
    float sea_height(float x, float z) override { return 0.8f + 0.1f * x + (std::fabs(z) < 0.5f ? 0.6f : 0.0f); }
};

TEST_F(EffectsTest, FloaterSimulatedAlwaysSamplesItsSideMiddlesAndSmoothsEveryPenetration) {
    crested_sea sea;
    install_scene_services(&sea);
    frame root;
    // 4 x 2 x 10 m, bottom at the origin: corners at x = -2, 2 and z = -5, 5; side middles at
    // (-2, 0) and (2, 0). Depth min(max(0.5, 1, 4000 / 40000), 0.6) = 0.6.
    floater* f = make_body(&root, 4.0f, 2.0f, 10.0f);
    f->simulate_always = 1;
    f->mass = 4000.0f;
    f->immersion = 1.0f;
    f->in_view = 0;
    set_steps(0.02f, 0.02f);
    f->update();
    ASSERT_FLOAT_EQ(f->rest_depth, 0.6f);
    ASSERT_TRUE(f->in_water);
    const float rate = 9.81f / 0.6f;
    // Under the corners the sea stands 0.6 m (west) and 1.0 m (east) above the bottom; under
    // the middles 1.2 m and 1.6 m. The first step averages each with nothing before it.
    EXPECT_NEAR(f->penetrations[0], 0.3f, 1e-5f);
    EXPECT_NEAR(f->penetrations[1], 0.5f, 1e-5f);
    EXPECT_NEAR(f->penetrations[2], 0.3f, 1e-5f);
    EXPECT_NEAR(f->penetrations[3], 0.5f, 1e-5f);
    EXPECT_NEAR(f->middle_penetrations[0], 0.6f, 1e-5f);
    EXPECT_NEAR(f->middle_penetrations[1], 0.8f, 1e-5f);
    EXPECT_NEAR(f->mean_penetration, 0.5f, 1e-5f);  // (6.0 / 6 + 0) / 2
    EXPECT_NEAR(f->side_means[0], 0.4f, 1e-5f);     // back and front: corners only
    EXPECT_NEAR(f->side_means[1], 0.4f, 1e-5f);
    EXPECT_NEAR(f->side_means[2], 0.4f, 1e-5f);     // west: (0.3 + 0.3 + 0.6) / 3
    EXPECT_NEAR(f->side_means[3], 0.6f, 1e-5f);     // east: (0.5 + 0.5 + 0.8) / 3
    EXPECT_NEAR(f->heave_acceleration, 0.5f * rate - 9.81f, 1e-4f);
    // The higher east side rolls the body: (0.2 / 4) x rate x mass x 4 / (mass x 4) per s2.
    EXPECT_NEAR(f->roll_rate, 0.05f * rate * 0.02f, 1e-5f);
    EXPECT_NEAR(f->pitch_rate, 0.0f, 1e-6f);

    // Put back where it was, the second step averages the same readings with the first's.
    f->local = mat_identity();
    f->heave_speed = f->roll_rate = 0.0f;
    f->update_matrices();
    f->update();
    EXPECT_NEAR(f->penetrations[0], 0.45f, 1e-5f);
    EXPECT_NEAR(f->penetrations[3], 0.75f, 1e-5f);
    EXPECT_NEAR(f->middle_penetrations[0], 0.9f, 1e-5f);
    EXPECT_NEAR(f->middle_penetrations[1], 1.2f, 1e-5f);
    EXPECT_NEAR(f->mean_penetration, 0.75f, 1e-5f);
    EXPECT_NEAR(f->side_means[2], 0.6f, 1e-5f);
    EXPECT_NEAR(f->side_means[3], 0.9f, 1e-5f);
    EXPECT_NEAR(f->heave_acceleration, 0.75f * rate - 9.81f, 1e-4f);
    install_scene_services(&world_);
}

}  // namespace
