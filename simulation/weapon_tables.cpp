#include "simulation/weapon_tables.h"

#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "platform/text.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "simulation/rocket_launcher.h"

namespace {

weapon_tables* g_tables = nullptr;

constexpr float k_site_spacing = 50.0f;  // m between a system's command post and its models
// Siren modes of the scene's siren.
constexpr int k_siren_sound = 0;
constexpr int k_siren_stop = 2;

bool verbose() { return g_app != nullptr && g_app->use_verbose != 0; }
bool use_siren() { return g_app != nullptr && g_app->use_siren != 0; }

// Whether any listed missile of any system, alive or dead, is aimed at the rocket.
bool engaged(const weapon_tables& t, const rocket* r) {
    for (int s = 0; s < t.system_count; ++s) {
        const missile_system* system = t.systems[s];
        for (int i = 0; system != nullptr && i < system->missile_count; ++i) {
            if (system->missiles[i] != nullptr && system->missiles[i]->target == r) return true;
        }
    }
    return false;
}

// The distance (m) by which the rocket's horizontal line of flight, extended both ways,
// passes the point d away from it. Without horizontal motion it comes down where it is.
float miss_distance(const vec3& d, const vec3& v) {
    const float speed = std::sqrt(v.x * v.x + v.z * v.z);
    const float distance = std::sqrt(d.x * d.x + d.z * d.z);
    if (!(speed > 0.0f)) return distance;
    return std::fabs(v.x * d.z - v.z * d.x) / speed;
}

}  // namespace

weapon_tables* installed_weapon_tables() { return g_tables; }
void install_weapon_tables(weapon_tables* tables) { g_tables = tables; }

weapon_tables::~weapon_tables() {
    clear();
    if (g_tables == this) g_tables = nullptr;
}

void weapon_tables::clear() {
    for (missile_system*& s : systems) {
        delete s;
        s = nullptr;
    }
    for (rocket_launcher*& l : launchers) {
        delete l;
        l = nullptr;
    }
    system_count = 0;
    target_count = 0;
    launcher_count = 0;
    std::memset(targets, 0, sizeof targets);
    if (g_state != nullptr) {
        g_state->rockets_fired = 0;
        g_state->missiles_fired = 0;
        g_state->hits = 0;
        g_state->intercepts = 0;
        g_state->debris_hits = 0;
    }
}

missile_system* weapon_tables::add_system(const char* name, float x, float y, float z, float heading) {
    if (system_count >= k_max_systems) return nullptr;
    missile_system* s = make_missile_system(name, system_count, x, y, z, heading);
    systems[system_count++] = s;
    return s;
}

rocket_launcher* weapon_tables::add_launcher() {
    if (launcher_count >= k_max_launchers) return nullptr;
    rocket_launcher* l = new rocket_launcher();
    l->index = launcher_count;
    launchers[launcher_count++] = l;
    return l;
}

rocket* weapon_tables::add_target(float x, float, float z, float heading, float elevation, float speed) {
    if (target_count >= k_max_targets) return nullptr;
    float h = 0.0f;
    ground_height(x, z, &h);
    const float sea_level = g_state != nullptr ? g_state->water_level - g_state->origin_offset.y : 0.0f;
    if (h < sea_level) h = sea_level;
    rocket* r = launch_rocket(x, h, z, heading, elevation, speed);
    if (r == nullptr) return nullptr;
    targets[target_count++] = r;
    if (g_state != nullptr) ++g_state->rockets_fired;
    return r;
}

missile_system* make_missile_system(const char* name, int index, float x, float y, float z, float heading) {
    missile_system* s = new missile_system();
    s->load(name);
    s->index = index;
    s->place(x, y, z, heading, k_site_spacing);
    return s;
}

rocket* launch_rocket(float x, float h, float z, float heading, float elevation, float speed) {
    // A rocket without a burn-out speed would boost for ever.
    if (!(speed > 0.0f) || !std::isfinite(speed) || !std::isfinite(heading) || !std::isfinite(elevation)) {
        log_line("Rocket not launched: burn-out speed %g m/s, heading %g, elevation %g rad",
                 static_cast<double>(speed), static_cast<double>(heading), static_cast<double>(elevation));
        return nullptr;
    }
    rocket* r = nullptr;
    if (create_rocket(nullptr, &r) != S_OK) return nullptr;
    r->load(weapon_tables::k_rocket_model);
    // The rocket stands on its lowest point.
    r->set_rotation(heading, -elevation, 0.0f);
    r->set_position(x, h - r->base_box.min.y, z);
    r->burnout_speed = speed;
    add_scene_transp(r, false);
    r->launch();
    return r;
}

