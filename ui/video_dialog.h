// The video page of the settings, the first of the tab row: the full-screen display mode, the
// 24-bit depth buffer, windowed or full-screen rendering, and the GUI's colour scheme. The
// mode list is captured from the display when the page is built; "Accept" takes its choice
// from that list (a display whose modes changed meanwhile cannot slip another mode in), and
// with no mode selected the stored full-screen mode stays.
#pragma once

#include <vector>

#include "platform/gfx_types.h"

// The display's modes as the list shows them: the 16-bit (R5G6B5) modes first, then the
// 32-bit (X8R8G8B8) ones; other formats are left out.
std::vector<display_mode> video_mode_list(const std::vector<display_mode>& modes);
// The list index of the mode equal to current in size, format and refresh rate (the last one
// when several are), -1 when none is.
int video_mode_index(const std::vector<display_mode>& list, const display_mode& current);

// The colour schemes by index (0..6).
constexpr int k_colour_schemes = 7;
extern const char* const k_colour_scheme_names[k_colour_schemes];
