// Edit fields: taking the focus, typing, the caret keys, Enter, and typed text that must
// never run past the field or carry control characters.
#include <cstring>

#include "gui_fixture.h"

namespace {

std::vector<int>* g_enters = nullptr;

class edit_field_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        root->create(-1, -1, 1, 1, window_kind::panel);
        root->rect(0)->clickable = 0;
        root->callback = [](gui_window*, int e) {
            if (e == gui_event::enter && g_enters) g_enters->push_back(e);
            return 0;
        };
        g_enters = &enters;
        field = root->add_rect(-0.5f, 0.0f, 0.5f, 0.1f, rect_kind::edit_field);
    }
    void TearDown() override {
        g_enters = nullptr;
        gui_fixture::TearDown();
    }
    void focus() { click_rect(root.get(), field); }
    std::string text() const { return field->text.get(); }

    gui_rect* field = nullptr;
    std::vector<int> enters;
};

TEST_F(edit_field_test, typing_editing_and_enter) {
    field->set_text("ab");
    focus();
    EXPECT_TRUE(g_focus.edit_focus);
    EXPECT_EQ(state->gui_focus[1], 1);
    EXPECT_EQ(g_focus.caret, 2);
    type("cd");
    EXPECT_EQ(text(), "abcd");
    key(VK_LEFT);
    key(VK_LEFT);
    type("X");
    EXPECT_EQ(text(), "abXcd");
    root->on_key(nullptr, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(text(), "abcd");
    key(VK_DELETE);
    EXPECT_EQ(text(), "abd");
    key(VK_RIGHT);
    key(VK_RIGHT);
    key(VK_RIGHT);
    key(VK_DELETE);  // at the end: only a click
    EXPECT_EQ(text(), "abd");
    type("\r");
    EXPECT_EQ(enters.size(), 1u);
    EXPECT_FALSE(g_focus.edit_focus);
    EXPECT_EQ(state->gui_focus[1], 0);
}

TEST_F(edit_field_test, enter_in_a_wrapped_field_does_nothing) {
    field->wrapped = 1;
    focus();
    type("a\r");
    EXPECT_TRUE(enters.empty());
    EXPECT_TRUE(g_focus.edit_focus);
    EXPECT_EQ(text(), "a");
}

TEST_F(edit_field_test, up_and_down_keep_the_caret_inside_the_text) {
    // Lines that start and end with line breaks: the caret walks over them without leaving
    // the text at either end.
    field->set_text("\r\nfirst\r\nsecond\r\n");
    focus();
    const int len = static_cast<int>(std::strlen(g_focus.edit_buffer));
    for (int i = 0; i < 5; ++i) key(VK_DOWN);
    EXPECT_EQ(g_focus.caret, len);
    key(VK_UP);
    EXPECT_EQ(g_focus.caret, 15);  // the end of "second"
    for (int i = 0; i < 6; ++i) key(VK_UP);
    EXPECT_EQ(g_focus.caret, 0);
    key(VK_DOWN);
    EXPECT_EQ(g_focus.caret, 2);   // the start of "first"
    // Typing after the walk still lands inside the buffer.
    type("x");
    EXPECT_EQ(text(), "\r\nxfirst\r\nsecond\r\n");
    // On a single line Up and Down go to its ends.
    field->set_text("middle");
    focus();
    key(VK_LEFT);
    key(VK_UP);
    EXPECT_EQ(g_focus.caret, 0);
    key(VK_DOWN);
    EXPECT_EQ(g_focus.caret, 6);
}

TEST_F(edit_field_test, long_and_full_fields_and_control_characters) {
    g_focus.edit_buffer[0] = 'Z';
    const std::string long_text(1500, 'q');
    field->set_text(long_text.c_str());
    focus();
    EXPECT_EQ(std::string(g_focus.edit_buffer), long_text);
    EXPECT_EQ(g_focus.caret, 1500);
    type("r");
    EXPECT_EQ(text(), long_text + "r");
    // A full field takes no more; control characters are ignored.
    click(px(0.9f), py(0.9f));
    const std::string full(2047, 'w');
    field->set_text(full.c_str());
    focus();
    type("xyz");
    EXPECT_EQ(text(), full);
    EXPECT_EQ(std::strlen(g_focus.edit_buffer), 2047u);
    field->set_text("");
    click(px(0.9f), py(0.9f));
    focus();
    for (int c : {1, 7, 9, 27, 31, 127}) root->on_key(nullptr, WM_CHAR, static_cast<std::uintptr_t>(c), 0);
    EXPECT_EQ(text(), "");
    type("ok");
    EXPECT_EQ(text(), "ok");
}

TEST_F(edit_field_test, the_focus_is_forgotten_with_its_window) {
    root->kind = window_kind::menu_bar;
    root->open_dialog([](gui_window* w, int e) {
        if (e == gui_event::build) {
            w->create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::titled_window);
            w->add_rect(-0.4f, 0.1f, 0.4f, 0.2f, rect_kind::edit_field);
        }
        return 0;
    });
    gui_window* d = root->last_child();
    click_rect(d, d->find_rect_by_kind(rect_kind::edit_field));
    EXPECT_EQ(g_focus.edit_window, d);
    root->delete_child(0);
    flush_closed_windows();
    EXPECT_EQ(g_focus.edit_window, nullptr);
    type("abc");  // no window to type into, nothing breaks
    key(VK_UP);
}

}  // namespace
