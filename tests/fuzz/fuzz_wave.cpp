// libFuzzer target: a WAVE file parsed, loaded into a sound buffer, played and mixed
// (tests/fuzz/wave_file.h).
#include "core/d3d_app.h"
#include "platform/audio.h"
#include "tests/fuzz/fuzz_environment.h"
#include "tests/fuzz/wave_file.h"

namespace {

struct environment {
    fuzz_folder files;
    d3d_app app;
    sound_system sound;
    environment() {
        g_app = &app;
        g_sound = &sound;
        sound.init_with(open_loopback_audio_device(22050));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    if (!run_wave_file(env->sound, data, size)) __builtin_trap();
    return 0;
}
