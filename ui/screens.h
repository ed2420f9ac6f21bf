// The program's screens and dialogs: each a callback of a GUI window and an event. The root
// window carries the current screen as its callback; dialogs and views are its children.
#pragma once

#include "ui/gui_window.h"

// Screens installed on the root.
int main_menu_screen(gui_window* w, int event);
int run_screen(gui_window* w, int event);
int missile_design_screen(gui_window* w, int event);
int motor_design_screen(gui_window* w, int event);
int aero_design_screen(gui_window* w, int event);
int warhead_design_screen(gui_window* w, int event);
int fuse_design_screen(gui_window* w, int event);
int guidance_design_screen(gui_window* w, int event);
int launcher_design_screen(gui_window* w, int event);
int control_unit_design_screen(gui_window* w, int event);
int test_conditions_screen(gui_window* w, int event);
int scenario_design_screen(gui_window* w, int event);

// Dialogs and views, children of the root.
int keys_dialog(gui_window* w, int event);
int about_dialog(gui_window* w, int event);
int quit_dialog(gui_window* w, int event);
int video_dialog(gui_window* w, int event);
int sound_dialog(gui_window* w, int event);
int joystick_dialog(gui_window* w, int event);
int joystick_buttons_dialog(gui_window* w, int event);
int weather_dialog(gui_window* w, int event);
int run_scenario_dialog(gui_window* w, int event);
int tips_dialog(gui_window* w, int event);
int results_dialog(gui_window* w, int event);
int flight_graph_dialog(gui_window* w, int event);
int radar_view_dialog(gui_window* w, int event);
int telescope_view_dialog(gui_window* w, int event);
int map_view_dialog(gui_window* w, int event);
// The strip of buttons of a test run (launches, tracking, the views, the way out).
int test_control_dialog(gui_window* w, int event);

// The graph channel the flight graphs view shows (1 velocity ... 5 manoeuvre), kept between
// openings.
int flight_graph_channel();
int save_situation_dialog(gui_window* w, int event);

// The drop-down menus of the in-run screen's menu bar.
int situation_menu(gui_window* w, int event);
int options_menu(gui_window* w, int event);
int tools_menu(gui_window* w, int event);
int help_menu(gui_window* w, int event);

// The design tools' screens are written above the GUI (design/): the program installs their
// callbacks at start, and the GUI's names for them forward there (design_screen_links.cpp).
enum class design_screen_id : int {
    missile = 0,
    aero,
    motor,
    warhead,
    fuse,
    guidance,
    launcher,
    control_unit,
    test_conditions,
    scenario,
    count
};
void install_design_screen(design_screen_id id, gui_callback cb);

// Whether a callback is a design screen's name that no callback was installed for: the GUI
// neither installs nor opens those, so their buttons do nothing beyond what opening any
// dialog does first (in menu mode the open dialogs close).
bool is_uninstalled_design_screen(gui_callback cb);

// Refuses a situation file (a program path) that cannot be read whole, while the menus still
// show: a log line naming it and a "Load Error" box of `top` for `owner` that says why. True
// when it was refused.
bool refuse_damaged_situation(gui_window* top, gui_window* owner, const char* path, const char* name);
