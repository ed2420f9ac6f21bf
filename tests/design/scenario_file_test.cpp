// Scenario files and the run file: a round trip, what the reader refuses or bounds, and the run
// file's lines against distances worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>

#include "core/d3d_app.h"
#include "design/scenario_file.h"
#include "platform/files.h"
#include "tests/support/temp_folder.h"

using namespace design;

namespace {

class ScenarioFile : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<d3d_app>();
        g_app = app.get();
        fs_make_folder("scenarios");
    }
    void TearDown() override { g_app = nullptr; }
    bool logged(const char* text) const { return std::strstr(app->log_text(), text) != nullptr; }

    temp_folder tmp;
    std::unique_ptr<d3d_app> app;
};

scenario_object object(int type, const char* name, float east, float north, float aim_east, float aim_north) {
    scenario_object o;
    o.type = type;
    std::strcpy(o.name, name);
    o.east = east;
    o.north = north;
    o.aim_east = aim_east;
    o.aim_north = aim_north;
    o.rockets = 12;
    o.reload = 30;
    o.radius = 2500;
    return o;
}

}  // namespace

TEST_F(ScenarioFile, RoundTripKeepsNamesWithSpacesAndEveryDigit) {
    auto table = std::make_unique<scenario_table>();
    table->objects[0] = object(scenario_type::system, "Sentinel MR Mk 2", 34.123456789f, -32.5f, 34.2f, -32.4f);
    table->objects[1] = object(scenario_type::launcher, "Rocket Launcher", -0.00001234f, 89.99999f, 180.0f, 0.0f);
    table->count = 2;
    ASSERT_TRUE(write_scenario_file("scenarios\\R1.txt", *table, nullptr));
    const std::string text = tmp.read("scenarios/R1.txt");
    EXPECT_EQ(text.rfind("2\tsystems_num\r\n\r\n2\tsystem_type\r\n", 0), 0u);
    // Ten significant digits of the float itself, exponent form only for tiny magnitudes.
    EXPECT_NE(text.find("34.12345505\tsystem_pos_x\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("-1.233999956e-05\tsystem_pos_x\r\n"), std::string::npos) << text;

    auto back = std::make_unique<scenario_table>();
    back->count = 7;  // what was there before is replaced, not merged
    ASSERT_TRUE(read_scenario_file("scenarios\\R1.txt", back.get()));
    ASSERT_EQ(back->count, 2);
    for (int i = 0; i < 2; ++i) {
        const scenario_object& a = table->objects[i];
        const scenario_object& b = back->objects[i];
        EXPECT_STREQ(a.name, b.name);
        EXPECT_EQ(std::tie(a.type, a.east, a.north, a.aim_east, a.aim_north, a.rockets, a.reload, a.radius),
                  std::tie(b.type, b.east, b.north, b.aim_east, b.aim_north, b.rockets, b.reload, b.radius));
    }

    // A file that does not open keeps the table.
    EXPECT_FALSE(read_scenario_file("scenarios\\missing.txt", back.get()));
    EXPECT_EQ(back->count, 2);
}

TEST_F(ScenarioFile, TheReaderTrustsOnlyTheObjectsItReads) {
    // LF endings, values before the first object, a type it does not know, no radius line,
    // a count that says nothing true, numbers beyond use.
    std::string text = "-5\tsystems_num\n\n7\tsystem_rockets\nBogus\tsystem_name\n";
    text += "3\tsystem_type\nAlien\tsystem_name\n";
    text += "1\tsystem_type\nRocket Launcher\tsystem_name\n34.7\tsystem_pos_x\n32.2\tsystem_pos_y\n"
            "99999999\tsystem_rockets\n1e30\tsystem_end_x\n";
    text += "2\tsystem_type\nsystem_type named oddly\tsystem_name\n";
    tmp.write("scenarios/odd.txt", text);
    auto table = std::make_unique<scenario_table>();
    ASSERT_TRUE(read_scenario_file("scenarios\\odd.txt", table.get()));
    ASSERT_EQ(table->count, 2);
    EXPECT_STREQ(table->objects[0].name, "Rocket Launcher");
    EXPECT_EQ(table->objects[0].radius, 1000);
    EXPECT_EQ(table->objects[0].rockets, 1000);
    EXPECT_EQ(table->objects[0].aim_east, 180.0f);
    EXPECT_FLOAT_EQ(table->objects[0].north, 32.2f);
    EXPECT_EQ(table->objects[1].type, scenario_type::system);
    EXPECT_STREQ(table->objects[1].name, "system_type named oddly");
    EXPECT_TRUE(logged("scenarios\\odd.txt: values before the first object were skipped"));
    EXPECT_TRUE(logged("scenarios\\odd.txt: objects of an unknown type were skipped"));
    EXPECT_TRUE(logged("scenarios\\odd.txt: systems_num -5, 2 objects read"));

    // 300 records keep 256, whatever the count line claims.
    std::string many = "1e6\tsystems_num\r\n\r\n";
    for (int i = 0; i < 300; ++i) many += "1\tsystem_type\r\nRocket Launcher\tsystem_name\r\n";
    tmp.write("scenarios/many.txt", many);
    ASSERT_TRUE(read_scenario_file("scenarios\\many.txt", table.get()));
    EXPECT_EQ(table->count, k_max_scenario_objects);
    EXPECT_TRUE(logged("scenarios\\many.txt: objects beyond 256 were skipped"));
}

TEST_F(ScenarioFile, RunFileLinesAsWorkedOutByHand) {
    auto table = std::make_unique<scenario_table>();
    // A system facing due east, then a launcher at 34.7 E 32.2 N aiming at 34.79 E 32.12 N:
    // north -8889.6 m, east cos(32.2 deg) x 0.09 x 111120 m, bearing 2.38 rad, range 12273.74 m
    // in 32-bit arithmetic (12273.58 in double).
    table->objects[0] = object(scenario_type::system, "Sentinel MR", 34.6f, 32.0f, 34.7f, 32.0f);
    table->objects[1] = object(scenario_type::launcher, "Rocket Launcher", 34.7f, 32.2f, 34.79f, 32.12f);
    table->count = 2;
    // Time of day, fog altitude, cloud base, low clouds, fog in the air, wind, sea, waves.
    const run_weather w{14.5f, 200, 1500, 0.25f, 30000, 5, 1.5f, {10, 20, 30}, 0.5f, 1, 2, 0.75f};
    ASSERT_TRUE(write_scenario_run_file(*table, w, nullptr));
    const std::string text = tmp.read("scenarios/scenario.cfg");
    // 50 m behind the system, which faces east: the camera stands west of it, heading -pi/2.
    const float camera_east = 34.6f - 50.0f / 111120.0f;
    char camera[128];
    std::snprintf(camera, sizeof camera, "%8.6f\t[camera_east]\r\n%8.6f\t[camera_north]\r\n",
                  static_cast<double>(camera_east), 32.0);
    const std::string expected = std::string("\r\n// QVD Situation File\r\n\r\n1\t[scenario_mode]\r\n") + camera +
                                 "0.00\t[camera_alt]\r\n-1.57\t[camera_beta]\r\n0.00\t[camera_alfa]\r\n"
                                 "14.50\t[time_of_day]\r\n200.00\t[fog_alt]\r\n1500.00\t[cloud_base]\r\n"
                                 "0.25\t[low_clouds]\r\n30000.00\t[fog_air]\r\n5.00\t1.50\t[wind]\r\n"
                                 "10\t20\t30\t0.50\t[sea]\r\n1.00\t2.00\t0.75\t[waves]\r\n"
                                 "Sentinel MR\t34.599998\t32.000000\t1.57\t2500\t[system]\r\n"
                                 "34.700001\t32.200001\t2.38\t12273.74\t12\t30\t[launcher]\r\n"
                                 "@\r\nSaved by scenario design\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_NEAR(scenario_range(34.7f, 32.2f, 34.79f, 32.12f), 12273.74f, 0.01f);
}

// A system name the situation reader would take for the file's end ("@"), a comment ("//") or
// another key ("[sea]") is left out of the run file with a log line: written as it stood it
// lost every object after it. The launcher after such names still runs.
TEST_F(ScenarioFile, ARunFileLeavesOutSystemNamesItCannotCarry) {
    auto table = std::make_unique<scenario_table>();
    table->objects[0] = object(scenario_type::system, "Sentinel MR", 34.6f, 32.0f, 34.7f, 32.0f);
    table->objects[1] = object(scenario_type::system, "@ew Missile", 34.6f, 32.0f, 34.7f, 32.0f);
    table->objects[2] = object(scenario_type::system, "Red//Blue", 34.6f, 32.0f, 34.7f, 32.0f);
    table->objects[3] = object(scenario_type::system, "Deep [sea] One", 34.6f, 32.0f, 34.7f, 32.0f);
    table->objects[4] = object(scenario_type::launcher, "Rocket Launcher", 34.7f, 32.2f, 34.79f, 32.12f);
    table->count = 5;
    const std::string text = scenario_run_text(*table, run_weather{});
    EXPECT_NE(text.find("Sentinel MR\t"), std::string::npos);
    EXPECT_EQ(text.find("@ew"), std::string::npos);
    EXPECT_EQ(text.find("Red//"), std::string::npos);
    EXPECT_EQ(text.find("Deep"), std::string::npos);
    EXPECT_NE(text.find("\t12\t30\t[launcher]\r\n@\r\n"), std::string::npos) << text;
    EXPECT_TRUE(logged("the system \"@ew Missile\" has a name the run file cannot carry; left out"));
    EXPECT_TRUE(logged("the system \"Deep [sea] One\" has a name"));
}
