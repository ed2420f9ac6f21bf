// The warhead screen: the taper and target-area fields, the curves' end rules, the CSV with
// its logarithmic channels written as values, and a warhead that throws no fragments.
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "design/warhead_graph.h"
#include "platform/text.h"
#include "simulation/warhead.h"
#include "tests/design/design_fixture.h"
#include "ui/graph.h"

using namespace design;

TEST(DesignWarheadGraph, EndRules) {
    warhead h;  // 12 cm, 25 cm long, kill threshold 2
    design_graph g;
    warhead_graph_rows(h, &g);
    ASSERT_GE(g.rows.size(), 2u);
    EXPECT_FLOAT_EQ(g.rows.front()[0], 0.06f);  // the mean radius
    // The curve runs until the density first falls below the threshold, that sample included.
    for (std::size_t i = 0; i + 1 < g.rows.size(); ++i) EXPECT_GE(std::exp(g.rows[i][6]), h.KT);
    EXPECT_LT(std::exp(g.rows.back()[6]), h.KT);
    EXPECT_NEAR(g.rows.back()[0], h.kill_distance, 0.11f);
    // Time grows faster than distance: the fragments slow down.
    const graph_row& a = g.rows[0];
    const graph_row& b = g.rows[g.rows.size() - 1];
    EXPECT_GT((b[5] - a[5]) / (b[0] - a[0]), 1000.0f / h.fragment_speed);

    // The logarithmic channels hold the effects' logarithms at that distance.
    h.effects_at_distance(g.rows[3][0]);
    EXPECT_NEAR(std::exp(g.rows[3][1]), h.effects.over_pressure, 1e-3f * h.effects.over_pressure);
    const float dynamic = 100.0f * h.effects.dynamic_pressure;
    EXPECT_NEAR(std::exp(g.rows[3][2]), dynamic, 1e-3f * dynamic);

    // A warhead too weak for its threshold at its own radius: one sample.
    h.LN = 2.0f;
    h.KT = 250.0f;
    h.fragment_mass = 250.0f;
    h.compute(true);
    warhead_graph_rows(h, &g);
    EXPECT_EQ(g.rows.size(), 1u);

    // A very effective one stops short of 50 m.
    h.DS = h.DC = 100.0f;
    h.LN = 300.0f;
    h.TH = 2.0f;
    h.KT = 1.0f;
    h.fragment_mass = 1.0f;
    h.compute(true);
    warhead_graph_rows(h, &g);
    EXPECT_GT(g.rows.back()[0], 49.8f);
    EXPECT_LT(g.rows.back()[0], 50.0f);
    for (const graph_row& r : g.rows) {
        for (float v : r) ASSERT_TRUE(std::isfinite(v));
    }
}

class DesignWarhead : public design_fixture {
protected:
    warhead& h() { return *m->warhead_part; }
    void set_field(const char* label, const char* text) { field(label)->set_text(text); }
    std::string shown(const char* label) { return field(label)->text.get(); }
};

TEST_F(DesignWarhead, ThePlotIsLaidOutWhenItsDataChangeNotAtEveryDraw) {
    open(17);
    const int lines = g_graph.line_count;
    ASSERT_GT(lines, 0);
    // A draw shows the plot as it stands: it lays nothing out again.
    graph_clear_vertices();
    root->send(gui_event::draw);
    EXPECT_EQ(g_graph.line_count, 0);
    // A graph button lays it out at once.
    press_and_click("Frag. Speed (m/sec)");
    EXPECT_EQ(g_graph.line_count, lines);
}

TEST_F(DesignWarhead, TaperAndAreaConversions) {
    h().DS = 10.0f;
    h().DC = 12.0f;
    h().KT = 4.0f;
    h().GC = 2843.456f;
    h().compute(true);
    open(17);
    EXPECT_EQ(shown("Warhead Taper (cm)"), "2.00");
    EXPECT_EQ(shown("Target Area (sqrm)"), "0.25");
    EXPECT_EQ(shown("Gurney Const (m/sec)"), "2843.46");

    // Untouched fields keep the stored values exactly.
    press_and_click("Apply Changes");
    EXPECT_EQ(h().GC, 2843.456f);
    EXPECT_EQ(h().DS, 10.0f);
    EXPECT_EQ(h().KT, 4.0f);

    // A new diameter keeps the taper; a new taper moves the front diameter.
    set_field("Warhead Diameter (cm)", "20");
    press_and_click("Apply Changes");
    EXPECT_FLOAT_EQ(h().DS, 18.0f);
    set_field("Warhead Taper (cm)", "-3");  // negative values are taken as typed
    set_field("Target Area (sqrm)", "0.5");
    press_and_click("Apply Changes");
    EXPECT_FLOAT_EQ(h().DS, 23.0f);
    EXPECT_FLOAT_EQ(h().KT, 2.0f);
    // An area of 0 or less counts as 0.01 m²; the warhead then holds the threshold within 250.
    set_field("Target Area (sqrm)", "-1");
    press_and_click("Apply Changes");
    EXPECT_FLOAT_EQ(h().KT, 100.0f);
    EXPECT_EQ(shown("Target Area (sqrm)"), "0.01");
    EXPECT_NE(find_text(format_string("Kill Distance = %4.2f (m)", static_cast<double>(h().kill_distance)).c_str()),
              nullptr);
}

