#include "platform/system/x11_window_watch.h"

#include <SDL_syswm.h>

#include <cstdlib>

#include "platform/window.h"

namespace {

// Xlib's handlers are plain functions, process-wide: the state they read lives here.
Display* g_display = nullptr;
Window g_watched = 0;
bool g_lost = false;
XErrorHandler g_previous_error = nullptr;

// An error on the watched window means it is gone; every error after that follows from the
// loss (requests still naming the window or its graphics contexts) and is absorbed. The
// program never names a window that it has not made, so an unknown window or drawable is
// one of its own destroyed from outside (the loading picture): absorbed too. Other errors
// take the handler that was there before.
int on_x_error(Display* display, XErrorEvent* error) {
    if (g_lost || (g_watched != 0 && error->resourceid == g_watched)) {
        g_lost = true;
        return 0;
    }
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    return g_previous_error != nullptr ? g_previous_error(display, error) : 0;
}

// Xlib ends the process when this returns, and the connection cannot be used again: the
// program saves what must survive and the process ends here with the status it gives.
int on_x_io_error(Display*) {
    std::_Exit(run_display_lost_handler());
}

}  // namespace

void x11_window_watch::watch(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) ||
        info.subsystem != SDL_SYSWM_X11) {
        return;
    }
    g_display = info.info.x11.display;
    g_watched = info.info.x11.window;
    g_lost = false;
    static const bool installed = [] {
        g_previous_error = XSetErrorHandler(on_x_error);
        XSetIOErrorHandler(on_x_io_error);
        return true;
    }();
    (void)installed;
    // The window system's own events reach look_at: DestroyNotify tells of the loss before
    // a request on the window fails.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void x11_window_watch::look_at(const SDL_Event& event) {
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg == nullptr ||
        event.syswm.msg->subsystem != SDL_SYSWM_X11) {
        return;
    }
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type == DestroyNotify && g_watched != 0 && x.xdestroywindow.window == g_watched) {
        g_lost = true;
    }
}

bool x11_window_watch::lost() const { return g_lost; }

void x11_window_watch::settle() const {
    if (g_display != nullptr) XSync(g_display, False);
}
