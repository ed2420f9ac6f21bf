// The rocket motor screen: bounded dimensions and untouched fields on Apply, the static fire's
// pace, recording, plotting and buttons, the charge list, and motor files with more charges or
// grain types than the screen knows.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "design/motor_design_screen.h"
#include "simulation/rocket_motor.h"
#include "platform/text.h"
#include "core/device_calls.h"
#include "tests/design/design_fixture.h"
#include "tests/ui/overlay_fixture.h"
#include "ui/graph.h"

using namespace design;

namespace {

// Private words of the motor screen: the twelve fields from the first free word on.
constexpr int k_first_field = slot::first_free;
constexpr int k_first_readout = slot::first_free + k_max_fields + 2;
enum : int { k_chamber = 0, k_throat = 1, k_exit = 2, k_length = 3, k_first_charge_field = 5, k_charge_coefficient = 11 };

}  // namespace

class DesignMotor : public design_fixture {
protected:
    rocket_motor& motor() { return *m->motor; }
    gui_rect* field(int n) { return rect_at(root.get(), k_first_field + n); }
    const char* fire_text() { return find_text("Fire") ? "Fire" : find_text("Pause") ? "Pause" : "Resume"; }
    gui_window* charge_list() { return root->child(1); }
    void select_charge(int k) {
        charge_list()->list_select(k);
        commit(charge_list());
    }
    // Opens the screen on its first charge.
    void open_motor() {
        open(15);
        select_charge(0);
    }
    void load_motor(const char* name) {
        load(name);
        EXPECT_NE(find_text((std::string("Rocket Motor - ") + name).c_str()), nullptr);
    }
    // Saves the motor as a file, then rewrites one of its lines.
    void write_motor(const char* name, const std::string& line, const std::string& replacement, int charges = 2) {
        rocket_motor other;
        other.charge_count = charges;
        ASSERT_TRUE(other.save(name));
        const std::string file = std::string("motors/") + name + ".txt";
        std::string text = tmp.read(file);
        const std::size_t at = text.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        text.replace(at, line.size(), replacement);
        tmp.write(file, text);
    }
};

TEST_F(DesignMotor, ApplyBoundsTheNozzleAndKeepsWhatTheFieldsCannotShow) {
    open_motor();
    rocket_motor& r = motor();
    r.charge_coefficient[0] = 0.004f;  // shows as "0.00"
    root->send(design_event::show);
    EXPECT_STREQ(field(k_charge_coefficient)->text.get(), "0.00");

    field(k_throat)->set_text("20");
    field(k_exit)->set_text("500");
    press_and_click("Apply Changes");
    EXPECT_EQ(r.charge_coefficient[0], 0.004f);
    EXPECT_STREQ(field(k_throat)->text.get(), field(k_chamber)->text.get());
    EXPECT_FLOAT_EQ(r.exit_diameter, 5.0f * r.throat_diameter);
    EXPECT_STREQ(field(k_exit)->text.get(), format_string("%4.2f", 5.0 * r.throat_diameter).c_str());
    // Text that is not a number keeps the value.
    const float length = r.chamber_length;
    field(k_length)->set_text("long");
    press_and_click("Apply Changes");
    EXPECT_EQ(r.chamber_length, length);
}

TEST_F(DesignMotor, StaticFireBurnsAHundredthPerFrameAndRecordsEveryTenth) {
    open_motor();
    rocket_motor& r = motor();
    state->smoothed_step = 0.04f;  // slow frames: the burn runs slower than real time
    // The screen keeps its next redraw time for the program's life: each run starts later.
    static std::uint32_t start = 0;
    start += 100000;
    state->now = start;
    press_and_click("Fire");
    ASSERT_TRUE(r.running);
    root->send(gui_event::tick);
    EXPECT_NEAR(r.burn_time, 0.01f, 1e-5f);
    EXPECT_STREQ(fire_text(), "Pause");
    EXPECT_NE(find_text("T = 0.01 sec"), nullptr);
    EXPECT_EQ(g_graph.sample_count, 1);  // plotted at once, then not for 200 ms
    for (int i = 1; i < 25; ++i) root->send(gui_event::tick);
    EXPECT_NEAR(r.burn_time, 0.25f, 1e-4f);
    EXPECT_EQ(g_graph.sample_count, 1);
    state->now = start + 201;
    root->send(gui_event::tick);  // the 26th tick: rows of ticks 1, 11 and 21
    EXPECT_EQ(g_graph.sample_count, 3);
    EXPECT_NEAR(g_graph.samples[2][0], 0.21f, 1e-4f);

    // Fire pauses and resumes; nothing burns while paused.
    press_and_click("Pause");
    root->send(gui_event::tick);
    EXPECT_STREQ(fire_text(), "Resume");
    const float paused_at = r.burn_time;
    root->send(gui_event::tick);
    EXPECT_EQ(r.burn_time, paused_at);
    press_and_click("Resume");
    root->send(gui_event::tick);
    EXPECT_STREQ(fire_text(), "Pause");
    EXPECT_GT(r.burn_time, paused_at);

    // Stop keeps the recording for the save's table: a title line and three rows.
    press_and_click("Stop");
    EXPECT_FALSE(r.running);
    root->send(gui_event::tick);
    EXPECT_STREQ(fire_text(), "Fire");
    save_as("Stand");
    EXPECT_EQ(line_count("motors/Stand.csv"), 4);

    // A readout plots its channel at once; the time readout plots the thrust.
    for (const auto& [readout, channel] : {std::pair{3, 3}, std::pair{0, 1}, std::pair{5, 5}}) {
        root->pressed = root->index_of(rect_at(root.get(), k_first_readout + readout)) + 1;
        root->send(gui_event::click);
        EXPECT_EQ(g_graph.channel, channel);
    }
}

