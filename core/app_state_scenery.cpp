// The scenery index of the application state. Kept apart from app_state.cpp because it is
// file work of its own (listing folders, reading headers), not message or clock state.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// Reads the four map bounds from a header: any line holding "=" and one of the keys gives
// the number after the "=". Lines are cut at 120 characters as the header reader always did.
void read_bounds(const char* header, scenery_index_entry* entry) {
    std::string text;
    if (!fs_read_text(header, &text)) return;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, std::min<std::size_t>(end - start, 119));
        start = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        float value = 0.0f;
        if (!scan_float(line.c_str() + eq + 1, &value)) continue;
        if (contains(line.c_str(), "left_map_x")) entry->left_map_x = value;
        else if (contains(line.c_str(), "lower_map_y")) entry->lower_map_y = value;
        else if (contains(line.c_str(), "right_map_x")) entry->right_map_x = value;
        else if (contains(line.c_str(), "upper_map_y")) entry->upper_map_y = value;
    }
}

}  // namespace

void app_state::load_scenery_index() {
    sceneries.count = 0;
    for (scenery_index_entry& e : sceneries.entries) e = scenery_index_entry{};
    // The listing is sorted and never holds "." or "..", so nothing is passed over.
    const std::vector<dir_entry> folders = fs_list("scenery\\*");
    for (const dir_entry& d : folders) {
        if (sceneries.count >= scenery_index::k_max_entries) break;
        if (!d.is_folder) continue;
        if (d.name.size() >= sizeof(scenery_index_entry::folder)) {
            log_line("Scenery folder name too long, not indexed: %s", d.name.c_str());
            continue;
        }
        const std::string base = "scenery\\" + d.name + "\\";
        const std::vector<dir_entry> bins = fs_list((base + "*.bin").c_str());
        const std::vector<dir_entry> hdrs = fs_list((base + "*.hdr").c_str());
        if (bins.empty() || hdrs.empty()) continue;
        scenery_index_entry& entry = sceneries.entries[sceneries.count];
        entry = scenery_index_entry{};
        copy_text(entry.folder, d.name.c_str());
        read_bounds((base + hdrs.front().name).c_str(), &entry);
        ++sceneries.count;
    }
}

int app_state::find_scenery_tile(float x, float y) const {
    float best = 360.0f;
    int result = 0;
    for (int i = 0; i < sceneries.count; ++i) {
        const scenery_index_entry& e = sceneries.entries[i];
        const float m = 0.1f * (e.upper_map_y - e.lower_map_y);
        const float width = e.right_map_x - e.left_map_x;
        const bool inside = x + m > e.left_map_x && e.right_map_x > x - m &&
                            y + m > e.lower_map_y && e.upper_map_y > y - m;
        if (inside && width < best) {
            result = i + 1;
            best = width;
        }
    }
    return result;
}
