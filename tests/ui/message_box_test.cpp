// The shared message box: its layouts, answers by button and Enter, file choices, the typed
// name and the kept check state.
#include <cstring>

#include "gui_fixture.h"
#include "tests/support/temp_folder.h"
#include "ui/gui_hooks.h"
#include "ui/message_box.h"

namespace {

std::vector<int>* g_answers = nullptr;

int asker(gui_window*, int e) {
    if (e == gui_event::message_box_result && g_answers) g_answers->push_back(g_message_box.result);
    return 0;
}

class message_box_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        root->create(-1, -1, 1, 1, window_kind::panel);
        root->rect(0)->clickable = 0;
        root->callback = asker;
        g_answers = &answers;
    }
    void TearDown() override {
        g_answers = nullptr;
        gui_fixture::TearDown();
    }
    gui_window* box() const { return root->find_dialog(message_box_dialog); }
    gui_rect* button(const char* text) const {
        gui_window* b = box();
        for (int i = 0; i < b->rect_count; ++i) {
            gui_rect* r = b->rect(i);
            if (r->kind == rect_kind::button && std::strcmp(r->text.get(), text) == 0) return r;
        }
        return nullptr;
    }
    void press_button(const char* text) { click_rect(box(), button(text)); }
    void ask(int type, const char* message, const char* initial) {
        root->message_box(root.get(), "Caption", message, type, 7, initial);
    }
    std::vector<int> answers;
};

TEST_F(message_box_test, long_lines_widen_the_box) {
    ask(message_box_type::yes_no, std::string(50, 'm').c_str(), "");
    const float wide = box()->box_x2;
    EXPECT_FLOAT_EQ(box()->box_x1, -wide);
    EXPECT_STREQ(g_message_box.title, "Ventrask - Caption");
    ask(message_box_type::yes_no, (std::string(35, 'm') + "\n" + std::string(20, 'n')).c_str(), "");
    EXPECT_LT(box()->box_x2, wide);  // the longest line, not the whole text, sets the width
    EXPECT_EQ(root->child_count, 1);
    EXPECT_EQ(log.sounds.front(), 0);
}

