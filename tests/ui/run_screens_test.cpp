// The screens of a run: choosing a situation, the results and their score, saving a
// situation, the in-run screen and the status line, over a temporary run folder and a scene
// that writes down what it was asked to do.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gui_fixture.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/text.h"
#include "core/camera.h"
#include "core/sound_system.h"
#include "listening_engine.h"
#include "shell/speech.h"
#include "tests/shell/audio_test_support.h"
#include "shell/scene.h"
#include "tests/support/temp_folder.h"
#include "ui/message_box.h"
#include "ui/run_screens.h"
#include "ui/screens.h"

namespace {

// A scene that only keeps the situations it was asked to read, and whose snapshot is a small
// grey picture.
class recording_scene : public scene {
public:
    std::vector<std::string> read;
    const char* notice = nullptr;  // told by the reading, as a scenery that is lost would be
    void read_situation(const char* path) override {
        read.emplace_back(path);
        if (notice != nullptr) gui_link().show_notice("Scenery Error", notice);
    }
    bool render_snapshot(image* out) override {
        if (!image_allocate(out, 8, 6)) return false;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) out->set_pixel(x, y, 0xFF808080u);
        return true;
    }
};

const char* k_situation =
    "\n// QVD Situation File\n\n1\t[scenario_mode]\n@\nSaved in the Kestrel scenery\nSecond line\n";

class run_screens_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        root->init();
        g_scene = &world;
    }
    void TearDown() override {
        root.reset();
        g_scene = nullptr;
        gui_fixture::TearDown();
    }
    gui_window* open_run_scenario() {
        pending_command = 12;
        root->update();
        return root->find_dialog(run_scenario_dialog);
    }
    static gui_rect* find(const gui_window* w, int kind, const char* caption) {
        for (int i = 0; i < w->rect_count; ++i) {
            gui_rect* r = w->rect(i);
            if (r->kind == kind && r->text && std::strcmp(r->text.get(), caption) == 0) return r;
        }
        return nullptr;
    }
    static std::string title(const gui_window* w) {
        return w->find_rect_by_kind(rect_kind::title_bar)->text.get();
    }
    static std::vector<std::string> items(const gui_window* list) {
        std::vector<std::string> out;
        for (int k = 0; k < list->list_item_count(); ++k) out.emplace_back(list->list_item(k)->text.get());
        return out;
    }
    temp_folder tmp;
    recording_scene world;
};

TEST_F(run_screens_test, run_scenario_lists_sorted_names_and_shows_the_first) {
    tmp.write("situations/kestrel Bay.txt", k_situation);
    tmp.write("situations/Alpha.txt", "\n// QVD Situation File\n@\nAlpha text\n");
    tmp.write("situations/gamma.v2.txt", k_situation);
    tmp.write("situations/beta.txt", "\n// QVD Situation File\n@\nBeta text\n");
    tmp.write("situations/notes.md", "not a situation");
    gui_window* w = open_run_scenario();
    ASSERT_NE(w, nullptr);
    const gui_window* list = w->private_windows[0];
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(items(list), (std::vector<std::string>{"Alpha", "beta", "gamma", "kestrel Bay"}));
    EXPECT_STREQ(list->list_selected_text(), "Alpha");
    EXPECT_EQ(title(w), "Load Situation - Alpha");
    const gui_rect* text = w->private_windows[1]->find_last_rect_by_kind(rect_kind::text_area);
    EXPECT_EQ(std::string(text->text.get()).rfind("Alpha text", 0), 0u) << text->text.get();
    EXPECT_EQ(std::string(text->text.get()).find("QVD"), std::string::npos);
}

TEST_F(run_screens_test, start_from_the_menus_loads_and_asks_for_the_run_screen) {
    tmp.write("situations/Kestrel Bay Defence.txt", k_situation);
    gui_window* w = open_run_scenario();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(app->menu_mode, 1);
    click_rect(w, find(w, rect_kind::button, "Start"));
    EXPECT_EQ(pending_command, 1);
    EXPECT_EQ(app->menu_mode, 0);
    EXPECT_EQ(world.read, (std::vector<std::string>{"situations\\Kestrel Bay Defence.txt"}));
    EXPECT_EQ(w->visible, 0);
}

