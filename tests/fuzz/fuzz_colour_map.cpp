// libFuzzer target: the sky's colour map read over its defaults (tests/fuzz/sky_colours.h).
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/sky_colours.h"

namespace {

struct environment {
    fuzz_folder files;
    d3d_app app;
    app_state state;
    bool ready = prepare(*this);
    sky heavens;
    static bool prepare(environment& e) {
        g_app = &e.app;
        g_state = &e.state;
        fs_make_folder("graphics");
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    if (!run_colour_map(env->heavens, data, size)) __builtin_trap();
    return 0;
}
