#include "ui/gui_rect.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/gui_hooks.h"

std::uint8_t gui_cursor_flag = 0;

namespace {

// Fill alpha and the fills of styles 0, 1, 2, 3, 4 and 7 per colour scheme.
struct scheme_colours {
    int alpha;
    rgb fills[6];
};
constexpr scheme_colours k_schemes[7] = {
    {225, {{195, 225, 255}, {47, 75, 138}, {229, 226, 221}, {255, 255, 255}, {229, 226, 221}, {47, 75, 138}}},
    {205, {{20, 91, 155}, {0, 56, 70}, {0, 56, 70}, {255, 255, 255}, {0, 56, 70}, {0, 56, 70}}},
    {205, {{93, 102, 55}, {39, 48, 29}, {121, 125, 100}, {255, 255, 255}, {39, 48, 29}, {39, 48, 29}}},
    {205, {{188, 164, 112}, {74, 58, 46}, {74, 58, 46}, {255, 255, 255}, {105, 86, 55}, {74, 58, 46}}},
    {205, {{0, 56, 70}, {0, 82, 100}, {0, 82, 100}, {20, 91, 155}, {0, 82, 100}, {0, 82, 100}}},
    {205, {{0, 70, 46}, {0, 100, 62}, {0, 100, 62}, {0, 50, 41}, {0, 100, 62}, {0, 100, 62}}},
    {205, {{40, 40, 40}, {80, 80, 80}, {80, 80, 80}, {40, 40, 40}, {80, 80, 80}, {80, 80, 80}}},
};

int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Whether a style draws dark text on its fill in a scheme.
bool dark_text(int scheme, int style) {
    if (style == 1) return false;
    if (scheme == 0) return style != 7;
    return style == 3 && scheme <= 3;
}

// Whether a style draws black lines: dark text always comes with black lines, and the title
// styles (and the large button of the light scheme) frame their white text in black.
bool dark_lines(int scheme, int style) {
    if (style == 1 || (scheme == 0 && style == 7)) return true;
    return dark_text(scheme, style);
}

int text_size_of(int kind) {
    switch (kind) {
        case rect_kind::title_bar:
        case rect_kind::up_arrow:
        case rect_kind::down_arrow:
        case rect_kind::left_arrow:
        case rect_kind::right_arrow:
        case rect_kind::check_box:
        case rect_kind::button:
        case rect_kind::label:
        case rect_kind::list_item:
        case rect_kind::image:
        case rect_kind::caption:
        case rect_kind::menu_entry:
        case rect_kind::drop_down_field:
        case rect_kind::knob:
        case rect_kind::tab_button:
        case rect_kind::icon_button:
        case rect_kind::large_button:
            return k_rect_text_size;
        case rect_kind::text_area: return k_text_area_size;
        case rect_kind::edit_field: return k_edit_field_size;
        default: return 0;
    }
}

int style_of(int kind) {
    switch (kind) {
        case rect_kind::body:
        case rect_kind::check_box:
        case rect_kind::label:
        case rect_kind::outline:
            return 0;
        case rect_kind::title_bar:
        case rect_kind::caption:
        case rect_kind::position_pad:
        case rect_kind::tab_button:
            return 1;
        case rect_kind::close_button:
        case rect_kind::maximise_button:
        case rect_kind::up_arrow:
        case rect_kind::down_arrow:
        case rect_kind::left_arrow:
        case rect_kind::right_arrow:
        case rect_kind::button:
        case rect_kind::horizontal_thumb:
        case rect_kind::vertical_thumb:
            return 2;
        case rect_kind::text_area:
        case rect_kind::list_area:
        case rect_kind::list_item:
        case rect_kind::image:
        case rect_kind::drop_down_field:
        case rect_kind::edit_field:
            return 3;
        case rect_kind::framed_panel: return 5;
        case rect_kind::knob:
        case rect_kind::icon_button:
            return 6;
        case rect_kind::large_button: return 7;
        default:
            if (kind >= rect_kind::corner_upper_left && kind <= rect_kind::edge_top) return 0;
            return 4;
    }
}

}  // namespace

int current_colour_scheme() {
    const int scheme = g_app != nullptr ? g_app->color_scheme : 0;
    return scheme >= 0 && scheme <= 6 ? scheme : 0;
}

