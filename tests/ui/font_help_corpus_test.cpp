// Replays the font and help-text fuzz corpora: text of every kind laid out by every font and
// read from font cache files, and the help pages showing arbitrary texts.
#include <gtest/gtest.h>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "tests/fuzz/corpus_files.h"
#include "tests/fuzz/font_text.h"
#include "tests/fuzz/help_text.h"
#include "tests/support/temp_folder.h"
#include "ui/gui_hooks.h"
#include "ui/overlay_painter.h"
#include "overlay_fixture.h"

namespace {

void vga(int* w, int* h) {
    *w = 640;
    *h = 480;
}

}  // namespace

TEST(FontCorpus, SeedsAndTheirPrefixesLayOutWithoutFault) {
    temp_folder tmp;
    d3d_app app;
    g_app = &app;
    {
        overlay_setup s(640, 480, false);
        font_set fonts(s.device.get());
        const auto inputs = load_corpus("font");
        ASSERT_GE(inputs.size(), 4u) << "corpus not found";
        replay_corpus(inputs, 8, [&](const std::string&, const std::vector<std::uint8_t>& bytes) {
            run_font_text(fonts, bytes.data(), bytes.size());
        });
        // The good cache seed loaded beside its 32 x 32 texture.
        EXPECT_EQ(fonts.loaded().texture_width(), font_set::k_cache_side);
    }
    g_app = nullptr;
}

TEST(HelpCorpus, HelpPagesShowEverySeedAndItsPrefixes) {
    register_embedded_resources();
    resource_data keys, about;
    ASSERT_TRUE(find_resource("TEXT", 176, &keys));
    ASSERT_TRUE(find_resource("TEXT", 175, &about));
    d3d_app app;
    app_state state;
    g_app = &app;
    g_state = &state;
    copy_text(app.title, "Ventrask");
    {
        overlay_setup s(640, 480);
        ui_hooks() = gui_hooks{};
        ui_hooks().viewport_size = vga;
        overlay_painter painter(s.overlay.get());
        set_painter(&painter);
        gui root;
        g_gui = &root;
        root.init();
        help_texts texts;
        const auto inputs = load_corpus("help");
        ASSERT_GE(inputs.size(), 2u) << "corpus not found";
        replay_corpus(inputs, 6, [&](const std::string&, const std::vector<std::uint8_t>& bytes) {
            s.device->clear_records();
            run_help_text(root, texts, bytes.data(), bytes.size());
        });
        root.close_dialogs();
        flush_closed_windows();
        set_painter(nullptr);
        g_gui = nullptr;
    }
    // The program's own texts come back for the tests after this one.
    register_resource("TEXT", "176", keys.data, keys.size);
    register_resource("TEXT", "175", about.data, about.size);
    ui_hooks() = gui_hooks{};
    g_state = nullptr;
    g_app = nullptr;
}
