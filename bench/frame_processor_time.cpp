#include "bench/frame_processor_time.h"

#include <algorithm>

frame_processor_time::frame_processor_time() : all_start_(std::clock()) {
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &main_start_);
}

void frame_processor_time::report(benchmark::State& state) const {
    timespec main_end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &main_end);
    const double frames = static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    const double all_ms = 1000.0 * static_cast<double>(std::clock() - all_start_) / CLOCKS_PER_SEC;
    const double main_ms = 1000.0 * static_cast<double>(main_end.tv_sec - main_start_.tv_sec) +
                           static_cast<double>(main_end.tv_nsec - main_start_.tv_nsec) / 1.0e6;
    state.counters["all_threads_ms"] = all_ms / frames;
    state.counters["main_thread_ms"] = main_ms / frames;
}
