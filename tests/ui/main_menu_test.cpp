// The main menu, the help pages and the quit question, driven by clicks as a user would.
#include <cstring>
#include <string>
#include <vector>

#include "gui_fixture.h"
#include "platform/messages.h"
#include "platform/recording_device.h"
#include "ui/overlay2d.h"
#include "ui/screens.h"
#include "ui/gui_hooks.h"
#include "tests/support/temp_folder.h"

namespace {

class main_menu_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        clear_app_messages();
        root->init();
    }
    void TearDown() override {
        clear_app_messages();
        gui_fixture::TearDown();
    }
    gui_rect* button(const char* caption) const {
        for (int i = 0; i < root->rect_count; ++i) {
            gui_rect* r = root->rect(i);
            if (r->kind == rect_kind::large_button && std::strcmp(r->text.get(), caption) == 0) return r;
        }
        return nullptr;
    }
    void press(const char* caption) { click_rect(root.get(), button(caption)); }
};

TEST_F(main_menu_test, wide_screens_keep_the_picture_4_3_and_centred) {
    set_viewport(1280, 540);  // 16:9: gui_scale (2, 1.125)
    root->on_resize();
    const gui_rect* background = root->rect(0);
    EXPECT_FLOAT_EQ(background->x1, -1.125f);
    EXPECT_FLOAT_EQ(background->x2, 1.125f);
    EXPECT_FLOAT_EQ(background->y1, -1.125f);
    set_viewport(480, 480);   // narrower than 4:3: the full width, stretched to the height
    root->on_resize();
    EXPECT_FLOAT_EQ(root->rect(0)->x2, 0.75f);
    EXPECT_FLOAT_EQ(root->rect(0)->y2, 1.0f);
}

TEST_F(main_menu_test, buttons_lead_to_what_exists) {
    press("Design Missile");
    EXPECT_EQ(pending_command, 14);
    press("News");
    ASSERT_EQ(log.documents.size(), 1u);
    press("Help");
    gui_window* help = root->find_dialog(keys_dialog);
    ASSERT_NE(help, nullptr);
    const gui_rect* text = help->last_child()->find_last_rect_by_kind(rect_kind::text_area);
    EXPECT_EQ(std::strncmp(text->text.get(), "Dialogs and screens:\r\nT - Show Telescope", 40), 0);
    EXPECT_TRUE(text->fixed_pitch);
    press("Exit");
    EXPECT_NE(root->find_dialog(quit_dialog), nullptr);
    // One framed dialog at a time in the menus: the keys page went.
    EXPECT_EQ(root->find_dialog(keys_dialog), nullptr);
}

TEST_F(main_menu_test, help_tabs_switch_pages_and_open_the_manual) {
    pending_command = 10;
    root->update();
    gui_window* keys = root->find_dialog(keys_dialog);
    ASSERT_NE(keys, nullptr);
    gui_rect* about_tab = nullptr;
    for (int i = 0; i < keys->rect_count; ++i) {
        if (keys->rect(i)->kind == rect_kind::tab_button && std::strcmp(keys->rect(i)->text.get(), "About") == 0) {
            about_tab = keys->rect(i);
        }
    }
    ASSERT_NE(about_tab, nullptr);
    click_rect(keys, about_tab);
    EXPECT_FALSE(keys->visible);
    EXPECT_EQ(pending_command, 11);
    root->update();
    gui_window* about = root->find_dialog(about_dialog);
    ASSERT_NE(about, nullptr);
    EXPECT_STREQ(about->find_rect_by_kind(rect_kind::title_bar)->text.get(), "Ventrask Version 1.5.0");
    gui_rect* manual = about->find_last_rect_by_kind(rect_kind::tab_button);
    click_rect(about, manual);
    EXPECT_FALSE(about->visible);
    ASSERT_EQ(log.documents.size(), 1u);
    EXPECT_EQ(log.documents[0], "help\\index.htm");
}

