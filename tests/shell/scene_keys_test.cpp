// The scene's command keys: the simulation rate steps, the views they open and close, the
// sound switch, and what a focused text field and the menus hold back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/frame.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/scene_services.h"
#include "core/sound_system.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "shell/scene.h"

namespace {

// A GUI that writes down the views the keys open and close.
class view_log : public gui_services {
public:
    std::vector<std::string> calls;
    bool toggle_dialog(gui_dialog which) override {
        calls.push_back("toggle " + std::to_string(static_cast<int>(which)));
        return true;
    }
    void close_dialog(gui_dialog which) override { calls.push_back("close " + std::to_string(static_cast<int>(which))); }
};

class SceneKeys : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        g_sound = &sound;
        install_gui_services(&gui);
        world = std::make_unique<scene>();
    }
    void TearDown() override {
        set_key_down(VK_LSHIFT, false);
        world.reset();
        install_gui_services(nullptr);
        install_scene_services(nullptr);
        g_sound = nullptr;
        g_state = nullptr;
        g_app = nullptr;
    }
    void press(int key) { world->on_message(nullptr, WM_KEYDOWN, static_cast<std::uintptr_t>(key), 0); }
    // The rate after one press of F3 or F4 from a starting rate.
    float rate_after(int key, float from, bool shift = false) {
        set_key_down(VK_LSHIFT, shift);
        state.sim_rate = from;
        press(key);
        set_key_down(VK_LSHIFT, false);
        return state.sim_rate;
    }

    d3d_app app;
    app_state state;
    sound_system sound;  // no device: sound is not available
    view_log gui;
    std::unique_ptr<scene> world;
};

}  // namespace

TEST_F(SceneKeys, F3AndF4StepTheRateInWholeStepsToTenThenByATenthWithinOneTo1024) {
    const int f3 = VK_F1 + 2, f4 = VK_F1 + 3;
    EXPECT_EQ(rate_after(f4, 9.5f), 10.0f);
    EXPECT_NEAR(rate_after(f4, 20.0f), 22.0f, 1e-4f);
    EXPECT_EQ(rate_after(f4, 1000.0f), 1024.0f);
    EXPECT_STREQ(state.message, "Sim rate x 1024");
    EXPECT_EQ(rate_after(f3, 1.0f), 1.0f);
    EXPECT_EQ(rate_after(f3, 5.7f), 4.0f);
    EXPECT_NEAR(rate_after(f3, 20.0f), 18.0f, 1e-4f);
    // Shift: a tenth either way with no bound.
    EXPECT_NEAR(rate_after(f3, 1.0f, true), 0.9f, 1e-6f);
    EXPECT_STREQ(state.message, "Sim rate x 0.90");
    EXPECT_NEAR(rate_after(f4, 1024.0f, true), 1126.4f, 1e-2f);
}

TEST_F(SceneKeys, AFocusedTextFieldHoldsBackLettersButNotFunctionKeysAndTheMenusHoldBackBoth) {
    sound.sound_on = 1;
    state.gui_focus[1] = 1;
    press('S');
    EXPECT_EQ(sound.sound_on, 1);
    EXPECT_EQ(rate_after(VK_F1 + 3, 2.0f), 3.0f);
    state.gui_focus[1] = 0;
    // Without a sound device sound stays off, and says so.
    press('S');
    EXPECT_EQ(sound.sound_on, 0);
    EXPECT_STREQ(state.message, "Sound Disabled");
    press('S');
    EXPECT_EQ(sound.sound_on, 0);

    app.menu_mode = 1;
    EXPECT_EQ(rate_after(VK_F1 + 3, 2.0f), 2.0f);
    press('R');
    EXPECT_TRUE(gui.calls.empty());
}

TEST_F(SceneKeys, LettersOpenOneViewAndCloseItsRivals) {
    press('G');  // a graph belongs to test mode only
    EXPECT_TRUE(gui.calls.empty());
    press('R');
    const auto n = [](gui_dialog d) { return std::to_string(static_cast<int>(d)); };
    EXPECT_EQ(gui.calls, (std::vector<std::string>{"toggle " + n(gui_dialog::radar_view),
                                                   "close " + n(gui_dialog::telescope_view),
                                                   "close " + n(gui_dialog::flight_graph),
                                                   "close " + n(gui_dialog::map_view)}));
    gui.calls.clear();
    set_key_down(VK_LSHIFT, true);
    press('W');
    EXPECT_EQ(app.wireframe, 1);
    EXPECT_TRUE(gui.calls.empty());
    set_key_down(VK_LSHIFT, false);
    press('F');
    EXPECT_EQ(state.status_mode, 2);
    press(VK_F1 + 8);
    EXPECT_EQ(app.auto_track, 1);
    EXPECT_EQ(world->viewer.auto_track, 1);
    EXPECT_STREQ(state.message, "Auto Track ON");
    // F11 leaves an animal in the scene (without its model here: it draws nothing).
    world->make_roots(true);
    install_scene_services(&world->proxie);
    press(VK_F1 + 10);
    ASSERT_EQ(world->objects->child_count(), 1);
    EXPECT_EQ(world->objects->child(0)->type, FRAME_SKINNED_MESH);
}

TEST(SceneKeysPage, TheKeysPageNamesTheLettersTheSceneAnswers) {
    register_embedded_resources();
    resource_data text;
    ASSERT_TRUE(find_resource("TEXT", 176, &text));
    const std::string page(reinterpret_cast<const char*>(text.data), text.size);
    for (const char* line : {"T - Show Telescope", "R - Show Radar", "G - Show Graph", "M - Show Map", "K - Show Keys",
                             "W - Show Weather", "S - Toggle Sound", "F - Toggle FPS"}) {
        EXPECT_NE(page.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(page.find("S - Show Radar"), std::string::npos);
}
