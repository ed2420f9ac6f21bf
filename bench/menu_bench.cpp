// The main menu frame on the OpenGL device of an off-screen context at 1024 x 768: clear, the
// GUI pass, and the picture read back (which waits for the drawing). The counter "state
// calls" is what the device handed to GL per frame; the argument switches the device's record
// of the GL state off (0) or on (1).
#include <benchmark/benchmark.h>

#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/resources.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/overlay2d.h"
#include "ui/overlay_painter.h"

namespace {

constexpr int k_width = 1024, k_height = 768;

void screen_size(int* w, int* h) {
    *w = k_width;
    *h = k_height;
}

}  // namespace

static void BM_MenuFrame(benchmark::State& state) {
    offscreen_gl context;
    if (!context.ok()) {
        state.SkipWithError("no OpenGL");
        return;
    }
    std::unique_ptr<gfx_device> device;
    {
        gl_system system(gl_window_hooks{});
        present_params p;
        p.back_buffer_width = k_width;
        p.back_buffer_height = k_height;
        p.enable_auto_depth_stencil = 1;
        p.auto_depth_stencil_format = FMT_D24S8;
        system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &device);
    }
    auto& shadow = static_cast<gl_device*>(device.get())->state_shadow();
    shadow.set_enabled(state.range(0) != 0);
    register_embedded_resources();
    d3d_app app;
    app_state app_state_object;
    g_app = &app;
    g_state = &app_state_object;
    copy_text(app.title, "Ventrask");
    app.use_tips = 0;
    ui_hooks() = gui_hooks{};
    ui_hooks().viewport_size = screen_size;
    {
        overlay2d overlay;
        overlay.make_splash = nullptr;
        g_overlay = &overlay;
        overlay.set_device(device.get());
        overlay.set_gui_scale(k_width, k_height);
        overlay.rescale_fonts();
        overlay.update_scale();
        overlay_painter painter(&overlay);
        set_painter(&painter);
        gui root;
        g_gui = &root;
        root.init();
        long calls = 0;
        for (auto _ : state) {
            shadow.take_calls();
            device->begin_scene();
            device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
            root.render();
            device->end_scene();
            calls = shadow.take_calls();
            locked_rect r;
            device->back_buffer()->lock(&r);
            benchmark::DoNotOptimize(r.bits);
            device->back_buffer()->unlock();
        }
        state.counters["state calls"] = static_cast<double>(calls);
        state.counters["frames/s"] =
            benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
        g_gui = nullptr;
        set_painter(nullptr);
        overlay.set_device(nullptr);
        g_overlay = nullptr;
    }
    flush_closed_windows();
    ui_hooks() = gui_hooks{};
    g_state = nullptr;
    g_app = nullptr;
}
BENCHMARK(BM_MenuFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
