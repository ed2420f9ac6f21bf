// The callback protocol: which events reach which window in which order, dialogs and the
// pending command, focus, the wheel and Escape.
#include "gui_fixture.h"
#include "ui/screens.h"

namespace {

std::vector<std::string>* g_events = nullptr;

int log_event(const char* who, gui_window* w, int event) {
    if (g_events) g_events->push_back(std::string(who) + " " + std::to_string(event));
    (void)w;
    return 0;
}
int screen_cb(gui_window* w, int e) { return log_event("screen", w, e); }
int other_screen_cb(gui_window* w, int e) { return log_event("other", w, e); }

// A framed dialog with one button.
int dialog_a(gui_window* w, int e) {
    if (e == gui_event::build) {
        w->create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::titled_window);
        w->add_rect(-0.2f, -0.2f, 0.2f, 0.0f, rect_kind::button)->set_text("Go");
    }
    return log_event("a", w, e);
}
int dialog_b(gui_window* w, int e) {
    if (e == gui_event::build) w->create(-0.3f, -0.3f, 0.7f, 0.7f, window_kind::titled_window);
    return log_event("b", w, e);
}
// A dialog that closes itself when its button is clicked.
int self_closing(gui_window* w, int e) {
    if (e == gui_event::build) {
        w->create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::titled_window);
        w->add_rect(-0.2f, -0.2f, 0.2f, 0.0f, rect_kind::button)->set_text("Close");
    }
    if (e == gui_event::click) g_gui->close_dialog(self_closing);
    return log_event("self", w, e);
}

class gui_events_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        g_events = &events;
        root->create(-1, -1, 1, 1, window_kind::panel);
        root->callback = screen_cb;
    }
    void TearDown() override {
        root.reset();
        g_events = nullptr;
        gui_fixture::TearDown();
    }
    std::vector<std::string> events;
};

TEST_F(gui_events_test, click_is_decided_at_the_press_and_needs_one) {
    gui_rect* b = root->add_rect(-0.2f, -0.2f, 0.2f, 0.2f, rect_kind::button);
    EXPECT_TRUE(down(px(0), py(0)));
    move(px(0.9f), py(0.9f), 1);
    up();
    EXPECT_EQ(events, (std::vector<std::string>{"screen 1", "screen 3", "screen 2"}));
    EXPECT_EQ(root->pressed, 0);
    // A release with nothing pressed fires nothing.
    events.clear();
    up();
    EXPECT_TRUE(events.empty());
    (void)b;
}

TEST_F(gui_events_test, switching_screens_closes_the_old_one) {
    root->set_screen(other_screen_cb);
    EXPECT_EQ(events, (std::vector<std::string>{"screen 7", "other 0"}));
    events.clear();
    root->set_screen(other_screen_cb);
    EXPECT_EQ(events, (std::vector<std::string>{"other 0"}));
}

TEST_F(gui_events_test, menu_mode_keeps_one_framed_dialog_run_mode_keeps_all) {
    root->open_dialog(dialog_a);
    root->open_dialog(dialog_b);
    EXPECT_EQ(root->child_count, 1);
    EXPECT_EQ(root->last_child()->callback, dialog_b);
    EXPECT_EQ(events, (std::vector<std::string>{"a 0", "a 7", "b 0"}));
    // The message box opens beside the dialog; the next dialog closes both, down to the first
    // child that is not framed.
    gui_window* plain = root->add_window();
    plain->create(0.8f, 0.8f, 0.9f, 0.9f, window_kind::panel);
    root->open_dialog(dialog_a);
    root->message_box(nullptr, "Caption", "Text", 1, 0, "");
    EXPECT_EQ(root->child_count, 4);
    root->open_dialog(dialog_b);
    ASSERT_EQ(root->child_count, 3);
    EXPECT_EQ(root->child(1), plain);
    EXPECT_EQ(root->child(2)->callback, dialog_b);
    root->delete_child(2);
    root->delete_child(1);

    root->kind = window_kind::menu_bar;
    events.clear();
    root->open_dialog(dialog_a);
    EXPECT_EQ(root->child_count, 2);
    EXPECT_EQ(root->last_child()->callback, dialog_a);
    // Opening an open dialog brings it to the front and reactivates it.
    root->open_dialog(dialog_b);
    EXPECT_EQ(root->last_child()->callback, dialog_b);
    EXPECT_EQ(events, (std::vector<std::string>{"a 0", "b 6"}));
}

