// Design names: the name a user gives an airframe, motor, warhead, guidance, missile,
// launcher, control unit or system is also the name of its definition file
// ("configs\<name>.txt"). Every name that becomes a path passes through here first, so a name
// can never reach outside its folder or run past the 40-character name fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Every name field of a design record: 39 characters and the terminator.
constexpr std::size_t design_name_size = 40;

// A design name cut to its field and the file it names.
struct design_path {
    char name[design_name_size] = {};
    std::string file;
};

// Cuts the name to 39 characters and builds "<folder>\<name>.txt". A name that is empty or
// holds a path separator, "..", ':', '@' (it would end the data of a missile or system file
// that names it) or a control character is refused: the result is false and a line is logged.
bool make_design_path(const char* folder, const char* name, design_path* out);

// How a part's definition file stood when a design (a missile or system file) named it: taken,
// or there but not read whole (damaged, unreadable). A refused part keeps the name, so the
// design goes on naming that file, and the values it had; no save of the design writes the
// file, and the part's own screen writes it only at a second Save, once its first Save over
// the file has written nothing and said so (refused_told).
enum class part_file : std::uint8_t { taken, refused, refused_told };

// Whether the name, cut to its field, may name a definition file.
bool is_valid_design_name(const char* name);
