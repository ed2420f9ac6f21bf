#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/scene_services.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "core/gui_services.h"
#include "shell/scene.h"
#include "simulation/missile_system.h"
#include "simulation/rocket_launcher.h"
#include "tests/shell/audio_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

// Stand-ins for the weapon objects of the scene's tables: the scene holds them only as
// pointers and reaches them through its hooks, so a test gives it distinct addresses and
// answers the hooks itself. The pointers are never dereferenced.
std::max_align_t g_fake_objects[64];

template <class T>
T* fake(int i) {
    return reinterpret_cast<T*>(&g_fake_objects[i]);
}

template <class T>
int fake_index(T* p) {
    return static_cast<int>(reinterpret_cast<std::max_align_t*>(p) - g_fake_objects);
}

// A frame that counts its updates.
class counting_frame : public frame {
public:
    int updates = 0;
    void update() override {
        ++updates;
        frame::update();
    }
};

// A GUI that writes down what the scene asks of it.
class recording_gui : public gui_services {
public:
    int updates = 0;
    int results = 0;
    void update() override { ++updates; }
    void open_dialog(gui_dialog which) override {
        if (which == gui_dialog::results) ++results;
    }
};

// A scene whose hooks answer from plain tables the test fills, and which writes down the
// steps of its per-frame update and the calls of its tick.
class test_scene : public scene {
public:
    bool record_steps = false;
    std::vector<std::string> steps;
    std::vector<std::string> calls;
    std::map<int, bool> live_missiles;     // per fake system
    std::map<int, bool> rockets_left;      // per fake launcher
    std::map<int, bool> alive;             // per fake rocket
    std::map<int, frame*> rocket_frames;   // per fake rocket
    std::vector<frame*> missiles;          // flying missiles over all systems, in order
    std::map<const frame*, bool> done;     // finished or targetless missiles
    int next_fake = 0;
    bool systems_have_models = true;

    using scene::auto_track;
    using scene::check_end_of_scenario;
    using scene::update_objects_root;
    using scene::update_transps_root;
    void run_page_scenery() { scene::page_scenery(); }

    // The fakes leave the tables while the fake hooks still answer: the scene's own
    // would delete them.
    ~test_scene() override { clear(false); }

protected:
    void step(const char* name) { steps.push_back(name); }
    void drag_flight() override { record_steps ? step("drag_flight") : scene::drag_flight(); }
    void poll_joystick() override { record_steps ? step("poll_joystick") : scene::poll_joystick(); }
    void update_timing() override { record_steps ? step("update_timing") : scene::update_timing(); }
    void update_objects_root() override { record_steps ? step("update_objects") : scene::update_objects_root(); }
    void update_transps_root() override { record_steps ? step("update_transps") : scene::update_transps_root(); }
    void update_camera() override { record_steps ? step("update_camera") : scene::update_camera(); }
    void update_geo_position() override { record_steps ? step("geo_position") : scene::update_geo_position(); }
    void update_altitude_bands() override { record_steps ? step("altitude_bands") : scene::update_altitude_bands(); }
    void page_scenery() override { record_steps ? step("page_scenery") : scene::page_scenery(); }
    void update_terrain() override { record_steps ? step("update_terrain") : scene::update_terrain(); }
    void update_sky() override { record_steps ? step("update_sky") : scene::update_sky(); }
    void update_anchors_root() override { record_steps ? step("update_anchors") : scene::update_anchors_root(); }
    void update_celestial() override { record_steps ? step("update_celestial") : scene::update_celestial(); }
    void update_globe() override { record_steps ? step("update_globe") : scene::update_globe(); }
    void update_gui() override { record_steps ? step("update_gui") : scene::update_gui(); }

public:
    void tick() override { record_steps ? step("tick") : scene::tick(); }
    void commit_listener() override { record_steps ? step("commit_listener") : scene::commit_listener(); }

protected:
    void update_system(missile_system* s) override { calls.push_back("system " + std::to_string(fake_index(s))); }
    void update_launcher(rocket_launcher* l) override {
        calls.push_back("launcher " + std::to_string(fake_index(l)));
    }
    void destroy_system(missile_system** s) override {
        calls.push_back("destroy system " + std::to_string(fake_index(*s)));
        *s = nullptr;
    }
    void destroy_launcher(rocket_launcher** l) override {
        calls.push_back("destroy launcher " + std::to_string(fake_index(*l)));
        *l = nullptr;
    }
    missile_system* create_system(const char* name, int index, float x, float, float z, float) override {
        calls.push_back(std::string("create system ") + name + " " + std::to_string(index) + " at " +
                        std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(z)));
        return fake<missile_system>(next_fake++);
    }
    rocket* launch_target(float x, float h, float z, float, float, float) override {
        calls.push_back("launch at " + std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(h)) +
                        "," + std::to_string(static_cast<int>(z)));
        return fake<rocket>(next_fake++);
    }
    frame* target_frame(rocket* r) const override {
        auto it = rocket_frames.find(fake_index(r));
        return it == rocket_frames.end() ? nullptr : it->second;
    }
    bool target_alive(rocket* r) const override {
        auto it = alive.find(fake_index(r));
        return it != alive.end() && it->second;
    }
    void release_target(rocket* r) override { calls.push_back("release target " + std::to_string(fake_index(r))); }
    bool system_has_live_missiles(missile_system* s) const override {
        auto it = live_missiles.find(fake_index(s));
        return it != live_missiles.end() && it->second;
    }
    bool launcher_has_rockets_left(rocket_launcher* l) const override {
        auto it = rockets_left.find(fake_index(l));
        return it != rockets_left.end() && it->second;
    }
    int flying_missiles(frame** out, int capacity) const override {
        int n = 0;
        for (frame* m : missiles) {
            if (n < capacity) out[n++] = m;
        }
        return n;
    }
    bool missile_done(frame* m) const override {
        auto it = done.find(m);
        return it != done.end() && it->second;
    }
    bool launcher_pose(missile_system* s, vec3* position, vec3* forward) const override {
        if (!systems_have_models) return false;
        *position = {100.0f * static_cast<float>(fake_index(s)), 10.0f, 0.0f};
        *forward = {1.0f, 0.0f, 0.0f};  // facing east
        return true;
    }
    void update_anchors(bool rebuild) override { calls.push_back(rebuild ? "rebuild anchors" : "place anchors"); }
    void rescatter_arrays() override { calls.push_back("rescatter"); }
    void load_scenery(int index) override { calls.push_back("load scenery " + std::to_string(index)); }
};

