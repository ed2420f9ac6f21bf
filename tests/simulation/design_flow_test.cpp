#include <gtest/gtest.h>

#include "platform/text.h"
#include "simulation/aero_config.h"
#include "simulation/control_unit.h"
#include "simulation/launcher.h"
#include "simulation/missile_file.h"
#include "simulation/seeker.h"
#include "simulation/system_file.h"
#include "simulation/warhead.h"
#include "tests/simulation/parts_fixture.h"

using DesignFlow = parts_test;

// A designer saves a whole missile system under new names; a later run finds every part again
// from the system's name alone, the way the system and missile loaders walk the files.
TEST_F(DesignFlow, SystemAndMissileFindTheirPartsByName) {
    aero_config airframe;
    airframe.LC = 120.0f;
    airframe.clamp_dimensions();
    warhead charge;
    charge.fragment_mass = 15.0f;
    charge.compute_performance();
    seeker eye;
    eye.terminal_type = 0;
    launcher pad;
    pad.num_missiles = 4;
    control_unit radar;
    radar.launch_range = 9.0f;
    ASSERT_TRUE(airframe.save("Short"));
    ASSERT_TRUE(charge.save("Light"));
    ASSERT_TRUE(eye.save("Chase"));
    ASSERT_TRUE(pad.save("Quad"));
    ASSERT_TRUE(radar.save("Far"));

    missile_file parts;
    copy_text(parts.config_name, airframe.name);
    copy_text(parts.warhead_name, charge.name);
    copy_text(parts.seeker_name, eye.name);
    ASSERT_TRUE(parts.write("Falcon"));
    system_file battery;
    copy_text(battery.launcher_name, pad.name);
    copy_text(battery.control_name, radar.name);
    ASSERT_TRUE(battery.write("Falcon"));

    // The run: the system by name, then its launcher and control unit.
    system_file found;
    ASSERT_TRUE(found.read("Falcon"));
    launcher pad_back;
    control_unit radar_back;
    ASSERT_TRUE(pad_back.load(found.launcher_name));
    ASSERT_TRUE(radar_back.load(found.control_name));
    EXPECT_EQ(pad_back.num_missiles, 4);
    EXPECT_FLOAT_EQ(radar_back.launch_range, 9.0f);

    // The missile of the system's name, then its parts; the motor file is absent and its part
    // would stay as it was.
    missile_file missile;
    ASSERT_TRUE(missile.read("Falcon"));
    aero_config airframe_back;
    warhead charge_back;
    seeker eye_back;
    ASSERT_TRUE(airframe_back.load(missile.config_name));
    ASSERT_TRUE(charge_back.load(missile.warhead_name));
    ASSERT_TRUE(eye_back.load(missile.seeker_name));
    EXPECT_STREQ(missile.motor_name, "New Motor");
    EXPECT_FLOAT_EQ(airframe_back.LC, 120.0f);
    EXPECT_FLOAT_EQ(charge_back.fragment_mass, 15.0f);
    EXPECT_NEAR(charge_back.kill_distance, charge.kill_distance, 1e-4);
    EXPECT_EQ(eye_back.terminal_type, 0);
    airframe_back.compute_coefficients(0.0f);
    float cd = 0, cn = 0, trim = 0;
    airframe_back.get_coefficients(2.0f, false, cd, cn, trim);
    EXPECT_GT(cd, 0.0f);
    EXPECT_GT(cn, 0.0f);
    EXPECT_GT(trim, 0.0f);
}
