#include "ui/gui_painter.h"

#include "ui/gui.h"
#include "ui/gui_hooks.h"

namespace {
gui_painter* g_painter = nullptr;
}  // namespace

gui_painter* current_painter() { return g_painter; }
void set_painter(gui_painter* painter) { g_painter = painter; }

bool gui_text_size(gui_painter* p, int font, const char* text, float size[2]) {
    int texels[2] = {0, 0};
    if (p == nullptr || text == nullptr || !p->text_extent(font, text, texels)) return false;
    int w = 640, h = 480;
    ui_viewport_size(&w, &h);
    if (w <= 0 || h <= 0) return false;
    size[0] = 2 * gui_scale[0] * static_cast<float>(texels[0]) / static_cast<float>(w);
    size[1] = 2 * gui_scale[1] * static_cast<float>(texels[1]) / static_cast<float>(h);
    return true;
}
