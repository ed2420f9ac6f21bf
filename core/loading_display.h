// The loading picture as the lower layers see it: start-up, the scenery loaders and the
// situation loader open it, show their captions on it (through app_state::show_status) and
// close it. The user interface draws it; it installs itself here, so the shell and the
// world reach it without depending on the user interface.
#pragma once

class loading_display {
public:
    virtual ~loading_display() = default;
    virtual void begin_loading_screen() = 0;
    // Shows one caption at once (the loading code gives no other chance to repaint).
    virtual void show_loading_status(const char* text) = 0;
    virtual void end_loading_screen() = 0;
};

// The installed display, or none (nothing is shown).
loading_display* current_loading_display();
void set_loading_display(loading_display* display);

// Open and close the installed loading picture; nothing without one.
void begin_loading_screen();
void end_loading_screen();