// A scene with its own hooks, whose root updates a test can step.
class test_engagement_scene : public scene {
public:
    using scene::update_objects_root;
    using scene::update_transps_root;
};

class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        install_gui_services(&gui);
        world = std::make_unique<test_scene>();
        state.now = 5000;
    }
    void TearDown() override {
        world.reset();
        install_gui_services(nullptr);
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    // n fake systems in the table.
    void add_systems(int n) {
        for (int i = 0; i < n; ++i) world->add_system("Sentinel MR", 0.0f, 0.0f, 0.0f, 0.0f, false);
    }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    recording_gui gui;
    std::unique_ptr<test_scene> world;
};

const std::vector<std::string> k_running_frame = {
    "drag_flight",    "poll_joystick", "update_timing",  "update_objects", "update_transps",
    "tick",           "update_camera", "geo_position",   "altitude_bands", "page_scenery",
    "update_terrain", "update_sky",    "update_anchors", "update_gui",     "commit_listener",
};

TEST_F(Scene, PerFrameUpdateRunsItsStepsInOrderAndThePauseStopsOnlyObjectsAndTick) {
    world->record_steps = true;
    app.near_view = 1;
    world->frame_update();
    EXPECT_EQ(world->steps, k_running_frame);

    // Paused: the camera, the world, the GUI and the listener go on.
    world->steps.clear();
    app.paused = 1;
    world->frame_update();
    std::vector<std::string> paused;
    for (const std::string& s : k_running_frame) {
        if (s != "update_objects" && s != "update_transps" && s != "tick") paused.push_back(s);
    }
    EXPECT_EQ(world->steps, paused);

    // Above the globe altitude the celestial bodies and the globe replace terrain, sky and
    // the near scenery.
    world->steps.clear();
    app.paused = 0;
    app.near_view = 0;
    world->frame_update();
    EXPECT_EQ(world->steps, (std::vector<std::string>{"drag_flight", "poll_joystick", "update_timing",
                                                      "update_objects", "update_transps", "tick",
                                                      "update_camera", "geo_position", "altitude_bands",
                                                      "page_scenery", "update_celestial", "update_globe",
                                                      "update_gui", "commit_listener"}));

    // The menus: the time step, the GUI and the controllers only, paused or not.
    world->steps.clear();
    app.menu_mode = 1;
    app.paused = 1;
    world->frame_update();
    EXPECT_EQ(world->steps, (std::vector<std::string>{"update_timing", "update_gui", "poll_joystick"}));
}

TEST_F(Scene, PausedFramesLeaveTheRootsStillWhileTheCameraMoves) {
    world->make_roots(true);
    auto* mover = new counting_frame();
    auto* rocket_like = new counting_frame();
    mover->owned = 1;
    rocket_like->owned = 1;
    world->objects->add_child(mover);
    world->transps->add_child(rocket_like);
    world->frame_update();
    EXPECT_EQ(mover->updates, 1);
    EXPECT_EQ(rocket_like->updates, 1);
    EXPECT_EQ(gui.updates, 1);

    app.paused = 1;
    world->viewer.speeds[2] = 50.0f;  // flying forward
    const float z = world->viewer.world_position().z;
    world->frame_update();
    world->frame_update();
    EXPECT_EQ(mover->updates, 1);
    EXPECT_EQ(rocket_like->updates, 1);
    EXPECT_GT(std::fabs(world->viewer.world_position().z - z), 1.0f);
    EXPECT_EQ(gui.updates, 3);
}