// A notice told while the situation is read waits for the run screen, which would close it,
// and is shown over that screen.
TEST_F(run_screens_test, a_notice_told_as_the_run_starts_is_shown_over_the_run_screen) {
    tmp.write("situations/Kestrel Bay Defence.txt", k_situation);
    world.notice = "The scenery could not be read";
    gui_window* w = open_run_scenario();
    ASSERT_NE(w, nullptr);
    click_rect(w, find(w, rect_kind::button, "Start"));
    EXPECT_EQ(pending_command, 1);
    EXPECT_EQ(root->find_dialog(message_box_dialog), nullptr);
    root->update();
    EXPECT_EQ(pending_command, 0);
    EXPECT_EQ(root->kind, window_kind::menu_bar);  // the run screen
    gui_window* box = root->find_dialog(message_box_dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->visible, 1);
    EXPECT_EQ(g_message_box.type, message_box_type::notice);
    EXPECT_STREQ(g_message_box.message, "The scenery could not be read");
    EXPECT_STREQ(g_message_box.title, "Ventrask - Scenery Error");
    // Told with no screen change to wait for, it shows at once.
    world.notice = nullptr;
    gui_link().show_notice("Scenery Error", "Again");
    EXPECT_STREQ(g_message_box.message, "Again");
}

TEST_F(run_screens_test, start_on_a_situation_gone_since_listing_tells_and_stays) {
    tmp.write("situations/Gone.txt", k_situation);
    gui_window* w = open_run_scenario();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(fs_delete("situations\\Gone.txt"));
    click_rect(w, find(w, rect_kind::button, "Start"));
    EXPECT_EQ(pending_command, 0);
    EXPECT_EQ(app->menu_mode, 1);
    EXPECT_TRUE(world.read.empty());
    EXPECT_EQ(w->visible, 1);
    EXPECT_EQ(g_message_box.type, 1);
    EXPECT_EQ(g_message_box.owner, w);
    EXPECT_NE(std::strstr(g_message_box.message, "Gone"), nullptr);
}

// A situation cut before its "@" line would start a run without its systems: Start names it
// and the menus stay.
TEST_F(run_screens_test, start_on_a_damaged_situation_names_it_and_stays) {
    const std::string whole = k_situation;
    tmp.write("situations/Kestrel Bay Defence.txt", whole.substr(0, whole.find('@')));
    gui_window* w = open_run_scenario();
    ASSERT_NE(w, nullptr);
    click_rect(w, find(w, rect_kind::button, "Start"));
    EXPECT_EQ(pending_command, 0);
    EXPECT_EQ(app->menu_mode, 1);
    EXPECT_TRUE(world.read.empty());
    EXPECT_EQ(w->visible, 1);
    EXPECT_EQ(g_message_box.owner, w);
    EXPECT_STREQ(g_message_box.message,
                 "The situation Kestrel Bay Defence could not be read whole:\nit ends before its \"@\" line.");
    EXPECT_NE(std::strstr(app->log_text(), "situations\\Kestrel Bay Defence.txt cannot be read whole"), nullptr);
}

TEST_F(run_screens_test, start_without_situations_gives_a_selection_error) {
    gui_window* w = open_run_scenario();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->private_windows[0]->list_item_count(), 0);
    click_rect(w, find(w, rect_kind::button, "Start"));
    EXPECT_NE(std::strstr(g_message_box.title, "Selection Error"), nullptr) << g_message_box.title;
    EXPECT_STREQ(g_message_box.message, "No situation was selected");
    EXPECT_EQ(pending_command, 0);
    EXPECT_TRUE(world.read.empty());
}

TEST(results_score, single_precision_truncated_toward_zero) {
    EXPECT_EQ(results_score_percent(0, 0, 0), 0);
    EXPECT_EQ(results_score_percent(4, 1, 2), 68);   // 0.6875
    EXPECT_EQ(results_score_percent(2, 3, 0), -12);  // -0.125
    EXPECT_EQ(results_score_percent(3, 1, 0), 75);   // 0.75 exactly
}

