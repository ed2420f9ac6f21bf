// libFuzzer target: the settings file "qvd.ini" read, written and read again
// (tests/fuzz/settings_file.h).
#include "platform/scripted_window.h"
#include "platform/window.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/settings_file.h"

namespace {

struct environment {
    fuzz_folder files;
    scripted_window window;
    bool shown = show(window);
    settings_holders holders;
    static bool show(scripted_window& w) {
        set_main_window(&w);
        w.create("Ventrask", 0, 0, 1024, 768);
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    // A setting that does not survive its own write and read is a fault of the reader.
    if (!run_settings_file(env->holders, data, size)) __builtin_trap();
    return 0;
}