TEST_F(main_menu_test, quit_yes_ends_the_program_from_the_menus) {
    press("Exit");
    gui_window* quit = root->find_dialog(quit_dialog);
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(app->paused, 1);
    EXPECT_STREQ(quit->find_rect_by_kind(rect_kind::label)->text.get(), "Do you really want to quit");
    gui_rect* yes = quit->rect(quit->rect_count - 3);
    ASSERT_STREQ(yes->text.get(), "Yes");
    click_rect(quit, yes);
    app_message m;
    ASSERT_TRUE(take_app_message(&m));
    EXPECT_EQ(m.code, WM_QUIT);
    EXPECT_EQ(m.wparam, 0u);
    EXPECT_EQ(app->paused, 0);
    EXPECT_EQ(app->inactive, 1);
}

TEST_F(main_menu_test, quit_no_close_and_enter) {
    key(VK_ESCAPE);
    gui_window* quit = root->find_dialog(quit_dialog);
    ASSERT_NE(quit, nullptr);
    click_rect(quit, quit->find_rect_by_kind(rect_kind::close_button));
    EXPECT_EQ(app->paused, 0);
    app_message m;
    EXPECT_FALSE(take_app_message(&m));
    // During a run Enter acts as Yes: the run ends, the program goes on.
    app->menu_mode = 0;
    key(VK_ESCAPE);
    key(VK_RETURN);
    EXPECT_EQ(log.leave_scene, 1);
    EXPECT_FALSE(take_app_message(&m));
    EXPECT_EQ(pending_command, 2);
}

}  // namespace

namespace {

// A device that counts the font textures made (a font's own texture format).
class font_counting_device : public recording_device {
public:
    using recording_device::recording_device;
    hresult create_texture(int width, int height, int levels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, texture_ptr* out) override {
        if (format == FMT_A4R4G4B4) ++font_textures;
        return recording_device::create_texture(width, height, levels, usage, format, pool, out);
    }
    int font_textures = 0;
};

class gui_start_test : public gui_fixture {
protected:
    void TearDown() override {
        // The windows' textures go before the device that made them.
        root->clear();
        overlay.reset();
        device.reset();
        gui_fixture::TearDown();
    }
    std::unique_ptr<font_counting_device> device;
    std::unique_ptr<overlay2d> overlay;
};

TEST_F(gui_start_test, fonts_are_drawn_once_at_the_windows_scale) {
    present_params p;
    p.back_buffer_width = 1024;
    p.back_buffer_height = 768;
    p.back_buffer_format = FMT_X8R8G8B8;
    device = std::make_unique<font_counting_device>(p);
    overlay = std::make_unique<overlay2d>();
    overlay->make_splash = nullptr;
    g_overlay = overlay.get();
    overlay->set_device(device.get());
    set_viewport(1024, 768);
    root->init();
    EXPECT_EQ(device->font_textures, k_overlay_fonts);
    for (int i = 0; i < k_overlay_fonts; ++i) {
        ASSERT_NE(overlay->font(i)->texture(), nullptr);
        EXPECT_FLOAT_EQ(overlay->font(i)->scale(), 0.8f);
    }
    // A resize to the same size keeps them; another size draws them again.
    root->on_resize();
    EXPECT_EQ(device->font_textures, k_overlay_fonts);
    set_viewport(1280, 960);
    root->on_resize();
    EXPECT_EQ(device->font_textures, 2 * k_overlay_fonts);
    EXPECT_FLOAT_EQ(overlay->font(0)->scale(), 1.0f);
}

}  // namespace

// A page of the program's own that is missing is named in the log (the desktop's program
// would fail out of sight); a page that is there and a web address are opened without a word.
TEST_F(main_menu_test, a_missing_help_page_is_named_in_the_log) {
    temp_folder pages;
    ui_open_document("help\\index.htm");
    pages.write("help/keys.htm", "<html></html>");
    ui_open_document("help\\keys.htm");
    ui_open_document("https://example.org/ventrask");
    EXPECT_EQ(log.documents,
              (std::vector<std::string>{"help\\index.htm", "help\\keys.htm", "https://example.org/ventrask"}));
    const std::string text(app->log_text(), static_cast<std::size_t>(app->log_length()));
    EXPECT_NE(text.find("Could not find help\\index.htm\r\n"), std::string::npos);
    EXPECT_EQ(text.find("keys.htm"), std::string::npos);
    EXPECT_EQ(text.find("example.org"), std::string::npos);
}
