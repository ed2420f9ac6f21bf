// The system clipboard. The main window installs the real backend when the window system
// starts (platform/system/sdl_clipboard.h) and removes it when it ends; without one nothing
// can be put on the clipboard.
#pragma once

using clipboard_backend = bool (*)(const char* text);

void set_clipboard_backend(clipboard_backend backend);
// The installed backend, or none.
clipboard_backend current_clipboard_backend();
// Puts plain text on the clipboard; false when there is no clipboard or it refuses the text.
bool clipboard_set_text(const char* text);
