#include <benchmark/benchmark.h>

#include "platform/math3d.h"

static void BM_MatrixInverse(benchmark::State& state) {
    const mat4 m = mat_yaw_pitch_roll(0.3f, 0.2f, 0.1f) * mat_translation(10.0f, 20.0f, 30.0f);
    for (auto _ : state) {
        mat4 inv;
        benchmark::DoNotOptimize(mat_inverse(m, &inv));
        benchmark::DoNotOptimize(inv);
    }
}
BENCHMARK(BM_MatrixInverse);
