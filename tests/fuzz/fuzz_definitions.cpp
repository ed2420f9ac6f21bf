// libFuzzer target: one definition file of any kind, loaded and used as the program does
// (tests/fuzz/definition_files.h).
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "tests/fuzz/definition_files.h"
#include "tests/fuzz/fuzz_environment.h"

namespace {

struct environment {
    fuzz_folder files;
    d3d_app app;
    app_state state;
    environment() {
        g_app = &app;
        g_state = &state;
        make_definition_folders();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    run_definition_file(data, size);
    return 0;
}
