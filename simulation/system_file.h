// The missile system definition file "systems\<name>.txt": the design names of the system's
// launcher and control unit. The system reads it and then loads "launchers\<launcher>.txt"
// and "controls\<control>.txt"; the system's own name is also the missile design it fires.
#pragma once

#include <string>

#include "simulation/design_name.h"

class system_file {
public:
    system_file();

    // Reads "systems\<name>.txt" into the two names (a name the file lacks keeps its value);
    // false when the name is refused or the file does not open.
    bool read(const char* design_name);
    // Writes "systems\<name>.txt"; false, and a log line, when the name is refused or the file
    // cannot be written.
    bool write(const char* design_name) const;

    char launcher_name[design_name_size] = {};  // the launcher design
    char control_name[design_name_size] = {};   // the control unit design, key "[radar_name]"
    // Why the last read could not take the file whole, empty when it could: a file that stops
    // in the middle of a line before naming all its parts (cut short), that holds a line
    // longer than the format's 119 characters, or that names no part at all. Such a file is
    // logged once by name.
    std::string damage;
};
