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

}  // namespace