TEST_F(run_screens_test, results_show_the_counters_and_leave_the_run_once_on_close) {
    state->rockets_fired = 4;
    state->missiles_fired = 6;
    state->intercepts = 3;
    state->hits = 1;
    state->debris_hits = 2;
    root->open_dialog(results_dialog);
    gui_window* w = root->find_dialog(results_dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_NE(find(w, rect_kind::label, "Rockets Fired - 4"), nullptr);
    EXPECT_NE(find(w, rect_kind::label, "Missiles Fired - 6"), nullptr);
    EXPECT_NE(find(w, rect_kind::label, "Rockets Intercepted - 3"), nullptr);
    EXPECT_NE(find(w, rect_kind::label, "Debris Hit Your Area - 2"), nullptr);
    EXPECT_NE(find(w, rect_kind::label, "Your Score is - 68 %"), nullptr);
    EXPECT_EQ(log.sounds, std::vector<int>{2});
    click_rect(w, find(w, rect_kind::button, "Close"));
    EXPECT_EQ(log.leave_scene, 1);
    // The next screen's build clears the root: the dialog's destruction closes it again.
    root->update();
    EXPECT_EQ(root->find_dialog(results_dialog), nullptr);
    EXPECT_EQ(log.leave_scene, 1);
}

// Results asked for before the in-run screen is built (a run over in its first frames) wait
// for that screen, whose build would close them.
TEST_F(run_screens_test, results_asked_for_before_the_run_screen_is_built_show_over_it) {
    pending_command = 1;
    gui_link().open_dialog(gui_dialog::results);
    EXPECT_EQ(root->find_dialog(results_dialog), nullptr);
    root->update();
    EXPECT_EQ(root->callback, run_screen);
    gui_window* w = root->find_dialog(results_dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->visible, 1);
    EXPECT_EQ(log.leave_scene, 0);
    // Asked for with no screen change to wait for, they open at once.
    root->close_dialog(results_dialog);
    root->update();
    gui_link().open_dialog(gui_dialog::results);
    EXPECT_NE(root->find_dialog(results_dialog), nullptr);
}

TEST_F(run_screens_test, results_left_with_escape_leave_once) {
    root->open_dialog(results_dialog);
    ASSERT_NE(root->find_dialog(results_dialog), nullptr);
    key(VK_ESCAPE);
    root->update();
    EXPECT_EQ(log.leave_scene, 1);
}

// ---- With sound: the menu music and the spoken score ----

class run_screens_sound_test : public run_screens_test {
protected:
    void SetUp() override {
        run_screens_test::SetUp();
        g_sound = &sound;
        sound.init_with(open_loopback_audio_device(k_test_rate));
        ASSERT_EQ(sound.available, 1);
        g_speech = &voice;
        ASSERT_TRUE(voice.init(&sound, std::make_unique<listening_engine>(&said)));
    }
    void TearDown() override {
        voice.release();
        sound.release();
        g_speech = nullptr;
        g_sound = nullptr;
        run_screens_test::TearDown();
    }
    sound_system sound;
    speech voice;
    std::vector<std::pair<std::string, int>> said;
};

TEST_F(run_screens_sound_test, start_from_the_menus_ends_the_menu_music) {
    tmp.write("situations/Kestrel Bay Defence.txt", k_situation);
    tmp.write("music/menu.mp3", "");
    ASSERT_TRUE(write_mp3(tmp.path() + "/music/menu.mp3", make_tone(2.0)));
    sound.open_music("music\\menu.mp3");
    ASSERT_EQ(send_media_command("play MediaFile notify"), MEDIA_OK);
    ASSERT_TRUE(sound.music().is_playing());
    gui_window* w = open_run_scenario();
    ASSERT_NE(w, nullptr);
    click_rect(w, find(w, rect_kind::button, "Start"));
    // Stopped and closed: nothing is left open on the channel, and no end-of-track notice
    // is due.
    EXPECT_FALSE(sound.music().is_open());
    EXPECT_EQ(pending_command, 1);
    EXPECT_EQ(world.read, (std::vector<std::string>{"situations\\Kestrel Bay Defence.txt"}));
    // Loaded again from the in-run screen, the situation leaves the music alone.
    sound.open_music("music\\menu.mp3");
    ASSERT_EQ(send_media_command("play MediaFile"), MEDIA_OK);
    pending_command = 0;
    w->visible = 1;
    click_rect(w, find(w, rect_kind::button, "Start"));
    EXPECT_TRUE(sound.music().is_playing());
    EXPECT_EQ(pending_command, 0);
    EXPECT_EQ(world.read.size(), 2u);
}

TEST_F(run_screens_sound_test, results_speak_the_score) {
    state->rockets_fired = 4;
    state->intercepts = 3;
    state->hits = 1;
    state->debris_hits = 2;
    root->open_dialog(results_dialog);
    ASSERT_NE(root->find_dialog(results_dialog), nullptr);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].first, "Scenario has ended, your score is 68 %");
}

