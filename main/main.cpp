// The entry function: builds the program's global objects in their order, runs the program
// and takes them down in reverse.
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "design/design_screens.h"
#include "platform/desktop.h"
#include "platform/replacing_file.h"
#include "platform/resources.h"
#include "platform/system/gl_device.h"
#include "platform/window.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"
#include "core/sound_system.h"
#include "shell/speech.h"
#include "shell/win_main.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/overlay2d.h"
#include "ui/overlay_painter.h"

namespace {

// The GUI's documents and pointer shapes go to the desktop.
void open_document_on_desktop(const char* target) { open_with_desktop(target); }
void show_gui_cursor(gui_cursor shape) {
    switch (shape) {
        case gui_cursor::arrow: set_pointer_shape(pointer_shape::arrow); break;
        case gui_cursor::size_all: set_pointer_shape(pointer_shape::size_all); break;
        case gui_cursor::size_we: set_pointer_shape(pointer_shape::size_we); break;
        case gui_cursor::size_ns: set_pointer_shape(pointer_shape::size_ns); break;
    }
}

// The GUI's reach into the running scene: event sounds, the sound picker's preview and
// leaving a run.
void play_scene_sound_slot(int slot, int mode) {
    if (g_scene) g_scene->proxie.play_sound_slot(slot, mode);
}
void stop_scene_sound_slot(int slot) {
    if (g_scene) g_scene->stop_slot(slot);
}
void play_scene_preview_sound(const char* file) {
    if (g_scene) g_scene->play_preview_sound(file);
}
void leave_scene() {
    if (g_scene) g_scene->leave_scene();
}
// The file picker's model thumbnails; the picker owns the picture.
gfx_texture* render_thumbnail(const char* file) {
    std::unique_ptr<gfx_texture> picture;
    if (g_state == nullptr || !g_state->render_model_thumbnail(file, &picture)) return nullptr;
    return picture.release();
}

}  // namespace

int main() {
    prepare_file_writes();
    register_embedded_resources();
    // The window outlives every global object: its GL context stays current until the
    // device and everything drawn with it are gone.
    std::unique_ptr<window_system> window = make_system_window();
    set_main_window(window.get());

    int result = 0;
    {
        auto app = std::make_unique<d3d_app>();
        g_app = app.get();
        // The graphics adapter draws into the window's context and presents through it, at
        // the interval of its present parameters.
        app->d3d = std::make_unique<gl_system>(window_hooks(window.get()));
        app->append_log("%s %s", app->title, app->version);
        auto gui_root = std::make_unique<gui>();
        g_gui = gui_root.get();
        ui_hooks().open_document = open_document_on_desktop;
        ui_hooks().set_cursor = show_gui_cursor;
        ui_hooks().display_modes = list_display_modes;
        ui_hooks().play_sound_slot = play_scene_sound_slot;
        ui_hooks().stop_sound_slot = stop_scene_sound_slot;
        ui_hooks().play_preview_sound = play_scene_preview_sound;
        ui_hooks().leave_scene = leave_scene;
        ui_hooks().render_model_thumbnail = render_thumbnail;
        design::install_design_screens();
        auto joystick = std::make_unique<joystick_input>();
        g_joystick = joystick.get();
        auto sound = std::make_unique<sound_system>();
        g_sound = sound.get();
        auto voice = std::make_unique<speech>();
        g_speech = voice.get();
        auto state = std::make_unique<app_state>();
        g_state = state.get();
        auto overlay = std::make_unique<overlay2d>();
        g_overlay = overlay.get();
        // The GUI draws on the overlay.
        overlay_painter painter(overlay.get());
        set_painter(&painter);
        auto world = std::make_unique<scene>();
        g_scene = world.get();

        result = WinMain(nullptr, nullptr, "", 0);

        // Reverse order; the application object writes Logfile.txt as it goes.
        world.reset();
        set_painter(nullptr);
        overlay.reset();
        state.reset();
        voice.reset();
        sound.reset();
        joystick.reset();
        gui_root.reset();
        app.reset();
    }
    set_main_window(nullptr);
    window.reset();
    return result;
}
