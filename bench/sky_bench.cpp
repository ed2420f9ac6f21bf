// The sky of one frame of the standard view ("Kestrel Bay Defence": 120 m up at latitude
// 20.1, looking west, 10:00, cloud cover 0.30) at 1024 x 768 on the OpenGL device: the
// sky's update with the under-water particles, the dome, discs and stars, the cloud layer,
// and the sky again in the half-size reflection pass. Budget: 8 ms pinned to 2 cores
// (taskset -c 0,1, LP_NUM_THREADS=2), 4 ms on 8. BM_GlobeFrame: the ring, the sky and the
// globe seen from 200 km; budget 20 ms on 2 cores. Needs the run folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>

#include "bench/drawing_bench_setup.h"
#include "bench/frame_processor_time.h"
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/texture_loading.h"
#include "platform/program_rand.h"
#include "platform/render_to_surface.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "world/clouds.h"
#include "world/earth_globe.h"
#include "world/sky.h"

namespace {

constexpr int k_width = 1024;
constexpr int k_height = 768;
constexpr float k_latitude = 20.095f;
constexpr float k_longitude = 38.575f;
constexpr float k_heading = -1.57f;
constexpr float k_pitch = 0.05f;
constexpr float k_globe_pitch = 0.45f;  // looking down on the globe

void finish(gfx_device* device) {
    locked_rect r;
    device->back_buffer()->lock(&r);
    benchmark::DoNotOptimize(r.bits);
    device->back_buffer()->unlock();
}

// The device, the run folder and the shared objects the sky draws with.
struct sky_bench_world {
    offscreen_gl context;
    d3d_app app;
    app_state st;
    std::unique_ptr<device_texture_loader> loader;
    mat4 camera = mat_identity();
    mat4 view = mat_identity();
    mat4 projection = mat_identity();
    mat4 near_projection = mat_identity();

    bool open(benchmark::State& state) {
        set_bench_run_folder();
        if (!context.ok()) {
            state.SkipWithError("no OpenGL");
            return false;
        }
        g_app = &app;
        g_state = &st;
        gl_system system(gl_window_hooks{});
        present_params p;
        p.back_buffer_width = k_width;
        p.back_buffer_height = k_height;
        p.enable_auto_depth_stencil = 1;
        p.auto_depth_stencil_format = FMT_D24S8;
        if (system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &app.device) != S_OK) {
            state.SkipWithError("no device");
            return false;
        }
        use_device(app.device.get());
        loader = std::make_unique<device_texture_loader>(app.device.get());
        app.textures.set_loader(loader.get());
        app.set_default_states(true);
        st.load_shared_textures();
        st.camera_world = &camera;
        st.view_matrix = &view;
        st.projection_matrix = &projection;
        st.near_projection = &near_projection;
        st.camera_latitude = k_latitude;
        st.camera_longitude = k_longitude;
        st.smoothed_step = 1.0f / 30.0f;
        st.dt = st.smoothed_step;
        return true;
    }
    void look(float altitude, float heading, float pitch) {
        camera = mat_yaw_pitch_roll(heading, pitch, 0.0f) * mat_translation(0.0f, altitude, 0.0f);
        mat_inverse(camera, &view);
        const float aspect = static_cast<float>(k_width) / k_height;
        projection = mat_perspective_fov_lh(0.9f, aspect, 1.0f, st.far_plane);
        near_projection = mat_perspective_fov_lh(0.9f, aspect, 0.1f, 1000.0f);
    }
    ~sky_bench_world() {
        app.textures.release_all();
        app.textures.set_loader(nullptr);
        st.release();
        use_device(nullptr);
        app.device.reset();
        g_app = nullptr;
        g_state = nullptr;
    }
};

// The sky of a ten o'clock morning with three tenths of cloud, made the same for every run.
std::unique_ptr<sky> make_day_sky(sky_bench_world& w) {
    program_srand(1);
    auto made = std::make_unique<sky>();
    made->init();
    made->cloud_layer->set_cover(0.30f);
    w.st.time_of_day = 10.0f;
    return made;
}

}  // namespace

