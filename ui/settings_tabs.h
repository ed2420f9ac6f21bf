// The row of tabs the settings pages share: "Video", "Sound", "Joystick", "Buttons" and
// "Graphics". A tab sets the pending command of its page (5 to 9) and hides the page it sits
// on, so the chosen page opens on the next GUI update.
#pragma once

#include "ui/gui_window.h"

// Adds the five tabs between y1 and y2 (GUI units of the window).
void add_settings_tabs(gui_window* w, float y1, float y2);
// When the pressed element is one of the tabs: its pending command, the click sound and the
// page hidden; true. False for any other element.
bool settings_tab_clicked(gui_window* w);

// A slider's value 0..255 on the settings pages, to a thousandth of a step: the thumb's
// position times its scale lands a hair off whole steps, and the pages truncate their
// conversions (the end of the music slider must read 255, not 254.99998).
float settings_slider_value(const gui_window* slider);