TEST_F(gui_events_test, a_dialog_shown_again_keeps_no_old_hover) {
    root->kind = window_kind::menu_bar;
    ASSERT_TRUE(root->toggle_dialog(dialog_a));
    gui_window* a = root->last_child();
    move(px(0.0f), py(-0.1f));  // over its button
    const int button = a->hovered_rect;
    ASSERT_NE(button, 0);
    EXPECT_FALSE(root->toggle_dialog(dialog_a));
    EXPECT_TRUE(root->toggle_dialog(dialog_a));
    EXPECT_EQ(a->hovered_rect, 0);
    // Opened again while hidden, the same.
    move(px(0.0f), py(-0.1f));
    ASSERT_EQ(a->hovered_rect, button);
    EXPECT_FALSE(root->toggle_dialog(dialog_a));
    root->open_dialog(dialog_a);
    EXPECT_EQ(a->hovered_rect, 0);
    // Opened while shown, the hover under the pointer stays.
    move(px(0.0f), py(-0.1f));
    root->open_dialog(dialog_a);
    EXPECT_EQ(a->hovered_rect, button);
}

TEST_F(gui_events_test, toggling_hides_and_shows_without_deleting) {
    root->kind = window_kind::menu_bar;
    EXPECT_TRUE(root->toggle_dialog(dialog_a));
    EXPECT_FALSE(root->toggle_dialog(dialog_a));
    EXPECT_EQ(root->child_count, 1);
    EXPECT_FALSE(root->last_child()->visible);
    EXPECT_TRUE(root->toggle_dialog(dialog_a));
    EXPECT_EQ(events, (std::vector<std::string>{"a 0", "a 7", "a 6"}));
    root->close_dialog(dialog_a);
    flush_closed_windows();
    // Closed while full, then again from its destructor on the empty window.
    EXPECT_EQ(events.back(), "a 7");
    EXPECT_EQ(std::count(events.begin(), events.end(), "a 7"), 3);
    EXPECT_EQ(root->child_count, 0);
}

TEST_F(gui_events_test, pressing_a_lower_dialog_brings_it_on_top_by_exchange) {
    root->kind = window_kind::menu_bar;
    root->open_dialog(dialog_a);
    root->open_dialog(dialog_b);
    gui_window* c = root->add_window();  // a plain child on top
    c->create(0.8f, 0.8f, 0.9f, 0.9f, window_kind::panel);
    // A point inside a but outside b and c.
    down(px(-0.4f), py(-0.4f));
    up();
    EXPECT_EQ(root->child(2)->callback, dialog_a);
    EXPECT_EQ(root->child(1)->callback, dialog_b);
    EXPECT_EQ(root->child(0), c);
}

TEST_F(gui_events_test, close_button_closes_then_tells_the_screen) {
    root->open_dialog(dialog_a);
    gui_window* d = root->last_child();
    events.clear();
    click_rect(d, d->find_rect_by_kind(rect_kind::close_button));
    EXPECT_FALSE(d->visible);
    EXPECT_EQ(events, (std::vector<std::string>{"a 1", "a 7", "screen 11"}));
}

TEST_F(gui_events_test, a_dialog_may_close_itself_in_its_click) {
    root->kind = window_kind::menu_bar;
    root->open_dialog(self_closing);
    gui_window* d = root->last_child();
    click_rect(d, d->find_rect_by_kind(rect_kind::button));
    EXPECT_EQ(root->child_count, 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "self 7"), 2);
}

