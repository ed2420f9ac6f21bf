// The desktop's clipboard through SDL2. The main window installs it as the clipboard backend
// once SDL's video is up (SDL keeps the text and answers other programs' requests for it
// while the program pumps its events) and takes it away before the video goes.
#pragma once

// Puts plain UTF-8 text on the desktop's clipboard; false when SDL's video is not running or
// SDL refuses the text.
bool sdl_clipboard_set_text(const char* text);

// Installs SDL's clipboard as the program's; removing it leaves another installed backend alone.
void install_sdl_clipboard();
void remove_sdl_clipboard();
