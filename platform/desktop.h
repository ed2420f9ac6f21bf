// What the program asks of the desktop around its window: opening a document or a web
// address with the user's default program, and the shape of the mouse pointer.
#pragma once

#include <vector>

#include "platform/gfx_types.h"

// Pointer shapes: the arrow, and the sizing shapes shown over window handles.
enum class pointer_shape { arrow, size_all, size_we, size_ns };

// Opens a web address ("https://...") or a program file name ("help\index.htm", found as
// the files layer finds it) with the desktop's default program. False when nothing could
// be started; the program goes on either way.
bool open_with_desktop(const char* target);

// Shows a pointer shape over the program's window.
void set_pointer_shape(pointer_shape shape);

// The full-screen modes of the first display, in the order the window system lists them:
// 16-bit modes (R5G6B5) and 32-bit ones (X8R8G8B8). Empty without a display.
std::vector<display_mode> list_display_modes();
