// libFuzzer target: a scenery's place titles read as the map views read them
// (tests/fuzz/map_titles.h).
#include "core/d3d_app.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/map_titles.h"

namespace {

struct environment {
    fuzz_folder files;
    d3d_app app;
    environment() {
        g_app = &app;
        make_titles_folder();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    if (!run_map_titles(data, size)) __builtin_trap();
    return 0;
}
