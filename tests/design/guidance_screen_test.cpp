// The guidance screen: the phase sketch's arcs and their bounds, the four laws' steps, the
// tie between detection range and seeker diameter, and the animation's looping sound.
#include <algorithm>
#include <cmath>
#include <vector>

#include "design/guidance_animation.h"
#include "simulation/seeker.h"
#include "tests/design/design_fixture.h"
#include "ui/graph.h"

using namespace design;

namespace {

std::vector<int>* g_stopped = nullptr;
void record_stop(int slot) { g_stopped->push_back(slot); }

}  // namespace

TEST(DesignGuidanceSketch, ArcExtents) {
    const guidance_point start{-0.1f, -0.75f};
    // No fins lock: one boost segment; 5 s or more: the longest boost arc, 0.5 rad.
    EXPECT_EQ(sketch_guidance(start, 0.02f, 0, 1000).boost_segments, 1);
    const int longest = sketch_guidance(start, 0.02f, 5, 1000).boost_segments;
    EXPECT_NEAR(longest, 50, 1);
    EXPECT_EQ(sketch_guidance(start, 0.02f, 1000, 1000).boost_segments, longest);
    // 5000 m or more: the longest terminal arc; 0 m at most one segment.
    EXPECT_NEAR(sketch_guidance(start, 0.02f, 1, 5000).terminal_segments, 50, 1);
    EXPECT_LE(sketch_guidance(start, 0.02f, 1, 0).terminal_segments, 1);
    // The whole sketch turns 0.8 rad, whatever the split.
    const guidance_sketch s = sketch_guidance(start, 0.02f, 1, 1000);
    EXPECT_NEAR(static_cast<int>(s.segments.size()), 80, 1);
    EXPECT_FLOAT_EQ(s.segments.front().from.x, start.x);
    EXPECT_FLOAT_EQ(s.end.x, s.segments.back().to.x);
    // A range far below zero (as a file may hold) ends rather than turning on for ever.
    const guidance_sketch odd = sketch_guidance(start, 0.02f, -1e9f, -3e9f);
    EXPECT_LE(odd.boost_segments, 1);
    EXPECT_LE(odd.midcourse_segments, k_max_arc_segments);
    EXPECT_LE(odd.terminal_segments, 1);
    const guidance_sketch huge = sketch_guidance(start, 0.02f, 3e9f, 3e9f);
    EXPECT_LE(static_cast<int>(huge.segments.size()), 81);
}

TEST(DesignGuidanceLaws, StepsAndEnds) {
    guidance_run start;
    start.launcher = {-0.1f, -0.75f};
    start.missile = start.launcher;
    start.heading = 1.5707964f;
    start.target = {0.9f, 0.3f};
    start.target_heading = 3.14159265f;
    const float bounds[4] = {0.25f, 4.0f, 4.0f, 0.5f};
    for (int law : {law_intercept_point, law_proportional, law_dog_chase, law_line_of_sight}) {
        guidance_run r = start;
        r.law = law;
        bool ended = false;
        int ticks = 0;
        for (; !ended && ticks < 2000; ++ticks) {
            const float before = r.heading;
            const float sight = std::atan2(r.target.y - r.missile.y, r.target.x - r.missile.x);
            ended = guidance_step(r, 0.02f, -1.0f);
            if (law == law_dog_chase) {
                EXPECT_FLOAT_EQ(r.heading, sight);
            } else if (law != law_line_of_sight) {
                EXPECT_LE(std::fabs(r.heading - before), bounds[law] + 1e-6f);
            }
        }
        EXPECT_TRUE(ended) << law;
        EXPECT_LT(ticks, 2000) << law;
    }
    // An unknown law flies straight on; a target never caught ends the run at the left edge.
    guidance_run r = start;
    r.law = 7;
    bool ended = false;
    for (int ticks = 0; !ended && ticks < 1000; ++ticks) {
        ended = guidance_step(r, 0.02f, -1.0f);
        EXPECT_FLOAT_EQ(r.heading, start.heading);
    }
    EXPECT_TRUE(ended);
    EXPECT_LT(r.target.x, -1.0f);
}

