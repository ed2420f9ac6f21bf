// The joystick axes and buttons pages over a controller made inside SDL (no hardware).
#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gui_fixture.h"
#include "shell/joystick_input.h"
#include "ui/joystick_buttons_dialog.h"
#include "ui/joystick_dialog.h"
#include "ui/screens.h"

namespace {

TEST(joystick_mapping, defaults_follow_the_first_controllers_axes) {
    joystick_input joy;
    joy.present_axes[0] = 1 | 2 | 64;  // X, Y and slider 1, no Z, no rotation
    joy.present_axes[1] = 1;
    joy.action_axis_codes[9] = 0x0101;
    joy.axis_gain(0, 6) = -0.5f;
    joystick_set_defaults(joy, 0);
    EXPECT_EQ(joy.action_axis_codes[0], 1);
    EXPECT_EQ(joy.action_axis_codes[1], 2);
    EXPECT_EQ(joy.action_axis_codes[2], 7);
    EXPECT_EQ(joy.action_axis_codes[3], 0);
    EXPECT_EQ(joy.action_axis_codes[9], 0);
    EXPECT_EQ(joy.enabled_axes[1], 1);
    EXPECT_FLOAT_EQ(joy.axis_gain(0, 6), 1.0f);
    joy.present_axes[0] |= 8;  // X rotation, still no Z rotation
    joystick_set_defaults(joy, 0);
    EXPECT_EQ(joy.action_axis_codes[3], 4);
}

TEST(joystick_mapping, empty_frees_the_axis_and_writes_no_entry) {
    joystick_input joy;
    joystick_assign_row(joy, 1, 2, 0);  // controller 1's Z axis drives logical axis 0
    EXPECT_EQ(joy.action_axis_codes[0], 0x0103);
    // "[Empty]" is the item after the last logical axis.
    joy.action_axis_codes[15] = 0x0104;
    joystick_assign_row(joy, 1, 2, joystick_input::k_actions);
    EXPECT_EQ(joystick_logical_of_row(joy, 1, 2), -1);
    EXPECT_EQ(joy.action_axis_codes[15], 0x0104);
    EXPECT_EQ(joy.action_buttons[0], 1);  // the word after the table
}

class joystick_page_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 7, 16, 1);
        ASSERT_GE(index, 0) << SDL_GetError();
        handle = SDL_JoystickOpen(index);
        ASSERT_NE(handle, nullptr);
        ASSERT_EQ(joy.init(false), S_OK);
        g_joystick = &joy;
        root->init();
    }
    void TearDown() override {
        root.reset();
        g_joystick = nullptr;
        joy.release();
        SDL_JoystickClose(handle);
        SDL_JoystickDetachVirtual(index);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        gui_fixture::TearDown();
    }
    gui_window* open(int command, gui_callback cb) {
        pending_command = command;
        root->update();
        return root->find_dialog(cb);
    }
    void buttons(std::initializer_list<int> down) {
        for (int b = 0; b < 16; ++b) SDL_JoystickSetVirtualButton(handle, b, 0);
        for (int b : down) SDL_JoystickSetVirtualButton(handle, b, 1);
        float pitch = 0, heading = 0;
        joy.poll(&pitch, &heading);
    }
    static gui_rect* find(const gui_window* w, int kind, const char* text, int nth = 0) {
        for (int i = 0; i < w->rect_count; ++i) {
            gui_rect* r = w->rect(i);
            if (r->kind == kind && r->text && std::strcmp(r->text.get(), text) == 0 && nth-- == 0) return r;
        }
        return nullptr;
    }
    // The drop-down of a row: the one whose field sits beside the row's check box.
    static gui_window* drop_down_of(gui_window* w, const char* row) {
        const gui_rect* box = find(w, rect_kind::check_box, row);
        for (int i = 0; i < w->child_count; ++i) {
            gui_window* c = w->child(i);
            if (c->kind == window_kind::drop_down && std::fabs(c->rect(0)->y1 - box->y1 - 0.01f) < 1e-4f) return c;
        }
        return nullptr;
    }
    static gui_window* slider_below(gui_window* w, const char* row) {
        const gui_rect* box = find(w, rect_kind::check_box, row);
        for (int i = 0; i < w->child_count; ++i) {
            gui_window* c = w->child(i);
            // A slider's track sits 0.032 below its top; a row's slider ends 0.02 below the row.
            if (c->kind == window_kind::horizontal_slider &&
                std::fabs(c->rect(0)->y2 + 0.032f - (box->y1 - 0.02f)) < 1e-4f) return c;
        }
        return nullptr;
    }
    // Red marks and bars drawn by the page.
    int red_fills() const {
        int n = 0;
        for (const std::string& c : painter.find("fill ")) n += c.size() > 8 && c.compare(c.size() - 8, 8, "C0FF0000") == 0;
        return n;
    }
    static void choose(gui_window* w, gui_window* combo, int item) {
        combo->combo_select(item);
        w->current = w->index_of(combo) + 1;
        w->send(gui_event::child_committed);
    }

    joystick_input joy;
    int index = -1;
    SDL_Joystick* handle = nullptr;
};

