#include "ui/gui.h"

#include <algorithm>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/sound_system.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "ui/gui_hooks.h"
#include "ui/gui_painter.h"
#include "ui/message_box.h"
#include "ui/overlay2d.h"
#include "ui/run_screens.h"
#include "ui/screens.h"

gui* g_gui = nullptr;
pointer_position gui_pointer;
float gui_scale[2] = {1.0f, 1.0f};
mat4 gui_view = mat_identity();
gui_focus g_focus;
float window_draw_alpha = 255.0f;
std::uint32_t window_draw_white = 0xFFFFFFFFu;

namespace {

// A keyboard change of a list selection reaches the list's parent after this long without
// further keys.
constexpr std::uint32_t k_commit_delay_ms = 500;

// The click of buttons, handled keys and Escape.
void click() { ui_play_sound_slot(0, 0); }

// The GUI as the shell sees it.
class gui_backend : public gui_services {
public:
    void init() override { if (g_gui) g_gui->init(); }
    void update() override { if (g_gui) g_gui->update(); }
    void render() override { if (g_gui) g_gui->render(); }
    void on_key(void* window, std::uint32_t message, std::uintptr_t wparam,
                std::intptr_t lparam) override {
        if (g_gui) g_gui->on_key(window, message, wparam, lparam);
    }
    void on_resize() override { if (g_gui) g_gui->on_resize(); }
    void shutdown() override { shutdown_gui(); }
    void on_mouse_move(int x, int y, int buttons) override {
        if (g_gui) g_gui->on_mouse_move(x, y, buttons);
    }
    bool on_mouse_down(int x, int y, int button) override {
        return g_gui != nullptr && g_gui->on_mouse_down(x, y, button);
    }
    void on_mouse_up() override { if (g_gui) g_gui->on_mouse_up(); }
    void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                            std::uint32_t colour) override {
        if (g_overlay) {
            g_overlay->draw_box_3d(min.x, min.y, min.z, max.x, max.y, max.z, altitude_offset, colour);
        }
    }
    void draw_cross_marker(const vec3& at, float half_size, std::uint32_t colour) override {
        if (g_overlay) g_overlay->draw_3d_cross(at.x, at.y, at.z, half_size, colour);
    }
    void draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour) override {
        if (g_overlay) g_overlay->draw_map_symbol(x, y, size, kind, colour);
    }
    void begin_label_text(int font) override { if (g_overlay) g_overlay->begin_text(font); }
    void draw_label_text(float x, float y, const char* text, std::uint32_t colour, int font) override {
        if (g_overlay) g_overlay->draw_text_font(x, y, text, colour, 1.0f, 1.0f, font);
    }
    void end_label_text(int font) override { if (g_overlay) g_overlay->end_text(font); }
    vec2 gui_scale() const override {
        return g_overlay != nullptr ? vec2{g_overlay->gui_scale[0], g_overlay->gui_scale[1]} : vec2{1.0f, 1.0f};
    }
    void open_dialog(gui_dialog which) override {
        if (g_gui) g_gui->open_scene_dialog(dialog_of(which));
    }
    bool toggle_dialog(gui_dialog which) override {
        return g_gui != nullptr && g_gui->toggle_dialog(dialog_of(which));
    }
    void close_dialog(gui_dialog which) override {
        if (g_gui) g_gui->close_dialog(dialog_of(which));
    }
    void set_display(bool on) override { if (g_gui) g_gui->display = on ? 1 : 0; }
    void show_notice(const char* caption, const char* text) override {
        if (g_gui) g_gui->show_notice(caption, text);
    }

private:
    static gui_callback dialog_of(gui_dialog which) {
        switch (which) {
            case gui_dialog::results: return results_dialog;
            case gui_dialog::flight_graph: return flight_graph_dialog;
            case gui_dialog::radar_view: return radar_view_dialog;
            case gui_dialog::telescope_view: return telescope_view_dialog;
            case gui_dialog::map_view: return map_view_dialog;
            case gui_dialog::keys: return keys_dialog;
            case gui_dialog::about: return about_dialog;
            case gui_dialog::weather: return weather_dialog;
        }
        return nullptr;
    }
};

gui_backend g_backend;