TEST_F(message_box_test, yes_no_and_notice_answer_the_owner) {
    ask(message_box_type::yes_no, "Overwrite?", "");
    press_button("Yes");
    ask(message_box_type::yes_no, "Overwrite?", "");
    press_button("No");
    ask(message_box_type::notice, "Scenario cannot run", "");
    key(VK_RETURN);
    EXPECT_EQ(answers, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(g_message_box.kind, 7);
    EXPECT_FALSE(box()->visible);
    // The close button hides the box without an answer.
    ask(message_box_type::yes_no, "Question", "");
    click_rect(box(), box()->find_rect_by_kind(rect_kind::close_button));
    EXPECT_FALSE(box()->visible);
    EXPECT_EQ(answers.size(), 3u);
}

TEST_F(message_box_test, file_choice_answers_the_chosen_entry) {
    temp_folder tmp;
    tmp.write("configs/Basic.txt", "x");
    tmp.write("configs/Sentinel.txt", "x");
    ask(message_box_type::file_choice, "Please select configuration to load", "configs\\*.txt");
    press_button("Accept");
    EXPECT_EQ(answers, (std::vector<int>{0}));

    ask(message_box_type::file_choice, "Please select configuration to load", "configs\\*.txt");
    gui_window* list = box()->last_child();
    ASSERT_EQ(list->list_item_count(), 2);
    click_rect(list, list->list_item(1));
    key(VK_RETURN);  // the list has the keyboard: Enter takes its choice as a click
    click_rect(box(), box()->find_rect_by_kind(rect_kind::label));
    key(VK_RETURN);
    EXPECT_EQ(answers, (std::vector<int>{0, 1}));
    EXPECT_STREQ(g_message_box.answer, "Sentinel");
}

TEST_F(message_box_test, typed_names_must_be_usable_file_names) {
    ask(message_box_type::name_input, "Please input name of configuration to save", "New Config");
    gui_window* b = box();
    click_rect(b, b->find_rect_by_kind(rect_kind::edit_field));
    for (int i = 0; i < 10; ++i) root->on_key(nullptr, WM_CHAR, VK_BACK, 0);
    type("..\\evil");
    type("\r");  // the field is wrapped: Enter does not answer
    EXPECT_TRUE(answers.empty());
    press_button("Accept");
    EXPECT_TRUE(answers.empty());
    EXPECT_TRUE(b->visible);
    click_rect(b, b->find_rect_by_kind(rect_kind::edit_field));
    for (int i = 0; i < 7; ++i) root->on_key(nullptr, WM_CHAR, VK_BACK, 0);
    type(std::string(300, 'n').c_str());
    press_button("Accept");
    ASSERT_EQ(answers, (std::vector<int>{1}));
    // The answer keeps what fits its 255 characters.
    EXPECT_EQ(std::strlen(g_message_box.answer), 255u);
}

// The name box takes the keyboard as it opens, the first time and every later time, and
// whichever element of the screen was pressed to open it.
TEST_F(message_box_test, a_name_box_takes_the_typing_without_a_click_into_its_field) {
    for (const char* name : {"Typed", "Again"}) {
        ask(message_box_type::name_input, "Please input name of scenario to save", "New Scenario");
        for (int i = 0; i < 12; ++i) root->on_key(nullptr, WM_CHAR, VK_BACK, 0);
        type(name);
        press_button("Accept");
        EXPECT_STREQ(g_message_box.answer, name);
    }
    EXPECT_EQ(answers, (std::vector<int>{1, 1}));
}

TEST_F(message_box_test, file_name_rules) {
    EXPECT_TRUE(valid_file_name("Sentinel MR"));
    EXPECT_FALSE(valid_file_name(""));
    EXPECT_FALSE(valid_file_name(".."));
    EXPECT_FALSE(valid_file_name("a..b"));
    EXPECT_FALSE(valid_file_name("a\\b"));
    EXPECT_FALSE(valid_file_name("tab\there"));
}

TEST_F(message_box_test, check_state_is_kept_between_boxes) {
    ask(message_box_type::yes_no_check, "Start the tips?", "Show tips at start");
    gui_window* b = box();
    gui_rect* check = b->find_rect_by_kind(rect_kind::check_box);
    EXPECT_FALSE(check->ticked);
    click_rect(b, check);
    press_button("Yes");
    EXPECT_EQ(g_message_box.check_state, 1);
    ask(message_box_type::yes_no_check, "Again?", "Show tips at start");
    EXPECT_TRUE(box()->find_rect_by_kind(rect_kind::check_box)->ticked);
}

std::vector<std::string>* g_previews = nullptr;
void record_preview(const char* file) { g_previews->emplace_back(file); }

TEST_F(message_box_test, object_choice_previews_the_chosen_file) {
    temp_folder tmp;
    tmp.write("sounds/click.wav", "x");
    tmp.write("sounds/radar.x", "x");
    std::vector<std::string> previews;
    g_previews = &previews;
    ui_hooks().play_preview_sound = record_preview;
    ask(message_box_type::object_choice, "Please select an object", "sounds\\*.*");
    // The answer keeps the folder part of the pattern for the preview.
    EXPECT_STREQ(g_message_box.answer, "sounds\\");
    gui_window* list = box()->last_child();
    ASSERT_EQ(list->list_item_count(), 2);
    click_rect(list, list->list_item(0));
    EXPECT_EQ(previews, (std::vector<std::string>{"", "sounds\\click.wav"}));
    EXPECT_STREQ(box()->find_rect_by_kind(rect_kind::caption)->text.get(), "sounds\\click.wav");
    press_button("Accept");
    EXPECT_EQ(answers, (std::vector<int>{1}));
    EXPECT_STREQ(g_message_box.answer, "click.wav");
    g_previews = nullptr;
}

// A notice of several lines shows each in a caption of its own, one under the other in one
// column (one font), the box grown to hold them and OK below the last.
TEST_F(message_box_test, a_notice_of_many_lines_shows_each_whole) {
    std::string text = "0 " + std::string(100, 'a');
    ask(message_box_type::notice, text.c_str(), "");
    const float one_line_height = box()->box_y2 - box()->box_y1;
    for (int i = 1; i < 8; ++i) text += "\n" + std::to_string(i) + " " + std::string(100, static_cast<char>('a' + i));
    ask(message_box_type::notice, text.c_str(), "");
    EXPECT_GT(box()->box_y2 - box()->box_y1, one_line_height);
    std::vector<const gui_rect*> shown;
    for (int i = 0; i < box()->rect_count; ++i) {
        if (box()->rect(i)->kind == rect_kind::label) shown.push_back(box()->rect(i));
    }
    ASSERT_EQ(shown.size(), 8u);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i]->text.get(), text.substr(i * 103, 102));
        EXPECT_EQ(shown[i]->x1, shown[0]->x1);
        EXPECT_GT(shown[i]->y1, button("OK")->y2);
        if (i > 0) EXPECT_LE(shown[i]->y2, shown[i - 1]->y1 + 1e-6f);
    }
}

// A notice line longer than a caption's 127 characters goes on in the next caption, broken
// after a space: nothing of it is cut.
TEST_F(message_box_test, a_notice_line_longer_than_a_caption_goes_on_in_the_next) {
    const std::string text = "Could not load missiles\\" + std::string(39, 'M') +
                             ".txt: it stops in the middle of a line before naming all its parts";
    ASSERT_GT(text.size(), 127u);
    ask(message_box_type::notice, text.c_str(), "");
    std::string shown;
    for (int i = 0; i < box()->rect_count; ++i) {
        const gui_rect* r = box()->rect(i);
        if (r->kind == rect_kind::label && r->has_text()) shown += r->text.get();
    }
    EXPECT_EQ(shown, text);
}

// A notice still open when the window takes another size (as at start-up) stays over the screen
// rebuilt for it.
TEST_F(message_box_test, a_notice_stays_over_the_screen_rebuilt_for_a_new_size) {
    root->show_notice("Design", "Could not load motors\\New Motor.txt: it ends before its \"@\" line");
    ASSERT_NE(box(), nullptr);
    root->on_resize();
    ASSERT_NE(box(), nullptr);
    EXPECT_TRUE(box()->visible);
    EXPECT_STREQ(g_message_box.title, "Ventrask - Design");
    EXPECT_STREQ(g_message_box.message, "Could not load motors\\New Motor.txt: it ends before its \"@\" line");
}

}  // namespace
