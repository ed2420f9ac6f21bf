// The test control window: its buttons, the target launch with the program's first two
// draws of rand, tracking that cycles and forgets objects that went, sampling and its restart.
#include <cmath>
#include <cstring>

#include "core/mesh.h"
#include "gui_fixture.h"
#include "overlay_fixture.h"
#include "platform/program_rand.h"
#include "shell/scene.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "ui/graph.h"
#include "ui/screens.h"
#include "ui/test_control.h"

namespace {

class test_control_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        root->init();
        root->kind = window_kind::menu_bar;
        overlay = std::make_unique<overlay_setup>(640, 480, false);
        g_scene = &world;
        world.make_roots(true);
        world.viewer.world = mat_identity();
        // The test system: a command post at (0, 0, 1000) facing north.
        system = new missile_system();
        ASSERT_NE(system->control->command_post, nullptr);
        system->control->command_post->world.m[3][2] = 1000.0f;
        world.tables.systems[0] = system;
        world.tables.system_count = 1;
        root->open_dialog(test_control_dialog);
        w = root->find_dialog(test_control_dialog);
    }
    void TearDown() override {
        system->missile_count = 0;
        for (auto& m : system->missiles) m = nullptr;
        world.viewer.target = nullptr;
        root->close_dialogs();
        g_scene = nullptr;
        overlay.reset();
        gui_fixture::TearDown();
    }
    gui_rect* button(const char* caption) const {
        for (int i = 0; i < w->rect_count; ++i) {
            gui_rect* r = w->rect(i);
            if (r->text && std::strncmp(r->text.get(), caption, std::strlen(caption)) == 0) return r;
        }
        return nullptr;
    }
    std::string caption(const char* start) const { return button(start)->text.get(); }
    void press(const char* caption) { click_rect(w, button(caption)); }

    std::unique_ptr<overlay_setup> overlay;
    scene world;
    missile_system* system = nullptr;
    gui_window* w = nullptr;
    missile first, second;
};

TEST_F(test_control_test, has_its_eight_buttons) {
    ASSERT_NE(w, nullptr);
    const char* names[] = {"Close", "Launch Target", "Launch Missile", "Scope",
                           "Radar", "Graph",         "Track Missile",  "Track Target"};
    for (const char* n : names) ASSERT_NE(button(n), nullptr) << n;
    EXPECT_EQ(button("Radar")->toggle, 1);
    // The buttons are a share of the screen's width: a caption wider than its button takes a
    // smaller font. "Launch Missile" in the 18-point font is wider than 0.25 W at W = 1.
    for (const char* n : names) EXPECT_EQ(button(n)->fit_text, 1) << n;
    const gui_rect::text_fit fit = button("Launch Missile")->fitted_text();
    EXPECT_NE(fit.font, gui_font::large);
}

TEST_F(test_control_test, launch_target_draws_rand_twice_and_starts_a_target_graph) {
    ASSERT_NE(w, nullptr);
    program_srand(1);
    const float r1 = 41.0f, r2 = 18467.0f;  // the first two draws after seeding with 1
    press("Launch Target");
    EXPECT_EQ(g_test_control.graph_source, 2);
    ASSERT_EQ(world.tables.target_count, 1);
    rocket* r = world.tables.targets[0];
    // Launched from test_dist south of the post, heading north within the scatter.
    EXPECT_NEAR(r->world_position().z, 1000.0f - system->test_dist, 1.0f);
    const vec3 z = get_axis_z(r->world);
    const float heading = std::atan2(z.x, z.z);
    EXPECT_NEAR(heading, -system->test_beta + 0.02f * (1 - 2 * r2 / 32767), 1e-4f);
    const float elevation = std::atan2(z.y, std::sqrt(z.x * z.x + z.z * z.z));
    EXPECT_NEAR(elevation, system->test_elev + 0.02f * (1 - 2 * r1 / 32767), 1e-4f);
    EXPECT_STREQ(state->message, "Target 1 Launched");
    // Without the scene's services installed the rocket hangs under no root: it is ours.
    world.tables.targets[0] = nullptr;
    world.tables.target_count = 0;
    if (r->parent == nullptr) delete r;
}

