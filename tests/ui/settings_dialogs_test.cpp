// The settings pages for weather and graphics, sound and video, driven by clicks and slider
// moves as a user would, with a loopback sound device, a speech engine that writes down what
// it says and a scene for the sea.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gui_fixture.h"
#include "listening_engine.h"
#include "shell/scene.h"
#include "world/clouds.h"
#include "shell/speech.h"
#include "tests/shell/audio_test_support.h"
#include "tests/support/temp_folder.h"
#include "ui/screens.h"
#include "ui/video_dialog.h"
#include "ui/weather_dialog.h"

namespace {

constexpr float k_pi = 3.14159265f;

std::string label(weather_slider which, float setting) {
    char text[64];
    format_weather_label(which, setting, text, sizeof text);
    return text;
}

class settings_test : public gui_fixture {
protected:
    void SetUp() override {
        gui_fixture::SetUp();
        g_sound = &sound;
        sound.init_with(open_loopback_audio_device(k_test_rate));
        ASSERT_EQ(sound.available, 1);
        g_speech = &voice;
        ASSERT_TRUE(voice.init(&sound, std::make_unique<listening_engine>(&said)));
        root->init();
    }
    void TearDown() override {
        root.reset();
        voice.release();
        sound.release();
        g_speech = nullptr;
        g_sound = nullptr;
        g_scene = nullptr;
        gui_fixture::TearDown();
    }
    gui_window* open(int command, gui_callback cb) {
        pending_command = command;
        root->update();
        return root->find_dialog(cb);
    }
    static gui_rect* find(const gui_window* w, int kind, const char* text) {
        for (int i = 0; i < w->rect_count; ++i) {
            gui_rect* r = w->rect(i);
            if (r->kind == kind && r->text && std::strcmp(r->text.get(), text) == 0) return r;
        }
        return nullptr;
    }
    // Moves a slider child of w to v as a drag of its thumb would, and tells the page.
    static void slide(gui_window* w, int child, float v) {
        w->child(child)->set_slider_value(v);
        w->current = child + 1;
        w->send(gui_event::child_scrolled);
    }
    // A short tune on the media channel's paths.
    void make_tunes() {
        tmp.write("sounds/x", "");
        for (const char* mp3 : {"music/intro.mp3", "sounds/siren.mp3"}) {
            tmp.write(mp3, "");
            ASSERT_TRUE(write_mp3(tmp.path() + "/" + mp3, make_tone(0.5)));
        }
    }

