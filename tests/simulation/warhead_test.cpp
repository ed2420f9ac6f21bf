#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "simulation/warhead.h"
#include "tests/simulation/parts_fixture.h"

namespace {

using Warhead = parts_test;

constexpr double pi_value = 3.14159265358979323846;

// The smart delay in ms, written out independently for the default geometry.
double expected_smart_delay(const warhead& w, double closing) {
    const double theta = w.fuse_angle * pi_value / 180.0;
    const double d = w.miss_distance;
    const double s = ((std::tan(theta) - 0.5 * w.ER) * d + 0.01 * w.target_length) / closing -
                     d / (w.fragment_speed + w.radial_speed_offset);
    return std::max(0.0, s * 1000.0);
}

}  // namespace

TEST_F(Warhead, DefaultsYieldTheirFigures) {
    warhead w;
    EXPECT_STREQ(w.name, "New Warhead");
    EXPECT_NEAR(w.explosive_mass, 4.752, 0.001);
    EXPECT_NEAR(w.case_mass, 3.613, 0.001);
    EXPECT_NEAR(w.fragment_speed, 2532.0, 1.0);
    EXPECT_NEAR(w.fragment_count, 144.5, 0.05);
    EXPECT_NEAR(w.kill_distance, 6.98, 0.01);
    EXPECT_NEAR(w.warhead_delay, 2.76, 0.01);
    EXPECT_NEAR(w.fuse_range, 8.06, 0.01);
    EXPECT_NEAR(w.fuse_delay, expected_smart_delay(w, 600.0), 1e-3);
    EXPECT_NEAR(w.fuse_delay, 4.46, 0.01);
    // At the kill distance the density is the kill threshold.
    w.effects_at_distance(w.kill_distance);
    EXPECT_NEAR(w.effects.fragment_density, w.KT, 1e-3);
    for (float angle : w.fragment_angles) {
        EXPECT_GE(angle, 0.0f);
        EXPECT_LE(angle, 2.0f * static_cast<float>(pi_value) + 1e-5f);
    }
}

TEST_F(Warhead, InputsAreBounded) {
    warhead w;
    w.GC = 5000;
    w.KC = 0;
    w.fragment_mass = 1000;
    w.ER = 2;
    w.KT = -1;
    w.TH = 0;
    w.DS = 0;
    w.LN = -3;
    w.fuse_angle = 95;
    w.closing_speed = 10;
    w.target_length = 1e4f;
    w.fuse_offset = -900;
    w.smart_delay = 0;
    w.fuse_delay = 400;
    w.compute_performance();
    EXPECT_EQ(w.GC, 3000.0f);
    EXPECT_EQ(w.KC, 0.25f);
    EXPECT_EQ(w.fragment_mass, 250.0f);
    EXPECT_EQ(w.ER, 0.5f);
    EXPECT_EQ(w.KT, 1.0f);
    EXPECT_EQ(w.TH, 0.1f);
    EXPECT_FLOAT_EQ(w.DS, 0.2f);
    EXPECT_EQ(w.LN, 1.0f);
    EXPECT_EQ(w.fuse_angle, 80.0f);
    EXPECT_EQ(w.closing_speed, 100.0f);
    EXPECT_EQ(w.target_length, 500.0f);
    EXPECT_EQ(w.fuse_offset, -250.0f);
    EXPECT_EQ(w.fuse_delay, 100.0f);
    EXPECT_GE(w.miss_distance, 0.5f);
}

TEST_F(Warhead, FileRoundTripKeepsTheFragmentMass) {
    warhead w;
    w.DS = 10;
    w.LN = 30.5f;
    w.fragment_mass = 40;
    w.smart_delay = 0;
    w.fuse_delay = 7.5f;
    w.fuse_offset = -12;
    w.compute_performance();
    ASSERT_TRUE(w.save("Heavy"));
    const std::string text = tmp_.read("warheads/Heavy.txt");
    EXPECT_EQ(text.rfind("Warhead Definition File\r\n\r\n10\t[DS]\r\n12\t[DC]\r\n0.5\t[TH]\r\n30.5\t[LN]\r\n", 0), 0u);
    EXPECT_NE(text.find("2\t[KT]\r\n40\t[fragment_mass]\r\n\r\n-12\t[fuse_offset]"), std::string::npos);
    EXPECT_NE(text.find("0\t[smart_delay]\r\n\r\n@\r\nwarhead data units\r\n"), std::string::npos);

    warhead back;
    ASSERT_TRUE(back.load("Heavy"));
    EXPECT_STREQ(back.name, "Heavy");
    EXPECT_FLOAT_EQ(back.DS, 10.0f);
    EXPECT_FLOAT_EQ(back.LN, 30.5f);
    EXPECT_FLOAT_EQ(back.fragment_mass, 40.0f);
    EXPECT_FLOAT_EQ(back.fragment_count, w.fragment_count);
    EXPECT_EQ(back.smart_delay, 0);
    EXPECT_FLOAT_EQ(back.fuse_delay, 7.5f);
    EXPECT_FLOAT_EQ(back.fuse_offset, -12.0f);
    EXPECT_NEAR(back.taper, (12.0 - 10.0) / (2.0 * 30.5), 1e-6);  // positive when the base is wider
}

