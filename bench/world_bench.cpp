// The sea's per-frame wave update (three 64 x 64 transforms with choppy waves) and the ground
// and sea height queries flight models make many times a frame.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/app_state.h"
#include "world/sea.h"
#include "world/terrain.h"

namespace {

void bm_sea_update_waves(benchmark::State& state) {
    auto app = std::make_unique<app_state>();
    g_state = app.get();
    auto water = std::make_unique<sea>();
    water->wave_height = 1.0f;
    water->build_spectrum();
    for (auto _ : state) {
        water->wave_time += 0.02f;
        water->update_waves();
        benchmark::DoNotOptimize(water->height_grid[5][5]);
    }
    g_state = nullptr;
}
BENCHMARK(bm_sea_update_waves);

void bm_ground_height(benchmark::State& state) {
    auto app = std::make_unique<app_state>();
    g_state = app.get();
    auto ground = std::make_unique<terrain>();
    ground->columns = 1024;
    ground->rows = 1024;
    ground->cell_size = 30.0f;
    ground->elevations.resize(1024u * 1024u);
    for (std::size_t i = 0; i < ground->elevations.size(); ++i)
        ground->elevations[i] = static_cast<std::int16_t>((i * 2654435761u) % 900);
    float x = 100.0f, h = 0.0f;
    for (auto _ : state) {
        x += 7.3f;
        if (x > 30000.0f) x = 100.0f;
        ground->ground_height(x, 15000.0f - x * 0.3f, &h);
        benchmark::DoNotOptimize(h);
    }
    g_state = nullptr;
}
BENCHMARK(bm_ground_height);

void bm_sea_surface_height(benchmark::State& state) {
    auto app = std::make_unique<app_state>();
    g_state = app.get();
    auto water = std::make_unique<sea>();
    water->build_spectrum();
    water->update_waves();
    float x = 0.0f, h = 0.0f;
    for (auto _ : state) {
        x += 1.37f;
        water->surface_height(x, -x * 0.7f, &h);
        benchmark::DoNotOptimize(h);
    }
    g_state = nullptr;
}
BENCHMARK(bm_sea_surface_height);

}  // namespace
