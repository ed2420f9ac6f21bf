// Window kinds, their frame elements and layout; sliders, lists, drop-downs, menus and text
// boxes.
#include <cmath>
#include <cstring>

#include "gui_fixture.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

using gui_window_test = gui_fixture;

TEST_F(gui_window_test, list_thumb_shows_only_when_it_has_room_to_travel) {
    gui_window tall, short_list;
    tall.create(0, 0, 0.5f, 0.3f, window_kind::list_box);
    short_list.create(0, 0, 0.5f, 0.28f, window_kind::list_box);
    const gui_rect* a = tall.find_rect_by_kind(rect_kind::vertical_thumb);
    const gui_rect* b = short_list.find_rect_by_kind(rect_kind::vertical_thumb);
    EXPECT_TRUE(a->visible);
    EXPECT_FALSE(b->visible);
    EXPECT_TRUE(tall.uses_opacity);
}

TEST_F(gui_window_test, red_green_slider_reads_as_a_plain_slider_and_maps_0_to_255) {
    gui_window s;
    s.create(-0.5f, 0, 0.5f, 0.1f, window_kind::red_green_horizontal_slider);
    EXPECT_EQ(s.kind, window_kind::horizontal_slider);
    s.set_slider_value(300);
    const gui_rect* thumb = s.find_rect_by_kind(rect_kind::horizontal_thumb);
    EXPECT_NEAR(s.slider_value(), 255.0f, 1e-3f);
    // The track halves follow the thumb.
    EXPECT_NEAR(s.rect(0)->x2, thumb->x1 + thumb->offset_x, 1e-5f);
    s.set_slider_value(-5);
    EXPECT_EQ(thumb->offset_x, 0.0f);
    s.set_slider_value(127.5f);
    EXPECT_NEAR(s.slider_value(), 127.5f, 1e-3f);
}

TEST_F(gui_window_test, recreating_gives_the_same_frame_and_resets_indices) {
    gui_window w;
    w.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::resizable_window);
    const int count = w.rect_count;
    w.pressed = 3;
    w.selected = 2;
    w.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::resizable_window);
    EXPECT_EQ(w.rect_count, count);
    EXPECT_EQ(w.pressed, 0);
    EXPECT_EQ(w.selected, 0);
    // A titled window has a maximise button only when it rebuilds on resize.
    gui_window t;
    t.create(0, 0, 1, 1, window_kind::titled_window);
    EXPECT_EQ(t.find_rect_by_kind(rect_kind::maximise_button), nullptr);
}

TEST_F(gui_window_test, set_title_prefers_the_title_bar_over_a_caption) {
    gui_window w;
    w.create(0, 0, 1, 1, window_kind::titled_window);
    gui_rect* caption = w.add_rect(0, 0, 1, 0.1f, rect_kind::caption);
    w.set_title("Title");
    EXPECT_STREQ(w.find_rect_by_kind(rect_kind::title_bar)->text.get(), "Title");
    EXPECT_STREQ(caption->text.get(), "");
    // A text longer than the element's buffer is cut to it.
    const std::string long_title(400, 'x');
    w.set_title(long_title.c_str());
    EXPECT_EQ(std::strlen(w.find_rect_by_kind(rect_kind::title_bar)->text.get()), 127u);
}

TEST_F(gui_window_test, list_selection_keyboard_and_type_ahead) {
    gui_window list;
    list.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::list_box);
    for (const char* t : {"Alpha", "Mach 2", "Mach 3", "Motor"}) list.list_add_item(t);
    EXPECT_EQ(list.list_item_count(), 4);
    list.list_select(10);
    EXPECT_EQ(list.list_selected_index(), -1);
    list.list_select(2);
    list.list_on_key(VK_NEXT);
    EXPECT_EQ(list.list_selected_index(), 3);
    list.list_on_key(VK_PRIOR);
    EXPECT_EQ(list.list_selected_index(), 0);
    // Typing m walks through the items with that initial, then starts again.
    list.list_on_key('m');
    EXPECT_STREQ(list.list_selected_text(), "Mach 2");
    list.list_on_key('m');
    EXPECT_STREQ(list.list_selected_text(), "Mach 3");
    list.list_on_key('m');
    EXPECT_STREQ(list.list_selected_text(), "Motor");
    list.list_on_key('m');
    EXPECT_STREQ(list.list_selected_text(), "Mach 2");
    // An upper-case letter matches only upper-case initials.
    list.list_on_key('a');
    EXPECT_STREQ(list.list_selected_text(), "Alpha");
}

TEST_F(gui_window_test, long_lists_scroll_the_chosen_item_into_view) {
    gui_window list;
    list.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::list_box);
    for (int i = 0; i < 40; ++i) list.list_add_item(format_string("Item %d", i).c_str());
    const gui_rect* area = list.find_rect_by_kind(rect_kind::list_area);
    EXPECT_TRUE(list.list_item(0)->visible);
    EXPECT_FALSE(list.list_item(39)->visible);
    list.list_moving_up = 0;
    list.list_select(39);
    const gui_rect* last = list.list_item(39);
    EXPECT_TRUE(last->visible);
    EXPECT_NEAR(last->y1 + last->offset_y, area->y1 + 0.008f, 1e-4f);
    EXPECT_FALSE(list.list_item(0)->visible);
    // Four items fit: the thumb moves nothing.
    gui_window few;
    few.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::list_box);
    for (int i = 0; i < 4; ++i) few.list_add_item("x");
    few.find_rect_by_kind(rect_kind::vertical_thumb)->offset_y = 0;
    few.layout();
    EXPECT_EQ(few.list_item(3)->offset_y, 0.0f);
}

