// The small computations behind the run screens, kept apart so they can be checked alone.
#pragma once

#include <cstddef>

class gui_window;

struct rect_box {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The in-run side bar: runs the action of button i (0..7) for the root window; the tooltip
// box of a button for the pointer at (x, y), growing to the left with the name's length.
void run_side_bar_button(gui_window* root, int i);
rect_box side_bar_tooltip_box(int button, float x, float y);
// The number (from 1) of the pressed entry of a drop-down menu, 0 for none; and the window a
// menu opens its dialogs on (the menu bar that owns the drop-down).
int pressed_menu_item(const gui_window* menu);
gui_window* menu_owner(gui_window* menu);

// The results' score in percent: with rockets fired F, rockets that hit the defended area H
// and debris that hit it D, 100 (1 - 0.75 H / F - 0.25 D / F) in single precision, truncated
// toward zero; 0 when nothing was fired. Negative when many rockets and debris hit.
int results_score_percent(int fired, int hits, int debris);

// The first free number n (0..255) of "situations\Situation %03d.txt"; 256 when all exist.
int free_situation_number();

// A situation name the save dialog accepts: not empty, at most 100 characters, no '/', '\' or
// control characters, and neither "." nor "..".
bool valid_situation_name(const char* name);

// The status line's fields. Time of day in hours as "hh:mm:ss"; a longitude or latitude in
// degrees as "dd:mm:ssE" (W, N, S); the heading in whole degrees 0..359 from the camera yaw.
void format_time_of_day(float hours, char* out, std::size_t size);
void format_angle(float degrees, char positive, char negative, char* out, std::size_t size);
int heading_degrees(float yaw);

// The head-up status line of a run (drawn by the GUI root while it is the in-run menu bar,
// before its windows); takes the event message line into the history.
void draw_status_line();
