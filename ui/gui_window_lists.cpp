// The compound controls: list boxes and their items, drop-downs, menu bars with their
// drop-down menus, and text boxes.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/keys.h"
#include "platform/text.h"
#include "ui/gui.h"

namespace {

// An item is 0.08 high; a list scrolled to an item leaves this gap to the area's edge.
constexpr float k_item_height = 0.08f;
constexpr float k_item_margin = 0.008f;

float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool starts_with_initial(const gui_rect* r, int c) {
    if (r == nullptr || !r->text) return false;
    const int first = static_cast<unsigned char>(r->text[0]);
    return first != 0 && (first == c || first == c - 32);
}

}  // namespace

gui_rect* gui_window::list_item(int k) const {
    if (k < 0) return nullptr;
    int n = 0;
    for (const auto& r : rects) {
        if (r->kind != rect_kind::list_item) continue;
        if (n == k) return r.get();
        ++n;
    }
    return nullptr;
}

int gui_window::list_item_count() const {
    int n = 0;
    for (const auto& r : rects) {
        if (r->kind == rect_kind::list_item) ++n;
    }
    return n;
}

void gui_window::list_add_item(const char* t) {
    if (kind != window_kind::list_box) return;
    const gui_rect* area = find_rect_by_kind(rect_kind::list_area);
    if (area == nullptr) return;
    const gui_rect* last = find_last_rect_by_kind(rect_kind::list_item);
    const float top = last != nullptr ? last->y1 : area->y2;
    gui_rect* item = add_rect(area->x1, top - k_item_height, area->x2, top, rect_kind::list_item);
    item->fit_text = 1;  // a long item takes a smaller font rather than running under the tick
    item->set_text(t);
    layout();
}

void gui_window::list_fill_from_files(const char* pattern, bool keep_extension) {
    if (kind != window_kind::list_box) return;
    for (const dir_entry& e : fs_list(pattern)) {
        if (e.name.size() < 3) continue;
        std::string name = e.name;
        if (!keep_extension) name = name.substr(0, name.find('.'));
        list_add_item(name.c_str());
    }
}

void gui_window::list_remove_last_item() {
    if (kind != window_kind::list_box) return;
    const gui_rect* last = last_rect();
    if (last == nullptr || last->kind != rect_kind::list_item) return;
    remove_last_rect();
    layout();
}

void gui_window::list_clear() {
    pressed = selected = 0;
    if (kind != window_kind::list_box) return;
    while (last_rect() != nullptr && last_rect()->kind == rect_kind::list_item) remove_last_rect();
    layout();
}

void gui_window::list_select(int k) {
    if (kind != window_kind::list_box) return;
    gui_rect* item = list_item(k);
    if (item == nullptr) return;
    pressed = selected = index_of(item) + 1;
    layout();
    const gui_rect* area = find_rect_by_kind(rect_kind::list_area);
    gui_rect* thumb = find_rect_by_kind(rect_kind::vertical_thumb);
    if (area == nullptr || thumb == nullptr) return;
    const float top = item->y2 + item->offset_y, bottom = item->y1 + item->offset_y;
    if (bottom >= area->y1 - 1e-5f && top <= area->y2 + 1e-5f) return;
    const float s = thumb->scale;
    float v = 0;
    if (s != 0) {
        v = list_moving_up ? (area->y2 - item->y2 - k_item_margin) / s
                           : (area->y1 + k_item_margin - item->y1) / s;
    }
    thumb->value_y = thumb->offset_y = clampf(thumb->range - v, 0, thumb->range);
    layout();
}

void gui_window::list_select_text(const char* t) {
    if (kind != window_kind::list_box || t == nullptr) return;
    for (int k = 0; gui_rect* item = list_item(k); ++k) {
        if (item->text && compare_nocase(item->text.get(), t) == 0) {
            list_moving_up = 1;
            list_select(k);
            return;
        }
    }
}

int gui_window::list_selected_index() const {
    if (kind != window_kind::list_box) return -1;
    const gui_rect* s = selected_rect();
    if (s == nullptr || s->kind != rect_kind::list_item) return -1;
    int n = 0;
    for (const auto& r : rects) {
        if (r.get() == s) return n;
        if (r->kind == rect_kind::list_item) ++n;
    }
    return -1;
}

const char* gui_window::list_selected_text() const {
    const gui_rect* p = pressed_rect();
    if (p != nullptr && p->kind == rect_kind::list_item && p->text) return p->text.get();
    const gui_rect* s = selected_rect();
    if (s != nullptr && s->text) return s->text.get();
    return "";
}

void gui_window::list_set_item_text(int k, const char* t) {
    list_select(k);
    if (gui_rect* item = list_item(k)) item->set_text(t);
}

void gui_window::list_set_bold(bool b) {
    for (auto& r : rects) {
        if (r->kind == rect_kind::list_item) r->bold = b ? 1 : 0;
    }
}

void gui_window::list_sort() {
    std::vector<std::string> texts;
    for (const auto& r : rects) {
        if (r->kind == rect_kind::list_item) texts.emplace_back(r->text ? r->text.get() : "");
    }
    std::stable_sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return compare_nocase(a.c_str(), b.c_str()) < 0;
    });
    std::size_t i = 0;
    for (auto& r : rects) {
        if (r->kind == rect_kind::list_item) r->set_text(texts[i++].c_str());
    }
}

