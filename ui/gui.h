// The root window of the program's own user interface: every screen and dialog is its child.
// One of the program's eight global objects.
#pragma once

class gui {
public:
    gui();
    ~gui();
    gui(const gui&) = delete;
    gui& operator=(const gui&) = delete;
};

// The program's one GUI root window; set by the entry function (tests set their own).
extern gui* g_gui;