// Pixels of the client area to normalised device coordinates (y up).
void to_ndc(int x, int y, float* nx, float* ny) {
    int w = 640, h = 480;
    ui_viewport_size(&w, &h);
    *nx = 2.0f * static_cast<float>(x) / static_cast<float>(w) - 1.0f;
    *ny = -(2.0f * static_cast<float>(y) / static_cast<float>(h) - 1.0f);
}

// The end of the GUI's entries: windows closed meanwhile go, and the shell sees the focus.
void settle() {
    flush_closed_windows();
    publish_focus();
}

int edit_length() { return static_cast<int>(std::strlen(g_focus.edit_buffer)); }

}  // namespace

std::uint32_t gui_clock() { return g_state != nullptr ? g_state->now : 0; }
float gui_frame_time() { return g_state != nullptr ? g_state->smoothed_step : 0.0f; }

void leave_menu_for_run() {
    if (g_app == nullptr || !g_app->menu_mode) return;
    send_media_command("stop MediaFile");
    send_media_command("close MediaFile");
    pending_command = 1;
    g_app->menu_mode = 0;
}

namespace {

// Whether the pointer lies within a window's box.
bool pointer_over(gui_window& w) {
    if (w.dirty) w.update_transforms();
    const vec3 p = transform_coord(vec3{gui_pointer.x, gui_pointer.y, 0.0f}, w.picking);
    return p.x >= std::min(w.box_x1, w.box_x2) && p.x <= std::max(w.box_x1, w.box_x2) &&
           p.y >= std::min(w.box_y1, w.box_y2) && p.y <= std::max(w.box_y1, w.box_y2);
}

}  // namespace

void clear_focus() {
    g_focus.list_focus = 0;
    g_focus.edit_focus = 0;
    g_focus.commit_pending = 0;
}

void forget_focus_window(const gui_window* window) {
    if (window == nullptr) return;
    if (g_focus.focus_window == window) {
        g_focus.focus_window = nullptr;
        g_focus.list_focus = 0;
        g_focus.commit_pending = 0;
    }
    if (g_focus.edit_window == window) {
        g_focus.edit_window = nullptr;
        g_focus.edit_focus = 0;
    }
    // A box whose asker went away answers no one.
    if (g_message_box.owner == window) g_message_box.owner = nullptr;
}

void publish_focus() {
    if (g_state == nullptr) return;
    g_state->gui_focus[0] = g_focus.list_focus;
    g_state->gui_focus[1] = g_focus.edit_focus;
}

gui::gui() { install_gui_services(&g_backend); }

gui::~gui() {
    clear();
    flush_closed_windows();
    if (g_gui == this) {
        g_gui = nullptr;
        install_gui_services(nullptr);
    }
}

void shutdown_gui() {
    flush_closed_windows();
    if (g_overlay != nullptr) g_overlay->release();
}

void gui::init() {
    if (g_overlay != nullptr) {
        // The overlay takes the window's scale before it restores: its fonts are then drawn
        // once, at the size the resize below asks for again.
        int w = 640, h = 480;
        ui_viewport_size(&w, &h);
        g_overlay->set_gui_scale(w, h);
        g_overlay->restore();
    }
    on_resize();
}

void gui::on_resize() {
    int w = 640, h = 480;
    ui_viewport_size(&w, &h);
    gui_scale[0] = static_cast<float>(w) / 640.0f;
    gui_scale[1] = static_cast<float>(h) / 480.0f;
    gui_view = mat_scaling(640.0f / static_cast<float>(w), 480.0f / static_cast<float>(h), 1.0f);
    if (g_overlay != nullptr) {
        g_overlay->set_gui_scale(w, h);
        g_overlay->rescale_fonts();
    }
    // A notice still open (one the start-up gave, say, before the window took its size) is
    // shown again over the rebuilt screen: the rebuild takes the screen's dialogs with it.
    const gui_window* box = find_dialog(message_box_dialog);
    const bool notice_open = box != nullptr && box->visible && g_message_box.type == message_box_type::notice;
    const message_box_state notice = g_message_box;
    if (kind != window_kind::menu_bar) {
        kind = window_kind::panel;
        set_screen(main_menu_screen);
    } else {
        set_screen(run_screen);
    }
    if (notice_open && find_dialog(message_box_dialog) == nullptr) {
        g_message_box = notice;
        g_message_box.owner = this;
        open_dialog(message_box_dialog, dialog_placement::own_box);
    }
    dirty = 1;
    settle();
}

