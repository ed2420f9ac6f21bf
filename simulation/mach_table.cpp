#include "simulation/mach_table.h"

#include <algorithm>
#include <cmath>

mach_position locate_mach(float mach) {
    // Past Mach 4.1 every reading is slot 40 anyway; stopping there keeps floor() in range.
    if (!std::isfinite(mach) || mach < 0.0f) mach = 0.0f;
    mach = std::min(mach, 4.1f);
    mach_position p;
    const int k = static_cast<int>(std::floor(10.0f * mach));
    p.i = std::min(k, mach_table_last);
    p.j = std::min(p.i + 1, mach_table_last);
    p.f = 10.0f * mach - static_cast<float>(k);
    return p;
}

void mach_table::clear() { std::fill(slot, slot + mach_table_size, 0.0f); }
