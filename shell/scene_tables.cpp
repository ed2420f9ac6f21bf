// The scene's tables: emptying the whole scene, the three roots, and adding and removing
// hostile rockets and missile systems.
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/scene_services.h"
#include "shell/scene.h"
#include "core/hierarchy.h"
#include "core/skinned_mesh.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "simulation/rocket_launcher.h"
#include "simulation/rocket_motor.h"

namespace {
// Half the side (m) of the square kept free of plants around a new system.
constexpr float k_site_half_side = 50.0f;
}  // namespace

void scene::clear(bool with_globe) {
    // The camera must not keep pointing into the frames about to go.
    viewer.target = nullptr;
    viewer.detach();
    ground.unload();
    if (with_globe) globe.clear();
    for (auto& s : tables.systems) {
        if (s) destroy_system(&s);
    }
    for (auto& l : tables.launchers) {
        if (l) destroy_launcher(&l);
    }
    // The systems' missiles and the rockets are still children of the roots here; the
    // tables also zero the run counters.
    tables.clear();
    current_system = nullptr;
    if (g_state) g_state->sim_rate = 1.0f;
    // The rockets are owned children of the transps root and go with it.
    destroy_frame(&objects);
    destroy_frame(&transps);
    destroy_frame(&anchors);
    clear_scenery_objects();
    if (g_state) g_state->clear_messages();
}

void scene::make_roots(bool keep_origin) {
    // Roots made twice would leak the first ones.
    destroy_frame(&objects);
    destroy_frame(&transps);
    destroy_frame(&anchors);
    create_frame(nullptr, &objects, "objects");
    create_frame(nullptr, &transps, "transps");
    create_frame(nullptr, &anchors, "anchors");
    for (frame* root : {objects, transps, anchors}) {
        if (root) root->set_never_cull(true);
    }
    if (!g_state) return;
    if (keep_origin) {
        g_state->origin_offset.x = 0.0f;
        g_state->origin_offset.y = 0.0f;
        return;
    }
    // The camera stands over the scene origin, which lies at the camera's geographic position.
    viewer.set_position(0.0f, viewer.local_position().y, 0.0f);
    float x = 0.0f, z = 0.0f;
    ground.lon_lat_to_grid(g_state->camera_longitude, g_state->camera_latitude, &x, &z);
    g_state->origin_offset.x = x;
    g_state->origin_offset.z = z;
}

void scene::add_target(float x, float altitude, float z, float heading, float elevation, float speed) {
    if (tables.target_count >= k_max_targets) return;
    // The launch height is the ground's, never below the sea; the altitude given is not used.
    (void)altitude;
    float h = services().ground_height(x, z);
    const float sea_level = g_state ? g_state->water_level - g_state->origin_offset.y : 0.0f;
    if (h < sea_level) h = sea_level;
    rocket* r = launch_target(x, h, z, heading, elevation, speed);
    if (!r) return;
    tables.targets[tables.target_count++] = r;
    if (g_state) ++g_state->rockets_fired;
}

void scene::add_system(const char* name, float x, float y, float z, float heading, bool mark_ground) {
    if (tables.system_count >= k_max_systems) return;
    missile_system* s = create_system(name, tables.system_count, x, y, z, heading);
    if (!s) return;
    tables.systems[tables.system_count++] = s;
    current_system = s;
    if (!mark_ground) return;
    const float step = ground.cell_size > 0.0f ? ground.cell_size : 1.0f;
    for (float cx = x - k_site_half_side; cx <= x + k_site_half_side; cx += step) {
        for (float cz = z - k_site_half_side; cz <= z + k_site_half_side; cz += step) {
            ground.mark_cell(cx, cz, 1);
        }
    }
    rescatter_arrays();
}

