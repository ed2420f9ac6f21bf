#include "platform/resources.h"

#include <cstdio>
#include <vector>

#include "platform/text.h"

namespace {

struct string_resource {
    int id;
    const char* text;
};

constexpr string_resource k_strings[] = {
    {IDS_TITLE, "Ventrask"},
    {IDS_VERSION, "Version 1.5.0"},
};

struct data_resource {
    const char* type;
    const char* name;
    resource_data data;
};

std::vector<data_resource>& registry() {
    static std::vector<data_resource> r;
    return r;
}

}  // namespace

const char* load_string_resource(int id) {
    for (const string_resource& s : k_strings) {
        if (s.id == id) return s.text;
    }
    return nullptr;
}

std::size_t load_string_resource(int id, char* buf, std::size_t cap) {
    const char* s = load_string_resource(id);
    if (s == nullptr) {
        copy_bounded(buf, cap, "");
        return 0;
    }
    return copy_bounded(buf, cap, s);
}

void register_resource(const char* type, const char* name, const std::uint8_t* data, std::size_t size) {
    for (data_resource& r : registry()) {
        if (compare_nocase(r.type, type) == 0 && compare_nocase(r.name, name) == 0) {
            r.data = {data, size};  // the newest registration wins
            return;
        }
    }
    registry().push_back({type, name, {data, size}});
}

bool find_resource(const char* type, const char* name, resource_data* out) {
    for (const data_resource& r : registry()) {
        if (compare_nocase(r.type, type) == 0 && compare_nocase(r.name, name) == 0) {
            *out = r.data;
            return true;
        }
    }
    return false;
}

bool find_resource(const char* type, int id, resource_data* out) {
    char name[16];
    std::snprintf(name, sizeof name, "%d", id);
    return find_resource(type, name, out);
}
