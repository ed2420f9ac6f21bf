// Fuzz inputs that stand for several files: the parts of an input are separated by the line
// "%%file", so a seed is readable text and a mutation can grow, shrink or drop any one file.
// Shared by the fuzz targets and the corpus replays of the normal test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/files.h"

constexpr std::string_view k_part_separator = "\n%%file\n";

// The parts of an input in order; at most max_parts (the last one keeps the rest).
inline std::vector<std::string_view> split_parts(const std::uint8_t* data, std::size_t size,
                                                 std::size_t max_parts) {
    std::vector<std::string_view> parts;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (parts.size() + 1 < max_parts) {
        const std::size_t at = rest.find(k_part_separator);
        if (at == std::string_view::npos) break;
        parts.push_back(rest.substr(0, at));
        rest.remove_prefix(at + k_part_separator.size());
    }
    parts.push_back(rest);
    return parts;
}

// Writes part i of parts as the program's file name, or removes the file when the input has
// fewer parts, so nothing of an earlier input is left behind.
inline void write_part(const char* name, const std::vector<std::string_view>& parts, std::size_t i) {
    if (i < parts.size()) {
        fs_write(name, parts[i].data(), parts[i].size());
    } else {
        fs_delete(name);
    }
}