TEST_F(Scene, ClimbingThroughTheBandsRequestsResetsAndRebuildsTheNearScenery) {
    world->make_roots(true);
    world->frame_update();  // at the ground: both bands entered
    EXPECT_EQ(app.near_view, 1);
    EXPECT_EQ(app.objects_view, 1);
    EXPECT_EQ(app.reset_requested, 1);
    EXPECT_EQ(world->calls, (std::vector<std::string>{"rebuild anchors"}));

    auto* tree = new frame();
    tree->owned = 1;
    world->anchors->add_child(tree);
    app.reset_requested = 0;
    state.origin_offset.y = 4000.0f;  // above the near scenery's ceiling of 3000 m
    world->frame_update();
    EXPECT_EQ(app.objects_view, 0);
    EXPECT_EQ(world->anchors->child_count(), 0);
    EXPECT_EQ(app.reset_requested, 0);  // still below the globe altitude

    state.origin_offset.y = 60000.0f;
    world->frame_update();
    EXPECT_EQ(app.near_view, 0);
    EXPECT_EQ(app.reset_requested, 1);
    app.reset_requested = 0;
    state.origin_offset.y = 0.0f;
    world->frame_update();
    EXPECT_EQ(app.near_view, 1);
    EXPECT_EQ(app.objects_view, 1);
    EXPECT_EQ(app.reset_requested, 1);
    EXPECT_EQ(world->calls.back(), "rebuild anchors");
}

TEST_F(Scene, TheScenarioEndsWhenNothingIsLeftToFlyAndTheResultsReopenAfter30s) {
    state.scenario_mode = 1;
    add_systems(1);
    world->tables.launchers[0] = fake<rocket_launcher>(40);
    world->tables.launcher_count = 1;
    world->tables.targets[0] = fake<rocket>(50);
    world->tables.target_count = 1;
    world->alive[50] = true;
    world->rockets_left[40] = true;
    world->live_missiles[0] = true;

    auto run_for = [&](std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; t += 100) {
            state.now += 100;
            world->tick();
        }
    };
    run_for(5000);
    EXPECT_EQ(gui.results, 0);
    world->alive[50] = false;      // the rocket was shot down; its debris falls
    run_for(5000);
    EXPECT_EQ(gui.results, 0);
    world->rockets_left[40] = false;  // the launcher fired its last
    run_for(5000);
    EXPECT_EQ(gui.results, 0);
    world->live_missiles[0] = false;  // the last missile finished
    run_for(5000);
    EXPECT_EQ(gui.results, 0);        // the debris still falls: its landing may yet count
    world->remove_target(fake<rocket>(50));
    run_for(1000);
    EXPECT_EQ(gui.results, 1);
    run_for(29000);
    EXPECT_EQ(gui.results, 1);
    run_for(1100);
    EXPECT_EQ(gui.results, 2);

    // Only a scenario ends.
    state.scenario_mode = 0;
    run_for(60000);
    EXPECT_EQ(gui.results, 2);
}

TEST_F(Scene, AnEmptyScenarioEndsAtTheFirstCheck) {
    state.scenario_mode = 1;
    state.now += 1;
    world->check_end_of_scenario();
    EXPECT_EQ(gui.results, 1);
}

TEST_F(Scene, ClearEmptiesEveryTableAndCounter) {
    world->make_roots(true);
    add_systems(3);
    world->tables.launchers[0] = fake<rocket_launcher>(40);
    world->tables.launchers[1] = fake<rocket_launcher>(41);
    world->tables.launcher_count = 2;
    world->tables.targets[0] = fake<rocket>(50);
    world->tables.target_count = 1;
    frame* tracked = nullptr;
    create_frame(world->transps, &tracked, "rocket");
    world->viewer.target = tracked;
    frame* carrier = nullptr;
    create_frame(world->objects, &carrier, "launcher");
    carrier->add_child(&world->viewer);
    state.sim_rate = 8.0f;
    state.rockets_fired = 5;
    state.missiles_fired = 4;
    state.hits = 3;
    state.intercepts = 2;
    state.debris_hits = 1;
    state.log_message("Rocket Launched");
    world->calls.clear();

    world->clear(true);
    EXPECT_EQ(world->calls, (std::vector<std::string>{"destroy system 0", "destroy system 1", "destroy system 2",
                                                      "destroy launcher 40", "destroy launcher 41"}));
    EXPECT_EQ(world->tables.system_count, 0);
    EXPECT_EQ(world->tables.target_count, 0);
    EXPECT_EQ(world->tables.launcher_count, 0);
    EXPECT_EQ(world->current_system, nullptr);
    EXPECT_EQ(world->objects, nullptr);
    EXPECT_EQ(world->transps, nullptr);
    EXPECT_EQ(world->anchors, nullptr);
    EXPECT_EQ(world->viewer.target, nullptr);
    EXPECT_EQ(world->viewer.parent, nullptr);
    EXPECT_FLOAT_EQ(state.sim_rate, 1.0f);
    EXPECT_EQ(state.rockets_fired + state.missiles_fired + state.hits + state.intercepts + state.debris_hits, 0);
    EXPECT_EQ(state.history_count, 0);
    EXPECT_STREQ(state.history_line(0), "");

    // A second clear finds nothing to destroy.
    world->calls.clear();
    world->clear(false);
    EXPECT_TRUE(world->calls.empty());
}

