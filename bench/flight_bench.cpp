#include <benchmark/benchmark.h>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/recording_services.h"
#include "platform/program_rand.h"
#include "simulation/missile.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"

namespace {

// The objects a flight needs around it: state, application object (its log) and a flat
// world that records effects.
struct flight_world {
    flight_world() {
        g_app = &app;
        g_state = &state;
        install_scene_services(&services);
        program_srand(1);
    }
    ~flight_world() {
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    d3d_app app;
    app_state state;
    recording_scene_services services;
};

// A head-on target 5 km out and a missile on its launcher pointing at it.
void start_flight(missile& m, frame& target) {
    target.reset_transform();
    target.set_position(0.0f, 2000.0f, 5000.0f);
    target.set_rotation(3.1415926f, 0.0f, 0.0f);
    target.set_velocity(0.0f, 0.0f, 215.0f);
    m.reset_transform();
    m.set_position(0.0f, 10.0f, 0.0f);
    m.look_at(&target);
    m.target = &target;
    m.min_miss = 1000000.0f;
    m.launch();
}

}  // namespace

// Every tick of a burning motor on the stand at 60 ticks a second, with the throat in cm as the
// argument: the default 2 cm (one step a tick) and 8 cm (the chamber settles within a few ms,
// so a tick is cut into pieces).
static void BM_MotorBurnStep(benchmark::State& state) {
    flight_world world;
    rocket_motor m;
    m.throat_diameter = static_cast<float>(state.range(0));
    m.clamp_dimensions();
    m.build_casing();
    m.ignite();
    for (auto _ : state) {
        m.burn_step(1.0f / 60.0f);
        benchmark::DoNotOptimize(m.thrust);
        if (!m.running) {
            state.PauseTiming();
            m.reset();
            m.ignite();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_MotorBurnStep)->Arg(2)->Arg(8);

// Every tick of every missile in flight, at the normal rate (one step per tick) with
// proportional homing, its motor burning in step.
static void BM_MissileFlightStep(benchmark::State& state) {
    flight_world world;
    world.state.dt = 0.025f;
    frame target;
    missile m;
    m.assemble(nullptr);
    start_flight(m, target);
    for (auto _ : state) {
        target.update();
        m.update();
        benchmark::DoNotOptimize(m.velocity);
        if (m.dead) {
            state.PauseTiming();
            start_flight(m, target);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_MissileFlightStep);

// One tick at simulation rate 1024 (a 102.4 s tick in 1024 steps): the cost of the sub-steps.
static void BM_MissileTickAtRate1024(benchmark::State& state) {
    flight_world world;
    world.state.dt = 102.4f;
    frame target;
    missile m;
    m.assemble(nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        start_flight(m, target);
        state.ResumeTiming();
        m.update();
        benchmark::DoNotOptimize(m.velocity);
    }
}
BENCHMARK(BM_MissileTickAtRate1024);
