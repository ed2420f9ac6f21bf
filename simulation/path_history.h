// The flown path of a missile or rocket for drawing: up to 1024 points in absolute coordinates
// (the scene position plus the world origin offset), sampled every 100 ms of the clock. Above
// 824 points the oldest 200 are dropped, so a long flight keeps its recent part.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

class path_history {
public:
    static constexpr int k_capacity = 1024;
    static constexpr int k_keep_limit = 824;  // more than this drops the oldest
    static constexpr int k_drop = 200;
    static constexpr std::uint32_t k_interval_ms = 100;

    // Empties the path and samples on the next call to sample.
    void clear();
    // When the clock has passed the next sample time: appends the point (dropping the oldest
    // 200 first when more than 824 are held) and sets the next sample 100 ms on.
    void sample(std::uint32_t clock, const vec3& absolute_point);

    std::uint32_t next_time = 0;  // ms of the clock
    std::int32_t count = 0;
    vec3 points[k_capacity];
};
