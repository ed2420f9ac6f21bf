// How one element is drawn: fill, textures, frame, bevel, the glyphs of its kind and its
// text, in the normal, hover or pressed look.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"

namespace {

constexpr float k_two_pi = 6.2831853f;
constexpr std::uint32_t k_black = 0xFF000000u;
constexpr std::uint32_t k_white = 0xFFFFFFFFu;
// The light grey of a check box's sunken edge.
const std::uint32_t k_light_grey = argb(255, 212, 208, 200);

std::uint32_t colour(const rgb& c, int a) { return argb(a, c.r, c.g, c.b); }

void draw_tick(gui_painter* p, float x1, float y1, float x2, float y2, std::uint32_t c) {
    const float mx = x1 + (x2 - x1) * 0.4f;
    p->draw_line(x1 + (x2 - x1) * 0.15f, y1 + (y2 - y1) * 0.5f, mx, y1 + (y2 - y1) * 0.15f, c);
    p->draw_line(mx, y1 + (y2 - y1) * 0.15f, x2 - (x2 - x1) * 0.1f, y2 - (y2 - y1) * 0.1f, c);
}

void draw_marker(gui_painter* p, float x1, float y1, float x2, float y2, bool right,
                 std::uint32_t c) {
    const float tip = right ? x2 : x1, back = right ? x1 : x2, my = (y1 + y2) / 2;
    p->draw_line(back, y1, tip, my, c);
    p->draw_line(tip, my, back, y2, c);
    p->draw_line(back, y2, back, y1, c);
}

// The maximise glyph's outline with a bar one pixel high along its top.
void draw_window_glyph(gui_painter* p, float x1, float y1, float x2, float y2, std::uint32_t c) {
    p->draw_rect(x1, y1, x2, y2, c);
    p->fill_rect(x1, y2 - k_pixel_y, x2, y2, c);
}

int font_of(const gui_rect& r) {
    if (r.large_font) return gui_font::large;
    if (r.medium_font) return gui_font::medium;
    if (r.small_font) return gui_font::small;
    if (r.bold) return gui_font::bold;
    if (r.fixed_pitch) return gui_font::fixed;
    return gui_font::regular;
}

// The font one step smaller, -1 after the small font.
int smaller_font(int font) {
    switch (font) {
        case gui_font::large: return gui_font::medium;
        case gui_font::medium: return gui_font::bold;
        case gui_font::small: return -1;
        default: return gui_font::small;
    }
}


// The smallest narrowing of a text too wide for its box even in the small font.
constexpr float k_min_narrowing = 0.5f;
// Room kept in the box beside the text: the left inset of the layouts and a pixel or two.
constexpr float k_text_margin = 0.03f;
// The square of a check box at the right end of its box (from x2 - 0.07 on).
constexpr float k_check_square = 0.07f;

// The narrowed face of a font a single line is drawn in to fit `room`: the widest of the
// narrowing steps no wider than `narrowing` whose own glyphs, measured as drawn, fit the room
// (the narrowest step when none does). Its glyphs are rasterised at that width, so thin
// strokes and points keep their coverage where glyphs of the full width squeezed would lose
// them, and it is batched with the other text.
template <typename Measure>
int narrowed_face(int font, float narrowing, float room, const Measure& measure) {
    const int first = static_cast<int>(std::ceil((1.0f - narrowing) / gui_font::k_narrowing_step - 1e-3f));
    const int last = static_cast<int>(std::lround((1.0f - k_min_narrowing) / gui_font::k_narrowing_step));
    for (int step = std::clamp(first, 1, last); step < last; ++step) {
        float size[2] = {0, 0};
        if (measure(gui_font::narrowed(font, step), size) && size[0] <= room) return gui_font::narrowed(font, step);
    }
    return gui_font::narrowed(font, last);
}

}  // namespace

bool gui_font_is_smaller(int a, int b) {
    for (int f = smaller_font(b); f >= 0; f = smaller_font(f)) {
        if (f == a) return true;
    }
    return false;
}

