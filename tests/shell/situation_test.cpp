// Situation files through the scene: written, read back and written again unchanged; bad and
// surplus lines; the test conditions on the objects that use them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "core/gui_services.h"
#include "platform/files.h"
#include "platform/image.h"
#include "world/clouds.h"
#include "platform/recording_device.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/missile_system.h"
#include "simulation/rocket_launcher.h"
#include "tests/support/temp_folder.h"

namespace {

// A scene whose systems are plain records placed where the reader puts them (no models are
// loaded); the launcher pose answers from that placement.
class situation_scene : public scene {
public:
    struct placed {
        std::string name;
        float x, y, z, heading;
    };
    std::vector<placed> placements;
    int loaded_scenery = -1;
    bool draws = false;  // whether the snapshot gives a picture

    bool render_snapshot(image* out) override {
        if (!draws) return false;
        out->width = 8;
        out->height = 6;
        out->pitch = 32;
        out->texels.assign(8 * 6 * 4, 0x80);
        return true;
    }

    ~situation_scene() override { clear(false); }

protected:
    missile_system* create_system(const char* name, int index, float x, float y, float z,
                                  float heading) override {
        placements.push_back({name, x, y, z, heading});
        auto* s = new missile_system();
        copy_text(s->name, name);
        s->index = index;
        return s;
    }
    bool launcher_pose(missile_system* system, vec3* position, vec3* forward) const override {
        const placed& p = placements.at(static_cast<std::size_t>(system->index));
        *position = {p.x, p.y, p.z};
        // The launcher model faces away from its heading.
        *forward = {-std::sin(p.heading), 0.0f, -std::cos(p.heading)};
        return true;
    }
    void load_scenery(int index) override { loaded_scenery = index; }
};

class Situation : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        world = std::make_unique<situation_scene>();
        tmp.write("situations/.keep", "");
    }
    void TearDown() override {
        world.reset();
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    std::string log() const { return std::string(app.log_text(), static_cast<std::size_t>(app.log_length())); }
    std::string read(const char* name) const { return tmp.read(std::string("situations/") + name); }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    std::unique_ptr<situation_scene> world;
};

const char* const k_scenario =
    "\n// QVD Situation File\n\n"
    "1\t[scenario_mode]\n"
    "0.010000\t[camera_east]\n"
    "0.020000\t[camera_north]\n"
    "320.00\t[camera_alt]\n"
    "-1.57\t[camera_beta]\n"
    "-0.05\t[camera_alfa]\n"
    "10.50\t[time_of_day]\n"
    "2000.00\t[fog_alt]\n"
    "1500.00\t[cloud_base]\n"
    "0.30\t[low_clouds]\n"
    "8000.00\t[fog_air]\n"
    "5.00\t1.00\t[wind]\n"
    "31\t91\t127\t5000.00\t[sea]\n"
    "1.00\t0.50\t0.50\t[waves]\n"
    "New Missile\t0.012000\t0.021000\t-1.57\t[system]\n"
    "Sentinel MR\t0.013000\t0.018000\t2.00\t[system]\n"
    "0.020000\t0.030000\t1.44\t8420.00\t10\t20\t[launcher]\n"
    "0.021000\t0.031000\t2.53\t10870.00\t12\t30\t[launcher]\n"
    "@\n"
    "A scenario\n\n";

}  // namespace

TEST_F(Situation, WriteReadWriteGivesTheSameTextAndTheValuesLandInTheirObjects) {
    // The first system's view puts the camera 250 m over its launcher, as it stood.
    world->viewer.set_position(0.0f, 250.0f, 0.0f);
    tmp.write("situations/a.txt", k_scenario);
    world->read_situation("situations\\a.txt");

    EXPECT_EQ(state.scenario_mode, 1);
    EXPECT_NEAR(state.time_of_day, 10.5f, 1e-6f);
    // The other values are checked by the second write giving the same text.
    EXPECT_NEAR(state.origin_offset.y, 320.0f - 250.0f, 1e-3f);
    EXPECT_EQ(world->loaded_scenery, 0);  // no scenery holds the camera
    ASSERT_EQ(world->tables.system_count, 2);
    ASSERT_EQ(world->tables.launcher_count, 2);
    EXPECT_EQ(world->tables.launchers[1]->index, 1);
    EXPECT_EQ(world->tables.launchers[1]->count, 12);
    EXPECT_GT(world->tables.launchers[0]->launch_speed, 100.0f);  // solved for 8420 m
    // The system stands where the file said, in scene metres of the geographic position.
    float x = 0.0f, z = 0.0f;
    world->ground.lon_lat_to_scene(0.013f, 0.018f, &x, &z);
    EXPECT_NEAR(world->placements[1].x, x, 0.01f);
    EXPECT_NEAR(world->placements[1].z, z, 0.01f);

    world->write_situation("b", "A scenario\n", false);
    EXPECT_EQ(read("b.txt"), k_scenario);
    world->read_situation("situations\\b.txt");
    world->write_situation("c", "A scenario\n", false);
    EXPECT_EQ(read("c.txt"), k_scenario);
    EXPECT_EQ(log(), "");
}

