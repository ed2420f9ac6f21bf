// The scenario's weapons as the scene holds them: up to 8 missile systems, 24 hostile rockets in
// flight and 8 rocket launchers, with the services that join them: the threat a system should
// engage, a rocket fired into the scene, and the landing of a rocket or its debris, which
// counts a hit when it falls inside a system's protected radius. The scene owns one and
// installs it; the weapon models reach the installed tables through the free functions below.
//
// Systems and launchers belong to the tables; rockets belong to the "transps" root of the scene
// graph (the tables only list them), so the roots must outlive the tables' systems.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

class frame;
class missile_system;
class rocket;
class rocket_launcher;

class weapon_tables {
public:
    static constexpr int k_max_systems = 8;
    static constexpr int k_max_targets = 24;
    static constexpr int k_max_launchers = 8;
    static constexpr const char* k_rocket_model = "common\\target.x";

    weapon_tables() = default;
    ~weapon_tables();
    weapon_tables(const weapon_tables&) = delete;
    weapon_tables& operator=(const weapon_tables&) = delete;

    // Destroys every system and launcher, forgets the rockets (their root deletes them) and
    // zeroes the run counters of the application state.
    void clear();
    // A missile system loaded from "systems\<name>.txt" and placed (50 m between its parts)
    // at (x, z) facing the heading (rad); none when 8 exist.
    missile_system* add_system(const char* name, float x, float y, float z, float heading);
    // A default launcher with its index; none when 8 exist.
    rocket_launcher* add_launcher();
    // A hostile rocket with the model "common\target.x" launched from the ground at (x, z)
    // (never below the sea; the altitude given is not used), turned to the heading and
    // elevation (rad), burning out at the speed (m/s); none when 24 fly, and none with a log
    // line when the speed is not a positive finite number or an angle is not finite.
    rocket* add_target(float x, float altitude, float z, float heading, float elevation, float speed);
    // The rocket leaves the table; the camera and the missiles aimed at it forget it and its
    // frame is flagged for removal. A rocket not listed changes no count.
    void remove_target(rocket* target);
    // Every missile of every system aimed at the rocket loses it ("Missile Lost Track").
    void release_target(const rocket* target);
    // The scene tick's share: each system, then each launcher, in table order.
    void tick();
    // Whether anything is left to happen: a rocket flying, a launcher with rockets in stock,
    // or a missile listed by a system.
    bool busy() const;

    std::int32_t system_count = 0;
    missile_system* systems[k_max_systems] = {};       // owned
    std::int32_t target_count = 0;
    rocket* targets[k_max_targets] = {};                // owned by the "transps" root
    std::int32_t launcher_count = 0;
    rocket_launcher* launchers[k_max_launchers] = {};   // owned
};

// The installed tables (none: the weapons act alone, as in a test flight).
weapon_tables* installed_weapon_tables();
void install_weapon_tables(weapon_tables* tables);

// The makings of add_system and add_target without the table: a loaded and placed system
// with its table index, and a rocket standing on h at (x, z) and launched (none, with a log
// line, for a speed or angle that cannot fly).
missile_system* make_missile_system(const char* name, int index, float x, float y, float z, float heading);
rocket* launch_rocket(float x, float h, float z, float heading, float elevation, float speed);

// The rocket the system should engage, or none: the farthest rocket within the launch range
// (m) whose line of flight, extended both ways in the horizontal plane, passes the command
// post within the protected radius (m), and that no missile of any system is aimed at. A
// rocket with no horizontal speed falls where it is: its miss distance is its distance.
rocket* find_threat(const missile_system* system, float launch_range_m, float protected_radius_m);
// A rocket or its debris reached the ground or the water: a landing on the ground inside a
// system's protected radius counts a rocket or debris hit; the rocket then leaves the scene.
void on_rocket_landed(rocket* r);
// "<name> exploded" on the message line and spoken: the frame's name after its last
// backslash and before its last full stop.
void announce_explosion(const frame* object);
