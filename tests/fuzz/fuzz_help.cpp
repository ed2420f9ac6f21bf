// libFuzzer target: the help pages showing arbitrary texts (tests/fuzz/help_text.h).
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/recording_device.h"
#include "platform/text.h"
#include "tests/fuzz/help_text.h"
#include "ui/gui_hooks.h"
#include "ui/overlay2d.h"
#include "ui/overlay_painter.h"

namespace {

void vga(int* w, int* h) {
    *w = 640;
    *h = 480;
}

// The overlay's painter for text only: frames, fills and pictures are the GUI's drawing, not
// the help pages', and recording each of them would take nearly all of every run.
class text_painter : public overlay_painter {
public:
    using overlay_painter::overlay_painter;
    void fill_rect(float, float, float, float, std::uint32_t) override {}
    void draw_rect(float, float, float, float, std::uint32_t) override {}
    void draw_line(float, float, float, float, std::uint32_t) override {}
    void draw_bevel(float, float, float, float, bool, std::uint32_t, std::uint32_t) override {}
    void fill_triangle(float, float, float, float, triangle_dir, std::uint32_t, bool) override {}
    void draw_tab(float, float, float, float, std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void draw_texture(float, float, float, float, std::uint32_t, gfx_texture*, bool) override {}
    void draw_rotated_texture(float, float, float, float, float, std::uint32_t, gfx_texture*) override {}
};

// The GUI as the program sets it up, on a recording device of a 640 x 480 back buffer.
struct environment {
    d3d_app app;
    app_state state;
    std::unique_ptr<recording_device> device;
    overlay2d overlay;
    std::unique_ptr<text_painter> painter;
    std::unique_ptr<gui> root;
    help_texts texts;
    environment() {
        g_app = &app;
        g_state = &state;
        copy_text(app.title, "Ventrask");
        copy_text(app.version, "Version 1.5.0");
        present_params p;
        p.back_buffer_width = 640;
        p.back_buffer_height = 480;
        p.back_buffer_format = FMT_X8R8G8B8;
        device = std::make_unique<recording_device>(p);
        overlay.make_splash = nullptr;
        g_overlay = &overlay;
        overlay.set_device(device.get());
        overlay.set_gui_scale(640, 480);
        overlay.update_scale();
        overlay.rescale_fonts();
        ui_hooks().viewport_size = vga;
        painter = std::make_unique<text_painter>(&overlay);
        set_painter(painter.get());
        root = std::make_unique<gui>();
        g_gui = root.get();
        root->init();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static environment* env = new environment;
    env->app.clear_log();
    env->device->clear_records();
    run_help_text(*env->root, env->texts, data, size);
    return 0;
}
