// The body of the help-text fuzz target, shared with the corpus replay of the normal test
// suite. The input stands for the two help texts of the program's resources (parts parted by
// "%%file", tests/fuzz/fuzz_input.h): the keys page (resource 176) and the about page (175).
// Each page is opened as the GUI opens it, drawn through the overlay's fonts, scrolled to
// its end with the wheel, drawn again and closed. The caller provides the GUI root on an
// overlay with its fonts, its painter and the application objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/messages.h"
#include "platform/resources.h"
#include "tests/fuzz/fuzz_input.h"
#include "ui/gui.h"
#include "ui/gui_window.h"
#include "ui/screens.h"

// The texts stay here while the resources point at them.
struct help_texts {
    std::string keys;
    std::string about;
};

inline void show_help_page(gui& root, gui_callback page) {
    root.open_dialog(page);
    root.render();
    root.on_mouse_move(320, 240, 0);  // over the text box
    for (int notch = 0; notch < 40; ++notch) {
        root.on_key(nullptr, WM_MOUSEWHEEL, static_cast<std::uintptr_t>(static_cast<std::uint16_t>(-120)) << 16, 0);
    }
    root.update();
    root.render();
    root.close_dialog(page);
    flush_closed_windows();
}

inline void run_help_text(gui& root, help_texts& texts, const std::uint8_t* data, std::size_t size) {
    const auto parts = split_parts(data, size, 2);
    texts.keys.assign(parts[0]);
    texts.about.assign(parts.size() > 1 ? parts[1] : std::string_view());
    register_resource("TEXT", "176", reinterpret_cast<const std::uint8_t*>(texts.keys.data()), texts.keys.size());
    register_resource("TEXT", "175", reinterpret_cast<const std::uint8_t*>(texts.about.data()), texts.about.size());
    show_help_page(root, keys_dialog);
    show_help_page(root, about_dialog);
}
