#include "simulation/control_unit.h"

#include "core/hierarchy.h"
#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"
#include "simulation/launcher.h"

control_unit::control_unit() {
    copy_text(name, "New Control");
    copy_text(radar_name, "Parabolic_Radar");
    copy_text(command_name, "Tent");
    create_owned(nullptr, &command_post);
    create_detached_hierarchy(&radar_model);
    // The control unit deletes its models; the scene root they stand under only lists them.
    if (command_post != nullptr) command_post->owned = 0;
    if (radar_model != nullptr) radar_model->owned = 0;
}

control_unit::~control_unit() {
    destroy_hierarchy(&radar_model);
    mesh* post = command_post;
    command_post = nullptr;
    if (post != nullptr) {
        post->detach();
        post->clear_children();
        delete post;
    }
}

void control_unit::load_radar_mesh(const char* radar) {
    if (radar != radar_name) copy_text(radar_name, radar);
    radar_barrel = nullptr;
    radar_turret = nullptr;
    if (radar_model == nullptr) return;
    radar_model->clear_children();
    char path[160];
    format_text(path, "radars\\%s\\radar.x", radar_name);
    radar_model->load_x(path);
    radar_barrel = radar_model->find_mesh("barrel");
    radar_turret = radar_model->find_mesh("turret");
}

void control_unit::load_command_mesh(const char* command) {
    if (command != command_name) copy_text(command_name, command);
    if (command_post == nullptr) return;
    command_post->clear_children();
    char path[160];
    format_text(path, "commands\\%s\\command.x", command_name);
    command_post->load_x(path);
}

bool control_unit::slew_radar(float pitch, float heading, float dt) {
    return slew_parts(radar_barrel, radar_turret, pitch, heading, dt, true);
}

bool control_unit::load(const char* design_name) {
    design_path path;
    if (!make_design_path("controls", design_name, &path)) return false;
    definition_reader in;
    if (!in.open_whole(path.file)) return false;
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
    if (!in.took_values()) return false;
    in.bound("[protected_radius]", protected_radius, 0.0f, 1000.0f);
    in.bound("[engagement_range]", engagement_range, 0.0f, 1000.0f);
    // A system keeps at most 24 missiles of its own.
    in.bound("[num_targets]", num_targets, 0, 24);
    in.bound("[launch_range]", launch_range, 0.0f, 1000.0f);
    load_radar_mesh(radar_name);
    load_command_mesh(command_name);
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
