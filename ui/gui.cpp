#include "ui/gui.h"

gui* g_gui = nullptr;

gui::gui() = default;

gui::~gui() {
    if (g_gui == this) g_gui = nullptr;
}