gui_rect::~gui_rect() {
    if (cached_texture != nullptr && g_app != nullptr) g_app->release_texture(&cached_texture);
}

void gui_rect::set_colours(int style) {
    if (style == 5 || style == 6) {
        fill = {255, 255, 255, 255};
        line = {0, 0, 0, 255};
        if (style == 5) {
            text_colour = {255, 255, 255, 255};
            pressed_text = hover_text = {255, 255, 255};
        } else {
            text_colour = {0, 0, 0, 255};
            pressed_fill = {165, 255, 0};
            hover_fill = {255, 255, 0};
        }
        return;
    }
    const int scheme = current_colour_scheme();
    const scheme_colours& s = k_schemes[scheme];
    const rgb f = s.fills[style == 7 ? 5 : (style >= 0 && style <= 4 ? style : 0)];
    fill = {f.r, f.g, f.b, s.alpha};
    const int ink = dark_text(scheme, style) ? 0 : 255;
    const int edge = dark_lines(scheme, style) ? 0 : 255;
    line = {edge, edge, edge, 255};
    text_colour = {ink, ink, ink, 255};
    pressed_fill = {clamp255(f.r + 64), clamp255(f.g + 64), clamp255(f.b + 64)};
    // Light fills darken under the pointer, dark ones lighten.
    if (f.r + f.g + f.b < 361) {
        hover_fill = {clamp255(f.r + 128), clamp255(f.g + 128), clamp255(f.b + 128)};
    } else {
        hover_fill = {clamp255(f.r - 128), clamp255(f.g - 128), clamp255(f.b - 128)};
    }
    pressed_line = {line.r, line.g, line.b};
    hover_line = {255 - line.r, 255 - line.g, 255 - line.b};
    pressed_text = {text_colour.r, text_colour.g, text_colour.b};
    hover_text = {255 - text_colour.r, 255 - text_colour.g, 255 - text_colour.b};
}

void gui_rect::set(float ax1, float ay1, float ax2, float ay2, int k) {
    x1 = ax1;
    y1 = ay1;
    x2 = ax2;
    y2 = ay2;
    kind = k;
    set_colours(style_of(k));
    switch (k) {
        case rect_kind::body:
            filled = framed = bevelled = 1;
            shows_pressed = 0;
            break;
        case rect_kind::title_bar:
            filled = framed = bevelled = left_text = bold = 1;
            shows_pressed = 0;
            break;
        case rect_kind::close_button:
        case rect_kind::maximise_button:
        case rect_kind::up_arrow:
        case rect_kind::down_arrow:
        case rect_kind::left_arrow:
        case rect_kind::right_arrow:
        case rect_kind::horizontal_thumb:
        case rect_kind::vertical_thumb:
            filled = bevelled = 1;
            break;
        // The fonts grow with the window faster than a check box: a caption too long for the
        // room beside its square takes a smaller font rather than running under it.
        case rect_kind::check_box: fit_text = 1; break;
        case rect_kind::button: filled = bevelled = hover_highlight = 1; break;
        case rect_kind::text_area:
            filled = framed = 1;
            centred = 0;
            break;
        case rect_kind::label: clickable = 0; break;
        case rect_kind::track: filled = framed = 1; break;
        case rect_kind::list_area:
            filled = framed = 1;
            clickable = 0;
            break;
        case rect_kind::list_item: left_text = 1; break;
        case rect_kind::image:
            framed = bold = 1;
            clickable = centred = 0;
            break;
        case rect_kind::menu_strip: hover_highlight = 1; break;
        case rect_kind::caption:
            filled = framed = left_text = bold = 1;
            clickable = 0;
            break;
        case rect_kind::menu_entry:
            filled = hover_highlight = 1;
            centred = 0;
            break;
        case rect_kind::drop_down_field:
            filled = framed = 1;
            clickable = 0;
            break;
        case rect_kind::position_pad:
            over_custom = 1;
            offset_x = (x2 - x1) / 2;
            offset_y = (y2 - y1) / 2;
            break;
        case rect_kind::knob:
            hover_highlight = bold = 1;
            ui_load_resource_texture(IDB_KNOB, &image_texture, false);
            break;
        case rect_kind::edit_field: filled = framed = edit = 1; break;
        case rect_kind::framed_panel: framed = 1; break;
        case rect_kind::tab_button: hover_highlight = bold = 1; break;
        case rect_kind::outline:
            framed = 1;
            shows_pressed = 0;
            break;
        case rect_kind::icon_button: hover_highlight = bold = 1; break;
        case rect_kind::large_button: filled = bevelled = large_font = hover_highlight = 1; break;
        default:
            if (k >= rect_kind::corner_upper_left && k <= rect_kind::edge_top) {
                hover_highlight = 1;
            } else if (k >= rect_kind::band) {
                filled = framed = 1;
                clickable = 0;
            }
            break;
    }
    text_size = text_size_of(k);
    text.reset();
    if (text_size > 0) text = std::make_unique<char[]>(static_cast<std::size_t>(text_size));
}