gui_rect::text_fit gui_rect::fitted_text(float window_scale_x, float window_scale_y) const {
    text_fit fit{font_of(*this), 1.0f};
    fit.face = fit.font;
    gui_painter* p = current_painter();
    if (!fit_text || wrapped || !text || text[0] == '\0' || p == nullptr) return fit;
    float bx1, by1, bx2, by2;
    shifted_box(&bx1, &by1, &bx2, &by2);
    // A check box's text leaves room for its square at the right end, a list item's for the
    // tick of the chosen item.
    const float square = kind == rect_kind::check_box || kind == rect_kind::list_item ? k_check_square : 0.0f;
    const float room = (bx2 - bx1) - k_text_margin - square;
    // A single line may stand a little higher than its row; several lines must fit its height.
    const float height_room = std::strchr(text.get(), '\n') != nullptr ? by2 - by1 : 1e9f;
    if (room <= 0 || height_room <= 0) return fit;
    // A text's size in the window's own units.
    const auto measure = [&](int font, float size[2]) {
        if (!gui_text_size(p, font, text.get(), size)) return false;
        if (window_scale_x > 0) size[0] /= window_scale_x;
        if (window_scale_y > 0) size[1] /= window_scale_y;
        return true;
    };
    float size[2] = {0, 0};
    if (!measure(fit.font, size)) return fit;
    while (size[0] > room || size[1] > height_room) {
        const int next = smaller_font(fit.font);
        if (next < 0 || !measure(next, size)) {
            measure(fit.font, size);
            if (size[0] > room) fit.narrowing = std::max(k_min_narrowing, room / size[0]);
            if (size[1] > height_room) fit.lowering = std::max(k_min_narrowing, height_room / size[1]);
            break;
        }
        fit.font = next;
    }
    // A column's smaller font, where it is smaller than this caption's own. Only a caption too
    // wide for that font is narrowed: its neighbours keep the font's own width.
    if (column_font >= 0 && fit.narrowing == 1.0f && gui_font_is_smaller(column_font, fit.font)) {
        fit.font = column_font;
    }
    fit.face = fit.font;
    // Narrowed lines take the narrowed face that fits; several lines lowered into a low box
    // are drawn squeezed as a whole.
    if (fit.narrowing < 1.0f && fit.lowering == 1.0f) {
        const auto measure_face = [&](int face, float face_size[2]) {
            if (!gui_text_size(p, face, text.get(), face_size)) return false;
            if (window_scale_x > 0) face_size[0] /= window_scale_x;
            return true;
        };
        fit.face = narrowed_face(fit.font, fit.narrowing, room, measure_face);
        fit.narrowing = gui_font::width_of(fit.face);
    }
    return fit;
}

