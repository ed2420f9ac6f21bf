// The launcher of a missile system: its model (a turret that turns and a barrel that pitches),
// its aim and its magazine. Its definition file is "launchers\<name>.txt". The model itself
// is loaded by the system from the model name.
#pragma once

#include <cstdint>

#include "simulation/design_name.h"

class launcher {
public:
    launcher();

    // Reads "launchers\<name>.txt"; false (nothing changed) when the name is refused or the
    // file does not open.
    bool load(const char* design_name);
    // Takes the name and writes "launchers\<name>.txt"; false, and a log line, when the name
    // is refused or the file cannot be written.
    bool save(const char* design_name);

    char name[design_name_size] = {};
    char model_name[design_name_size] = {};  // folder of "launchers\<model>\launcher.x"
    std::uint8_t fixed_rotation = 0;   // the turret does not turn
    std::uint8_t fixed_elevation = 0;  // the barrel does not pitch
    float rotation_angle = 0.0f;       // deg
    float elevation_angle = 25.0f;     // deg
    std::int32_t num_missiles = 8;     // fired before a reload
    float reload_time = 30.0f;         // s
};
