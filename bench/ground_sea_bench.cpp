// The ground, water and sea of one frame of the standard view ("Kestrel Bay Defence": the
// Kestrel Bay scenery from 120 m, looking west, default settings) at 1024 x 768 on the
// OpenGL device, with the off-screen passes the terrain's update asks for (reflection and
// refraction at half size, the shadow map at 1024 x 1024). Needs the run folder. Budget:
// 15 ms pinned to 2 cores (taskset -c 0,1, LP_NUM_THREADS=2), 7.5 ms on 8.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "bench/drawing_bench_setup.h"
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/texture_loading.h"
#include "platform/files.h"
#include "platform/render_to_surface.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "world/terrain.h"

namespace {

constexpr int k_width = 1024;
constexpr int k_height = 768;
constexpr float k_longitude = 38.575f;  // the situation's camera
constexpr float k_latitude = 20.095f;
constexpr float k_altitude = 120.0f;
constexpr float k_heading = -1.57f;
constexpr float k_pitch = 0.05f;
constexpr float k_bay_column = 268.0f;  // a water sample of the scenery
constexpr float k_bay_row = 164.0f;

// One off-screen pass into a render-target texture through its helper.
template <typename Draw>
void pass(render_to_surface* helper, gfx_texture* target, Draw draw) {
    if (helper == nullptr || target == nullptr) return;
    if (helper->begin_scene(target->surface_level(0)) != S_OK) return;
    g_app->device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF8090A0u, 1.0f, 0);
    draw();
    helper->end_scene();
}

}  // namespace

static void BM_GroundSeaFrame(benchmark::State& state) {
    drawing_bench_setup setup(state, k_width, k_height);
    if (!setup.ok()) return;
    d3d_app& app = setup.app;
    app_state& st = setup.st;

    mat4 camera = mat_identity();
    st.camera_world = &camera;
    auto ground = std::make_unique<terrain>();
    terrain& t = *ground;
    t.water.wave_height = 1.0f;  // the situation's [waves]
    t.init_device();
    t.load_scenery("Kestrel Bay");
    if (!t.has_elevations()) {
        state.SkipWithError("no Kestrel Bay scenery in the run folder");
        return;
    }
    // The world origin at the camera's ground point, as the scene keeps it; the camera 120 m
    // above the ground. Argument 1 puts it over the bay instead (a sample of the sea 6 km
    // east of the standard view), where the waves are shown and the sea is drawn.
    float x = 0.0f, z = 0.0f;
    t.lon_lat_to_grid(k_longitude, k_latitude, &x, &z);
    if (state.range(0) == 1) {
        x = k_bay_column * t.cell_size;
        z = k_bay_row * t.cell_size;
    }
    st.origin_offset = vec3{x, 0.0f, z};
    float ground_height = 0.0f;
    t.ground_height(0.0f, 0.0f, &ground_height);
    const float eye_height = std::max(ground_height, st.water_level) + k_altitude;
    camera = mat_yaw_pitch_roll(k_heading, k_pitch, 0.0f) * mat_translation(0.0f, eye_height, 0.0f);
    mat4 view;
    mat_inverse(camera, &view);
    const mat4 projection = mat_perspective_fov_lh(0.9f, 4.0f / 3.0f, 1.0f, 50000.0f);
    st.view_matrix = &view;
    st.projection_matrix = &projection;
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
    gfx_device* d = app.device.get();
    d->set_light(0, sun);
    d->light_enable(0, true);
    t.update_lod();

    const mat4 mirror = mat_reflect(plane{0.0f, 1.0f, 0.0f, 0.0f});
    // The shadow map covers the shadow distance (the shadow altitude and the camera's
    // height) around the point below the camera, seen along the light.
    const float shadow_distance = st.shadow_alt + k_altitude;
    const vec3 light_dir = normalize(vec3{sun.direction[0], sun.direction[1], sun.direction[2]});
    const vec3 eye = vec3{0.0f, 0.0f, 0.0f} - light_dir * shadow_distance;
    const mat4 shadow_view = mat_look_at_lh(eye, vec3{}, vec3{0.0f, 0.0f, 1.0f});
    const mat4 shadow_projection = mat_ortho_lh(shadow_distance, shadow_distance, 0.0f, 4.0f * shadow_distance);
    for (auto _ : state) {
        t.update();
        d->set_transform(TS_PROJECTION, projection);
        if (t.passes.reflection) {
            pass(st.objects.half_surface.get(), st.objects.reflection_texture.get(), [&] {
                app.set_default_states(false);
                d->set_transform(TS_VIEW, mirror * view);
                const float above[4] = {0.0f, 1.0f, 0.0f, -st.water_level};
                d->set_clip_plane(0, above);
                d->set_render_state(RS_CLIPPLANEENABLE, 1);
                t.render_tiles_plain(true);
                d->set_render_state(RS_CLIPPLANEENABLE, 0);
            });
        }
        if (t.passes.refraction) {
            pass(st.objects.half_surface.get(), st.objects.refraction_texture.get(), [&] {
                app.set_default_states(true);
                d->set_transform(TS_VIEW, view);
                const float below[4] = {0.0f, -1.0f, 0.0f, st.water_level};
                d->set_clip_plane(0, below);
                d->set_render_state(RS_CLIPPLANEENABLE, 1);
                t.render_tiles_refraction(false);
                d->set_render_state(RS_CLIPPLANEENABLE, 0);
            });
        }
        if (t.passes.shadow) {
            pass(st.objects.large_surface.get(), st.objects.shadow_texture.get(), [&] {
                d->set_transform(TS_VIEW, shadow_view);
                d->set_transform(TS_PROJECTION, shadow_projection);
                t.render_tiles_plain(false);
            });
        }
        app.set_default_states(true);
        d->set_transform(TS_VIEW, view);
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF8090A0u, 1.0f, 0);
        d->begin_scene();
        t.render_tiles(true);
        t.set_water_shader();
        t.render_water(true);
        t.restore_render_states();
        d->end_scene();
        finish_frame(d);
    }
    state.counters["sea indices"] = t.water.drawn_index_count;
    state.counters["reflection"] = t.passes.reflection;
    state.counters["refraction"] = t.passes.refraction;
    state.counters["shadow"] = t.passes.shadow;
    state.counters["waves"] = t.water.waves_shown;
    ground.reset();
}
BENCHMARK(BM_GroundSeaFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