TEST_F(joystick_page_test, rows_edit_the_controllers_own_axes) {
    gui_window* w = open(7, joystick_dialog);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->child(0)->list_item_count(), 1);
    EXPECT_STREQ(drop_down_of(w, "X Axis")->rect(0)->text.get(), "Axis_0");
    EXPECT_STREQ(drop_down_of(w, "Slider 1")->rect(0)->text.get(), "[Empty]");
    // The slider row's sensitivity is the slider's scale, never the X rotation's.
    gui_window* slider = slider_below(w, "Slider 1");
    ASSERT_NE(slider, nullptr);
    slider->set_slider_value(255);
    w->current = w->index_of(slider) + 1;
    w->send(gui_event::child_scrolled);
    EXPECT_NEAR(joy.axis_gains[3][0], 1.7f, 1e-5f);  // the table keeps X, Y, Z, slider, Rx, ...
    EXPECT_FLOAT_EQ(joy.axis_gains[4][0], 1.0f);
    EXPECT_NEAR(joy.axis_gain(0, 6), 1.7f, 1e-5f);
    click_rect(w, find(w, rect_kind::check_box, "Reverse", 6));
    EXPECT_NEAR(joy.axis_gain(0, 6), -1.7f, 1e-5f);
    EXPECT_FLOAT_EQ(joy.axis_gain(0, 3), 1.0f);
    // Turning an axis off clears its bit.
    click_rect(w, find(w, rect_kind::check_box, "Y Axis"));
    EXPECT_EQ(joy.enabled_axes[0] & 2, 0);
    EXPECT_EQ(joy.enabled_axes[0] & 128, 128);  // the hat stays on
    // Reassigning a logical axis frees the row that drove it.
    choose(w, drop_down_of(w, "Slider 1"), 0);
    EXPECT_EQ(joy.action_axis_codes[0], 7);
    EXPECT_STREQ(drop_down_of(w, "X Axis")->rect(0)->text.get(), "[Empty]");
    EXPECT_STREQ(drop_down_of(w, "Slider 1")->rect(0)->text.get(), "Axis_0");
    choose(w, drop_down_of(w, "Slider 1"), joystick_input::k_actions);  // "[Empty]"
    EXPECT_EQ(joy.action_axis_codes[0], 0);
    click_rect(w, find(w, rect_kind::button, "Set Defaults"));
    EXPECT_EQ(joy.action_axis_codes[0], 1);
    EXPECT_FLOAT_EQ(joy.axis_gain(0, 6), 1.0f);
    EXPECT_EQ(find(w, rect_kind::check_box, "Reverse", 6)->ticked, 0);
    EXPECT_NEAR(slider->slider_value(), 150.0f, 0.01f);
    click_rect(w, find(w, rect_kind::tab_button, "Buttons"));
    EXPECT_EQ(pending_command, 8);
}

TEST_F(joystick_page_test, live_bars_of_the_axes_in_use) {
    gui_window* w = open(7, joystick_dialog);
    SDL_JoystickSetVirtualAxis(handle, 0, 32767);
    float pitch = 0, heading = 0;
    for (int i = 0; i < 60; ++i) joy.poll(&pitch, &heading);
    painter.calls.clear();
    root->render();
    // Four logical axes have a controller axis: one bar each.
    EXPECT_EQ(red_fills(), 4);
    ASSERT_NE(w, nullptr);
}

TEST_F(joystick_page_test, a_pressed_button_goes_to_the_selected_action) {
    gui_window* w = open(8, joystick_buttons_dialog);
    ASSERT_NE(w, nullptr);
    gui_window* list = w->child(0);
    ASSERT_EQ(list->list_item_count(), 16);
    EXPECT_STREQ(list->list_item(2)->text.get(), "Button_2 - Btn 3 - Joy 1");
    // Nothing selected: a press assigns nothing.
    buttons({5});
    root->update();
    EXPECT_EQ(joy.action_buttons[2], 3);
    // A button that always reads as pressed is set aside.
    click_rect(w, find(w, rect_kind::button, "Ignore Pressed"));
    click_rect(list, list->list_item(2));
    root->update();
    EXPECT_EQ(joy.action_buttons[2], 3);
    // Two new buttons at once: one assignment per tick, the first one.
    buttons({5, 7, 9});
    root->update();
    EXPECT_EQ(joy.action_buttons[2], 8);
    EXPECT_EQ(joy.action_buttons[7], 0);  // the button's former action lost it
    EXPECT_STREQ(list->list_item(2)->text.get(), "Button_2 - Btn 8 - Joy 1");
    EXPECT_STREQ(list->list_item(7)->text.get(), "Button_7");
    painter.calls.clear();
    root->render();
    EXPECT_EQ(red_fills(), 2);  // the ignored button has no mark
    click_rect(w, find(w, rect_kind::button, "Clear Selected"));
    EXPECT_EQ(joy.action_buttons[2], 0);
    click_rect(w, find(w, rect_kind::button, "Defaults"));
    EXPECT_EQ(joy.action_buttons[7], 8);
    click_rect(w, find(w, rect_kind::button, "Clear All"));
    for (std::uint16_t code : joy.action_buttons) EXPECT_EQ(code, 0);
}

}  // namespace
