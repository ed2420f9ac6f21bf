// Design names: the name a user gives an airframe, motor, warhead, guidance, missile,
// launcher, control unit or system is also the name of its definition file
// ("configs\<name>.txt"). Every name that becomes a path passes through here first, so a name
// can never reach outside its folder or run past the 40-character name fields.
#pragma once

#include <cstddef>
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

// Whether the name, cut to its field, may name a definition file.
bool is_valid_design_name(const char* name);
