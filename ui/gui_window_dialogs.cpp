// Screens and dialogs: installing a screen on the root, opening dialogs (one framed dialog at
// a time in menu mode), bringing them to the front, toggling and closing them.
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

}  // namespace

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
                return w->send(gui_event::build);
            case dialog_placement::given_box:
                w->box_x1 = x1;
                w->box_y1 = y1;
                w->box_x2 = x2;
                w->box_y2 = y2;
                w->maximised = 0;
                w->use_stored_box = 1;
                return w->send(gui_event::build);
            case dialog_placement::plain:
                w->maximised = 0;
                w->use_stored_box = 0;
                return w->send(gui_event::build);
            default: return w->send(gui_event::reactivate);
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
