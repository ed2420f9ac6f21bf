#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "simulation/aero_config.h"
#include "simulation/mach_table.h"

// A missile can reach any speed in a long or broken step: every Mach number reads slots
// inside the table, and the readings stay finite.
TEST(MachTable, EveryMachNumberReadsInsideTheTable) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float mach : {nan, inf, -inf, -3.0f, 0.0f, 0.05f, 3.99f, 4.0f, 4.05f, 4.1f, 7.5f, 1e30f}) {
        const mach_position p = locate_mach(mach);
        EXPECT_GE(p.i, 0) << mach;
        EXPECT_LE(p.j, mach_table_last) << mach;
        EXPECT_LE(p.i, p.j) << mach;
    }
    aero_config c;
    c.compute_coefficients(0.0f);
    for (float mach : {nan, inf, -1.0f, 2.0f, 1e30f}) {
        float cd = 0, cn = 0, trim = 0;
        c.get_coefficients(mach, true, cd, cn, trim);
        EXPECT_TRUE(std::isfinite(cd) && std::isfinite(cn) && std::isfinite(trim)) << mach;
    }
    // Above Mach 4 a reading is that of slot 40.
    EXPECT_FLOAT_EQ(c.cn_alpha_total.at(9.0f), c.cn_alpha_total.slot[40]);
}
