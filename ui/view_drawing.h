// What the views (radar, map, telescope) share: the line list one view fills and draws at
// once, and where a missile system and a flying object stand and point.
#pragma once

#include <cstdint>

#include "platform/math3d.h"
#include "ui/overlay2d.h"

class frame;
class missile_system;

struct view_lines {
    static constexpr int k_max_vertices = 512;
    overlay_vertex vertices[k_max_vertices];
    int count = 0;
};
// The views' one line list (a view fills it and draws it within one draw event).
extern view_lines g_view_lines;

void view_lines_clear();
// Adds a line while the list has room.
void view_lines_add(float x1, float y1, float x2, float y2, std::uint32_t colour);
// Draws the list as one line list on the overlay's device and empties it.
void view_lines_draw();

// The frame that marks a missile system: its command post, else its radar; none without
// either.
const frame* system_frame(const missile_system* system);
// Heading of a frame's z axis, clockwise from north (+z) toward east (+x), in radians.
float frame_heading(const frame* f);

// A box in the current window's coordinates.
struct view_box {
    float x1, y1, x2, y2;
};
// Where a text of `size` is drawn for the box it was given: the box grown about its middle to
// hold the whole text (the font drops every glyph whose middle leaves its box, and the fonts
// grow with the screen while the views' boxes do not), then moved inside `room`.
view_box view_text_box(const view_box& box, vec2 size, const view_box& room);
// The size of a text in an overlay font, in the current window's coordinates.
vec2 view_text_size(const char* s, int font);
// A text centred in its box, grown and kept inside `room` as view_text_box places it; batched
// in the font's open batch.
void view_text(const view_box& box, const char* s, std::uint32_t colour, int font,
               const view_box& room);

// The boxes of the labels a view has drawn this frame, so that the next label keeps clear of
// them (two objects close together would write their labels one over the other).
struct view_labels {
    static constexpr int k_max = 256;
    view_box boxes[k_max];
    int count = 0;
    // Keeps a box while there is room (a full list keeps no more).
    void add(const view_box& b);
    // Whether a box covers none of the kept ones.
    bool free(const view_box& b) const;
};
// Where a label of box `box` goes: the box itself when it is free, else the nearest free place
// a whole number of its heights above or below it (up first) that lies inside `room`; the box
// itself when no place near it is free. The place is kept in `taken`.
view_box view_place_label(view_labels& taken, const view_box& box, const view_box& room);
// view_text that keeps clear of the labels taken, and is taken in turn.
void view_label(view_labels& taken, const view_box& box, const char* s, std::uint32_t colour,
                int font, const view_box& room);
