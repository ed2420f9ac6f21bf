// libFuzzer target: a scenario file read, written and read again, and its run file read into
// a scene (tests/fuzz/scenario_file.h).
#include "core/d3d_app.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/scenario_file.h"

namespace {

struct environment {
    fuzz_folder files;
    d3d_app app;
    std::unique_ptr<app_state> state;
    bool ready = prepare(*this);
    situation_fuzz_scene world;
    static bool prepare(environment& e) {
        g_app = &e.app;
        fresh_state(e.state);
        fs_make_folder("scenarios");
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    if (!run_scenario_file(env->world, *env->state, data, size)) __builtin_trap();
    return 0;
}
