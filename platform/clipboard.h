// The system clipboard. The window layer installs the real backend; without one nothing can
// be put on the clipboard.
#pragma once

using clipboard_backend = bool (*)(const char* text);

void set_clipboard_backend(clipboard_backend backend);
// Puts plain text on the clipboard; false when there is no clipboard.
bool clipboard_set_text(const char* text);
