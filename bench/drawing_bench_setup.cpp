#include "bench/drawing_bench_setup.h"

#include <cstdlib>

#include "core/device_calls.h"
#include "platform/files.h"
#include "platform/system/gl_device.h"

void set_bench_run_folder() {
    if (const char* run = std::getenv("VENTRASK_RUN_DIR")) {
        fs_set_root(run);
        return;
    }
#ifdef VENTRASK_RUN_DIR
    fs_set_root(VENTRASK_RUN_DIR);
#endif
}

void finish_frame(gfx_device* device) {
    locked_rect r;
    device->back_buffer()->lock(&r);
    benchmark::DoNotOptimize(r.bits);
    device->back_buffer()->unlock();
}

drawing_bench_setup::drawing_bench_setup(benchmark::State& state, int width, int height) {
    set_bench_run_folder();
    if (!context.ok()) {
        state.SkipWithError("no OpenGL");
        return;
    }
    g_app = &app;
    g_state = &st;
    gl_system system(gl_window_hooks{});
    present_params p;
    p.back_buffer_width = width;
    p.back_buffer_height = height;
    p.enable_auto_depth_stencil = 1;
    p.auto_depth_stencil_format = FMT_D24S8;
    if (system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &app.device) != S_OK) {
        state.SkipWithError("no device");
        return;
    }
    use_device(app.device.get());
    loader_ = std::make_unique<device_texture_loader>(app.device.get());
    app.textures.set_loader(loader_.get());
    app.set_default_states(true);
    st.load_shared_textures();
    ok_ = true;
}

drawing_bench_setup::~drawing_bench_setup() {
    if (ok_) {
        st.release();
        app.textures.release_all();
        app.textures.set_loader(nullptr);
        use_device(nullptr);
        app.device.reset();
    }
    if (g_state == &st) g_state = nullptr;
    if (g_app == &app) g_app = nullptr;
}
