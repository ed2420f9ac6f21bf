#include "core/scenario_design_lists.h"

#include "platform/text.h"

bool scenario_design_lists::add_system(const char* name) {
    if (system_count < 0) system_count = 0;
    if (system_count >= k_scenario_max_systems) return false;
    copy_text(system_names[system_count], name != nullptr ? name : "");
    ++system_count;
    return true;
}

void scenario_design_lists::clear() { *this = scenario_design_lists{}; }