TEST_F(Scene, TablesStopAtTheirSizesAndRocketsStartAboveTheSea) {
    add_systems(9);
    EXPECT_EQ(world->tables.system_count, 8);
    EXPECT_EQ(world->current_system, world->tables.systems[7]);
    EXPECT_EQ(world->calls[7], "create system Sentinel MR 7 at 0,0");

    state.water_level = 12.0f;  // flat ground at 0 lies below this sea
    world->calls.clear();
    for (int i = 0; i < 25; ++i) world->add_target(300.0f, 999.0f, -200.0f, 0.0f, 0.5f, 300.0f);
    EXPECT_EQ(world->tables.target_count, 24);
    EXPECT_EQ(state.rockets_fired, 24);
    EXPECT_EQ(world->calls.size(), 24u);
    EXPECT_EQ(world->calls[0], "launch at 300,12,-200");
}

TEST_F(Scene, ARemovedTargetLeavesTheTableTheCameraAndItsMissiles) {
    world->make_roots(true);
    frame* frames[3] = {};
    for (int i = 0; i < 3; ++i) {
        create_frame(world->transps, &frames[i], "rocket");
        world->tables.targets[i] = fake<rocket>(50 + i);
        world->rocket_frames[50 + i] = frames[i];
    }
    world->tables.target_count = 3;
    world->viewer.target = frames[1];
    world->remove_target(world->tables.targets[1]);
    EXPECT_EQ(world->tables.target_count, 2);
    EXPECT_EQ(world->tables.targets[0], fake<rocket>(50));
    EXPECT_EQ(world->tables.targets[1], fake<rocket>(52));
    EXPECT_EQ(world->tables.targets[2], nullptr);
    EXPECT_EQ(world->viewer.target, nullptr);
    EXPECT_EQ(frames[1]->remove_me, 1);
    EXPECT_EQ(world->calls.back(), "release target 51");

    // A rocket no longer listed changes no count.
    world->remove_target(fake<rocket>(51));
    EXPECT_EQ(world->tables.target_count, 2);
}

TEST_F(Scene, F6StepsThroughTheFlyingMissilesThenFreesTheCamera) {
    frame m[4];
    for (frame& f : m) f.type = FRAME_MISSILE;
    world->missiles = {&m[0], &m[1], &m[2], &m[3]};  // two systems of two missiles each
    world->viewer.fov = 0.2f;
    for (int i = 0; i < 4; ++i) {
        world->track_next_missile();
        EXPECT_EQ(world->viewer.target, &m[i]);
        EXPECT_EQ(world->viewer.free_look, 0);
        EXPECT_EQ(std::string(state.message), "Tracking Missile " + std::to_string(i + 1));
    }
    world->track_next_missile();
    EXPECT_EQ(world->viewer.target, nullptr);
    EXPECT_STREQ(state.message, "Camera Is Free");
    EXPECT_FLOAT_EQ(world->viewer.fov, world->viewer.normal_fov);
    world->track_next_missile();
    EXPECT_EQ(world->viewer.target, &m[0]);
}

TEST_F(Scene, F7StepsThroughTheLiveTargetsOnly) {
    frame r[3];
    for (int i = 0; i < 3; ++i) {
        world->tables.targets[i] = fake<rocket>(50 + i);
        world->rocket_frames[50 + i] = &r[i];
        world->alive[50 + i] = i != 1;  // the second one was hit
    }
    world->tables.target_count = 3;
    world->track_next_target();
    EXPECT_EQ(world->viewer.target, &r[0]);
    world->track_next_target();
    EXPECT_EQ(world->viewer.target, &r[2]);
    EXPECT_STREQ(state.message, "Tracking Target 2");
    world->track_next_target();
    EXPECT_STREQ(state.message, "Camera Is Free");
}

