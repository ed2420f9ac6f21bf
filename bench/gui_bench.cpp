#include <benchmark/benchmark.h>

#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "ui/gui.h"

namespace {

// A run-mode root with a few framed dialogs, each holding a list of n items: the tree the
// hover test walks on every mouse move.
void build(gui& root, int dialogs, int items) {
    root.create(-1, -1, 1, 1, window_kind::menu_bar);
    for (int d = 0; d < dialogs; ++d) {
        gui_window* w = root.add_window();
        const float x = -0.9f + 0.3f * static_cast<float>(d);
        w->create(x, -0.8f, x + 0.6f, 0.8f, window_kind::resizable_window);
        gui_window* list = w->add_window();
        list->create(x + 0.05f, -0.7f, x + 0.55f, 0.6f, window_kind::list_box);
        for (int i = 0; i < items; ++i) list->list_add_item(("Item " + std::to_string(i)).c_str());
    }
}

}  // namespace

static void BM_GuiHover(benchmark::State& state) {
    d3d_app app;
    g_app = &app;
    app_state s;
    g_state = &s;
    gui root;
    g_gui = &root;
    build(root, 4, static_cast<int>(state.range(0)));
    int x = 0;
    for (auto _ : state) {
        root.on_mouse_move(x, 240, 0);
        x = (x + 7) % 640;
    }
    g_gui = nullptr;
    g_state = nullptr;
    g_app = nullptr;
}
BENCHMARK(BM_GuiHover)->Arg(20)->Arg(200);
