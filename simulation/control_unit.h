// The fire control of a missile system: its radar and command post models and the limits by
// which it engages threats. Its definition file is "controls\<name>.txt". The radar model
// "radars\<name>\radar.x" and the command post "commands\<name>\command.x" are loaded by
// the system into the two owned models; the command post marks the system's position.
#pragma once

#include <cstdint>

#include "simulation/design_name.h"

class frame;
class hierarchy;
class mesh;

class control_unit {
public:
    control_unit();
    ~control_unit();
    control_unit(const control_unit&) = delete;
    control_unit& operator=(const control_unit&) = delete;

    // Reads "controls\<name>.txt"; false (nothing changed) when the name is refused, the file
    // does not open or it cannot be read whole (cut short). Radius and ranges of 0..1000 km
    // and 0..24 targets are bounded with a log line naming the file; then the radar and the
    // command post the file names are loaded.
    bool load(const char* design_name);
    // Takes the name and writes "controls\<name>.txt"; false, and a log line, when the name is
    // refused or the file cannot be written.
    bool save(const char* design_name);

    // Takes the name, empties the radar model and loads "radars\<name>\radar.x", with its
    // "barrel" and "turret" parts.
    void load_radar_mesh(const char* radar);
    // Takes the name, empties the command post and loads "commands\<name>\command.x".
    void load_command_mesh(const char* command);
    // Turns the radar toward the pitch and heading (rad) as the launcher turns.
    bool slew_radar(float pitch, float heading, float dt);

    char name[design_name_size] = {};
    static constexpr const char* k_folder = "controls";  // where its definition files lie
    part_file file = part_file::taken;  // how its file stood when a design named it
    char radar_name[design_name_size] = {};    // folder of "radars\<name>\radar.x"
    char command_name[design_name_size] = {};  // folder of "commands\<name>\command.x"
    std::uint8_t fire_on_radial = 1;
    std::uint8_t fire_on_projected = 1;
    std::int32_t num_targets = 8;       // missiles in the air at once
    float protected_radius = 2.0f;      // km, radius of the defended area
    float engagement_range = 20.0f;     // km
    float launch_range = 5.0f;          // km, a threat nearer than this is engaged
    mesh* command_post = nullptr;       // owned
    frame* radar_barrel = nullptr;      // part of the radar model
    frame* radar_turret = nullptr;
    hierarchy* radar_model = nullptr;   // owned
};
