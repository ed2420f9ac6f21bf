// The body of the light-definition fuzz target, shared with the corpus replay of the normal
// test suite. The input is a light's ".def" file; a scenery light loads it at a placement's
// scale, and what the reader promises is checked: the steps and sectors within their tables,
// step times and colours within their ranges, sector bearings finite, and a glow built. The
// light then blinks for a few steps and tells its colour all around. The caller provides a
// model environment (tests/fuzz/model_environment.h) and a file root holding "graphics".
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/frame.h"
#include "platform/files.h"
#include "world/blinker.h"
#include "world/decal.h"

inline constexpr const char* k_fuzz_light = "graphics\\fuzz.def";

inline bool light_kept(const blinker& b) {
    if (b.step_count < 1 || b.step_count > blinker::k_max_steps) return false;
    for (int i = 0; i < blinker::k_table; ++i) {
        if (!(b.step_end_times[i] >= 0.0f && b.step_end_times[i] <= 1.0e6f)) return false;
    }
    if (b.sector_count != 0 && (b.sector_count < 3 || b.sector_count > blinker::k_max_sectors + 2)) return false;
    for (int i = 0; i < b.sector_count; ++i) {
        if (!std::isfinite(b.sector_angles[i])) return false;
        for (float c : {b.sector_red[i], b.sector_green[i], b.sector_blue[i]})
            if (!(c >= 0.0f && c <= 255.0f)) return false;
    }
    return b.glow != nullptr && std::isfinite(b.glow->width) && std::isfinite(b.glow->height);
}

// False when the load broke a promise.
inline bool run_light_definition(const std::uint8_t* data, std::size_t size) {
    fs_write(k_fuzz_light, data, size);
    frame root;
    blinker* b = nullptr;
    if (create_blinker(&root, &b) != S_OK) return false;
    b->load_def_object(k_fuzz_light, 1.0f, 2.0f, 0.5f);
    const bool kept = light_kept(*b);
    std::uint32_t colour = 0;
    for (int i = 0; i < 16; ++i) b->sector_colour(static_cast<float>(i) * 0.4f, &colour);
    b->is_lit();
    destroy_blinker(&b);
    return kept;
}
