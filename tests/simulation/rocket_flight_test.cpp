// The hostile rocket's flight, the standard shot and the rocket launcher.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "simulation/rocket_launcher.h"
#include "tests/simulation/weapons_fixture.h"

namespace {

constexpr float k_nan = std::numeric_limits<float>::quiet_NaN();
constexpr float k_inf = std::numeric_limits<float>::infinity();

using RocketFlight = weapons_test;

TEST(BallisticRange, StandardShotGrowsWithSpeedAndEndsForEveryInput) {
    // Drag-free, a shot leaving the ground at 500 m/s and 1 rad goes v² sin 2e / g = 23.2 km;
    // the boost climbs about 2 km before burn-out and the thin air above drags little.
    const float r500 = ballistic_range(500.0f, 1.0f, 0.1f);
    EXPECT_GT(r500, 20000.0f);
    EXPECT_LT(r500, 30000.0f);
    EXPECT_NEAR(ballistic_range(500.0f, 1.0f, 0.01f), r500, 0.03f * r500);
    EXPECT_GT(ballistic_range(600.0f, 1.0f, 0.1f), r500);
    // Shots without a range end: no speed, a bad step, a vertical shot.
    for (float bad : {0.0f, -1.0f, k_nan, k_inf}) {
        EXPECT_EQ(ballistic_range(bad, 1.0f, 0.1f), 0.0f);
        EXPECT_EQ(ballistic_range(500.0f, 1.0f, bad), 0.0f);
    }
    EXPECT_EQ(ballistic_range(500.0f, k_nan, 0.1f), 0.0f);
    EXPECT_LT(std::fabs(ballistic_range(500.0f, 1.5707964f, 0.1f)), 1.0f);
}

TEST_F(RocketFlight, SolvedLaunchSpeedReachesTheRangeAndTheFirstShotFallsInOneInterval) {
    for (float range : {8000.0f, 15000.0f, 25000.0f}) {
        rocket_launcher l;
        l.range = range;
        ASSERT_TRUE(l.solve_launch_speed());
        // The burn-out falls on a whole step: the range moves in steps of 1 to 2 %.
        EXPECT_NEAR(ballistic_range(l.launch_speed, l.elevation, 0.1f), range, 0.03f * range);
        EXPECT_GE(l.next_shot, 0.0f);
        EXPECT_LE(l.next_shot, static_cast<float>(l.interval));
    }
}

TEST_F(RocketFlight, LaunchersWithoutALaunchSpeedAreRefusedAndNeverFire) {
    const float bad[][2] = {{0.0f, 1.0f}, {-5.0f, 1.0f}, {k_nan, 1.0f}, {k_inf, 1.0f},
                            {10000.0f, 0.0f}, {10000.0f, 1.5707964f}, {10000.0f, 2.0f}, {10000.0f, k_nan}};
    for (const auto& b : bad) {
        rocket_launcher l;
        l.range = b[0];
        l.elevation = b[1];
        EXPECT_FALSE(l.solve_launch_speed());
        EXPECT_FALSE(l.has_rockets_left());
        state_.dt = 100.0f;
        l.update();
        EXPECT_EQ(l.fired, 0);
    }
    EXPECT_TRUE(logged("no launch speed"));
    // Nor does a rocket leave without a burn-out speed.
    EXPECT_EQ(tables_.add_target(0.0f, 0.0f, 0.0f, 0.0f, 1.0f, k_inf), nullptr);
    EXPECT_EQ(tables_.add_target(0.0f, 0.0f, 0.0f, 0.0f, k_nan, 500.0f), nullptr);
    EXPECT_TRUE(logged("Rocket not launched"));
    EXPECT_EQ(tables_.target_count, 0);
    EXPECT_EQ(state_.rockets_fired, 0);
}

TEST_F(RocketFlight, ShotsComeOneIntervalApartUntilTheStockIsSpentAndAreLostAtTheCap) {
    rocket_launcher* l = tables_.add_launcher();
    l->range = 12000.0f;
    l->count = 3;
    l->interval = 10;
    ASSERT_TRUE(l->solve_launch_speed());
    state_.dt = 0.5f;
    std::vector<float> shots;
    for (int i = 0; i < 200; ++i) {
        const int before = l->fired;
        l->update();
        if (l->fired != before) shots.push_back(l->clock);
    }
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_NEAR(shots[1] - shots[0], 10.0f, 0.51f);
    EXPECT_NEAR(shots[2] - shots[1], 10.0f, 0.51f);
    EXPECT_STREQ(state_.message, "Launcher 1 Is Empty");
    EXPECT_EQ(state_.rockets_fired, 3);

    // 24 rockets in the scene: the shot is declined and nothing counts.
    while (tables_.target_count < weapon_tables::k_max_targets) listed_rocket({0.0f, 100.0f, 0.0f}, {});
    l->count = 10;
    l->fire_rocket();
    EXPECT_EQ(l->fired, 3);
    EXPECT_EQ(state_.rockets_fired, 3);
}

TEST_F(RocketFlight, ClimbsStraightBurnsOutCoastsAndLandsAsDebrisNearlyStraightDown) {
    rocket* r = tables_.add_target(0.0f, 0.0f, 0.0f, 0.3f, 1.0f, 300.0f);
    ASSERT_NE(r, nullptr);
    EXPECT_GT(r->body_length, 1.0f) << "the model gives the length";
    EXPECT_EQ(state_.rockets_fired, 1);
    EXPECT_TRUE(r->sound_playing(ROCKET_SOUND_MOTOR));
    const vec3 start = normalize(r->velocity);
    // On the launch line (the first 100 m) gravity does not bend the path.
    while (r->flight_time * r->speed < 100.0f) r->update();
    EXPECT_NEAR(dot(normalize(r->velocity), start), 1.0f, 1e-5f);
    while (r->burning) r->update();
    EXPECT_GT(r->speed, 300.0f);
    EXPECT_LT(r->speed, 300.0f + 10.0f);
    EXPECT_TRUE(r->sound_playing(ROCKET_SOUND_COASTING));
    EXPECT_FALSE(r->sound_playing(ROCKET_SOUND_MOTOR));
    for (int i = 0; i < 50; ++i) r->update();

    // A kill: a hundred times the drag takes the debris' forward speed and it falls.
    const float horizontal = std::hypot(r->velocity.x, r->velocity.z);
    r->explode();
    EXPECT_FALSE(r->sound_playing(ROCKET_SOUND_COASTING));
    for (int i = 0; i < 300; ++i) r->update();
    EXPECT_LT(std::hypot(r->velocity.x, r->velocity.z), 0.2f * horizontal);
    EXPECT_LT(r->velocity.y, 0.0f);
    for (int i = 0; i < 100000 && !r->landed; ++i) r->update();
    EXPECT_TRUE(r->landed);
    EXPECT_EQ(tables_.target_count, 0);
    EXPECT_EQ(state_.hits + state_.debris_hits, 0) << "no system defends this ground";
}

}  // namespace
