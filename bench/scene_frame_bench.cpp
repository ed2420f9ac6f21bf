// One near-view frame of the Kestrel Bay scenery at 1024 x 768 through the scene's own
// drawing on the OpenGL device: the whole frame (argument 0) and each off-screen pass on its
// own (1 reflection, 2 refraction, 3 shadow, 4 overhead, 5 night vision), with every pass
// switched on. Needs the run folder with the generated sceneries; the standard-view budget
// is the performance work's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "bench/drawing_bench_setup.h"
#include "bench/scene_passes.h"
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/texture_loading.h"
#include "platform/files.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "shell/scene.h"

namespace {

constexpr int k_width = 1024;
constexpr int k_height = 768;
constexpr float k_bay_column = 268.0f;  // a water sample of the scenery, near the shore
constexpr float k_bay_row = 164.0f;
constexpr float k_altitude = 60.0f;
constexpr float k_heading = -1.57f;
constexpr float k_pitch = -0.1f;

}  // namespace

static void BM_SceneFrame(benchmark::State& state) {
    drawing_bench_setup setup(state, k_width, k_height);
    if (!setup.ok()) return;
    d3d_app& app = setup.app;
    app_state& st = setup.st;
    {
        scene world;
        install_scene_services(&world.proxie);
        world.make_roots(false);
        terrain& t = world.ground;
        t.water.wave_height = 1.0f;
        t.init_device();
        t.load_scenery("Kestrel Bay");
        if (!t.has_elevations()) {
            state.SkipWithError("no Kestrel Bay scenery in the run folder");
            install_scene_services(nullptr);
            return;
        }
        st.origin_offset = vec3{k_bay_column * t.cell_size, 0.0f, k_bay_row * t.cell_size};
        float ground_height = 0.0f;
        t.ground_height(0.0f, 0.0f, &ground_height);
        const float eye = std::max(ground_height, st.water_level) + k_altitude;
        world.viewer.local = mat_yaw_pitch_roll(k_heading, k_pitch, 0.0f) * mat_translation(0.0f, eye, 0.0f);
        world.viewer.update_matrices();
        st.camera_alt = eye;
        st.height_above_surface = k_altitude;
        st.above_water = 1;
        st.smoothed_step = 1.0f / 30.0f;
        gfx_light sun;
        sun.type = LIGHT_DIRECTIONAL;
        sun.direction[0] = 0.4f;
        sun.direction[1] = -0.7f;
        sun.direction[2] = 0.3f;
        sun.diffuse = {0.9f, 0.9f, 0.85f, 1.0f};
        sun.ambient = {0.35f, 0.35f, 0.4f, 1.0f};
        st.objects.current_light = &sun;
        app.device->set_light(0, sun);
        app.device->light_enable(0, true);
        app.near_view = 1;
        app.use_shadow = 1;
        t.update_lod();
        world.viewer.set_view_projection(true);
        gfx_device* d = app.device.get();
        for (auto _ : state) {
            render_bench_pass(world, static_cast<int>(state.range(0)));
            finish_frame(d);
        }
        state.counters["sea indices"] = t.water.drawn_index_count;
        install_scene_services(nullptr);
        world.shutdown();
    }
}
BENCHMARK(BM_SceneFrame)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
