// The drawing pass of a window: transforms, fading, opacity and the order of elements, the
// draw event and children.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"

namespace {

// An auto-fading window stays for 1 s after the pointer left, fades over the next second
// and is not drawn after 2 s.
constexpr float k_fade_hold_s = 2.0f;
constexpr float k_fade_timer_max_s = 5.0f;

// Every font's batch and every narrowed face's.
void begin_batches(gui_painter* p) {
    for (int f = 0; f < gui_font::all; ++f) p->begin_text(f);
}
void end_batches(gui_painter* p) {
    for (int f = 0; f < gui_font::all; ++f) p->end_text(f);
}

}  // namespace

void gui_window::draw_elements(bool over, bool batched) {
    for (int i = 0; i < rect_count; ++i) {
        gui_rect* r = rect(i);
        if ((r->over_custom != 0) != over) continue;
        const bool highlighted = pressed == i + 1 || selected == i + 1;
        r->draw(highlighted, hovered_rect == i + 1, text_scale_x, text_scale_y, batched);
    }
}

namespace {

// A caption that shares its column's font: a shown label, check box or button fitted to its
// box (a column of graph buttons reads in one font as much as a column of labels).
bool in_column(const gui_rect& r) {
    return (r.kind == rect_kind::label || r.kind == rect_kind::check_box || r.kind == rect_kind::button) &&
           r.visible && r.fit_text &&
           !r.wrapped && r.text && r.text[0] != '\0';
}

// An item of a list fitted to its box: the items of a list share one font as the captions of
// a column do, those scrolled out of sight too, so that scrolling leaves the font as it is.
bool in_list(const gui_rect& r) {
    return r.kind == rect_kind::list_item && r.fit_text && r.text && r.text[0] != '\0';
}

bool shares_font(const gui_rect& r) { return in_column(r) || in_list(r); }

// Whether two captions stand in one column: the same kind between the same left and right edges
// (the items of a list lie between its area's edges).
bool same_column(const gui_rect& a, const gui_rect& b) {
    return a.kind == b.kind && a.x1 == b.x1 && a.x2 == b.x2 && a.offset_x == b.offset_x;
}

// FNV-1a over the bytes of a value.
void mix_bytes(std::uint64_t* key, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        *key ^= bytes[i];
        *key *= 1099511628211ull;
    }
}

template <typename T>
void mix_value(std::uint64_t* key, const T& value) {
    mix_bytes(key, &value, sizeof value);
}

}  // namespace

std::uint64_t gui_window::column_fonts_key() const {
    std::uint64_t key = 14695981039346656037ull;
    int viewport[2] = {640, 480};
    ui_viewport_size(&viewport[0], &viewport[1]);
    mix_value(&key, current_painter());
    mix_value(&key, viewport);
    mix_value(&key, gui_scale[0]);
    mix_value(&key, gui_scale[1]);
    mix_value(&key, text_scale_x);
    mix_value(&key, text_scale_y);
    for (int i = 0; i < rect_count; ++i) {
        const gui_rect& r = *rect(i);
        if (!shares_font(r)) continue;
        // A list's scrolling moves its items up and down, which leaves their fit as it is.
        const float shift_y = r.kind == rect_kind::list_item ? 0.0f : r.offset_y;
        const float box[6] = {r.x1, r.y1, r.x2, r.y2, r.offset_x, shift_y};
        const std::uint8_t fonts[5] = {r.large_font, r.medium_font, r.small_font, r.bold, r.fixed_pitch};
        mix_value(&key, i);
        mix_value(&key, r.kind);
        mix_value(&key, box);
        mix_value(&key, fonts);
        mix_bytes(&key, r.text.get(), std::strlen(r.text.get()));
    }
    return key;
}

void gui_window::share_column_fonts() {
    const std::uint64_t key = column_fonts_key();
    bool fresh = false;
    for (int i = 0; i < rect_count && !fresh; ++i) fresh = shares_font(*rect(i)) && rect(i)->column_font < 0;
    if (column_fonts_known && key == column_fonts_for && !fresh) return;
    column_fonts_for = key;
    column_fonts_known = true;
    const float window_x = text_scale_x > 0 ? gui_scale[0] / text_scale_x : 1.0f;
    const float window_y = text_scale_y > 0 ? gui_scale[1] / text_scale_y : 1.0f;
    // Each caption's own fit first, then the smallest font of its column for all of them.
    std::vector<gui_rect::text_fit> own(static_cast<std::size_t>(rect_count), gui_rect::text_fit{-1, 1.0f});
    for (int i = 0; i < rect_count; ++i) {
        gui_rect* r = rect(i);
        r->column_font = -1;
        if (shares_font(*r)) own[static_cast<std::size_t>(i)] = r->fitted_text(window_x, window_y);
    }
    for (int i = 0; i < rect_count; ++i) {
        gui_rect* r = rect(i);
        int font = own[static_cast<std::size_t>(i)].font;
        if (font < 0) continue;
        for (int j = 0; j < rect_count; ++j) {
            const int theirs = own[static_cast<std::size_t>(j)].font;
            if (theirs >= 0 && same_column(*rect(j), *r) && gui_font_is_smaller(theirs, font)) font = theirs;
        }
        r->column_font = font;
    }
}

void gui_window::draw() {
    gui_painter* painter = current_painter();
    if (painter == nullptr) return;
    if (dirty) update_transforms();
    const float t = gui_frame_time();
    if (auto_fade) {
        fade_timer = (hovered_rect == 0 && pressed == 0) ? std::min(k_fade_timer_max_s, fade_timer + t) : 0;
        alpha = 255.0f * std::clamp(k_fade_hold_s - fade_timer, 0.0f, 1.0f);
        if (fade_timer > k_fade_hold_s) return;
    } else if (fade_in) {
        alpha = std::min(255.0f, alpha + 255.0f * t);
    }
    painter->set_world(world);
    window_draw_alpha = uses_opacity ? std::min(alpha, gui_opacity) : alpha;
    window_draw_white = argb(static_cast<int>(window_draw_alpha), 255, 255, 255);
    if (kind == window_kind::text_box) {
        draw_elements(false, false);
        draw_elements(true, false);
        return;
    }
    share_column_fonts();
    begin_batches(painter);
    draw_elements(false, true);
    end_batches(painter);
    if (callback != nullptr && wants_draw) send(gui_event::draw);
    painter->set_world(world);
    window_draw_alpha = uses_opacity ? std::min(alpha, gui_opacity) : alpha;
    window_draw_white = argb(static_cast<int>(window_draw_alpha), 255, 255, 255);
    begin_batches(painter);
    draw_elements(true, true);
    end_batches(painter);
    // The lists and drop-downs after the elements drawn over the screen's own drawing: they
    // lie on those panels, not under them.
    for (int i = 0; i < child_count; ++i) {
        gui_window* c = child(i);
        if (c != nullptr && c->visible && c->callback == nullptr) c->draw();
    }
    // Dialogs, then the drop-down menus over them.
    for (const bool menus : {false, true}) {
        for (int i = 0; i < child_count; ++i) {
            gui_window* c = child(i);
            if (c != nullptr && c->visible && c->callback != nullptr && lies_over_dialogs(*c) == menus) c->draw();
        }
    }
}
