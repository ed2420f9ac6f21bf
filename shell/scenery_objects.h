// The static objects of a scenery (buildings, trees, lights, roads, runways, sounds) as the
// scene keeps them: an index of object kinds, each a name and five numbers, and a flat table
// of placements in scenery grid metres. Only the placements near the camera are built, into
// the 10 x 10 anchor frames that travel with it.
//
// The numbers k0..k4 of an entry: k0 the height above the ground (m), k1 a rotation or a size,
// k2..k4 scale factors, sizes or colour components, by the kind the name gives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class mesh;

struct object_entry {
    static constexpr int k_name_size = 120;
    char name[k_name_size] = {};
    float k[5] = {};
    // 1 when the name is a bracketed effect or its model was found on the search path.
    float found = 0.0f;
    // The shared model of a plain mesh entry (owned), made on its first placement.
    mesh* cached = nullptr;
};

struct object_placement {
    float east = 0.0f;   // scenery grid metres
    float north = 0.0f;
    std::int32_t entry = 0;
};

struct scenery_objects {
    static constexpr int k_max_entries = 4096;
    static constexpr int k_max_placements = 1048576;
    // Lists include lists at most this deep; a list already being read is not read again.
    static constexpr int k_max_include_depth = 8;

    std::vector<object_entry> entries;
    std::vector<object_placement> placements;
    // The list files being read, outermost first.
    std::vector<std::string> include_chain;

    bool full() const {
        return entries.size() >= static_cast<std::size_t>(k_max_entries) ||
               placements.size() >= static_cast<std::size_t>(k_max_placements);
    }
};
