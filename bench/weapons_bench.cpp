// One scene tick of a full scenario: 8 missile systems, 8 rocket launchers and 24 rockets in
// flight, first with no missile up, then with every system's list full (192 missiles flying).
#include <benchmark/benchmark.h>

#include <memory>

#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "tools/engage/engagement_run.h"

namespace {

constexpr int k_rebuild_ticks = 100;  // 5 s at the step below: everything is still in the air

// Eight systems in a row facing north, eight launchers 40 km north of them and 24 rockets
// already climbing toward them; with_missiles fills every system's list, each missile after
// a rocket of its own.
std::unique_ptr<engagement_run> full_scene(bool with_missiles) {
    engagement_setup s;
    s.data_folder = VENTRASK_RUN_DIR;
    s.dt = 0.05f;
    for (int i = 0; i < weapon_tables::k_max_systems; ++i) {
        s.systems.push_back({"New Missile", 3000.0f * static_cast<float>(i), 0.0f, 0.0f});
        s.launchers.push_back({3000.0f * static_cast<float>(i), 40000.0f, 100, 1000, 1.0f, 250.0f});
    }
    auto run = std::make_unique<engagement_run>(s);
    run->place();
    weapon_tables& t = run->tables;
    for (int i = 0; i < weapon_tables::k_max_targets; ++i) {
        t.add_target(1000.0f * static_cast<float>(i), 0.0f, 9000.0f, 3.1415926f, 0.8f, 700.0f);
    }
    if (!with_missiles) return run;
    for (int s_i = 0; s_i < t.system_count; ++s_i) {
        missile_system* system = t.systems[s_i];
        system->launch_unit->num_missiles = missile_system::k_max_missiles;
        for (int m = 0; m < missile_system::k_max_missiles; ++m) {
            missile* fired = system->fire();
            if (fired != nullptr) fired->target = t.targets[m];
        }
    }
    return run;
}

void scene_tick(benchmark::State& state, bool with_missiles) {
    std::unique_ptr<engagement_run> run = full_scene(with_missiles);
    int ticks = 0;
    for (auto _ : state) {
        if (++ticks == k_rebuild_ticks) {
            state.PauseTiming();
            run.reset();
            run = full_scene(with_missiles);
            ticks = 0;
            state.ResumeTiming();
        }
        run->step();
    }
    int missiles = 0;
    for (int i = 0; i < run->tables.system_count; ++i) missiles += run->tables.systems[i]->missile_count;
    state.counters["rockets"] = run->tables.target_count;
    state.counters["missiles"] = missiles;
}

void BM_SceneTickRocketsInFlight(benchmark::State& state) { scene_tick(state, false); }
void BM_SceneTickMostMissilesInFlight(benchmark::State& state) { scene_tick(state, true); }

}  // namespace

BENCHMARK(BM_SceneTickRocketsInFlight)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneTickMostMissilesInFlight)->Unit(benchmark::kMicrosecond);
