// Screens and dialogs whose own files are still to come. Each is listed here until it is
// written; the GUI does not install or open them (is_later_screen), so the buttons and keys
// that lead to them do nothing yet. Writing a screen means removing it from this file.
#include "ui/screens.h"

namespace {
int later(gui_window*, int) { return 0; }
}  // namespace

int missile_design_screen(gui_window* w, int event) { return later(w, event); }
int motor_design_screen(gui_window* w, int event) { return later(w, event); }
int aero_design_screen(gui_window* w, int event) { return later(w, event); }
int warhead_design_screen(gui_window* w, int event) { return later(w, event); }
int fuse_design_screen(gui_window* w, int event) { return later(w, event); }
int guidance_design_screen(gui_window* w, int event) { return later(w, event); }
int launcher_design_screen(gui_window* w, int event) { return later(w, event); }
int control_unit_design_screen(gui_window* w, int event) { return later(w, event); }
int test_conditions_screen(gui_window* w, int event) { return later(w, event); }
int scenario_design_screen(gui_window* w, int event) { return later(w, event); }

bool is_later_screen(gui_callback cb) {
    static constexpr gui_callback k_later[] = {
        missile_design_screen,   motor_design_screen,
        aero_design_screen,   warhead_design_screen,   fuse_design_screen,
        guidance_design_screen, launcher_design_screen, control_unit_design_screen,
        test_conditions_screen, scenario_design_screen,
    };
    for (gui_callback c : k_later) {
        if (c == cb) return true;
    }
    return false;
}
