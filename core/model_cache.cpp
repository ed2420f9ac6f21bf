#include "core/model_cache.h"

#include <vector>

#include "core/d3d_app.h"
#include "core/file_helpers.h"

std::shared_ptr<const x_file> model_cache::read(const char* name) {
    file_stamp stamp;
    const bool stamped = fs_stamp(name, &stamp);
    if (stamped) {
        const auto it = entries_.find(stamp.host_path);
        if (it != entries_.end() && it->second.stamp == stamp) return it->second.file;
    }
    std::vector<std::uint8_t> bytes;
    if (!read_model_file(name, &bytes)) {
        log_line("Failed to read %s", name);
        return nullptr;
    }
    auto parsed = std::make_shared<x_file>();
    std::string error;
    ++parses_;
    if (!parse_x_file(bytes.data(), bytes.size(), parsed.get(), &error)) {
        log_line("Bad model file %s: %s", name, error.c_str());
        return nullptr;
    }
    if (!stamped) return parsed;
    if (entries_.size() >= k_max_files || bytes_ + stamp.size > k_max_bytes) clear();
    entry& e = entries_[stamp.host_path];
    if (e.file) bytes_ -= e.stamp.size;  // a changed file replaces its old parse
    e = entry{stamp, parsed};
    bytes_ += stamp.size;
    return parsed;
}

model_cache& shared_model_cache() {
    static model_cache cache;
    return cache;
}
