// One aerodynamic value of an airframe over Mach number: slot k (1..40) holds the value at
// Mach k / 10. Slot 0 stays 0, so readings below Mach 0.1 run linearly down to 0 at Mach 0;
// slot 41 is never read. Above Mach 4 every reading is that of slot 40.
#pragma once

#include <algorithm>
#include <cmath>

constexpr int mach_table_size = 42;
constexpr int mach_table_last = 40;

// Where a Mach number falls between two slots: the value is (1 - f) slot[i] + f slot[j].
struct mach_position {
    int i = 0;
    int j = 0;
    float f = 0.0f;
};

// Negative and non-finite Mach numbers read as Mach 0.
// The slots either side of a Mach number and the fraction between them. Inline: every flight
// step of every weapon reads its tables through it.
inline mach_position locate_mach(float mach) {
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

struct mach_table {
    float slot[mach_table_size] = {};

    float at(const mach_position& p) const { return (1.0f - p.f) * slot[p.i] + p.f * slot[p.j]; }
    float at(float mach) const { return at(locate_mach(mach)); }
    void clear();
};
