// The main window on SDL2 with an OpenGL 4.5 compatibility context.
#include <SDL.h>
#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <link.h>
#endif

#include "platform/image.h"
#include "platform/message_translator.h"
#include "platform/resources.h"
#include "platform/system/sdl_clipboard.h"
#include "platform/system/sdl_video.h"
#include "platform/system/x11_window_watch.h"
#include "platform/window.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
// A leak report names the library of an allocating frame only while that library is loaded,
// and Mesa unloads its driver when the display closes, before the report is made. Sanitizer
// builds keep the driver loaded to the end, so that its own leaks can be told (and left
// aside) by name, apart from the program's.
void keep_gl_driver_loaded() {
    std::vector<std::string> drivers;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* out) {
            if (info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "_dri.so") != nullptr)
                static_cast<std::vector<std::string>*>(out)->push_back(info->dlpi_name);
            return 0;
        },
        &drivers);
    for (const std::string& path : drivers) dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}
#else
void keep_gl_driver_loaded() {}
#endif

// The program's icon (icon resource 416, the program's emblem) for the title bar and the task
// bar. A missing or unreadable picture leaves the window system's default.
constexpr int k_program_icon = 416;

void set_program_icon(SDL_Window* window) {
    resource_data data;
    image picture;
    if (!find_resource("ICON", k_program_icon, &data) || failed(bmp_decode(data.data, data.size, &picture))) return;
    // The picture's texels are the bytes blue, green, red, alpha, rows top first.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(picture.texels.data(), picture.width, picture.height, 32,
                                                              picture.pitch, SDL_PIXELFORMAT_BGRA32);
    if (surface == nullptr) return;
    SDL_SetWindowIcon(window, surface);  // SDL keeps a copy
    SDL_FreeSurface(surface);
}

class sdl_window : public window_system {
public:
    ~sdl_window() override;

    bool create(const char* title, int left, int top, int width, int height) override;
    bool exists() const override { return window_ != nullptr; }
    const char* last_error() const override { return error_.c_str(); }
    void show(window_show how) override;
    void hide() override;
    void set_bounds(int left, int top, int width, int height) override;
    void set_minimum_size(int width, int height) override;
    void drawable_size(int* width, int* height) const override;
    void desktop_size(int* width, int* height) override;
    void usable_size(int* width, int* height) override;
    void swap_buffers() override;
    void set_swap_interval(int interval) override;
    void present_blank_frame() override;
    void pump_events() override;

private:
    bool open_video();
    bool make_window(const char* title, int left, int top, int width, int height, int stencil_bits);
    void translate(const SDL_Event& e);
    void window_event(const SDL_WindowEvent& w);
    void to_drawable(int x, int y, int* out_x, int* out_y) const;
    // The window can be destroyed from outside: after that nothing is drawn or asked of it.
    bool usable() const { return window_ != nullptr && !watch_.lost(); }
    void close_when_lost();

    x11_window_watch watch_;
    bool video_ = false;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    std::string error_;
    message_translator translator_;
    bool lost_reported_ = false;
};

sdl_window::~sdl_window() {
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    if (window_) watch_.settle();
    if (video_) {
        remove_sdl_clipboard();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool sdl_window::open_video() {
    if (video_) return true;
    // The program decides when to end: the close button and a termination request (SDL turns
    // SIGTERM into its quit event) both become the close message, never an immediate quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (!open_sdl_video(&error_)) return false;
    video_ = true;
    // With the window system up, copied text goes to the desktop's clipboard.
    install_sdl_clipboard();
    return true;
}

bool sdl_window::make_window(const char* title, int left, int top, int width, int height, int stencil_bits) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil_bits);
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
    window_ = SDL_CreateWindow(title, left, top, width, height, flags);
    if (!window_) {
        error_ = SDL_GetError();
        return false;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        error_ = SDL_GetError();
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        return false;
    }
    return true;
}

bool sdl_window::create(const char* title, int left, int top, int width, int height) {
    if (window_) return true;
    if (!open_video()) return false;
    if (width <= 0 || height <= 0) {
        error_ = "no window size";
        return false;
    }
    // Shadow volumes want an 8-bit stencil; without one the device runs on without them.
    if (!make_window(title, left, top, width, height, 8) &&
        !make_window(title, left, top, width, height, 0)) {
        return false;
    }
    SDL_GL_MakeCurrent(window_, context_);
    set_program_icon(window_);
    keep_gl_driver_loaded();
    SDL_GL_SetSwapInterval(0);  // until the device says otherwise, frames go out at once
    SDL_StartTextInput();
    watch_.watch(window_);
    return true;
}

void sdl_window::show(window_show how) {
    if (!usable()) return;
    switch (how) {
        case window_show::normal:
            SDL_SetWindowFullscreen(window_, 0);
            SDL_ShowWindow(window_);
            SDL_RestoreWindow(window_);
            break;
        case window_show::maximized:
            SDL_SetWindowFullscreen(window_, 0);
            SDL_ShowWindow(window_);
            SDL_MaximizeWindow(window_);
            break;
        case window_show::full_screen:
            SDL_ShowWindow(window_);
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
            break;
    }
}