// ---- The in-run screen ----

class run_screen_test : public run_screens_test {
protected:
    void SetUp() override {
        run_screens_test::SetUp();
        pending_command = 1;
        root->update();
    }
    int count(const std::string& prefix) const { return static_cast<int>(painter.find(prefix).size()); }
    void render() {
        painter.calls.clear();
        root->render();
    }
    // The pixel of side-bar button i.
    static int bar_x(int i) { return px(-0.2f + 0.15f * static_cast<float>(i) + 0.075f); }
    void press_bar(int i) {
        move(bar_x(i), py(0.82f));
        click(bar_x(i), py(0.82f));
    }
};

TEST_F(run_screen_test, builds_the_menu_bar_and_a_hidden_side_bar) {
    EXPECT_EQ(root->callback, run_screen);
    std::vector<std::string> titles;
    for (int i = 0; i < root->rect_count; ++i) {
        if (root->rect(i)->kind == rect_kind::menu_entry) titles.emplace_back(root->rect(i)->text.get());
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Situation", "Options", "Tools", "Help"}));
    const gui_rect* bar = root->private_rects[0];
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->kind, rect_kind::image);
    EXPECT_EQ(bar->visible, 0);
}

TEST_F(run_screen_test, counters_show_only_while_the_bar_is_hidden) {
    state->rockets_fired = 3;
    state->debris_hits = 1;
    move(320, 400);
    render();
    EXPECT_EQ(count("text 3 0 C0FFFFFF 3 Rockets Launched"), 1);
    EXPECT_EQ(count("text 3 0 C0FFFFFF 1 Debris Hit Your Area"), 1);
    move(bar_x(3), py(0.82f));
    render();
    EXPECT_EQ(count("text 3 0 C0FFFFFF"), 0);
    ASSERT_EQ(count("note "), 1);
    EXPECT_NE(painter.find("note ")[0].find(" Show Telescope"), std::string::npos);
    EXPECT_EQ(root->private_rects[0]->visible, 1);
}

// At 640 x 480 the counters' widest line would run off the screen from 0.6: they move left.
// They are not drawn while the side bar lies over that corner.
TEST_F(run_screen_test, counters_end_inside_the_screen_and_leave_the_side_bar_alone) {
    state->debris_hits = 10;
    move(320, 400);
    render();
    float widest = 0;
    for (const auto& b : painter.text_boxes) {
        if (b.text.find("Your Area") == std::string::npos) continue;
        float size[2];
        ASSERT_TRUE(gui_text_size(&painter, gui_font::large, b.text.c_str(), size));
        widest = std::max(widest, size[0]);
        EXPECT_LE(b.x1 + size[0], 1.0f) << b.text;
        EXPECT_LT(b.x1, 0.6f);
    }
    EXPECT_GT(widest, 0.4f);  // wider than the 0.4 right of 0.6: the case at hand
    root->private_rects[0]->visible = 1;
    render();
    EXPECT_EQ(count("text 3 0 C0FFFFFF"), 0);
}

