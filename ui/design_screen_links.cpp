// The links from the GUI to the design screens. The screens live above the GUI (design/); the
// GUI knows them by these names, which forward to the callbacks the program installs at start
// (install_design_screen). A program built without them (the GUI's own tests) installs none:
// the GUI then neither installs nor opens such a screen (is_uninstalled_design_screen), so the
// buttons and keys that lead to it do nothing.
#include "ui/screens.h"

namespace {
gui_callback installed[static_cast<int>(design_screen_id::count)] = {};

int forward(design_screen_id id, gui_window* w, int event) {
    const gui_callback cb = installed[static_cast<int>(id)];
    return cb != nullptr ? cb(w, event) : 0;
}

struct screen_name {
    gui_callback callback;
    design_screen_id id;
};

// The GUI's names of the design screens, in the order of design_screen_id.
constexpr screen_name k_screens[] = {
    {missile_design_screen, design_screen_id::missile},
    {aero_design_screen, design_screen_id::aero},
    {motor_design_screen, design_screen_id::motor},
    {warhead_design_screen, design_screen_id::warhead},
    {fuse_design_screen, design_screen_id::fuse},
    {guidance_design_screen, design_screen_id::guidance},
    {launcher_design_screen, design_screen_id::launcher},
    {control_unit_design_screen, design_screen_id::control_unit},
    {test_conditions_screen, design_screen_id::test_conditions},
    {scenario_design_screen, design_screen_id::scenario},
};
}  // namespace

void install_design_screen(design_screen_id id, gui_callback cb) {
    const int i = static_cast<int>(id);
    if (i >= 0 && i < static_cast<int>(design_screen_id::count)) installed[i] = cb;
}

int missile_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::missile, w, event);
}
int aero_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::aero, w, event);
}
int motor_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::motor, w, event);
}
int warhead_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::warhead, w, event);
}
int fuse_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::fuse, w, event);
}
int guidance_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::guidance, w, event);
}
int launcher_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::launcher, w, event);
}
int control_unit_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::control_unit, w, event);
}
int test_conditions_screen(gui_window* w, int event) {
    return forward(design_screen_id::test_conditions, w, event);
}
int scenario_design_screen(gui_window* w, int event) {
    return forward(design_screen_id::scenario, w, event);
}

bool is_uninstalled_design_screen(gui_callback cb) {
    for (const screen_name& s : k_screens) {
        if (s.callback == cb) return installed[static_cast<int>(s.id)] == nullptr;
    }
    return false;
}
