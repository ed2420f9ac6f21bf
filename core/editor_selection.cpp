#include "core/editor_selection.h"

#include "core/frame.h"

bool editor_selection::add(frame* f) {
    if (f == nullptr || contains(f) || count >= k_max_selected) return false;
    items[count++] = f;
    return true;
}

bool editor_selection::contains(const frame* f) const {
    for (int i = 0; i < count; ++i) {
        if (items[i] == f) return true;
    }
    return false;
}

void editor_selection::clear() {
    for (int i = 0; i < count; ++i) items[i]->deselect();
    count = 0;
}

void editor_selection::forget(const frame* f) {
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (items[i] != f) items[kept++] = items[i];
    }
    count = kept;
}
