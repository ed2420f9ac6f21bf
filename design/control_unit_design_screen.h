// The control unit screen: the design system's fire control, its radar and command post models
// chosen from their folders, the protected radius, the launch range and how many targets it
// engages at once, with both models in a preview that turns about the vertical only.
// "controls\<name>.txt" holds its definition. The model drop-downs are shared with the
// launcher screen.
#pragma once

#include "design/design_screen.h"
#include "ui/gui_window.h"

namespace design {

// A drop-down of the models of a pattern, (0.52, y)-(0.92, y + 0.05) of the screen, its child
// index in private word `word`.
void add_model_drop_down(gui_window* w, const units& u, float y, const char* pattern, int word);
// Fills a drop-down with the sub-folders that a pattern such as "radars\*" lists, in the
// listing's order, bold; files are left out.
void fill_model_drop_down(gui_window* box, const char* pattern);
// Chooses the model of this name; a name that is not listed leaves nothing chosen and is shown
// as it is, so that an Apply keeps it.
void choose_model(gui_window* box, const char* name);
// The chosen model's name; none when nothing is chosen.
const char* chosen_model(const gui_window* box);

}  // namespace design