class DesignGuidance : public design_fixture {
protected:
    void SetUp() override {
        design_fixture::SetUp();
        g_stopped = &stopped;
        ui_hooks().stop_sound_slot = record_stop;
    }
    void TearDown() override {
        design_fixture::TearDown();
        g_stopped = nullptr;
    }
    seeker& k() { return *m->seeker_part; }
    // What the jog slider does to a field: the press, new text, event 16.
    void jog(const char* label, const char* text) {
        press(field(label));
        field(label)->set_text(text);
        root->send(design_event::take);
    }
    int count(const std::vector<int>& v, int slot) const {
        return static_cast<int>(std::count(v.begin(), v.end(), slot));
    }
    std::vector<int> stopped;
};

TEST_F(DesignGuidance, RangeAndDiameterFollowTheFieldEdited) {
    open(19);
    // The diameter edited down to 5 cm lowers the range to 10 x 5² m.
    jog("Seeker Diameter (cm)", "5");
    EXPECT_FLOAT_EQ(k().detection_range, 250);
    // Any other field edited: 1000 m raises a 5 cm aperture to 10 cm.
    jog("Detection Range (m)", "1000");
    EXPECT_FLOAT_EQ(k().seeker_diameter, 10);

    // A range far below zero from a file: the sketch still ends, and Apply bounds it.
    k().detection_range = -3e9f;
    root->send(design_event::show);
    root->send(design_event::recompute);
    EXPECT_LE(g_graph.triangle_count, 6 * (1 + 81));
    press_and_click("Apply Changes");
    EXPECT_EQ(k().detection_range, 0.0f);
}

TEST_F(DesignGuidance, ANumberWiderThanItsFieldIsShownWhole) {
    k().detection_range = 1000;
    open(19);
    // 640 x 480: the field is 0.12 wide, too narrow for "1000.00" in the medium font, which
    // lost its first and last digits ("000.0"). It takes a smaller font that holds it.
    const gui_rect* range = field("Detection Range (m)");
    ASSERT_NE(range, nullptr);
    EXPECT_STREQ(range->text.get(), "1000.00");
    const gui_rect::text_fit fit = range->fitted_text();
    int size[2] = {0, 0};
    ASSERT_TRUE(painter.text_extent(fit.font, range->text.get(), size));
    EXPECT_LE(static_cast<float>(size[0]) / 320.0f * fit.narrowing, range->x2 - range->x1);
    EXPECT_NE(fit.font, gui_font::medium);
}

TEST_F(DesignGuidance, AnimationSoundStopsWithTheRun) {
    open(19);
    press_and_click("Show Animation");
    EXPECT_EQ(count(log.sounds, 6), 1);
    EXPECT_EQ(g_graph.triangle_count, 0);  // the trails take the sketch's place
    for (int i = 0; i < 5; ++i) root->send(gui_event::tick);
    root->send(gui_event::draw);
    // Apply mid-run resets the run and silences it.
    press_and_click("Apply Changes");
    EXPECT_EQ(count(stopped, 6), 1);
    EXPECT_GT(g_graph.triangle_count, 0);  // the sketch is back
    press_and_click("Apply Changes");
    EXPECT_EQ(count(stopped, 6), 1);  // nothing was running

    // A run to its end stops the loop and plays the explosion.
    press_and_click("Show Animation");
    for (int i = 0; i < 2000 && count(stopped, 6) < 2; ++i) root->send(gui_event::tick);
    EXPECT_EQ(count(stopped, 6), 2);
    EXPECT_EQ(count(log.sounds, 7), 1);

    // Close mid-run.
    press_and_click("Show Animation");
    root->send(gui_event::tick);
    press_and_click("Close");
    EXPECT_EQ(count(stopped, 6), 3);
    EXPECT_EQ(pending_command, 14);
    // Another screen installed mid-run (event 7 to this one).
    open(19);
    press_and_click("Show Animation");
    open(14);
    EXPECT_EQ(count(stopped, 6), 4);
}
