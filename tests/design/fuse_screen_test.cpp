// The fuse screen: the encounter's geometry worked by hand at 0 and 90 degrees, the speeds
// rule (Enter after the closing speed against Apply Changes), the kill-distance label after a
// load, and the plot's captions drawn whole.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "design/fuse_geometry.h"
#include "platform/text.h"
#include "simulation/warhead.h"
#include "tests/design/design_fixture.h"
#include "ui/graph.h"

using namespace design;

namespace {

// A target 2 m off the axis, a 30 degree cone 25 cm ahead, 2 ms delay, fragments at 2000 m/s.
fuse_inputs encounter(float theta) {
    fuse_inputs in;
    in.kill_distance = 5;
    in.offset = 2;
    in.length = 0.25f;
    in.fuse_offset = 0.25f;
    in.fuse_angle = 0.5235988f;
    in.fuse_delay = 2;
    in.missile_speed = 600;
    in.target_speed = 400;
    in.intercept_angle = theta;
    in.fragment_speed = 2000;
    in.taper = 0.1f;
    in.expansion = 0.2f;
    in.target_length = 1;
    return in;
}

}  // namespace

TEST(DesignFuseGeometry, EncounterByHand) {
    // Detection at 2 tan 30 + 0.25 = 1.4047 m; the missile flies 1.2 m in the delay; the
    // fragments arrive 1 + 2 ms after detection, when the target has flown 1.2 m.
    const fuse_encounter head_on = fuse_encounter_of(encounter(0));
    ASSERT_TRUE(head_on.fragments_arrive);
    EXPECT_NEAR(head_on.target_detected.x, 1.40470f, 1e-4f);
    EXPECT_NEAR(head_on.missile_at_explosion.x, 1.2f, 1e-5f);
    EXPECT_NEAR(head_on.hit_time, 0.003f, 1e-7f);
    EXPECT_NEAR(head_on.target_hit.x, 0.20470f, 1e-4f);
    EXPECT_NEAR(head_on.target_hit.y, 2.0f, 1e-5f);
    // The spray's centre: 2 x 0.1 + 600 x 0.003 = 2.0 m, 0.2 m either side, the warhead's
    // length beyond.
    EXPECT_NEAR(head_on.fragments_zone.x, 2.0f, 1e-5f);
    EXPECT_NEAR(head_on.fragment_band[0].x, 1.8f, 1e-5f);
    EXPECT_NEAR(head_on.fragment_band[1].x, 2.45f, 1e-5f);
    // Head on the whole target length lies along the axis: x_hit .. x_hit + 1.
    EXPECT_NEAR(head_on.target_band[0].x, 0.20470f, 1e-4f);
    EXPECT_NEAR(head_on.target_band[1].x, 1.20470f, 1e-4f);
    EXPECT_NEAR(head_on.target_band[2].x, 1.45f, 1e-5f);
    EXPECT_NEAR(head_on.target_band[3].x, 1.2f, 1e-5f);
    EXPECT_NEAR(head_on.ray[0].x, 0.25f, 1e-6f);

    // Crossing at 90 degrees the target has flown 1.2 m toward the axis and shows no length
    // along it: x_hit - 1 .. x_hit.
    const fuse_encounter crossing = fuse_encounter_of(encounter(1.5707964f));
    EXPECT_NEAR(crossing.target_hit.x, 1.40470f, 1e-4f);
    EXPECT_NEAR(crossing.target_hit.y, 0.8f, 1e-4f);
    EXPECT_NEAR(crossing.target_band[0].x, 0.40470f, 1e-4f);
    EXPECT_NEAR(crossing.target_band[1].x, 1.40470f, 1e-4f);

    // Fragments that do not fly out never arrive.
    fuse_inputs still = encounter(0);
    still.fragment_speed = 0;
    const fuse_encounter none = fuse_encounter_of(still);
    EXPECT_FALSE(none.fragments_arrive);
    EXPECT_TRUE(std::isfinite(none.hit_time));

    // The speeds: the closing speed leads when edited, else follows; the lateral speed always.
    fuse_speeds v{1000, 0, 0, 0};
    apply_fuse_speeds(true, 0, &v);
    EXPECT_FLOAT_EQ(v.missile, 600);
    EXPECT_FLOAT_EQ(v.target, 400);
    EXPECT_FLOAT_EQ(v.lateral, 0);
    apply_fuse_speeds(false, 90, &v);
    EXPECT_NEAR(v.closing, 600, 1e-3f);
    EXPECT_NEAR(v.lateral, 400, 1e-3f);
}

class DesignFuse : public design_fixture {
protected:
    warhead& h() { return *m->warhead_part; }
};

