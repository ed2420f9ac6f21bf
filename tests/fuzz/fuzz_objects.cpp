// libFuzzer target: a scenery's object index and object list with the lists it includes, read
// into a scene (tests/fuzz/object_lists.h).
#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/object_lists.h"

namespace {

struct environment {
    fuzz_folder files;
    d3d_app app;
    app_state state;
    bool ready = prepare(*this);
    scene world;
    static bool prepare(environment& e) {
        g_app = &e.app;
        g_state = &e.state;
        copy_text(e.state.scenery_name, "Fuzz");
        make_object_folder();
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    if (!run_object_lists(env->world, data, size)) __builtin_trap();
    return 0;
}
