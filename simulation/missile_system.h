// One defending battery: a launcher (a model whose turret turns and whose barrel pitches), a
// control unit (a radar model, a command post and the fire-control limits) and up to 24 fired
// missiles, alive or dead until each asks to be removed. The scene holds up to 8 for a
// scenario and one design system for the design tools and test mode. Each scene tick the system
// reloads when its magazine is spent, and once per simulated second looks for the threat to
// engage and fires at it. Its definition file "systems\<name>.txt" names the launcher and the
// control unit; the system's name is also the missile design it fires.
#pragma once

#include <cstdint>
#include <memory>

#include "simulation/control_unit.h"
#include "simulation/definition_texts.h"
#include "simulation/design_name.h"
#include "simulation/launcher.h"
#include "simulation/missile_owner.h"
#include "simulation/system_file.h"
#include "platform/math3d.h"

class frame;
class missile;
class rocket;
class sound_buffer;

class missile_system : public missile_owner {
public:
    static constexpr int k_max_missiles = 24;
    static constexpr float k_decision_interval = 1.0f;  // s between threat searches

    missile_system();
    ~missile_system() override;
    missile_system(const missile_system&) = delete;
    missile_system& operator=(const missile_system&) = delete;

    // Reads "systems\<name>.txt", then the launcher and control unit files it names (each
    // loads its models); false (nothing changed) when the system file does not open or cannot
    // be read whole.
    bool load(const char* design_name);
    // The launcher's and the control unit's names: what a system file's read starts from.
    system_file part_names() const;
    // The second half of load, for a system file already read: the launcher and the control
    // unit take their names and load their files (load_named_part; one that is not read keeps
    // its values and reloads its models) and the system takes the design name.
    void load_parts(const system_file& parts, const char* design_name);
    // Writes the system file and the launcher and control unit files (not refused ones);
    // false when any fails.
    bool save(const char* design_name);

    // A new missile of the system's design on the list (none when the list is full).
    missile* add_missile();
    // A new missile of the defaults on the list, its files not read (none when it is full).
    missile* new_missile();
    // Fires one missile from the barrel and returns it; none, and nothing counted, when the
    // launcher has no barrel or the list is full.
    missile* fire();
    void remove_missile(missile* m) override;
    frame* launcher_barrel() override;

    // Stands the launcher, the radar and the command post around (x, z) facing the heading
    // (rad), d metres apart, on the ground under the "objects" root. Nothing in menu mode.
    void place(float x, float y, float z, float heading, float d);
    // Once per scene tick: the clock, reloads, the threat search and firing, and the two
    // sounds kept at the launcher and the radar.
    void update();

    // Listed missiles that are not dead.
    int live_missiles() const;
    // The command post's position: where threats are measured from.
    vec3 position() const;

    std::int32_t index = 0;  // place in the scene's table; messages show index + 1
    char name[design_name_size] = {};
    std::unique_ptr<launcher> launch_unit;
    std::unique_ptr<control_unit> control;
    std::int32_t fired_since_reload = 0;
    std::int32_t missile_count = 0;
    missile* missiles[k_max_missiles] = {};
    float test_alfa = 0.5f, test_beta = 0.0f, test_dist = 5000.0f;
    float test_speed = 215.0f, test_elev = 0.737f, test_launch = 3000.0f;
    float clock = 0.0f;          // s of simulated time
    float next_decision = 0.0f;  // s

private:
    void load_sound(int i, const char* file, float min_distance);
    void update_sound_positions();

    std::unique_ptr<sound_buffer> sounds_[2];
    // The design files of the current launch wave, read at its first shot.
    definition_texts wave_texts_;
};

// Reads the design "<name>" the program starts with into the system and its missile. Each of
// the system file and the missile file is taken whole or not at all (a damaged one is reported
// by name, a missing one leaves the names as they are), and then every part, named by its file
// or keeping its own name, reads the file of that name (load_named_part): so a part file of
// the name a part holds is read, or refused and kept, never passed over for a save to write
// defaults over. True when both design files were taken.
bool load_system_design(missile_system& system, missile& m, const char* design_name);
