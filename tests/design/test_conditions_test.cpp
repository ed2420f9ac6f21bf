// The test conditions screen: the target's path against hand arithmetic and the standard
// atmosphere, a path that never comes down, the bounds of the conditions, the fields in
// degrees and km, the launch sites, and Start Test into a run and back out of it.
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "design/test_conditions.h"
#include "shell/scene.h"
#include "tests/design/design_fixture.h"
#include "platform/text.h"
#include "ui/graph.h"
#include "ui/message_box.h"
#include "ui/screens.h"

using namespace design;

TEST(TestConditionsPath, AtmosphereFirstStepAClimbThatNeverEndsAndNoDistance) {
    // The standard atmosphere: sea level, 5 km and the tropopause from both sides.
    EXPECT_NEAR(air_density(0.0f), 1.225f, 1e-6f);
    EXPECT_NEAR(air_density(5000.0f), 0.7364f, 5e-4f);
    EXPECT_NEAR(air_density(11000.0f), 0.3639f, 5e-4f);
    EXPECT_NEAR(air_density(11000.1f), 0.3639f, 5e-4f);

    // Speed 0: one step of 50 kN on 1000 kg (v = 2.5 m/s), then no thrust; elevation 0 never
    // lifts the target, so the path ends after that step without a point.
    target_path flat = compute_target_path(0.0f, 0.0f, 5000.0f);
    EXPECT_FLOAT_EQ(flat.flight_time, 0.05f);
    EXPECT_TRUE(flat.points.empty());

    // Straight up at a speed it never reaches: no landing and no arrival, so the hour ends it,
    // one point a second.
    target_path up = compute_target_path(1e9f, 1.5707964f, 5000.0f);
    EXPECT_NEAR(up.flight_time, k_max_path_time, 0.01f);
    ASSERT_EQ(up.points.size(), 3600u);
    for (const path_point& p : up.points) ASSERT_TRUE(std::isfinite(p.altitude) && std::isfinite(p.distance));
    EXPECT_GT(up.points.back().altitude, 1.0e6f);

    // The default conditions: one point for each whole second, from the far end inward.
    target_path usual = compute_target_path(215.0f, 0.737f, 5000.0f);
    ASSERT_GT(usual.points.size(), 1u);
    EXPECT_EQ(usual.points.size(), static_cast<std::size_t>(usual.flight_time + 1e-3f));
    EXPECT_LT(usual.points.back().distance, usual.points.front().distance);

    // No target distance at all becomes 1 m, so the launch marker has a place.
    missile_system sys;
    sys.test_dist = 0.0f;
    EXPECT_TRUE(bound_test_conditions(&sys));
    EXPECT_EQ(sys.test_dist, 1.0f);
    EXPECT_EQ(sys.test_launch, 1.0f);
    sys.test_dist = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(bound_test_conditions(&sys));
    EXPECT_EQ(sys.test_dist, k_max_test_distance);
    EXPECT_FLOAT_EQ(launch_marker_x(4000.0f, 4000.0f, -1.7f, 0.8f), 0.8f);
    EXPECT_FLOAT_EQ(launch_marker_x(1000.0f, 4000.0f, -1.7f, 0.8f), -1.075f);
    EXPECT_TRUE(std::isfinite(launch_marker_x(3000.0f, 0.0f, -0.85f, 0.4f)));
}

namespace {

const char* const k_site =
    "\n// QVD Situation File\n\n1\t[test_mode]\n0.30\t[test_alfa]\n0.10\t[test_beta]\n"
    "7000.00\t[test_dist]\n300.00\t[test_speed]\n0.50\t[test_elev]\n2000.00\t[test_launch]\n"
    "@\nA range by the sea\n";

}  // namespace

class TestConditions : public design_fixture {
protected:
    void SetUp() override {
        design_fixture::SetUp();
        // The scene edits the fixture's design system, as the program's scene edits its own.
        world = std::make_unique<reading_scene>();
        world->design_system = system.get();
        g_scene = world.get();
    }
    void TearDown() override {
        world->design_system = nullptr;  // the fixture owns it
        g_scene = nullptr;
        design_fixture::TearDown();
        world.reset();
    }
    // The text of condition field n (0 launcher elevation ... 5 target distance).
    std::string field(int n) const {
        const gui_rect* r = rect_at(root.get(), slot::first_free + n);
        return r != nullptr && r->has_text() ? r->text.get() : "<none>";
    }
    std::string fields() const {
        std::string out;
        for (int n = 0; n < 6; ++n) out += field(n) + (n < 5 ? " " : "");
        return out;
    }
    void type_into(int n, const char* text) { rect_at(root.get(), slot::first_free + n)->set_text(text); }
    gui_window* site_list() const {
        for (int i = 0; i < root->child_count; ++i) {
            if (root->child(i)->kind == window_kind::drop_down) return root->child(i);
        }
        return nullptr;
    }
    bool shows(const char* text) const {
        for (int i = 0; i < root->rect_count; ++i) {
            const gui_rect* r = root->rect(i);
            if (r->has_text() && std::string(r->text.get()).find(text) != std::string::npos) return true;
        }
        return false;
    }

    std::unique_ptr<reading_scene> world;
};

