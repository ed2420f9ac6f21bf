// The body of the definition-file fuzz target, shared with the corpus replay of the normal
// test suite. The input's first byte picks the kind of file (airframe, motor, warhead,
// guidance, control unit, launcher, missile, system); the rest is the file "<folder>\Fuzz.txt".
// The body loads it into a fresh object as the program does and runs what follows a load: the
// airframe's bounds and Mach tables, a second's burn of the motor on the stand, the warhead's
// performance, the guidance limits. The caller provides the application object and state and
// a file root holding the part folders.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "simulation/aero_config.h"
#include "simulation/control_unit.h"
#include "simulation/launcher.h"
#include "simulation/missile_file.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/system_file.h"
#include "simulation/warhead.h"

inline constexpr const char* k_definition_folders[] = {
    "configs", "motors", "warheads", "seekers", "controls", "launchers", "missiles", "systems",
};
inline constexpr int k_definition_kinds = 8;

inline void make_definition_folders() {
    for (const char* folder : k_definition_folders) fs_make_folder(folder);
}

// Folds a float into a checksum so that nothing computed is optimised away.
inline std::uint32_t fold_value(std::uint32_t sum, float v) {
    return sum * 31u + (v != v ? 7u : static_cast<std::uint32_t>(std::isfinite(v) && v > 0.0f));
}

// Returns a checksum of what the load produced.
inline std::uint32_t run_definition_file(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int kind = data[0] % k_definition_kinds;
    std::string file = std::string(k_definition_folders[kind]) + "\\Fuzz.txt";
    fs_write(file.c_str(), data + 1, size - 1);

    std::uint32_t sum = 0;
    switch (kind) {
    case 0: {
        aero_config c;
        if (!c.load("Fuzz")) break;
        c.clamp_dimensions();
        c.compute_coefficients(0.0f);
        for (int k = 0; k <= 40; ++k) {
            float cd = 0, cn = 0, trim = 0;
            c.get_coefficients(k * 0.1f, k % 2 == 0, cd, cn, trim);
            sum = fold_value(fold_value(fold_value(sum, cd), cn), trim);
        }
        break;
    }
    case 1: {
        rocket_motor m;
        if (!m.load("Fuzz")) break;
        // One second on the stand in the longest steps a tick takes (each split as the motor
        // needs): a shorter step would only repeat the same code more often.
        m.ignite();
        for (int step = 0; step < 10 && !m.burnt_out; ++step) m.burn_step(rocket_motor::k_max_step);
        sum = fold_value(sum, m.propellant_total);
        break;
    }
    case 2: {
        warhead w;
        if (!w.load("Fuzz")) break;
        w.compute_performance();
        w.effects_at_distance(10.0f);
        sum = fold_value(sum, w.DC);
        break;
    }
    case 3: {
        seeker s;
        if (!s.load("Fuzz")) break;
        s.apply_limits(false);
        sum = fold_value(sum, s.seeker_diameter);
        break;
    }
    case 4: {
        control_unit u;
        if (u.load("Fuzz")) sum = fold_value(sum, u.launch_range);
        break;
    }
    case 5: {
        launcher l;
        if (l.load("Fuzz")) sum = fold_value(sum, l.reload_time);
        break;
    }
    case 6: {
        missile_file f;
        if (f.read("Fuzz")) sum += static_cast<std::uint32_t>(f.config_name[0]);
        break;
    }
    default: {
        system_file f;
        if (f.read("Fuzz")) sum += static_cast<std::uint32_t>(f.control_name[0]);
        break;
    }
    }
    fs_delete(file.c_str());
    return sum;
}