// Past 640 x 480 the run's texts are drawn at the window's GUI scale: a texel to a pixel.
TEST_F(run_screen_test, run_texts_are_drawn_at_the_window_text_scale) {
    set_viewport(1024, 768);
    gui_scale[0] = gui_scale[1] = 1.6f;
    pending_command = 1;
    root->update();
    app->use_verbose = 1;
    state->status_mode = 2;
    state->log_message("Missile Launched");
    move(512, 600);
    render();
    int seen = 0;
    for (const auto& b : painter.text_boxes) {
        if (b.text.find("fps") != std::string::npos || b.text == "Missile Launched" ||
            b.text.find("Rockets Launched") != std::string::npos) {
            EXPECT_FLOAT_EQ(b.sx, 1.6f) << b.text;
            EXPECT_FLOAT_EQ(b.sy, 1.6f) << b.text;
            ++seen;
        }
    }
    EXPECT_EQ(seen, 3);
    gui_scale[0] = gui_scale[1] = 1.0f;
}

TEST_F(run_screen_test, side_bar_press_runs_the_button_under_the_pointer) {
    press_bar(7);
    ASSERT_NE(root->find_dialog(quit_dialog), nullptr);
    EXPECT_EQ(app->paused, 1);
    EXPECT_EQ(log.sounds, std::vector<int>{0});
}

TEST_F(run_screen_test, side_bar_buttons_toggle_their_dialogs_and_free_the_camera) {
    frame target;
    world.viewer.target = &target;
    run_side_bar_button(root.get(), 3);  // the telescope keeps the tracking camera
    EXPECT_EQ(world.viewer.target, &target);
    run_side_bar_button(root.get(), 0);
    EXPECT_EQ(world.viewer.target, nullptr);
    gui_window* weather = root->find_dialog(weather_dialog);
    ASSERT_NE(weather, nullptr);
    EXPECT_EQ(weather->visible, 1);
    run_side_bar_button(root.get(), 0);
    EXPECT_EQ(weather->visible, 0);
    run_side_bar_button(root.get(), 0);
    EXPECT_EQ(weather->visible, 1);
    run_side_bar_button(root.get(), 2);  // another view closes the weather dialog
    EXPECT_EQ(root->find_dialog(weather_dialog), nullptr);
    for (int i = 4; i <= 6; ++i) run_side_bar_button(root.get(), i);  // nothing to track
    run_side_bar_button(root.get(), 7);
    ASSERT_NE(root->find_dialog(quit_dialog), nullptr);
    run_side_bar_button(root.get(), 7);
    EXPECT_EQ(root->find_dialog(quit_dialog)->visible, 0);
}

TEST_F(run_screen_test, the_quit_question_pauses_the_run_every_time_it_is_shown) {
    // Situation > Exit, the way a user reaches it: the title, then the entry.
    auto situation_exit = [&] {
        gui_window* menu = nullptr;
        for (int i = 0; i < root->child_count; ++i) {
            if (root->child(i)->callback == situation_menu) menu = root->child(i);
        }
        ASSERT_NE(menu, nullptr);
        for (int i = 0; i < menu->rect_count; ++i) {
            const gui_rect* r = menu->rect(i);
            if (r->kind == rect_kind::menu_entry && r->text && std::strcmp(r->text.get(), "Exit") == 0) menu->pressed = i + 1;
        }
        ASSERT_NE(menu->pressed_rect(), nullptr);
        situation_menu(menu, gui_event::click);
    };
    auto answer_no = [&] {
        gui_window* quit = root->find_dialog(quit_dialog);
        ASSERT_NE(quit, nullptr);
        gui_rect* no = quit->rect(quit->rect_count - 4);
        ASSERT_STREQ(no->text.get(), "No");
        click_rect(quit, no);
        EXPECT_EQ(quit->visible, 0);
    };
    press_bar(7);
    EXPECT_EQ(app->paused, 1);
    answer_no();
    EXPECT_EQ(app->paused, 0);
    // Shown again, hidden as it is, by the side bar and by the menu: paused each time.
    press_bar(7);
    EXPECT_EQ(root->find_dialog(quit_dialog)->visible, 1);
    EXPECT_EQ(app->paused, 1);
    answer_no();
    EXPECT_EQ(app->paused, 0);
    situation_exit();
    EXPECT_EQ(root->find_dialog(quit_dialog)->visible, 1);
    EXPECT_EQ(app->paused, 1);
    // A second press of the side bar hides it and lets the run go on; a third shows it again.
    press_bar(7);
    EXPECT_EQ(root->find_dialog(quit_dialog)->visible, 0);
    EXPECT_EQ(app->paused, 0);
    press_bar(7);
    EXPECT_EQ(root->find_dialog(quit_dialog)->visible, 1);
    EXPECT_EQ(app->paused, 1);
    EXPECT_EQ(log.leave_scene, 0);
}

