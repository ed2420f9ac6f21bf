#include "simulation/mach_table.h"

#include <algorithm>
#include <cmath>

void mach_table::clear() { std::fill(slot, slot + mach_table_size, 0.0f); }
