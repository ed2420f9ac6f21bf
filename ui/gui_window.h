// A window of the program's GUI: an ordered list of elements (gui_rect), an ordered list of
// child windows (the last one is drawn and tested on top) and one callback. A screen or a
// dialog is nothing but that callback: it fills its window on the build event and reacts to
// the later events. The window kinds lay out their own frame elements (title bar, close
// button, scroll bars, slider thumbs) and keep them consistent in the layout pass.
//
// Coordinates are GUI units: x to the right, y up, the screen centre at 0; one unit is 320
// pixels across and 240 up at any back-buffer size. Boxes are x1, y1 (lower left), x2, y2.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/math3d.h"
#include "ui/gui_rect.h"

class gui_window;

// Destroys the windows and elements taken out of the tree since the last call. Windows are
// not destroyed while a callback may still run inside them; the GUI calls this at the end
// of each of its entries.
void flush_closed_windows();
// Hands a window taken out of the tree to the next flush.
void park_closed_window(std::unique_ptr<gui_window> window);

// A screen or dialog: the window it runs in and the event (gui_event). Its result matters
// only to open_dialog, which passes on the answer to the build or reactivate event.
using gui_callback = int (*)(gui_window* window, int event);

namespace window_kind {
enum : int {
    resizable_window = 0,
    titled_window = 1,
    panel = 2,
    text_box = 3,
    list_box = 4,
    drop_down = 5,
    horizontal_slider = 6,
    vertical_slider = 7,
    red_green_horizontal_slider = 8,
    red_green_vertical_slider = 9,
    menu_bar = 10,
    drop_down_menu = 11,
    none = 12,
};
}  // namespace window_kind

// The events a callback receives. 15 to 17 are free for a callback to send to itself.
namespace gui_event {
enum : int {
    build = 0,
    press = 1,
    click = 2,
    drag = 3,
    draw = 4,
    tick = 5,
    reactivate = 6,
    close = 7,
    enter = 8,
    message_box_result = 9,
    child_changed = 10,
    child_committed = 11,
    child_scrolled = 12,
    wheel_up = 13,
    wheel_down = 14,
};
}  // namespace gui_event

// Placement modes of open_dialog.
namespace dialog_placement {
enum : int { own_box = 0, maximised = 1, given_box = 2, plain = 3 };
}

// Whether a child window is drawn over its parent's other children and hit before them,
// whatever its place in the list: the drop-down menus of the in-run menu bar, which open
// over any dialog.
bool lies_over_dialogs(const gui_window& w);

class gui_window {
public:
    static constexpr int k_private_words = 124;

    gui_window();
    // Sends the close event to its callback, then clears everything below it.
    virtual ~gui_window();
    gui_window(const gui_window&) = delete;
    gui_window& operator=(const gui_window&) = delete;

    // --- Building ---
    // Clears the window and lays out the frame elements of the kind in the box.
    void create(float x1, float y1, float x2, float y2, int kind);
    // The same without frame elements; the window uses the GUI opacity.
    void create_empty(float x1, float y1, float x2, float y2, int kind);
    // Deletes every child (each hears the close event) and every element.
    void clear();
    gui_rect* add_rect();
    gui_window* add_window();
    // add_rect followed by gui_rect::set; the new element.
    gui_rect* add_rect(float x1, float y1, float x2, float y2, int kind);
    void remove_last_rect();
    // Deletes child i (0-based): close event, cleared, deleted, later children move down.
    void delete_child(int i);

    gui_rect* last_rect() const;
    gui_window* last_child() const;
    gui_rect* pressed_rect() const;
    gui_rect* selected_rect() const;
    gui_window* current_child() const;
    gui_rect* find_rect_by_kind(int kind) const;
    gui_rect* find_last_rect_by_kind(int kind) const;
    gui_rect* rect(int i) const { return i >= 0 && i < rect_count ? rects[i].get() : nullptr; }
    gui_window* child(int i) const {
        return i >= 0 && i < child_count ? children[i].get() : nullptr;
    }
    // The 0-based index of an element or child, -1 when it is not one of this window's.
    int index_of(const gui_rect* r) const;
    int index_of(const gui_window* w) const;
    // Makes an edit field of this window the keyboard's: its text loads into the edit buffer
    // with the caret at its end (as a press into it does).
    void take_edit_focus(gui_rect* r);

    void set_title(const char* text);
    void set_position(float x, float y);
    void set_scale(float sx, float sy);
    // Sliders: the thumb position as a value 0..255.
    float slider_value() const;
    void set_slider_value(float v);
    // Whether the pressed element has a text equal to this one, case ignored.
    bool rect_text_equals(const char* text) const;
    bool framed() const {
        return kind == window_kind::resizable_window || kind == window_kind::titled_window;
    }

    // Keeps thumbs, tracks and list items consistent with each other (per window kind).
    void layout();

    // --- Events and input ---
    // Sends an event to this window's callback; 0 when it has none.
    int send(int event);
    bool hover(float x, float y);
    bool press(float x, float y);
    bool on_press();
    void drag(float x, float y);
    void on_drag(float dx, float dy);
    void release();
    void tick();