TEST_F(gui_window_test, sorting_and_removing_items) {
    gui_window list;
    list.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::list_box);
    const int frame = list.rect_count;
    list.list_remove_last_item();
    EXPECT_EQ(list.rect_count, frame);
    for (const char* t : {"b", "A", "c"}) list.list_add_item(t);
    list.list_sort();
    EXPECT_STREQ(list.list_item(0)->text.get(), "A");
    EXPECT_STREQ(list.list_item(1)->text.get(), "b");
    EXPECT_STREQ(list.list_item(2)->text.get(), "c");
    list.list_clear();
    EXPECT_EQ(list.list_item_count(), 0);
    EXPECT_EQ(list.rect_count, frame);
}

TEST_F(gui_window_test, lists_fill_from_folders) {
    temp_folder tmp;
    tmp.write("configs/Basic.txt", "x");
    tmp.write("configs/V2.cfg.txt", "x");
    tmp.write("configs/ab", "x");
    tmp.write("configs/Other.csv", "x");
    gui_window list;
    list.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::list_box);
    list.list_fill_from_files("configs\\*.txt", false);
    ASSERT_EQ(list.list_item_count(), 2);
    EXPECT_STREQ(list.list_item(0)->text.get(), "Basic");
    EXPECT_STREQ(list.list_item(1)->text.get(), "V2");
    list.list_clear();
    list.list_fill_from_files("configs\\*.*", true);
    // Names shorter than three characters are left out.
    EXPECT_EQ(list.list_item_count(), 3);
}

TEST_F(gui_window_test, text_files_expand_tabs_and_skip_the_marker_line) {
    temp_folder tmp;
    tmp.write("a.txt", "abc\tX\r\n0123456789abcdef\tY");
    tmp.write("unix.txt", "header\n@\nafter\n");
    tmp.write("dos.txt", "header\r\n@\r\nafter\r\n");
    gui_window box;
    box.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::text_box);
    ASSERT_TRUE(box.text_load_file("a.txt", false));
    const gui_rect* area = box.find_rect_by_kind(rect_kind::text_area);
    EXPECT_EQ(std::string(area->text.get()),
              "abc" + std::string(13, ' ') + "X\r\n0123456789abcdefY");
    // The line break after the marker is skipped whether it is LF or CR LF.
    ASSERT_TRUE(box.text_load_file("unix.txt", true));
    EXPECT_STREQ(area->text.get(), "after\n");
    ASSERT_TRUE(box.text_load_file("dos.txt", true));
    EXPECT_STREQ(area->text.get(), "after\r\n");
    EXPECT_FALSE(box.text_load_file("missing.txt", false));
    EXPECT_STREQ(area->text.get(), "after\r\n");
}

TEST_F(gui_window_test, text_box_measures_its_text_and_scrolls_by_lines) {
    gui_window box;
    box.create(-0.5f, -0.5f, 0.5f, 0.5f, window_kind::text_box);
    std::string text;
    for (int i = 0; i < 100; ++i) text += "a line of the text box\r\n";
    box.text_set(text.c_str());
    EXPECT_EQ(box.lines, 101);
    EXPECT_EQ(box.columns, 22);
    const gui_rect* v = box.find_rect_by_kind(rect_kind::vertical_thumb);
    const gui_rect* area = box.find_rect_by_kind(rect_kind::text_area);
    EXPECT_GT(v->scale, 0.0f);
    EXPECT_EQ(area->offset_y, 0.0f);
    box.text_on_key(VK_NEXT);
    EXPECT_NEAR(v->value_y, v->range - 5 * v->range / 101, 1e-5f);
    EXPECT_GT(area->offset_y, 0.0f);
}

TEST_F(gui_window_test, drop_down_choice_by_mouse_reaches_the_screen) {
    static int committed = 0;
    static gui_window* combo = nullptr;
    committed = 0;
    root->kind = window_kind::panel;
    root->callback = [](gui_window* w, int event) {
        if (event == gui_event::child_committed && w->current_child() == combo) ++committed;
        return 0;
    };
    combo = root->add_window();
    combo->create(-0.5f, 0.2f, 0.5f, 0.3f, window_kind::drop_down);
    for (const char* t : {"Navy Blue", "Army Green"}) combo->combo_add_item(t);
    gui_window* list = combo->last_child();
    EXPECT_FALSE(list->visible);
    click_rect(combo, combo->find_rect_by_kind(rect_kind::down_arrow));
    EXPECT_TRUE(list->visible);
    EXPECT_TRUE(g_focus.list_focus);
    click_rect(list, list->list_item(1));
    EXPECT_FALSE(list->visible);
    EXPECT_STREQ(combo->rect(0)->text.get(), "Army Green");
    EXPECT_EQ(committed, 1);
    combo->combo_select(0);
    EXPECT_STREQ(combo->rect(0)->text.get(), "Navy Blue");
    combo = nullptr;
}

}  // namespace
