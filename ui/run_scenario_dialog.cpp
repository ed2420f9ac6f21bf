// The door from the menus into a run: the saved situations in a list, the picture and the
// description of the one selected, Start and Cancel. Started from the menus it also stops
// the menu music and asks for the in-run screen; from a run it only replaces the situation.
#include <cstdio>
#include <string>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/message_box.h"
#include "ui/overlay2d.h"
#include "ui/screens.h"

namespace {

// The dialog's kept elements (private_rects) and child windows (private_windows).
enum : int { k_picture, k_start, k_cancel };
enum : int { k_list, k_description };

gui_rect* add_button(gui_window* w, float x1, const char* caption) {
    gui_rect* b = w->add_rect(x1, -0.94f, x1 + 0.56f, -0.76f, rect_kind::button);
    b->set_text(caption);
    b->medium_font = 1;
    return b;
}

void build(gui_window* w) {
    w->create(-0.8f, -1.0f, 0.8f, 1.05f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title("Run Scenario");
    gui_window* list = w->add_window();
    list->create(-0.76f, 0.08f, -0.22f, 0.84f, window_kind::list_box);
    w->add_rect(-0.76f, 0.84f, -0.22f, 0.92f, rect_kind::caption)->set_text("Scenario");
    gui_window* description = w->add_window();
    description->create(-0.76f, -0.7f, 0.76f, -0.06f, window_kind::text_box);
    w->add_rect(-0.76f, -0.06f, 0.76f, 0.02f, rect_kind::caption)->set_text("Description");
    gui_rect* picture = w->add_rect(-0.16f, 0.08f, 0.76f, 0.92f, rect_kind::image);
    picture->centred = 0;
    w->private_rects[k_start] = add_button(w, 0.2f, "Start");
    w->private_rects[k_cancel] = add_button(w, -0.76f, "Cancel");
    w->private_rects[k_picture] = picture;
    w->private_windows[k_list] = list;
    w->private_windows[k_description] = description;
    w->send(gui_event::reactivate);
}

void fill_list(gui_window* w) {
    gui_window* list = w->private_windows[k_list];
    if (list == nullptr) return;
    list->list_clear();
    for (const dir_entry& e : fs_list("situations\\*.txt")) {
        const std::string name = e.name.substr(0, e.name.find('.'));
        list->list_add_item(name.c_str());
    }
    list->list_sort();
    list->list_select(0);
    w->current = w->index_of(list) + 1;
    w->send(gui_event::child_changed);
}

// The selected situation's name, or none.
const char* selected_name(const gui_window* w) {
    const gui_window* list = w->private_windows[k_list];
    if (list == nullptr || list->list_selected_index() < 0) return nullptr;
    return list->list_selected_text();
}

void show_selection(gui_window* w) {
    if (w->current_child() != w->private_windows[k_list]) return;
    const char* name = selected_name(w);
    if (name == nullptr) return;
    const std::string title = format_string("Load Situation - %s", name);
    w->set_title(title.c_str());
    gui_rect* picture = w->private_rects[k_picture];
    const std::string jpg = format_string("situations\\%s.jpg", name);
    if (picture != nullptr && !reload_texture_file(jpg.c_str(), &picture->image_texture)) {
        picture->image_texture.reset();
    }
    gui_window* description = w->private_windows[k_description];
    const std::string txt = format_string("situations\\%s.txt", name);
    if (description != nullptr && !description->text_load_file(txt.c_str(), true)) {
        description->text_set("");
    }
}

// Whether the situation file can be opened for reading now (it may have gone since listing).
bool situation_opens(const std::string& path) {
    std::FILE* f = fs_open(path.c_str(), "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

}  // namespace

bool refuse_damaged_situation(gui_window* top, gui_window* owner, const char* path, const char* name) {
    const std::string damage = scene::situation_damage(path);
    if (damage.empty()) return false;
    log_line("%s cannot be read whole: %s", path, damage.c_str());
    const std::string message = format_string("The situation %s could not be read whole:\n%s.", name, damage.c_str());
    if (top != nullptr) top->message_box(owner, "Load Error", message.c_str(), message_box_type::notice, 0, "");
    return true;
}

namespace {

void start(gui_window* w, const char* name) {
    const std::string path = format_string("situations\\%s.txt", name);
    gui_window* top = g_gui != nullptr ? static_cast<gui_window*>(g_gui) : w->parent;
    if (!situation_opens(path)) {
        log_line("Could not open %s", path.c_str());
        const std::string message = format_string("The situation %s could not be read", name);
        if (top != nullptr) top->message_box(w, "Load Error", message.c_str(), 1, 0, "");
        return;
    }
    if (refuse_damaged_situation(top, w, path.c_str(), name)) return;
    leave_menu_for_run();
    if (g_scene != nullptr) g_scene->read_situation(path.c_str());
    w->visible = 0;
}

void clicked(gui_window* w) {
    const gui_rect* r = w->pressed_rect();
    if (r == nullptr) return;
    if (r == w->private_rects[k_start] || r == w->private_rects[k_cancel]) ui_play_sound_slot(0, 0);
    if (r == w->private_rects[k_cancel]) {
        w->visible = 0;
        return;
    }
    const char* name = selected_name(w);
    if (name == nullptr) {
        gui_window* top = g_gui != nullptr ? static_cast<gui_window*>(g_gui) : w->parent;
        if (top != nullptr) top->message_box(w, "Selection Error", "No situation was selected", 1, 0, "");
        return;
    }
    if (r == w->private_rects[k_start]) start(w, name);
}

}  // namespace

int run_scenario_dialog(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::reactivate: fill_list(w); break;
        case gui_event::child_changed: show_selection(w); break;
        case gui_event::click: clicked(w); break;
        default: break;
    }
    return 0;
}
