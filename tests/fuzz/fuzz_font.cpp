// libFuzzer target: the texture fonts and their cache file fed arbitrary text and sizes
// (tests/fuzz/font_text.h).
#include "core/d3d_app.h"
#include "platform/recording_device.h"
#include "tests/fuzz/font_text.h"
#include "tests/fuzz/fuzz_environment.h"

namespace {

present_params vga() {
    present_params p;
    p.back_buffer_width = 640;
    p.back_buffer_height = 480;
    p.back_buffer_format = FMT_X8R8G8B8;
    return p;
}

struct environment {
    fuzz_folder files;
    d3d_app app;
    bool installed = install(app);
    recording_device device{vga()};
    font_set fonts{&device};
    static bool install(d3d_app& a) {
        g_app = &a;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    run_font_text(env->fonts, data, size);
    return 0;
}
