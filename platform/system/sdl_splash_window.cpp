// The start-up splash as a borderless SDL window drawn through its window surface (no GL).
#include <SDL.h>

#include <cstring>
#include <vector>

#include "platform/splash_window.h"
#include "platform/system/sdl_video.h"

namespace {

// The window surface of the splash may be drawn through a GL context of its own: the main
// window's context, when there is one, is made current again afterwards.
class current_context {
public:
    current_context() : window_(SDL_GL_GetCurrentWindow()), context_(SDL_GL_GetCurrentContext()) {}
    ~current_context() {
        if (window_ != nullptr && context_ != nullptr) SDL_GL_MakeCurrent(window_, context_);
    }
    current_context(const current_context&) = delete;
    current_context& operator=(const current_context&) = delete;

private:
    SDL_Window* window_;
    SDL_GLContext context_;
};

class sdl_splash_window : public splash_window {
public:
    ~sdl_splash_window() override {
        if (window_) {
            const current_context keep;
            const Uint32 id = SDL_GetWindowID(window_);
            SDL_DestroyWindow(window_);
            drop_events_of(id);
        }
        if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool open() {
        if (!open_sdl_video(nullptr)) return false;
        video_ = true;
        return true;
    }

    void desktop_size(int* width, int* height) const override {
        SDL_DisplayMode mode{};
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            mode.w = 640;
            mode.h = 480;
        }
        if (width) *width = mode.w;
        if (height) *height = mode.h;
    }

    void show(const image& picture, int left, int top) override {
        if (picture.empty()) return;
        const current_context keep;
        if (!window_) {
            window_ = SDL_CreateWindow("Ventrask", left, top, picture.width, picture.height,
                                       SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR |
                                           SDL_WINDOW_ALWAYS_ON_TOP);
            if (!window_) return;
        } else {
            SDL_SetWindowPosition(window_, left, top);
            SDL_SetWindowSize(window_, picture.width, picture.height);
        }
        SDL_ShowWindow(window_);
        prefer_plain_framebuffer();
        SDL_Surface* surface = SDL_GetWindowSurface(window_);
        if (!surface) return;
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<std::uint8_t*>(picture.texels.data()), picture.width, picture.height, 32,
            picture.pitch, SDL_PIXELFORMAT_ARGB8888);
        if (!source) return;
        SDL_BlitSurface(source, nullptr, surface, nullptr);
        SDL_FreeSurface(source);
        SDL_UpdateWindowSurface(window_);
        // Let the window system map and paint the window before loading goes on.
        SDL_PumpEvents();
    }

private:
    // On X11 the window surface is shared memory the server shows: without this hint SDL
    // would draw it through a GL renderer of its own, a second context made (and its
    // shaders compiled) for one still picture. Read once, at the first window surface;
    // other window systems keep SDL's choice (Wayland has no plain framebuffer).
    static void prefer_plain_framebuffer() {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver != nullptr && std::strcmp(driver, "x11") == 0)
            SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }

    // The splash's own events must not reach the program as messages of its main window.
    static void drop_events_of(Uint32 id) {
        SDL_PumpEvents();
        std::vector<SDL_Event> events(256);
        const int n = SDL_PeepEvents(events.data(), static_cast<int>(events.size()), SDL_GETEVENT,
                                     SDL_WINDOWEVENT, SDL_WINDOWEVENT);
        for (int i = 0; i < n; ++i) {
            if (events[static_cast<std::size_t>(i)].window.windowID != id) {
                SDL_PushEvent(&events[static_cast<std::size_t>(i)]);
            }
        }
    }

    bool video_ = false;
    SDL_Window* window_ = nullptr;
};

}  // namespace

std::unique_ptr<splash_window> make_splash_window() {
    auto splash = std::make_unique<sdl_splash_window>();
    if (!splash->open()) return nullptr;
    return splash;
}
