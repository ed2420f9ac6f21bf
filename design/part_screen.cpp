#include "design/part_screen.h"

#include <algorithm>

#include "core/gui_services.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"

namespace design {

bool close_on_press(gui_window* w) {
    if (!pressed_is(w, slot::close)) return false;
    ui_play_sound_slot(0, 0);
    relay_design_missile();
    pending_command = 14;
    return true;
}

void apply_changes(gui_window* w, bool with_recompute) {
    ui_play_sound_slot(0, 0);
    w->send(design_event::take);
    show_again(w, with_recompute);
}

void show_again(gui_window* w, bool with_recompute) {
    w->send(design_event::show);
    if (with_recompute) w->send(design_event::recompute);
}

bool jog_committed(gui_window* w, bool with_recompute) {
    if (!jog_on_committed(w)) return false;
    if (with_recompute) w->send(design_event::recompute);
    w->send(design_event::show);
    return true;
}

void view_and_jog_on_press(gui_window* w, view_state& v) {
    view_on_press(w, v);
    jog_on_press(w);
}

bool preview_event(gui_window* w, int event, view_state& v, const preview_rules& rules) {
    switch (event) {
        case gui_event::press: view_and_jog_on_press(w, v); return true;
        case gui_event::drag: view_on_drag(w, v, rules.two_axes); return true;
        case gui_event::child_changed: jog_on_changed(w); return true;
        case gui_event::wheel_up:
        case gui_event::wheel_down:
            view_on_wheel(v, event, rules.wheel_step, rules.zoom_low, rules.zoom_high);
            return true;
        default: return false;
    }
}

gui_rect* add_number_field(gui_window* w, const units& u, float a, float y, float c, int word) {
    gui_rect* f = add_box(w, u, a, y, c, y + 0.05f, rect_kind::edit_field);
    f->medium_font = 1;
    // A number wider than a narrow field ("1000.00" at 640 x 480) takes a smaller font rather
    // than losing its first and last digits.
    f->fit_text = 1;
    remember_rect(w, word, f);
    return f;
}

gui_rect* add_number_row(gui_window* w, const units& u, float a, float b, float c, float y,
                         const char* label, int word) {
    add_label(w, u, a, y, b, y + 0.05f, label);
    return add_number_field(w, u, b, y, c, word);
}

int pressed_button(const gui_window* w, int first_word, int count) {
    for (int i = 0; i < count; ++i) {
        if (pressed_is(w, first_word + i)) return i;
    }
    return -1;
}

gui_window* add_item_drop_down(gui_window* w, const units& u, float a, float b, float c, float d,
                               const char* const* items, int count) {
    gui_window* box = w->add_window();
    box->create(a * u.m, b * u.h, c * u.m, d * u.h, window_kind::drop_down);
    for (int i = 0; i < count; ++i) box->combo_add_item(items[i]);
    box->combo_set_bold(true);
    return box;
}

void add_icon_holder(gui_window* w, int word, int picture) {
    gui_rect* holder = w->add_rect(0, 0, 0, 0, rect_kind::label);
    holder->visible = 0;
    holder->clickable = 0;
    ui_load_resource_texture(picture, &holder->image_texture, true);
    remember_rect(w, word, holder);
}

gfx_texture* held_icon(const gui_window* w, int word) {
    const gui_rect* r = rect_at(w, word);
    return r != nullptr ? r->image_texture.get() : nullptr;
}

void draw_caption(const gui_window* w, float x1, float y1, float x2, float y2, const char* text,
                  std::uint32_t colour) {
    gui_painter* p = current_painter();
    if (p == nullptr || text == nullptr) return;
    // Room beyond the text for the pen's snap to the pixel grid.
    constexpr float k_slack = 0.01f;
    float size[2] = {0, 0};
    if (gui_text_size(p, gui_font::bold, text, size)) {
        x2 = std::max(x2, x1 + size[0] + k_slack);
        y2 = std::max(y2, y1 + size[1] + k_slack);
    }
    p->draw_text(gui_font::bold, x1, y1, x2, y2, text, 0, 0, 0, w->text_scale_x, w->text_scale_y, colour, false);
}

void panels_over_preview(gui_window* w) {
    for (int i = 0; i < w->rect_count; ++i) {
        gui_rect* r = w->rect(i);
        if (r != nullptr && r != rect_at(w, slot::body)) r->over_custom = 1;
    }
}

caption_extent caption_size(const char* text) {
    gui_painter* p = current_painter();
    float size[2] = {0, 0};
    if (p == nullptr || text == nullptr || !gui_text_size(p, gui_font::bold, text, size)) return {};
    return {size[0], size[1]};
}

}  // namespace design
