// libFuzzer target: an animated, skinned .x model loaded and played
// (tests/fuzz/skinned_model.h).
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/model_environment.h"
#include "tests/fuzz/skinned_model.h"

namespace {

struct environment {
    fuzz_folder files;
    model_environment models;
    environment() { fs_make_folder("models"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->models.app.clear_log();
    if (!run_skinned_model(env->models.state, data, size)) __builtin_trap();
    return 0;
}