TEST_F(DesignMotor, ChargeListAndFilesBeyondTheScreen) {
    open_motor();
    rocket_motor& r = motor();
    for (int i = 0; i < 6; ++i) press_and_click("Add Charge");
    EXPECT_EQ(r.charge_count, 4);
    EXPECT_EQ(charge_list()->list_item_count(), 4);
    for (int i = 0; i < 6; ++i) press_and_click("Remove Charge");
    EXPECT_EQ(r.charge_count, 0);
    EXPECT_EQ(charge_list()->list_item_count(), 0);

    // Nine charges in a file of four records are four; the fourth selected, then a motor of two
    // pulls the selection back to its last charge.
    write_motor("Nine", "4\t[NS]", "9\t[NS]", 4);
    load_motor("Nine");
    EXPECT_EQ(r.charge_count, 4);
    EXPECT_EQ(charge_list()->list_item_count(), 4);
    select_charge(3);
    EXPECT_NE(find_text("Propellant Charge 4 - Select from list"), nullptr);
    write_motor("Two", "2\t[NS]", "2\t[NS]");
    load_motor("Two");
    EXPECT_NE(find_text("Propellant Charge 2 - Select from list"), nullptr);
    EXPECT_EQ(charge_list()->list_selected_index(), 1);

    // A grain type without a name shows "UNKNOWN" and survives an Apply.
    write_motor("Seven", "4\t[TYP]", "7\t[TYP]");
    load_motor("Seven");
    select_charge(0);
    EXPECT_EQ(r.charge_type[0], 7);
    EXPECT_STREQ(charge_list()->list_item(0)->text.get(), "1) UNKNOWN");
    EXPECT_STREQ(root->child(3)->rect(0)->text.get(), "UNKNOWN");
    press_and_click("Apply Changes");
    EXPECT_EQ(r.charge_type[0], 7);
}

TEST_F(DesignMotor, ARefusedValueSaysWhyOnTheHintLine) {
    open_motor();
    rocket_motor& r = motor();
    const gui_rect* hint = rect_at(root.get(), slot::hint);
    ASSERT_NE(hint, nullptr);
    EXPECT_STREQ(hint->text.get(), k_save_hint);
    float charges = 0;
    for (int i = 0; i < r.charge_count; ++i) charges += r.charge_length[i];
    const float least = std::max(r.chamber_diameter, charges + 0.5f);
    ASSERT_GT(least, 40.0f);

    // Too short for its charges: the field shows the bound and the hint says why.
    field(k_length)->set_text("40");
    press_and_click("Apply Changes");
    EXPECT_FLOAT_EQ(r.chamber_length, least);
    EXPECT_STREQ(field(k_length)->text.get(), format_string("%4.2f", static_cast<double>(least)).c_str());
    EXPECT_EQ(std::string(hint->text.get()),
              format_string("Chamber Length 40.00 refused: at least %4.2f (the charges + 0.5 cm)",
                            static_cast<double>(least)));

    // A value taken as typed brings the usual hint back.
    field(k_length)->set_text(format_string("%4.2f", static_cast<double>(least + 10.0f)).c_str());
    press_and_click("Apply Changes");
    EXPECT_STREQ(hint->text.get(), k_save_hint);

    // Enter reports too; a throat wider than the chamber is held at the chamber's diameter.
    field(k_throat)->set_text("500");
    root->send(gui_event::enter);
    EXPECT_FLOAT_EQ(r.throat_diameter, r.chamber_diameter);
    EXPECT_NE(std::string(hint->text.get()).find("Throat Diameter 500.00 refused: at most"), std::string::npos);
}

