#include "simulation/missile_system.h"

#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/hierarchy.h"
#include "core/scene_services.h"
#include "core/sound.h"
#include "core/sound_system.h"
#include "platform/text.h"
#include "simulation/missile.h"
#include "simulation/named_part.h"
#include "simulation/rocket.h"
#include "simulation/system_file.h"
#include "simulation/weapon_tables.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "missile";

namespace {

constexpr float k_sound_min_distance = 5.0f;  // m
// Angle (rad) either side of the heading's normal at which the launcher and the radar stand
// around the command post.
constexpr float k_site_spread = 0.75f;

bool verbose() { return g_app != nullptr && g_app->use_verbose != 0; }
bool engaging() { return g_state != nullptr && (g_state->scenario_mode || g_state->test_mode); }

void release_frame(frame* f) {
    if (f == nullptr) return;
    f->detach();
    f->clear_children();
    delete f;
}

}  // namespace

missile_system::missile_system()
    : launch_unit(std::make_unique<launcher>()), control(std::make_unique<control_unit>()) {
    copy_text(name, "New Missile");
    load_sound(0, "motor1.wav", k_sound_min_distance);
    load_sound(1, "motor2.wav", k_sound_min_distance);
}

missile_system::~missile_system() {
    if (launch_unit->model != nullptr) launch_unit->model->detach();
    if (control->radar_model != nullptr) control->radar_model->detach();
    if (control->command_post != nullptr) control->command_post->detach();
    for (int i = 0; i < missile_count; ++i) {
        forget_camera_target(missiles[i]);
        release_frame(missiles[i]);
        missiles[i] = nullptr;
    }
    missile_count = 0;
}

void missile_system::load_sound(int i, const char* file, float min_distance) {
    if (!sound_available()) return;
    char path[64];
    format_text(path, "sounds\\%s", file);
    // A missing file is logged by the sound service; the system works silently.
    if (!g_sound->load_wave(path, &sounds_[i])) return;
    g_sound->set_volume(sounds_[i].get(), g_sound->volume_engine);
    check_result(sounds_[i]->set_min_distance(min_distance), k_hr_source, __LINE__);
}

bool missile_system::load(const char* design_name) {
    system_file parts = part_names();
    // A damaged file is taken whole or not at all: none of its names reach the parts.
    if (!parts.read(design_name) || !parts.damage.empty()) return false;
    load_parts(parts, design_name);
    return true;
}

system_file missile_system::part_names() const {
    system_file parts;
    copy_text(parts.launcher_name, launch_unit->name);
    copy_text(parts.control_name, control->name);
    return parts;
}

void missile_system::load_parts(const system_file& parts, const char* design_name) {
    if (!load_named_part(*launch_unit, parts.launcher_name)) launch_unit->load_mesh(launch_unit->model_name);
    if (!load_named_part(*control, parts.control_name)) {
        control->load_radar_mesh(control->radar_name);
        control->load_command_mesh(control->command_name);
    }
    design_path path;
    if (make_design_path("systems", design_name, &path)) copy_text(name, path.name);
}

bool missile_system::save(const char* design_name) {
    design_path path;
    if (!make_design_path("systems", design_name, &path)) return false;
    copy_text(name, path.name);
    system_file parts;
    copy_text(parts.launcher_name, launch_unit->name);
    copy_text(parts.control_name, control->name);
    bool ok = parts.write(path.name);
    // A part whose file was refused keeps its place in the system file, its file untouched.
    ok = (!saved_with_design(*launch_unit) || launch_unit->save(launch_unit->name)) && ok;
    return (!saved_with_design(*control) || control->save(control->name)) && ok;
}

bool load_system_design(missile_system& system, missile& m, const char* design_name) {
    system_file system_parts = system.part_names();
    const bool system_taken = system_parts.read(design_name) && system_parts.damage.empty();
    if (!system_taken) system_parts = system.part_names();  // nothing from a damaged file
    missile_file missile_parts = m.part_names();
    const bool missile_taken = missile_parts.read(design_name) && missile_parts.damage.empty();
    if (!missile_taken) missile_parts = m.part_names();
    system.load_parts(system_parts, design_name);
    m.load_parts(missile_parts, design_name);
    return system_taken && missile_taken;
}

missile* missile_system::add_missile() {
    missile* m = new_missile();
    if (m == nullptr) return nullptr;
    const definition_texts::use wave_files(&wave_texts_);
    m->load(name);
    return m;
}

