#include "core/file_helpers.h"

#include <cstring>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// Copies text into a caller's buffer only when it fits whole.
bool store(char* out, std::size_t cap, const std::string& text) {
    if (out == nullptr || text.size() + 1 > cap) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

std::string folder_part(const std::string& pattern) {
    const std::size_t cut = pattern.find_last_of('\\');
    return cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
}

// The first entry matching the pattern, spelt as the file system has it.
bool first_match(const std::string& pattern, std::string* resolved) {
    const std::vector<dir_entry> entries = fs_list(pattern.c_str());
    if (entries.empty()) return false;
    *resolved = folder_part(pattern) + entries.front().name;
    return true;
}

// The names a picking function chooses from: files only, longer than two characters, at
// most 255 of them, each at most 63 characters.
std::vector<std::string> pickable_names(const char* pattern, const char* exclusion) {
    std::vector<std::string> names;
    for (const dir_entry& e : fs_list(pattern)) {
        if (e.is_folder || e.name.size() <= 2 || e.name.size() > 63) continue;
        if (exclusion && *exclusion && e.name.find(exclusion) != std::string::npos) continue;
        names.push_back(e.name);
        if (names.size() == 255) break;
    }
    return names;
}

std::uint32_t& rotation_counter() {
    static std::uint32_t counter = tick_count();
    return counter;
}

bool copy_shifted(const char* source, const char* destination, int sign) {
    std::vector<std::uint8_t> bytes;
    if (!fs_read(source, &bytes)) return false;
    if (sign < 0) {
        unscramble_bytes(&bytes);
    } else {
        scramble_bytes(&bytes);
    }
    return fs_write(destination, bytes.data(), bytes.size());
}

bool ends_with_nocase(const char* text, const char* suffix) {
    const std::size_t n = std::strlen(text), m = std::strlen(suffix);
    return n >= m && compare_nocase(text + n - m, suffix) == 0;
}

}  // namespace

bool find_data_file(char* out, std::size_t cap, const char* name) {
    const char* scenery = g_state ? g_state->scenery_name : "";
    const std::string candidates[] = {
        std::string("scenery\\") + scenery + "\\" + name,
        std::string("common\\") + name,
        std::string("graphics\\") + name,
    };
    for (const std::string& c : candidates) {
        std::string resolved;
        if (first_match(c, &resolved) && store(out, cap, resolved)) return true;
    }
    copy_bounded(out, cap, name);
    return false;
}

bool resolve_file_extension(char* name, std::size_t cap, const char* first, const char* second) {
    if (fs_exists(name)) return true;
    const std::string original(name);
    const std::size_t dot = original.find_last_of('.');
    const char* alternatives[] = {first, second};
    for (const char* alt : alternatives) {
        if (alt == nullptr || dot == std::string::npos) continue;
        const std::string candidate = original.substr(0, dot) + alt;
        if (!store(name, cap, candidate)) continue;
        if (fs_exists(name)) return true;
    }
    return false;
}

bool resolve_needed_file(char* name, std::size_t cap, const char* first, const char* second) {
    const std::string asked(name);
    if (resolve_file_extension(name, cap, first, second)) return true;
    log_line_once("Could not find %s", asked.c_str());
    return false;
}

bool resolve_first_match(char* pattern, std::size_t cap) {
    std::string resolved;
    if (!first_match(pattern, &resolved)) return false;
    return store(pattern, cap, resolved);
}

bool find_n_variant_file(char* name, std::size_t cap) {
    ascii_lower_in_place(name);
    const std::string lowered(name);
    if (lowered.find("_n.") != std::string::npos) return true;
    const std::size_t dot = lowered.find('.');
    if (dot == std::string::npos) return false;
    const std::string variant = lowered.substr(0, dot) + "_n" + lowered.substr(dot);
    if (!fs_exists(variant.c_str())) return false;
    return store(name, cap, variant);
}

bool pick_file_in_rotation(char* pattern, std::size_t cap) {
    const std::vector<std::string> names = pickable_names(pattern, nullptr);
    if (names.empty()) return false;
    std::uint32_t& counter = rotation_counter();
    const std::string& pick = names[counter % names.size()];
    ++counter;
    return store(pattern, cap, pick);
}

bool pick_random_file_except(char* pattern, std::size_t cap, const char* exclusion) {
    const std::vector<std::string> names = pickable_names(pattern, exclusion);
    if (names.empty()) return false;
    return store(pattern, cap, names[tick_count() % names.size()]);
}

bool copy_to_clipboard(const char* text) { return clipboard_set_text(text); }

int longest_line_length(const char* text, int n) {
    if (text == nullptr || n < 1) return 0;
    int longest = 0, current = 0;
    for (int i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\0') return current > longest ? current : longest;
        if (c == '\n') {
            if (current > longest) longest = current;
            current = 0;
        } else {
            ++current;
        }
    }
    return longest;  // the line cut off by n does not count
}

void unscramble_bytes(std::vector<std::uint8_t>* bytes) {
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        (*bytes)[i] = static_cast<std::uint8_t>((*bytes)[i] - static_cast<std::uint8_t>(i));
    }
}

void scramble_bytes(std::vector<std::uint8_t>* bytes) {
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        (*bytes)[i] = static_cast<std::uint8_t>((*bytes)[i] + static_cast<std::uint8_t>(i));
    }
}

bool unscramble_copy(const char* source, const char* destination) {
    return copy_shifted(source, destination, -1);
}

bool scramble_copy(const char* source, const char* destination) {
    return copy_shifted(source, destination, +1);
}

bool read_model_file(const char* name, std::vector<std::uint8_t>* out) {
    if (!fs_read(name, out)) return false;
    if (ends_with_nocase(name, ".xx")) unscramble_bytes(out);
    return true;
}

bool read_text_file(const char* path, char* buffer, std::size_t size) {
    if (buffer == nullptr || size < 2) return false;
    std::memset(buffer, 0, size);
    std::vector<std::uint8_t> bytes;
    if (!fs_read(path, &bytes)) return false;
    const std::size_t limit = size - 2;
    std::size_t n = 0, column = 0;
    for (std::uint8_t b : bytes) {
        if (n >= limit) break;
        if (b == '\t') {
            while (column % 16 != 0 && n < limit) {
                buffer[n++] = ' ';
                ++column;
            }
            continue;
        }
        buffer[n++] = static_cast<char>(b);
        column = (b == '\n') ? 0 : column + 1;
    }
    return true;
}

bool is_folder(const char* path) { return fs_is_folder(path); }

bool delete_file(const char* path) { return fs_delete(path); }

bool find_in_two_folders(char* name, std::size_t cap, const char* first, const char* second) {
    const char* folders[] = {first, second};
    for (const char* folder : folders) {
        if (folder == nullptr) continue;
        const std::string candidate = std::string(folder) + "\\" + name;
        if (fs_exists(candidate.c_str())) return store(name, cap, candidate);
    }
    return false;
}

std::string word_for_log(const std::string& word) {
    constexpr std::size_t k_shown = 24;
    std::string shown = word.substr(0, k_shown);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    }
    if (word.size() <= k_shown) return "\"" + shown + "\"";
    return "\"" + shown + "...\" (" + std::to_string(word.size()) + " characters)";
}
