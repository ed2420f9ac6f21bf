// Screens and dialogs: installing a screen on the root, opening dialogs (one framed dialog at
// a time in menu mode), fitting them inside the window, bringing them to the front, toggling
// and closing them.
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/gui.h"
#include "ui/message_box.h"
#include "ui/screens.h"

namespace {

// A hidden dialog shown again starts without a hovered element, as a new one does: the hover
// it had when it was hidden belongs to a pointer that has since moved on.
void forget_hover(gui_window& w) {
    w.hovered_rect = 0;
    w.hovered_child = 0;
    for (int i = 0; i < w.child_count; ++i) {
        if (gui_window* c = w.child(i)) forget_hover(*c);
    }
}

// Room kept between a fitted dialog and the window's edges, in GUI units (about 6 pixels
// across and 5 up): the tab row and the resize edges stay clear of the last pixel rows.
constexpr float k_screen_margin = 0.02f;
// The in-run menu bar's row of titles ("Situation", "Options" ...) along the window's top.
constexpr float k_menu_titles = 0.08f;
// Slack for the rounding of a box that ends exactly on the window's edge.
constexpr float k_edge_slack = 1e-4f;

// The resize corners and edges reach a little past the frame and are never drawn: they only
// take the pointer.
bool is_resize_handle(const gui_rect& r) {
    return r.kind >= rect_kind::corner_upper_left && r.kind <= rect_kind::edge_top;
}

// The box that the drawn elements of a window cover, in its own units; false without any.
bool element_extent(const gui_window& w, float* x1, float* y1, float* x2, float* y2) {
    bool any = false;
    for (int i = 0; i < w.rect_count; ++i) {
        const gui_rect* r = w.rect(i);
        if (r == nullptr || !r->visible || is_resize_handle(*r)) continue;
        const float lo_x = std::min(r->x1, r->x2), hi_x = std::max(r->x1, r->x2);
        const float lo_y = std::min(r->y1, r->y2), hi_y = std::max(r->y1, r->y2);
        *x1 = any ? std::min(*x1, lo_x) : lo_x;
        *y1 = any ? std::min(*y1, lo_y) : lo_y;
        *x2 = any ? std::max(*x2, hi_x) : hi_x;
        *y2 = any ? std::max(*y2, hi_y) : hi_y;
        any = true;
    }
    return any;
}

// Whether the span lo..hi (in its own units), scaled by s and moved by t, lies within
// -half .. half.
bool span_inside(float lo, float hi, float s, float t, float half) {
    const float a = std::min(s * lo, s * hi) + t, b = std::max(s * lo, s * hi) + t;
    return a >= -half - k_edge_slack && b <= half + k_edge_slack;
}

// The translation that moves the span lo..hi (already scaled and translated by t) between
// low and high; a span longer than that is centred on it.
float moved_inside(float lo, float hi, float t, float low, float high) {
    if (hi - lo > high - low) return t + (low + high) / 2 - (lo + hi) / 2;
    if (hi > high) return t - (hi - high);
    if (lo < low) return t + (low - lo);
    return t;
}

// Dialogs open and show again through the operations below: each is fitted on the screen
// after its callback had the event, unless the callback closed or hid it.
void fit_shown(const gui_window& parent, gui_window* w) {
    if (w != nullptr && w->visible && parent.index_of(w) >= 0) w->fit_on_screen();
}
int shown_result(const gui_window& parent, gui_window* w, int result) {
    fit_shown(parent, w);
    return result;
}

}  // namespace

void gui_window::fit_on_screen() {
    if (!framed() || parent == nullptr || parent->parent != nullptr) return;
    // A window without a body is a view drawn over the screen's square (the telescope's
    // sight): it has no title bar to bring into reach and stays on the camera's axis.
    if (find_rect_by_kind(rect_kind::body) == nullptr) return;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (!element_extent(*this, &x1, &y1, &x2, &y2)) return;
    // A dialog whose drawing lies within the window keeps its box as it is.
    if (span_inside(x1, x2, local.m[0][0], local.m[3][0], gui_scale[0]) &&
        span_inside(y1, y2, local.m[1][1], local.m[3][1], gui_scale[1])) {
        return;
    }
    // The room: the window less the margin, and during a run less the menu bar's row of
    // titles along the top, which stays clear above the dialogs.
    const float right = gui_scale[0] - k_screen_margin, left = -right;
    const float bottom = -gui_scale[1] + k_screen_margin;
    const float top = gui_scale[1] - k_screen_margin - (parent->kind == window_kind::menu_bar ? k_menu_titles : 0.0f);
    if (right <= left || top <= bottom) return;
    float sx = local.m[0][0], sy = local.m[1][1], tx = local.m[3][0], ty = local.m[3][1];
    const float w = std::abs(sx) * (x2 - x1), h = std::abs(sy) * (y2 - y1);
    float f = 1.0f;
    if (w > right - left) f = std::min(f, (right - left) / w);
    if (h > top - bottom) f = std::min(f, (top - bottom) / h);
    if (f < 1.0f) {
        // Scaled about the centre of what it shows: p' = f (p - c) + c.
        const float cx = sx * (x1 + x2) / 2 + tx, cy = sy * (y1 + y2) / 2 + ty;
        sx *= f;
        sy *= f;
        tx = f * tx + (1 - f) * cx;
        ty = f * ty + (1 - f) * cy;
    }
    const float lo_x = std::min(sx * x1, sx * x2) + tx, hi_x = std::max(sx * x1, sx * x2) + tx;
    const float lo_y = std::min(sy * y1, sy * y2) + ty, hi_y = std::max(sy * y1, sy * y2) + ty;
    tx = moved_inside(lo_x, hi_x, tx, left, right);
    ty = moved_inside(lo_y, hi_y, ty, bottom, top);
    if (sx == local.m[0][0] && sy == local.m[1][1] && tx == local.m[3][0] && ty == local.m[3][1]) return;
    set_scale(sx, sy);
    set_position(tx, ty);
}