missile* missile_system::new_missile() {
    if (missile_count >= k_max_missiles) return nullptr;
    missile* m = nullptr;
    if (create_missile(nullptr, &m) != S_OK) return nullptr;
    m->assemble(this);
    missiles[missile_count++] = m;
    return m;
}

missile* missile_system::fire() {
    frame* barrel = launch_unit->barrel;
    if (barrel == nullptr || missile_count >= k_max_missiles) return nullptr;
    // A new wave reads the design files again.
    if (fired_since_reload == 0) wave_texts_.clear();
    missile* m = add_missile();
    if (m == nullptr) return nullptr;
    // The missile leaves along the barrel's -z from the middle of the barrel's box: turned
    // half a turn, its own +z is the firing axis and its x offset the barrel's mirrored.
    const vec3 c = (barrel->box.min + barrel->box.max) * 0.5f;
    m->local = barrel->world;
    m->update_matrices();
    m->rotate_in_local_axes(k_pi, 0.0f, 0.0f);
    m->translate_in_local_axes(c.x, c.y, -c.z);
    add_scene_transp(m, false);
    m->launch();
    ++fired_since_reload;
    if (g_state != nullptr) {
        ++g_state->missiles_fired;
        if (verbose()) g_state->set_message("Missile Launched From System %d", index + 1);
    }
    return m;
}

void missile_system::remove_missile(missile* m) {
    forget_camera_target(m);
    for (int i = 0; i < missile_count; ++i) {
        if (missiles[i] != m) continue;
        m->remove_me = 1;
        for (int j = i; j + 1 < missile_count; ++j) missiles[j] = missiles[j + 1];
        missiles[--missile_count] = nullptr;
        return;
    }
}

frame* missile_system::launcher_barrel() { return launch_unit->barrel; }

void missile_system::place(float x, float, float z, float heading, float d) {
    if (g_app != nullptr && g_app->menu_mode) return;
    const float a = heading + k_pi / 2.0f;
    frame* launcher_model = launch_unit->model;
    frame* radar_model = control->radar_model;
    frame* post = control->command_post;
    if (launcher_model != nullptr) {
        launcher_model->set_rotation(heading + k_pi, 0.0f, 0.0f);
        launcher_model->set_position(x - d * std::cos(a - k_site_spread), 0.0f, z + d * std::sin(a - k_site_spread));
        add_scene_object(launcher_model, true);
    }
    if (radar_model != nullptr) {
        radar_model->set_rotation(heading + k_pi, 0.0f, 0.0f);
        radar_model->set_position(x - d * std::cos(a + k_site_spread), 0.0f, z + d * std::sin(a + k_site_spread));
        add_scene_object(radar_model, true);
    }
    if (post != nullptr) {
        post->set_rotation(heading + k_pi, 0.0f, 0.0f);
        post->set_position(x, 0.0f, z);
        add_scene_object(post, true);
    }
}

int missile_system::live_missiles() const {
    int live = 0;
    for (int i = 0; i < missile_count; ++i) {
        if (missiles[i] != nullptr && !missiles[i]->dead) ++live;
    }
    return live;
}

vec3 missile_system::position() const {
    return control->command_post != nullptr ? control->command_post->world_position() : vec3{};
}

void missile_system::update() {
    const float dt = g_state != nullptr ? g_state->dt : 0.0f;
    if (std::isfinite(dt)) clock += dt;
    if (engaging() && clock > next_decision) {
        if (fired_since_reload >= launch_unit->num_missiles) {
            fired_since_reload = 0;
            next_decision = clock + launch_unit->reload_time;
            if (verbose()) {
                g_state->set_message("System %d Reloading In %d Seconds", index + 1,
                                     static_cast<int>(launch_unit->reload_time));
                services().speak(g_state->message);
            }
        } else {
            next_decision = clock + k_decision_interval;
            if (live_missiles() < control->num_targets) {
                rocket* threat = find_threat(this, control->launch_range * 1000.0f,
                                             control->protected_radius * 1000.0f);
                // Only the missile this shot made takes the threat: a shot that did not
                // happen must not retarget a missile already in flight.
                if (threat != nullptr) {
                    missile* shot = fire();
                    if (shot != nullptr) shot->target = threat;
                }
            } else if (verbose()) {
                g_state->set_message("System %d Cannot Engage More Targets", index + 1);
            }
        }
    }
    update_sound_positions();
}

void missile_system::update_sound_positions() {
    place_sounds(launch_unit->model, &sounds_[0], 1);
    place_sounds(control->radar_model, &sounds_[1], 1);
}
