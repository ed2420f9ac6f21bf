#include "ui/gui_hooks.h"

#include <cstring>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/gfx_device.h"
#include "platform/window.h"
#include "ui/gui.h"
#include "ui/overlay2d.h"

namespace {
gui_hooks g_hooks;
}  // namespace

gui_hooks& ui_hooks() { return g_hooks; }

void ui_play_sound_slot(int slot, int mode) {
    if (g_hooks.play_sound_slot) g_hooks.play_sound_slot(slot, mode);
}

void ui_stop_sound_slot(int slot) {
    if (g_hooks.stop_sound_slot) g_hooks.stop_sound_slot(slot);
}

void ui_leave_scene() {
    if (g_hooks.leave_scene) {
        g_hooks.leave_scene();
    } else {
        // Without a scene there is nothing to end: back to the main menu.
        pending_command = 2;
    }
}

void ui_play_preview_sound(const char* file) {
    if (g_hooks.play_preview_sound) g_hooks.play_preview_sound(file);
}

void ui_open_document(const char* target) {
    if (target == nullptr) return;
    // A page of the program's own (the help) that is missing would fail out of sight in the
    // desktop's program: the log names it. Web addresses are not looked for.
    if (std::strstr(target, "://") == nullptr && !fs_is_file(target)) log_line("Could not find %s", target);
    if (g_hooks.open_document) g_hooks.open_document(target);
}

void ui_show_cursor(gui_cursor shape) {
    if (g_hooks.set_cursor) g_hooks.set_cursor(shape);
}

void ui_viewport_size(int* width, int* height) {
    *width = 640;
    *height = 480;
    if (g_hooks.viewport_size) {
        g_hooks.viewport_size(width, height);
    } else if (g_app != nullptr && g_app->device) {
        const gfx_viewport& v = g_app->device->viewport();
        *width = static_cast<int>(v.width);
        *height = static_cast<int>(v.height);
    } else if (main_window() != nullptr && main_window()->exists()) {
        // The back buffer is the window's drawable area.
        main_window()->drawable_size(width, height);
    }
    if (*width < 1) *width = 1;
    if (*height < 1) *height = 1;
}

std::vector<display_mode> ui_display_modes() {
    return g_hooks.display_modes ? g_hooks.display_modes() : std::vector<display_mode>{};
}

bool ui_load_resource_texture(int id, texture_ptr* slot, bool color_key) {
    return load_texture_from_resource(id, slot, color_key);
}