void gui::update() {
    if (!visible) return;
    tick();
    run_pending_command();
    open_held_notice();
    open_held_dialog();
    settle();
}

void gui::open_scene_dialog(gui_callback cb) {
    if (cb == nullptr) return;
    if (pending_command != 0) {
        held_dialog_ = cb;
        return;
    }
    open_dialog(cb);
}

void gui::open_held_dialog() {
    if (held_dialog_ == nullptr || pending_command != 0) return;
    const gui_callback cb = held_dialog_;
    held_dialog_ = nullptr;
    open_dialog(cb);
}

void gui::show_notice(const char* caption, const char* text) {
    held_caption_ = caption != nullptr ? caption : "";
    held_text_ = text != nullptr ? text : "";
    notice_held_ = true;
    if (pending_command == 0) open_held_notice();
}

void gui::open_held_notice() {
    if (!notice_held_ || pending_command != 0) return;
    notice_held_ = false;
    message_box(this, held_caption_.c_str(), held_text_.c_str(), message_box_type::notice, 0, "");
}

void gui::install_menu_screen(gui_callback screen) {
    // A design screen that was not installed gives the main menu, so that leaving a run for
    // it (or a button that leads to it) never leaves the root as it was.
    if (is_uninstalled_design_screen(screen)) {
        if (g_app) g_app->menu_mode = 1;
        set_screen(main_menu_screen);
        return;
    }
    set_screen(screen);
}

void gui::run_pending_command() {
    // Taken first: a command set while this one runs waits for the next frame.
    const int code = pending_command;
    pending_command = 0;
    switch (code) {
        case 0:
            if (g_focus.commit_pending) {
                if (gui_clock() - g_focus.commit_time > k_commit_delay_ms) {
                    commit_edit(g_focus.focus_window);
                    g_focus.commit_pending = 0;
                }
            } else if (g_focus.list_focus && g_focus.focus_window != nullptr) {
                // A list loses the keyboard when its parent is hidden.
                const gui_window* p = g_focus.focus_window->parent;
                g_focus.list_focus = p != nullptr ? p->visible : g_focus.focus_window->visible;
            }
            break;
        case 1:
            if (g_app) g_app->menu_mode = 0;
            set_screen(run_screen);
            break;
        case 2:
            if (g_app) g_app->menu_mode = 1;
            set_screen(main_menu_screen);
            break;
        case 3: if (g_app) g_app->apply_window_mode(); break;
        case 4: if (g_app) g_app->center_window(); break;
        case 5: open_dialog(video_dialog); break;
        case 6: open_dialog(sound_dialog); break;
        case 7: open_dialog(joystick_dialog); break;
        case 8: open_dialog(joystick_buttons_dialog); break;
        case 9: open_dialog(weather_dialog); break;
        case 10: open_dialog(keys_dialog); break;
        case 11: open_dialog(about_dialog); break;
        case 12: open_dialog(run_scenario_dialog); break;
        case 13:
            if (kind != window_kind::menu_bar) {
                kind = window_kind::panel;
                set_screen(main_menu_screen);
            } else {
                set_screen(run_screen);
            }
            open_dialog(video_dialog);
            break;
        case 14: install_menu_screen(missile_design_screen); break;
        case 15: install_menu_screen(motor_design_screen); break;
        case 16: install_menu_screen(aero_design_screen); break;
        case 17: install_menu_screen(warhead_design_screen); break;
        case 18: install_menu_screen(fuse_design_screen); break;
        case 19: install_menu_screen(guidance_design_screen); break;
        case 20: install_menu_screen(launcher_design_screen); break;
        case 21: install_menu_screen(control_unit_design_screen); break;
        case 22: install_menu_screen(test_conditions_screen); break;
        case 23: install_menu_screen(scenario_design_screen); break;
        case 24: open_dialog(tips_dialog); break;
        default: break;
    }
}

