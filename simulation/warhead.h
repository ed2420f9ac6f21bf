// A missile's fragmentation warhead and its proximity fuse: a conical steel case filled with
// explosive, whose fragments leave at the Gurney speed and kill where their density on the
// target reaches a threshold. From its dimensions it derives the explosive and case masses,
// fragment speed, size and count, the kill distance, the time the fragments need to reach it,
// the fuse range and the smart fuse delay; for the design screens it gives blast and fragment
// values at any distance; at closest approach it decides whether the spray meets the target.
// Its definition file is "warheads\<name>.txt".
#pragma once

#include <cstdint>

#include "simulation/design_name.h"

constexpr int warhead_fragment_angles = 36;

// What the warhead screen plots against distance (warhead::effects_at_distance).
struct blast_results {
    float scaled_distance = 0.0f;   // m per kg^(1/3) of explosive
    float over_pressure = 0.0f;     // psi
    float dynamic_pressure = 0.0f;
    float fragment_speed = 0.0f;    // m/s after drag
    float fragment_energy = 0.0f;   // J
    float fragment_density = 0.0f;  // fragments per m²
};

class warhead {
public:
    // The defaults, with the 36 fragment preview angles drawn from the program's rand.
    warhead();

    // Reads "warheads\<name>.txt" and recomputes every derived value; false (nothing changed)
    // when the name is refused or the file does not open. Each value outside its range
    // (diameters up to 10 m, a length up to 100 m, the ranges of compute_performance) is
    // bounded with a log line naming the file.
    bool load(const char* design_name);
    // Takes the name and writes "warheads\<name>.txt"; false, and a log line, when the name is
    // refused or the file cannot be written.
    bool save(const char* design_name);

    // Bounds every input and derives every value in order.
    void compute_performance();
    // Fills `effects` at a distance in m from the warhead. Without explosive there is no blast
    // and no fragment speed; at a distance of 0 or less every value is 0.
    void effects_at_distance(float distance);
    // The fuse delay in ms that lets the fragments meet the middle of the target when it
    // closes at closing_speed (m/s), for the lateral distance miss_distance; never below 0.
    float smart_fuse_delay(float closing_speed_now) const;
    // At closest approach: missile speed vm and target speed vt in m/s, aspect angle in rad
    // (0 head-on). Stores the closing speed (and the smart delay); true for a kill.
    bool test_fragment_hit(float vm, float vt, float aspect);

    static constexpr float k_max_diameter = 1000.0f;  // cm
    static constexpr float k_max_length = 10000.0f;   // cm

    char name[design_name_size] = {};

    // Inputs, cm unless stated.
    float DS = 12.0f;               // front diameter
    float DC = 12.0f;               // base diameter
    float seeker_diameter = 12.0f;  // copied from the seeker; sizes the guidance-section preview
    float LN = 25.0f;               // length
    float TH = 0.5f;                // case thickness
    float GC = 2843.0f;             // Gurney constant, m/s
    float KC = 0.5f;                // explosive shape factor (0.5 for a cylinder)
    float fragment_mass = 25.0f;    // g, one fragment
    float CD = 0.5f;                // fragment drag coefficient
    float ER = 0.2f;                // fragmentation expansion ratio
    float KT = 2.0f;                // kill threshold, fragments per m²

    // Derived.
    float explosive_mass = 0.0f;        // kg
    float case_mass = 0.0f;             // kg
    float fragment_speed = 0.0f;        // m/s, initial (Gurney)
    float fragment_size = 0.0f;         // cm, edge of a cube of one fragment's mass
    float fragment_area = 0.0f;         // m²
    float fragment_count = 0.0f;
    float fragment_axial_speed = 0.0f;  // m/s, taper x fragment speed + closing speed
    float taper = 0.0f;                 // (DC - DS) / (2 LN)

    // Fuse.
    std::uint8_t smart_delay = 1;      // the fuse delay follows the fuse geometry
    float fuse_offset = 25.0f;         // cm, fuse position relative to the warhead
    float closing_speed = 600.0f;      // m/s
    float fuse_delay = 2.0f;           // ms
    float target_length = 100.0f;      // cm, length of the target area
    float warhead_delay = 4.0f;        // ms, fragments' flight to the kill distance
    float fuse_angle = 30.0f;          // deg, fuse cone relative to the vertical
    float fuse_range = 10.0f;          // m
    float radial_speed_offset = 0.0f;  // m/s, set by the fuse screen
    float miss_distance = 100.0f;      // m, lateral distance the fuse is evaluated at

    blast_results effects;
    float kill_distance = 0.0f;  // m

    float fragment_angles[warhead_fragment_angles] = {};  // rad, preview only
    float seeker_head_diameter = 10.0f;                   // cm, preview only
};
