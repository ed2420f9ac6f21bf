// The root window of the program's own user interface: every screen is its callback and
// every dialog and view is its child. One of the program's eight global objects. Its kind
// tells the mode: a panel (2) while the menu screens are shown, a menu bar (10) during a run.
//
// The shell reaches it through the entries below (installed as the GUI services of
// core/gui_services.h): the per-frame update, the drawing pass, the pointer and the keys.
#pragma once

#include <cstdint>
#include <string>

#include "core/gui_services.h"
#include "ui/gui_window.h"

class gui : public gui_window {
public:
    // Installs itself as the program's GUI services.
    gui();
    ~gui() override;

    // Start-up, once the device exists: the overlay's device objects, then on_resize.
    void init();
    // The GUI scale and view transform for the viewport, the fonts, and the current top
    // screen built anew.
    void on_resize();
    // Ticks, then the pending command.
    void update();
    void render();
    void run_pending_command();
    // Installs a menu-side screen, or the main menu when that screen was not installed.
    void install_menu_screen(gui_callback screen);
    // A notice in the message box. Asked for while a screen change is pending (a situation
    // read as its run starts), it waits for the new screen, which would close it.
    void show_notice(const char* caption, const char* text);
    // A dialog the scene opens (the results). Asked for while a screen change is pending (a
    // run that ends in its first frames, before the in-run screen is built), it waits for
    // the new screen, whose build would close it.
    void open_scene_dialog(gui_callback cb);

    // Pointer input in client pixels.
    void on_mouse_move(int x, int y, int buttons);
    bool on_mouse_down(int x, int y, int button);
    void on_mouse_up();

    // Keys, characters and the wheel (WM_KEYDOWN, WM_CHAR, WM_MOUSEWHEEL).
    void on_key(void* window, std::uint32_t message, std::uintptr_t wparam,
                std::intptr_t lparam);
    void on_special_key(int key);
    // Copies the edit buffer into the focused edit field.
    void sync_edit_text();
    // Reports a keyboard list choice to the list's parent (events 10 and 11).
    void commit_edit(gui_window* window);

    // While cleared nothing is drawn (snapshots and the night-vision pass).
    std::uint8_t display = 1;

private:
    void open_held_notice();
    void open_held_dialog();

    std::string held_caption_;
    std::string held_text_;
    bool notice_held_ = false;
    gui_callback held_dialog_ = nullptr;
};

// The program's one GUI root window; set by the entry function (tests set their own).
extern gui* g_gui;

// Releases the overlay's fonts and device objects (shutdown).
void shutdown_gui();

// The pointer's last position in normalised device coordinates (-1..1, y up).
struct pointer_position {
    float x = 0, y = 0;
};
extern pointer_position gui_pointer;

// The visible screen spans +-gui_scale in GUI units: back-buffer width / 640, height / 480.
extern float gui_scale[2];
// The GUI view transform: a scaling by 640 / W, 480 / H and 1.
extern mat4 gui_view;

// The keyboard focus: a list, text box or drop-down list (list focus) or one edit field.
struct gui_focus {
    static constexpr int k_edit_buffer = 2048;
    std::uint8_t list_focus = 0;
    std::uint8_t edit_focus = 0;
    std::uint8_t commit_pending = 0;
    std::uint32_t commit_time = 0;
    gui_window* focus_window = nullptr;
    gui_window* edit_window = nullptr;
    int caret = 0;
    char edit_buffer[k_edit_buffer] = {};
};
extern gui_focus g_focus;
// Clears list focus, edit focus and commit pending.
void clear_focus();
// Forgets a window that is going away (its focus pointers are cleared).
void forget_focus_window(const gui_window* window);
// Copies the two focus flags into the application state, where the scene's keys look.
void publish_focus();

// The clock (ms) and the smoothed real frame time (s) the GUI steps by.
std::uint32_t gui_clock();
float gui_frame_time();

// Leaving the menu for a run that has just been read: when the menu is up, its music stops and
// the run screen comes with the next frame (command 1).
void leave_menu_for_run();

// The drawing alpha of the window being drawn (capped by the GUI opacity) and white with it.
extern float window_draw_alpha;
extern std::uint32_t window_draw_white;