void gui::on_mouse_move(int x, int y, int buttons) {
    if (!visible) return;
    to_ndc(x, y, &gui_pointer.x, &gui_pointer.y);
    if (buttons & 1) {
        drag(gui_pointer.x, gui_pointer.y);
    } else if (!hover(gui_pointer.x, gui_pointer.y) && gui_cursor_flag) {
        ui_show_cursor(gui_cursor::arrow);
        gui_cursor_flag = 0;
    }
    settle();
}

bool gui::on_mouse_down(int x, int y, int) {
    if (!visible) return false;
    to_ndc(x, y, &gui_pointer.x, &gui_pointer.y);
    const bool taken = press(gui_pointer.x, gui_pointer.y);
    // A framed dialog that was pressed comes to the top.
    gui_window* c = current_child();
    if (c != nullptr && c->framed()) {
        const int i = index_of(c);
        std::swap(children[static_cast<std::size_t>(i)], children.back());
        current = child_count;
    }
    settle();
    return taken;
}

void gui::on_mouse_up() {
    if (visible) release();
    settle();
}

void gui::sync_edit_text() {
    gui_window* w = g_focus.edit_window;
    if (w == nullptr) return;
    gui_rect* r = w->selected_rect();
    if (r == nullptr || !r->text) return;
    if (edit_length() >= gui_focus::k_edit_buffer) return;
    r->set_text(g_focus.edit_buffer);
    if (r->wrapped) {
        for (char* p = r->text.get(); *p != '\0'; ++p) {
            if (*p == '\r') *p = '\n';
        }
    }
}

void gui::commit_edit(gui_window* window) {
    if (window == nullptr || window->parent == nullptr || window->parent->callback == nullptr) {
        return;
    }
    gui_window* p = window->parent;
    p->current = p->index_of(window) + 1;
    p->send(gui_event::child_changed);
    // The first event may have closed the list.
    if (p->index_of(window) < 0) return;
    p->current = p->index_of(window) + 1;
    p->send(gui_event::child_committed);
}

void gui::on_special_key(int key) {
    switch (key) {
        case VK_RETURN: {
            if (g_focus.list_focus && g_focus.focus_window != nullptr) {
                // A keyboard choice in a drop-down's list is taken as a click on it.
                gui_window* list = g_focus.focus_window;
                if (list->pressed == 0) list->pressed = list->selected;
                list->release();
                g_focus.list_focus = 0;
                click();
                return;
            }
            if (g_focus.edit_focus) {
                gui_window* w = g_focus.edit_window;
                const gui_rect* r = w != nullptr ? w->selected_rect() : nullptr;
                // Enter in a wrapped field does nothing: its lines are the user's.
                if (r == nullptr || r->wrapped) return;
                if (w->callback != nullptr && w->visible) w->send(gui_event::enter);
                if (g_focus.edit_window == w) {
                    w->pressed = 0;
                    w->selected = 0;
                }
                g_focus.edit_focus = 0;
                click();
                return;
            }
            gui_window* top = last_child();
            if (top != nullptr && top->callback != nullptr && top->visible) {
                top->send(gui_event::enter);
            }
            return;
        }
        case VK_PRIOR:
        case VK_NEXT:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            gui_window* w = g_focus.focus_window;
            if (!g_focus.list_focus || w == nullptr) return;
            if (w->kind == window_kind::list_box) {
                w->list_on_key(key);
                g_focus.commit_pending = 1;
                g_focus.commit_time = gui_clock();
            } else if (w->kind == window_kind::text_box) {
                w->text_on_key(key);
            }
            click();
            return;
        }
        default: return;
    }
}

