// libFuzzer target: one scenery folder loaded, asked for heights and unloaded
// (tests/fuzz/scenery_files.h).
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/scenery_files.h"

namespace {

struct environment {
    fuzz_folder files;
    d3d_app app;
    app_state state;
    environment() {
        g_app = &app;
        g_state = &state;
        make_scenery_folder();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    run_scenery_files(data, size);
    return 0;
}