// The hint speaks only of what was typed, and of the motor on the screen: a bound that moves
// a field the user left alone is not named, and a Load or a new visit brings the usual hint.
TEST_F(DesignMotor, TheRefusalHintNamesOnlyTheTypedFieldAndGoesWithItsMotor) {
    open_motor();
    rocket_motor& r = motor();
    const gui_rect* hint = rect_at(root.get(), slot::hint);
    ASSERT_NE(hint, nullptr);
    save_as("Spare");

    // A narrower throat is taken; the exit, held at 5 x the throat, moves in its field only.
    ASSERT_GT(r.exit_diameter, 2.5f);
    field(k_throat)->set_text("0.50");
    press_and_click("Apply Changes");
    EXPECT_FLOAT_EQ(r.throat_diameter, 0.5f);
    EXPECT_FLOAT_EQ(r.exit_diameter, 2.5f);
    EXPECT_STREQ(field(k_exit)->text.get(), "2.50");
    EXPECT_STREQ(hint->text.get(), k_save_hint);
    // A longer charge is taken; the chamber grows round it without being named.
    const float chamber = r.chamber_length;
    field(k_first_charge_field)->set_text(format_string("%4.2f", static_cast<double>(r.charge_length[0] + 30.0f)).c_str());
    press_and_click("Apply Changes");
    EXPECT_GT(r.chamber_length, chamber);
    EXPECT_STREQ(hint->text.get(), k_save_hint);
    // Typed and refused: the typed field is named, not the exit it moved too.
    field(k_throat)->set_text("0.10");
    press_and_click("Apply Changes");
    EXPECT_EQ(std::string(hint->text.get()).rfind("Throat Diameter 0.10 refused: at least", 0), 0u) << hint->text.get();

    // A Load replaces the motor the hint spoke of.
    field(k_length)->set_text("1");
    press_and_click("Apply Changes");
    EXPECT_EQ(std::string(hint->text.get()).rfind("Chamber Length 1.00 refused", 0), 0u) << hint->text.get();
    load_motor("Spare");
    EXPECT_STREQ(rect_at(root.get(), slot::hint)->text.get(), k_save_hint);

    // So does leaving the screen and coming back.
    field(k_length)->set_text("1");
    press_and_click("Apply Changes");
    EXPECT_NE(std::string(rect_at(root.get(), slot::hint)->text.get()), k_save_hint);
    press_and_click("Close");
    open_motor();
    EXPECT_STREQ(rect_at(root.get(), slot::hint)->text.get(), k_save_hint);
}

// In a window wider than 4:3 the motor burning on the stand is drawn through the screen's 4:3
// area only: its flame and smoke stop at the area's edges, not in the black margins.
TEST_F(DesignMotor, TheStaticFireStaysInsideTheFourByThreeArea) {
    overlay_setup o(1920, 1080, false);
    gui_scale[0] = 3.0f;
    gui_scale[1] = 2.25f;
    use_device(o.device.get());
    open_motor();
    press_and_click("Fire");
    for (int i = 0; i < 5; ++i) root->send(gui_event::tick);
    ASSERT_TRUE(motor().running);
    o.device->clear_records();
    root->send(gui_event::draw);
    int lit = 0;
    for (const draw_record& d : o.device->draws()) {
        if (d.state.render[RS_LIGHTING] == 0) continue;  // the panels and the graph
        ++lit;
        EXPECT_EQ(d.state.viewport.x, 240u);
        EXPECT_EQ(d.state.viewport.width, 1440u);
    }
    EXPECT_GT(lit, 0);
    // The GUI after it has the whole window again.
    EXPECT_EQ(o.device->viewport().x, 0u);
    EXPECT_EQ(o.device->viewport().width, 1920u);
    use_device(nullptr);
    gui_scale[0] = gui_scale[1] = 1.0f;
}

TEST(MotorRefusal, NamesTheFieldTheBoundAndWhy) {
    EXPECT_EQ(motor_refusal(3, 5.0f, 10.5f, 10.5f),
              "Chamber Length 5.00 refused: at least 10.50 (the chamber diameter)");
    EXPECT_EQ(motor_refusal(4, 500.0f, 200.0f, 10.0f), "Ignition Pressure 500.00 refused: at most 200.00 (2 to 200 atm)");
    EXPECT_EQ(motor_refusal(6, 2.0f, 3.0f, 10.0f), "Outer Diameter 2.00 refused: at least 3.00 (the inner diameter)");
    EXPECT_EQ(motor_refusal(2, std::nanf(""), 2.1f, 10.0f), "Exit Diameter refused: 2.10 kept (the throat + 0.1 cm)");
    // Taken as typed, or no such field: nothing to say.
    EXPECT_EQ(motor_refusal(0, 10.0f, 10.0f, 10.0f), "");
    EXPECT_EQ(motor_refusal(12, 1.0f, 2.0f, 10.0f), "");
    EXPECT_EQ(motor_refusal(-1, 1.0f, 2.0f, 10.0f), "");
}