namespace {

// Edit-field keys: the caret moves within the text, never outside it.
void edit_key(gui* root, int key) {
    char* buf = g_focus.edit_buffer;
    const int len = edit_length();
    int& caret = g_focus.caret;
    if (caret < 0) caret = 0;
    if (caret > len) caret = len;
    auto ink = [&](int i) { return static_cast<unsigned char>(buf[i]) >= 32; };
    switch (key) {
        case VK_LEFT:
            if (caret > 0) --caret;
            break;
        case VK_RIGHT:
            if (caret < len) ++caret;
            break;
        case VK_UP: {
            // To the end of the previous line; on the first line, to the start of the text.
            int c = caret;
            while (c > 0 && ink(c - 1)) --c;
            while (c > 0 && !ink(c - 1)) --c;
            caret = c;
            break;
        }
        case VK_DOWN: {
            // To the start of the next line; on the last line, to the end of the text.
            int c = caret;
            while (c < len && ink(c)) ++c;
            while (c < len && !ink(c)) ++c;
            caret = c;
            break;
        }
        case VK_DELETE:
            if (caret < len) {
                std::memmove(buf + caret, buf + caret + 1, static_cast<std::size_t>(len - caret));
            }
            if (caret > edit_length()) caret = edit_length();
            root->sync_edit_text();
            break;
        default: return;
    }
    click();
}

void edit_char(gui* root, int c) {
    char* buf = g_focus.edit_buffer;
    const int len = edit_length();
    int& caret = g_focus.caret;
    if (caret < 0) caret = 0;
    if (caret > len) caret = len;
    if (c == VK_RETURN) {
        root->on_special_key(VK_RETURN);
    } else if (c == VK_BACK) {
        if (caret > 0 && len > 0) {
            std::memmove(buf + caret - 1, buf + caret, static_cast<std::size_t>(len - caret + 1));
            --caret;
            root->sync_edit_text();
        }
    } else if (c >= 32 && c != 127) {
        // Control characters are never typed into a field.
        if (caret + 1 < gui_focus::k_edit_buffer && len < gui_focus::k_edit_buffer - 1) {
            std::memmove(buf + caret + 1, buf + caret, static_cast<std::size_t>(len - caret + 1));
            buf[caret] = static_cast<char>(c);
            ++caret;
            root->sync_edit_text();
        }
    }
    click();
}

}  // namespace

void gui::on_key(void*, std::uint32_t message, std::uintptr_t wparam, std::intptr_t) {
    const int key = static_cast<int>(wparam);
    if (message == WM_KEYDOWN && key == VK_ESCAPE) {
        click();
        if (!visible) {
            set_screen(run_screen);
        } else {
            bool any_visible = false;
            for (int i = child_count - 1; i >= 0; --i) {
                if (i >= child_count) continue;
                gui_window* c = child(i);
                if (c == nullptr || !c->framed()) continue;
                if (c->visible) any_visible = true;
                delete_child(i);
            }
            if (!any_visible) open_dialog(quit_dialog);
        }
    } else if (message == WM_KEYDOWN) {
        if (g_focus.edit_focus) {
            edit_key(this, key);
        } else {
            on_special_key(key);
        }
    } else if (message == WM_CHAR) {
        const int c = key & 0xFF;
        if (g_focus.edit_focus) {
            edit_char(this, c);
        } else if (g_focus.list_focus) {
            gui_window* w = g_focus.focus_window;
            if (w != nullptr && w->kind == window_kind::list_box) {
                w->list_on_key(c);
                g_focus.commit_pending = 1;
                g_focus.commit_time = gui_clock();
            }
            click();
        }
    } else if (message == WM_MOUSEWHEEL) {
        const int delta = static_cast<std::int16_t>((wparam >> 16) & 0xFFFF);
        // The focused list takes the wheel while the pointer is over it; elsewhere the wheel
        // goes to the screens, so a map or a preview zooms without a click into it first.
        gui_window* list = g_focus.list_focus ? g_focus.focus_window : nullptr;
        if (list != nullptr && list->visible && pointer_over(*list)) {
            on_special_key(delta > 0 ? VK_UP : VK_DOWN);
        } else {
            const int event = delta > 0 ? gui_event::wheel_up : gui_event::wheel_down;
            if (callback != nullptr && visible) send(event);
            for (int i = child_count - 1; i >= 0; --i) {
                gui_window* c = child(i);
                if (c == nullptr) continue;
                current = i + 1;
                if (c->visible && c->callback != nullptr) c->send(event);
            }
        }
    }
    settle();
}

void gui::render() {
    gui_painter* painter = current_painter();
    if (!visible || !display || painter == nullptr) return;
    painter->begin_pass(gui_view);
    // In a run the simulated objects are named under the status line and the windows.
    if (kind == window_kind::menu_bar && g_state != nullptr) g_state->draw_selection_and_labels();
    if (kind == window_kind::menu_bar) draw_status_line();
    draw();
    painter->end_pass();
    flush_closed_windows();
}