    // --- Screens and dialogs ---
    void set_screen(gui_callback cb);
    void close();
    int open_dialog(gui_callback cb, int placement = dialog_placement::own_box, float x1 = 0,
                    float y1 = 0, float x2 = 0, float y2 = 0);
    gui_window* find_dialog(gui_callback cb) const;
    // Brings a framed dialog of the root wholly inside the screen: a dialog whose elements
    // (title bar, tab row, edges) reach past the window's edges is scaled down about its
    // centre, keeping its proportions, and moved in, so that it lies a small margin inside
    // (below the menu bar's titles during a run). A dialog that fits keeps its box. Every
    // opening and showing of a dialog applies it.
    void fit_on_screen();
    bool toggle_dialog(gui_callback cb);
    void close_dialog(gui_callback cb);
    void close_dialogs();
    // The shared message box (see message_box.h).
    int message_box(gui_window* owner, const char* caption, const char* message, int type,
                    int kind, const char* initial);

    // --- Lists (window kind 4) ---
    void list_add_item(const char* text);
    // One item per file that matches the pattern ("motors\*.txt"); names of fewer than three
    // characters are skipped; without keep_extension names end at their first '.'.
    void list_fill_from_files(const char* pattern, bool keep_extension);
    void list_remove_last_item();
    void list_clear();
    void list_select(int k);
    void list_select_text(const char* text);
    int list_selected_index() const;
    const char* list_selected_text() const;
    void list_set_item_text(int k, const char* text);
    void list_set_bold(bool bold);
    int list_item_count() const;
    void list_sort();
    void list_on_key(int key);
    // Item k (0-based), or none.
    gui_rect* list_item(int k) const;

    // --- Drop-downs (window kind 5): each forwards to the list, the last child ---
    void combo_add_item(const char* text);
    void combo_select(int k);
    void combo_select_text(const char* text);
    int combo_selected_index() const;
    const char* combo_selected_text() const;
    void combo_set_bold(bool bold);

    // --- Menus ---
    // On a menu bar: a title and its drop-down menu with the handler as callback.
    gui_window* add_menu(const char* title, gui_callback handler);
    // On a drop-down menu: one entry below the others.
    gui_rect* add_menu_item(const char* text);

    // --- Text boxes (window kind 3) ---
    void text_set(const char* text);
    bool text_load_file(const char* path, bool after_marker);
    void text_on_key(int key);

    // --- Drawing ---
    void draw();
    // Recomputes the transforms from the parent's world (after a move, scale or resize).
    void update_transforms();
    // How much this window and the windows it hangs on stretch its units along one axis (0
    // across, 1 up): below 1 in a dialog scaled down to fit a small screen. Read from the local
    // transforms, which are current even before the world transform is brought up to date.
    float drawn_scale(int axis) const;

    gui_window* parent = nullptr;
    mat4 local = mat_identity();
    mat4 world = mat_identity();
    mat4 picking = mat_identity();
    mat4 inverse_world = mat_identity();
    int kind = window_kind::none;

    std::uint8_t visible = 1;
    std::uint8_t uses_opacity = 0;
    std::uint8_t wants_draw = 0;
    std::uint8_t wants_tick = 0;
    std::uint8_t rebuild_on_resize = 0;
    std::uint8_t auto_fade = 0;
    std::uint8_t fade_in = 0;
    std::uint8_t maximised = 0;
    std::uint8_t use_stored_box = 0;
    std::uint8_t dirty = 1;
    std::uint8_t list_moving_up = 1;

    float width = 0, height = 0;
    float text_scale_x = 1, text_scale_y = 1;
    float last_pointer_x = 0, last_pointer_y = 0;
    float local_pointer_x = 0, local_pointer_y = 0;
    float scale_at_press_x = 1, scale_at_press_y = 1;
    float alpha = 255;
    float fade_timer = 0;

    int rect_count = 0;
    int child_count = 0;
    // 1-based indices into the elements or children; 0 = none.
    int pressed = 0;
    int selected = 0;
    int current = 0;
    int hovered_rect = 0;
    int hovered_child = 0;
    int columns = 0;
    int lines = 0;

    std::vector<std::unique_ptr<gui_rect>> rects;
    std::vector<std::unique_ptr<gui_window>> children;

    // Belongs to the callback: screens keep their element pointers and small state here.
    union private_word {
        std::int32_t i;
        float f;
    };
    private_word private_state[k_private_words] = {};
    // Element and child pointers a screen keeps (cleared with the window's contents).
    static constexpr int k_private_pointers = 16;
    gui_rect* private_rects[k_private_pointers] = {};
    gui_window* private_windows[k_private_pointers] = {};

    float box_x1 = 0, box_y1 = 0, box_x2 = 0, box_y2 = 0;
    gui_callback callback = nullptr;

private:
    void add_frame_elements(float x1, float y1, float x2, float y2);
    void reset_indices();
    void layout_text_box();
    void layout_list();
    void scroll_thumb(gui_rect* thumb, float step, bool vertical);
    void page_track(gui_rect* track);
    void release_pressed(gui_rect* r);
    void after_release_without_callback(gui_rect* r);
    void draw_elements(bool over_custom, bool batched);
    // Gives the captions of one column (labels, check boxes or buttons of the same left and
    // right edges, or the items of a list, scrolled out of sight or not) one font: the
    // smallest any of them takes to fit its box (one too wide even in the small font is
    // narrowed on its own). Worked out again only when the captions, their boxes, the window's
    // text scale or the screen size changed, or a caption is new (a rebuilt window's elements
    // start without a column font); not when a list scrolls.
    void share_column_fonts();
    // What the column fonts depend on, folded into one number.
    std::uint64_t column_fonts_key() const;
    std::uint64_t column_fonts_for = 0;
    bool column_fonts_known = false;
    // Removes child i from the list without deleting it.
    std::unique_ptr<gui_window> take_child(int i);
};
