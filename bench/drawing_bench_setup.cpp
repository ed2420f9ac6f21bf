#include "bench/drawing_bench_setup.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/device_calls.h"
#include "platform/files.h"
#include "platform/system/gl_device.h"

namespace {

std::string run_folder() {
    if (const char* run = std::getenv("VENTRASK_RUN_DIR")) return run;
#ifdef VENTRASK_RUN_DIR
    return VENTRASK_RUN_DIR;
#else
    return ".";
#endif
}

// The run folder's data, copied once for the process and removed at its end: loading a
// scenery writes its maps and object index beside it, and the program started from the run
// folder afterwards would read what a benchmark's scene wrote.
class run_folder_copy {
public:
    run_folder_copy() {
        namespace fs = std::filesystem;
        std::string pattern = fs_temp_folder() + "ventrask_bench_XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return;
        path_ = pattern;
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(run_folder(), ec)) {
            if (!e.is_directory()) continue;
            fs::copy(e.path(), fs::path(path_) / e.path().filename(), fs::copy_options::recursive, ec);
        }
    }
    ~run_folder_copy() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    run_folder_copy(const run_folder_copy&) = delete;
    run_folder_copy& operator=(const run_folder_copy&) = delete;

    // The run folder itself when no copy could be made.
    std::string path() const { return path_.empty() ? run_folder() : path_; }

private:
    std::string path_;
};

}  // namespace

void set_bench_run_folder() {
    static const run_folder_copy copy;
    fs_set_root(copy.path());
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
