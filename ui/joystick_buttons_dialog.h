// The joystick buttons page of the settings: the list of button actions with the controller
// button each is assigned, filled in by pressing a button while an action is selected. A
// button that always reads as pressed can be set aside first with "Ignore Pressed".
#pragma once

#include <cstddef>
#include <cstdint>

class joystick_input;

// The list text of action i: "<name> - Btn <b> - Joy <d>" when assigned, else the name.
void format_button_action(const joystick_input& joy, int action, char* out, std::size_t cap);
// The first button (of the first 16 of each controller, controllers in order) that is down
// and not ignored, as its code (device << 8) | (button + 1); 0 when there is none.
std::uint16_t first_new_button(const joystick_input& joy,
                               const std::uint8_t ignored[][16], int devices);
// Gives action the button code and takes it from every other action.
void assign_button(joystick_input& joy, int action, std::uint16_t code);
