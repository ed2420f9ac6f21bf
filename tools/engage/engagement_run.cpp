#include "tools/engage/engagement_run.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/program_rand.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket_launcher.h"

namespace {

// Metres per degree of the scene services' default geographic mapping.
constexpr float k_metres_per_degree = 111120.0f;
// The runner's own log, beside the game's "Logfile.txt" when it runs in the game's folder.
constexpr const char* k_log_file = "Engagelog.txt";

// Reads the missile design "missiles\<name>.txt" and the four part files it names as a shot of
// the system reads them: a damaged one is reported now, not at the first shot (never, for a
// system that does not fire). The missile is thrown away; each shot reads the design again.
// Its frames and warhead draw from the program's rand: the draws are given back, so the run
// goes as it would without this read.
void read_missile_design(const char* name) {
    const std::uint32_t rand_state = program_rand_state();
    {
        missile m;
        m.assemble(nullptr);
        m.load(name);
    }
    program_srand(rand_state);
}

}  // namespace

float engagement_run::coast_services::ground_height(float x, float) {
    return x > coast_x ? -depth : ground;
}

float engagement_run::coast_services::sea_height(float x, float) {
    return x > coast_x ? 0.0f : sea;
}

engagement_run::engagement_run(const engagement_setup& setup) : setup_(setup) {
    old_app_ = g_app;
    old_state_ = g_state;
    old_root_ = fs_root();
    app_ = std::make_unique<d3d_app>();
    state_ = std::make_unique<app_state>();
    g_app = app_.get();
    g_state = state_.get();
    app_->log_file = k_log_file;
    g_app->use_verbose = 1;
    g_app->use_siren = 1;
    g_state->scenario_mode = 1;
    g_state->dt = static_cast<float>(setup.dt);
    g_state->now = 0;
    world.coast_x = setup.coast_x;
    world.depth = setup.sea_depth;
    install_scene_services(&world);
    install_weapon_tables(&tables);
    if (!setup.data_folder.empty()) fs_set_root(setup.data_folder);
    program_srand(1);
}

engagement_run::~engagement_run() {
    tables.clear();
    install_weapon_tables(nullptr);
    install_scene_services(nullptr);
    // The log goes where the caller's files go, never into the data folder, and never over the
    // game's own log.
    fs_set_root(old_root_);
    app_.reset();
    state_.reset();
    g_app = old_app_;
    g_state = old_state_;
}

bool engagement_run::place() {
    bool ok = true;
    for (const system_site& site : setup_.systems) {
        missile_system* s = tables.add_system(site.name.c_str(), site.x, 0.0f, site.z, site.heading);
        if (s == nullptr) continue;
        // A system whose file did not open still stands, with the default design.
        if (std::string(s->name) != site.name) ok = false;
        read_missile_design(site.name.c_str());
    }
    const vec3 aim = tables.system_count > 0 ? tables.systems[0]->position() : vec3{};
    for (const launcher_site& site : setup_.launchers) {
        rocket_launcher* l = tables.add_launcher();
        if (l == nullptr) break;
        l->east = site.x / k_metres_per_degree;
        l->north = site.z / k_metres_per_degree;
        l->count = site.count;
        l->interval = site.interval;
        l->elevation = site.elevation;
        l->spread = site.spread;
        const float dx = aim.x - site.x, dz = aim.z - site.z;
        l->range = std::sqrt(dx * dx + dz * dz);
        l->azimuth = std::atan2(dx, dz);
        l->solve_launch_speed();
    }
    take_event();  // a refused launcher's line is in the log, not the message line
    return ok;
}

void engagement_run::take_event() {
    if (!g_state->take_message()) return;
    char line[160];
    std::snprintf(line, sizeof line, "%8.2f %s", time, g_state->history_line(0));
    events.emplace_back(line);
}

void engagement_run::step() {
    time += setup_.dt;
    g_state->dt = static_cast<float>(setup_.dt);
    // The clock in ms wraps as the program's tick count does.
    g_state->now = static_cast<std::uint32_t>(std::llround(time * 1000.0));
    world.objects_root()->update();
    take_event();
    world.transps_root()->update();
    take_event();
    for (int i = 0; i < tables.system_count; ++i) {
        tables.systems[i]->update();
        take_event();
    }
    for (int i = 0; i < tables.launcher_count; ++i) {
        tables.launchers[i]->update();
        take_event();
    }
}

std::string engagement_run::run() {
    while (time < setup_.max_time) {
        step();
        if (!tables.busy()) break;
    }
    return counters();
}

std::string engagement_run::counters() const {
    char line[160];
    std::snprintf(line, sizeof line, "rockets=%d missiles=%d intercepts=%d hits=%d debris=%d",
                  g_state->rockets_fired, g_state->missiles_fired, g_state->intercepts, g_state->hits,
                  g_state->debris_hits);
    return line;
}
