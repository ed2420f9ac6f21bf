// The real main window on SDL's offscreen driver: starting it puts SDL's clipboard behind the
// program's clipboard, so copied text reaches the desktop; closing it takes SDL's away.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/clipboard.h"
#include "platform/resources.h"
#include "platform/system/sdl_clipboard.h"
#include "platform/window.h"

namespace {

// SDL_VIDEODRIVER as the test found it, put back at the end.
class video_driver {
public:
    explicit video_driver(const char* name) {
        if (const char* old = std::getenv("SDL_VIDEODRIVER")) old_ = old, had_ = true;
        setenv("SDL_VIDEODRIVER", name, 1);
    }
    ~video_driver() {
        if (had_) setenv("SDL_VIDEODRIVER", old_.c_str(), 1);
        else unsetenv("SDL_VIDEODRIVER");
    }
    video_driver(const video_driver&) = delete;
    video_driver& operator=(const video_driver&) = delete;

private:
    std::string old_;
    bool had_ = false;
};

std::string sdl_clipboard_text() {
    char* text = SDL_GetClipboardText();
    std::string out = text != nullptr ? text : "";
    SDL_free(text);
    return out;
}

}  // namespace

TEST(SystemWindow, StartingTheWindowInstallsTheDesktopClipboardAndClosingItRemovesIt) {
    const video_driver offscreen("offscreen");
    register_embedded_resources();
    ASSERT_EQ(current_clipboard_backend(), nullptr);
    EXPECT_FALSE(clipboard_set_text("before"));
    {
        std::unique_ptr<window_system> window = make_system_window();
        ASSERT_TRUE(window->create("Ventrask", 0, 0, 64, 48)) << window->last_error();
        EXPECT_EQ(current_clipboard_backend(), &sdl_clipboard_set_text);
        EXPECT_TRUE(clipboard_set_text("38.630001   20.090000"));
        EXPECT_EQ(sdl_clipboard_text(), "38.630001   20.090000");
        // A backend the program installed itself is not SDL's to remove.
        set_clipboard_backend([](const char*) { return true; });
        remove_sdl_clipboard();
        EXPECT_NE(current_clipboard_backend(), nullptr);
        install_sdl_clipboard();
    }
    EXPECT_EQ(current_clipboard_backend(), nullptr);
    EXPECT_FALSE(clipboard_set_text("after"));
    EXPECT_FALSE(sdl_clipboard_set_text("after"));
}

// The window keeps the smallest size it was given: a smaller one asked for grows to it, and
// one asked for while smaller grows at once.
TEST(SystemWindow, TheWindowIsNeverSmallerThanItsMinimumSize) {
    const video_driver offscreen("offscreen");
    register_embedded_resources();
    std::unique_ptr<window_system> window = make_system_window();
    ASSERT_TRUE(window->create("Ventrask", 0, 0, 64, 48)) << window->last_error();
    int width = 0, height = 0;
    window->drawable_size(&width, &height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    window->set_minimum_size(640, 480);
    window->drawable_size(&width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    window->set_bounds(0, 0, 34, 20);
    window->drawable_size(&width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    window->set_bounds(0, 0, 800, 300);
    window->drawable_size(&width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 480);
}