TEST_F(gui_events_test, resizing_by_a_corner_or_an_edge_stops_at_half_size) {
    root->kind = window_kind::menu_bar;
    root->open_dialog([](gui_window* w, int e) {
        if (e == gui_event::build) w->create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::resizable_window);
        return 0;
    });
    gui_window* d = root->last_child();
    // The left edge runs along x = -0.5 from y = -0.48 up to the title bar at 0.42.
    down(px(-0.5f), py(0));
    ASSERT_EQ(d->pressed_rect()->kind, rect_kind::edge_left);
    move(px(-0.7f), py(0), 1);
    up();
    EXPECT_NEAR(d->local.m[0][0], 1.2f, 1e-3f);  // 0.2 wider, its right side in place
    EXPECT_NEAR(d->local.m[3][0], -0.1f, 1e-3f);
    EXPECT_FLOAT_EQ(d->local.m[1][1], 1.0f);
    d->update_transforms();
    // Dragged far to the right it keeps half its built width.
    down(px(-0.7f), py(0));
    ASSERT_EQ(d->pressed_rect()->kind, rect_kind::edge_left);
    move(px(0.3f), py(0), 1);
    up();
    EXPECT_FLOAT_EQ(d->local.m[0][0], 0.5f);
    // The corner, dragged far up and to the left, stops at half the height too.
    d->update_transforms();
    const gui_rect* corner = d->find_rect_by_kind(rect_kind::corner_lower_right);
    const float cx = (corner->x1 + corner->x2) / 2 * d->local.m[0][0] + d->local.m[3][0];
    const float cy = (corner->y1 + corner->y2) / 2 * d->local.m[1][1] + d->local.m[3][1];
    down(px(cx), py(cy));
    ASSERT_EQ(d->pressed_rect()->kind, rect_kind::corner_lower_right);
    for (int i = 0; i < 20; ++i) move(px(cx - 0.1f * i), py(cy + 0.1f * i), 1);
    up();
    EXPECT_FLOAT_EQ(d->local.m[0][0], 0.5f);
    EXPECT_FLOAT_EQ(d->local.m[1][1], 0.5f);
}

TEST_F(gui_events_test, maximise_grows_the_window_and_keeps_it_on_the_screen) {
    root->kind = window_kind::menu_bar;
    root->open_dialog([](gui_window* w, int e) {
        if (e == gui_event::build) w->create(0.2f, 0.2f, 0.8f, 0.8f, window_kind::resizable_window);
        return 0;
    });
    gui_window* d = root->last_child();
    click_rect(d, d->find_rect_by_kind(rect_kind::maximise_button));
    EXPECT_EQ(d->maximised, 1);
    EXPECT_GT(d->local.m[0][0], 1.0f);
    // The body's upper right corner stays inside the screen.
    const gui_rect* body = d->rect(0);
    EXPECT_LE(body->x2 * d->local.m[0][0] + d->local.m[3][0], 1.0f + 1e-4f);
    EXPECT_LE(body->y2 * d->local.m[1][1] + d->local.m[3][1], 1.0f + 1e-4f);
    d->update_transforms();
    click_rect(d, d->find_rect_by_kind(rect_kind::maximise_button));
    EXPECT_EQ(d->maximised, 0);
    EXPECT_FLOAT_EQ(d->local.m[0][0], 1.0f);
}

TEST_F(gui_events_test, menus_open_under_the_pointer_and_send_clicks_to_their_handler) {
    root->create(-1, 0.92f, 1, 1, window_kind::menu_bar);
    gui_window* menu = root->add_menu("Situation", [](gui_window* w, int e) {
        if (e == gui_event::click && w->rect_text_equals("Exit")) log_event("menu exit", w, e);
        return 0;
    });
    menu->add_menu_item("Exit");
    gui_rect* title = root->find_last_rect_by_kind(rect_kind::menu_entry);
    EXPECT_FALSE(title->visible);
    move(px(-0.85f), py(0.96f));
    EXPECT_TRUE(title->visible);
    gui_rect* exit = menu->find_last_rect_by_kind(rect_kind::menu_entry);
    EXPECT_TRUE(exit->visible);
    click(px(-0.85f), py(0.88f));
    EXPECT_EQ(events.back(), "menu exit 2");
    EXPECT_FALSE(exit->visible);
    move(px(0.5f), py(-0.5f));
    EXPECT_FALSE(title->visible);
}

TEST_F(gui_events_test, title_bar_drags_the_window) {
    root->kind = window_kind::menu_bar;
    root->open_dialog(dialog_a);
    gui_window* d = root->last_child();
    down(px(0), py(0.46f));
    move(px(0.25f), py(0.36f), 1);
    up();
    EXPECT_NEAR(d->local.m[3][0], 0.25f, 0.01f);
    EXPECT_NEAR(d->local.m[3][1], -0.1f, 0.01f);
}

