// Pointer input of GUI windows: hover, press, drag and release, and the per-frame tick.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"

namespace {

float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

void to_local(const gui_window& w, float x, float y, float* lx, float* ly) {
    const vec3 p = transform_coord(vec3{x, y, 0}, w.picking);
    *lx = p.x;
    *ly = p.y;
}

// Windows enter every pointer operation with their layout and transforms current.
void enter(gui_window& w) {
    w.layout();
    if (w.dirty) w.update_transforms();
}

bool is_menu(const gui_window& w) {
    return w.kind == window_kind::menu_bar || w.kind == window_kind::drop_down_menu;
}

void show_menu_items(gui_window& w, bool show) {
    for (int i = 0; i < w.rect_count; ++i) {
        gui_rect* r = w.rect(i);
        if (r->kind != rect_kind::menu_strip) r->visible = show ? 1 : 0;
    }
}

}  // namespace

bool gui_window::hover(float x, float y) {
    enter(*this);
    hovered_rect = 0;
    hovered_child = 0;
    // The drop-down menus first: they lie over the dialogs. A dialog under an open menu is
    // not hovered through it.
    for (int i = child_count - 1; i >= 0; --i) {
        gui_window* c = child(i);
        if (c == nullptr || !c->visible || !lies_over_dialogs(*c) || !c->hover(x, y)) continue;
        hovered_child = i + 1;
    }
    for (int i = child_count - 1; i >= 0 && hovered_child == 0; --i) {
        gui_window* c = child(i);
        if (c == nullptr || !c->visible || lies_over_dialogs(*c) || !c->hover(x, y)) continue;
        hovered_child = i + 1;
        if (!is_menu(*c)) break;
    }
    if (hovered_child == 0) {
        to_local(*this, x, y, &local_pointer_x, &local_pointer_y);
        for (int i = rect_count - 1; i >= 0; --i) {
            if (rect(i)->hover_test(local_pointer_x, local_pointer_y)) {
                hovered_rect = i + 1;
                break;
            }
        }
    }
    if (is_menu(*this)) show_menu_items(*this, hovered_rect != 0 || hovered_child != 0);
    return hovered_rect != 0 || hovered_child != 0;
}

void gui_window::take_edit_focus(gui_rect* r) {
    g_focus.edit_focus = 1;
    g_focus.edit_window = this;
    // Every field loads into the buffer, however long (the buffer holds the field's 2,047
    // characters), so the text being edited is always the field's own.
    copy_text(g_focus.edit_buffer, r->text ? r->text.get() : "");
    g_focus.caret = static_cast<int>(std::strlen(g_focus.edit_buffer));
}

bool gui_window::press(float x, float y) {
    enter(*this);
    clear_focus();
    pressed = 0;
    // The drop-down menus first, as they are drawn over the other children.
    for (const bool menus : {true, false}) {
        for (int i = child_count - 1; i >= 0; --i) {
            if (i >= child_count) continue;
            gui_window* c = child(i);
            if (c == nullptr || !c->visible || lies_over_dialogs(*c) != menus) continue;
            current = i + 1;
            if (c->press(x, y)) return true;
        }
    }
    to_local(*this, x, y, &local_pointer_x, &local_pointer_y);
    last_pointer_x = x;
    last_pointer_y = y;
    scale_at_press_x = local.m[0][0];
    scale_at_press_y = local.m[1][1];
    current = 0;
    if (kind != window_kind::list_box) selected = 0;
    for (int i = rect_count - 1; i >= 0; --i) {
        gui_rect* r = rect(i);
        if (!r->hit_test(local_pointer_x, local_pointer_y)) continue;
        pressed = i + 1;
        if (r->kind == rect_kind::list_item) selected = i + 1;
        if (r->kind == rect_kind::edit_field) {
            selected = i + 1;
            take_edit_focus(r);
        }
        break;
    }
    return on_press();
}

void gui_window::scroll_thumb(gui_rect* thumb, float step, bool vertical) {
    if (thumb == nullptr) return;
    if (vertical) {
        thumb->value_y = clampf(thumb->value_y + step, 0, thumb->range);
        thumb->offset_y = thumb->value_y;
    } else {
        thumb->value_x = clampf(thumb->value_x + step, 0, thumb->range);
        thumb->offset_x = thumb->value_x;
    }
}

void gui_window::page_track(gui_rect* track) {
    gui_rect* v = find_rect_by_kind(rect_kind::vertical_thumb);
    gui_rect* h = find_rect_by_kind(rect_kind::horizontal_thumb);
    const float px = local_pointer_x, py = local_pointer_y;
    if (kind == window_kind::list_box && v != nullptr) {
        const float step = 5 * v->range / static_cast<float>(std::max(1, list_item_count()));
        if (py > v->y2 + v->offset_y) scroll_thumb(v, step, true);
        else if (py < v->y1 + v->offset_y) scroll_thumb(v, -step, true);
    } else if (kind == window_kind::text_box) {
        if (track == find_rect_by_kind(rect_kind::track)) {
            if (h == nullptr) return;
            const float step = 5 * h->range / static_cast<float>(std::max(1, columns));
            if (px > h->x2 + h->offset_x) scroll_thumb(h, step, false);
            else if (px < h->x1 + h->offset_x) scroll_thumb(h, -step, false);
        } else if (v != nullptr) {
            const float step = 5 * v->range / static_cast<float>(std::max(1, lines));
            if (py > v->y2 + v->offset_y) scroll_thumb(v, step, true);
            else if (py < v->y1 + v->offset_y) scroll_thumb(v, -step, true);
        }
    } else if (kind == window_kind::horizontal_slider && h != nullptr) {
        if (px > h->x2 + h->offset_x) scroll_thumb(h, 0.1f * h->range, false);
        else if (px < h->x1 + h->offset_x) scroll_thumb(h, -0.1f * h->range, false);
    }
}