void scene::remove_target(rocket* target) {
    if (!target) return;
    frame* f = target_frame(target);
    if (f) {
        forget_camera_target(f);
        f->remove_me = 1;
    }
    release_target(target);
    for (int i = 0; i < tables.target_count; ++i) {
        if (tables.targets[i] != target) continue;
        for (int j = i; j + 1 < tables.target_count; ++j) tables.targets[j] = tables.targets[j + 1];
        --tables.target_count;
        tables.targets[tables.target_count] = nullptr;
        break;
    }
    if (tables.target_count < 0) tables.target_count = 0;
}

// ---- Hooks: the weapon types and the scenery objects answer here once they exist. ----

void scene::update_system(missile_system* system) { system->update(); }
void scene::update_launcher(rocket_launcher* launcher) { launcher->update(); }
void scene::destroy_system(missile_system** system) {
    delete *system;
    *system = nullptr;
}
void scene::destroy_launcher(rocket_launcher** launcher) {
    delete *launcher;
    *launcher = nullptr;
}
missile_system* scene::create_system(const char* name, int index, float x, float y, float z, float heading) {
    return make_missile_system(name, index, x, y, z, heading);
}
rocket* scene::launch_target(float x, float h, float z, float heading, float elevation, float speed) {
    return launch_rocket(x, h, z, heading, elevation, speed);
}
frame* scene::target_frame(rocket* target) const { return target; }
bool scene::target_alive(rocket* target) const { return target != nullptr && !target->destroyed; }
void scene::release_target(rocket* target) { tables.release_target(target); }
bool scene::system_has_live_missiles(missile_system* system) const { return system->live_missiles() > 0; }
bool scene::launcher_has_rockets_left(rocket_launcher* launcher) const { return launcher->has_rockets_left(); }
int scene::flying_missiles(frame** out, int capacity) const {
    int n = 0;
    for (int s = 0; s < tables.system_count; ++s) {
        const missile_system* system = tables.systems[s];
        for (int i = 0; system != nullptr && i < system->missile_count && n < capacity; ++i) {
            missile* m = system->missiles[i];
            if (m != nullptr && !m->dead) out[n++] = m;
        }
    }
    return n;
}
bool scene::missile_done(frame* tracked) const {
    if (!tracked || tracked->type != FRAME_MISSILE) return false;
    const auto* m = static_cast<const missile*>(tracked);
    return m->dead || m->target == nullptr;
}
bool scene::launcher_pose(missile_system* system, vec3* position, vec3* forward) const {
    const hierarchy* model = system->launch_unit ? system->launch_unit->model : nullptr;
    if (model == nullptr) return false;
    *position = model->world_position();
    *forward = get_axis_z(model->world);
    return true;
}
rocket_launcher* scene::create_launcher(const rocket_launcher& record, int index) {
    auto* l = new rocket_launcher();
    l->east = record.east;
    l->north = record.north;
    l->azimuth = record.azimuth;
    l->range = record.range;
    l->count = record.count;
    l->interval = record.interval;
    l->index = index;
    // A range it cannot reach leaves it refused (logged): it never fires.
    l->solve_launch_speed();
    return l;
}
void scene::drop_animal() {
    if (objects == nullptr) return;
    CSkinnedMesh* animal = nullptr;
    if (create_detached_skinned_mesh(&animal) != S_OK) return;
    // A missing model leaves an empty object that draws nothing.
    animal->load("animals\\cow\\animal_s.x");
    animal->animate = 1;
    animal->time_scale = 1.0f;
    const vec3 eye = viewer.world_position();
    animal->set_position(eye.x, eye.y, eye.z);
    add_scene_object(animal, true);
    // Without the scene's services nothing took it.
    if (animal->parent == nullptr) destroy_skinned_mesh(&animal);
}
void scene::rescatter_arrays() { ground.rescatter_arrays(); }
void scene::stop_design_motor_sound() {
    if (design_missile && design_missile->motor) design_missile->motor->stop_sounds();
}

void scene::apply_design_motor_volume() {
    if (design_missile && design_missile->motor) design_missile->motor->apply_volume();
}