TEST_F(Scene, F5PutsTheCameraAheadOfTheNextLauncherLookingBack) {
    world->viewer.fov = 0.3f;
    world->select_next_system(50.0f);  // no systems: only the field of view returns
    EXPECT_FLOAT_EQ(world->viewer.fov, world->viewer.normal_fov);
    EXPECT_STREQ(state.message, "");

    add_systems(2);
    world->select_next_system(50.0f);
    EXPECT_STREQ(state.message, "Selected System 2");
    EXPECT_EQ(world->current_system, world->tables.systems[1]);
    const vec3 p = world->viewer.world_position();
    // Launcher 1 stands at (100, 10, 0) facing east: 250 m east of it, 50 m above.
    EXPECT_FLOAT_EQ(p.x, 350.0f);
    EXPECT_FLOAT_EQ(p.y, 60.0f);
    EXPECT_FLOAT_EQ(p.z, 0.0f);
    // Looking west: the heading is minus the look yaw.
    EXPECT_FLOAT_EQ(world->pointer.look_yaw(), k_pi / 2.0f);
    EXPECT_FLOAT_EQ(world->pointer.look_pitch(), 0.0f);
    world->select_next_system(250.0f);
    EXPECT_STREQ(state.message, "Selected System 1");
    EXPECT_FLOAT_EQ(world->viewer.world_position().x, 1250.0f);
}

TEST_F(Scene, AutoTrackStaysOneSecondOnAFinishedMissileThenMovesOn) {
    app.auto_track = 1;
    frame a, b;
    a.type = b.type = FRAME_MISSILE;
    world->missiles = {&a, &b};
    state.now = 10000;
    world->auto_track();
    EXPECT_EQ(world->viewer.target, &a);

    world->done[&a] = true;
    world->missiles = {&b};
    state.now += 500;  // not a second yet
    world->auto_track();
    EXPECT_EQ(world->viewer.target, &a);
    state.now += 600;
    world->auto_track();  // holds on the finished missile
    EXPECT_EQ(world->viewer.target, &a);
    state.now += 1100;
    world->auto_track();
    EXPECT_EQ(world->viewer.target, &b);
    EXPECT_EQ(world->viewer.free_look, 0);

    // A tracked object that is not a missile is left alone.
    frame house;
    world->viewer.target = &house;
    state.now += 1100;
    world->auto_track();
    EXPECT_EQ(world->viewer.target, &house);
}

TEST_F(Scene, LeavingEveryScenerysBoundsUnloadsTheTerrainOnce) {
    world->make_roots(true);
    // A loaded grid of 10 x 10 cells of 30 m spanning one degree each way.
    world->ground.columns = 10;
    world->ground.rows = 10;
    world->ground.west = 0.0f;
    world->ground.east = 1.0f;
    world->ground.south = 0.0f;
    world->ground.north = 1.0f;
    world->frame_update();  // the first position is the reference
    EXPECT_EQ(world->ground.columns, 10);
    world->viewer.set_position(6.0f, 0.0f, 0.0f);  // 0.02 degrees: not tested yet
    world->frame_update();
    EXPECT_EQ(world->ground.columns, 10);
    world->viewer.set_position(60.0f, 0.0f, 0.0f);  // 0.2 degrees east, no scenery there
    world->frame_update();
    EXPECT_EQ(world->ground.columns, 0);
    EXPECT_NE(world->objects, nullptr);  // the roots come back empty
}

}  // namespace

namespace {

// A frame that counts the scene-wide sound calls reaching it.
class sounding_frame : public frame {
public:
    int stops = 0;
    int volumes = 0;
    void stop_sounds() override { ++stops; }
    void apply_volume() override { ++volumes; }
};

TEST_F(Scene, AnOriginShiftMovesTheCameraTheFlyingObjectsAndTheNearScenery) {
    world->make_roots(true);
    install_scene_services(&world->proxie);
    app.objects_view = 1;
    frame *missile_like = nullptr, *house = nullptr, *tree = nullptr;
    create_frame(world->transps, &missile_like, "missile");
    create_frame(world->objects, &house, "house");
    create_frame(world->anchors, &tree, "tree");
    missile_like->set_position(1500.0f, 20.0f, 100.0f);
    house->set_position(1200.0f, 0.0f, 0.0f);
    tree->set_position(900.0f, 0.0f, 0.0f);
    world->viewer.set_position(1100.0f, 30.0f, 0.0f);

    state.shift_origin(1000.0f, 0.0f, 0.0f);  // the origin moves one cell east
    EXPECT_FLOAT_EQ(state.origin_offset.x, 1000.0f);
    EXPECT_FLOAT_EQ(world->viewer.world_position().x, 100.0f);
    EXPECT_FLOAT_EQ(missile_like->world_position().x, 500.0f);
    EXPECT_FLOAT_EQ(house->world_position().x, 200.0f);
    EXPECT_FLOAT_EQ(tree->world_position().x, -100.0f);
    EXPECT_EQ(world->calls.back(), "place anchors");

    // High above the near scenery only the far objects move with the flying ones.
    app.objects_view = 0;
    state.shift_origin(0.0f, 0.0f, -1000.0f);
    EXPECT_FLOAT_EQ(missile_like->world_position().z, 1100.0f);
    EXPECT_FLOAT_EQ(house->world_position().z, 1000.0f);
    EXPECT_FLOAT_EQ(tree->world_position().z, 0.0f);
}

TEST_F(Scene, SceneWideSoundCallsReachEveryRoot) {
    world->make_roots(true);
    sounding_frame* roots[3] = {new sounding_frame(), new sounding_frame(), new sounding_frame()};
    frame* parents[3] = {world->transps, world->objects, world->anchors};
    for (int i = 0; i < 3; ++i) {
        roots[i]->owned = 1;
        parents[i]->add_child(roots[i]);
    }
    world->stop_sounds();
    world->apply_volumes();
    for (sounding_frame* f : roots) {
        EXPECT_EQ(f->stops, 1);
        EXPECT_EQ(f->volumes, 1);
    }
    // With no sound device every slot stays empty and playing one does nothing.
    world->load_sounds();
    for (const auto& slot : world->sound_slots) EXPECT_EQ(slot, nullptr);
    world->play_slot(1);
    world->play_slot(99);
}

}  // namespace

