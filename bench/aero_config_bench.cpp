#include <benchmark/benchmark.h>

#include "simulation/aero_config.h"

// Once per launch and per design edit.
static void BM_AeroComputeCoefficients(benchmark::State& state) {
    aero_config c;
    for (auto _ : state) {
        c.compute_coefficients(0.0f);
        benchmark::DoNotOptimize(c.cn_alpha_total.slot[20]);
    }
}
BENCHMARK(BM_AeroComputeCoefficients);

// Every flight step of every missile.
static void BM_AeroGetCoefficients(benchmark::State& state) {
    aero_config c;
    c.compute_coefficients(0.0f);
    float mach = 0.0f;
    for (auto _ : state) {
        float cd, cn, trim;
        c.get_coefficients(mach, true, cd, cn, trim);
        benchmark::DoNotOptimize(cd);
        benchmark::DoNotOptimize(cn);
        benchmark::DoNotOptimize(trim);
        mach = mach > 4.5f ? 0.0f : mach + 0.013f;
    }
}
BENCHMARK(BM_AeroGetCoefficients);
