#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "simulation/seeker.h"
#include "tests/simulation/parts_fixture.h"

using Seeker = parts_test;

TEST_F(Seeker, RangeAndApertureFollowEachOther) {
    seeker s;
    s.detection_range = 5000.0f;
    s.apply_limits(false);  // range edited: the aperture grows to see that far
    EXPECT_FLOAT_EQ(s.detection_range, 5000.0f);
    EXPECT_NEAR(s.seeker_diameter, std::sqrt(500.0), 1e-4);

    seeker t;
    t.seeker_diameter = 5.0f;
    t.apply_limits(true);  // aperture edited: the range shrinks to what it can see
    EXPECT_FLOAT_EQ(t.detection_range, 250.0f);

    seeker u;
    u.detection_range = 1e6f;
    u.fins_lock_time = -3.0f;
    u.apply_limits(false);
    EXPECT_FLOAT_EQ(u.detection_range, 10000.0f);
    EXPECT_FLOAT_EQ(u.seeker_diameter, std::sqrt(1000.0f));
    EXPECT_FLOAT_EQ(u.fins_lock_time, 0.0f);
    u.seeker_diameter = 300.0f;
    u.fins_lock_time = 5000.0f;
    u.apply_limits(true);
    EXPECT_FLOAT_EQ(u.seeker_diameter, 100.0f);
    EXPECT_FLOAT_EQ(u.fins_lock_time, 1000.0f);
}

TEST_F(Seeker, FileRoundTripAndFlags) {
    seeker s;
    s.boost_phase = 0;
    s.fins_lock_time = 2.5f;
    s.midcourse_type = 1;
    s.terminal_type = 0;
    s.detection_range = 4000.0f;
    s.seeker_diameter = 20.0f;
    s.seeker_error = 0.005f;
    s.self_destruct = 60.0f;
    ASSERT_TRUE(s.save("Eye"));
    EXPECT_EQ(tmp_.read("seekers/Eye.txt").rfind(
                  "Guidance Definition File\r\n\r\n0\t[boost_phase]\r\n2.5\t[fins_lock_time]\r\n1\t[midcourse_phase]\r\n", 0),
              0u);
    seeker back;
    ASSERT_TRUE(back.load("Eye"));
    EXPECT_STREQ(back.name, "Eye");
    EXPECT_EQ(back.boost_phase, 0);
    EXPECT_FLOAT_EQ(back.fins_lock_time, 2.5f);
    EXPECT_EQ(back.midcourse_phase, 1);
    EXPECT_EQ(back.midcourse_type, 1);
    EXPECT_EQ(back.terminal_type, 0);
    EXPECT_FLOAT_EQ(back.detection_range, 4000.0f);
    EXPECT_FLOAT_EQ(back.seeker_diameter, 20.0f);
    EXPECT_FLOAT_EQ(back.seeker_error, 0.005f);
    EXPECT_FLOAT_EQ(back.self_destruct, 60.0f);

    tmp_.write("seekers/Loose.txt",
               "Guidance Definition File\n0.5\t[terminal_phase]\n1.9\t[terminal_type]\n0\t[midcourse_phase]\n"
               "50000\t[detection_range]\n2147483647\t[midcourse_type]\n-1e30\t[self_destruct]\n@\n");
    seeker loose;
    loose.terminal_phase = 0;
    ASSERT_TRUE(loose.load("Loose"));
    EXPECT_EQ(loose.terminal_phase, 1);
    EXPECT_EQ(loose.terminal_type, 1);
    EXPECT_EQ(loose.midcourse_phase, 0);
    EXPECT_FLOAT_EQ(loose.detection_range, 50000.0f);  // within a 1 m aperture's range
    // A law type past the last would select another phase's law (or overflow the law number).
    EXPECT_EQ(loose.midcourse_type, 1);
    EXPECT_TRUE(logged("seekers\\Loose.txt: [midcourse_type] 2147483647 bounded to 1"));
    EXPECT_EQ(loose.self_destruct, 0.0f);
    EXPECT_TRUE(logged("seekers\\Loose.txt: [self_destruct] -1e+30 bounded to 0"));
    EXPECT_FALSE(loose.load("Absent"));
    EXPECT_STREQ(loose.name, "Loose");
}
