#include "simulation/system_file.h"

#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

system_file::system_file() {
    copy_text(launcher_name, "New Launcher");
    copy_text(control_name, "New Control");
}

bool system_file::read(const char* design_name) {
    design_path path;
    if (!make_design_path("systems", design_name, &path)) return false;
    definition_reader in;
    damage.clear();
    if (!in.open(path.file)) return false;
    unsigned named = 0;  // a bit for each key found
    while (in.next_line()) {
        if (in.name_at("[launcher_name]", launcher_name)) named |= 1u;
        if (in.name_at("[radar_name]", control_name)) named |= 2u;
    }
    damage = definition_damage(in, named == 3u);
    return true;
}

bool system_file::write(const char* design_name) const {
    design_path path;
    if (!make_design_path("systems", design_name, &path)) return false;
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("System Definition File");
    out.blank();
    out.name(launcher_name, "[launcher_name]");
    out.name(control_name, "[radar_name]");
    out.blank();
    return out.close();
}
