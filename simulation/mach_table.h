// One aerodynamic value of an airframe over Mach number: slot k (1..40) holds the value at
// Mach k / 10. Slot 0 stays 0, so readings below Mach 0.1 run linearly down to 0 at Mach 0;
// slot 41 is never read. Above Mach 4 every reading is that of slot 40.
#pragma once

constexpr int mach_table_size = 42;
constexpr int mach_table_last = 40;

// Where a Mach number falls between two slots: the value is (1 - f) slot[i] + f slot[j].
struct mach_position {
    int i = 0;
    int j = 0;
    float f = 0.0f;
};

// Negative and non-finite Mach numbers read as Mach 0.
mach_position locate_mach(float mach);

struct mach_table {
    float slot[mach_table_size] = {};

    float at(const mach_position& p) const { return (1.0f - p.f) * slot[p.i] + p.f * slot[p.j]; }
    float at(float mach) const { return at(locate_mach(mach)); }
    void clear();
};