void gui_rect::draw(bool highlighted, bool hovered, float sx, float sy, bool batched) {
    gui_painter* p = current_painter();
    if (!visible || p == nullptr) return;
    const int fill_alpha = std::min(fill.a, static_cast<int>(window_draw_alpha));
    const bool pressed_look = (highlighted || (ticked && toggle)) && shows_pressed;
    rgb f{fill.r, fill.g, fill.b}, l{line.r, line.g, line.b}, t{text_colour.r, text_colour.g, text_colour.b};
    gfx_texture* texture = image_texture ? image_texture.get() : cached_texture;
    if (pressed_look) {
        f = pressed_fill;
        l = pressed_line;
        t = pressed_text;
        if (pressed_texture) texture = pressed_texture.get();
    } else if (hovered) {
        f = hover_fill;
        l = hover_line;
        t = hover_text;
    }
    const std::uint32_t fill_c = colour(f, fill_alpha);
    const std::uint32_t line_c = colour(l, line.a);
    const std::uint32_t text_c = colour(t, text_colour.a);
    float bx1, by1, bx2, by2;
    shifted_box(&bx1, &by1, &bx2, &by2);
    const float icon_x1 = bx2 - 0.75f * (by2 - by1);
    // The check square's inset from the top and bottom: 0.02, less in a row lower than 0.08
    // (a design screen's row at 640 x 480 is 0.05), so the square keeps half the row's height.
    const float inset = std::min(0.02f, 0.25f * (by2 - by1));

    // Underlays of the kind.
    if (kind == rect_kind::check_box) {
        p->fill_rect(bx2 - 0.07f, by1 + inset, bx2 - 0.01f, by2 - inset, k_white);
        p->draw_bevel(bx2 - 0.07f, by1 + inset, bx2 - 0.01f, by2 - inset, false, k_black, k_light_grey);
    } else if (kind == rect_kind::tab_button) {
        // The tab's shape shades from the line colour to the fill colour, both at the fill's
        // alpha, so a faded tab fades as a whole.
        p->draw_tab(bx1, by1, bx2, by2, colour(l, fill_alpha), fill_c, k_black);
    } else if (kind == rect_kind::outline) {
        p->fill_rect(bx1, by1, bx2, by2, argb(64, 127, 191, 255));
        p->draw_rect(bx1, by1, bx2, by2, k_white);
    }
    if (filled) p->fill_rect(bx1, by1, bx2, by2, fill_c);

    // Pictures.
    if (texture == nullptr && icon_texture) {
        p->draw_texture(icon_x1, by1, bx2, by2, k_white, icon_texture.get(), false);
    } else if (texture != nullptr) {
        if (kind == rect_kind::large_button) {
            p->draw_texture(bx1, by1, bx2, by2, argb(128, 255, 255, 255), texture, false);
        } else if (kind == rect_kind::knob) {
            const float half = (bx2 - bx1) / 2;
            p->draw_rotated_texture((bx1 + bx2) / 2, (by1 + by2) / 2, half, half,
                                    offset_x * -k_two_pi, k_white, texture);
        } else if (point_sampled) {
            p->draw_texture(bx1, by1, bx2, by2, k_white, texture, true);
        } else {
            p->draw_texture(bx1, by1, bx2, by2, k_white, texture, false);
            if (icon_texture) p->draw_texture(icon_x1, by1, bx2, by2, k_white, icon_texture.get(), false);
        }
    }
    if (framed) p->draw_rect(bx1, by1, bx2, by2, line_c);
    if (bevelled) p->draw_bevel(bx1, by1, bx2, by2, !pressed_look, k_black, k_white);
    if (right_marker) draw_marker(p, bx1, by1, bx2, by2, true, line_c);
    if (left_marker) draw_marker(p, bx1, by1, bx2, by2, false, line_c);

    // Glyphs of the kind.
    switch (kind) {
        case rect_kind::close_button:
            p->draw_line(bx1 + 0.01f, by1 + 0.0125f, bx2 - 0.01f, by2 - 0.0125f, line_c);
            p->draw_line(bx1 + 0.01f, by2 - 0.0125f, bx2 - 0.01f, by1 + 0.0125f, line_c);
            break;
        case rect_kind::maximise_button:
            if (!ticked) {
                draw_window_glyph(p, bx1 + 0.01f, by1 + 0.0125f, bx2 - 0.01f, by2 - 0.0125f, line_c);
            } else {
                draw_window_glyph(p, bx1 + 0.01f, by1 + 0.0125f, bx2 - 0.02f, by2 - 0.025f, line_c);
                draw_window_glyph(p, bx1 + 0.02f, by1 + 0.025f, bx2 - 0.01f, by2 - 0.0125f, line_c);
            }
            break;
        case rect_kind::up_arrow: p->fill_triangle(bx1, by1, bx2, by2, triangle_dir::up, text_c, true); break;
        case rect_kind::down_arrow: p->fill_triangle(bx1, by1, bx2, by2, triangle_dir::down, text_c, true); break;
        case rect_kind::left_arrow: p->fill_triangle(bx1, by1, bx2, by2, triangle_dir::left, text_c, true); break;
        case rect_kind::right_arrow: p->fill_triangle(bx1, by1, bx2, by2, triangle_dir::right, text_c, true); break;
        case rect_kind::check_box:
            if (ticked) draw_tick(p, bx2 - 0.07f, by1 + inset, bx2 - 0.01f, by2 - inset, k_black);
            break;
        case rect_kind::list_item:
            if (pressed_look) {
                draw_tick(p, bx2 - 0.07f, by1 + 0.02f, bx2 - 0.01f, by2 - 0.02f, line_c);
                p->draw_rect(bx1 + k_pixel_x, by1 + k_pixel_y, bx2 - k_pixel_x, by2 - k_pixel_y, line_c);
            }
            break;
        case rect_kind::menu_entry:
            if (ticked) draw_tick(p, bx2 - 0.07f, by1 + 0.02f, bx2 - 0.01f, by2 - 0.02f, line_c);
            break;
        case rect_kind::position_pad: {
            const float mx = x1 + offset_x, my = y1 + offset_y;
            p->draw_line(mx - 0.02f, my, mx + 0.02f, my, line_c);
            p->draw_line(mx, my - 0.027f, mx, my + 0.027f, line_c);
            break;
        }
        default: break;
    }
    if (!text || text[0] == '\0') {
        if (!(edit && pressed_look)) return;
    }
    // The text scales undo the window's own scale, so that text keeps its pixel size.
    const float window_x = sx > 0 ? gui_scale[0] / sx : 1.0f;
    const text_fit fit = fitted_text(window_x, sy > 0 ? gui_scale[1] / sy : 1.0f);
    if (fit.face != fit.font) {
        draw_text_part(pressed_look, fit.face, text_c, sx, sy, batched);
    } else if (fit.narrowing < 1.0f || fit.lowering < 1.0f) {
        draw_text_part(pressed_look, fit.font, text_c, sx * fit.narrowing, sy * fit.lowering, false,
                       text_flag::smooth);
    } else {
        draw_text_part(pressed_look, fit.font, text_c, sx, sy, batched);
    }
}

