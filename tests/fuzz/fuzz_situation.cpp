// libFuzzer target: a situation file (or a scenario's run file) read into a scene, then read
// in test mode with its test conditions (tests/fuzz/situation_file.h).
#include "tests/fuzz/situation_file.h"
#include "tests/fuzz/situation_fuzz_environment.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static situation_fuzz_environment* env = new situation_fuzz_environment("situations");
    env->app.clear_log();
    if (!run_situation_file(env->world, *env->state, data, size)) __builtin_trap();
    return 0;
}
