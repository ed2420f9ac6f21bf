// The body of the scenery-object fuzz target, shared with the corpus replay of the normal test
// suite. An input is a small archive (parts parted by "%%file", tests/fuzz/fuzz_input.h) of one
// scenery folder "scenery\Fuzz": the object index "tile_objects.txt", the object list
// "objects.txt" and two lists it may include, "ring.txt" (relative) and "abs_far.txt"
// (geographic). The scene reads the index, then the list. What the readers promise is checked:
// the tables within their sizes, every placement naming an entry of the table, names ended
// inside their field, numbers and positions finite, and no list left open. The caller provides
// the application object, a state whose scenery is "Fuzz" and a file root holding the folder.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/files.h"
#include "shell/scene.h"
#include "tests/fuzz/fuzz_input.h"

inline constexpr const char* k_object_parts[] = {
    "scenery\\Fuzz\\tile_objects.txt", "scenery\\Fuzz\\objects.txt", "scenery\\Fuzz\\ring.txt",
    "scenery\\Fuzz\\abs_far.txt"};

inline void make_object_folder() {
    fs_make_folder("scenery");
    fs_make_folder("scenery\\Fuzz");
}

inline bool object_table_kept(const scenery_objects& t) {
    if (t.entries.size() > static_cast<std::size_t>(scenery_objects::k_max_entries) ||
        t.placements.size() > static_cast<std::size_t>(scenery_objects::k_max_placements) ||
        !t.include_chain.empty())
        return false;
    for (const object_entry& e : t.entries) {
        if (std::memchr(e.name, 0, sizeof e.name) == nullptr) return false;
        for (float k : e.k)
            if (!std::isfinite(k)) return false;
    }
    for (const object_placement& p : t.placements) {
        if (p.entry < 0 || static_cast<std::size_t>(p.entry) >= t.entries.size()) return false;
        if (!std::isfinite(p.east) || !std::isfinite(p.north)) return false;
    }
    return true;
}

// False when a read broke a promise.
inline bool run_object_lists(scene& world, const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t parts_count = sizeof k_object_parts / sizeof k_object_parts[0];
    const auto parts = split_parts(data, size, parts_count);
    for (std::size_t i = 0; i < parts_count; ++i) write_part(k_object_parts[i], parts, i);
    world.objects_table.entries.clear();
    world.objects_table.placements.clear();
    world.read_object_index("tile_objects.txt");
    bool kept = object_table_kept(world.objects_table);
    world.read_object_list("objects.txt", false);
    kept = kept && object_table_kept(world.objects_table);
    world.objects_table.entries.clear();
    world.objects_table.placements.clear();
    return kept;
}
