#include "simulation/path_history.h"

#include <algorithm>

void path_history::clear() {
    count = 0;
    next_time = 0;
}

void path_history::sample(std::uint32_t clock, const vec3& absolute_point) {
    if (clock <= next_time) return;
    if (count > k_keep_limit) {
        std::copy(points + k_drop, points + count, points);
        count -= k_drop;
    }
    points[count] = absolute_point;
    ++count;
    next_time = clock + k_interval_ms;
}
