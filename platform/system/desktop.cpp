#include "platform/desktop.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"

bool open_with_desktop(const char* target) {
    if (target == nullptr || target[0] == '\0') return false;
    std::string url = target;
    if (url.find("://") == std::string::npos) {
        std::string path = fs_host_path(target);
        if (char* full = realpath(path.c_str(), nullptr)) {
            path = full;
            std::free(full);
        }
        url = "file://" + path;
    }
    return SDL_OpenURL(url.c_str()) == 0;
}

void set_pointer_shape(pointer_shape shape) {
    static SDL_Cursor* cursors[4] = {};
    const int i = static_cast<int>(shape);
    if (i < 0 || i > 3 || SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    if (cursors[i] == nullptr) {
        static constexpr SDL_SystemCursor k_system[4] = {SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_SIZEALL,
                                                         SDL_SYSTEM_CURSOR_SIZEWE, SDL_SYSTEM_CURSOR_SIZENS};
        cursors[i] = SDL_CreateSystemCursor(k_system[i]);
    }
    if (cursors[i] != nullptr) SDL_SetCursor(cursors[i]);
}

std::vector<display_mode> list_display_modes() {
    std::vector<display_mode> modes;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        display_mode d;
        d.width = static_cast<std::uint32_t>(m.w);
        d.height = static_cast<std::uint32_t>(m.h);
        d.refresh_rate = static_cast<std::uint32_t>(m.refresh_rate);
        d.format = m.format == SDL_PIXELFORMAT_RGB565 ? FMT_R5G6B5 : FMT_X8R8G8B8;
        modes.push_back(d);
    }
    return modes;
}