// The GUI's notices, as the user would read them.
class notice_recorder : public gui_services {
public:
    std::vector<std::string> notices;
    void show_notice(const char* caption, const char* text) override {
        notices.push_back(std::string(caption) + ": " + text);
    }
};

// A situation whose scenery was left out of the index (a broken header) or whose elevations
// did not load runs over open sea, and the user is told as it starts; a situation that lies
// off every scenery by design is not a fault.
TEST_F(Situation, ASituationWithoutItsSceneryTellsTheUser) {
    notice_recorder gui;
    install_gui_services(&gui);
    tmp.write("situations/a.txt", k_scenario);
    world->read_situation("situations\\a.txt");
    EXPECT_TRUE(gui.notices.empty());

    state.sceneries.left_out = 1;
    copy_text(state.sceneries.first_left_out, "Kestrel Bay");
    world->read_situation("situations\\a.txt");
    ASSERT_EQ(gui.notices.size(), 1u);
    EXPECT_EQ(gui.notices[0], "Scenery Error: The scenery in scenery\\Kestrel Bay could not be read:\n"
                              "this situation runs over open sea without it.\nLogfile.txt says why.");
    EXPECT_NE(log().find("situations\\a.txt: the scenery of scenery\\Kestrel Bay could not be loaded"),
              std::string::npos);

    // Found in the index, but its ground did not load (the fake loads none).
    state.sceneries.left_out = 0;
    state.sceneries.count = 1;
    scenery_index_entry& e = state.sceneries.entries[0];
    copy_text(e.folder, "Coast");
    e.left_map_x = 0.0f;
    e.lower_map_y = 0.0f;
    e.right_map_x = 1.0f;
    e.upper_map_y = 1.0f;
    world->read_situation("situations\\a.txt");
    EXPECT_EQ(world->loaded_scenery, 1);
    ASSERT_EQ(gui.notices.size(), 2u);
    EXPECT_NE(gui.notices[1].find("scenery\\Coast could not be read"), std::string::npos);
    install_gui_services(nullptr);
}

// A situation cut in half, or holding a line 300,000 characters long, cannot be read whole:
// the run that shows stays as it was, and the file is named in the log and in a notice.
TEST_F(Situation, ADamagedSituationIsNamedAndTheSceneShownStays) {
    notice_recorder gui;
    install_gui_services(&gui);
    world->viewer.set_position(0.0f, 250.0f, 0.0f);
    tmp.write("situations/a.txt", k_scenario);
    world->read_situation("situations\\a.txt");
    ASSERT_EQ(world->tables.system_count, 2);
    const std::string whole = k_scenario;
    std::string long_line = whole;
    long_line.insert(long_line.find("\t[waves]"), std::string(300000, '7'));
    const struct {
        std::string text;
        std::string why;
    } cases[] = {
        {whole.substr(0, whole.size() / 2), "it ends before its \"@\" line"},
        {long_line, "it holds a line of 300022 characters, more than 255"},
    };
    for (const auto& c : cases) {
        tmp.write("situations/cut.txt", c.text);
        app.clear_log();
        gui.notices.clear();
        world->read_situation("situations\\cut.txt");
        EXPECT_EQ(world->tables.system_count, 2) << c.why;
        EXPECT_EQ(world->tables.launcher_count, 2) << c.why;
        EXPECT_EQ(state.scenario_mode, 1);
        EXPECT_EQ(log(), "situations\\cut.txt cannot be read whole: " + c.why + "\r\n");
        ASSERT_EQ(gui.notices.size(), 1u);
        EXPECT_EQ(gui.notices[0],
                  "Load Error: The situation situations\\cut.txt could not be read whole:\n" + c.why + ".");
    }
    install_gui_services(nullptr);
}

