// Whole engagements through the headless runner over the run folder's default designs.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>

#include "simulation/control_unit.h"
#include "simulation/missile_system.h"
#include "tests/simulation/weapons_fixture.h"
#include "tools/engage/engagement_run.h"

namespace {

// The default system at the origin facing north, launchers north of it at several ranges.
engagement_setup several_ranges(const std::string& data) {
    engagement_setup s;
    s.data_folder = data;
    s.systems.push_back({"New Missile", 0.0f, 0.0f, 0.0f});
    s.launchers.push_back({0.0f, 12000.0f, 2, 20, 1.0f, 0.0f});
    s.launchers.push_back({2000.0f, 20000.0f, 2, 25, 1.0f, 0.0f});
    s.launchers.push_back({-3000.0f, 30000.0f, 2, 30, 0.87f, 0.0f});
    return s;
}

int count_lines(const std::vector<std::string>& events, const char* text) {
    int n = 0;
    for (const std::string& e : events) n += e.find(text) != std::string::npos ? 1 : 0;
    return n;
}

TEST(Engagement, TheDefaultSystemInterceptsEveryRocketAimedAtIt) {
    engagement_run run(several_ranges(run_folder()));
    ASSERT_TRUE(run.place());
    EXPECT_EQ(run.run(), "rockets=6 missiles=6 intercepts=6 hits=0 debris=6");
    EXPECT_EQ(count_lines(run.events, "Rocket Launched From Launcher"), 6);
    EXPECT_EQ(count_lines(run.events, "Intercept Successful"), 6);
    EXPECT_FALSE(run.tables.busy());
}

// Reading the systems' missile designs before the run draws nothing from the program's rand
// (a missile's frames and warhead would): placing leaves it where standing the systems alone
// leaves it, so the launchers' shots and the flights go as they would without the reads.
TEST(Engagement, ReadingTheMissileDesignsDrawsNothingFromTheRunsRand) {
    engagement_setup s;
    s.data_folder = run_folder();
    s.systems.push_back({"New Missile", 0.0f, 0.0f, 0.0f});
    s.systems.push_back({"Sentinel MR", 3000.0f, 0.0f, 0.0f});
    engagement_run run(s);
    ASSERT_TRUE(run.place());
    const std::uint32_t placed = program_rand_state();
    program_srand(1);
    for (const system_site& site : s.systems) {
        ASSERT_NE(run.tables.add_system(site.name.c_str(), site.x, 0.0f, site.z, site.heading), nullptr);
    }
    EXPECT_EQ(program_rand_state(), placed);
}

TEST(Engagement, ARunRepeatsExactly) {
    std::vector<std::string> first_events;
    std::string first;
    for (int pass = 0; pass < 2; ++pass) {
        engagement_setup s = several_ranges(run_folder());
        for (launcher_site& l : s.launchers) l.spread = 400.0f;
        engagement_run run(s);
        run.place();
        const std::string counters = run.run();
        if (pass == 0) {
            first = counters;
            first_events = run.events;
        } else {
            EXPECT_EQ(counters, first);
            EXPECT_EQ(run.events, first_events);
        }
    }
    EXPECT_FALSE(first_events.empty());
}

TEST(Engagement, WithoutABarrelEveryRocketOnTheDefendedGroundIsAHitAndTheSeaCountsNone) {
    temp_folder data;
    copy_designs(data.path());
    std::ifstream in(data.path() + "/launchers/amraam/launcher.x");
    std::stringstream text;
    text << in.rdbuf();
    std::string model = text.str();
    for (std::size_t at = model.find("barrel"); at != std::string::npos; at = model.find("barrel"))
        model.replace(at, 6, "stock_");
    data.write("launchers/amraam/launcher.x", model);

    engagement_setup s = several_ranges(data.path());
    engagement_run dry(s);
    ASSERT_TRUE(dry.place());
    EXPECT_EQ(dry.run(), "rockets=6 missiles=0 intercepts=0 hits=6 debris=0");
    EXPECT_EQ(count_lines(dry.events, "Rocket Hit Defended Area"), 6);

    // The same shots with the defended area off the coast: the rockets fall into the sea.
    s.coast_x = -1000.0f;
    engagement_run wet(s);
    ASSERT_TRUE(wet.place());
    EXPECT_EQ(wet.run(), "rockets=6 missiles=0 intercepts=0 hits=0 debris=0");
}

// A run's clock keeps counting its ticks after weeks of simulated time.
TEST(Engagement, TheClockAdvancesAfterLongRuns) {
    engagement_setup s;
    s.data_folder = run_folder();
    engagement_run run(s);
    run.time = 2.0e6;
    for (int tick = 0; tick < 20; ++tick) run.step();
    EXPECT_NEAR(run.time, 2.0e6 + 1.0, 1e-6);
    EXPECT_EQ(g_state->now, 2000001000u);
}

TEST(Engagement, AMissingSystemFileIsReported) {
    engagement_setup s;
    s.data_folder = run_folder();
    s.systems.push_back({"No Such System", 0.0f, 0.0f, 0.0f});
    engagement_run run(s);
    EXPECT_FALSE(run.place());
}

// A control file cut short is refused by name in the headless run as in the game: its system
// keeps the control unit it was built with (none of the cut file's values) and still fires.
TEST(Engagement, ADamagedPartFileIsNamedAndItsPartKeepsItsValues) {
    temp_folder data;
    copy_designs(data.path());
    const std::string whole = data.read("controls/Sentinel MR.txt");
    const std::size_t cut = whole.find("[num_targets]");
    ASSERT_NE(cut, std::string::npos);
    data.write("controls/Sentinel MR.txt", whole.substr(0, cut));
    engagement_setup s = several_ranges(data.path());
    s.systems[0].name = "Sentinel MR";
    engagement_run run(s);
    ASSERT_TRUE(run.place());
    ASSERT_EQ(run.faults.list().size(), 1u);
    EXPECT_EQ(run.faults.list()[0].file, "controls\\Sentinel MR.txt");
    EXPECT_EQ(run.faults.list()[0].why, "it stops in the middle of a line before its \"@\" line");
    const control_unit built;
    const control_unit& unit = *run.tables.systems[0]->control;
    EXPECT_EQ(unit.protected_radius, built.protected_radius);
    EXPECT_EQ(unit.engagement_range, built.engagement_range);
    EXPECT_EQ(unit.launch_range, built.launch_range);
    EXPECT_EQ(run.run().find("missiles=0 "), std::string::npos);
}

// Run in the game's folder, the runner leaves the game's log as it was and writes its own.
TEST(Engagement, TheRunnerKeepsItsOwnLogBesideTheGames) {
    temp_folder game;
    game.write("Logfile.txt", "the game's last run\r\n");
    {
        engagement_run run(several_ranges(run_folder()));
        ASSERT_TRUE(run.place());
        log_line("a line of the runner's");
    }
    EXPECT_EQ(game.read("Logfile.txt"), "the game's last run\r\n");
    ASSERT_TRUE(game.exists("Engagelog.txt"));
    EXPECT_NE(game.read("Engagelog.txt").find("a line of the runner's\r\n"), std::string::npos);
}

// 4 KB of noise that happens to hold an "@" line in place of a motor file is refused by name
// (its control characters), not read as a motor: the run knows its design was not all read.
TEST(Engagement, AMotorFileOfNoiseIsRefusedByName) {
    temp_folder data;
    copy_designs(data.path());
    std::string noise(4096, 'G');
    unsigned seed = 7;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    noise.replace(1000, 3, "\n@\n");
    data.write("motors/Sentinel MR.txt", noise);
    engagement_setup s = several_ranges(data.path());
    s.systems[0].name = "Sentinel MR";
    engagement_run run(s);
    ASSERT_TRUE(run.place());
    run.run();
    ASSERT_FALSE(run.faults.empty());
    EXPECT_EQ(run.faults.list()[0].file, "motors\\Sentinel MR.txt");
    EXPECT_EQ(run.faults.list()[0].kind, "control characters");
}

}  // namespace