namespace {

TEST_F(Scene, DraggingWithTheLeftButtonFliesTheFreeCamera) {
    world->record_steps = false;
    world->pointer.buttons = MK_LBUTTON;
    world->pointer.delta_y = 100.0f;  // pixels below the drag start
    state.sim_rate = 2.0f;
    app.paused = 1;
    world->frame_update();
    // rate 2 x 10 x 100 pixels x -0.0025, then one tick of decay in the camera update.
    EXPECT_NEAR(world->viewer.speeds[2], -5.0f * 0.9f, 1e-4f);

    // Attached to an object, the camera is not flown.
    frame carrier;
    carrier.add_child(&world->viewer, true);
    world->viewer.parent = &carrier;
    world->viewer.speeds[2] = 0.0f;
    world->frame_update();
    EXPECT_FLOAT_EQ(world->viewer.speeds[2], 0.0f);
    world->viewer.parent = nullptr;
    carrier.remove_child(&world->viewer);
}

}  // namespace

namespace {

TEST_F(Scene, EventSoundsLoadIntoTheirSlotsAndTakeTheirVolumes) {
    sound_system sound;
    g_sound = &sound;
    sound.init_with(open_loopback_audio_device(k_test_rate));
    ASSERT_TRUE(sound.available);
    const char* files[] = {"click", "beep", "mark", "splash", "shot", "rocket1", "explode", "motor1", "motor2"};
    for (const char* name : files) tmp.write(std::string("sounds/") + name + ".wav", make_tone(0.5));
    // "bang" is missing.
    sound.volume_sounds = -2000;  // a tenth of the amplitude
    sound.volume_engine = 0;
    world->load_sounds();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(world->sound_slots[i] != nullptr, i != 4) << "slot " << i;
    EXPECT_EQ(world->sound_slots[scene::k_preview_slot], nullptr);
    EXPECT_NE(std::string(app.log_text()).find("Failed to load sounds\\bang.wav"), std::string::npos);

    world->play_slot(1);  // the beep at the event volume
    const double beep = rms(render(sound, 0.3).left, 0.05, 0.25);
    world->stop_sounds();
    render(sound, 0.1);
    world->play_slot(5);  // the shot at the engine volume
    const double shot = rms(render(sound, 0.3).left, 0.05, 0.25);
    ASSERT_GT(shot, 0.01);
    EXPECT_NEAR(beep / shot, 0.1, 0.01);

    // One slot stopped alone ends its loop (a slot out of range is ignored).
    world->stop_sounds();
    render(sound, 0.1);
    sound.play_looping(world->sound_slots[6].get());
    EXPECT_GT(rms(render(sound, 0.8).left, 0.6, 0.75), 0.001);  // past the tone's end: looping
    world->stop_slot(6);
    world->stop_slot(99);
    EXPECT_LT(rms(render(sound, 0.2).left), 1e-4);

    // Stopped, every slot is silent; released, every slot is empty, and again harmlessly.
    world->stop_sounds();
    EXPECT_LT(rms(render(sound, 0.2).left), 1e-4);
    world->shutdown();
    world->shutdown();
    for (const auto& slot : world->sound_slots) EXPECT_EQ(slot, nullptr);
    g_sound = nullptr;
}

}  // namespace

