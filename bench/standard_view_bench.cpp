// The standard view: "Kestrel Bay Defence" as its situation file sets it (scenery, weather,
// clouds, systems and launchers) at 1024 x 768 with every pass on, the camera 30 m above the
// first missile system, looking along the situation's camera heading, with 4 rockets and 4
// missiles in the air and their plumes, through the scene's own drawing on the OpenGL
// device. Argument 0 is the whole frame; 1 to 5 are its off-screen passes on their own
// (1 reflection, 2 refraction, 3 shadow, 4 overhead, 5 night vision), so the share of each
// is the difference. 6 is the program's frame: the terrain's per-frame update (which runs
// the passes the view needs, moves the grid and steps the sea) and then the frame; 7 the same
// with the camera looking 60 degrees down at the ground round the system, where no water is
// in view and the water passes are left out. A pass alone is followed by a clear of the back
// buffer, so its pixels are drawn within its frame. One frame is drawn before the timing starts;
// all_threads_ms is the processor time of all threads a frame. Needs the run folder with the
// generated sceneries and situations.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>


#include "bench/drawing_bench_setup.h"
#include "bench/frame_processor_time.h"
#include "bench/scene_passes.h"
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "shell/scene.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"
#include "world/clouds.h"

namespace {

constexpr int k_width = 1024;
constexpr int k_height = 768;
constexpr float k_camera_height = 30.0f;  // above the first system
constexpr int k_in_flight = 4;            // rockets, and missiles after them
constexpr float k_rocket_distance = 7000.0f;
constexpr float k_rocket_spacing = 600.0f;
constexpr float k_tick = 0.05f;
constexpr int k_flight_ticks = 60;        // 3 s: every missile off its rail, plumes grown
constexpr int k_program_frame = 6;        // the arguments of the terrain update and frame
constexpr int k_looking_down = 7;
constexpr float k_down_pitch = 1.0472f;   // rad: 60 degrees below the horizon

// The scene with the scenery index the program reads at start-up, which the situation
// needs to find the scenery under its camera.
class standard_scene : public scene {
public:
    using scene::load_scenery_index;
};

// Rockets climbing from west of the system toward it (the camera looks west), then the
// first system's missiles after them, flown for a few seconds.
bool put_weapons_in_the_air(scene& world) {
    weapon_tables& t = world.tables;
    if (t.system_count == 0 || t.systems[0] == nullptr) return false;
    missile_system* system = t.systems[0];
    const vec3 p = system->position();
    for (int i = 0; i < k_in_flight; ++i) {
        const float across = (static_cast<float>(i) - 1.5f) * k_rocket_spacing;
        t.add_target(p.x - k_rocket_distance, 0.0f, p.z + across, 1.5707964f, 0.8f, 700.0f);
    }
    system->launch_unit->num_missiles = missile_system::k_max_missiles;
    for (int m = 0; m < k_in_flight && m < t.target_count; ++m) {
        missile* fired = system->fire();
        if (fired != nullptr) fired->target = t.targets[m];
    }
    for (int k = 0; k < k_flight_ticks; ++k) {
        g_state->dt = k_tick;
        g_state->now += static_cast<std::uint32_t>(k_tick * 1000.0f);
        world.proxie.objects_root()->update();
        world.proxie.transps_root()->update();
    }
    return true;
}

int missiles_in_flight(const scene& world) {
    int n = 0;
    for (int i = 0; i < world.tables.system_count; ++i) {
        const missile_system* s = world.tables.systems[i];
        if (s != nullptr) n += s->missile_count;
    }
    return n;
}

}  // namespace

static void BM_StandardView(benchmark::State& state) {
    drawing_bench_setup setup(state, k_width, k_height);
    if (!setup.ok()) return;
    d3d_app& app = setup.app;
    app_state& st = setup.st;
    {
        standard_scene world;
        install_scene_services(&world.proxie);
        world.make_roots(false);
        world.ground.init_device();
        world.sky.init();
        world.load_scenery_index();
        app.near_view = 1;
        app.use_shadow = 1;
        world.read_situation("situations\\Kestrel Bay Defence.txt");
        if (!world.ground.has_elevations() || !put_weapons_in_the_air(world)) {
            state.SkipWithError("no Kestrel Bay Defence situation with its scenery in the run folder");
            install_scene_services(nullptr);
            world.shutdown();
            return;
        }
        const vec3 at = world.tables.systems[0]->position();
        world.viewer.set_position(at.x, at.y + k_camera_height, at.z);
        world.viewer.update_matrices();
        st.above_water = 1;
        st.smoothed_step = 1.0f / 30.0f;
        st.dt = st.smoothed_step;
        world.ground.update_lod();
        world.viewer.set_view_projection(true);
        world.ground.update();
        world.sky.update();
        world.viewer.set_view_projection(true);
        if (state.range(0) == k_looking_down) {
            world.viewer.local = mat_rotation_x(k_down_pitch) * mat_translation(at.x, at.y + k_camera_height, at.z);
            world.viewer.update_matrices();
        }
        gfx_device* d = app.device.get();
        const auto draw = [&] {
            if (state.range(0) >= k_program_frame) {
                world.ground.update();
                world.render_frame();
            } else {
                render_bench_pass(world, static_cast<int>(state.range(0)));
                // A software renderer keeps a pass's drawing binned until its target is left
                // for another: clearing the back buffer here makes the pass's pixels drawn
                // within the frame that asked for them, as the program's frame does.
                if (state.range(0) != 0) d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0, 1.0f, 0);
            }
            finish_frame(d);
        };
        // The first frame makes the renderer's programs: not a cost the game pays each frame.
        draw();
        const frame_processor_time cpu;
        for (auto _ : state) draw();
        cpu.report(state);
        state.counters["water_in_view"] = world.water_shown() ? 1 : 0;
        state.counters["rockets"] = world.tables.target_count;
        state.counters["missiles"] = missiles_in_flight(world);
        state.counters["puffs"] = world.sky.cloud_layer ? world.sky.cloud_layer->puff_count : 0;
        state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
        install_scene_services(nullptr);
        world.shutdown();
    }
}
BENCHMARK(BM_StandardView)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
