// The body of the situation fuzz target, shared with the corpus replay of the normal test
// suite. The input is a situation file (the scenario design's run file has the same form); a
// scene whose systems are plain records reads it, then, with a design system, reads it again
// in test mode and reads its test conditions. What the reader promises is checked: the camera,
// weather and sea within their ranges, the tables within their sizes, every launcher's values
// bounded and every placement finite. The caller provides the application object and state and
// a file root holding the folder "situations".
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/app_state.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/missile_system.h"
#include "simulation/rocket_launcher.h"
#include "world/clouds.h"

inline constexpr const char* k_fuzz_situation = "situations\\fuzz.txt";

// A scene whose systems are plain records at the place the reader gives (no model, no design
// file), on no scenery, under a sky without its cloud layer (shuffling its puffs for the cover
// would take nearly all of each run).
class situation_fuzz_scene : public scene {
public:
    situation_fuzz_scene() { sky.cloud_layer.reset(); }
    struct placed {
        float x, y, z, heading;
    };
    std::vector<placed> placements;

    ~situation_fuzz_scene() override { clear(false); }

protected:
    missile_system* create_system(const char* name, int index, float x, float y, float z,
                                  float heading) override {
        placements.push_back({x, y, z, heading});
        auto* s = new missile_system();
        copy_text(s->name, name);
        s->index = index;
        return s;
    }
    bool launcher_pose(missile_system* system, vec3* position, vec3* forward) const override {
        const std::size_t i = static_cast<std::size_t>(system->index);
        if (i >= placements.size()) return false;
        const placed& p = placements[i];
        *position = {p.x, p.y, p.z};
        *forward = {-std::sin(p.heading), 0.0f, -std::cos(p.heading)};
        return true;
    }
    void load_scenery(int) override {}
};

inline bool within(float v, float low, float high) { return v >= low && v <= high; }

inline bool name_ends_inside(const char* name, std::size_t size) { return std::memchr(name, 0, size) != nullptr; }

// Whether what a read left keeps the reader's promises.
inline bool situation_promises_kept(const situation_fuzz_scene& world, const app_state& s) {
    constexpr float two_pi = 2.0f * k_pi;
    if (!within(s.camera_longitude, -180.0f, 180.0f) || !within(s.camera_latitude, -90.0f, 90.0f) ||
        !within(s.time_of_day, 0.0f, 24.0f) || !within(s.cloud_cover, 0.0f, 1.0f) ||
        !within(s.fog_air, 1.0f, 150000.0f) || !within(s.wind_speed, 0.0f, 100.0f) ||
        !within(s.wind_direction, -two_pi, two_pi) || !std::isfinite(s.wind[0]) ||
        !std::isfinite(s.wind[1]) || !within(s.sea_fog, 1.0f, 150000.0f) ||
        !std::isfinite(s.origin_offset.y) || !std::isfinite(s.fog_alt) || !std::isfinite(s.cloud_base))
        return false;
    for (int c = 0; c < 3; ++c)
        if (s.sea_rgb[c] < 0 || s.sea_rgb[c] > 255) return false;
    const terrain& g = world.ground;
    if (!within(g.water.wave_height, 0.0f, 20.0f) || !within(g.water.crest_factor, 0.0f, 10.0f) ||
        !within(g.water.choppiness, 0.0f, 10.0f))
        return false;
    const weapon_tables& t = world.tables;
    if (t.system_count < 0 || t.system_count > scene::k_max_systems) return false;
    if (t.launcher_count < 0 || t.launcher_count > scene::k_max_launchers) return false;
    if (world.placements.size() != static_cast<std::size_t>(t.system_count)) return false;
    for (int i = 0; i < t.system_count; ++i) {
        const missile_system* sys = t.systems[i];
        if (sys == nullptr || !name_ends_inside(sys->name, sizeof sys->name)) return false;
    }
    for (const situation_fuzz_scene::placed& p : world.placements) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !within(p.heading, -two_pi, two_pi))
            return false;
    }
    for (int i = 0; i < t.launcher_count; ++i) {
        const rocket_launcher* l = t.launchers[i];
        if (l == nullptr || l->index != i) return false;
        if (!within(l->east, -180.0f, 180.0f) || !within(l->north, -90.0f, 90.0f) ||
            !within(l->azimuth, -two_pi, two_pi) || !within(l->range, 0.0f, 1.0e6f) || l->count < 0 ||
            l->count > 1000 || l->interval < 0 || l->interval > 3600)
            return false;
    }
    return true;
}

// The test conditions a read may leave on the design system: finite and within +-1e7.
inline bool test_conditions_bounded(const missile_system& d) {
    for (float v : {d.test_alfa, d.test_beta, d.test_dist, d.test_speed, d.test_elev, d.test_launch})
        if (!within(v, -1.0e7f, 1.0e7f)) return false;
    return true;
}

// A fresh application state in the slot, installed as the program's.
inline app_state& fresh_state(std::unique_ptr<app_state>& slot) {
    auto next = std::make_unique<app_state>();
    g_state = next.get();
    slot = std::move(next);
    return *slot;
}

// The values a situation sets put back to a fresh program's, so each input starts alike
// (building a whole new state for every read would take most of the run).
inline void reset_situation_values(app_state& s) {
    static const app_state* const fresh = new app_state;
    const app_state& d = *fresh;
    s.test_mode = d.test_mode;
    s.scenario_mode = d.scenario_mode;
    s.camera_longitude = d.camera_longitude;
    s.camera_latitude = d.camera_latitude;
    s.origin_offset = d.origin_offset;
    s.time_of_day = d.time_of_day;
    s.fog_alt = d.fog_alt;
    s.cloud_base = d.cloud_base;
    s.fog_air = d.fog_air;
    s.cloud_cover = d.cloud_cover;
    s.wind_speed = d.wind_speed;
    s.wind_direction = d.wind_direction;
    s.wind[0] = d.wind[0];
    s.wind[1] = d.wind[1];
    for (int c = 0; c < 3; ++c) s.sea_rgb[c] = d.sea_rgb[c];
    s.sea_fog = d.sea_fog;
}

// False when a read broke a promise.
inline bool run_situation_file(situation_fuzz_scene& world, app_state& state, const std::uint8_t* data,
                               std::size_t size) {
    fs_write(k_fuzz_situation, data, size);
    reset_situation_values(state);
    world.placements.clear();
    world.design_system = nullptr;
    world.read_situation(k_fuzz_situation);
    if (!situation_promises_kept(world, state)) return false;

    // A test flies the design system: at most one system more than the file's.
    reset_situation_values(state);
    world.placements.clear();
    auto design = std::make_unique<missile_system>();
    copy_text(design->name, "Design");
    world.design_system = design.get();
    world.read_situation(k_fuzz_situation);
    world.read_test_conditions(k_fuzz_situation);
    const bool kept = situation_promises_kept(world, state) && test_conditions_bounded(*design);
    world.clear(false);
    world.placements.clear();
    world.design_system = nullptr;
    return kept;
}
