// The scenery index of the application state. Kept apart from app_state.cpp because it is
// file work of its own (listing folders, reading headers), not message or clock state.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// A header is a few hundred bytes; anything past this size is not one.
constexpr long long k_max_header_bytes = 64 * 1024;

// The four bounds of a header, each found or not.
struct header_bounds {
    float values[4] = {};
    bool found[4] = {};
};
constexpr const char* k_bound_keys[4] = {"left_map_x", "lower_map_y", "right_map_x", "upper_map_y"};

// Reads the four map bounds from a header: any line holding "=" and one of the keys gives
// the number after the "=". Lines are cut at 120 characters as the header reader always did.
bool read_header_bounds(const char* header, header_bounds* out) {
    const long long size = fs_file_size(header);
    std::string text;
    if (size < 0 || size > k_max_header_bytes || !fs_read_text(header, &text)) return false;
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
        for (int k = 0; k < 4; ++k) {
            if (!contains(line.c_str(), k_bound_keys[k])) continue;
            out->values[k] = value;
            out->found[k] = true;
            break;
        }
    }
    return true;
}

// The bounds of a header when they make a map on the globe: all four given, finite, within
// the longitudes and latitudes, west of east and south of north. Otherwise a log line names
// the file and the result is false.
bool usable_bounds(const char* header, scenery_index_entry* entry) {
    header_bounds b;
    if (!read_header_bounds(header, &b)) {
        log_line("Could not read the scenery header %s: its scenery is left out", header);
        return false;
    }
    for (int k = 0; k < 4; ++k) {
        if (!b.found[k]) {
            log_line("The scenery header %s gives no %s: its scenery is left out", header, k_bound_keys[k]);
            return false;
        }
    }
    const float west = b.values[0], south = b.values[1], east = b.values[2], north = b.values[3];
    const bool on_globe = std::isfinite(west) && std::isfinite(east) && std::isfinite(south) &&
                          std::isfinite(north) && west >= -180.0f && east <= 180.0f && south >= -90.0f &&
                          north <= 90.0f && west < east && south < north;
    if (!on_globe) {
        log_line("The scenery header %s gives map bounds %g %g %g %g that make no map: its scenery is left out",
                 header, west, south, east, north);
        return false;
    }
    entry->left_map_x = west;
    entry->lower_map_y = south;
    entry->right_map_x = east;
    entry->upper_map_y = north;
    return true;
}

void count_left_out(scenery_index* index, const std::string& folder) {
    if (index->left_out++ == 0) copy_text(index->first_left_out, folder.c_str());
}

}  // namespace

void app_state::load_scenery_index() {
    sceneries.count = 0;
    sceneries.left_out = 0;
    sceneries.first_left_out[0] = '\0';
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
        if (bins.empty() || hdrs.empty()) {
            log_line("The scenery folder scenery\\%s holds no %s: its scenery is left out", d.name.c_str(),
                     hdrs.empty() ? "elevation header (*.hdr)" : "elevation samples (*.bin)");
            count_left_out(&sceneries, d.name);
            continue;
        }
        scenery_index_entry& entry = sceneries.entries[sceneries.count];
        entry = scenery_index_entry{};
        if (!usable_bounds((base + hdrs.front().name).c_str(), &entry)) {
            entry = scenery_index_entry{};
            count_left_out(&sceneries, d.name);
            continue;
        }
        copy_text(entry.folder, d.name.c_str());
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
