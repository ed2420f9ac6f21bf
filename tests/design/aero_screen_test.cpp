// The aerodynamic configuration screen: the plotted table, the wing-set list, saving with its
// CSV, the drop-down and list when nothing is chosen, and the preview whole or part by part.
#include <cmath>

#include "core/device_calls.h"
#include "design/aero_graph.h"
#include "platform/recording_device.h"
#include "simulation/aero_config.h"
#include "tests/design/design_fixture.h"
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

class DesignAeroPreview : public DesignAero {
protected:
    void SetUp() override {
        DesignAero::SetUp();
        present_params params;
        params.back_buffer_width = 640;
        params.back_buffer_height = 480;
        device = std::make_unique<recording_device>(params);
        use_device(device.get());
    }
    void TearDown() override {
        use_device(nullptr);
        device.reset();
        DesignAero::TearDown();
    }
    // The airframe's draws of one draw event (its vertices are 32 bytes; the plot's are not).
    std::vector<draw_record> draw() {
        device->clear_records();
        root->send(gui_event::draw);
        std::vector<draw_record> out;
        for (const draw_record& d : device->draws()) {
            if (d.stride == 32) out.push_back(d);
        }
        return out;
    }
    static bool highlighted(const draw_record& d) {
        const color_value c = d.state.material.diffuse;
        return c.r == 0.5f && c.g == 0.5f && c.b == 0.0f;
    }

    std::unique_ptr<recording_device> device;
};

TEST_F(DesignAeroPreview, WholeAfterBuildAndApplyElsePartByPartWithTheChosenSetHighlighted) {
    aero_config& a = *m->aero;
    a.NW = 2;
    open(16);
    // Whole: the body (after its nose cap, then the cap) first, then four panels a set.
    std::vector<draw_record> d = draw();
    ASSERT_EQ(d.size(), 2u + 4u * 2u);
    EXPECT_EQ(d[0].primitive_count * 3 + d[1].primitive_count * 3, static_cast<int>(a.body_vertices.size()));
    for (const draw_record& r : d) EXPECT_FALSE(highlighted(r));
    EXPECT_EQ(device->render_state(RS_LIGHTING), 0u);
    EXPECT_EQ(device->render_state(RS_ZENABLE), 0u);

    // Choosing set 2 draws the sets first, the chosen one highlighted, and the body last.
    gui_window* l = root->child(1);
    l->list_select(1);
    root->current = 2;
    root->send(gui_event::child_committed);
    d = draw();
    ASSERT_GE(d.size(), 4u * 2u + 2u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(highlighted(d[i]), i >= 4) << i;
    EXPECT_EQ(d[8].primitive_count * 3 + d[9].primitive_count * 3, static_cast<int>(a.body_vertices.size()));

    press_and_click("Apply Changes");
    d = draw();
    ASSERT_EQ(d.size(), 2u + 4u * 2u);
    for (const draw_record& r : d) EXPECT_FALSE(highlighted(r));
}