TEST_F(gui_events_test, pending_commands_run_once_after_the_ticks) {
    pending_command = 10;
    root->update();
    EXPECT_EQ(pending_command, 0);
    ASSERT_NE(root->find_dialog(keys_dialog), nullptr);
    pending_command = 2;
    app->menu_mode = 0;
    root->update();
    EXPECT_EQ(root->callback, main_menu_screen);
    EXPECT_EQ(app->menu_mode, 1);
    EXPECT_EQ(root->kind, window_kind::panel);
    // Design screens not installed (a GUI without the design tools): the main menu stays.
    pending_command = 14;
    root->update();
    EXPECT_EQ(root->callback, main_menu_screen);
    pending_command = 99;
    root->update();
    EXPECT_EQ(pending_command, 0);
}

TEST_F(gui_events_test, list_keys_commit_after_half_a_second_of_quiet) {
    root->open_dialog([](gui_window* w, int e) {
        if (e == gui_event::build) {
            w->create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::titled_window);
            gui_window* list = w->add_window();
            list->create(-0.4f, -0.4f, 0.4f, 0.3f, window_kind::list_box);
            for (const char* t : {"One", "Two", "Three"}) list->list_add_item(t);
        }
        return log_event("list owner", w, e);
    });
    gui_window* list = root->last_child()->last_child();
    click_rect(list, list->list_item(0));
    events.clear();
    EXPECT_TRUE(g_focus.list_focus);
    state->now = 1000;
    key(VK_DOWN);
    state->now = 1400;
    key(VK_DOWN);
    state->now = 1800;
    root->update();
    EXPECT_TRUE(events.empty());
    state->now = 1901;
    root->update();
    EXPECT_EQ(events, (std::vector<std::string>{"list owner 10", "list owner 11"}));
    EXPECT_EQ(list->list_selected_index(), 2);
    // The wheel moves a focused list's selection while the pointer is over the list.
    wheel(120);
    EXPECT_EQ(list->list_selected_index(), 1);
    // With the pointer elsewhere the wheel goes to the screen (a map zooms at once); the list
    // keeps its choice and its focus.
    move(2, 2);
    events.clear();
    wheel(120);
    EXPECT_EQ(list->list_selected_index(), 1);
    EXPECT_TRUE(g_focus.list_focus);
    EXPECT_FALSE(events.empty());
}

TEST_F(gui_events_test, wheel_goes_to_every_visible_dialog_and_enter_to_the_topmost) {
    root->kind = window_kind::menu_bar;
    root->open_dialog(dialog_a);
    root->open_dialog(dialog_b);
    events.clear();
    wheel(-120);
    EXPECT_EQ(events, (std::vector<std::string>{"screen 14", "b 14", "a 14"}));
    // Enter with nothing focused is the topmost dialog's default action.
    events.clear();
    key(VK_RETURN);
    EXPECT_EQ(events, (std::vector<std::string>{"b 8"}));
}

TEST_F(gui_events_test, escape_closes_dialogs_or_asks_to_quit) {
    root->kind = window_kind::menu_bar;
    root->open_dialog(dialog_a);
    root->open_dialog(dialog_b);
    key(VK_ESCAPE);
    EXPECT_EQ(root->child_count, 0);
    key(VK_ESCAPE);
    ASSERT_EQ(root->child_count, 1);
    EXPECT_EQ(root->last_child()->callback, quit_dialog);
    EXPECT_EQ(app->paused, 1);
    EXPECT_FALSE(log.sounds.empty());
}

TEST_F(gui_events_test, resize_scales_the_gui_and_rebuilds_the_main_menu) {
    set_viewport(1280, 960);
    root->on_resize();
    EXPECT_FLOAT_EQ(gui_scale[0], 2.0f);
    EXPECT_FLOAT_EQ(gui_scale[1], 2.0f);
    EXPECT_FLOAT_EQ(gui_view.m[0][0], 0.5f);
    EXPECT_EQ(root->callback, main_menu_screen);
    EXPECT_EQ(events.front(), "screen 7");
}

}  // namespace
