#include "platform/clipboard.h"

namespace {
clipboard_backend g_backend = nullptr;
}

void set_clipboard_backend(clipboard_backend backend) { g_backend = backend; }

clipboard_backend current_clipboard_backend() { return g_backend; }

bool clipboard_set_text(const char* text) {
    if (g_backend == nullptr || text == nullptr) return false;
    return g_backend(text);
}
