// The missile definition file "missiles\<name>.txt": the design names of the four parts a
// missile is put together from (airframe, motor, warhead, guidance). The missile reads it,
// copies the names into its parts and loads each part's own file; saving writes it beside the
// four part files. The missile fills the names with its parts' current names before reading,
// so that a name the file lacks leaves that part as it was.
#pragma once

#include <string>

#include "simulation/design_name.h"

class missile_file {
public:
    missile_file();

    // Reads "missiles\<name>.txt" into the four names (a name the file lacks keeps its value);
    // false when the name is refused or the file does not open.
    bool read(const char* design_name);
    // Writes "missiles\<name>.txt"; false, and a log line, when the name is refused or the
    // file cannot be written.
    bool write(const char* design_name) const;

    char config_name[design_name_size] = {};   // "configs\<name>.txt"
    char motor_name[design_name_size] = {};    // "motors\<name>.txt"
    char warhead_name[design_name_size] = {};  // "warheads\<name>.txt"
    char seeker_name[design_name_size] = {};   // "seekers\<name>.txt"
    // Why the last read could not take the file whole, empty when it could: a file that stops
    // in the middle of a line before naming all its parts (cut short), that holds a line
    // longer than the format's 119 characters, or that names no part at all. Such a file is
    // logged once by name.
    std::string damage;
};