TEST_F(run_screen_test, tooltip_is_a_note_box_under_the_pointer_only_over_the_bar) {
    move(bar_x(7), py(0.82f));
    render();
    const std::vector<std::string> notes = painter.find("note ");
    ASSERT_EQ(notes.size(), 1u);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    char text[16] = {};
    ASSERT_EQ(std::sscanf(notes[0].c_str(), "note %f %f %f %f %15s", &x1, &y1, &x2, &y2, text), 5);
    // "Exit" (4 characters): 0.1 wide, ending at the pointer, 0.07 .. 0.15 below it.
    const float x = -0.2f + 0.15f * 7 + 0.075f;
    EXPECT_STREQ(text, "Exit");
    EXPECT_NEAR(x2, x, 0.005f);
    EXPECT_NEAR(x2 - x1, 0.1f, 0.001f);
    EXPECT_NEAR(y2, 0.82f - 0.07f, 0.005f);
    EXPECT_NEAR(y2 - y1, 0.08f, 0.001f);
    EXPECT_EQ(count("rect 0.850 0.720 1.000 0.920 FF000000"), 1);  // the button's outline
    // The pointer goes on onto the question's "No" below the bar: no tooltip from where it was
    // last over the bar, and no counters (the menus stay up while the pointer is over a dialog).
    press_bar(7);
    ASSERT_NE(root->find_dialog(quit_dialog), nullptr);
    move(px(0.28f), py(-0.13f));
    ASSERT_NE(root->hovered_child, 0);
    render();
    EXPECT_EQ(count("note "), 0);
    EXPECT_EQ(count("text 3 0 C0FFFFFF"), 0);
    // Back over the bar, the tooltip follows the pointer again.
    move(bar_x(2), py(0.82f));
    render();
    EXPECT_EQ(count("note "), 1);
    EXPECT_EQ(painter.find("note ")[0].substr(painter.find("note ")[0].size() - 10), "Show Radar");
}

TEST_F(run_screen_test, menu_entries_open_their_dialogs_by_number) {
    // Presses entry k (from 1) of the drop-down of the menu with the title.
    auto choose = [&](const char* title, int k, gui_callback handler) {
        gui_window* menu = nullptr;
        for (int i = 0; i < root->child_count; ++i) {
            if (root->child(i)->callback == handler) menu = root->child(i);
        }
        ASSERT_NE(menu, nullptr) << title;
        int n = 0;
        for (int i = 0; i < menu->rect_count; ++i) {
            if (menu->rect(i)->kind == rect_kind::menu_entry && ++n == k) menu->pressed = i + 1;
        }
        handler(menu, gui_event::click);
    };
    choose("Situation", 2, situation_menu);
    EXPECT_NE(root->find_dialog(save_situation_dialog), nullptr);
    EXPECT_EQ(app->paused, 1);
    choose("Situation", 1, situation_menu);
    EXPECT_NE(root->find_dialog(run_scenario_dialog), nullptr);
    choose("Options", 2, options_menu);
    EXPECT_NE(root->find_dialog(sound_dialog), nullptr);
    choose("Help", 2, help_menu);
    EXPECT_EQ(log.documents, std::vector<std::string>{"help\\index.htm"});
    choose("Help", 4, help_menu);
    EXPECT_NE(root->find_dialog(about_dialog), nullptr);
    choose("Tools", 2, tools_menu);
    EXPECT_NE(root->find_dialog(radar_view_dialog), nullptr);
    choose("Tools", 4, tools_menu);
    EXPECT_NE(root->find_dialog(flight_graph_dialog), nullptr);
}

