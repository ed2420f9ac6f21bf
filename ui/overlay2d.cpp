#include "ui/overlay2d.h"

overlay2d* g_overlay = nullptr;

overlay2d::overlay2d() = default;

overlay2d::~overlay2d() {
    if (g_overlay == this) g_overlay = nullptr;
}
