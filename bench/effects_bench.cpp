// One frame of the standard scenario's effects on the OpenGL device at 1024 x 768: update and
// draw of four rocket plumes of 300 puffs at 1 to 4 km, an explosion (fire and smoke bursts of
// 255) at 2 km, two smoke columns, two flames with trails, 1,000 bushes at complexity 0.5 and
// a light glow. Argument 1 puts the explosion 100 m from the camera (its sprites then fill much
// of the screen). Budget: 4 ms of a 33 ms frame pinned to two cores (taskset -c 0,1,
// LP_NUM_THREADS=2), 2 ms of 16.7 ms on eight.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "platform/program_rand.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "world/array_sp.h"
#include "world/decal.h"
#include "world/flame.h"
#include "world/smoke.h"
#include "world/sprinkle.h"

namespace {

std::unique_ptr<gfx_device> make_device(int width, int height) {
    gl_system system(gl_window_hooks{});
    present_params p;
    p.back_buffer_width = static_cast<std::uint32_t>(width);
    p.back_buffer_height = static_cast<std::uint32_t>(height);
    p.auto_depth_stencil_format = FMT_D24S8;
    std::unique_ptr<gfx_device> device;
    system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &device);
    return device;
}

// A burst's particles as they were after a second of flight, put back every frame.
struct burst_snapshot {
    sprinkle* burst = nullptr;
    std::array<vec3, sprinkle::k_max_particles> positions{};
    std::array<vec3, sprinkle::k_max_particles> velocities{};
    float intensity = 0.0f;
    void take() {
        positions = burst->particle_position;
        velocities = burst->particle_velocity;
        intensity = burst->intensity;
    }
    void restore() const {
        burst->particle_position = positions;
        burst->particle_velocity = velocities;
        burst->intensity = intensity;
    }
};

void fill_plume(sprinkle* p, float distance, float x) {
    p->count = 300;
    for (int i = 0; i < 300; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        p->particle_position[s] = {x + 0.2f * i, 40.0f + 0.5f * i, distance + 0.3f * i};
        p->particle_velocity[s] = {};
        p->particle_alpha[s] = 120.0f - 0.3f * i;
        p->particle_size[s] = 0.5f + 0.03f * i;
    }
}

}  // namespace

static void BM_EffectsFrame(benchmark::State& state) {
    offscreen_gl context;
    if (!context.ok()) {
        state.SkipWithError("no OpenGL");
        return;
    }
    auto device = make_device(1024, 768);
    d3d_app app;
    app_state st;
    g_app = &app;
    g_state = &st;
    use_device(device.get());
    program_srand(1);
    st.smoothed_step = st.dt = 1.0f / 30.0f;
    st.no_shift = 1;
    st.above_water = 1;
    // The camera 50 m up, looking north.
    const mat4 camera_world = mat_translation(0.0f, 50.0f, 0.0f);
    const mat4 view = mat_look_at_lh({0, 50, 0}, {0, 50, 1}, {0, 1, 0});
    const mat4 projection = mat_perspective_fov_lh(k_pi / 4.0f, 4.0f / 3.0f, 1.0f, 20000.0f);
    const mat4 aux[4] = {mat_identity(), mat_identity(), mat_identity(), mat_identity()};
    const float fov = k_pi / 4.0f;
    st.camera_world = &camera_world;
    st.view_matrix = &view;
    st.projection_matrix = &projection;
    st.camera_aux = aux;
    st.camera_fov = &fov;
    device->set_transform(TS_VIEW, view);
    device->set_transform(TS_PROJECTION, projection);
    device->set_render_state(RS_ALPHABLENDENABLE, 1);
    device->set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
    device->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    texture_ptr puff;
    device->create_texture(64, 64, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &puff);

    auto root = std::make_unique<frame>();
    std::vector<gfx_texture**> borrowed;  // texture fields pointed at the shared puff
    auto lend = [&](gfx_texture** field) {
        *field = puff.get();
        borrowed.push_back(field);
    };
    sprinkle* plumes[4] = {};
    for (int i = 0; i < 4; ++i) {
        create_sprinkle(root.get(), &plumes[i]);
        plumes[i]->init(nullptr, sprinkle::k_plume);
        lend(&plumes[i]->texture);
    }
    const float explosion_at = state.range(0) == 1 ? 100.0f : 2000.0f;
    std::vector<burst_snapshot> bursts;
    for (int kind : {sprinkle::k_smoke, sprinkle::k_fire}) {
        sprinkle* b = nullptr;
        create_sprinkle(root.get(), &b);
        b->set_position(0.0f, 50.0f, explosion_at);
        b->count = 255;
        b->speed = kind == sprinkle::k_fire ? 100.0f : 50.0f;
        b->size = kind == sprinkle::k_fire ? 5.0f : 10.0f;
        b->init(nullptr, kind);
        lend(&b->texture);
        b->emit_sphere_burst();
        for (int t = 0; t < 30; ++t) b->update();
        bursts.push_back({b});
        bursts.back().take();
    }
    for (int i = 0; i < 2; ++i) {
        smoke* s = nullptr;
        create_smoke(root.get(), &s);
        s->size = 10.0f;
        s->growth = 5.0f;
        s->drift = {0.0f, 50.0f, 0.0f};
        s->init(nullptr);
        lend(&s->texture);
        s->set_position(-300.0f + 600.0f * i, 0.0f, 1500.0f);
        flame* f = nullptr;
        create_flame(root.get(), &f);
        f->trail_on = 1;
        f->init();
        lend(&f->texture);
        lend(&f->ribbon->texture);
        f->local = mat_scaling(1.0f, 1.0f, 5.0f) * mat_translation(-50.0f + 100.0f * i, 60.0f, 1000.0f);
        f->update_matrices();
    }
    array_sp* bushes = nullptr;
    create_array_sp(root.get(), &bushes);
    bushes->set_position(0.0f, 0.0f, 300.0f);
    bushes->scatter_radius = 300.0f;
    bushes->item_width = 3.0f;
    bushes->item_height = 2.0f;
    bushes->set_count(1000);
    bushes->scatter_on_terrain("graphics\\bush.dds");
    lend(&bushes->texture);
    st.array_complexity = 0.5f;
    decal* glow = nullptr;
    create_decal(root.get(), &glow);
    glow->light = 1;
    glow->sway = 0;
    glow->width = glow->height = 2.0f;
    glow->load_texture("graphics\\light.dds");
    lend(&glow->texture);
    glow->set_position(20.0f, 55.0f, 500.0f);

    for (auto _ : state) {
        for (int i = 0; i < 4; ++i) fill_plume(plumes[i], 1000.0f * (i + 1), -200.0f + 100.0f * i);
        for (const burst_snapshot& b : bursts) b.restore();
        st.now += 33;
        device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF6080A0u, 1.0f, 0);
        root->update();
        root->render();
        locked_rect r;
        device->back_buffer()->lock(&r);  // waits for the frame
        benchmark::DoNotOptimize(r.bits);
        device->back_buffer()->unlock();
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
    for (gfx_texture** field : borrowed) *field = nullptr;
    root.reset();
    use_device(nullptr);
    g_state = nullptr;
    g_app = nullptr;
}
BENCHMARK(BM_EffectsFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
