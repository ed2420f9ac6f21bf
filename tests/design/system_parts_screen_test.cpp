// The control unit and launcher screens: model drop-downs of folders only, names kept when
// nothing is chosen, whole numbers from decimal text, bounded angles, the turning sound of a
// jogged angle, and the titles after saving and loading.
#include <string>

#include "design/launcher_design_screen.h"
#include "platform/files.h"
#include "simulation/control_unit.h"
#include "simulation/launcher.h"
#include "tests/design/design_fixture.h"

using namespace design;

class DesignSystemParts : public design_fixture {
protected:
    gui_rect* field(int n) { return rect_at(root.get(), slot::first_free + n); }
    // The names a drop-down lists.
    std::string items(const gui_window* box) {
        std::string out;
        const gui_window* list = box->last_child();
        for (int k = 0; list->list_item(k) != nullptr; ++k) out += std::string(list->list_item(k)->text.get()) + ";";
        return out;
    }
};

TEST_F(DesignSystemParts, ControlUnitListsFoldersAndKeepsWhatIsNotChosen) {
    control_unit& c = *system->control;
    fs_make_folder("radars");
    fs_make_folder("radars\\Dish");
    fs_make_folder("radars\\Array");
    tmp.write("radars/notes.txt", "not a model");
    fs_make_folder("commands");  // empty
    open(21);
    gui_window* command = root->child(1);
    gui_window* radar = root->child(2);
    EXPECT_EQ(items(radar), "Array;Dish;");
    EXPECT_EQ(items(command), "");
    // The unit's own radar is not listed: it is shown, and Apply keeps it and the command post.
    EXPECT_STREQ(radar->rect(0)->text.get(), "Parabolic_Radar");
    press_and_click("Apply Changes");
    EXPECT_STREQ(c.radar_name, "Parabolic_Radar");
    EXPECT_STREQ(c.command_name, "Tent");

    // Choosing a radar takes it at once.
    radar->combo_select(1);
    commit(radar);
    EXPECT_STREQ(c.radar_name, "Dish");

    // Whole targets from decimal text; values are taken as typed, negative too.
    field(2)->set_text("3.7");
    field(0)->set_text("-2");
    root->send(gui_event::enter);
    EXPECT_EQ(c.num_targets, 3);
    EXPECT_EQ(c.protected_radius, -2.0f);
    press_and_click("Apply Changes");
    EXPECT_STREQ(field(2)->text.get(), "3");

    save_as("Post");
    EXPECT_NE(find_text("Control Design - Post"), nullptr);
    c.num_targets = 9;
    load("Post");
    EXPECT_EQ(c.num_targets, 3);
    EXPECT_STREQ(field(2)->text.get(), "3");
}

TEST_F(DesignSystemParts, LauncherBoundsItsAnglesAndSoundsAJoggedTurn) {
    launcher& l = *system->launch_unit;
    // An empty folder lists nothing, and Apply keeps the model.
    open(20);
    EXPECT_EQ(items(root->child(1)), "");
    press_and_click("Apply Changes");
    EXPECT_STREQ(l.model_name, "amraam");

    fs_make_folder("launchers\\Rail");
    tmp.write("launchers/Rail.txt", "a definition, not a model");
    open(20);
    gui_window* model = root->child(1);
    EXPECT_EQ(items(model), "Rail;");
    model->combo_select(0);
    commit(model);
    EXPECT_STREQ(l.model_name, "Rail");

    field(1)->set_text("120");
    field(0)->set_text("-135");
    field(3)->set_text("-4");
    press_and_click("Apply Changes");
    EXPECT_STREQ(field(1)->text.get(), "90.00");
    EXPECT_STREQ(field(0)->text.get(), "-90.00");
    EXPECT_EQ(l.reload_time, -4.0f);

    // The jog slider on the elevation: each step that turns the barrel is heard once; at the
    // stop the text runs on in silence and the release shows the bound.
    field(1)->set_text("80");
    press_and_click("Apply Changes");
    ASSERT_NE(jog_up(field(1)), nullptr);
    state->smoothed_step = 0.5f;  // 6.375 degrees a step
    log.sounds.clear();
    root->send(gui_event::tick);
    EXPECT_NEAR(l.elevation_angle, 86.38f, 1e-3f);  // as the field prints it
    EXPECT_EQ(log.sounds, std::vector<int>{k_turning_sound});
    root->send(gui_event::tick);
    EXPECT_EQ(l.elevation_angle, 90.0f);
    EXPECT_EQ(log.sounds.size(), 2u);
    root->send(gui_event::tick);
    EXPECT_EQ(log.sounds.size(), 2u);
    EXPECT_STRNE(field(1)->text.get(), "90.00");
    root->send(gui_event::child_committed);
    EXPECT_STREQ(field(1)->text.get(), "90.00");
}
