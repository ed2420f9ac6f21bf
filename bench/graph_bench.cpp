// The plotter: recording a whole flight into the fixed table, and rebuilding the plot of a
// full table, which a flight graph view does five times a second and a design screen on every
// draw event.
#include <benchmark/benchmark.h>

#include <cmath>

#include "ui/graph.h"

namespace {

void fill_table() {
    graph_reset_samples();
    for (int i = 0; i < graph_store::k_max_samples; ++i) {
        const float t = 0.01f * static_cast<float>(i);
        const float row[graph_store::k_channels] = {t, 900.0f * std::sin(t), 40.0f * t, 3.0f, 0, 0, 0, 0};
        graph_add_series_point(row, 1);
    }
}

void BM_GraphRecordFlight(benchmark::State& state) {
    for (auto _ : state) fill_table();
    benchmark::DoNotOptimize(g_graph.sample_count);
}
BENCHMARK(BM_GraphRecordFlight)->Unit(benchmark::kMicrosecond);

void BM_GraphDrawFullTable(benchmark::State& state) {
    fill_table();
    for (auto _ : state) {
        graph_draw(-1.1f, -0.9f, 0.9f, 0.7f, 1, true);
        benchmark::DoNotOptimize(g_graph.triangle_count);
    }
}
BENCHMARK(BM_GraphDrawFullTable)->Unit(benchmark::kMicrosecond);

}  // namespace
