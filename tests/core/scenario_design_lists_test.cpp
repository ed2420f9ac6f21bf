#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/scenario_design_lists.h"

TEST(ScenarioDesignLists, BoundedNamesAndCount) {
    scenario_design_lists l;
    const std::string long_name(60, 'S');
    EXPECT_TRUE(l.add_system(long_name.c_str()));
    EXPECT_EQ(std::strlen(l.system_names[0]), 39u);
    for (int i = 1; i < k_scenario_max_systems; ++i) EXPECT_TRUE(l.add_system("Sentinel"));
    EXPECT_FALSE(l.add_system("Ninth"));
    EXPECT_EQ(l.system_count, k_scenario_max_systems);
    l.system_count = -4;  // a count gone wrong starts the list again
    EXPECT_TRUE(l.add_system(nullptr));
    EXPECT_EQ(l.system_count, 1);
    EXPECT_STREQ(l.system_names[0], "");
}
