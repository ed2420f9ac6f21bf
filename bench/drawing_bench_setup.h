// What the drawing benchmarks of the world share: a copy of the run folder (VENTRASK_RUN_DIR
// from the environment, else the build's own), an off-screen OpenGL context, the application
// object and state installed as the program's globals, and a device of the frame's size with
// its texture loader, default states and shared textures. The destructor releases them and
// forgets the globals.
#pragma once

#include <benchmark/benchmark.h>

#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/texture_loading.h"
#include "platform/system/offscreen_gl.h"

// The file root: a copy of the run folder's data made once for the process (the scenes the
// benchmarks load write into their scenery folders).
void set_bench_run_folder();

// Finishes the frame: reading the back buffer waits for the renderer.
void finish_frame(gfx_device* device);

class drawing_bench_setup {
public:
    // On failure the benchmark is skipped with the reason and ok() is false.
    drawing_bench_setup(benchmark::State& state, int width, int height);
    ~drawing_bench_setup();
    drawing_bench_setup(const drawing_bench_setup&) = delete;
    drawing_bench_setup& operator=(const drawing_bench_setup&) = delete;

    bool ok() const { return ok_; }

    offscreen_gl context;
    d3d_app app;
    app_state st;

private:
    std::unique_ptr<device_texture_loader> loader_;
    bool ok_ = false;
};
