// The keys page and the about page: a resizable window with a scrolling text from the
// program's text resources and a row of tabs that switch between the help pages.
#include "core/d3d_app.h"
#include "platform/text.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/overlay2d.h"
#include "ui/screens.h"

namespace {

constexpr int IDT_ABOUT = 175;
constexpr int IDT_KEYS = 176;
// The manual, opened in the user's browser.
constexpr const char* k_manual = "help\\index.htm";

// Copies a text resource into the element's text (cut to its buffer).
void load_text_resource_into(int id, gui_rect* r) {
    if (r != nullptr && r->text) {
        load_text_resource(id, r->text.get(), static_cast<std::size_t>(r->text_capacity()));
    }
}

void add_tab(gui_window* w, float x1, float x2, const char* caption) {
    w->add_rect(x1, -1.1f, x2, -1.0f, rect_kind::tab_button)->set_text(caption);
}

void build(gui_window* w, const char* title, int text_id, bool fixed_pitch) {
    w->create(-0.7f, -1.0f, 0.7f, 1.08f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title(title);
    gui_window* box = w->add_window();
    box->create(-0.65f, -0.95f, 0.65f, 0.95f, window_kind::text_box);
    gui_rect* area = box->find_last_rect_by_kind(rect_kind::text_area);
    if (area != nullptr) {
        area->fixed_pitch = fixed_pitch ? 1 : 0;
        load_text_resource_into(text_id, area);
    }
    box->layout();
    add_tab(w, -0.65f, -0.35f, "Keys");
    add_tab(w, -0.3f, 0.0f, "About");
    add_tab(w, 0.05f, 0.35f, "Tips");
    add_tab(w, 0.4f, 0.65f, "Manual");
}

void on_click(gui_window* w) {
    if (w->rect_text_equals("Keys")) {
        pending_command = 10;
    } else if (w->rect_text_equals("About")) {
        pending_command = 11;
    } else if (w->rect_text_equals("Tips")) {
        pending_command = 24;
    } else if (w->rect_text_equals("Manual")) {
        ui_open_document(k_manual);
    } else {
        return;
    }
    ui_play_sound_slot(0, 0);
    w->visible = 0;
}

}  // namespace

int keys_dialog(gui_window* w, int event) {
    if (event == gui_event::build) build(w, "Keys and controls", IDT_KEYS, true);
    if (event == gui_event::click) on_click(w);
    return 0;
}

int about_dialog(gui_window* w, int event) {
    if (event == gui_event::build) {
        char title[96];
        format_text(title, "%s %s", g_app != nullptr ? g_app->title : "",
                    g_app != nullptr ? g_app->version : "");
        build(w, title, IDT_ABOUT, false);
    }
    if (event == gui_event::click) on_click(w);
    return 0;
}
