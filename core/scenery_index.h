// The list of installed sceneries: each folder under "scenery" that holds an elevation
// header and its samples, with the map bounds of its header. It decides which scenery lies
// under the camera.
#pragma once

struct scenery_index_entry {
    char folder[40] = {};
    float left_map_x = 0.0f;   // west
    float lower_map_y = 0.0f;  // south
    float right_map_x = 0.0f;  // east
    float upper_map_y = 0.0f;  // north
};

struct scenery_index {
    static constexpr int k_max_entries = 1024;
    int count = 0;
    scenery_index_entry entries[k_max_entries];
    // Folders left out because their header or samples are missing or unreadable (each named
    // in the log): how many, and the first one's name, to tell the user when a situation
    // finds no scenery under it.
    int left_out = 0;
    char first_left_out[40] = {};
};
