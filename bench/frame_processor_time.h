// The processor time a benchmark's frames take, begun at construction: report() adds
// all_threads_ms (every thread, the renderer's too: what a frame costs when the processors are
// shared with other work) and main_thread_ms (the game's own thread, its code and the driver's
// work done on it: the part of the frame more processors cannot share), each a frame.
#pragma once

#include <benchmark/benchmark.h>

#include <ctime>

class frame_processor_time {
public:
    frame_processor_time();
    void report(benchmark::State& state) const;

private:
    std::clock_t all_start_;
    timespec main_start_{};
};
