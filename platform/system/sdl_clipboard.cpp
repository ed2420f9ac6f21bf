#include "platform/system/sdl_clipboard.h"

#include <SDL.h>

#include "platform/clipboard.h"

bool sdl_clipboard_set_text(const char* text) {
    if (text == nullptr || SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    return SDL_SetClipboardText(text) == 0;
}

void install_sdl_clipboard() { set_clipboard_backend(sdl_clipboard_set_text); }

void remove_sdl_clipboard() {
    if (current_clipboard_backend() == sdl_clipboard_set_text) set_clipboard_backend(nullptr);
}