TEST_F(DesignWarhead, SaveWritesTheCurvesAsValues) {
    open(17);
    const int rows = g_graph.sample_count;
    ASSERT_GT(rows, 2);
    save_as("W1");
    EXPECT_EQ(line_count("warheads/W1.csv"), rows + 1);
    std::stringstream csv(tmp.read("warheads/W1.csv"));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line.rfind("Distance (m),Over Pres (psi),Dynam Pres (0.01*psi)", 0), 0u);
    std::getline(csv, line);
    std::getline(csv, line);  // the second row's values
    std::vector<double> v;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) v.push_back(std::stod(cell));
    ASSERT_EQ(v.size(), 8u);
    warhead probe;
    probe.effects_at_distance(static_cast<float>(v[0]));  // the defaults, as the screen's
    EXPECT_NEAR(v[1], probe.effects.over_pressure, 1e-3 * probe.effects.over_pressure + 1e-4);
    EXPECT_NEAR(v[2], 100.0 * probe.effects.dynamic_pressure, 1e-3 * 100.0 * probe.effects.dynamic_pressure + 1e-4);
    EXPECT_NEAR(v[6], probe.effects.fragment_density, 1e-3 * probe.effects.fragment_density + 1e-4);

    // The graph buttons (their captions as the program has always spelt them) change the
    // plotted channel, silently.
    const std::size_t sounds = log.sounds.size();
    for (const auto& [button, channel] : {std::pair{"Time (ms)", 5}, {"Frag. Energey (kj)", 4},
                                          {"Frag. Desnity (1/sqrm)", 6}}) {
        press_and_click(button);
        EXPECT_EQ(g_graph.channel, channel) << button;
    }
    EXPECT_EQ(log.sounds.size(), sounds);
}

TEST_F(DesignWarhead, NoExplosiveGivesNoCurvesButFiniteScreens) {
    // Both diameters at twice the case thickness: no room for explosive, fragment speed 0.
    open(17);
    set_field("Case Thickness (cm)", "1");
    set_field("Warhead Diameter (cm)", "2");
    set_field("Warhead Taper (cm)", "0");
    press_and_click("Apply Changes");
    ASSERT_EQ(h().DS, 2.0f);
    ASSERT_EQ(h().fragment_speed, 0.0f);
    EXPECT_EQ(g_graph.sample_count, 0);
    save_as("Empty");
    EXPECT_EQ(line_count("warheads/Empty.csv"), 1);

    // The fuse plots the detection without bands.
    open(18);
    EXPECT_GT(g_graph.triangle_count, 0);
    for (int i = 0; i < g_graph.triangle_count; ++i) {
        ASSERT_TRUE(std::isfinite(g_graph.triangles[i].x) && std::isfinite(g_graph.triangles[i].y));
        EXPECT_EQ(g_graph.triangles[i].color, 0x8000FF00u);
    }
    root->send(gui_event::draw);
}

TEST_F(DesignWarhead, TheShowFragmentsCaptionStaysWholeInsideItsPanel) {
    open(17);
    const gui_rect* check = find_text("Show Fragments");
    ASSERT_NE(check, nullptr);
    // Its own font, not squeezed sideways.
    EXPECT_EQ(check->fitted_text().narrowing, 1.0f);
    root->render();
    bool found = false;
    for (const auto& t : painter.text_boxes) {
        if (t.text != "Show Fragments") continue;
        found = true;
        // Right of the panel's left edge (0.48) and left of the check square.
        EXPECT_GE(t.x1, 0.48f);
        int size[2] = {0, 0};
        painter.text_extent(check->fitted_text().font, "Show Fragments", size);
        EXPECT_LE(t.x1 + static_cast<float>(size[0]) / 320.0f, check->x2 - 0.07f);
    }
    EXPECT_TRUE(found);
}

