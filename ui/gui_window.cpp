#include "ui/gui_window.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"

namespace {

// Windows and elements taken out of the tree while a callback may still be running inside
// them: they are destroyed at the next safe point (the end of a GUI entry), not at once.
std::vector<std::unique_ptr<gui_window>> g_closed_windows;
std::vector<std::unique_ptr<gui_rect>> g_closed_rects;

float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

void flush_closed_windows() {
    // Destroying a window may close others (its destructor's close event): loop until empty.
    while (!g_closed_windows.empty() || !g_closed_rects.empty()) {
        std::vector<std::unique_ptr<gui_window>> windows;
        windows.swap(g_closed_windows);
        windows.clear();
        g_closed_rects.clear();
    }
}

bool lies_over_dialogs(const gui_window& w) { return w.kind == window_kind::drop_down_menu; }

void park_closed_window(std::unique_ptr<gui_window> window) {
    if (window) g_closed_windows.push_back(std::move(window));
}

gui_window::gui_window() {
    rects.reserve(64);
    children.reserve(64);
}

gui_window::~gui_window() {
    send(gui_event::close);
    forget_focus_window(this);
    // Destroyed only at a safe point, so the contents can go at once.
    for (auto& c : children) c.reset();
    children.clear();
    rects.clear();
    child_count = rect_count = 0;
}

int gui_window::send(int event) { return callback != nullptr ? callback(this, event) : 0; }

void gui_window::clear() {
    for (auto& c : children) {
        if (!c) continue;
        c->clear();
        forget_focus_window(c.get());
        g_closed_windows.push_back(std::move(c));
    }
    children.clear();
    for (auto& r : rects) g_closed_rects.push_back(std::move(r));
    rects.clear();
    child_count = rect_count = 0;
    for (auto& p : private_rects) p = nullptr;
    for (auto& p : private_windows) p = nullptr;
}

void gui_window::reset_indices() {
    pressed = selected = current = hovered_rect = hovered_child = 0;
    fade_timer = 0;
}

gui_rect* gui_window::add_rect() {
    rects.push_back(std::make_unique<gui_rect>());
    rect_count = static_cast<int>(rects.size());
    return rects.back().get();
}

gui_rect* gui_window::add_rect(float x1, float y1, float x2, float y2, int k) {
    gui_rect* r = add_rect();
    r->set(x1, y1, x2, y2, k);
    return r;
}

gui_window* gui_window::add_window() {
    children.push_back(std::make_unique<gui_window>());
    child_count = static_cast<int>(children.size());
    gui_window* w = children.back().get();
    w->parent = this;
    return w;
}

void gui_window::remove_last_rect() {
    if (rects.empty()) return;
    g_closed_rects.push_back(std::move(rects.back()));
    rects.pop_back();
    rect_count = static_cast<int>(rects.size());
    if (pressed > rect_count) pressed = 0;
    if (selected > rect_count) selected = 0;
    if (hovered_rect > rect_count) hovered_rect = 0;
}

std::unique_ptr<gui_window> gui_window::take_child(int i) {
    std::unique_ptr<gui_window> w = std::move(children[static_cast<std::size_t>(i)]);
    children.erase(children.begin() + i);
    child_count = static_cast<int>(children.size());
    if (current == i + 1) current = 0;
    if (hovered_child == i + 1) hovered_child = 0;
    if (current > i + 1) --current;
    if (hovered_child > i + 1) --hovered_child;
    return w;
}

void gui_window::delete_child(int i) {
    if (i < 0 || i >= child_count) return;
    gui_window* w = children[static_cast<std::size_t>(i)].get();
    w->send(gui_event::close);
    // The close event may have changed the list: find the child again.
    i = index_of(w);
    if (i < 0) return;
    std::unique_ptr<gui_window> taken = take_child(i);
    taken->clear();
    forget_focus_window(taken.get());
    park_closed_window(std::move(taken));
    clear_focus();
}

void gui_window::create_empty(float x1, float y1, float x2, float y2, int k) {
    clear();
    kind = k;
    width = x2 - x1;
    height = y2 - y1;
    reset_indices();
    uses_opacity = 1;
}

void gui_window::create(float x1, float y1, float x2, float y2, int k) {
    clear();
    box_x1 = x1;
    box_y1 = y1;
    box_x2 = x2;
    box_y2 = y2;
    width = x2 - x1;
    height = y2 - y1;
    kind = k;
    add_frame_elements(x1, y1, x2, y2);
    reset_indices();
}

void gui_window::add_frame_elements(float x1, float y1, float x2, float y2) {
    using namespace rect_kind;
    switch (kind) {
        case window_kind::resizable_window:
        case window_kind::titled_window: {
            add_rect(x1, y1, x2, y2 - 0.08f, body);
            add_rect(x1, y2 - 0.08f, x2, y2, title_bar);
            add_rect(x2 - 0.054f, y2 - 0.072f, x2 - 0.006f, y2 - 0.008f, close_button);
            if (kind == window_kind::resizable_window || rebuild_on_resize) {
                add_rect(x2 - 0.114f, y2 - 0.072f, x2 - 0.066f, y2 - 0.008f, maximise_button)
                    ->ticked = maximised;
            }
            if (kind == window_kind::resizable_window) {
                add_rect(x1 - 0.02f, y1 + 0.02f, x1 + 0.02f, y2 - 0.08f, edge_left);
                add_rect(x2 - 0.02f, y1 + 0.02f, x2 + 0.02f, y2 - 0.08f, edge_right);
                add_rect(x1 + 0.02f, y1 - 0.02f, x2, y1 + 0.02f, edge_bottom);
                add_rect(x1 + 0.02f, y2 - 0.02f, x2, y2 + 0.02f, edge_top);
                add_rect(x1 - 0.02f, y1 - 0.02f, x1 + 0.02f, y1 + 0.02f, corner_lower_left);
                add_rect(x2 - 0.02f, y1 - 0.02f, x2 + 0.02f, y1 + 0.02f, corner_lower_right);
                add_rect(x1 - 0.02f, y2 - 0.02f, x1 + 0.02f, y2 + 0.02f, corner_upper_left);
                add_rect(x2 - 0.02f, y2 - 0.02f, x2 + 0.02f, y2 + 0.02f, corner_upper_right);
            }
            uses_opacity = 1;
            break;
        }
        case window_kind::panel:
            add_rect(x1, y1, x2, y2, body)->framed = 0;
            break;
        case window_kind::text_box: {
            add_rect(x1, y1 + 0.08f, x2 - 0.06f, y2, text_area);
            add_rect(x1, y1, x2 - 0.06f, y1 + 0.08f, track);
            add_rect(x2 - 0.06f, y1 + 0.08f, x2, y2, track);
            add_rect(x2 - 0.06f, y1, x2, y1 + 0.08f, band);
            add_rect(x2 - 0.054f, y1 + 0.088f, x2 - 0.006f, y1 + 0.168f, down_arrow);
            add_rect(x2 - 0.054f, y2 - 0.088f, x2 - 0.006f, y2 - 0.008f, up_arrow);
            gui_rect* v = add_rect(x2 - 0.054f, y1 + 0.176f, x2 - 0.006f, y1 + 0.256f,
                                   vertical_thumb);
            v->range = height - 0.352f;
            v->value_y = v->offset_y = v->range;
            add_rect(x1 + 0.006f, y1 + 0.008f, x1 + 0.066f, y1 + 0.072f, left_arrow);
            add_rect(x2 - 0.126f, y1 + 0.008f, x2 - 0.066f, y1 + 0.072f, right_arrow);
            gui_rect* h = add_rect(x1 + 0.072f, y1 + 0.008f, x1 + 0.132f, y1 + 0.072f,
                                   horizontal_thumb);
            h->range = width - 0.264f;
            if (v->range < 0.02f) v->visible = 0;
            if (h->range < 0.02f) h->visible = 0;
            uses_opacity = 1;
            break;
        }
        case window_kind::list_box: {
            add_rect(x1, y1, x2 - 0.06f, y2, list_area);
            add_rect(x2 - 0.06f, y1, x2, y2, track);
            add_rect(x2 - 0.054f, y1 + 0.008f, x2 - 0.006f, y1 + 0.088f, down_arrow);
            add_rect(x2 - 0.054f, y2 - 0.088f, x2 - 0.006f, y2 - 0.008f, up_arrow);
            gui_rect* t = add_rect(x2 - 0.054f, y1 + 0.096f, x2 - 0.006f, y1 + 0.176f,
                                   vertical_thumb);
            t->range = height - 0.272f;
            t->value_y = t->offset_y = t->range;
            if (t->range < 0.02f) t->visible = 0;
            uses_opacity = 1;
            break;
        }
        case window_kind::drop_down: {
            gui_rect* field = add_rect(x1, y1, x2 - 0.06f, y2, drop_down_field);
            field->left_text = 1;
            field->fit_text = 1;  // a long item takes a smaller font rather than losing its end
            add_rect(x2 - 0.054f, y2 - 0.08f, x2, y2, down_arrow);
            gui_window* list = add_window();
            list->create(x1, y1 - 0.36f, x2, y1 - 0.008f, window_kind::list_box);
            if (gui_rect* area = list->find_rect_by_kind(list_area)) area->fill.a = 255;
            list->visible = 0;
            uses_opacity = 1;
            break;
        }
        case window_kind::horizontal_slider:
        case window_kind::red_green_horizontal_slider: {
            gui_rect* a = add_rect(x1, y2 - 0.048f, x1, y2 - 0.032f, track);
            gui_rect* b = add_rect(x1 + 0.06f, y2 - 0.048f, x2, y2 - 0.032f, track);
            gui_rect* t = add_rect(x1, y2 - 0.072f, x1 + 0.06f, y2 - 0.008f, horizontal_thumb);
            t->range = width - 0.06f;
            t->scale = t->range > 0 ? 255.0f / t->range : 0.0f;
            if (kind == window_kind::red_green_horizontal_slider) {
                a->fill = {255, 0, 0, a->fill.a};
                b->fill = {0, 255, 0, b->fill.a};
                kind = window_kind::horizontal_slider;
            }
            break;
        }
        case window_kind::vertical_slider:
        case window_kind::red_green_vertical_slider: {
            gui_rect* a = add_rect(x2 - 0.036f, y1, x2 - 0.024f, y1, track);
            gui_rect* b = add_rect(x2 - 0.036f, y1 + 0.08f, x2 - 0.024f, y2, track);
            gui_rect* t = add_rect(x2 - 0.054f, y1, x2 - 0.006f, y1 + 0.08f, vertical_thumb);
            t->range = height - 0.08f;
            t->scale = t->range > 0 ? 255.0f / t->range : 0.0f;
            if (kind == window_kind::red_green_vertical_slider) {
                a->fill = {255, 0, 0, a->fill.a};
                b->fill = {0, 255, 0, b->fill.a};
                kind = window_kind::vertical_slider;
            }
            break;
        }
        case window_kind::menu_bar: {
            add_rect(x1, y1, x2, y2, menu_strip)->clickable = 0;
            gui_rect* b = add_rect(x1, y2 - 0.08f, x2, y2, band);
            b->framed = 0;
            b->visible = 0;
            break;
        }
        case window_kind::drop_down_menu: {
            gui_rect* f = add_rect(x1, y1, x2, y2, band);
            f->filled = f->framed = 0;
            f->bevelled = 1;
            f->visible = 0;
            add_rect(x1, y1, x2, y2, menu_strip);
            break;
        }
        default: break;
    }
}

gui_rect* gui_window::last_rect() const { return rects.empty() ? nullptr : rects.back().get(); }
gui_window* gui_window::last_child() const {
    return children.empty() ? nullptr : children.back().get();
}
gui_rect* gui_window::pressed_rect() const { return rect(pressed - 1); }
gui_rect* gui_window::selected_rect() const { return rect(selected - 1); }
gui_window* gui_window::current_child() const { return child(current - 1); }

gui_rect* gui_window::find_rect_by_kind(int k) const {
    for (const auto& r : rects) {
        if (r->kind == k) return r.get();
    }
    return nullptr;
}

gui_rect* gui_window::find_last_rect_by_kind(int k) const {
    for (auto it = rects.rbegin(); it != rects.rend(); ++it) {
        if ((*it)->kind == k) return it->get();
    }
    return nullptr;
}

int gui_window::index_of(const gui_rect* r) const {
    for (int i = 0; i < rect_count; ++i) {
        if (rects[static_cast<std::size_t>(i)].get() == r) return i;
    }
    return -1;
}

int gui_window::index_of(const gui_window* w) const {
    for (int i = 0; i < child_count; ++i) {
        if (children[static_cast<std::size_t>(i)].get() == w) return i;
    }
    return -1;
}

void gui_window::set_title(const char* t) {
    gui_rect* r = find_rect_by_kind(rect_kind::title_bar);
    if (r == nullptr) r = find_rect_by_kind(rect_kind::caption);
    if (r != nullptr) r->set_text(t);
}

void gui_window::set_position(float x, float y) {
    local.m[3][0] = x;
    local.m[3][1] = y;
    dirty = 1;
}

void gui_window::set_scale(float sx, float sy) {
    local.m[0][0] = sx;
    local.m[1][1] = sy;
    dirty = 1;
}

float gui_window::slider_value() const {
    if (kind == window_kind::horizontal_slider) {
        if (const gui_rect* t = find_rect_by_kind(rect_kind::horizontal_thumb)) {
            return t->scale * t->offset_x;
        }
    } else if (kind == window_kind::vertical_slider) {
        if (const gui_rect* t = find_rect_by_kind(rect_kind::vertical_thumb)) {
            return t->scale * t->offset_y;
        }
    }
    return 0;
}

void gui_window::set_slider_value(float v) {
    const bool horizontal = kind == window_kind::horizontal_slider;
    if (!horizontal && kind != window_kind::vertical_slider) return;
    gui_rect* t = find_rect_by_kind(horizontal ? rect_kind::horizontal_thumb
                                               : rect_kind::vertical_thumb);
    if (t == nullptr) return;
    const float p = t->scale != 0 ? clampf(v / t->scale, 0, t->range) : 0;
    if (horizontal) {
        t->value_x = t->offset_x = p;
    } else {
        t->value_y = t->offset_y = p;
    }
    layout();
}

bool gui_window::rect_text_equals(const char* t) const {
    const gui_rect* r = pressed_rect();
    return r != nullptr && r->text && t != nullptr && compare_nocase(r->text.get(), t) == 0;
}

void gui_window::layout() {
    switch (kind) {
        case window_kind::horizontal_slider: {
            gui_rect* t = find_rect_by_kind(rect_kind::horizontal_thumb);
            gui_rect* a = find_rect_by_kind(rect_kind::track);
            gui_rect* b = find_last_rect_by_kind(rect_kind::track);
            if (t == nullptr || a == nullptr || b == nullptr) return;
            a->x2 = t->x1 + t->offset_x;
            b->x1 = t->x2 + t->offset_x;
            break;
        }
        case window_kind::vertical_slider: {
            gui_rect* t = find_rect_by_kind(rect_kind::vertical_thumb);
            gui_rect* a = find_rect_by_kind(rect_kind::track);
            gui_rect* b = find_last_rect_by_kind(rect_kind::track);
            if (t == nullptr || a == nullptr || b == nullptr) return;
            a->y2 = t->y1 + t->offset_y;
            b->y1 = t->y2 + t->offset_y;
            break;
        }
        case window_kind::text_box: layout_text_box(); break;
        case window_kind::list_box: layout_list(); break;
        default: break;
    }
}

void gui_window::layout_text_box() {
    gui_rect* area = find_rect_by_kind(rect_kind::text_area);
    gui_rect* h = find_rect_by_kind(rect_kind::horizontal_thumb);
    gui_rect* v = find_rect_by_kind(rect_kind::vertical_thumb);
    if (area == nullptr || h == nullptr || v == nullptr) return;
    area->offset_x = -(h->offset_x * h->scale);
    area->offset_y = -(v->offset_y - v->range) * v->scale;
    gui_painter* painter = current_painter();
    if (painter == nullptr || !area->text) return;
    const int font = area->fixed_pitch ? gui_font::fixed : gui_font::regular;
    int size[2] = {0, 0};
    int star[2] = {0, 0};
    if (!painter->text_extent(font, area->text.get(), size)) return;
    painter->text_extent(font, "*", star);
    int w = 640, hgt = 480;
    ui_viewport_size(&w, &hgt);
    // The text keeps its pixel size in a scaled window (a dialog fitted into a small one), so
    // it covers more of the window's own units.
    const float sx = drawn_scale(0), sy = drawn_scale(1);
    const float text_w = 2 * gui_scale[0] * static_cast<float>(size[0]) / static_cast<float>(w) / sx;
    const float text_h = 2 * gui_scale[1] * static_cast<float>(size[1]) / static_cast<float>(hgt) / sy;
    h->scale = h->range > 0 ? std::max(0.0f, (text_w - (area->x2 - area->x1) + 0.06f) / h->range) : 0;
    v->scale = v->range > 0 ? std::max(0.0f, (text_h - (area->y2 - area->y1) + 0.08f) / v->range) : 0;
    columns = size[0] / std::max(1, star[0]);
    lines = size[1] / std::max(1, star[1]);
}

void gui_window::layout_list() {
    gui_rect* area = find_rect_by_kind(rect_kind::list_area);
    gui_rect* t = find_rect_by_kind(rect_kind::vertical_thumb);
    if (area == nullptr || t == nullptr) return;
    const int n = list_item_count();
    t->scale = t->range > 0 ? std::max(0.0f, ((n - 2) * 0.08f - t->range) / t->range) : 0;
    const float oy = -(t->offset_y - t->range) * t->scale;
    for (auto& r : rects) {
        if (r->kind != rect_kind::list_item) continue;
        r->offset_y = oy;
        r->visible = (r->y1 + oy >= area->y1 - 1e-5f && r->y2 + oy <= area->y2 + 1e-5f) ? 1 : 0;
    }
}

float gui_window::drawn_scale(int axis) const {
    float s = 1;
    for (const gui_window* p = this; p != nullptr; p = p->parent) {
        const float* a = p->local.m[axis];
        s *= std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    }
    return s > 0 ? s : 1;
}

void gui_window::update_transforms() {
    world = parent != nullptr ? local * parent->world : local;
    mat4 m;
    if (!mat_inverse(world * gui_view, &m)) m = mat_identity();
    picking = m;
    if (!mat_inverse(world, &m)) m = mat_identity();
    inverse_world = m;
    const float lx = std::sqrt(world.m[0][0] * world.m[0][0] + world.m[0][1] * world.m[0][1] +
                               world.m[0][2] * world.m[0][2]);
    const float ly = std::sqrt(world.m[1][0] * world.m[1][0] + world.m[1][1] * world.m[1][1] +
                               world.m[1][2] * world.m[1][2]);
    text_scale_x = lx > 0 ? gui_scale[0] / lx : 1;
    text_scale_y = ly > 0 ? gui_scale[1] / ly : 1;
    for (auto& c : children) {
        if (c) c->dirty = 1;
    }
    dirty = 0;
}