// ---- The status line ----

TEST(status_fields, times_angles_and_headings) {
    char text[32];
    format_angle(-0.5f, 'N', 'S', text, sizeof text);
    EXPECT_STREQ(text, "00:30:00S");
    format_angle(0.0f, 'E', 'W', text, sizeof text);
    EXPECT_STREQ(text, "00:00:00E");
    format_angle(-12.25f, 'E', 'W', text, sizeof text);
    EXPECT_STREQ(text, "12:15:00W");
    format_time_of_day(13.5f, text, sizeof text);
    EXPECT_STREQ(text, "13:30:00");
    EXPECT_EQ(heading_degrees(0.4f / 57.29578f), 0);    // -0.4 degrees
    EXPECT_EQ(heading_degrees(1.2f / 57.29578f), 359);  // -1.2 degrees
    EXPECT_EQ(heading_degrees(-90.0f / 57.29578f), 90);
}

TEST_F(run_screen_test, status_line_takes_the_message_and_shows_it) {
    app->use_verbose = 0;
    state->status_mode = 1;
    state->frame_rate = 42;
    state->now = 1000;
    state->set_message("Missile Launched");
    render();
    EXPECT_EQ(count("text 1 0 FFFFFF00 42 fps"), 1);
    EXPECT_EQ(count("text 1 0 FFFFFF00 Missile Launched"), 1);
    EXPECT_STREQ(state->message, "");
    EXPECT_STREQ(state->history_line(0), "Missile Launched");
    state->now = 4001;  // 3 s later the line is gone
    render();
    EXPECT_EQ(count("text 1 0 FFFFFF00 Missile Launched"), 0);
}

TEST_F(run_screen_test, status_indicators_and_the_verbose_list) {
    sound_system sound;
    sound.sound_on = 0;
    g_sound = &sound;
    app->use_verbose = 1;
    state->status_mode = 0;
    state->sim_rate = 10.0f;
    for (int i = 0; i < 30; ++i) state->log_message("event");
    render();
    EXPECT_EQ(count("text 1 1 FFFFFF00 Sim Rate x 10"), 1);
    EXPECT_EQ(count("text 1 1 FFFFFF00 Sound Disabled"), 0);  // not in mode 0
    EXPECT_EQ(count("text 1 0 FFFFFF00 event"), 18);          // 20 H - 2 lines at H = 1
    state->status_mode = 2;
    state->sim_rate = 1.0f;
    render();
    EXPECT_EQ(count("text 1 1 FFFFFF00 Sim Rate"), 0);
    EXPECT_EQ(count("text 1 1 FFFFFF00 Sound Disabled"), 1);
    state->time_of_day = 6.25f;
    render();
    EXPECT_EQ(count("text 1 0 FFFFFF00 06:15:00  00:00:00E  00:00:00N  0 m  000 deg"), 1)
        << testing::PrintToString(painter.find("text 1 0"));
    g_sound = nullptr;
}

// The heading field is the camera's compass heading (a look yaw turns the other way round).
TEST_F(run_screen_test, status_heading_is_the_compass_heading_of_the_camera) {
    camera viewer;  // publishes its angles into the state
    ASSERT_EQ(state->camera_angles, viewer.angles);
    state->status_mode = 2;
    auto heading_after = [&](float look_yaw) {
        viewer.look_yaw = look_yaw;
        viewer.update(0.0f, look_yaw);
        render();
        std::string line;
        for (const std::string& t : painter.find("text 1 0 FFFFFF00 ")) {
            if (t.find(" deg  ") != std::string::npos) line = t;
        }
        const std::size_t deg = line.find(" deg  ");
        return deg == std::string::npos || deg < 3 ? "no line" : line.substr(deg - 3, 3);
    };
    EXPECT_EQ(heading_after(0.0f), "000");
    EXPECT_EQ(heading_after(-k_pi / 2), "090");  // z axis along +x: east
    EXPECT_NEAR(get_axis_z(viewer.world).x, 1.0f, 1e-6f);
    EXPECT_EQ(heading_after(k_pi / 2), "270");
    EXPECT_EQ(heading_after(-k_pi * 3 / 4), "135");
}

