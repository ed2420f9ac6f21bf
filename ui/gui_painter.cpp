#include "ui/gui_painter.h"

namespace {
gui_painter* g_painter = nullptr;
}  // namespace

gui_painter* current_painter() { return g_painter; }
void set_painter(gui_painter* painter) { g_painter = painter; }
