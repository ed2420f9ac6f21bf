// The OpenGL device on the off-screen context: a frame of many lit textured triangles at
// 1024 x 768 (the budget the scene is planned against), and the cost per draw call of small
// draws with state changes between them (the overlay and the effects draw that way).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"

namespace {

struct lit_vertex {
    float x, y, z, nx, ny, nz, u, v;
};

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

// Reading one row back waits for the frame to finish.
void finish(gfx_device* device) {
    locked_rect r;
    device->back_buffer()->lock(&r);
    benchmark::DoNotOptimize(r.bits);
    device->back_buffer()->unlock();
}

}  // namespace

static void BM_GlLitTexturedTriangles(benchmark::State& state) {
    offscreen_gl context;
    if (!context.ok()) {
        state.SkipWithError("no OpenGL");
        return;
    }
    auto device = make_device(1024, 768);
    const int grid = static_cast<int>(state.range(0));  // grid x grid cells, 2 triangles each
    vertex_buffer_ptr vb;
    index_buffer_ptr ib;
    const int vertices = (grid + 1) * (grid + 1);
    device->create_vertex_buffer(vertices * 32, 0, FVF_XYZ | FVF_NORMAL | FVF_TEX1,
                                 POOL_MANAGED, &vb);
    device->create_index_buffer(grid * grid * 6 * 4, 0, FMT_INDEX32, POOL_MANAGED, &ib);
    void* p = nullptr;
    vb->lock(0, 0, &p);
    auto* v = static_cast<lit_vertex*>(p);
    for (int z = 0; z <= grid; ++z)
        for (int x = 0; x <= grid; ++x)
            *v++ = {x / float(grid) * 2 - 1, 0.1f * std::sin(x * 0.3f), z / float(grid) * 2 + 1,
                    0, 1, 0, x / 8.0f, z / 8.0f};
    vb->unlock();
    ib->lock(0, 0, &p);
    auto* index = static_cast<std::uint32_t*>(p);
    for (int z = 0; z < grid; ++z)
        for (int x = 0; x < grid; ++x) {
            const std::uint32_t a = static_cast<std::uint32_t>(z * (grid + 1) + x);
            const std::uint32_t b = a + static_cast<std::uint32_t>(grid + 1);
            const std::uint32_t tri[6] = {a, b, a + 1, a + 1, b, b + 1};
            std::memcpy(index, tri, sizeof tri);
            index += 6;
        }
    ib->unlock();
    texture_ptr t;
    device->create_texture(256, 256, 0, 0, FMT_A8R8G8B8, POOL_MANAGED, &t);
    gfx_light sun;
    sun.type = LIGHT_DIRECTIONAL;
    sun.diffuse = {1, 1, 1, 1};
    sun.direction[1] = -1;
    device->set_light(0, sun);
    device->light_enable(0, true);
    gfx_material m;
    m.diffuse = m.ambient = {1, 1, 1, 1};
    device->set_material(m);
    device->set_texture(0, t.get());
    device->set_sampler_state(0, SAMP_MINFILTER, TEXF_LINEAR);
    device->set_sampler_state(0, SAMP_MAGFILTER, TEXF_LINEAR);
    device->set_sampler_state(0, SAMP_MIPFILTER, TEXF_LINEAR);
    device->set_transform(TS_VIEW, mat_look_at_lh({0, 1, -0.5f}, {0, 0, 1.5f}, {0, 1, 0}));
    device->set_transform(TS_PROJECTION, mat_perspective_fov_lh(1.0f, 4.0f / 3.0f, 0.1f, 100));
    device->set_fvf(FVF_XYZ | FVF_NORMAL | FVF_TEX1);
    device->set_stream_source(0, vb.get(), 0, 32);
    device->set_indices(ib.get());
    for (auto _ : state) {
        device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF204060u, 1.0f, 0);
        device->draw_indexed_primitive(PT_TRIANGLELIST, 0, 0, vertices, 0, grid * grid * 2);
        finish(device.get());
    }
    state.counters["triangles"] = grid * grid * 2;
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GlLitTexturedTriangles)->Arg(224)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_GlSmallDrawsWithStateChanges(benchmark::State& state) {
    offscreen_gl context;
    if (!context.ok()) {
        state.SkipWithError("no OpenGL");
        return;
    }
    auto device = make_device(256, 256);
    device->set_render_state(RS_LIGHTING, 0);
    struct vertex {
        float x, y, z;
        std::uint32_t color;
    };
    const int draws = static_cast<int>(state.range(0));
    for (auto _ : state) {
        device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        for (int i = 0; i < draws; ++i) {
            const float x = (i % 32) / 16.0f - 1, y = (i / 32 % 32) / 16.0f - 1;
            const vertex quad[4] = {{x, y + 0.05f, 0.5f, 0xFFFFFFFFu},
                                    {x + 0.05f, y + 0.05f, 0.5f, 0xFFFF0000u},
                                    {x, y, 0.5f, 0xFF00FF00u},
                                    {x + 0.05f, y, 0.5f, 0xFF0000FFu}};
            device->set_render_state(RS_ALPHABLENDENABLE, i & 1);
            device->set_fvf(FVF_XYZ | FVF_DIFFUSE);
            device->draw_primitive_up(PT_TRIANGLESTRIP, 2, quad, sizeof(vertex));
        }
        finish(device.get());
    }
    state.SetItemsProcessed(state.iterations() * draws);
}
BENCHMARK(BM_GlSmallDrawsWithStateChanges)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
