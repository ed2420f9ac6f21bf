// The guidance definition of a missile: which flight phases are guided and by which law, the
// seeker's detection range, aperture and angular error, and the self-destruct time. A plain
// record; its definition file is "seekers\<name>.txt".
#pragma once

#include <cstdint>

#include "simulation/design_name.h"

class seeker {
public:
    seeker();

    // Reads "seekers\<name>.txt"; false (nothing changed) when the name is refused, the file
    // does not open or it cannot be read whole (cut short). Values outside their ranges
    // (types 0..1, lock time 0..1000 s, range 0..100 km, diameter 0..100 cm, error
    // 0..1 rad/s, self-destruct 0..10,000 s) are bounded with a log line naming the file.
    bool load(const char* design_name);
    // Takes the name and writes "seekers\<name>.txt"; false, and a log line, when the name is
    // refused or the file cannot be written.
    bool save(const char* design_name);

    // Bounds the values after an edit. Range and aperture are tied (range at most 10 x
    // diameter²): the one not edited follows the one edited.
    void apply_limits(bool diameter_edited);

    char name[design_name_size] = {};
    static constexpr const char* k_folder = "seekers";  // where its definition files lie
    part_file file = part_file::taken;  // how its file stood when a design named it
    std::uint8_t boost_phase = 1;      // fins locked during the boost phase
    float fins_lock_time = 1.0f;       // s from launch
    std::uint8_t midcourse_phase = 1;  // command-guided in midcourse
    std::int32_t midcourse_type = 0;   // 0 command intercept point, 1 command line of sight
    std::uint8_t terminal_phase = 1;   // homes with its own seeker near the target
    std::int32_t terminal_type = 1;    // 0 homing pursuit, 1 homing proportional
    float detection_range = 1000.0f;   // m
    float seeker_diameter = 10.0f;     // cm
    float seeker_error = 0.02f;        // amplitude of the random angular error, rad
    float self_destruct = 100.0f;      // s of flight
};
