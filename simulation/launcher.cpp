#include "simulation/launcher.h"

#include <algorithm>
#include <cmath>

#include "core/hierarchy.h"
#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

namespace {

constexpr float k_degrees = 57.29578f;     // degrees per radian
constexpr float k_slew_rate = 0.5f;        // rad/s of the barrel and the turret
constexpr float k_still = 0.001f;          // rad: a smaller turn counts as standing still

float wrapped(float a) {
    while (a > k_pi) a -= 2.0f * k_pi;
    while (a < -k_pi) a += 2.0f * k_pi;
    return a;
}

// The part's current angle about one axis, read from its local axes.
float part_pitch(const frame* f) {
    const vec3 z = get_axis_z(f->local);
    return -std::atan2(z.y, std::sqrt(z.x * z.x + z.z * z.z));
}
float part_heading(const frame* f) {
    const vec3 z = get_axis_z(f->local);
    return std::atan2(z.x, z.z);
}

// One bounded turn toward the wanted angle; the turn taken.
float step_toward(float current, float wanted, float dt) {
    const float limit = k_slew_rate * dt;
    return std::clamp(wrapped(wanted - current), -limit, limit);
}

}  // namespace

bool slew_parts(frame* barrel, frame* turret, float pitch, float heading, float dt, bool turret_free) {
    if (!(dt > 0.0f) || !std::isfinite(pitch) || !std::isfinite(heading)) return false;
    float turned = 0.0f;
    if (barrel != nullptr) {
        const float p = part_pitch(barrel);
        const float d = step_toward(p, pitch, dt);
        barrel->set_rotation(0.0f, p + d, 0.0f);
        turned = std::max(turned, std::fabs(d));
    }
    if (turret != nullptr && turret_free) {
        const float h = part_heading(turret);
        const float d = step_toward(h, heading, dt);
        turret->set_rotation(h + d, 0.0f, 0.0f);
        turned = std::max(turned, std::fabs(d));
    }
    return turned > k_still;
}

launcher::launcher() {
    copy_text(name, "New Launcher");
    copy_text(model_name, "amraam");
    create_detached_hierarchy(&model);
    // The launcher deletes its model; the scene root it stands under only lists it.
    if (model != nullptr) model->owned = 0;
}

launcher::~launcher() { destroy_hierarchy(&model); }

void launcher::load_mesh(const char* model_folder) {
    if (model_folder != model_name) copy_text(model_name, model_folder);
    barrel = nullptr;
    turret = nullptr;
    if (model == nullptr) return;
    model->clear_children();
    char path[160];
    format_text(path, "launchers\\%s\\launcher.x", model_name);
    model->load_x(path);
    barrel = model->find_mesh("barrel");
    turret = model->find_mesh("turret");
    apply_angles();
}

void launcher::apply_angles() {
    elevation_angle = std::clamp(elevation_angle, 0.0f, 90.0f);
    rotation_angle = std::clamp(rotation_angle, -90.0f, 90.0f);
    if (barrel != nullptr) barrel->set_rotation(0.0f, elevation_angle / k_degrees, 0.0f);
    if (turret != nullptr) turret->set_rotation(rotation_angle / k_degrees, 0.0f, 0.0f);
}

bool launcher::slew(float pitch, float heading, float dt) {
    return slew_parts(barrel, turret, pitch, heading, dt, fixed_rotation == 0);
}

bool launcher::load(const char* design_name) {
    design_path path;
    if (!make_design_path("launchers", design_name, &path)) return false;
    definition_reader in;
    if (!in.open_whole(path.file)) return false;
    while (in.next_line()) {
        if (in.has("[launcher_name]")) in.name(model_name);
        if (in.has("[fixed_rotation]")) fixed_rotation = in.flag(fixed_rotation);
        if (in.has("[fixed_elevation]")) fixed_elevation = in.flag(fixed_elevation);
        if (in.has("[rotation_angle]")) rotation_angle = in.real(rotation_angle);
        if (in.has("[elevation_angle]")) elevation_angle = in.real(elevation_angle);
        if (in.has("[num_missiles]")) num_missiles = in.whole(num_missiles);
        if (in.has("[reload_time]")) reload_time = in.real(reload_time);
    }
    if (!in.took_values()) return false;
    in.bound("[rotation_angle]", rotation_angle, -90.0f, 90.0f);
    in.bound("[elevation_angle]", elevation_angle, 0.0f, 90.0f);
    in.bound("[num_missiles]", num_missiles, 1, 1000);
    in.bound("[reload_time]", reload_time, 0.0f, 3600.0f);
    load_mesh(model_name);  // the model the file names, turned to its angles
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
