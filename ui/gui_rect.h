// One element of a GUI window: a box with a kind (button, label, list item, thumb...), a text
// buffer sized by the kind, up to three textures, its colours in the normal, pressed and
// hover looks, and behaviour flags. Windows own their elements; screens fill them on their
// build event and recognise clicks by comparing the pressed element with pointers they keep.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx_device.h"

// Element kinds. The frame elements of the window kinds use the first ones; 38 and above
// are plain bands.
namespace rect_kind {
enum : int {
    body = 0,
    title_bar = 1,
    close_button = 2,
    maximise_button = 3,
    up_arrow = 4,
    down_arrow = 5,
    left_arrow = 6,
    right_arrow = 7,
    check_box = 8,
    button = 9,
    text_area = 10,
    label = 11,
    horizontal_thumb = 12,
    vertical_thumb = 13,
    track = 14,
    list_area = 15,
    list_item = 16,
    image = 17,
    menu_strip = 18,
    caption = 19,
    menu_entry = 20,
    drop_down_field = 21,
    position_pad = 22,
    knob = 23,
    edit_field = 24,
    framed_panel = 25,
    tab_button = 26,
    outline = 27,
    corner_upper_left = 28,
    corner_upper_right = 29,
    corner_lower_left = 30,
    corner_lower_right = 31,
    edge_left = 32,
    edge_right = 33,
    edge_bottom = 34,
    edge_top = 35,
    icon_button = 36,
    large_button = 37,
    band = 38,
};
}  // namespace rect_kind

// The knob's picture among the embedded resources: a round cap whose mark points up at
// angle 0; the knob turns it by its value.
constexpr int IDB_KNOB = 174;

// Text buffer sizes by kind.
constexpr int k_rect_text_size = 128;
constexpr int k_text_area_size = 16384;
constexpr int k_edit_field_size = 2048;

struct rgba {
    int r, g, b, a;
};
struct rgb {
    int r, g, b;
};

// Whether the GUI font a is one of the smaller ones taken in turn for a text too wide in b
// (large, medium, 12-point bold, small).
bool gui_font_is_smaller(int a, int b);

class gui_rect {
public:
    gui_rect() = default;
    virtual ~gui_rect();
    gui_rect(const gui_rect&) = delete;
    gui_rect& operator=(const gui_rect&) = delete;

    // Stores box and kind, colours the element for the kind's style and the current colour
    // scheme, sets the kind's flags and gives it a zeroed text buffer of the kind's size. A
    // knob takes its picture (IDB_KNOB) as its image texture.
    void set(float x1, float y1, float x2, float y2, int kind);
    // The colours of a style (0 body ... 7 large button) in the current colour scheme.
    void set_colours(int style);

    // Bounded copy into the element's text (cut to the buffer less one); nothing without one.
    void set_text(const char* text);
    bool has_text() const { return text != nullptr; }
    int text_capacity() const { return text_size; }
    // Loads a text file into the element's own text (edit fields and text areas), at most its
    // buffer less 2 characters; with after_marker the text after the first '@' line is
    // taken. Offsets go back to 0. False when the file cannot be read.
    bool load_text_file(const char* path, bool after_marker);

    // The box used for hit tests and drawing: the stored one moved by the offsets the kind
    // and flags call for.
    void shifted_box(float* x1, float* y1, float* x2, float* y2) const;
    // Pointer tests in window coordinates.
    bool hit_test(float x, float y) const;
    bool hover_test(float x, float y) const;
    // Draws the element in its normal, hover or pressed look (gui_rect_draw.cpp).
    void draw(bool highlighted, bool hovered, float text_scale_x, float text_scale_y,
              bool batched);
    void draw_text_part(bool pressed_look, int font, std::uint32_t colour, float text_scale_x,
                        float text_scale_y, bool batched, std::uint32_t extra_flags = 0);
    // The font the text is drawn in and the narrowing of its width (1 none). Without fit_text
    // the font follows the font flags. With it, a text wider than the box takes the next
    // smaller font (medium, then 12-point bold, then small) until it fits; one that is too wide
    // even in the small font is drawn in a narrowed face of it (gui_font::narrowed), its glyphs
    // rasterised at the narrower width, batched as other text. Several lines too high for
    // their box are drawn lowered (and narrowed) as a whole, at once and smoothly filtered.
    struct text_fit {
        int font;
        float narrowing;       // of the text's width, 1 when it fits
        float lowering = 1.0f; // of its height (several lines in a low box), 1 when they fit
        int face = -1;         // the face drawn: the font or a narrowed face of it
    };
    // window_scale_x, _y: how much the window's transform scales it (a fitted dialog's
    // scale); the text keeps its pixel size there, so it takes more of a scaled box.
    text_fit fitted_text(float window_scale_x = 1.0f, float window_scale_y = 1.0f) const;
    // The font a column of labels, check boxes or buttons shares (set by their window before
    // it draws them, -1 none): when one caption needs a smaller font, its neighbours take it
    // too, so the whole column reads at one height. One too wide even in the small font is
    // narrowed on its own; its neighbours keep the font's full width.
    int column_font = -1;

    std::unique_ptr<char[]> text;
    int text_size = 0;
    texture_ptr image_texture;
    texture_ptr pressed_texture;
    texture_ptr icon_texture;
    // A texture shared through the application's texture cache (released through it).
    gfx_texture* cached_texture = nullptr;

    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    float offset_x = 0, offset_y = 0;
    float value_x = 0, value_y = 0;
    float range = 0;
    float scale = 1;
    float blink = 1;
    int kind = rect_kind::band;

    rgba fill{225, 225, 225, 255};
    rgba line{0, 0, 0, 255};
    rgba text_colour{0, 0, 0, 255};
    rgb pressed_fill{255, 255, 255};
    rgb hover_fill{127, 127, 127};
    rgb pressed_line{0, 0, 0};
    rgb hover_line{0, 0, 0};
    rgb pressed_text{0, 0, 0};
    rgb hover_text{0, 0, 0};

    std::uint8_t visible = 1;
    std::uint8_t clickable = 1;
    std::uint8_t hover_highlight = 0;
    std::uint8_t shows_pressed = 1;
    std::uint8_t over_custom = 0;
    std::uint8_t draggable = 0;
    std::uint8_t scrolls = 0;
    std::uint8_t filled = 0;
    std::uint8_t framed = 0;
    std::uint8_t ticked = 0;
    std::uint8_t bevelled = 0;
    std::uint8_t toggle = 0;
    std::uint8_t fixed_pitch = 0;
    std::uint8_t centred = 1;
    std::uint8_t left_text = 0;
    std::uint8_t wrapped = 0;
    std::uint8_t bold = 0;
    std::uint8_t medium_font = 0;
    std::uint8_t large_font = 0;
    std::uint8_t small_font = 0;
    std::uint8_t fit_text = 0;
    std::uint8_t edit = 0;
    std::uint8_t right_marker = 0;
    std::uint8_t left_marker = 0;
    std::uint8_t point_sampled = 0;
};

// One pixel of the 640 x 480 virtual screen in GUI units, the tolerance of hover tests.
constexpr float k_pixel_x = 0.003125f;
constexpr float k_pixel_y = 0.004166f;

// The colour scheme elements are coloured in (0..6; other values colour as 0).
int current_colour_scheme();

// Set while the GUI shows one of its sizing cursors over a handle.
extern std::uint8_t gui_cursor_flag;
