// What the scenario design screen placed: the names of its missile systems and its count of
// rocket launchers. The situation writer names them in a situation's comment lines. Names,
// not systems: the screen keeps the names, and nothing here outlives what it points at.
#pragma once

constexpr int k_scenario_max_systems = 8;
constexpr int k_scenario_name_size = 40;

struct scenario_design_lists {
    int system_count = 0;
    char system_names[k_scenario_max_systems][k_scenario_name_size] = {};
    int launcher_count = 0;

    // Adds a placed system's name (cut to 39 characters); false when the list is full.
    bool add_system(const char* name);
    void clear();
};
