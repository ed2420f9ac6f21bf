// The drawing pass of a window: transforms, fading, opacity and the order of elements, the
// draw event and children.
#include <algorithm>
#include <vector>

#include "ui/gui.h"
#include "ui/gui_painter.h"

namespace {

// An auto-fading window stays for 1 s after the pointer left, fades over the next second
// and is not drawn after 2 s.
constexpr float k_fade_hold_s = 2.0f;
constexpr float k_fade_timer_max_s = 5.0f;

void begin_batches(gui_painter* p) {
    for (int f = 0; f < gui_font::count; ++f) p->begin_text(f);
}
void end_batches(gui_painter* p) {
    for (int f = 0; f < gui_font::count; ++f) p->end_text(f);
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

void gui_window::share_column_fonts() {
    const float window_x = text_scale_x > 0 ? gui_scale[0] / text_scale_x : 1.0f;
    const float window_y = text_scale_y > 0 ? gui_scale[1] / text_scale_y : 1.0f;
    std::vector<int> own(static_cast<std::size_t>(rect_count), -1);
    for (int i = 0; i < rect_count; ++i) {
        gui_rect* r = rect(i);
        if (r->kind != rect_kind::check_box) continue;
        r->column_font = -1;
        if (r->visible) own[static_cast<std::size_t>(i)] = r->fitted_text(window_x, window_y).font;
    }
    for (int i = 0; i < rect_count; ++i) {
        gui_rect* r = rect(i);
        if (own[static_cast<std::size_t>(i)] < 0) continue;
        int font = own[static_cast<std::size_t>(i)];
        for (int j = 0; j < rect_count; ++j) {
            const int theirs = own[static_cast<std::size_t>(j)];
            if (theirs >= 0 && rect(j)->x1 == r->x1 && rect(j)->x2 == r->x2 && gui_font_is_smaller(theirs, font)) {
                font = theirs;
            }
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