void weapon_tables::remove_target(rocket* target) {
    if (target == nullptr) return;
    forget_camera_target(target);
    target->remove_me = 1;
    release_target(target);
    for (int i = 0; i < target_count; ++i) {
        if (targets[i] != target) continue;
        for (int j = i; j + 1 < target_count; ++j) targets[j] = targets[j + 1];
        targets[--target_count] = nullptr;
        return;
    }
}

void weapon_tables::release_target(const rocket* target) {
    for (int s = 0; s < system_count; ++s) {
        missile_system* system = systems[s];
        for (int i = 0; system != nullptr && i < system->missile_count; ++i) {
            missile* m = system->missiles[i];
            if (m == nullptr || m->target != target) continue;
            m->target = nullptr;
            if (verbose() && !m->dead && g_state != nullptr) g_state->set_message("Missile Lost Track");
        }
    }
}

void weapon_tables::tick() {
    for (int i = 0; i < system_count; ++i) {
        if (systems[i] != nullptr) systems[i]->update();
    }
    for (int i = 0; i < launcher_count; ++i) {
        if (launchers[i] != nullptr) launchers[i]->update();
    }
}

bool weapon_tables::busy() const {
    if (target_count > 0) return true;
    for (int i = 0; i < launcher_count; ++i) {
        if (launchers[i] != nullptr && launchers[i]->has_rockets_left()) return true;
    }
    for (int i = 0; i < system_count; ++i) {
        if (systems[i] != nullptr && systems[i]->missile_count > 0) return true;
    }
    return false;
}

rocket* find_threat(const missile_system* system, float launch_range_m, float protected_radius_m) {
    const weapon_tables* t = g_tables;
    if (t == nullptr || system == nullptr) return nullptr;
    if (t->target_count == 0) {
        if (use_siren()) services().play_siren(k_siren_stop);
        return nullptr;
    }
    const vec3 post = system->position();
    float best = 0.0f;
    rocket* chosen = nullptr;
    for (int i = 0; i < t->target_count; ++i) {
        rocket* r = t->targets[i];
        if (r == nullptr || r->destroyed || engaged(*t, r)) continue;
        const vec3 d = r->world_position() - post;
        const float miss = miss_distance(d, r->velocity);
        if (!(miss <= protected_radius_m)) continue;  // a miss that is not a number is no threat
        if (use_siren()) services().play_siren(k_siren_sound);
        const float distance = std::sqrt(d.x * d.x + d.z * d.z);
        if (!(distance <= launch_range_m)) continue;
        const float score = distance / launch_range_m;
        if (score > best) {
            best = score;
            chosen = r;
        }
    }
    return chosen;
}

void on_rocket_landed(rocket* r) {
    weapon_tables* t = g_tables;
    if (t == nullptr || r == nullptr) return;
    const bool can_hit = r->under_ground && !r->under_water;
    for (int s = 0; can_hit && s < t->system_count; ++s) {
        const missile_system* system = t->systems[s];
        if (system == nullptr) continue;
        const float radius = system->control->protected_radius * 1000.0f;
        if (!(length(r->world_position() - system->position()) < radius)) continue;
        if (g_state != nullptr) {
            if (r->destroyed) {
                ++g_state->debris_hits;
                if (verbose()) g_state->set_message("Debries Hit Defended Area");
            } else {
                ++g_state->hits;
                if (verbose()) g_state->set_message("Rocket Hit Defended Area");
            }
        }
        break;
    }
    t->remove_target(r);
}

void announce_explosion(const frame* object) {
    if (object == nullptr || g_state == nullptr) return;
    const char* name = object->get_name();
    const char* slash = std::strrchr(name, '\\');
    char word[frame::k_name_size];
    copy_text(word, slash != nullptr ? slash + 1 : name);
    char* dot = std::strrchr(word, '.');
    if (dot != nullptr) *dot = '\0';
    g_state->set_message("%s exploded", word);
    services().speak(g_state->message);
}
