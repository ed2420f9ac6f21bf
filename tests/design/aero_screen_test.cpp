// The aerodynamic configuration screen: the plotted table, the wing-set list, saving with its
// CSV, the drop-down and list when nothing is chosen, and the preview whole or part by part.
#include <cmath>

#include "core/device_calls.h"
#include "design/aero_graph.h"
#include "platform/recording_device.h"
#include "simulation/aero_config.h"
#include "tests/design/design_fixture.h"
#include "ui/graph.h"
#include "ui/message_box.h"

using namespace design;

TEST(DesignAeroGraph, FortyRowsWithinTheirLimits) {
    aero_config a;
    a.clamp_dimensions();
    a.compute_coefficients(0.0f);
    design_graph g;
    aero_graph_rows(a, &g);
    ASSERT_EQ(g.rows.size(), 40u);
    EXPECT_FLOAT_EQ(g.rows.front()[0], 0.1f);
    EXPECT_FLOAT_EQ(g.rows.back()[0], 4.0f);
    for (const graph_row& r : g.rows) {
        for (float v : r) ASSERT_TRUE(std::isfinite(v));
        EXPECT_LE(r[5], 28.65f);
        EXPECT_LE(r[6], 40.0f);
    }
}

class DesignAero : public design_fixture {};

TEST_F(DesignAero, ThePlotIsLaidOutWhenItsDataChangeNotAtEveryDraw) {
    open(16);
    const int lines = g_graph.line_count;
    ASSERT_GT(lines, 0);
    // A draw shows the plot as it stands: it lays nothing out again.
    graph_clear_vertices();
    root->send(gui_event::draw);
    EXPECT_EQ(g_graph.line_count, 0);
    // A graph button lays it out at once.
    press_and_click("N(g) vs. Mach");
    EXPECT_EQ(g_graph.line_count, lines);
}

TEST_F(DesignAero, AddStopsAtEightRemoveAtNone) {
    open(16);
    aero_config& a = *m->aero;
    gui_window* l = root->child(1);
    ASSERT_EQ(l->kind, window_kind::list_box);
    EXPECT_EQ(l->list_item_count(), a.NW);
    for (int i = 0; i < 10; ++i) press_and_click("Add Wing Set");
    EXPECT_EQ(a.NW, 8);
    EXPECT_EQ(l->list_item_count(), 8);
    for (int i = 0; i < 10; ++i) press_and_click("Remove Wing Set");
    EXPECT_EQ(a.NW, 0);
    EXPECT_EQ(l->list_item_count(), 0);
    // No wing set: the wing fields are empty and Apply leaves the slots alone.
    const float chord = a.CR[0];
    press_and_click("Apply Changes");
    EXPECT_EQ(a.CR[0], chord);
    EXPECT_NE(find_text("Wing Set 1 - Select from list"), nullptr);
}

TEST_F(DesignAero, ListAndDropDownWithoutChoiceKeepTheSet) {
    aero_config& a = *m->aero;
    a.NW = 2;
    a.FLGW[0] = 0;
    a.FLGW[1] = 1;
    open(16);
    gui_window* l = root->child(1);
    gui_window* type = root->child(2);
    ASSERT_EQ(type->kind, window_kind::drop_down);
    l->list_select(1);
    root->current = 2;
    root->send(gui_event::child_committed);
    EXPECT_NE(find_text("Wing Set 2 - Select from list"), nullptr);
    l->list_select(-1);
    root->send(gui_event::child_committed);
    EXPECT_NE(find_text("Wing Set 2 - Select from list"), nullptr);
    // The drop-down relabels the list item at once.
    type->combo_select(0);
    root->current = 3;
    root->send(gui_event::child_committed);
    EXPECT_EQ(a.FLGW[1], 0);
    EXPECT_STREQ(l->list_item(1)->text.get(), "2) Static wing");
    // Nothing chosen in the drop-down keeps the flag through Apply.
    a.FLGW[1] = 1;
    root->send(design_event::show);
    type->last_child()->list_select(-1);
    press_and_click("Apply Changes");
    EXPECT_EQ(a.FLGW[1], 1);
}

TEST_F(DesignAero, SaveWritesTheTableThenTheConfiguration) {
    open(16);
    press_and_click("Save");
    answer("T1");
    EXPECT_TRUE(tmp.exists("configs/T1.txt"));
    EXPECT_EQ(line_count("configs/T1.csv"), 41);
    EXPECT_STREQ(m->aero->name, "T1");
    EXPECT_NE(find_text("Aero Config - T1"), nullptr);

    m->aero->LC = 10.0f;
    press_and_click("Load");
    answer("T1");
    EXPECT_NE(m->aero->LC, 10.0f);
    press_and_click("Load");
    answer("Missing");
    EXPECT_STREQ(g_message_box.message, "Could not load Missing");
    EXPECT_STREQ(m->aero->name, "T1");
}

TEST_F(DesignAero, PreviewWholeAfterBuildAndApplyElsePartByPartWithTheChosenSetHighlighted) {
    struct device_in_use {
        recording_device device{present_params{}};
        device_in_use() { use_device(&device); }
        ~device_in_use() { use_device(nullptr); }
    } in_use;
    recording_device& device = in_use.device;
    m->aero->NW = 2;
    open(16);
    // The airframe's draws (32-byte vertices; the plot's are not): the whole airframe is the
    // body (two draws) and four panels a set, and nothing is highlighted.
    const auto draw = [&] {
        device.clear_records();
        // As the GUI's pass sets the device before the windows draw.
        device.set_render_state(RS_LIGHTING, 0);
        device.set_render_state(RS_ZENABLE, 0);
        root->send(gui_event::draw);
        std::vector<bool> highlighted;
        for (const draw_record& d : device.draws()) {
            const color_value c = d.state.material.diffuse;
            if (d.stride == 32) highlighted.push_back(c.r == 0.5f && c.g == 0.5f && c.b == 0.0f);
        }
        return highlighted;
    };
    EXPECT_EQ(draw(), std::vector<bool>(10, false));
    EXPECT_EQ(device.render_state(RS_LIGHTING), 0u);

    // Choosing set 2: the sets first, the chosen one highlighted, then the body.
    root->child(1)->list_select(1);
    root->current = 2;
    root->send(gui_event::child_committed);
    const std::vector<bool> parts = draw();
    ASSERT_EQ(parts.size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(parts[i], i >= 4 && i < 8) << i;

    press_and_click("Apply Changes");
    EXPECT_EQ(draw(), std::vector<bool>(10, false));
}
