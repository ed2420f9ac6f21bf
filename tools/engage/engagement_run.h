// A whole engagement without the game around it: missile systems loaded from the definition
// files of a data folder face rocket launchers on a flat coast (dry ground at height 0 west of
// the coast line, sea east of it), stepped at a fixed time step in scenario mode with the
// program's rand seeded as at start-up. Every event line is kept in order with its time, and
// the run counters at the end. No device, no sound, no terrain.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/recording_services.h"
#include "simulation/definition_faults.h"
#include "simulation/weapon_tables.h"

class app_state;
class d3d_app;

// A missile system of the definition "systems\<name>.txt" at (x, z) m facing the heading (rad).
struct system_site {
    std::string name = "New Missile";
    float x = 0.0f, z = 0.0f;
    float heading = 0.0f;
};

// A rocket launcher at (x, z) m aimed at the first system's command post.
struct launcher_site {
    float x = 0.0f, z = 0.0f;
    int count = 1;
    int interval = 30;       // s
    float elevation = 1.0f;  // rad
    float spread = 0.0f;     // m
};

struct engagement_setup {
    std::string data_folder;       // the run folder with the definition files and models
    std::vector<system_site> systems;
    std::vector<launcher_site> launchers;
    double dt = 0.05;              // s per tick
    double max_time = 900.0;       // s: the run stops here at the latest
    float coast_x = 1.0e9f;        // m: sea east of this line (none by default)
    float sea_depth = 50.0f;       // m of water over the sea bed
};

class engagement_run {
public:
    // Sets up the globals the weapons use (application object and state, scene services,
    // weapon tables) for this run; the previous ones come back when the run is destroyed.
    explicit engagement_run(const engagement_setup& setup);
    ~engagement_run();
    engagement_run(const engagement_run&) = delete;
    engagement_run& operator=(const engagement_run&) = delete;

    // Places the systems and launchers; false when a system file does not open. Each system's
    // design is read whole on the way (its system file, launcher and control unit, and the
    // missile file of its name with its four parts), so that every damaged file among them is
    // in faults before the first step.
    bool place();
    // One tick: the objects and the transps roots, then each system and each launcher.
    void step();
    // Steps until nothing is left to happen or the time is up; the counters line.
    std::string run();
    std::string counters() const;

    // The flat coast: ground at 0 west of the coast line, the sea bed below the sea east of it.
    class coast_services : public recording_scene_services {
    public:
        float ground_height(float x, float z) override;
        float sea_height(float x, float z) override;
        float coast_x = 1.0e9f;
        float depth = 50.0f;
    };
    coast_services world;  // before the tables: its roots outlive the systems' missiles
    weapon_tables tables;
    // s simulated; a double, so that a tick of 0.05 s still counts after days of simulated
    // time (a float stops advancing near 10^6 s).
    double time = 0.0;
    std::vector<std::string> events;  // "<time> <line>", in order
    // The design files refused as damaged while the run placed and flew its systems, each once
    // (and in the log): a part whose file is one keeps the values it had.
    definition_faults faults;

private:
    void take_event();

    engagement_setup setup_;
    const definition_faults::use watching_{&faults};
    std::unique_ptr<d3d_app> app_;
    std::unique_ptr<app_state> state_;
    d3d_app* old_app_ = nullptr;
    app_state* old_state_ = nullptr;
    std::string old_root_;
};
