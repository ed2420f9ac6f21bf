// libFuzzer target: a scenery light's definition file loaded (tests/fuzz/light_definition.h).
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/light_definition.h"
#include "tests/fuzz/model_environment.h"

namespace {

struct environment {
    fuzz_folder files;
    model_environment models;
    environment() { fs_make_folder("graphics"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->models.app.clear_log();
    shared_model_cache().clear();
    if (!run_light_definition(data, size)) __builtin_trap();
    return 0;
}