TEST_F(Situation, CommentsSurplusAndBadLinesAreLeftOutOrBoundedWithALogLine) {
    std::string text = "// QVD Situation File\n"
                       "0.05\t[fog_air]\n"
                       "// 3.0\t[time_of_day]\n"
                       "7\t[low_clouds]\n"
                       "No tab here [system]\n"
                       "5.00\t[wind]\n";
    // Nine systems, the first with a name longer than the name field.
    text += std::string(60, 'N') + "\t0.01\t0.01\t0.00\t[system]\n";
    for (int i = 2; i <= 9; ++i) text += "S" + std::to_string(i) + "\t0.01\t0.01\t0.00\t[system]\n";
    text += "@\n12.0\t[time_of_day]\nMore\t0.0\t0.0\t0.0\t[system]\n";
    tmp.write("situations/bad.txt", text);
    state.time_of_day = 7.0f;
    state.wind_speed = 4.0f;
    world->read_situation("situations\\bad.txt");

    EXPECT_EQ(state.time_of_day, 7.0f);  // commented out, and after "@"
    EXPECT_EQ(state.fog_air, 1.0f);
    EXPECT_EQ(state.cloud_cover, 1.0f);
    ASSERT_TRUE(world->sky.cloud_layer);
    EXPECT_EQ(world->sky.cloud_layer->cover, 1.0f);  // the sky's clouds follow the file
    EXPECT_EQ(state.wind_speed, 4.0f);  // the direction is missing: the line is left out
    ASSERT_EQ(world->placements.size(), 8u);
    EXPECT_EQ(world->placements[0].name, std::string(39, 'N'));
    EXPECT_EQ(world->placements[7].name, "S8");
    const std::string l = log();
    EXPECT_NE(l.find("situations\\bad.txt: [fog_air] 0.05 bounded to 1"), std::string::npos) << l;
    EXPECT_NE(l.find("situations\\bad.txt: a [wind] line without all its values was ignored"), std::string::npos) << l;
}

TEST_F(Situation, AFifthSystemValueIsTheProtectedRadiusInMetres) {
    // The scenario design's run file carries each system's radius; a situation saved in a
    // run has none, and a radius of 0 says nothing either: the control unit keeps its own.
    tmp.write("situations/r.txt",
              "1\t[scenario_mode]\n"
              "New Missile\t0.012000\t0.021000\t-1.57\t2500\t[system]\n"
              "Sentinel MR\t0.013000\t0.018000\t2.00\t[system]\n"
              "Zero\t0.013000\t0.018000\t2.00\t0\t[system]\n"
              "Huge\t0.013000\t0.018000\t2.00\t9000000000\t[system]\n@\n");
    world->read_situation("situations\\r.txt");
    ASSERT_EQ(world->tables.system_count, 4);
    const float own = missile_system().control->protected_radius;
    EXPECT_NEAR(world->tables.systems[0]->control->protected_radius, 2.5f, 1e-6f);
    EXPECT_EQ(world->tables.systems[1]->control->protected_radius, own);
    EXPECT_EQ(world->tables.systems[2]->control->protected_radius, own);
    EXPECT_NEAR(world->tables.systems[3]->control->protected_radius, 1000.0f, 1e-3f);
    EXPECT_NE(log().find("situations\\r.txt: [system] radius 9e+09 bounded to 1e+06"), std::string::npos) << log();
    // The heading before the radius is still read as the heading.
    EXPECT_NEAR(world->placements[0].heading, -1.57f, 1e-6f);
}