bool gui_window::on_press() {
    gui_rect* r = pressed_rect();
    if (r == nullptr) return false;
    if (kind == window_kind::list_box || kind == window_kind::text_box) {
        g_focus.list_focus = 1;
        g_focus.focus_window = this;
    }
    const bool list = kind == window_kind::list_box;
    const bool text = kind == window_kind::text_box;
    gui_rect* v = find_rect_by_kind(rect_kind::vertical_thumb);
    gui_rect* h = find_rect_by_kind(rect_kind::horizontal_thumb);
    const float rows = static_cast<float>(std::max(1, list ? list_item_count() : lines));
    const int pressed_kind = r->kind;
    switch (pressed_kind) {
        case rect_kind::up_arrow:
            if ((list || text) && v != nullptr) scroll_thumb(v, v->range / rows, true);
            break;
        case rect_kind::down_arrow:
            if ((list || text) && v != nullptr) scroll_thumb(v, -v->range / rows, true);
            break;
        case rect_kind::left_arrow:
        case rect_kind::right_arrow:
            if (text && h != nullptr) {
                const float step = h->range / static_cast<float>(std::max(1, columns));
                scroll_thumb(h, pressed_kind == rect_kind::left_arrow ? -step : step, false);
            }
            break;
        case rect_kind::track: page_track(r); break;
        case rect_kind::position_pad:
            r->offset_x = clampf(local_pointer_x - r->x1, 0, r->x2 - r->x1);
            r->offset_y = clampf(local_pointer_y - r->y1, 0, r->y2 - r->y1);
            break;
        default: break;
    }
    layout();
    if (callback != nullptr) {
        send(gui_event::press);
    } else if (parent != nullptr && parent->callback != nullptr) {
        gui_window* p = parent;
        if (!list || pressed_kind == rect_kind::list_item) p->send(gui_event::child_changed);
        if (pressed_kind == rect_kind::track) p->send(gui_event::child_scrolled);
    }
    return true;
}

void gui_window::drag(float x, float y) {
    enter(*this);
    const int saved = current;
    for (int i = 0; i < child_count; ++i) {
        gui_window* c = child(i);
        if (c == nullptr || !c->visible) continue;
        current = i + 1;
        c->drag(x, y);
    }
    current = saved <= child_count ? saved : 0;
    to_local(*this, x, y, &local_pointer_x, &local_pointer_y);
    const float sx = std::sqrt(world.m[0][0] * world.m[0][0] + world.m[0][1] * world.m[0][1]);
    const float sy = std::sqrt(world.m[1][0] * world.m[1][0] + world.m[1][1] * world.m[1][1]);
    const float dx = sx > 0 ? gui_scale[0] / sx * (x - last_pointer_x) : 0;
    const float dy = sy > 0 ? gui_scale[1] / sy * (y - last_pointer_y) : 0;
    on_drag(dx, dy);
    last_pointer_x = x;
    last_pointer_y = y;
}

void gui_window::on_drag(float dx, float dy) {
    gui_rect* r = pressed_rect();
    if (r == nullptr) return;
    using namespace rect_kind;
    const int k = r->kind;
    if (k == title_bar) {
        dirty = 1;
        local.m[3][0] += dx * local.m[0][0];
        local.m[3][1] += dy * local.m[1][1];
    } else if (k == horizontal_thumb) {
        r->offset_x = clampf(r->offset_x + dx, 0, r->range);
    } else if (k == vertical_thumb) {
        r->offset_y = clampf(r->offset_y + dy, 0, r->range);
    } else if (k == position_pad) {
        r->offset_x = clampf(local_pointer_x - r->x1, 0, r->x2 - r->x1);
        r->offset_y = clampf(local_pointer_y - r->y1, 0, r->y2 - r->y1);
    } else if (k == knob) {
        r->offset_x = clampf(r->offset_x + (dx + dy) * r->scale, 0, 1);
    } else if (k >= corner_upper_left && k <= edge_top) {
        dirty = 1;
        const float w = width > 0 ? width : 1;
        const float h = height > 0 ? height : 1;
        const bool left = k == corner_upper_left || k == corner_lower_left || k == edge_left;
        const bool right = k == corner_upper_right || k == corner_lower_right || k == edge_right;
        const bool top = k == corner_upper_left || k == corner_upper_right || k == edge_top;
        const bool bottom = k == corner_lower_left || k == corner_lower_right || k == edge_bottom;
        // A window never shrinks below half its built size.
        if (left) local.m[0][0] = std::max(0.5f, local.m[0][0] - dx * scale_at_press_x / w);
        if (right) local.m[0][0] = std::max(0.5f, local.m[0][0] + dx * scale_at_press_x / w);
        if (top) local.m[1][1] = std::max(0.5f, local.m[1][1] + dy * scale_at_press_y / h);
        if (bottom) local.m[1][1] = std::max(0.5f, local.m[1][1] - dy * scale_at_press_y / h);
        if (k <= edge_right) local.m[3][0] += dx / 2;
        if (k <= corner_lower_right || k == edge_bottom || k == edge_top) local.m[3][1] += dy / 2;
    } else if (r->draggable) {
        r->offset_x += dx;
        r->offset_y += dy;
    }
    layout();
    if (callback != nullptr) {
        send(gui_event::drag);
    } else if (parent != nullptr && parent->callback != nullptr) {
        parent->send(gui_event::child_scrolled);
    }
}

