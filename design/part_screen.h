// What the part screens (airframe, motor, warhead, fuse, guidance, control unit, launcher) do
// alike beyond the framework of design_screen.h: leaving for the hub, Apply Changes, the jog
// slider let go, the press that turns the preview or opens the slider, the rows of a label and
// its number field, the graph buttons, the item drop-downs and the hidden holders of icons.
#pragma once

#include <cstdint>

#include "design/design_screen.h"
#include "ui/gui_window.h"

struct gfx_texture;

namespace design {

// On a press of Close: the click sound, the design missile re-laid and back to the hub
// (command 14). True when Close was pressed.
bool close_on_press(gui_window* w);

// Apply Changes: the click sound, the fields into the part and the part into the fields, then
// the plot again when the screen has one.
void apply_changes(gui_window* w, bool with_recompute);
// The part into the fields, then the plot again (a build, a load).
void show_again(gui_window* w, bool with_recompute);
// Child committed: when it was the jog slider, the plot again and the part into the fields.
// True when it was the slider.
bool jog_committed(gui_window* w, bool with_recompute);

// A press: on the body the preview's drag starts; on a field the jog slider opens under it.
void view_and_jog_on_press(gui_window* w, view_state& v);

// How a screen's preview turns and zooms.
struct preview_rules {
    bool two_axes;  // pitch as well as yaw
    float wheel_step, zoom_low, zoom_high;
};
// The events every part screen answers alike: the press (view_and_jog_on_press), the drag
// turning the preview, the wheel zooming it and the jog slider's child changed. True when the
// event was one of them.
bool preview_event(gui_window* w, int event, view_state& v, const preview_rules& rules);

// A number field (a, y)-(c, y + 0.05) in the medium font, its element index in private word
// `word`.
gui_rect* add_number_field(gui_window* w, const units& u, float a, float y, float c, int word);
// A row: the label from a to b and its number field from b to c.
gui_rect* add_number_row(gui_window* w, const units& u, float a, float b, float c, float y,
                         const char* label, int word);

// Which of `count` buttons in the private words from `first_word` on was pressed; -1 none.
int pressed_button(const gui_window* w, int first_word, int count);

// A drop-down (a, b)-(c, d) of the items in order, bold.
gui_window* add_item_drop_down(gui_window* w, const units& u, float a, float b, float c, float d,
                               const char* const* items, int count);

// Every element but the window's background is drawn after the screen's own drawing, so a 3-D
// preview grown large (a short airframe with wide wings) passes behind the panels and
// buttons, never over them. Called at the end of a build.
void panels_over_preview(gui_window* w);

// A hidden element that only holds an icon's picture (black is transparent), and the picture.
void add_icon_holder(gui_window* w, int word, int picture);
gfx_texture* held_icon(const gui_window* w, int word);

// A caption a screen draws itself on its plot (bold, at once), from the lower-left corner of
// the box (x1, y1)-(x2, y2). The font drops glyphs outside their box, so a box narrower or
// lower than the text is stretched to it from that corner.
void draw_caption(const gui_window* w, float x1, float y1, float x2, float y2, const char* text,
                  std::uint32_t colour);
// The width and height (GUI units) such a caption takes; 0 and 0 when nothing draws.
struct caption_extent {
    float width = 0;
    float height = 0;
};
caption_extent caption_size(const char* text);

}  // namespace design