TEST_F(TestConditions, FieldsInDegreesAndKmAndTheLaunchCutToTheDistance) {
    open(22);
    EXPECT_EQ(find_text("Save"), nullptr);
    // 0.5 rad, 3000 m, 215 m/s, 0 rad, 0.737 rad, 5000 m.
    EXPECT_EQ(fields(), "28.65 3.00 215.00 0.00 42.23 5.00");
    EXPECT_GT(g_graph.sample_count, 0);  // the path is plotted at once

    type_into(0, "30");
    type_into(5, "4");
    type_into(1, "9");
    press_and_click("Apply Changes");
    EXPECT_NEAR(system->test_alfa, 30.0f / 57.29578f, 1e-6f);
    EXPECT_EQ(system->test_dist, 4000.0f);
    EXPECT_EQ(system->test_launch, 4000.0f);
    EXPECT_EQ(field(1), "4.00");
    type_into(1, "-2");
    type_into(3, "not a number");
    press_and_click("Apply Changes");
    EXPECT_EQ(system->test_launch, 0.0f);
    EXPECT_EQ(system->test_beta, 0.0f);
    EXPECT_EQ(field(3), "0.00");

    // The jog slider moves a field at 0.1 per second per step off centre and replots.
    state->smoothed_step = 0.1f;
    ASSERT_NE(jog_up(rect_at(root.get(), slot::first_free + 5)), nullptr);
    g_graph.sample_count = 0;
    root->send(gui_event::tick);
    // 127.5 x 0.1 x 0.1 s = 1.275 km on "4.00" km, read back from its two decimals.
    EXPECT_NEAR(system->test_dist, 5275.0f, 6.0f);
    EXPECT_GT(g_graph.sample_count, 0);
}

TEST_F(TestConditions, TheTitleKeepsToOneLineUnlessTheNameIsLong) {
    // 640 x 480: "Test Conditions For New Missile" fits the panel in one narrowed line; a name
    // of 39 characters wraps it.
    copy_text(system->name, "New Missile");
    open(22);
    const gui_rect* title = find_text("Test Conditions For New Missile");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->wrapped, 0);
    const gui_rect::text_fit fit = title->fitted_text();
    EXPECT_GE(fit.narrowing, 0.8f);
    copy_text(system->name, "A System Named At Great Length For Tests");
    root->send(design_event::show);
    EXPECT_EQ(title->wrapped, 1);
}

TEST_F(TestConditions, SitesListTestSituationsAndBringTheirConditions) {
    tmp.write("situations/Test Range.txt", k_site);
    tmp.write("situations/Kestrel Bay Defence.txt", "1\t[scenario_mode]\n@\n");
    // A site whose launch lies beyond its target: cut, and said once.
    tmp.write("situations/far test.txt", "9000.00\t[test_launch]\n1000.00\t[test_dist]\n@\n");
    open(22);
    gui_window* site = site_list();
    ASSERT_NE(site, nullptr);
    ASSERT_EQ(site->last_child()->list_item_count(), 2);
    const std::string first = site->combo_selected_text();
    EXPECT_TRUE(first == "Test Range" || first == "far test") << first;

    site->combo_select_text("Test Range");
    commit(site);
    EXPECT_EQ(system->test_dist, 7000.0f);
    EXPECT_NEAR(system->test_alfa, 0.3f, 1e-6f);
    EXPECT_EQ(field(5), "7.00");
    EXPECT_EQ(field(2), "300.00");
    EXPECT_TRUE(shows("A range by the sea"));

    site->combo_select_text("far test");
    root->send(gui_event::child_committed);
    EXPECT_EQ(system->test_launch, 1000.0f);
    EXPECT_TRUE(logged("situations\\far test.txt: the test distances were bounded"));
}

// A site's description is a wrapped text whose first line has its foot a fixed 0.08 below the
// box's top edge, lifted by its offset: at every size the line's top (foot plus the regular
// font's height) stands just inside the box, neither cut by its edge nor far below it.
TEST_F(TestConditions, TheDescriptionsFirstLineStandsJustInsideItsBoxAtEverySize) {
    tmp.write("situations/Test Range.txt", k_site);
    const int sizes[][2] = {{640, 480}, {1024, 768}, {1920, 1080}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size[0]);
        set_viewport(size[0], size[1]);
        root->on_resize();
        for (const int cell : {12, 16, 24}) {
            painter.cell_h = cell;
            open(22);
            const gui_rect* description = nullptr;
            for (int i = 0; i < root->rect_count; ++i) {
                const gui_rect* r = root->rect(i);
                if (r->wrapped && r->has_text() && std::string(r->text.get()).find("A range") == 0) description = r;
            }
            ASSERT_NE(description, nullptr);
            float line[2] = {0, 0};
            ASSERT_TRUE(gui_text_size(&painter, gui_font::regular, "A", line));
            const float top = description->y2 + description->offset_y - 0.08f + line[1];
            EXPECT_LE(top, description->y2 - 0.004f) << cell;
            EXPECT_GE(top, description->y2 - 0.01f) << cell;
        }
    }
}

TEST_F(TestConditions, StartTestNeedsASiteAndALeftRunComesBack) {
    app->menu_mode = 1;
    open(22);
    press_and_click("Start Test");
    EXPECT_STREQ(g_message_box.message, "No situation was selected");
    EXPECT_EQ(pending_command, 0);
    EXPECT_EQ(app->menu_mode, 1);
    EXPECT_EQ(state->test_mode, 0);
    EXPECT_TRUE(world->read.empty());
    root->close_dialogs();

    tmp.write("situations/Test Range.txt", k_site);
    open(22);
    press_and_click("Start Test");
    ASSERT_EQ(world->read.size(), 1u);
    EXPECT_EQ(world->test_mode_when_read, 1);  // the situation is read as a test

    // Leaving the test run ends test mode and comes back here.
    world->leave_scene();
    EXPECT_EQ(pending_command, 22);
    EXPECT_EQ(state->test_mode, 0);
}
