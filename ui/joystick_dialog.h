// The joystick axes page of the settings: for one controller at a time, which of its axes are
// on, their sensitivity and direction, and which logical axis each drives; the relative
// control and the dead zone; live bars of the logical axes while the page is open.
//
// The page lists the axes X, Y, Z, X rotation, Y rotation, Z rotation and slider 1, the
// order of their axis numbers and of the enabled bits; the controller object keeps its scales
// in another order (X, Y, Z, slider, then the rotations), so every scale the page reads or
// writes goes through joystick_input::axis_gain, never straight into the table.
#pragma once

class joystick_input;

// The rows of the page, in axis-number order.
constexpr int k_joystick_rows = 7;

// The scale a sensitivity slider value gives (v / 150, negated when reversed) and back.
float joystick_scale_from_slider(float v, bool reversed);
float joystick_slider_from_scale(float scale);

// "Set Defaults": every controller's axes on, the logical axes cleared and then X, Y, Z (or
// slider 1) and Z rotation (or X rotation) of controller 0 on logical axes 0..3, and the
// scales of the given controller back to 1.
void joystick_set_defaults(joystick_input& joy, int device);
// Row r of controller d chooses logical axis i (i at or past the logical-axis count: none).
// No other logical axis keeps that physical axis; only entries inside the table are written.
void joystick_assign_row(joystick_input& joy, int device, int row, int logical);
// The logical axis row r of controller d drives (the last one found), -1 for none.
int joystick_logical_of_row(const joystick_input& joy, int device, int row);