void sdl_window::hide() {
    if (usable()) SDL_HideWindow(window_);
}

void sdl_window::set_bounds(int left, int top, int width, int height) {
    if (!usable()) return;
    SDL_SetWindowPosition(window_, left, top);
    SDL_SetWindowSize(window_, width, height);
}

void sdl_window::set_minimum_size(int width, int height) {
    if (usable()) SDL_SetWindowMinimumSize(window_, width, height);
}

void sdl_window::drawable_size(int* width, int* height) const {
    *width = 0;
    *height = 0;
    if (window_) SDL_GL_GetDrawableSize(window_, width, height);
}

void sdl_window::desktop_size(int* width, int* height) {
    *width = 0;
    *height = 0;
    SDL_DisplayMode mode;
    if (open_video() && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        *width = mode.w;
        *height = mode.h;
    }
}

void sdl_window::usable_size(int* width, int* height) {
    *width = 0;
    *height = 0;
    SDL_Rect r;
    if (open_video() && SDL_GetDisplayUsableBounds(0, &r) == 0) {
        *width = r.w;
        *height = r.h;
    }
}

void sdl_window::swap_buffers() {
    if (usable()) SDL_GL_SwapWindow(window_);
}

void sdl_window::set_swap_interval(int interval) {
    if (usable()) SDL_GL_SetSwapInterval(interval);
}

void sdl_window::present_blank_frame() {
    if (!usable()) return;
    int w = 0, h = 0;
    drawable_size(&w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    swap_buffers();
}

void sdl_window::pump_events() {
    if (!video_) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        watch_.look_at(e);
        translate(e);
    }
    close_when_lost();
}

// A window destroyed from outside is closed as if by its close button: the program saves
// its situation and settings and ends normally.
void sdl_window::close_when_lost() {
    if (lost_reported_ || !window_ || !watch_.lost()) return;
    lost_reported_ = true;
    input_event in;
    in.kind = input_kind::close;
    translator_.translate(in);
}

// Mouse positions arrive in window units; the program works in drawable pixels.
void sdl_window::to_drawable(int x, int y, int* out_x, int* out_y) const {
    int ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    drawable_size(&dw, &dh);
    *out_x = (ww > 0 && dw > 0) ? x * dw / ww : x;
    *out_y = (wh > 0 && dh > 0) ? y * dh / wh : y;
}

void sdl_window::translate(const SDL_Event& e) {
    input_event in;
    switch (e.type) {
        case SDL_QUIT:
            in.kind = input_kind::close;
            break;
        case SDL_WINDOWEVENT:
            window_event(e.window);
            return;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            in.kind = e.type == SDL_KEYDOWN ? input_kind::key_down : input_kind::key_up;
            in.scancode = static_cast<int>(e.key.keysym.scancode);
            in.repeat = e.key.repeat != 0;
            break;
        case SDL_TEXTINPUT:
            in.kind = input_kind::text;
            in.text = e.text.text;
            break;
        case SDL_MOUSEMOTION:
            in.kind = input_kind::mouse_move;
            to_drawable(e.motion.x, e.motion.y, &in.x, &in.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            in.kind = e.type == SDL_MOUSEBUTTONDOWN ? input_kind::mouse_down : input_kind::mouse_up;
            to_drawable(e.button.x, e.button.y, &in.x, &in.y);
            in.button = e.button.button == SDL_BUTTON_LEFT    ? MOUSE_LEFT
                        : e.button.button == SDL_BUTTON_RIGHT ? MOUSE_RIGHT
                        : e.button.button == SDL_BUTTON_MIDDLE ? MOUSE_MIDDLE
                                                               : 0;
            break;
        case SDL_MOUSEWHEEL:
            in.kind = input_kind::wheel;
            in.wheel = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            if (in.wheel == 0) return;
            break;
        default:
            return;
    }
    translator_.translate(in);
}

void sdl_window::window_event(const SDL_WindowEvent& w) {
    input_event in;
    drawable_size(&in.width, &in.height);
    switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE: in.kind = input_kind::close; break;
        case SDL_WINDOWEVENT_MINIMIZED: in.kind = input_kind::minimized; break;
        case SDL_WINDOWEVENT_MAXIMIZED: in.kind = input_kind::maximized; break;
        case SDL_WINDOWEVENT_RESTORED: in.kind = input_kind::restored; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            in.kind = (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) ? input_kind::maximized
                                                                            : input_kind::resized;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: in.kind = input_kind::focus_gained; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: in.kind = input_kind::focus_lost; break;
        default: return;
    }
    translator_.translate(in);
}

}  // namespace

std::unique_ptr<window_system> make_system_window() { return std::make_unique<sdl_window>(); }
