// The quit question: "Yes" ends the program from the menus, or only the run during one. The
// simulation stays paused while the question is shown, on its first showing and on every
// later one (a hidden question shown again by the menu or the side bar gets no build event).
#include "core/d3d_app.h"
#include "platform/messages.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/message_box.h"
#include "ui/screens.h"

namespace {

void pause_run() {
    if (g_app != nullptr) g_app->paused = 1;
}

void build(gui_window* w) {
    w->create(-0.52f, -0.23f, 0.52f, 0.31f, window_kind::titled_window);
    w->visible = 1;
    // Laid out as the message box's questions, it grows with the fonts as they do.
    const float grown = question_box_growth();
    w->set_scale(grown, grown);
    w->set_title(g_app != nullptr ? g_app->title : "");
    w->add_rect(0.07f, -0.18f, 0.49f, -0.08f, rect_kind::button)->set_text("No");
    w->add_rect(-0.49f, -0.18f, -0.07f, -0.08f, rect_kind::button)->set_text("Yes");
    gui_rect* question = w->add_rect(-0.49f, -0.04f, 0.49f, 0.18f, rect_kind::label);
    question->set_text("Do you really want to quit");
    gui_rect* icon = w->add_rect(0.3f, -0.04f, 0.49f, 0.18f, rect_kind::image);
    icon->framed = 0;
    ui_load_resource_texture(IDB_QUESTION, &icon->image_texture, true);
    pause_run();
}

void resume_run() {
    if (g_app != nullptr) g_app->paused = 0;
}

void yes(gui_window* w) {
    if (g_app != nullptr && g_app->menu_mode) {
        g_app->inactive = 1;
        post_quit_message(0);
    } else {
        ui_leave_scene();
    }
    resume_run();
    w->visible = 0;
}

}  // namespace

int quit_dialog(gui_window* w, int event) {
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::reactivate: pause_run(); break;
        case gui_event::click:
            if (w->rect_text_equals("No") || w->rect_text_equals("Yes")) ui_play_sound_slot(0, 0);
            if (w->rect_text_equals("No")) {
                resume_run();
                w->visible = 0;
            } else if (w->rect_text_equals("Yes")) {
                yes(w);
            }
            break;
        case gui_event::enter: yes(w); break;
        case gui_event::close: resume_run(); break;
        default: break;
    }
    return 0;
}
