// The tips browser over a help folder made in the test.
#include <cstring>

#include "gui_fixture.h"
#include "tests/support/temp_folder.h"
#include "ui/screens.h"
#include "ui/tips_dialog.h"

namespace {

class tips_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        tmp.write("help/main/First.txt", "The first tip.\r\n");
        tmp.write("help/main/Second.txt", "The second tip.\r\n");
        tmp.write("help/missile/notes.md", "not a tip");
        root->init();
        pending_command = 24;
        root->update();
        w = root->find_dialog(tips_dialog);
    }
    std::string title() const { return w->find_rect_by_kind(rect_kind::title_bar)->text.get(); }
    std::string text() const { return w->find_rect_by_kind(rect_kind::text_area)->text.get(); }
    gui_rect* find(int kind, const char* caption) const {
        for (int i = 0; i < w->rect_count; ++i) {
            gui_rect* r = w->rect(i);
            if (r->kind == kind && r->text && std::strcmp(r->text.get(), caption) == 0) return r;
        }
        return nullptr;
    }
    temp_folder tmp;
    gui_window* w = nullptr;
};

TEST(tips_scroll, the_offset_stays_within_0_and_2) {
    EXPECT_FLOAT_EQ(tips_scroll_offset(0.5f, 0.25f, 2.0f), 1.0f);  // a taller screen
    EXPECT_FLOAT_EQ(tips_scroll_offset(1.9f, 1.0f, 1.0f), 2.0f);
    EXPECT_FLOAT_EQ(tips_scroll_offset(0.1f, -1.0f, 1.0f), 0.0f);
}

TEST_F(tips_test, next_tip_walks_the_topic_and_an_empty_topic_keeps_the_tip) {
    ASSERT_NE(w, nullptr);
    const std::string first = title();
    ASSERT_TRUE(first == "First" || first == "Second") << first;
    EXPECT_EQ(text(), first == "First" ? "The first tip.\r\n" : "The second tip.\r\n");
    click_rect(w, find(rect_kind::button, "Next Tip >>"));
    EXPECT_NE(title(), first);
    click_rect(w, find(rect_kind::button, "Next Tip >>"));
    EXPECT_EQ(title(), first);
    click_rect(w, find(rect_kind::tab_button, "missile"));
    EXPECT_EQ(title(), first);
    EXPECT_EQ(text().empty(), false);
    click_rect(w, find(rect_kind::tab_button, "main"));
    EXPECT_NE(title(), first);
}

TEST_F(tips_test, show_on_start_manual_and_drag_scroll) {
    ASSERT_NE(w, nullptr);
    app->use_tips = 1;
    gui_rect* box = find(rect_kind::check_box, "Show Tips On Start");
    ASSERT_NE(box, nullptr);
    box->ticked = 1;
    click_rect(w, box);
    EXPECT_EQ(app->use_tips, 0);
    click_rect(w, find(rect_kind::button, "Open Manual"));
    ASSERT_EQ(log.documents.size(), 1u);
    EXPECT_EQ(log.documents[0], "help\\index.htm");
    // Dragging the text up twice scrolls it to the end and no further; down twice, back to
    // the start.
    gui_rect* area = w->find_rect_by_kind(rect_kind::text_area);
    for (int pass = 0; pass < 4; ++pass) {
        const bool upward = pass < 2;
        down(px(-0.3f), py(upward ? -0.55f : 0.55f));
        for (int step = 1; step <= 22; ++step) {
            move(px(-0.3f), py((upward ? -0.55f : 0.55f) + (upward ? 0.05f : -0.05f) * step), 1);
        }
        up();
        if (pass == 1) {
            EXPECT_FLOAT_EQ(area->offset_y, 2.0f);
        }
    }
    EXPECT_FLOAT_EQ(area->offset_y, 0.0f);
}

}  // namespace