TEST_F(Situation, ATestPutsTheDesignSystemAheadWithItsConditionsOnTheRightParts) {
    auto* design = new missile_system();
    world->design_system = design;
    copy_text(design->name, "New Missile");
    tmp.write("situations/t.txt",
              "1\t[test_mode]\n0.50\t[test_alfa]\n0.25\t[test_beta]\n4000.00\t[test_dist]\n"
              "300.00\t[test_speed]\n0.60\t[test_elev]\n3000.00\t[test_launch]\n"
              "1.00\t[camera_beta]\n@\n");
    world->read_test_conditions("situations\\t.txt");
    EXPECT_EQ(design->test_launch, 3000.0f);
    EXPECT_EQ(design->test_beta, 0.25f);
    world->viewer.set_position(10.0f, 100.0f, 20.0f);
    world->read_situation("situations\\t.txt");

    ASSERT_EQ(world->placements.size(), 1u);
    const auto& p = world->placements[0];
    EXPECT_NEAR(p.x, 10.0f - 50.0f * std::sin(1.0f), 1e-3f);
    EXPECT_NEAR(p.y, 125.0f, 1e-3f);
    EXPECT_NEAR(p.z, 20.0f + 50.0f * std::cos(1.0f), 1e-3f);
    EXPECT_NEAR(p.heading, -1.0f, 1e-6f);
    ASSERT_EQ(world->tables.launcher_count, 0);
    missile_system* added = world->tables.systems[0];
    EXPECT_EQ(added->test_elev, 0.6f);
    // The engagement range in km on the control unit, the elevation in degrees on the launcher.
    EXPECT_NEAR(added->control->launch_range, 3.0f, 1e-6f);
    EXPECT_NEAR(added->launch_unit->elevation_angle, 28.64789f, 1e-3f);

    // The test file written back holds the design's conditions and the system read.
    copy_text(state.scenery_name, "Kestrel Bay");
    world->write_situation("# Last Test", nullptr, true);
    const std::string written = read("# Last Test.txt");
    EXPECT_NE(written.find("1\t[test_mode]\n0.50\t[test_alfa]\n0.25\t[test_beta]\n"), std::string::npos);
    EXPECT_NE(written.find("New Missile\t"), std::string::npos);
    EXPECT_NE(written.find("@\nSaved in the Kestrel Bay scenery\nSaved in test mode\n\n"), std::string::npos) << written;
    EXPECT_FALSE(tmp.exists("situations/# Last Test.jpg"));  // no picture until the scene is drawn

    // What the scenario design screen placed is named in the comment; a count past the list
    // names only the list.
    for (int i = 0; i < k_scenario_max_systems + 1; ++i) world->scenario_design.add_system("Sentinel");
    world->scenario_design.system_count = 1000;
    world->scenario_design.launcher_count = 3;
    world->write_situation("# Planned", nullptr, false);
    const std::string planned = read("# Planned.txt");
    std::size_t named = 0;
    for (std::size_t at = planned.find("Using the Sentinel Missile System\n"); at != std::string::npos;
         at = planned.find("Using the Sentinel Missile System\n", at + 1)) {
        ++named;
    }
    EXPECT_EQ(named, static_cast<std::size_t>(k_scenario_max_systems));
    EXPECT_NE(planned.find("Using 3 Rocket Launchers\n"), std::string::npos);
}

TEST_F(Situation, TheSnapshotIsSavedBesideTheTextAsAJpegButNeverOverARunFile) {
    world->draws = true;
    app.d3d = std::make_unique<null_gfx_system>();
    world->write_situation("view", nullptr, true);
    image picture;
    ASSERT_EQ(image_load_file("situations\\view.jpg", &picture), S_OK);
    EXPECT_EQ(picture.width, 8);
    tmp.write("scenarios/.keep", "");
    world->write_situation("scenarios\\scenario.cfg", nullptr, true);
    EXPECT_TRUE(tmp.exists("scenarios/scenario.cfg"));
    EXPECT_NE(tmp.read("scenarios/scenario.cfg").find("@\n"), std::string::npos);
    EXPECT_FALSE(tmp.exists("scenarios/scenario.jpg"));
}

TEST_F(Situation, MenuModeAndAnInactiveWindowWriteNothing) {
    app.menu_mode = 1;
    world->write_situation("# Last Position", nullptr, true);
    app.menu_mode = 0;
    app.inactive = 1;
    world->write_situation("# Last Position", nullptr, true);
    EXPECT_FALSE(tmp.exists("situations/# Last Position.txt"));
    // A file that does not open leaves the scene empty, with its roots.
    world->read_situation("situations\\missing.txt");
    EXPECT_NE(world->objects, nullptr);
    EXPECT_EQ(world->tables.system_count, 0);
}

TEST_F(Situation, LeavingARunWritesItsLastPositionBeforeTheClearAndReturnsToItsMenuOnce) {
    world->viewer.set_position(0.0f, 250.0f, 0.0f);
    tmp.write("situations/a.txt", k_scenario);
    world->read_situation("situations\\a.txt");
    pending_command = 0;
    world->leave_scene();
    EXPECT_EQ(pending_command, 23);
    EXPECT_EQ(app.menu_mode, 1);
    EXPECT_EQ(state.scenario_mode, 0);
    EXPECT_EQ(world->tables.system_count, 0);
    const std::string last = read("# Last Position.txt");
    EXPECT_NE(last.find("Sentinel MR\t0.013000\t0.018000\t2.00\t[system]"), std::string::npos) << last;
    EXPECT_NE(last.find("12\t30\t[launcher]"), std::string::npos) << last;

    // The results window's second close event finds the menus: nothing happens again.
    pending_command = 0;
    world->leave_scene();
    EXPECT_EQ(pending_command, 0);

    app.menu_mode = 0;
    state.test_mode = 1;
    world->leave_scene();
    EXPECT_EQ(pending_command, 22);
    EXPECT_TRUE(tmp.exists("situations/# Last Test.txt"));
    app.menu_mode = 0;
    world->leave_scene();
    EXPECT_EQ(pending_command, 2);

    // Once shutdown began, a late close event ends nothing.
    app.menu_mode = 0;
    pending_command = 0;
    world->shutdown();
    world->leave_scene();
    EXPECT_EQ(pending_command, 0);
}
