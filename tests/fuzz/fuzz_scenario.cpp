// libFuzzer target: a scenario file read, written and read again, and its run file read into
// a scene (tests/fuzz/scenario_file.h).
#include "tests/fuzz/scenario_file.h"
#include "tests/fuzz/situation_fuzz_environment.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static situation_fuzz_environment* env = new situation_fuzz_environment("scenarios");
    env->app.clear_log();
    if (!run_scenario_file(env->world, *env->state, data, size)) __builtin_trap();
    return 0;
}
