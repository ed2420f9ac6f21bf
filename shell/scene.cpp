#include "shell/scene.h"

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/gui_services.h"
#include "core/loading_display.h"
#include "core/scene_services.h"
#include "core/sound_system.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/window.h"
#include "shell/joystick_input.h"
#include "shell/music_tracks.h"
#include "shell/speech.h"
#include "simulation/definition_faults.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "scene";

scene* g_scene = nullptr;

namespace {
// The intro plays once at start-up; its end notice starts the menu music.
constexpr const char* k_intro_file = "music\\intro.mp3";
// The design system and its missile start as this design.
constexpr const char* k_design_name = "New Missile";
}  // namespace

scene::scene() {
    // The mouse's drag and wrap follow this camera's field of view and look angles.
    pointer.attach_camera(&viewer);
    // The weapons find the threats, landings and counters of this scene's tables.
    install_weapon_tables(&tables);
}

scene::~scene() {
    shutdown();
    if (&services() == &proxie) install_scene_services(nullptr);
    if (g_scene == this) g_scene = nullptr;
}

bool scene::startup() {
    // From here on, heights and origin shifts asked by the scene's objects reach this scene.
    install_scene_services(&proxie);
    open_loading_picture();

    g_state->show_status("Initializing Device");
    if (!create_device()) return false;
    // A program without sound, voices or controllers runs on: these results do not count.
    init_sound();
    init_speech();
    init_joystick();

    g_state->show_status("Loading Sounds");
    read_settings();
    check_run_folder();
    remove_abandoned_saves();
    settings_read_ = true;
    settings_unwritten_ = true;
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
    shutdown_begun_ = true;
    // Written once per reading: the destructor's second run must not write again.
    if (settings_unwritten_) {
        write_settings();
        settings_unwritten_ = false;
    }
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

void scene::leave_scene() {
    if (g_app->menu_mode || shutdown_begun_) return;
    const bool test = g_state->test_mode != 0;
    write_situation(test ? "# Last Test" : "# Last Position", nullptr, true);
    close_music();
    stop_speaking();
    stop_sounds();
    clear(true);
    pending_command = test ? 22 : (g_state->scenario_mode ? 23 : 2);
    g_app->menu_mode = 1;
    g_state->test_mode = 0;
    g_state->scenario_mode = 0;
    play_next_music();
}

bool scene::on_resize() {
    if (g_app->windowed == 0) return false;
    return reset_device();
}

void scene::on_device_lost() {
    // The pass targets of half the back buffer's size go; the reset remakes them.
    if (g_state) g_state->release_half_size_targets();
}

void scene::on_device_reset() {
    // A reset leaves the device in its initial states: the program's own come back first.
    // The render targets are recreated here; the GUI adapts to the new back buffer.
    g_app->set_default_states(true);
    if (g_state) g_state->create_render_targets();
    gui_link().on_resize();
}

// ---- Start-up steps. Each waits for the object it brings up. ----

void scene::open_loading_picture() { begin_loading_screen(); }
// The window's context is current already: the device draws into it.
bool scene::create_device() {
    if (!main_window()->exists() || !g_app->create_device()) return false;
    g_app->on_device_lost = [this] { on_device_lost(); };
    g_app->on_device_reset = [this] { on_device_reset(); };
    return true;
}

void scene::init_sound() {
    if (g_sound) g_sound->init();
}

void scene::init_speech() {
    if (g_speech) g_speech->init();
}

void scene::init_joystick() {
    if (g_joystick) g_joystick->init(false);
}

void scene::init_gui() { gui_link().init(); }
// With them the render targets of the passes and the shared shader programs.
void scene::load_shared_textures() {
    if (g_state) g_state->load_shared_textures();
}
void scene::init_terrain_device() {
    // The sea's wave field reads the wind and wave settings read from the settings file.
    ground.init_device();
}
void scene::update_terrain_lod() { ground.update_lod(); }
void scene::init_sky() { sky.init(); }
void scene::load_globe_shaders() { globe.load_shaders(); }
void scene::create_design_system() {
    // The system owns its missile. Each design file is taken whole or not at all; every part
    // then reads the file of the name it holds, so a part file is kept whatever became of the
    // design files. The main menu, the first screen, names the damaged files.
    auto* system = new missile_system();
    copy_text(system->name, k_design_name);
    design_system = system;
    design_missile = system->new_missile();
    if (design_missile == nullptr) return;
    definition_faults faults;
    {
        const definition_faults::use watching(&faults);
        load_system_design(*system, *design_missile, k_design_name);
    }
    if (!faults.empty()) gui_link().show_notice("Design", faults.notice().c_str());
}

void scene::load_scenery_index() {
    if (g_state) g_state->load_scenery_index();
}

void scene::start_intro_music() {
    if (g_sound == nullptr || !g_sound->available || !g_sound->music_on) return;
    // A missing intro fails quietly: no music. Its end notice reaches the window procedure.
    g_sound->open_music(k_intro_file);
    g_sound->set_music_volume(g_sound->volume_music);
    send_media_command("play MediaFile notify");
}

void scene::close_loading_picture() { end_loading_screen(); }

// ---- Shutdown steps. Each releases only what exists and nulls it, so a second run is
// harmless. ----

void scene::destroy_design_system() {
    // The system owns the design missile.
    destroy_system(&design_system);
    design_missile = nullptr;
}

void scene::release_terrain() { ground.release(); }
// The sky's device objects go with the globe's, while the device still exists.
void scene::release_globe() {
    globe.release();
    sky.release();
}
void scene::clear_scene() { clear(true); }
void scene::shutdown_gui() { gui_link().shutdown(); }
void scene::release_app_state_objects() {
    if (g_state) g_state->release();
}

void scene::release_sound_slots() {
    for (auto& slot : sound_slots) slot.reset();
}

void scene::close_music() {
    send_media_command("stop MediaFile");
    send_media_command("close MediaFile");
}

void scene::stop_speaking() {
    if (g_speech) g_speech->stop_speaking();
}

void scene::release_speech() {
    if (g_speech) g_speech->release();
}

void scene::release_sound() {
    if (g_sound) g_sound->release();
}

void scene::release_joystick() {
    if (g_joystick) g_joystick->release();
}

void scene::release_device() {
    if (!g_app) return;
    g_app->on_device_lost = nullptr;
    g_app->on_device_reset = nullptr;
    g_app->release_device();
}

bool scene::reset_device() { return g_app->reset_device(); }