void gui_window::release_pressed(gui_rect* r) {
    using namespace rect_kind;
    switch (r->kind) {
        case close_button:
            visible = 0;
            clear_focus();
            send(gui_event::close);
            break;
        case maximise_button:
            r->ticked = r->ticked ? 0 : 1;
            maximised = r->ticked;
            if (!rebuild_on_resize) {
                if (!r->ticked || width <= 0 || height <= 0) {
                    set_scale(1, 1);
                } else {
                    set_scale(1.5f * gui_scale[0] / width, 1.75f * gui_scale[1] / height);
                }
                if (const gui_rect* b = rect(0)) {
                    local.m[3][0] = std::min(local.m[3][0], gui_scale[0] - b->x2 * local.m[0][0]);
                    local.m[3][1] = std::min(local.m[3][1], gui_scale[1] - b->y2 * local.m[1][1]);
                }
                dirty = 1;
                // Back at its own size a dialog may again reach past the window.
                fit_on_screen();
            } else {
                send(gui_event::build);
            }
            break;
        case check_box: r->ticked = r->ticked ? 0 : 1; break;
        case button:
        case icon_button:
        case large_button:
            if (r->toggle) r->ticked = r->ticked ? 0 : 1;
            break;
        case horizontal_thumb: r->value_x = r->offset_x; break;
        case vertical_thumb: r->value_y = r->offset_y; break;
        default:
            if (r->kind >= corner_upper_left && r->kind <= edge_top && rebuild_on_resize) {
                const float sx = local.m[0][0], sy = local.m[1][1];
                box_x1 *= sx;
                box_y1 *= sy;
                box_x2 = sx * width + box_x1;
                box_y2 = sy * height + box_y1;
                set_scale(1, 1);
                use_stored_box = 1;
                dirty = 1;
                send(gui_event::build);
                use_stored_box = 0;
            }
            break;
    }
}

void gui_window::after_release_without_callback(gui_rect* r) {
    if (kind == window_kind::drop_down) {
        gui_window* list = last_child();
        if (list == nullptr) return;
        list->visible = list->visible ? 0 : 1;
        g_focus.list_focus = list->visible;
        g_focus.focus_window = list;
        return;
    }
    if (parent != nullptr && parent->kind == window_kind::drop_down) {
        if (r->kind != rect_kind::list_item) return;
        gui_window* combo = parent;
        if (gui_rect* field = combo->find_rect_by_kind(rect_kind::drop_down_field)) {
            field->set_text(list_selected_text());
        }
        visible = 0;
        gui_window* owner = combo->parent;
        if (owner != nullptr && owner->callback != nullptr) {
            owner->current = owner->index_of(combo) + 1;
            owner->send(gui_event::child_committed);
        }
        return;
    }
    if (parent != nullptr && parent->callback != nullptr) parent->send(gui_event::child_committed);
}

void gui_window::release() {
    enter(*this);
    for (int i = 0; i < child_count; ++i) {
        gui_window* c = child(i);
        if (c != nullptr && c->visible) c->release();
    }
    // A release fires a click only when an element of this window was pressed.
    if (gui_rect* r = pressed_rect()) {
        const int pressed_index = pressed;
        release_pressed(r);
        layout();
        // The build event of a maximise or resize may have rebuilt the window.
        r = rect(pressed_index - 1);
        if (callback != nullptr && visible) {
            const bool menu_entry = r != nullptr && r->kind == rect_kind::menu_entry;
            send(gui_event::click);
            if (menu_entry && is_menu(*this)) show_menu_items(*this, false);
        } else if (r != nullptr) {
            after_release_without_callback(r);
        } else if (parent != nullptr && parent->callback != nullptr) {
            parent->send(gui_event::child_committed);
        }
    }
    pressed = 0;
    current = 0;
    ui_show_cursor(gui_cursor::arrow);
}

void gui_window::tick() {
    for (int i = 0; i < child_count; ++i) {
        gui_window* c = child(i);
        if (c != nullptr && c->visible) c->tick();
    }
    if (callback != nullptr && wants_tick) send(gui_event::tick);
}
