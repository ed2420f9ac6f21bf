#include "shell/win_main.h"

#include <algorithm>
#include <cstdio>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "shell/music_tracks.h"
#include "shell/scene.h"
#include "core/sound_system.h"

namespace {

// While the window is minimised or closing the loop only looks for messages every 100 ms.
constexpr std::uint32_t k_inactive_sleep_ms = 100;

// The situations written when the window closes, to continue from later.
constexpr const char* k_last_test = "# Last Test";
constexpr const char* k_last_position = "# Last Position";

// Shows the window in the start window mode of the settings: 0 full screen, 1 windowed and
// centred, 2 or more maximised (the application object's window-mode rules).
void show_main_window() { g_app->show_window(); }

// The size the window starts with, before the settings are read and applied: the usable
// screen area, as the application object starts with. A display that cannot say its usable
// area (it answers nothing now and then while the X server is busy) gives its desktop size
// instead, then the size the settings keep, then the virtual screen's 640 x 480.
void usable_area_or_fallback(int* width, int* height) {
    main_window()->usable_size(width, height);
    if (*width > 0 && *height > 0) return;
    main_window()->desktop_size(width, height);
    if (*width > 0 && *height > 0) return;
    if (scene::saved_window_size(width, height)) return;
    *width = 640;
    *height = 480;
}

void default_window_size() {
    if (g_app->usable_width <= 0 || g_app->usable_height <= 0) {
        usable_area_or_fallback(&g_app->usable_width, &g_app->usable_height);
    }
    if (g_app->window_width <= 0 || g_app->window_height <= 0) {
        g_app->window_width = g_app->usable_width;
        g_app->window_height = g_app->usable_height;
    }
}

bool create_main_window() {
    default_window_size();
    int desktop_width = 0, desktop_height = 0;
    main_window()->desktop_size(&desktop_width, &desktop_height);
    // A desktop of unknown size: the window goes to its top left corner.
    if (desktop_width <= 0 || desktop_height <= 0) {
        desktop_width = g_app->window_width;
        desktop_height = g_app->window_height;
    }
    // Integer halves truncate toward zero, as the system's placement does.
    const int left = (desktop_width - g_app->window_width) / 2;
    const int top = (desktop_height - g_app->window_height) / 2;
    if (!main_window()->create(g_app->title, left, top, g_app->window_width, g_app->window_height)) {
        return false;
    }
    // The menus' smallest window; on a desktop smaller than that, the desktop.
    main_window()->set_minimum_size(std::min(d3d_app::k_min_window_width, desktop_width),
                                    std::min(d3d_app::k_min_window_height, desktop_height));
    g_app->window = main_window();
    return true;
}

// Set once the window is destroyed: later messages for it (a second close request that was
// already queued) are dropped, as the system drops messages for a destroyed window.
bool g_window_destroyed = false;

// DestroyWindow: the window goes away at once (the context stays for the device) and the
// procedure hears of it before the call returns.
void destroy_main_window(void* window) {
    if (g_window_destroyed) return;
    g_window_destroyed = true;
    main_window()->hide();
    WndProc(window, WM_DESTROY, 0, 0);
}

// The objects root frame's sounds stop when the simulation pauses.
void stop_object_sounds() {
    if (g_scene->objects) g_scene->objects->stop_sounds();
}

void on_close(void* window) {
    g_scene->write_situation(g_state->test_mode ? k_last_test : k_last_position, nullptr, true);
    g_app->inactive = 1;
    destroy_main_window(window);
}

void on_size(std::uintptr_t kind) {
    if (kind == SIZE_MINIMIZED) {
        g_app->inactive = 1;
    } else if (g_app->inactive) {
        // Coming back from a minimised or closing window: the device is as it was.
        g_app->inactive = 0;
    } else {
        g_scene->on_resize();
    }
}

// The display went away for good (platform/window.h): the loop cannot run again, so what
// shutdown and the application object would have written is written here, and the run ends
// as a close would. During start-up only the log is written, so a lost start never
// overwrites the user's settings with defaults, and the start counts as failed.
void write_log_when_display_lost() {
    g_app->append_log("The connection to the display was lost");
    g_app->write_log();
}

int start_lost_with_display() {
    write_log_when_display_lost();
    return k_exit_start_failed;
}

int save_when_display_lost() {
    g_scene->write_settings();
    write_log_when_display_lost();
    return 0;
}

void toggle_pause() {
    g_app->paused = g_app->paused ? 0 : 1;
    if (g_app->paused) stop_object_sounds();
    g_state->set_message(g_app->paused ? "Simulation is paused" : "Simulation is restored");
}

}  // namespace

std::intptr_t DefWindowProc(void*, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }

std::intptr_t WndProc(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    g_scene->on_message(window, message, wparam, lparam);
    switch (message) {
        case WM_CLOSE:
            on_close(window);
            return 0;
        case WM_DESTROY:
            g_app->inactive = 1;
            post_quit_message(0);
            return 0;
        case WM_SIZE:
            on_size(wparam);
            break;
        case WM_SYSCOMMAND:
            // Alt and F10: the pause toggle, never the system menu.
            if (wparam == SC_KEYMENU) {
                toggle_pause();
                return 0;
            }
            break;
        case MM_MCINOTIFY:
            // In a scenario the end of a track starts nothing.
            if (wparam == MCI_NOTIFY_SUCCESSFUL && g_app->menu_mode) play_next_music();
            break;
        default:
            break;
    }
    return DefWindowProc(window, message, wparam, lparam);
}

int WinMain(void*, void*, const char*, int) {
    load_string_resource(IDS_TITLE, g_app->title, sizeof g_app->title);
    load_string_resource(IDS_VERSION, g_app->version, sizeof g_app->version);

    g_window_destroyed = false;
    if (!create_main_window()) {
        // Said on the terminal too: without a window the user sees nothing else.
        g_app->append_log("Could not create the main window: %s", main_window()->last_error());
        std::fprintf(stderr, "Could not create the main window: %s\n", main_window()->last_error());
        return k_exit_start_failed;
    }
    set_display_lost_handler(start_lost_with_display);
    if (!g_scene->startup()) {
        set_display_lost_handler(nullptr);
        g_app->append_log("Start-up failed");
        return k_exit_start_failed;
    }
    set_display_lost_handler(save_when_display_lost);
    show_main_window();

    app_message msg;
    do {
        // The music is decoded ahead from here; it posts its end-of-track notice.
        if (g_sound != nullptr) g_sound->pump_music();
        if (peek_app_message(&msg)) {
            // Messages arrive translated; WM_QUIT is not dispatched, it ends the loop.
            if (msg.code != WM_QUIT && !g_window_destroyed) {
                WndProc(g_app->window, msg.code, msg.wparam, msg.lparam);
            }
        } else {
            msg.code = WM_NULL;
            if (g_app->inactive) {
                sleep_ms(k_inactive_sleep_ms);
            } else {
                g_scene->frame_update();
                g_scene->render_frame();
                // 0 still yields. The settings bound the pause; it is bounded here as well, so
                // a close request is always heard within a second.
                sleep_ms(static_cast<std::uint32_t>(std::clamp(g_app->sleep_time, 0, d3d_app::k_max_sleep_time)));
            }
        }
    } while (msg.code != WM_QUIT);

    g_scene->shutdown();
    set_display_lost_handler(nullptr);
    return static_cast<int>(msg.wparam);
}
