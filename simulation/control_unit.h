// The fire control of a missile system: its radar and command post models and the limits by
// which it engages threats. Its definition file is "controls\<name>.txt". The radar and
// command post models themselves are loaded by the system from the two model names.
#pragma once

#include <cstdint>

#include "simulation/design_name.h"

class control_unit {
public:
    control_unit();

    // Reads "controls\<name>.txt"; false (nothing changed) when the name is refused or the file
    // does not open.
    bool load(const char* design_name);
    // Takes the name and writes "controls\<name>.txt"; false, and a log line, when the name is
    // refused or the file cannot be written.
    bool save(const char* design_name);

    char name[design_name_size] = {};
    char radar_name[design_name_size] = {};    // folder of "radars\<name>\radar.x"
    char command_name[design_name_size] = {};  // folder of "commands\<name>\command.x"
    std::uint8_t fire_on_radial = 1;
    std::uint8_t fire_on_projected = 1;
    std::int32_t num_targets = 8;       // missiles in the air at once
    float protected_radius = 2.0f;      // km, radius of the defended area
    float engagement_range = 20.0f;     // km
    float launch_range = 5.0f;          // km, a threat nearer than this is engaged
};