static void BM_SkyFrame(benchmark::State& state) {
    sky_bench_world w;
    if (!w.open(state)) return;
    auto sky_object = make_day_sky(w);
    w.st.rain = 1;
    w.st.above_water = 1;
    w.app.near_view = 1;
    gfx_device* d = w.app.device.get();
    const mat4 mirror = mat_reflect(plane{0.0f, 1.0f, 0.0f, 0.0f});
    const frame_processor_time cpu;
    for (auto _ : state) {
        w.st.now += 33;
        w.look(120.0f, k_heading, k_pitch);
        sky_object->update();
        w.look(120.0f, k_heading, k_pitch);  // the far plane follows the sky
        // The reflection pass: the sky mirrored in the water, at half size.
        render_to_surface* half = w.st.objects.half_surface.get();
        gfx_texture* target = w.st.objects.reflection_texture.get();
        if (half != nullptr && target != nullptr && half->begin_scene(target->surface_level(0)) == S_OK) {
            d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF8090A0u, 1.0f, 0);
            d->set_transform(TS_VIEW, mirror * w.view);
            d->set_transform(TS_PROJECTION, w.projection);
            sky_object->render(false);
            half->end_scene();
        }
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d->begin_scene();
        d->set_transform(TS_VIEW, w.view);
        d->set_transform(TS_PROJECTION, w.projection);
        sky_object->render(false);
        sky_object->render_clouds();
        d->end_scene();
        finish(d);
    }
    cpu.report(state);
    state.counters["puffs"] = sky_object->cloud_layer->puff_count;
    sky_object->release();
}
BENCHMARK(BM_SkyFrame)->Unit(benchmark::kMillisecond);

// The cloud layer of the sky frame alone, over a cleared picture: argument 0 draws each puff
// as the outline of its picture's visible part, 1 as its whole square (the same picture).
static void BM_CloudLayer(benchmark::State& state) {
    sky_bench_world w;
    if (!w.open(state)) return;
    auto sky_object = make_day_sky(w);
    sky_object->cloud_layer->fitted_outlines = state.range(0) == 0;
    w.app.near_view = 1;
    gfx_device* d = w.app.device.get();
    w.look(120.0f, k_heading, k_pitch);
    sky_object->update();
    w.look(120.0f, k_heading, k_pitch);
    const frame_processor_time cpu;
    for (auto _ : state) {
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF8090A0u, 1.0f, 0);
        d->begin_scene();
        d->set_transform(TS_VIEW, w.view);
        d->set_transform(TS_PROJECTION, w.projection);
        sky_object->render_clouds();
        d->end_scene();
        finish(d);
    }
    cpu.report(state);
    sky_object->release();
}
BENCHMARK(BM_CloudLayer)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

static void BM_GlobeFrame(benchmark::State& state) {
    sky_bench_world w;
    if (!w.open(state)) return;
    auto sky_object = std::make_unique<sky>();
    sky_object->init();
    earth_globe globe;
    globe.load_shaders();
    w.st.suppress_status = 1;
    w.st.time_of_day = 10.0f;
    w.app.near_view = 0;
    gfx_device* d = w.app.device.get();
    for (auto _ : state) {
        w.st.now += 33;
        w.look(200000.0f, k_heading, k_globe_pitch);
        sky_object->update_celestial();
        globe.update();
        w.look(200000.0f, k_heading, k_globe_pitch);
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d->begin_scene();
        d->set_transform(TS_VIEW, w.view);
        d->set_transform(TS_PROJECTION, w.projection);
        globe.render_shell();
        sky_object->render(false);
        globe.render();
        d->end_scene();
        finish(d);
    }
    globe.release();
    sky_object->release();
}
BENCHMARK(BM_GlobeFrame)->Unit(benchmark::kMillisecond);
