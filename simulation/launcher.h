// The launcher of a missile system: its model (a turret that turns and a barrel that pitches),
// its aim and its magazine. Its definition file is "launchers\<name>.txt". The model
// "launchers\<model>\launcher.x" is loaded by the system from the model name into the owned
// hierarchy; its "barrel" pitches and its "turret" turns. The barrel fires along its local -z.
#pragma once

#include <cstdint>

#include "simulation/design_name.h"

class frame;
class hierarchy;

class launcher {
public:
    launcher();
    ~launcher();
    launcher(const launcher&) = delete;
    launcher& operator=(const launcher&) = delete;

    // Reads "launchers\<name>.txt"; false (nothing changed) when the name is refused, the
    // file does not open or it cannot be read whole (cut short). The angles (as apply_angles
    // keeps them), a magazine of 1..1000 missiles and a reload of 0..3600 s are bounded with a
    // log line naming the file; then the model the file names is loaded and turned to the
    // angles (load_mesh).
    bool load(const char* design_name);
    // Takes the name and writes "launchers\<name>.txt"; false, and a log line, when the name
    // is refused or the file cannot be written.
    bool save(const char* design_name);

    // Takes the model name, empties the model and loads "launchers\<model>\launcher.x";
    // the first parts named "barrel" and "turret" become the barrel and turret. A missing
    // file leaves the model empty and the launcher without a barrel (it never fires).
    void load_mesh(const char* model);
    // Bounds the angles (elevation 0..90, rotation -90..90 degrees) and turns the barrel and
    // turret to them.
    void apply_angles();
    // Turns the barrel toward the pitch and the turret toward the heading (rad) by at most
    // 0.5 rad/s x dt each; the turret stays with a fixed rotation. True while either still
    // turned by more than 0.001 rad.
    bool slew(float pitch, float heading, float dt);

    char name[design_name_size] = {};
    static constexpr const char* k_folder = "launchers";  // where its definition files lie
    part_file file = part_file::taken;  // how its file stood when a design named it
    char model_name[design_name_size] = {};  // folder of "launchers\<model>\launcher.x"
    std::uint8_t fixed_rotation = 0;   // the turret does not turn
    std::uint8_t fixed_elevation = 0;  // the barrel does not pitch
    float rotation_angle = 0.0f;       // deg
    float elevation_angle = 25.0f;     // deg
    std::int32_t num_missiles = 8;     // fired before a reload
    float reload_time = 30.0f;         // s
    frame* barrel = nullptr;           // part of the model
    frame* turret = nullptr;           // part of the model
    hierarchy* model = nullptr;        // owned
};

// Turns a barrel (about its x axis) and a turret (about its y axis) toward the pitch and
// heading (rad), each by at most 0.5 rad/s x dt; a frame that is none or not free stays.
// True while either still turned by more than 0.001 rad.
bool slew_parts(frame* barrel, frame* turret, float pitch, float heading, float dt, bool turret_free);
