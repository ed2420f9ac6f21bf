// Starting SDL's video on a real window system. With no X or Wayland display SDL would fall
// back to its offscreen driver: the window "opens", nothing is seen and the loop runs on at
// full speed. Unless SDL_VIDEODRIVER names a driver (tests name "offscreen" or "dummy"),
// only the window systems are tried, so a start without a display fails and says why.
#pragma once

#include <string>

// SDL_InitSubSystem(SDL_INIT_VIDEO) on a window system; false with SDL's reason in error.
bool open_sdl_video(std::string* error);
