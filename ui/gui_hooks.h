// The shell's and the system's operations the GUI calls: sounds, leaving a run, previews,
// opening a document in the user's browser, cursors and the viewport size.
// Each is a plain function pointer; until the shell installs its own, the defaults do the
// nothing or the obvious thing written beside each, so tests and a partial program run.
#pragma once

#include <vector>

#include "platform/gfx_device.h"

// Cursor shapes the GUI shows over its handles.
enum class gui_cursor { arrow, size_all, size_we, size_ns };

struct gui_hooks {
    // Plays one of the scene's eleven sound slots: mode 0 once, 1 from the start, 2 looping.
    void (*play_sound_slot)(int slot, int mode) = nullptr;
    // Stops one of the scene's sound slots (a looping one above all).
    void (*stop_sound_slot)(int slot) = nullptr;
    // Ends the scenario, test or free flight and sets the menu page to return to (the
    // default sets the main menu).
    void (*leave_scene)() = nullptr;
    // Plays a wave file once in the preview slot; an empty name only stops it.
    void (*play_preview_sound)(const char* file) = nullptr;
    // Renders a model into a new texture; none when it cannot.
    gfx_texture* (*render_model_thumbnail)(const char* file) = nullptr;
    // Opens a document or web address with the desktop's default program.
    void (*open_document)(const char* target) = nullptr;
    void (*set_cursor)(gui_cursor shape) = nullptr;
    // The back buffer's size in pixels (the default: the device's viewport, else the
    // window's drawing area, else 640 x 480, the virtual screen).
    void (*viewport_size)(int* width, int* height) = nullptr;
    // The display's full-screen modes (the default: none).
    std::vector<display_mode> (*display_modes)() = nullptr;
};

gui_hooks& ui_hooks();

// The calls through the hooks (each safe without one).
void ui_play_sound_slot(int slot, int mode);
void ui_stop_sound_slot(int slot);
void ui_leave_scene();
void ui_play_preview_sound(const char* file);
// A program file that is not there is named in the log.
void ui_open_document(const char* target);
void ui_show_cursor(gui_cursor shape);
void ui_viewport_size(int* width, int* height);
std::vector<display_mode> ui_display_modes();
// A picture of the program's embedded resources as a texture (colour key: opaque black
// becomes transparent); false, and no texture, without a device or such a picture.
bool ui_load_resource_texture(int id, texture_ptr* slot, bool color_key);