TEST_F(Warhead, OldFilesAndOutOfRangeValues) {
    // Written before the fragment mass was stored, without "[TH]", with stale derived values.
    tmp_.write("warheads/Old.txt",
               "Warhead Definition File\n\n14\t[DS]\n14\t[DC]\n25\t[LN]\n5000\t[GC]\n"
               "99\t[warhead_delay]\n99\t[fuse_range]\n1\t[smart_delay]\n@\n");
    warhead w;
    w.TH = 0.7f;
    ASSERT_TRUE(w.load("Old"));
    EXPECT_FLOAT_EQ(w.fragment_mass, 25.0f);  // the default
    EXPECT_FLOAT_EQ(w.TH, 0.7f);              // kept
    EXPECT_FLOAT_EQ(w.GC, 3000.0f);
    EXPECT_TRUE(logged("warheads\\Old.txt: [GC] 5000 bounded to 3000"));
    EXPECT_LT(w.warhead_delay, 99.0f);  // derived again from the dimensions
    EXPECT_NEAR(w.fuse_range, w.kill_distance / std::cos(30.0 * pi_value / 180.0), 1e-3);

    // The fragment mass key neither holds nor hides another key.
    tmp_.write("warheads/Mass.txt", "Warhead Definition File\n60\t[fragment_mass]\n@\n");
    warhead mass;
    ASSERT_TRUE(mass.load("Mass"));
    const warhead fresh;
    EXPECT_FLOAT_EQ(mass.fragment_mass, 60.0f);
    for (auto field : {&warhead::DS, &warhead::DC, &warhead::TH, &warhead::LN, &warhead::GC, &warhead::KC,
                       &warhead::CD, &warhead::ER, &warhead::KT, &warhead::fuse_offset, &warhead::target_length,
                       &warhead::fuse_angle}) {
        EXPECT_EQ(mass.*field, fresh.*field);
    }

    warhead missing;
    EXPECT_FALSE(missing.load("Absent"));
    EXPECT_STREQ(missing.name, "New Warhead");
}

TEST_F(Warhead, FuseGeometryDecidesTheHit) {
    warhead w;
    // Head-on: the closing speed is the sum of the speeds, and the smart delay meets the target.
    EXPECT_TRUE(w.test_fragment_hit(1000.0f, 300.0f, 0.0f));
    EXPECT_FLOAT_EQ(w.closing_speed, 1300.0f);
    EXPECT_NEAR(w.fuse_delay, expected_smart_delay(w, 1300.0), 1e-3);
    EXPECT_NEAR(w.fuse_delay, 0.575, 0.01);

    // A crossing target: the closing speed is the missile's own.
    EXPECT_TRUE(w.test_fragment_hit(800.0f, 250.0f, static_cast<float>(pi_value / 2.0)));
    EXPECT_NEAR(w.closing_speed, 800.0f, 1e-3);

    // Without the smart delay a long fixed delay puts the spray behind the target.
    w.smart_delay = 0;
    w.fuse_delay = 0.575f;
    EXPECT_TRUE(w.test_fragment_hit(1000.0f, 300.0f, 0.0f));
    w.fuse_delay = 50.0f;
    EXPECT_FALSE(w.test_fragment_hit(1000.0f, 300.0f, 0.0f));
    EXPECT_FLOAT_EQ(w.fuse_delay, 50.0f);  // a fixed delay is left as it was

    // The smart delay never goes below 0, nor divides by a closing speed of 0.
    EXPECT_EQ(w.smart_fuse_delay(1e6f), 0.0f);
    EXPECT_EQ(w.smart_fuse_delay(0.0f), 0.0f);
    w.smart_delay = 1;
    w.test_fragment_hit(300.0f, 300.0f, static_cast<float>(pi_value));  // a tail chase that does not close
    EXPECT_TRUE(std::isfinite(w.fuse_delay));
}

TEST_F(Warhead, NoExplosiveMeansNoDelayAndAMiss) {
    warhead w;
    w.TH = 2.0f;
    w.DS = 4.0f;  // the case fills the whole diameter: no room for explosive
    w.DC = 4.0f;
    w.compute_performance();
    EXPECT_EQ(w.explosive_mass, 0.0f);
    EXPECT_EQ(w.fragment_speed, 0.0f);
    EXPECT_EQ(w.warhead_delay, 0.0f);
    EXPECT_EQ(w.fuse_delay, 0.0f);
    EXPECT_FALSE(w.test_fragment_hit(1000.0f, 300.0f, 0.0f));
    EXPECT_EQ(w.fuse_delay, 0.0f);
    w.effects_at_distance(5.0f);
    EXPECT_EQ(w.effects.over_pressure, 0.0f);
    EXPECT_EQ(w.effects.fragment_speed, 0.0f);
    EXPECT_TRUE(std::isfinite(w.effects.fragment_density));
    ASSERT_TRUE(w.save("Inert"));
    EXPECT_EQ(tmp_.read("warheads/Inert.txt").find("inf"), std::string::npos);
}
