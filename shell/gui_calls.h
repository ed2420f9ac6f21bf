// The calls the shell makes into the program's own user interface, which sits above it: the
// set-up and per-frame update of the GUI, its reaction to a new back-buffer size, its
// shutdown and the results window at the end of a scenario. The user interface installs its
// implementation at start-up; until then (and in tests) every call does nothing.
#pragma once

class gui_calls {
public:
    virtual ~gui_calls() = default;
    // Restores the overlay's device objects, lays the GUI out and opens the main menu.
    virtual void init() {}
    // The tick event to the windows that asked for it, then the pending command.
    virtual void update() {}
    // The GUI scale and fonts for the new back buffer; the top screen reopens.
    virtual void on_resize() {}
    // Releases the overlay's fonts and device objects.
    virtual void shutdown() {}
    // Opens the scenario results window (or brings it to the front).
    virtual void open_results() {}
};

// The installed implementation (one that does nothing when none is installed).
gui_calls& gui_link();
// Installs an implementation (none restores the default). The caller keeps ownership.
void install_gui_calls(gui_calls* calls);
