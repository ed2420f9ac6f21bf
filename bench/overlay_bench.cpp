// The overlay's text: building the glyph textures (at start-up and after every resize) and
// laying out a screen's worth of batched text per frame (one draw per font).
#include <benchmark/benchmark.h>

#include "platform/recording_device.h"
#include "ui/overlay2d.h"

namespace {

present_params params_of(int width, int height) {
    present_params p;
    p.back_buffer_width = static_cast<std::uint32_t>(width);
    p.back_buffer_height = static_cast<std::uint32_t>(height);
    p.back_buffer_format = FMT_X8R8G8B8;
    return p;
}

void BM_RescaleFonts1920(benchmark::State& state) {
    recording_device device(params_of(1920, 1080));
    overlay2d overlay;
    overlay.set_device(&device);
    overlay.set_gui_scale(1920, 1080);
    for (auto _ : state) overlay.rescale_fonts();
    overlay.set_device(nullptr);
}
BENCHMARK(BM_RescaleFonts1920)->Unit(benchmark::kMillisecond);

void BM_BatchedTextLayout(benchmark::State& state) {
    recording_device device(params_of(1280, 960));
    overlay2d overlay;
    overlay.set_device(&device);
    overlay.set_gui_scale(1280, 960);
    overlay.rescale_fonts();
    d3d_font& font = *overlay.font(FONT_NORMAL);
    const char* line = "Missile 3 launched at 12:04:31, target range 18.2 km, closing 950 m/s";
    for (auto _ : state) {
        font.begin_batch();
        for (int i = 0; i < 60; ++i) {
            font.draw_text(-1.9f, 1.9f - 0.06f * i, 1.9f, -1.9f, line, TEXT_WRAP, 0, 0,
                           overlay.text_scale[0], overlay.text_scale[1], 0xFFFFFFFFu);
        }
        benchmark::DoNotOptimize(font.batch_triangles());
    }
    state.SetItemsProcessed(state.iterations() * 60);
    overlay.set_device(nullptr);
}
BENCHMARK(BM_BatchedTextLayout);

}  // namespace
