// Smoke columns, flames and their trails: the column's bounds, puff interval and sub-steps,
// fading and fire colours, self-removal, and its refusal of a zero size; the flame's colour
// ramp; the trail's collapse after a pause, its push rhythm, its burnt-out fade and its
// ribbon with the camera on its axis.
#include <cmath>

#include "tests/world/effects_fixture.h"
#include "world/flame.h"
#include "world/smoke.h"
#include "world/trail.h"

namespace {

TEST_F(EffectsTest, SmokeColumnIntervalSubStepsAndBounds) {
    frame root;
    smoke* s = nullptr;
    ASSERT_EQ(create_smoke(&root, &s), S_OK);
    s->count = 300;
    ASSERT_TRUE(s->init("graphics\\smoke.dds"));
    EXPECT_EQ(s->count, 256);
    // A standing source in a 10 m/s updraft puffs every 0.1 s; a puff of 25 lasts 2.5 s.
    s->count = 25;
    EXPECT_FLOAT_EQ(s->puff_interval(0.0f), 0.1f);
    smoke::puff p;
    p.interval = 0.1f;
    p.age = 1.25f;
    EXPECT_FLOAT_EQ(s->visibility(p), 0.5f);
    // Moving at 100 m/s with size 2: 0.01 s; a 0.055 s frame runs 6 sub-steps, so the puff
    // emitted at the fourth has aged two of them when the sixth emits the next.
    s->drift = {0.0f, 10.0f, 0.0f};
    s->last_motion = {0.0f, 0.0f, 100.0f * 0.02f};
    set_steps(0.055f, 0.02f);
    s->update();
    EXPECT_FLOAT_EQ(s->interval, 0.01f);
    EXPECT_NEAR(s->puffs[1].age, 2.0f * 0.055f / 6.0f, 1e-6f);
    EXPECT_FLOAT_EQ(s->puffs[0].age, 0.0f);
    EXPECT_FLOAT_EQ(s->since_last_puff, 0.0f);
    // The puffs stay behind as the source flies on.
    EXPECT_LT(s->puffs[1].position.z, s->puffs[0].position.z);
}

TEST_F(EffectsTest, SmokeWithAnAgeingSourceRemovesItself) {
    frame root;
    smoke* s = nullptr;
    ASSERT_EQ(create_smoke(&root, &s), S_OK);
    s->fire = 1;
    s->size = 10.0f;
    s->growth = 10.0f;
    s->drift = {0.0f, 50.0f, 0.0f};
    s->ageing_rate = 0.02f;
    ASSERT_TRUE(s->init("graphics\\smoke.dds"));
    EXPECT_STREQ(s->get_name(), "[Fire]");
    set_steps(0.1f, 0.1f);
    // Interval 0.1 s x 25 puffs: the source ages 0.002 s a tick until it passes 2.5 s.
    int ticks = 0;
    while (root.child_count() == 1 && ticks < 20000) {
        root.update();
        ++ticks;
    }
    EXPECT_EQ(root.child_count(), 0);
    EXPECT_NEAR(ticks, 1252, 3);
    // Out of view it stands still but runs out on time all the same.
    smoke* far = nullptr;
    ASSERT_EQ(create_smoke(&root, &far), S_OK);
    far->size = 10.0f;
    far->drift = {0.0f, 50.0f, 0.0f};
    far->ageing_rate = 0.02f;
    ASSERT_TRUE(far->init("graphics\\smoke.dds"));
    root.update();  // one tick in view sets its interval
    far->in_view = 0;
    ticks = 1;
    while (root.child_count() == 1 && ticks < 20000) {
        root.update();
        ++ticks;
    }
    EXPECT_EQ(root.child_count(), 0);
    EXPECT_NEAR(ticks, 1252, 3);
}

TEST_F(EffectsTest, SmokeOfNoSizeStandsStill) {
    frame root;
    smoke* s = nullptr;
    ASSERT_EQ(create_smoke(&root, &s), S_OK);
    s->size = 0.0f;
    s->ageing_rate = 0.5f;
    ASSERT_TRUE(s->init("graphics\\smoke.dds"));
    s->count = 25;
    s->update();  // would split the frame into endless sub-steps
    EXPECT_FLOAT_EQ(s->interval, 0.0f);
    EXPECT_FLOAT_EQ(s->puffs[0].age, 0.0f);
    s->size = -3.0f;
    s->update();
    EXPECT_FLOAT_EQ(s->puffs[0].age, 0.0f);
    // A tiny size asks for billions of sub-steps: at most 1,024 run.
    s->size = 1e-20f;
    s->ageing_rate = 0.0f;
    set_steps(0.1f, 0.1f);
    s->update();
    // Every sub-step emits: each puff is one sub-step older than the next.
    EXPECT_NEAR(s->puffs[0].age, s->source_age, 1e-6f);
    EXPECT_NEAR(s->puffs[24].age - s->puffs[0].age, 0.1f * 24.0f / 1024.0f, 1e-5f);
}

TEST_F(EffectsTest, TrailCollapsesPushesAndFadesAfterBurnOut) {
    flame f;
    f.trail_on = 1;
    f.init();
    ASSERT_TRUE(f.ribbon);
    trail& t = *f.ribbon;
    f.set_position(0.0f, 100.0f, 0.0f);
    set_steps(0.1f, 0.1f);
    // The first call, more than a second after time 0, lays the ribbon onto the head.
    state_->now = 5000;
    f.update();
    EXPECT_FLOAT_EQ(t.vertices[300].y, 100.0f);
    EXPECT_FLOAT_EQ(t.vertices[300].z, -20.0f);  // 2 x width (10) behind along z
    EXPECT_EQ(t.last_push_time, 5000u);
    // 100 ms ticks: a point is pushed at 300 ms gaps, every third tick.
    int pushes = 0;
    for (int tick = 1; tick <= 9; ++tick) {
        state_->now += 100;
        const std::uint32_t before = t.last_push_time;
        f.update();
        if (t.last_push_time != before) {
            ++pushes;
            EXPECT_EQ(tick % 3, 0);
        }
    }
    EXPECT_EQ(pushes, 3);
    EXPECT_GT(t.max_brightness, 255.0f);
    // Burnt out: only unlit points; the ribbon fades until the missile may go.
    f.temperature = 1.5f;
    EXPECT_FLOAT_EQ(f.trail_width(), 0.0f);
    int ticks = 0;
    while (t.max_brightness >= 32.0f && ticks < 10000) {
        state_->now += 100;
        f.update();
        ++ticks;
    }
    EXPECT_LT(t.max_brightness, 32.0f);
    // A pause of more than a second collapses the whole ribbon onto the flame.
    f.set_position(50.0f, 100.0f, 0.0f);
    state_->now += 1500;
    f.update();
    EXPECT_FLOAT_EQ(t.vertices[511].x, 50.0f);
}

TEST_F(EffectsTest, TrailStaysFiniteWithTheCameraOnItsAxis) {
    trail t;
    t.init();
    t.set_position(0.0f, 0.0f, 0.0f);
    // Seen from the east the ribbon spreads vertically.
    place_camera({100.0f, 0.0f, 0.0f});
    state_->now = 2000;
    t.add_point(2.0f);
    // The camera straight behind the trail, on its axis: the side vector has no direction.
    place_camera({0.0f, 0.0f, -500.0f});
    state_->now += 300;
    t.add_point(2.0f);
    for (int i = 0; i < 512; ++i) {
        const effect_vertex& v = t.vertices[static_cast<std::size_t>(i)];
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) << i;
    }
    // The previous side vector is kept: the head pair still lies one above the other.
    EXPECT_FLOAT_EQ(t.vertices[0].x, t.vertices[1].x);
    EXPECT_GT(t.vertices[0].y - t.vertices[1].y, 3.9f);
    // A frame scaled to nothing (a burnt-out rocket's flame) keeps its last axis too.
    t.world = mat_scaling(0.0f, 0.0f, 0.0f);
    t.add_point(0.0f);
    EXPECT_TRUE(std::isfinite(t.vertices[0].z));
    EXPECT_TRUE(std::isfinite(t.spread[0].x));
}

}  // namespace