// ---- Saving a situation ----

class save_test : public run_screen_test {
protected:
    gui_window* open_save() {
        root->open_dialog(save_situation_dialog);
        return root->find_dialog(save_situation_dialog);
    }
    static std::string field(const gui_window* w, int k) { return w->private_rects[k]->text.get(); }
    void set_name(gui_window* w, const char* name) { w->private_rects[3]->set_text(name); }
};

TEST_F(save_test, proposes_the_first_free_number_and_describes_the_run) {
    tmp.write("situations/Situation 000.txt", k_situation);
    tmp.write("situations/Situation 002.txt", k_situation);
    copy_text(state->scenery_name, "Kestrel");
    state->scenario_mode = 1;
    gui_window* w = open_save();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(field(w, 3), "Situation 001");
    EXPECT_EQ(field(w, 4), "Saved in the Kestrel scenery\nSaved in scenario mode\n");
    EXPECT_EQ(app->paused, 1);
    click_rect(w, find(w, rect_kind::button, "Save"));
    EXPECT_EQ(app->paused, 0);
    EXPECT_EQ(w->visible, 0);
    const std::string saved = tmp.read("situations/Situation 001.txt");
    EXPECT_NE(saved.find("1\t[scenario_mode]"), std::string::npos);
    EXPECT_NE(saved.find("@\nSaved in the Kestrel scenery\nSaved in scenario mode\n"), std::string::npos);
    image picture;
    ASSERT_EQ(image_load_file("situations\\Situation 001.jpg", &picture), S_OK);
    EXPECT_EQ(picture.width, 8);
}

TEST(situation_names, only_plain_names_of_at_most_100_characters) {
    EXPECT_TRUE(valid_situation_name("Situation 001"));
    EXPECT_TRUE(valid_situation_name(std::string(100, 'a').c_str()));
    EXPECT_FALSE(valid_situation_name(std::string(101, 'a').c_str()));
    for (const char* bad : {"", ".", "..", "a/b", "..\\qvd", "tab\there", "bell\a"}) {
        EXPECT_FALSE(valid_situation_name(bad)) << bad;
    }
}

TEST_F(save_test, a_bad_name_is_told_and_the_run_stays_paused) {
    tmp.write("situations/Situation 000.txt", k_situation);
    gui_window* w = open_save();
    ASSERT_NE(w, nullptr);
    set_name(w, "../qvd");
    click_rect(w, find(w, rect_kind::button, "Save"));
    EXPECT_EQ(w->visible, 1);
    EXPECT_EQ(app->paused, 1);
    EXPECT_EQ(g_message_box.type, 1);
    EXPECT_EQ(g_message_box.owner, w);
    EXPECT_FALSE(tmp.exists("qvd.txt"));
    EXPECT_FALSE(tmp.exists("qvd.jpg"));
    set_name(w, "");
    click_rect(w, find(w, rect_kind::button, "Save"));
    EXPECT_EQ(w->visible, 1);
    EXPECT_FALSE(tmp.exists("situations/.txt"));
}

TEST_F(save_test, a_failed_write_is_told_and_the_run_stays_paused) {
    gui_window* w = open_save();
    ASSERT_NE(w, nullptr);
    // The situation file cannot be written where a folder of its name stands.
    ASSERT_TRUE(fs_make_folder("situations"));
    ASSERT_TRUE(fs_make_folder("situations\\Blocked.txt"));
    set_name(w, "Blocked");
    click_rect(w, find(w, rect_kind::button, "Save"));
    EXPECT_EQ(w->visible, 1);
    EXPECT_EQ(app->paused, 1);
    EXPECT_NE(std::strstr(g_message_box.message, "Blocked"), nullptr);
    click_rect(w, find(w, rect_kind::button, "Cancel"));
    EXPECT_EQ(app->paused, 0);
    EXPECT_EQ(w->visible, 0);
}

}  // namespace