    temp_folder tmp;
    sound_system sound;
    speech voice;
    std::vector<std::pair<std::string, int>> said;
};

// ---------------------------------------------------------------- weather and graphics

TEST(weather_conversions, sliders_settings_and_labels) {
    using w = weather_slider;
    EXPECT_EQ(label(w::wind_direction, 0.0f), "Wind From 180");
    EXPECT_EQ(label(w::wind_direction, k_pi / 2), "Wind From 270");
    EXPECT_FLOAT_EQ(weather_setting_from_slider(w::wind_speed, 100), 10.0f);
    EXPECT_EQ(label(w::wind_speed, 10.0f), "Wind Speed 19 kt");
    EXPECT_EQ(label(w::time_of_day, weather_setting_from_slider(w::time_of_day, 255)), "Time of Day 24:00");
    EXPECT_EQ(label(w::time_of_day, weather_setting_from_slider(w::time_of_day, 128)), "Time of Day 12:02");
    EXPECT_EQ(label(w::fog_distance, 25500.0f), "Fog distance 25500 m");
    EXPECT_EQ(label(w::fog_altitude, 999.2f), "Fog altitude 1000 m");  // the ceiling
}

TEST_F(settings_test, weather_sliders_set_the_scene_and_rebuild_the_waves) {
    scene world;
    g_scene = &world;
    state->wind_direction = k_pi / 2;
    gui_window* w = open(9, weather_dialog);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(find(w, rect_kind::label, "Wind From 270"), nullptr);
    ASSERT_EQ(world.ground.water.plan, nullptr);
    slide(w, 5, 100);  // wind speed
    EXPECT_NEAR(state->wind_speed, 10.0f, 1e-4f);
    EXPECT_NEAR(state->wind[0], 10.0f, 1e-3f);  // blowing east
    EXPECT_NEAR(state->wind[1], 0.0f, 1e-3f);
    EXPECT_NE(world.ground.water.plan, nullptr);  // the spectrum was rebuilt
    EXPECT_NE(find(w, rect_kind::label, "Wind Speed 19 kt"), nullptr);
    slide(w, 4, 0);  // wind direction: to the north
    EXPECT_NEAR(state->wind[1], 10.0f, 1e-3f);
    EXPECT_NE(find(w, rect_kind::label, "Wind From 180"), nullptr);
    slide(w, 6, 50);
    EXPECT_NEAR(world.ground.water.wave_height, 2.0f, 1e-4f);
    slide(w, 0, 255);
    EXPECT_FLOAT_EQ(state->fog_air, 25500.0f);
    slide(w, 3, 51);  // the sky's cloud layer takes the cover: 20 % of 10,000 puffs
    EXPECT_NE(find(w, rect_kind::label, "Cloud Cover 20 %"), nullptr);
    EXPECT_NEAR(world.sky.cloud_layer->cover, 0.2f, 1e-6f);
    EXPECT_EQ(world.sky.cloud_layer->puff_count, 2000);
}

TEST_F(settings_test, weather_boxes_switch_options_and_tabs) {
    scene world;
    g_scene = &world;
    gui_window* w = open(9, weather_dialog);
    ASSERT_NE(w, nullptr);
    gui_rect* plants = find(w, rect_kind::check_box, "Show Plants");
    gui_rect* refmap = find(w, rect_kind::check_box, "Water Reflection");
    ASSERT_TRUE(plants && refmap);
    EXPECT_EQ(plants->ticked, 1);
    click_rect(w, plants);
    EXPECT_EQ(app->use_plants, 0);
    click_rect(w, refmap);
    EXPECT_EQ(world.ground.use_refmap, 0);
    click_rect(w, find(w, rect_kind::check_box, "Play Siren"));
    EXPECT_EQ(app->use_siren, 0);
    click_rect(w, find(w, rect_kind::tab_button, "Sound"));
    EXPECT_EQ(pending_command, 6);
    EXPECT_FALSE(w->visible);
    root->update();
    EXPECT_NE(root->find_dialog(sound_dialog), nullptr);
}

// ---------------------------------------------------------------- sound

TEST_F(settings_test, sound_page_plays_sets_volumes_and_stops_all) {
    make_tunes();
    gui_window* w = open(6, sound_dialog);
    ASSERT_NE(w, nullptr);
    gui_rect* play_music = w->rect(w->index_of(find(w, rect_kind::check_box, "Play Music")) + 1);
    ASSERT_STREQ(play_music->text.get(), "Play >>");
    click_rect(w, play_music);
    EXPECT_EQ(sound.music_on, 1);
    ASSERT_TRUE(sound.music().is_playing());
    slide(w, 2, 255);  // music
    EXPECT_EQ(sound.volume_music, 1020);
    EXPECT_EQ(sound.music().volume(), 1000);
    slide(w, 0, 0);    // engine
    EXPECT_EQ(sound.volume_engine, -2550);
    // Clearing the siren stops the channel it shares with the music; with the siren off any
    // box does, though "Play Music" stays ticked.
    click_rect(w, find(w, rect_kind::check_box, "Play Siren"));
    EXPECT_FALSE(sound.music().is_playing());
    EXPECT_EQ(sound.music_on, 1);
    click_rect(w, play_music);
    ASSERT_TRUE(sound.music().is_playing());
    click_rect(w, find(w, rect_kind::check_box, "Play Sound"));
    EXPECT_EQ(sound.sound_on, 0);
    EXPECT_FALSE(sound.music().is_playing());
    EXPECT_EQ(find(w, rect_kind::check_box, "Play Music")->ticked, 1);
    click_rect(w, play_music);
    click_rect(w, find(w, rect_kind::button, "Stop All"));
    EXPECT_FALSE(sound.music().is_open());
    for (const char* box : {"Play Speech", "Play Music", "Play Siren", "Play Sound"}) {
        EXPECT_EQ(find(w, rect_kind::check_box, box)->ticked, 0) << box;
    }
    EXPECT_EQ(sound.sound_on + sound.music_on + voice.speech_on + app->use_siren, 0);
}

TEST_F(settings_test, choosing_a_voice_speaks_its_own_description) {
    gui_window* w = open(6, sound_dialog);
    ASSERT_NE(w, nullptr);
    gui_window* voices = w->child(4);
    ASSERT_EQ(voices->list_item_count(), 3);
    EXPECT_STREQ(voices->list_item(1)->text.get(), "English (America)");  // English first
    voice.speech_on = 0;
    click_rect(voices, voices->list_item(1));
    EXPECT_EQ(voice.selected_voice, 1);
    EXPECT_EQ(voice.speech_on, 1);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].first, "English (America)");
    EXPECT_EQ(said[0].second, 2);  // the engine's own number of that voice
    click_rect(w, w->rect(w->index_of(find(w, rect_kind::check_box, "Play Speech")) + 1));
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1].first.rfind("Humpty Dumpty sat on a wall,\t\t\t\tHumpty", 0), 0u);
}

// ---------------------------------------------------------------- video

std::vector<display_mode> g_fake_modes;
std::vector<display_mode> fake_modes() { return g_fake_modes; }

