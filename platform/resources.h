// The program's embedded resources: string resources by number, and data resources (types
// "TEXT" and "BINARY", shaders, help pages, pictures) by type and name or number. Data
// resources are compiled into the program at build time and register themselves here.
#pragma once

#include <cstddef>
#include <cstdint>

// String resources: 103 the window title, 104 the version text.
constexpr int IDS_TITLE = 103;
constexpr int IDS_VERSION = 104;

// The string resource with this number, or none.
const char* load_string_resource(int id);
// Copies the string resource into buf of cap bytes (bounded); returns its length, 0 when none.
std::size_t load_string_resource(int id, char* buf, std::size_t cap);

struct resource_data {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Registers a data resource, replacing one of the same type and name. Type and name are kept as pointers: pass literals. A number id
// is registered under its decimal text ("#129" style names are not used).
void register_resource(const char* type, const char* name, const std::uint8_t* data, std::size_t size);
// Finds a data resource by type and name (both case-insensitive); false when there is none.
bool find_resource(const char* type, const char* name, resource_data* out);
bool find_resource(const char* type, int id, resource_data* out);

// Registers every resource compiled into the program (data/resources/<TYPE>/<name>); defined in
// the generated resources library. Safe to call more than once.
void register_embedded_resources();
