#include "simulation/control_unit.h"

#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

control_unit::control_unit() {
    copy_text(name, "New Control");
    copy_text(radar_name, "Parabolic_Radar");
    copy_text(command_name, "Tent");
}

bool control_unit::load(const char* design_name) {
    design_path path;
    if (!make_design_path("controls", design_name, &path)) return false;
    definition_reader in;
    if (!in.open(path.file)) return false;
    while (in.next_line()) {
        if (in.has("[radar_name]")) in.name(radar_name);
        if (in.has("[command_name]")) in.name(command_name);
        if (in.has("[fire_on_radial]")) fire_on_radial = in.flag(fire_on_radial);
        if (in.has("[fire_on_projected]")) fire_on_projected = in.flag(fire_on_projected);
        if (in.has("[protected_radius]")) protected_radius = in.real(protected_radius);
        if (in.has("[engagement_range]")) engagement_range = in.real(engagement_range);
        if (in.has("[num_targets]")) num_targets = in.whole(num_targets);
        if (in.has("[launch_range]")) launch_range = in.real(launch_range);
    }
    copy_text(name, path.name);
    return true;
}

bool control_unit::save(const char* design_name) {
    design_path path;
    if (!make_design_path("controls", design_name, &path)) return false;
    copy_text(name, path.name);
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("Control Unit Definition File");
    out.blank();
    out.name(radar_name, "[radar_name]");
    out.name(command_name, "[command_name]");
    out.flag(fire_on_radial != 0, "[fire_on_radial]");
    out.flag(fire_on_projected != 0, "[fire_on_projected]");
    out.real(protected_radius, "[protected_radius]");
    out.real(engagement_range, "[engagement_range]");
    out.whole(num_targets, "[num_targets]");
    out.real(launch_range, "[launch_range]");
    out.blank();
    for (const char* line :
         {"@", "Control data units", "", "protected radius (km)", "engagement range (km)", "launch range (km)", ""}) {
        out.text(line);
    }
    return out.close();
}