void gui_rect::draw_text_part(bool pressed_look, int font, std::uint32_t c, float sx, float sy,
                              bool batched, std::uint32_t extra) {
    gui_painter* p = current_painter();
    float bx1, by1, bx2, by2;
    shifted_box(&bx1, &by1, &bx2, &by2);
    if (edit && pressed_look) {
        // The caret blinks with a period of 1 s and shows in the second half of it.
        blink -= gui_frame_time();
        if (blink < 0) blink = 1;
        char shown[k_edit_field_size + 2];
        copy_bounded(shown, sizeof shown - 1, text ? text.get() : "");
        if (blink < 0.5f) {
            const std::size_t len = std::strlen(shown);
            const std::size_t at = std::min(len, static_cast<std::size_t>(std::max(0, g_focus.caret)));
            shown[at] = '_';
            if (at == len) shown[at + 1] = '\0';
        }
        p->draw_text(font, x1, y1, x2, y2, shown, text_flag::wrap | extra, 0.02f, (y2 - y1) - 0.08f, sx, sy,
                     c, batched);
    } else if (wrapped) {
        p->draw_text(font, x1, y1, x2, y2, text.get(), text_flag::wrap | extra, 0.02f,
                     (y2 + offset_y) - y1 - 0.08f, sx, sy, c, batched);
    } else if (left_text) {
        p->draw_text(font, bx1 + 0.02f, by1, bx2, by2, text.get(), text_flag::centre_vertical | extra, 0, 0,
                     sx, sy, c, batched);
    } else if (!centred) {
        p->draw_text(font, x1, y2, x2, y1, text.get(), extra, offset_x + 0.02f, offset_y - 0.08f, sx, sy,
                     c, batched);
    } else {
        // A check box's text is centred beside its square, not under it.
        const float right = kind == rect_kind::check_box ? bx2 - k_check_square : bx2;
        p->draw_text(font, bx1, by1, right, by2, text.get(), text_flag::centre | extra, 0, 0, sx, sy, c, batched);
    }
}