TEST(video_modes, sixteen_bit_modes_first_and_the_current_one_found) {
    const std::vector<display_mode> modes = {
        {1024, 768, 60, FMT_X8R8G8B8}, {800, 600, 60, FMT_R5G6B5}, {640, 480, 60, FMT_A8R8G8B8},
        {1024, 768, 75, FMT_X8R8G8B8}, {1024, 768, 60, FMT_X8R8G8B8}};
    const std::vector<display_mode> list = video_mode_list(modes);
    ASSERT_EQ(list.size(), 4u);  // the A8R8G8B8 mode is no display mode here
    EXPECT_EQ(list[0].format, static_cast<std::uint32_t>(FMT_R5G6B5));
    EXPECT_EQ(video_mode_index(list, {1024, 768, 60, FMT_X8R8G8B8}), 3);  // the later match
    EXPECT_EQ(video_mode_index(list, {1024, 768, 85, FMT_X8R8G8B8}), -1);
}

class video_test : public settings_test {
protected:
    void SetUp() override {
        settings_test::SetUp();
        g_fake_modes = {{800, 600, 60, FMT_R5G6B5}, {800, 600, 60, FMT_X8R8G8B8},
                        {1024, 768, 60, FMT_X8R8G8B8}};
        ui_hooks().display_modes = fake_modes;
        app->mode = {800, 600, 60, FMT_X8R8G8B8};
        app->windowed = 0;
        app->stencil_wanted = 1;
    }
    gui_window* w = nullptr;
    void accept() { click_rect(w, find(w, rect_kind::button, "Accept")); }
};

TEST_F(video_test, the_list_and_accept) {
    w = open(5, video_dialog);
    ASSERT_NE(w, nullptr);
    gui_window* modes = w->child(0);
    ASSERT_EQ(modes->list_item_count(), 3);
    EXPECT_STREQ(modes->list_item(0)->text.get(), "800 x 600 x 16 x 60 hz");
    EXPECT_STREQ(modes->list_item(2)->text.get(), "1024 x 768 x 32 x 60 hz");
    EXPECT_EQ(modes->list_selected_index(), 1);
    EXPECT_EQ(find(w, rect_kind::check_box, "Use 24 bit depth buffer")->ticked, 1);
    // Nothing changed: nothing to do.
    accept();
    EXPECT_FALSE(w->visible);
    EXPECT_EQ(pending_command, 0);
    // Another mode: the device is reset for it.
    w = open(5, video_dialog);
    click_rect(w->child(0), w->child(0)->list_item(2));
    accept();
    EXPECT_EQ(pending_command, 3);
    EXPECT_EQ(app->mode.width, 1024u);
    pending_command = 0;
    // Windowed before and after with the same depth buffer: the window is fitted.
    app->windowed = 1;
    w = open(5, video_dialog);
    accept();
    EXPECT_EQ(pending_command, 4);
    pending_command = 0;
    // A new depth buffer resets the device.
    w = open(5, video_dialog);
    click_rect(w, find(w, rect_kind::check_box, "Use 24 bit depth buffer"));
    accept();
    EXPECT_EQ(app->stencil_wanted, 0);
    EXPECT_EQ(pending_command, 3);
}

TEST_F(video_test, with_no_mode_selected_accept_keeps_the_stored_mode) {
    app->mode = {1280, 1024, 60, FMT_X8R8G8B8};  // in neither list
    w = open(5, video_dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->child(0)->list_selected_index(), -1);
    click_rect(w, find(w, rect_kind::check_box, "Render Inside window"));
    accept();
    EXPECT_EQ(app->windowed, 1);
    EXPECT_EQ(pending_command, 3);
    EXPECT_EQ(app->mode.width, 1280u);
    EXPECT_EQ(app->mode.format, static_cast<std::uint32_t>(FMT_X8R8G8B8));
}

TEST_F(video_test, colour_schemes_and_tabs) {
    w = open(5, video_dialog);
    gui_window* schemes = w->child(1);
    ASSERT_EQ(schemes->list_item_count(), 7);
    EXPECT_EQ(schemes->list_selected_index(), 0);
    log.sounds.clear();
    click_rect(schemes, schemes->list_item(0));  // the current one: nothing
    EXPECT_EQ(pending_command, 0);
    EXPECT_TRUE(log.sounds.empty());
    click_rect(schemes, schemes->list_item(2));
    EXPECT_EQ(app->color_scheme, 2);
    EXPECT_EQ(pending_command, 13);
    root->update();
    w = root->find_dialog(video_dialog);
    ASSERT_NE(w, nullptr);  // rebuilt in the new colours and open again
    EXPECT_EQ(w->child(1)->list_selected_index(), 2);
    click_rect(w, find(w, rect_kind::tab_button, "Graphics"));
    EXPECT_EQ(pending_command, 9);
    EXPECT_FALSE(w->visible);
}

}  // namespace
