// Where the generator writes: one output folder, names in the program's own form
// ("graphics\smoke.dds"), folders made on demand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using bytes = std::vector<std::uint8_t>;

void set_output_root(const std::string& root);
// Writes the file "name" (backslash separated, as the program names it) below the root.
// Exits the program with a message when the file cannot be written.
void write_output(const std::string& name, const bytes& data);
void write_output_text(const std::string& name, const std::string& text);
std::string output_path(const std::string& name);

// Little-endian appends for the binary formats.
void put_u8(bytes& b, std::uint32_t v);
void put_u16(bytes& b, std::uint32_t v);
void put_u32(bytes& b, std::uint32_t v);
void put_i16(bytes& b, int v);
void put_text(bytes& b, const char* text);
