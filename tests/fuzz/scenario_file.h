// The body of the scenario fuzz target, shared with the corpus replay of the normal test
// suite. The input is a scenario file's text. The reader's table must keep its promises (at
// most 256 objects of the two types, names ended inside their field, positions within the
// globe, counts within their ranges) and survive its own write: the text written from it
// reads back to the same text. The run file made from the table is then read by the situation
// scene as the scenario design screen has it read: every launcher arrives (up to the scene's
// table), no more systems than were placed, and the situation reader's promises hold. The
// caller provides the application object and state and a file root holding "scenarios".
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "design/scenario_file.h"
#include "tests/fuzz/situation_file.h"

inline bool scenario_table_bounded(const design::scenario_table& t) {
    if (t.count < 0 || t.count > design::k_max_scenario_objects) return false;
    for (int i = 0; i < t.count; ++i) {
        const design::scenario_object& o = t.objects[i];
        if (o.type != design::scenario_type::launcher && o.type != design::scenario_type::system) return false;
        if (!name_ends_inside(o.name, sizeof o.name)) return false;
        if (!within(o.east, -180.0f, 180.0f) || !within(o.north, -90.0f, 90.0f) ||
            !within(o.aim_east, -180.0f, 180.0f) || !within(o.aim_north, -90.0f, 90.0f))
            return false;
        if (o.rockets < 0 || o.rockets > 1000 || o.reload < 0 || o.reload > 3600 || o.radius < 0 ||
            o.radius > 1000000)
            return false;
    }
    return true;
}

// False when the reader broke a promise.
inline bool run_scenario_file(situation_fuzz_scene& world, app_state& state, const std::uint8_t* data,
                              std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto table = std::make_unique<design::scenario_table>();
    design::parse_scenario_text(text, "scenarios\\fuzz.txt", table.get());
    if (!scenario_table_bounded(*table)) return false;
    const std::string written = design::scenario_text(*table);
    auto again = std::make_unique<design::scenario_table>();
    design::parse_scenario_text(written, "scenarios\\fuzz.txt", again.get());
    if (design::scenario_text(*again) != written) return false;

    int systems = 0, launchers = 0;
    for (int i = 0; i < table->count; ++i)
        ++(table->objects[i].type == design::scenario_type::system ? systems : launchers);
    if (systems == 0) return true;  // the screen runs no scenario without a system
    const std::string run = design::scenario_run_text(*table, design::current_weather());
    fs_write(design::k_run_file, run.data(), run.size());
    reset_situation_values(state);
    world.placements.clear();
    world.design_system = nullptr;
    world.read_situation(design::k_run_file);
    bool kept = situation_promises_kept(world, state) && world.tables.system_count <= systems &&
                world.tables.launcher_count == std::min(launchers, scene::k_max_launchers);
    world.clear(false);
    world.placements.clear();
    return kept;
}
