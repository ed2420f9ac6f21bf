// The body of the place-titles fuzz target, shared with the corpus replay of the normal test
// suite. The input is a scenery's "titles.txt", read as the map view reads it (stopping at the
// first line without a position) and as the scenario map reads it (passing such lines over),
// into a table of 256 and into one of 3. What the reader promises is checked: no more titles
// than the table holds, nothing written past the count, positions finite and names ended
// within 39 characters. The caller provides the application object (for the log) and a file
// root holding the folder "scenery\Fuzz".
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/files.h"
#include "ui/map_view.h"

inline constexpr const char* k_fuzz_titles = "scenery\\Fuzz\\titles.txt";

inline void make_titles_folder() {
    fs_make_folder("scenery");
    fs_make_folder("scenery\\Fuzz");
}

// False when a read broke a promise.
inline bool run_map_titles(const std::uint8_t* data, std::size_t size) {
    fs_write(k_fuzz_titles, data, size);
    constexpr int k_guard = 4;
    static map_title titles[map_view_state::k_max_titles + k_guard];
    for (int capacity : {map_view_state::k_max_titles, 3}) {
        for (bool skip : {false, true}) {
            for (map_title& t : titles) t = map_title{1.5f, 2.5f, "guard"};
            const int count = read_map_titles(k_fuzz_titles, titles, capacity, skip);
            if (count < 0 || count > capacity) return false;
            for (int i = 0; i < count; ++i) {
                const map_title& t = titles[i];
                if (!std::isfinite(t.longitude) || !std::isfinite(t.latitude)) return false;
                if (std::memchr(t.name, 0, sizeof t.name) == nullptr) return false;
            }
            for (int i = capacity; i < capacity + k_guard; ++i) {
                if (std::strcmp(titles[i].name, "guard") != 0 || titles[i].longitude != 1.5f) return false;
            }
        }
    }
    return true;
}
