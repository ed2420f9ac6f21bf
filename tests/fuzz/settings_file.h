// The body of the settings-file fuzz target, shared with the corpus replay of the normal test
// suite: the input is "qvd.ini". The objects that hold the settings, back at their defaults,
// read it, write it back and read that again; the second write must equal the first, so whatever
// the reader accepted is kept as it was written. The caller provides a file root and a main
// window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/sound_system.h"
#include "platform/files.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"
#include "shell/speech.h"

// The program's objects that hold settings, installed while they live, with the file a fresh
// program writes: reading it first puts every setting back to its default, so each input
// starts from the same values without building the objects again.
struct settings_holders {
    d3d_app app;
    app_state state;
    sound_system sound;
    speech voice;
    joystick_input joystick;
    scene world;
    std::string defaults;
    settings_holders() {
        g_app = &app;
        g_state = &state;
        g_sound = &sound;
        g_speech = &voice;
        g_joystick = &joystick;
        app.window_width = 1024;
        app.window_height = 768;
        gui_opacity = 255.0f;
        fs_delete("qvd.ini");
        defaults = read_and_write();
    }
    ~settings_holders() {
        g_joystick = nullptr;
        g_speech = nullptr;
        g_sound = nullptr;
        g_state = nullptr;
        g_app = nullptr;
    }
    settings_holders(const settings_holders&) = delete;
    settings_holders& operator=(const settings_holders&) = delete;

    // Reads "qvd.ini" and writes it back; the text written.
    std::string read_and_write() {
        app.clear_log();
        world.read_settings();
        world.write_settings();
        std::string written;
        fs_read_text("qvd.ini", &written);
        return written;
    }
};

// False when a written file does not read back to the same file.
inline bool run_settings_file(settings_holders& h, const std::uint8_t* data, std::size_t size) {
    fs_write("qvd.ini", h.defaults.data(), h.defaults.size());
    h.world.read_settings();
    fs_write("qvd.ini", data, size);
    const std::string first = h.read_and_write();
    const std::string second = h.read_and_write();
    return first == second;
}
