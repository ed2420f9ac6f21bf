// The scene: the one object that holds the simulated world, brings every service and resource
// up before the first frame and takes them down after the last. One of the program's eight
// global objects, constructed last and destroyed first.
//
// Start-up and shutdown run their steps in a fixed order; each step is a function of its own,
// named for what it does. Steps whose objects are not part of the program yet do nothing.
#pragma once

#include <cstdint>

class scene {
public:
    scene();
    virtual ~scene();
    scene(const scene&) = delete;
    scene& operator=(const scene&) = delete;

    // Brings everything up between the creation of the main window and the first frame;
    // false when the program cannot run (no graphics device).
    bool startup();
    // Takes everything down after the main loop; safe to run again (the destructor does).
    void shutdown();

    // Once per main-loop turn without a waiting message: the per-frame update, then the frame.
    virtual void frame_update();
    virtual void render_frame();
    // The input handler: every window message comes here first.
    virtual void on_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
    // Writes the current situation to "situations\<name>.txt"; no comment gives the
    // generated one; picture adds the snapshot.
    virtual void write_situation(const char* name, const char* comment, bool picture);
    // The window's size changed: a windowed device is reset for the new back buffer; false
    // when nothing was reset.
    bool on_resize();
    // Around a device reset: the application state's render targets go and come back, and
    // the GUI adapts to the new back-buffer size.
    void on_device_lost();
    void on_device_reset();

    // Whether the settings file was read in this run: only then is it written back, so a
    // start that failed early never replaces the user's settings with defaults.
    bool settings_were_read() const { return settings_read_; }

protected:
    // Start-up steps, in their order.
    virtual void open_loading_picture();
    virtual bool create_device();
    virtual void init_sound();
    virtual void init_speech();
    virtual void init_joystick();
    virtual void read_settings();
    virtual void load_sounds();
    virtual void init_gui();
    virtual void load_shared_textures();
    virtual void init_terrain_device();
    virtual void update_terrain_lod();
    virtual void init_sky();
    virtual void load_globe_shaders();
    virtual void create_design_system();
    virtual void load_scenery_index();
    virtual void start_intro_music();
    virtual void close_loading_picture();

    // Shutdown steps, in their order.
    virtual void write_settings();
    virtual void destroy_design_system();
    virtual void release_terrain();
    virtual void release_globe();
    virtual void clear_scene();
    virtual void shutdown_gui();
    virtual void release_app_state_objects();
    virtual void release_sound_slots();
    virtual void close_music();
    virtual void stop_speaking();
    virtual void release_speech();
    virtual void release_sound();
    virtual void release_joystick();
    virtual void release_device();

    // Resets the graphics device for a new back-buffer size; its result.
    virtual bool reset_device();

private:
    bool settings_read_ = false;
};

// The program's one scene; set by the entry function (tests set their own).
extern scene* g_scene;
