// Screens and dialogs whose own files are still to come. Each is listed here until it is
// written; the GUI does not install or open them (is_later_screen), so the buttons and keys
// that lead to them do nothing yet. Writing a screen means removing it from this file. The
// design screens written above the GUI keep their names here as forwarders to the callbacks
// the program installs (install_design_screen).
#include "ui/screens.h"

namespace {
int later(gui_window*, int) { return 0; }

gui_callback installed[static_cast<int>(design_screen_id::count)] = {};

int forward(design_screen_id id, gui_window* w, int event) {
    const gui_callback cb = installed[static_cast<int>(id)];
    return cb != nullptr ? cb(w, event) : 0;
}

bool installed_screen(gui_callback cb) {
    if (cb == missile_design_screen) return installed[static_cast<int>(design_screen_id::missile)] != nullptr;
    if (cb == aero_design_screen) return installed[static_cast<int>(design_screen_id::aero)] != nullptr;
    return false;
}
}  // namespace

void install_design_screen(design_screen_id id, gui_callback cb) {
    const int i = static_cast<int>(id);
    if (i >= 0 && i < static_cast<int>(design_screen_id::count)) installed[i] = cb;
}

int missile_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::missile, w, event);
}
int motor_design_screen(gui_window* w, int event) { return later(w, event); }
int aero_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::aero, w, event);
}
int warhead_design_screen(gui_window* w, int event) { return later(w, event); }
int fuse_design_screen(gui_window* w, int event) { return later(w, event); }
int guidance_design_screen(gui_window* w, int event) { return later(w, event); }
int launcher_design_screen(gui_window* w, int event) { return later(w, event); }
int control_unit_design_screen(gui_window* w, int event) { return later(w, event); }
int test_conditions_screen(gui_window* w, int event) { return later(w, event); }
int scenario_design_screen(gui_window* w, int event) { return later(w, event); }

bool is_later_screen(gui_callback cb) {
    if (installed_screen(cb)) return false;
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