void gui_window::set_screen(gui_callback cb) {
    if (is_uninstalled_design_screen(cb)) return;
    clear_focus();
    // The screen being replaced hears that it closes (a rebuild of the same one does not).
    if (callback != nullptr && callback != cb) send(gui_event::close);
    callback = cb;
    send(gui_event::build);
}

void gui_window::close() {
    if (callback == nullptr) return;
    send(gui_event::close);
    visible = 0;
}

gui_window* gui_window::find_dialog(gui_callback cb) const {
    for (int i = 0; i < child_count; ++i) {
        if (children[static_cast<std::size_t>(i)]->callback == cb) return child(i);
    }
    return nullptr;
}

int gui_window::open_dialog(gui_callback cb, int placement, float x1, float y1, float x2,
                            float y2) {
    if (kind != window_kind::panel && kind != window_kind::menu_bar) {
        clear_focus();
        return 0;
    }
    const bool box = cb == message_box_dialog;
    if (kind == window_kind::panel && !box) {
        close_dialogs();
    } else if (gui_window* w = find_dialog(cb)) {
        const int i = index_of(w);
        // A framed dialog comes to the front by exchanging places with the topmost child.
        if (w->framed()) std::swap(children[static_cast<std::size_t>(i)], children.back());
        if (!w->visible) forget_hover(*w);
        w->visible = 1;
        w->fade_timer = 0;
        switch (placement) {
            case dialog_placement::maximised:
                w->maximised = 1;
                w->use_stored_box = 0;
                return shown_result(*this, w, w->send(gui_event::build));
            case dialog_placement::given_box:
                w->box_x1 = x1;
                w->box_y1 = y1;
                w->box_x2 = x2;
                w->box_y2 = y2;
                w->maximised = 0;
                w->use_stored_box = 1;
                return shown_result(*this, w, w->send(gui_event::build));
            case dialog_placement::plain:
                w->maximised = 0;
                w->use_stored_box = 0;
                return shown_result(*this, w, w->send(gui_event::build));
            default: return shown_result(*this, w, w->send(gui_event::reactivate));
        }
    }
    // A design screen that was not installed opens nothing, though in menu mode the open ones made way for it.
    if (is_uninstalled_design_screen(cb)) {
        clear_focus();
        return 0;
    }
    gui_window* w = add_window();
    w->callback = cb;
    if (placement == dialog_placement::maximised) w->maximised = 1;
    if (placement == dialog_placement::given_box) {
        w->box_x1 = x1;
        w->box_y1 = y1;
        w->box_x2 = x2;
        w->box_y2 = y2;
        w->use_stored_box = 1;
    }
    const int result = w->send(gui_event::build);
    fit_shown(*this, w);
    clear_focus();
    return result;
}

bool gui_window::toggle_dialog(gui_callback cb) {
    if (is_uninstalled_design_screen(cb)) return false;
    gui_window* w = find_dialog(cb);
    if (w == nullptr) {
        open_dialog(cb, dialog_placement::own_box);
        return true;
    }
    w->fade_timer = 0;
    if (w->visible) {
        w->visible = 0;
        w->send(gui_event::close);
        return false;
    }
    forget_hover(*w);
    w->visible = 1;
    if (w->framed()) {
        const int i = index_of(w);
        std::swap(children[static_cast<std::size_t>(i)], children.back());
    }
    w->send(gui_event::reactivate);
    fit_shown(*this, w);
    return true;
}

void gui_window::close_dialog(gui_callback cb) {
    for (gui_window* w = find_dialog(cb); w != nullptr; w = find_dialog(cb)) {
        w->send(gui_event::close);
        int i = index_of(w);
        if (i < 0) continue;  // the close event already took it away
        std::unique_ptr<gui_window> taken;
        if (w->framed()) {
            // The former topmost child takes the closed dialog's place.
            std::swap(children[static_cast<std::size_t>(i)], children.back());
            taken = take_child(child_count - 1);
        } else {
            taken = take_child(i);
        }
        taken->clear();
        forget_focus_window(taken.get());
        park_closed_window(std::move(taken));
        clear_focus();
    }
}

void gui_window::close_dialogs() {
    if (kind != window_kind::menu_bar && kind != window_kind::panel) return;
    while (gui_window* w = last_child()) {
        if (!w->framed()) break;
        const int before = child_count;
        delete_child(child_count - 1);
        if (child_count >= before) break;  // a close event that reopened itself
    }
}

int gui_window::message_box(gui_window* owner, const char* caption, const char* message,
                            int type, int kind_tag, const char* initial) {
    return open_message_box(this, owner, caption, message, type, kind_tag, initial);
}
