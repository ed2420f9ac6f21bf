// Threat finding, landings and hits over the weapon tables.
#include <gtest/gtest.h>

#include <cmath>

#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "tests/simulation/weapons_fixture.h"

namespace {

class WeaponTables : public weapons_test {
protected:
    void SetUp() override {
        weapons_test::SetUp();
        system_ = tables_.add_system("New Missile", 0.0f, 0.0f, 0.0f, 0.0f);
        ASSERT_NE(system_, nullptr);
    }
    rocket* threat() { return find_threat(system_, 5000.0f, 2000.0f); }

    // Lets a rocket fly down from 1 m above the surface until it lands (at most 20 steps).
    void land(rocket* r) {
        r->launched = 1;
        for (int i = 0; i < 20 && !r->landed; ++i) r->update();
    }

    missile_system* system_ = nullptr;
};

TEST_F(WeaponTables, ThreatIsTheFarthestUnengagedRocketWhoseLinePassesTheDefendedArea) {
    EXPECT_EQ(threat(), nullptr);
    EXPECT_EQ(world_.siren_modes.back(), 2) << "no rockets: the siren stops";

    rocket* away = listed_rocket({3000.0f, 500.0f, 0.0f}, {200.0f, 50.0f, 0.0f});   // flying off, line through the post
    rocket* past = listed_rocket({0.0f, 500.0f, 4000.0f}, {200.0f, 0.0f, 0.0f});    // passes 4 km off
    rocket* down = listed_rocket({0.0f, 500.0f, 1000.0f}, {0.0f, -80.0f, 0.0f});    // no horizontal speed, near
    listed_rocket({0.0f, 500.0f, 9000.0f}, {0.0f, -80.0f, 0.0f});                   // no horizontal speed, far
    (void)past;
    EXPECT_EQ(threat(), away);
    EXPECT_EQ(world_.siren_modes.back(), 0);

    // A rocket already engaged by a listed missile, even a dead one, is not picked again.
    missile* m = system_->add_missile();
    ASSERT_NE(m, nullptr);
    m->target = away;
    m->dead = 1;
    EXPECT_EQ(threat(), down);
    down->destroyed = 1;
    EXPECT_EQ(threat(), nullptr);
    // Beyond the launch range a rocket sounds the siren but is not engaged.
    EXPECT_EQ(find_threat(system_, 500.0f, 2000.0f), nullptr);
}

TEST_F(WeaponTables, EquallyDistantCandidatesGoToTheFirstInTheTable) {
    rocket* first = listed_rocket({3000.0f, 500.0f, 0.0f}, {-100.0f, 0.0f, 0.0f});
    listed_rocket({-3000.0f, 500.0f, 0.0f}, {100.0f, 0.0f, 0.0f});
    EXPECT_EQ(threat(), first);
}

TEST_F(WeaponTables, OnlyALandingOnDryGroundInsideTheRadiusIsAHit) {
    rocket* inside = listed_rocket({500.0f, 1.0f, 0.0f}, {0.0f, -50.0f, 0.0f});
    missile* chaser = system_->add_missile();
    chaser->target = inside;
    land(inside);
    EXPECT_EQ(state_.hits, 1);
    EXPECT_EQ(state_.debris_hits, 0);
    EXPECT_STREQ(state_.message, "Missile Lost Track");
    EXPECT_EQ(chaser->target, nullptr);
    EXPECT_EQ(tables_.target_count, 0);
    EXPECT_TRUE(inside->remove_me);
    EXPECT_EQ(world_.slots_played.back(), 7);

    rocket* outside = listed_rocket({2500.0f, 1.0f, 0.0f}, {0.0f, -50.0f, 0.0f});
    land(outside);
    EXPECT_EQ(state_.hits, 1);

    rocket* debris = listed_rocket({0.0f, 1.0f, 300.0f}, {0.0f, -50.0f, 0.0f});
    debris->destroyed = 1;
    land(debris);
    EXPECT_EQ(state_.hits, 1);
    EXPECT_EQ(state_.debris_hits, 1);
    EXPECT_STREQ(state_.message, "Debries Hit Defended Area");
    EXPECT_EQ(world_.slots_played.back(), 4);

    // The sea over the defended area: neither a rocket nor debris counts.
    world_.sea = 0.5f;
    world_.ground = -30.0f;
    land(listed_rocket({200.0f, 1.0f, 0.0f}, {0.0f, -50.0f, 0.0f}));
    rocket* wet = listed_rocket({0.0f, 1.0f, 200.0f}, {0.0f, -50.0f, 0.0f});
    wet->destroyed = 1;
    land(wet);
    EXPECT_EQ(state_.hits, 1);
    EXPECT_EQ(state_.debris_hits, 1);
    EXPECT_EQ(world_.slots_played.back(), 3);
    EXPECT_EQ(tables_.target_count, 0);
}

TEST_F(WeaponTables, RemovingARocketThatIsNotListedKeepsTheCount) {
    listed_rocket({0.0f, 500.0f, 1000.0f}, {0.0f, -80.0f, 0.0f});
    rocket stray;
    tables_.remove_target(&stray);
    tables_.remove_target(&stray);
    EXPECT_EQ(tables_.target_count, 1);
}

TEST_F(WeaponTables, AnExplosionIsAnnouncedByTheModelsName) {
    frame f;
    f.set_name("commands\\tent\\command.x");
    announce_explosion(&f);
    EXPECT_STREQ(state_.message, "command exploded");
    EXPECT_EQ(world_.spoken.back(), "command exploded");
}

}  // namespace