namespace {

TEST_F(Scene, AFrameLeavingTheSceneIsForgottenByTheCamera) {
    frame plane;
    plane.set_position(10.0f, 10.0f, 0.0f);  // east of the camera and as high again
    world->viewer.look_at(&plane);
    world->viewer.target = &plane;
    install_scene_services(&world->proxie);
    forget_camera_target(&plane);
    EXPECT_EQ(world->viewer.target, nullptr);
    // Still looking east (heading pi/2, so look yaw -pi/2) and 45 degrees up.
    EXPECT_NEAR(world->viewer.look_yaw, -k_pi / 2.0f, 1e-5f);
    EXPECT_NEAR(world->viewer.look_pitch, k_pi / 4.0f, 1e-5f);
    EXPECT_NEAR(world->pointer.look_yaw(), -k_pi / 2.0f, 1e-5f);

    // Riding on a frame: the camera gets off; an unrelated frame changes nothing.
    frame carrier, other;
    carrier.add_child(&world->viewer);
    forget_camera_target(&other);
    EXPECT_EQ(world->viewer.parent, &carrier);
    forget_camera_target(&carrier);
    EXPECT_EQ(world->viewer.parent, nullptr);
    EXPECT_EQ(carrier.child_count(), 0);
}

TEST_F(Scene, FreeingTheCameraLetsGoOfWhatItRidesOrTracksWhereItIs) {
    // Riding 5 m above a launcher at (100, 0, 50) turned to face east, zoomed in.
    frame carrier;
    carrier.set_position(100.0f, 0.0f, 50.0f);
    carrier.set_rotation(k_pi / 2.0f, 0.0f, 0.0f);
    carrier.add_child(&world->viewer);
    world->viewer.set_position(0.0f, 5.0f, 0.0f);
    carrier.update_matrices();
    world->viewer.fov = 0.1f;
    world->viewer.free_look = 0;
    world->free_camera();
    EXPECT_EQ(world->viewer.parent, nullptr);
    EXPECT_EQ(carrier.child_count(), 0);
    const vec3 p = world->viewer.world_position();
    EXPECT_NEAR(p.x, 100.0f, 1e-4f);
    EXPECT_NEAR(p.y, 5.0f, 1e-4f);
    EXPECT_NEAR(p.z, 50.0f, 1e-4f);
    EXPECT_NEAR(world->viewer.look_yaw, -k_pi / 2.0f, 1e-5f);  // still looking east
    EXPECT_FLOAT_EQ(world->viewer.fov, world->viewer.normal_fov);
    EXPECT_EQ(world->viewer.free_look, 1);
    EXPECT_STREQ(state.message, "Camera Is Free");

    // Tracking: it stops; a camera that is free already stays free, with the same message.
    frame plane;
    world->viewer.target = &plane;
    state.set_message("%s", "");
    world->free_camera();
    EXPECT_EQ(world->viewer.target, nullptr);
    EXPECT_STREQ(state.message, "Camera Is Free");
    state.set_message("%s", "");
    world->free_camera();
    EXPECT_STREQ(state.message, "Camera Is Free");
}

TEST_F(Scene, TheCameraFollowsAnObjectThatGivesWayToAnother) {
    install_scene_services(&world->proxie);
    frame body, debris, other;
    debris.set_position(0.0f, 100.0f, 0.0f);
    world->viewer.target = &body;  // tracking
    camera_replace_object(&body, &debris);
    EXPECT_EQ(world->viewer.target, &debris);
    EXPECT_EQ(world->viewer.parent, nullptr);

    // Riding: the camera moves over with its place relative to its carrier.
    world->viewer.target = &other;
    body.add_child(&world->viewer);
    world->viewer.set_position(0.0f, 2.0f, -10.0f);
    camera_replace_object(&body, &debris);
    EXPECT_EQ(world->viewer.parent, &debris);
    EXPECT_EQ(body.child_count(), 0);
    EXPECT_FLOAT_EQ(world->viewer.world_position().y, 102.0f);
    EXPECT_EQ(world->viewer.target, &other);

    // Neither: nothing changes. Giving way to nothing is leaving the scene.
    camera_replace_object(&body, &other);
    EXPECT_EQ(world->viewer.target, &other);
    EXPECT_EQ(world->viewer.parent, &debris);
    camera_replace_object(&debris, nullptr);
    EXPECT_EQ(world->viewer.parent, nullptr);
    world->viewer.target = nullptr;
}

// A sound buffer that writes down how it is played.
class logged_buffer : public sound_buffer {
public:
    std::string log;
    hresult play(bool looping) override { return note(looping ? "loop" : "once"); }
    hresult stop() override { return note("stop"); }
    hresult rewind() override { return note("rewind"); }
    bool playing() const override { return false; }
    hresult set_volume(int) override { return S_OK; }
    hresult set_frequency(std::uint32_t) override { return S_OK; }
    hresult set_position(const vec3&) override { return S_OK; }
    hresult set_velocity(const vec3&) override { return S_OK; }
    hresult set_min_distance(float) override { return S_OK; }

private:
    hresult note(const char* what) {
        log += log.empty() ? what : std::string(" ") + what;
        return S_OK;
    }
};

TEST_F(Scene, SoundSlotModesPlayOnceRestartOrLoopAndNothingElse) {
    sound_system sound;  // no device: the slot's buffer is the test's
    g_sound = &sound;
    auto* buffer = new logged_buffer();
    world->sound_slots[4].reset(buffer);
    install_scene_services(&world->proxie);
    auto played = [&](int slot, int mode) {
        buffer->log.clear();
        services().play_sound_slot(slot, mode);
        return buffer->log;
    };
    EXPECT_EQ(played(4, 0), "once");
    EXPECT_EQ(played(4, 1), "stop rewind once");
    EXPECT_EQ(played(4, 2), "loop");
    EXPECT_EQ(played(4, 3), "");
    EXPECT_EQ(played(4, -1), "");
    EXPECT_EQ(played(scene::k_sound_slot_count, 2), "");  // beyond the slots
    played(5, 2);                                         // an empty slot
    g_sound = nullptr;
}

// A whole engagement inside the real scene: its roots and tick over the weapon tables, the
// default design against one launcher 12 km north of it, each frame a fixed 0.1 s step, until
// the end-of-scenario check opens the results.
TEST_F(Scene, AWholeEngagementRunsOnTheSceneTickUntilTheResultsOpen) {
    namespace fs = std::filesystem;
    const char* run = std::getenv("VENTRASK_RUN_DIR");
    ASSERT_NE(run, nullptr) << "VENTRASK_RUN_DIR is not set";
    for (const char* folder : {"configs", "controls", "launchers", "missiles", "motors", "seekers", "systems",
                               "warheads", "commands", "radars", "common"}) {
        fs::copy(fs::path(run) / folder, fs::path(tmp.path()) / folder, fs::copy_options::recursive);
    }
    // A scene of its own: the hooks answer from the weapons, not from fakes.
    world.reset();
    auto real = std::make_unique<test_engagement_scene>();
    app.use_verbose = 1;
    state.scenario_mode = 1;
    state.dt = 0.1f;
    // No scenery is loaded: the ground is its fill height everywhere; dry land at 0 above a
    // sea 50 m lower.
    state.fill_height = 0.0f;
    state.water_level = -50.0f;
    install_scene_services(&real->proxie);
    real->make_roots(true);
    real->add_system("New Missile", 0.0f, 0.0f, 0.0f, 0.0f, false);
    ASSERT_EQ(real->tables.system_count, 1);
    ASSERT_NE(real->tables.systems[0]->launch_unit->barrel, nullptr);
    rocket_launcher* l = real->tables.add_launcher();
    ASSERT_NE(l, nullptr);
    const float metres_per_degree = 111120.0f;  // the unloaded scenery's mapping
    l->east = 0.0f;
    l->north = 12000.0f / metres_per_degree;
    l->count = 2;
    l->interval = 20;
    l->elevation = 1.0f;
    l->spread = 0.0f;
    l->range = 12000.0f;
    l->azimuth = 3.14159265f;  // south, at the system
    ASSERT_TRUE(l->solve_launch_speed());

    int frames = 0;
    for (; frames < 6000 && gui.results == 0; ++frames) {
        state.now += 100;
        real->update_objects_root();
        real->update_transps_root();
        real->tick();
    }
    EXPECT_EQ(gui.results, 1);
    EXPECT_LT(frames, 6000);
    EXPECT_EQ(state.rockets_fired, 2);
    EXPECT_EQ(state.missiles_fired, 2);
    EXPECT_EQ(state.intercepts, 2);
    EXPECT_EQ(state.hits, 0);
    EXPECT_FALSE(real->tables.systems[0]->live_missiles() > 0);

    EXPECT_EQ(installed_weapon_tables(), &real->tables);
    real.reset();
    EXPECT_EQ(installed_weapon_tables(), nullptr);
}

}  // namespace

TEST_F(Scene, AScenarioOrATestKeepsItsSceneryWhenTheCameraLeavesIt) {
    scenery_index_entry& e = state.sceneries.entries[0];
    copy_text(e.folder, "Kestrel Bay");
    e.left_map_x = 38.5f;
    e.right_map_x = 38.75f;
    e.lower_map_y = 20.0f;
    e.upper_map_y = 20.25f;
    state.sceneries.count = 1;
    app.near_view = 1;
    auto fly_to = [&](float east) {
        state.camera_longitude = east;
        state.camera_latitude = 20.1f;
        world->run_page_scenery();
    };
    fly_to(30.0f);
    state.scenario_mode = 1;
    fly_to(38.6f);
    state.scenario_mode = 0;
    state.test_mode = 1;
    fly_to(30.0f);
    fly_to(38.6f);
    EXPECT_TRUE(world->calls.empty());
    // Free flight pages in the scenery under the camera.
    state.test_mode = 0;
    fly_to(30.0f);
    fly_to(38.6f);
    EXPECT_EQ(world->calls, (std::vector<std::string>{"load scenery 1"}));
}