TEST_F(test_control_test, track_missile_cycles_and_the_views_follow) {
    ASSERT_NE(w, nullptr);
    system->missiles[0] = &first;
    system->missiles[1] = &second;
    system->missile_count = 2;
    press("Track Missile");
    EXPECT_EQ(world.viewer.target, &first);
    EXPECT_EQ(world.viewer.free_look, 1);
    EXPECT_NE(root->find_dialog(telescope_view_dialog), nullptr);
    root->update();
    EXPECT_EQ(caption("Track Missile"), "Track Missile 1");
    EXPECT_EQ(button("Scope")->ticked, 1);
    press("Track Missile");
    EXPECT_EQ(world.viewer.target, &second);
    press("Track Missile");
    EXPECT_EQ(world.viewer.target, nullptr);
    EXPECT_EQ(g_test_control.tracking, 0);
    root->update();
    EXPECT_EQ(caption("Track Missile"), "Track Missile");
    press("Track Missile");
    EXPECT_EQ(world.viewer.target, &first);

    // The radar view replaces the telescope.
    press("Radar");
    root->update();
    EXPECT_EQ(root->find_dialog(telescope_view_dialog), nullptr);
    EXPECT_EQ(app->radar_shown, 1);
    EXPECT_EQ(button("Scope")->ticked, 0);
    EXPECT_EQ(button("Radar")->ticked, 1);
}

TEST_F(test_control_test, a_tracked_target_that_went_is_forgotten_and_never_aimed_at) {
    ASSERT_NE(w, nullptr);
    rocket target;
    world.tables.targets[0] = &target;
    world.tables.target_count = 1;
    press("Track Target");
    EXPECT_EQ(world.viewer.target, &target);
    root->update();
    EXPECT_EQ(caption("Track Target"), "Track Target 1");
    // The rocket leaves the scene; the camera keeps looking the way it did.
    world.tables.targets[0] = nullptr;
    world.tables.target_count = 0;
    rocket newer;
    root->update();
    EXPECT_EQ(caption("Track Target"), "Track Target");
    EXPECT_EQ(g_test_control.tracking, 0);
    // A stale index never picks a rocket: with a newer one listed, the newest is aimed at.
    g_test_control.tracking = 2;
    g_test_control.tracked_target = 1;
    world.tables.targets[0] = &newer;
    world.tables.target_count = 1;
    g_test_control.tracked_target = 3;
    press("Launch Missile");  // no barrel: nothing fires, the message tells the aim
    EXPECT_STREQ(state->message, "Missile 0 Launched at Target 1");
    world.tables.targets[0] = nullptr;
    world.tables.target_count = 0;
    press("Launch Missile");
    EXPECT_STREQ(state->message, "Missile 0 Launched Unlocked");
    world.viewer.target = nullptr;
}

TEST_F(test_control_test, samples_every_tenth_tick_and_restarts_when_the_system_fires) {
    ASSERT_NE(w, nullptr);
    system->missiles[0] = &first;
    system->missile_count = 1;
    g_test_control.graph_source = 1;
    for (int i = 0; i < 25; ++i) {
        first.flight_time = 0.1f * static_cast<float>(i);
        first.speed = 100.0f + static_cast<float>(i);
        root->update();
    }
    ASSERT_EQ(g_graph.sample_count, 3);  // ticks 1, 11 and 21
    EXPECT_FLOAT_EQ(g_graph.samples[1][1], 110.0f);
    // The system fired on its own: the next tick starts a new missile flight.
    system->fired_since_reload = 1;
    root->update();
    EXPECT_EQ(g_graph.sample_count, 0);
    EXPECT_EQ(g_test_control.graph_source, 1);
    root->update();
    EXPECT_EQ(g_graph.sample_count, 1);
    // A dead missile gives no more samples.
    first.dead = 1;
    for (int i = 0; i < 20; ++i) root->update();
    EXPECT_EQ(g_graph.sample_count, 1);
    press("Close");
    EXPECT_EQ(log.leave_scene, 1);
}

}  // namespace
