// The design tools' screens. They live above the GUI, which knows them by the names of
// ui/screens.h; install_design_screens hands the GUI these callbacks at start.
#pragma once

#include "ui/gui_window.h"

namespace design {

int missile_design_screen(gui_window* w, int event);
int aero_design_screen(gui_window* w, int event);
int test_conditions_screen(gui_window* w, int event);
int warhead_design_screen(gui_window* w, int event);
int fuse_design_screen(gui_window* w, int event);
int guidance_design_screen(gui_window* w, int event);
int scenario_design_screen(gui_window* w, int event);
int motor_design_screen(gui_window* w, int event);
int control_unit_design_screen(gui_window* w, int event);
int launcher_design_screen(gui_window* w, int event);

void install_design_screens();

}  // namespace design
