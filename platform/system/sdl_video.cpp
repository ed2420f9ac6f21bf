#include "platform/system/sdl_video.h"

#include <SDL.h>

#include <cstdlib>

namespace {

// The drivers that show a window to a user, in SDL's own order of preference.
constexpr const char* k_window_systems = "x11,wayland";

bool driver_named_by_user() {
    const char* named = std::getenv("SDL_VIDEODRIVER");
    return named != nullptr && named[0] != '\0';
}

}  // namespace

bool open_sdl_video(std::string* error) {
    if (!driver_named_by_user()) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, k_window_systems, SDL_HINT_OVERRIDE);
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error != nullptr) *error = SDL_GetError();
        return false;
    }
    return true;
}