void gui_window::list_on_key(int key) {
    if (kind != window_kind::list_box) return;
    const int count = list_item_count();
    int step = 0;
    switch (key) {
        case VK_PRIOR: step = -10; list_moving_up = 1; break;
        case VK_NEXT: step = 10; list_moving_up = 0; break;
        case VK_LEFT:
        case VK_UP: step = -1; list_moving_up = 1; break;
        case VK_RIGHT:
        case VK_DOWN: step = 1; list_moving_up = 0; break;
        default: break;
    }
    if (step != 0) {
        if (count == 0) return;
        const int k = std::clamp(list_selected_index() + step, 0, count - 1);
        list_select(k);
        return;
    }
    // Type-ahead: the next item with this initial, else the first one.
    const gui_rect* next = list_item(list_selected_index() + 1);
    if (starts_with_initial(next, key)) {
        list_select_text(next->text.get());
        return;
    }
    for (int k = 0; k < count; ++k) {
        if (starts_with_initial(list_item(k), key)) {
            list_select(k);
            return;
        }
    }
}

void gui_window::combo_add_item(const char* t) {
    if (gui_window* list = last_child()) list->list_add_item(t);
}

void gui_window::combo_select(int k) {
    gui_window* list = last_child();
    if (list == nullptr) return;
    list->list_select(k);
    if (gui_rect* field = rect(0)) field->set_text(list->list_selected_text());
}

void gui_window::combo_select_text(const char* t) {
    gui_window* list = last_child();
    if (list == nullptr) return;
    list->list_select_text(t);
    if (gui_rect* field = rect(0)) field->set_text(list->list_selected_text());
}

int gui_window::combo_selected_index() const {
    const gui_window* list = last_child();
    return list != nullptr ? list->list_selected_index() : -1;
}

const char* gui_window::combo_selected_text() const {
    const gui_window* list = last_child();
    return list != nullptr ? list->list_selected_text() : "";
}

void gui_window::combo_set_bold(bool b) {
    if (gui_rect* field = rect(0)) field->bold = b ? 1 : 0;
    if (gui_window* list = last_child()) list->list_set_bold(b);
}

gui_window* gui_window::add_menu(const char* title, gui_callback handler) {
    if (kind != window_kind::menu_bar) return nullptr;
    int n = 0;
    for (const auto& r : rects) {
        if (r->kind == rect_kind::menu_entry) ++n;
    }
    // Titles run from the screen's left edge, 0.3 wide each.
    const float x = 0.3f * static_cast<float>(n) - gui_scale[0];
    const float top = gui_scale[1];
    gui_rect* t = add_rect(x, top - 0.08f, x + 0.3f, top, rect_kind::menu_entry);
    t->visible = 0;
    t->set_text(title);
    gui_window* menu = add_window();
    menu->create(x, top - 0.08f, x + 0.3f, top, window_kind::drop_down_menu);
    menu->callback = handler;
    if (gui_rect* band = find_rect_by_kind(rect_kind::band)) band->x1 = x + 0.3f;
    return menu;
}

gui_rect* gui_window::add_menu_item(const char* t) {
    if (kind != window_kind::drop_down_menu) return nullptr;
    const gui_rect* strip = find_rect_by_kind(rect_kind::menu_strip);
    if (strip == nullptr) return nullptr;
    int n = 1;
    for (const auto& r : rects) {
        if (r->kind == rect_kind::menu_entry) ++n;
    }
    const float dy = k_item_height * static_cast<float>(n);
    gui_rect* entry = add_rect(strip->x1, strip->y1 - dy, strip->x2, strip->y2 - dy,
                               rect_kind::menu_entry);
    entry->visible = 0;
    entry->set_text(t);
    const float y1 = entry->y1;
    // The frame goes to the end of the list, enclosing the title row and every entry.
    std::vector<std::unique_ptr<gui_rect>> frames;
    for (auto& r : rects) {
        if (r->kind == rect_kind::band) frames.push_back(std::move(r));
    }
    rects.erase(std::remove(rects.begin(), rects.end(), nullptr), rects.end());
    for (auto& f : frames) {
        f->y1 = y1;
        rects.push_back(std::move(f));
    }
    rect_count = static_cast<int>(rects.size());
    return entry;
}

void gui_window::text_set(const char* t) {
    if (gui_rect* area = find_last_rect_by_kind(rect_kind::text_area)) area->set_text(t);
    layout();
}

bool gui_window::text_load_file(const char* path, bool after_marker) {
    gui_rect* area = find_last_rect_by_kind(rect_kind::text_area);
    const bool loaded = area != nullptr && area->load_text_file(path, after_marker);
    layout();
    return loaded;
}

void gui_window::text_on_key(int key) {
    if (kind != window_kind::text_box) return;
    gui_rect* v = find_rect_by_kind(rect_kind::vertical_thumb);
    gui_rect* h = find_rect_by_kind(rect_kind::horizontal_thumb);
    const float rows = static_cast<float>(std::max(1, lines));
    const float cols = static_cast<float>(std::max(1, columns));
    auto move_v = [&](float step) {
        if (v == nullptr) return;
        v->value_y = clampf(v->value_y + step, 0, v->range);
        v->offset_y = v->value_y;
    };
    auto move_h = [&](float step) {
        if (h == nullptr) return;
        h->value_x = clampf(h->value_x + step, 0, h->range);
        h->offset_x = h->value_x;
    };
    switch (key) {
        case VK_PRIOR: if (v) move_v(5 * v->range / rows); break;
        case VK_NEXT: if (v) move_v(-5 * v->range / rows); break;
        case VK_UP: if (v) move_v(v->range / rows); break;
        case VK_DOWN: if (v) move_v(-v->range / rows); break;
        case VK_LEFT: if (h) move_h(-h->range / cols); break;
        case VK_RIGHT: if (h) move_h(h->range / cols); break;
        default: break;
    }
    layout();
}
