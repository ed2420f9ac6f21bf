// Watches the main window on X11 for the ends the window system can bring about from
// outside: the window destroyed by another client (a window manager's "kill", xdotool
// windowclose), and the connection to the display lost (the X server ended).
//
// Xlib's own handlers end the process on either, without the settings or the log. Here the
// loss of the window becomes a close request of the program's usual kind: the errors that
// follow from it (a swap or a query on a window that is gone) are absorbed, the window stops
// drawing and the loop ends through its normal shutdown. The loss of the display leaves no
// way back to the loop (Xlib ends the process if its handler returns), so the program's
// display-lost handler saves what it can and the process ends there with status 0.
// The handlers, once installed, stay for the rest of the process.
#pragma once

#include <SDL.h>

class x11_window_watch {
public:
    // Starts watching the X window of an SDL window (nothing when SDL runs on another
    // driver). One window is watched at a time.
    void watch(SDL_Window* window);
    // Looks at one SDL event for the window's destruction.
    void look_at(const SDL_Event& event);
    // True once the window is known to be gone.
    bool lost() const;
    // Waits for the display's answers to every request sent so far, so that the errors a
    // lost window still draws (its own destruction at the end) reach this watch: SDL puts
    // Xlib's default handler back before it closes the display. Call before SDL's video
    // is shut down.
    void settle() const;
};
