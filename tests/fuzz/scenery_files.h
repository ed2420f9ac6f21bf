// The body of the scenery fuzz target, shared with the corpus replay of the normal test suite.
// An input is a small archive (parts parted by "%%file", tests/fuzz/fuzz_input.h) of one
// scenery folder "scenery\Fuzz": the elevation header, the elevation samples, "scenery.txt",
// and the derived "txt.bmp" and "water.bmp" (a missing part is a missing file, so the load
// builds and writes it). The body loads the folder as the scene does, asks heights across
// and beyond the grid, and unloads. The caller provides the application object and state and
// a file root holding the folder "scenery\Fuzz".
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "tests/fuzz/fuzz_input.h"
#include "world/terrain.h"

inline constexpr const char* k_scenery_parts[] = {
    "scenery\\Fuzz\\Fuzz.hdr", "scenery\\Fuzz\\Fuzz.bin", "scenery\\Fuzz\\scenery.txt",
    "scenery\\Fuzz\\txt.bmp",  "scenery\\Fuzz\\water.bmp",
};

inline void make_scenery_folder() {
    fs_make_folder("scenery");
    fs_make_folder("scenery\\Fuzz");
}

// The terrain the inputs load into, made once: building a terrain (and its sea's spectrum) for
// every input took a sixth of each run. The smallest tile grids, of small tiles: building and
// filling tiles is the grid's work, not the loader's, and at full size it would take nearly
// all of each run (at 32 samples a tile still more than half).
inline terrain& fuzz_terrain() {
    static terrain* const ground = [] {
        auto* t = new terrain;
        t->near_grid = 2;
        t->far_grid = 1;
        t->tile_samples = 4;
        return t;
    }();
    return *ground;
}

// Returns a checksum of the heights asked.
inline std::uint32_t run_scenery_files(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t parts_count = sizeof k_scenery_parts / sizeof k_scenery_parts[0];
    const auto parts = split_parts(data, size, parts_count);
    for (std::size_t i = 0; i < parts_count; ++i) write_part(k_scenery_parts[i], parts, i);

    terrain* ground = &fuzz_terrain();
    ground->unload();
    ground->load_scenery("Fuzz");
    std::uint32_t sum = 0;
    const float extent = ground->cell_size * static_cast<float>(ground->columns + ground->rows + 2);
    for (int i = -2; i <= 10; ++i) {
        const float x = extent * static_cast<float>(i) / 8.0f - extent / 2.0f;
        float height = 0.0f, normal[3] = {};
        ground->ground_height(x, -x * 0.5f, &height);
        sum = sum * 31u + static_cast<std::uint32_t>(height == height);
        ground->ground_height_normal(x * 0.5f, x, &height, normal);
        ground->class_ground_height(x, x, 0xFFFFu, &height);
        ground->mark_cell(x, x * 0.25f, 1);
    }
    ground->unload();
    return sum;
}
