#include "simulation/launcher.h"

#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

launcher::launcher() {
    copy_text(name, "New Launcher");
    copy_text(model_name, "amraam");
}

bool launcher::load(const char* design_name) {
    design_path path;
    if (!make_design_path("launchers", design_name, &path)) return false;
    definition_reader in;
    if (!in.open(path.file)) return false;
    while (in.next_line()) {
        if (in.has("[launcher_name]")) in.name(model_name);
        if (in.has("[fixed_rotation]")) fixed_rotation = in.flag(fixed_rotation);
        if (in.has("[fixed_elevation]")) fixed_elevation = in.flag(fixed_elevation);
        if (in.has("[rotation_angle]")) rotation_angle = in.real(rotation_angle);
        if (in.has("[elevation_angle]")) elevation_angle = in.real(elevation_angle);
        if (in.has("[num_missiles]")) num_missiles = in.whole(num_missiles);
        if (in.has("[reload_time]")) reload_time = in.real(reload_time);
    }
    copy_text(name, path.name);
    return true;
}

bool launcher::save(const char* design_name) {
    design_path path;
    if (!make_design_path("launchers", design_name, &path)) return false;
    copy_text(name, path.name);
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("Launcher Definition File");
    out.blank();
    out.name(model_name, "[launcher_name]");
    out.flag(fixed_rotation != 0, "[fixed_rotation]");
    out.flag(fixed_elevation != 0, "[fixed_elevation]");
    out.real(rotation_angle, "[rotation_angle]");
    out.real(elevation_angle, "[elevation_angle]");
    out.whole(num_missiles, "[num_missiles]");
    out.real(reload_time, "[reload_time]");
    out.blank();
    for (const char* line :
         {"@", "Launcher data units", "", "rotation angle (deg)", "elevation angle (deg)", "reload time (sec)", ""}) {
        out.text(line);
    }
    return out.close();
}