void gui_rect::set_text(const char* t) {
    if (text) copy_bounded(text.get(), static_cast<std::size_t>(text_size), t);
}

void gui_rect::shifted_box(float* ax1, float* ay1, float* ax2, float* ay2) const {
    float dx = 0, dy = 0;
    if (kind == rect_kind::horizontal_thumb) {
        dx = offset_x;
    } else if (kind == rect_kind::vertical_thumb || kind == rect_kind::list_item) {
        dy = offset_y;
    } else if (scrolls) {
        dx = offset_x;
        dy = offset_y;
    }
    *ax1 = x1 + dx;
    *ay1 = y1 + dy;
    *ax2 = x2 + dx;
    *ay2 = y2 + dy;
}

bool gui_rect::hit_test(float x, float y) const {
    if (!clickable || !visible) return false;
    float bx1, by1, bx2, by2;
    shifted_box(&bx1, &by1, &bx2, &by2);
    return bx1 < x && x < bx2 && by1 < y && y < by2;
}

bool gui_rect::hover_test(float x, float y) const {
    if (!visible) return false;
    auto near = [&](float bx1, float by1, float bx2, float by2) {
        return bx1 - k_pixel_x <= x && x <= bx2 + k_pixel_x && by1 - k_pixel_y <= y &&
               y <= by2 + k_pixel_y;
    };
    if (!hover_highlight) {
        if (draggable && near(x1, y1, x2, y2)) ui_show_cursor(gui_cursor::size_all);
        return false;
    }
    float bx1, by1, bx2, by2;
    shifted_box(&bx1, &by1, &bx2, &by2);
    if (!near(bx1, by1, bx2, by2)) return false;
    if (kind == rect_kind::knob ||
        (kind >= rect_kind::corner_upper_left && kind <= rect_kind::corner_lower_right)) {
        ui_show_cursor(gui_cursor::size_all);
        gui_cursor_flag = 1;
    } else if (kind == rect_kind::edge_left || kind == rect_kind::edge_right) {
        ui_show_cursor(gui_cursor::size_we);
        gui_cursor_flag = 1;
    } else if (kind == rect_kind::edge_bottom || kind == rect_kind::edge_top) {
        ui_show_cursor(gui_cursor::size_ns);
        gui_cursor_flag = 1;
    }
    return true;
}

bool gui_rect::load_text_file(const char* path, bool after_marker) {
    if (!text) return false;
    std::vector<std::uint8_t> bytes;
    if (!fs_read(path, &bytes)) return false;
    std::size_t i = 0;
    if (after_marker) {
        const void* at = bytes.empty() ? nullptr : std::memchr(bytes.data(), '@', bytes.size());
        if (at == nullptr) {
            i = bytes.size();
        } else {
            i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(at) - bytes.data()) + 1;
            // The marker's own line break, CR LF or LF alone: never two bytes blindly.
            if (i < bytes.size() && bytes[i] == '\r') ++i;
            if (i < bytes.size() && bytes[i] == '\n') ++i;
        }
    }
    const std::size_t limit = static_cast<std::size_t>(text_size) - 2;
    std::size_t n = 0;
    int column = 0;
    char* out = text.get();
    for (; i < bytes.size() && n < limit; ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '\r' || c == '\n') {
            out[n++] = c;
            column = 0;
        } else if (c == '\t') {
            // Tab stops every 16 columns; a tab on a stop vanishes.
            while (column % 16 != 0 && n < limit) {
                out[n++] = ' ';
                ++column;
            }
        } else {
            out[n++] = c;
            ++column;
        }
    }
    out[n] = '\0';
    offset_x = offset_y = 0;
    return true;
}