TEST_F(DesignFuse, EnterAfterClosingSpeedAgainstApply) {
    h().closing_speed = 600;
    h().compute(true);
    open(18);
    EXPECT_NE(find_text("Fuse Design - New Warhead"), nullptr);
    EXPECT_STREQ(field("Missile Speed (m/sec)")->text.get(), "360.00");
    EXPECT_STREQ(field("Target Speed (m/sec)")->text.get(), "240.00");
    // Warhead length 25 cm: the plot spans the kill distance on both axes.
    EXPECT_FLOAT_EQ(g_graph.plot_max[0], h().kill_distance);
    EXPECT_GT(g_graph.triangle_count, 6);  // two bands and the ray

    // Typed into the closing speed and Enter: the speeds follow it.
    gui_rect* closing = field("Closing Speed (m/sec)");
    press(closing);
    closing->set_text("1000");
    root->send(gui_event::enter);
    EXPECT_FLOAT_EQ(h().closing_speed, 1000);
    root->send(design_event::show);
    EXPECT_STREQ(field("Missile Speed (m/sec)")->text.get(), "600.00");
    EXPECT_STREQ(field("Target Speed (m/sec)")->text.get(), "400.00");

    // Typed, then Apply: pressing the button forgets the field, so the closing speed comes
    // from the speeds and the angle (90 degrees: the missile's speed alone).
    field("Intercept Angle (deg)")->set_text("90");
    closing->set_text("1500");
    press_and_click("Apply Changes");
    EXPECT_NEAR(h().closing_speed, 600, 1e-2f);
    EXPECT_NEAR(h().radial_speed_offset, 400, 1e-2f);
    EXPECT_STREQ(closing->text.get(), "600.00");

    // Offset distance 0 shows as 0.5.
    field("Offset Distance (m)")->set_text("0");
    press_and_click("Apply Changes");
    EXPECT_STREQ(field("Offset Distance (m)")->text.get(), "0.50");
}

TEST_F(DesignFuse, LoadRefreshesKillDistanceAndSpeeds) {
    open(18);
    save_as("F1");
    EXPECT_TRUE(tmp.exists("warheads/F1.txt"));
    const float saved = h().kill_distance;
    const std::string label = format_string("Warhead Kill Distance - %4.2f (m)", static_cast<double>(saved));
    EXPECT_NE(find_text(label.c_str()), nullptr);

    h().LN = 80;
    h().closing_speed = 1500;
    h().compute(true);
    root->send(design_event::show);
    EXPECT_EQ(find_text(label.c_str()), nullptr);
    field("Intercept Angle (deg)")->set_text("30");
    press_and_click("Apply Changes");

    load("F1");
    EXPECT_FLOAT_EQ(h().kill_distance, saved);
    EXPECT_NE(find_text(label.c_str()), nullptr);
    EXPECT_STREQ(field("Intercept Angle (deg)")->text.get(), "0.00");
    EXPECT_STREQ(field("Missile Speed (m/sec)")->text.get(),
                 format_string("%4.2f", 0.6 * h().closing_speed).c_str());
    root->send(gui_event::draw);
}

TEST_F(DesignFuse, PlotCaptionsAreDrawnWholeInsideThePlot) {
    h().closing_speed = 600;
    h().compute(true);
    open(18);
    painter.text_boxes.clear();
    root->send(gui_event::draw);
    // The font drops every glyph whose centre leaves the box, so each caption's box must hold
    // the whole text as the painter measures it (640 x 480: 320 texels a unit across, 240 up).
    const char* const captions[] = {"Target when detected", "Target when hit", "Fragments hit zone",
                                    "Missile at Detection", "Missile at Explosion"};
    for (const char* caption : captions) {
        SCOPED_TRACE(caption);
        const auto drawn = std::find_if(painter.text_boxes.begin(), painter.text_boxes.end(),
                                        [&](const recording_painter::text_box& b) { return b.text == caption; });
        ASSERT_NE(drawn, painter.text_boxes.end());
        int size[2] = {0, 0};
        painter.text_extent(gui_font::bold, caption, size);
        EXPECT_GE(drawn->x2 - drawn->x1, static_cast<float>(size[0]) / 320.0f);
        EXPECT_GE(drawn->y2 - drawn->y1, static_cast<float>(size[1]) / 480.0f);
        // Inside the axes (a caption's box keeps a hundredth beyond its text).
        const graph_area a = graph_plot_area();
        EXPECT_GE(drawn->x1, a.x1 - 1e-5f);
        EXPECT_GE(drawn->y1, a.y1 - 1e-5f);
        EXPECT_LE(drawn->x2, a.x2 + 0.011f);
        EXPECT_LE(drawn->y2, a.y2 + 0.011f);
        if (std::string(caption) == "Missile at Detection") {
            EXPECT_FLOAT_EQ(drawn->x1, a.x1);
        }
    }
    // No caption is drawn on another (each box keeps a hundredth beyond its text).
    std::vector<recording_painter::text_box> boxes;
    for (const auto& b : painter.text_boxes) {
        if (std::find(std::begin(captions), std::end(captions), b.text) != std::end(captions)) boxes.push_back(b);
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const auto& p = boxes[i];
            const auto& q = boxes[j];
            const bool overlap = p.x1 < q.x2 - 0.01f && q.x1 < p.x2 - 0.01f && p.y1 < q.y2 - 0.01f && q.y1 < p.y2 - 0.01f;
            EXPECT_FALSE(overlap) << p.text << " on " << q.text;
        }
    }
}

TEST_F(DesignFuse, BandsAndRayStayInsideThePlot) {
    // A fuse far behind the warhead and a target crossing at a steep angle: the ray starts
    // left of the missile's axis origin and the target band reaches below the axis.
    h().closing_speed = 600;
    h().fuse_offset = -250;
    h().compute(true);
    open(18);
    field("Intercept Angle (deg)")->set_text("120");
    field("Target Speed (m/sec)")->set_text("900");
    press_and_click("Apply Changes");
    const graph_area a = graph_plot_area();
    ASSERT_GT(g_graph.triangle_count, 0);
    for (int i = 0; i < g_graph.triangle_count; ++i) {
        const overlay_vertex& v = g_graph.triangles[i];
        // A thick line keeps half its width beside an edge it was cut at.
        EXPECT_TRUE(v.x > a.x1 - 0.011f && v.x < a.x2 + 0.011f && v.y > a.y1 - 0.011f && v.y < a.y2 + 0.011f) << i;
    }
}
