// How a design (a missile or system file) takes the parts it names, and how a save of the
// design treats a part whose file it could not read (part_file). Every reader of designs goes
// through here: the start-up, the design hub's Load, a scenario's systems and the tools.
#pragma once

#include "platform/files.h"
#include "platform/text.h"
#include "simulation/design_name.h"

// The part takes the name the design gives it and loads its file; true when it was read. A
// part whose file is missing keeps its values under that name, so the design's next save writes
// the file. One whose file is there but cannot be read (or not whole) keeps its values and the
// name too, refused: the design goes on naming that file, and no save of the design writes
// other values over it.
template <class Part>
bool load_named_part(Part& part, const char* name) {
    copy_text(part.name, name);
    if (part.load(name)) {
        part.file = part_file::taken;
        return true;
    }
    design_path path;
    const bool there = make_design_path(Part::k_folder, name, &path) && fs_exists(path.file.c_str());
    part.file = there ? part_file::refused : part_file::taken;
    return false;
}

// Whether a save of the design writes the part's file: not one it refused.
template <class Part>
bool saved_with_design(const Part& part) {
    return part.file == part_file::taken;
}
