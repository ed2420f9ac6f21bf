#include "shell/scene.h"

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/loading_display.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "shell/joystick_input.h"
#include "core/sound_system.h"
#include "shell/speech.h"

scene* g_scene = nullptr;

scene::scene() = default;

scene::~scene() {
    shutdown();
    if (g_scene == this) g_scene = nullptr;
}

bool scene::startup() {
    open_loading_picture();

    g_state->show_status("Initializing Device");
    if (!create_device()) return false;
    // A program without sound, voices or controllers runs on: these results do not count.
    init_sound();
    init_speech();
    init_joystick();

    g_state->show_status("Loading Sounds");
    read_settings();
    settings_read_ = true;
    load_sounds();
    init_gui();

    g_state->show_status("Loading Textures");
    load_shared_textures();
    init_terrain_device();
    update_terrain_lod();
    init_sky();
    load_globe_shaders();

    create_design_system();

    g_state->show_status("Indexing Scenery");
    load_scenery_index();

    start_intro_music();
    close_loading_picture();
    return true;
}

void scene::shutdown() {
    if (settings_read_) write_settings();
    destroy_design_system();
    release_terrain();
    release_globe();
    clear_scene();
    shutdown_gui();
    release_app_state_objects();
    release_sound_slots();
    close_music();
    stop_speaking();
    release_speech();
    release_sound();
    release_joystick();
    release_device();
}

void scene::frame_update() {
    // Menu mode so far: the time step and the GUI update; the joystick poll joins them.
    g_state->update_frame_timing();
    gui_link().update();
}

void scene::render_frame() {
    // Until the world and the GUI are drawn, every frame is cleared to black.
    gfx_device* device = g_app->device.get();
    if (!device) {
        main_window()->present_blank_frame();
        return;
    }
    std::uint32_t flags = CLEAR_TARGET | CLEAR_ZBUFFER;
    if (g_app->can_shadow_volume) flags |= CLEAR_STENCIL;
    CHECK_HR(device->clear(flags, 0xFF000000u, 1.0f, 0));
    gui_link().render();
    CHECK_HR(device->present());
}

void scene::on_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    // The GUI, the mouse, the camera and the command keys take their messages here. Until
    // the scene's mouse takes the pointer, its messages go straight to the GUI.
    switch (message) {
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_MOUSEWHEEL: gui_link().on_key(window, message, wparam, lparam); break;
        case WM_MOUSEMOVE:
            gui_link().on_mouse_move(lparam_x(lparam), lparam_y(lparam), static_cast<int>(wparam & MK_LBUTTON));
            break;
        case WM_LBUTTONDOWN: gui_link().on_mouse_down(lparam_x(lparam), lparam_y(lparam), 0); break;
        case WM_LBUTTONUP: gui_link().on_mouse_up(); break;
        default: break;
    }
}

void scene::write_situation(const char*, const char*, bool) {
    // The situation writer fills this in.
}

bool scene::on_resize() {
    if (g_app->windowed == 0) return false;
    return reset_device();
}

void scene::on_device_lost() {
    // The render targets of the application state are released here.
}

void scene::on_device_reset() {
    // A reset leaves the device in its initial states: the program's own come back first.
    // The render targets are recreated here; the GUI adapts to the new back buffer.
    g_app->set_default_states(true);
    gui_link().on_resize();
}

// Start-up steps. Each waits for the object it brings up.
void scene::open_loading_picture() { begin_loading_screen(); }
// The window's context is current already: the device draws into it.
bool scene::create_device() {
    if (!main_window()->exists() || !g_app->create_device()) return false;
    g_app->on_device_lost = [this] { on_device_lost(); };
    g_app->on_device_reset = [this] { on_device_reset(); };
    return true;
}
void scene::init_sound() {
    if (g_sound != nullptr) g_sound->init();
}
void scene::init_speech() {
    if (g_speech != nullptr) g_speech->init();
}
void scene::init_joystick() {
    if (g_joystick != nullptr) g_joystick->init(false);
}
void scene::read_settings() {}
void scene::load_sounds() {}
void scene::init_gui() { gui_link().init(); }
void scene::load_shared_textures() {}
void scene::init_terrain_device() {}
void scene::update_terrain_lod() {}
void scene::init_sky() {}
void scene::load_globe_shaders() {}
void scene::create_design_system() {}
void scene::load_scenery_index() {}
void scene::start_intro_music() {
    if (g_sound == nullptr || !g_sound->available || !g_sound->music_on) return;
    // A missing intro fails quietly: no music.
    g_sound->open_music("music\\intro.mp3");
    g_sound->set_music_volume(g_sound->volume_music);
    send_media_command("play MediaFile notify");
}
void scene::close_loading_picture() { end_loading_screen(); }

// Shutdown steps. Each releases only what exists and nulls it, so a second run is harmless.
void scene::write_settings() {}
void scene::destroy_design_system() {}
void scene::release_terrain() {}
void scene::release_globe() {}
void scene::clear_scene() {}
void scene::shutdown_gui() { gui_link().shutdown(); }
void scene::release_app_state_objects() {}
void scene::release_sound_slots() {}
void scene::close_music() {
    send_media_command("stop MediaFile");
    send_media_command("close MediaFile");
}
void scene::stop_speaking() {
    if (g_speech != nullptr) g_speech->stop_speaking();
}
void scene::release_speech() {
    if (g_speech != nullptr) g_speech->release();
}
void scene::release_sound() {
    if (g_sound != nullptr) g_sound->release();
}
void scene::release_joystick() {
    if (g_joystick != nullptr) g_joystick->release();
}
void scene::release_device() {
    if (!g_app) return;
    g_app->on_device_lost = nullptr;
    g_app->on_device_reset = nullptr;
    g_app->release_device();
}

bool scene::reset_device() { return g_app->reset_device(); }
