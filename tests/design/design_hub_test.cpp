// The missile design screen: the static test's step against hand arithmetic, a motor larger
// than its airframe, and saving and loading the system and missile under one name.
#include <cmath>

#include "design/static_test.h"
#include "simulation/aero_config.h"
#include "simulation/rocket_motor.h"
#include "platform/files.h"
#include "tests/design/design_fixture.h"
#include "ui/screens.h"
#include "ui/message_box.h"

using namespace design;

TEST(DesignStaticTest, OneStepByHand) {
    static_test s;
    s.v = 100.0f;
    flight_inputs in;
    in.thrust = 5000.0f;
    in.drag_coefficient = 0.5f;
    in.cn_alpha = 10.0f;
    in.reference_area = 0.01f;
    in.dry_mass = 40.0f;
    in.propellant = 10.0f;
    const flight_sample p = static_test_step(s, in, 0.02f);
    // q S = 0.6 x 0.01 x 100² = 60 N; mass 50 kg.
    EXPECT_NEAR(p.mach, 100.0f / 340.0f, 1e-6f);
    EXPECT_NEAR(p.g, 0.25f * 60.0f * 10.0f / (9.81f * 50.0f), 1e-5f);
    EXPECT_NEAR(s.v, 100.0f + (5000.0f - 30.0f) / 50.0f * 0.02f, 1e-4f);
    EXPECT_NEAR(s.x, s.v * 0.02f, 1e-5f);
    EXPECT_FLOAT_EQ(s.t, 0.02f);
    EXPECT_TRUE(s.flying);
}

TEST(DesignStaticTest, AMotorLargerThanItsAirframeFliesFinite) {
    static_test s;
    flight_inputs in;
    in.thrust = 20000.0f;
    in.drag_coefficient = 0.4f;
    in.cn_alpha = 12.0f;
    in.reference_area = 0.0123f;
    in.dry_mass = -30.0f;  // the propellant outweighs the airframe
    in.propellant = 10.0f;
    for (int i = 0; i < 200; ++i) {
        const flight_sample p = static_test_step(s, in, 0.02f);
        ASSERT_TRUE(std::isfinite(p.g) && std::isfinite(p.v) && std::isfinite(p.x)) << i;
        ASSERT_GE(p.g, 0.0f);
    }
    EXPECT_GT(s.v, 0.0f);
}

class DesignHub : public design_fixture {};

TEST_F(DesignHub, OpensWithTheMissileAndItsParts) {
    open(14);
    EXPECT_NE(find_text("Missile Name - New Missile"), nullptr);
    EXPECT_NE(find_text("Configuration - New Config"), nullptr);
    EXPECT_NE(find_text("Launcher - New Launcher"), nullptr);
    press_and_click("Aerodynamics");
    EXPECT_EQ(pending_command, 16);
    pending_command = 0;
    press_and_click("Resize Shape");
    EXPECT_TRUE(m->fits);
    EXPECT_NE(find_text("Missile Design - New Missile"), nullptr);
}

TEST_F(DesignHub, FireRunsAStaticTestWithoutNaN) {
    open(14);
    m->aero->DC = 3.0f;  // too thin for its motor: no dry mass
    m->layout_parts();
    ASSERT_LT(m->dry_mass, 0.0f);
    press_and_click("Fire");
    EXPECT_TRUE(m->motor->running);
    for (int i = 0; i < 150; ++i) root->send(gui_event::tick);
    EXPECT_FALSE(logged("nan"));
    press_and_click("Explode");
    EXPECT_FALSE(m->motor->running);
    EXPECT_NE(find_text("Fire"), nullptr);
}

TEST_F(DesignHub, SaveWritesSystemAndMissileUnderOneNameAndLoadNeedsBoth) {
    open(14);
    press_and_click("Save");
    answer("T1");
    EXPECT_TRUE(tmp.exists("systems/T1.txt"));
    EXPECT_TRUE(tmp.exists("missiles/T1.txt"));
    EXPECT_STREQ(m->name, "T1");
    EXPECT_STREQ(system->name, "T1");
    EXPECT_NE(find_text("Missile Design - T1"), nullptr);

    // Loading needs both files.
    fs_delete("missiles\\T1.txt");
    m->aero->LC = 50.0f;
    press_and_click("Load");
    EXPECT_EQ(g_message_box.type, message_box_type::file_choice);
    answer("T1");
    EXPECT_STREQ(g_message_box.message, "Could not load missiles\\T1.txt");
    EXPECT_EQ(m->aero->LC, 50.0f);
}

TEST_F(DesignHub, FailedSaveKeepsTheNames) {
    open(14);
    block_folder("missiles");
    press_and_click("Save");
    answer("T2");
    EXPECT_STREQ(m->name, "New Missile");
    EXPECT_STREQ(system->name, "New Missile");
    EXPECT_STREQ(g_message_box.message, "Could not save T2");
}
