// The default designs fly: the motors burn as the data notes say, and the missiles of the run
// folder, loaded by name with their parts, intercept a rocket-like target.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/recording_services.h"
#include "platform/files.h"
#include "platform/program_rand.h"
#include "simulation/missile.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"

namespace {

class FlightData : public ::testing::Test {
protected:
    void SetUp() override {
        const char* run = std::getenv("VENTRASK_RUN_DIR");
        ASSERT_NE(run, nullptr);
        previous_ = fs_root();
        fs_set_root(run);
        g_app = &app_;
        g_state = &state_;
        install_scene_services(&services_);
        program_srand(1);
    }
    void TearDown() override {
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
        fs_set_root(previous_);
    }
    std::string previous_;
    d3d_app app_;
    app_state state_;
    recording_scene_services services_;
};

struct burn_summary {
    double seconds = 0.0;
    double impulse = 0.0;     // N s
    double peak_atm = 0.0;
};

burn_summary fire(rocket_motor& m) {
    burn_summary s;
    m.ignite();
    while (m.running && s.seconds < 1000.0) {
        m.burn_step(0.04f);
        s.impulse += m.thrust * 0.04;
        s.seconds += 0.04;
        s.peak_atm = std::max(s.peak_atm, m.chamber_pressure / 100000.0);
    }
    return s;
}

}  // namespace

// The figures data/README.md gives for the two motors.
TEST_F(FlightData, MotorsBurnAsTheirNotesSay) {
    rocket_motor basic;
    ASSERT_TRUE(basic.load("New Motor"));
    EXPECT_NEAR(basic.propellant_total, 9.6f, 0.1f);
    const burn_summary b = fire(basic);
    EXPECT_NEAR(b.seconds, 9.0, 1.0);
    EXPECT_NEAR(b.impulse, 22000.0, 1000.0);

    rocket_motor sentinel;
    ASSERT_TRUE(sentinel.load("Sentinel MR"));
    EXPECT_NEAR(sentinel.propellant_total, 62.0f, 2.0f);
    const burn_summary s = fire(sentinel);
    EXPECT_NEAR(s.seconds, 18.0, 1.5);
    EXPECT_NEAR(s.impulse, 157000.0, 6000.0);
    EXPECT_NEAR(s.peak_atm, 170.0, 15.0);
}

TEST_F(FlightData, SentinelInterceptsAnIncomingRocket) {
    frame target;
    target.set_position(0.0f, 3000.0f, 9000.0f);
    target.set_rotation(3.1415926f, 0.0f, 0.0f);
    target.set_velocity(0.0f, 0.0f, 400.0f);  // toward the launch site
    missile m;
    m.assemble(nullptr);
    ASSERT_TRUE(m.load("Sentinel MR"));
    EXPECT_TRUE(m.fits);
    m.set_position(0.0f, 10.0f, 0.0f);
    m.look_at(&target);
    m.target = &target;
    m.launch();
    state_.dt = 0.025f;
    for (int tick = 0; tick < 4000 && !m.dead; ++tick) {
        state_.now += 25;
        target.update();
        m.update();
    }
    EXPECT_TRUE(m.dead);
    EXPECT_EQ(state_.intercepts, 1);
    EXPECT_LT(m.min_miss, 2.0f);
}
