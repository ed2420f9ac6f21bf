// The sound page. Music and the siren share the one media channel ("MediaFile"): a file is
// opened on it, given the music volume and played with the end-of-track notice.
#include "ui/sound_dialog.h"

#include "core/d3d_app.h"
#include "core/sound_system.h"
#include "shell/scene.h"
#include "shell/speech.h"
#include "ui/gui.h"
#include "ui/gui_hooks.h"
#include "ui/screens.h"
#include "ui/settings_tabs.h"

const char* const k_speech_test_text =
    "Humpty Dumpty sat on a wall,\t\t\t\tHumpty Dumpty had a great fall.\t\t\t\t"
    "All the King's horses,\t\t\t\tAnd all the King's men,\t\t\t\t"
    "Couldn't  put Humpty together again.";

namespace {

// Element pointers kept in the window.
enum {
    k_speech_box, k_speech_play, k_music_box, k_music_play, k_siren_box, k_siren_play,
    k_sound_box, k_stop_all,
};
// Child windows: the four sliders in volume_slider order, then the voice list.
constexpr int k_voice_list = 4;

bool sound_ready() { return g_sound != nullptr && g_sound->available; }
bool speech_ready() { return g_speech != nullptr && g_speech->voice_present; }

int* volume(volume_slider which) {
    switch (which) {
        case volume_slider::engine: return &g_sound->volume_engine;
        case volume_slider::sounds: return &g_sound->volume_sounds;
        case volume_slider::music: return &g_sound->volume_music;
        case volume_slider::speech: return &g_sound->volume_speech;
    }
    return nullptr;
}

void apply_volumes() {
    if (g_scene != nullptr) {
        g_scene->apply_volumes();
        return;
    }
    // Without a scene only the music channel and the voice are there to hear it.
    g_sound->set_music_volume(g_sound->volume_music);
    if (g_speech != nullptr) g_speech->set_volume(g_sound->volume_speech);
}

void stop_media() {
    send_media_command("stop MediaFile");
    send_media_command("close MediaFile");
}

void play_media(const char* file) {
    g_sound->open_music(file);
    g_sound->set_music_volume(g_sound->volume_music);
    send_media_command("play MediaFile notify");
}

void stop_speaking() {
    if (g_speech != nullptr) g_speech->stop_speaking();
}

void stop_all_sounds() {
    if (g_scene != nullptr) g_scene->stop_sounds();
}

void set_speech_on(std::uint8_t on) {
    if (g_speech != nullptr) g_speech->speech_on = on;
}
std::uint8_t speech_on() { return g_speech != nullptr ? g_speech->speech_on : 0; }

gui_rect* add_check_box(gui_window* w, float y1, const char* text, bool ticked) {
    gui_rect* r = w->add_rect(-0.1f, y1, 0.5f, y1 + 0.1f, rect_kind::check_box);
    r->set_text(text);
    r->ticked = ticked ? 1 : 0;
    return r;
}

gui_rect* add_button(gui_window* w, float y1, const char* text) {
    gui_rect* r = w->add_rect(-0.4f, y1, -0.1f, y1 + 0.1f, rect_kind::button);
    r->set_text(text);
    return r;
}

void add_volume_row(gui_window* w, float y1, const char* caption, volume_slider which) {
    gui_window* slider = w->add_window();
    slider->create(-0.09f, y1, 0.5f, y1 + 0.1f, window_kind::horizontal_slider);
    slider->set_slider_value(slider_from_volume(which, *volume(which)));
    w->add_rect(-0.7f, y1, -0.12f, y1 + 0.1f, rect_kind::label)->set_text(caption);
}

void build(gui_window* w) {
    w->create(-0.8f, -1.0f, 0.8f, 1.08f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title("Sound properties");
    gui_rect* heading = w->add_rect(-0.5f, 0.8f, 0.5f, 0.9f, rect_kind::label);
    heading->bold = 1;
    heading->set_text("Volumes for Sound and Music");
    add_volume_row(w, 0.65f, "Explosions And Rockets", volume_slider::engine);
    add_volume_row(w, 0.5f, "Environment Sounds", volume_slider::sounds);
    add_volume_row(w, 0.35f, "Sirens And Music", volume_slider::music);
    add_volume_row(w, 0.2f, "Synthetic Speech", volume_slider::speech);
    auto& r = w->private_rects;
    r[k_speech_box] = add_check_box(w, -0.45f, "Play Speech", speech_on() && speech_ready());
    r[k_speech_play] = add_button(w, -0.45f, "Play >>");
    r[k_music_box] = add_check_box(w, -0.6f, "Play Music", g_sound->music_on && sound_ready());
    r[k_music_play] = add_button(w, -0.6f, "Play >>");
    r[k_siren_box] = add_check_box(w, -0.75f, "Play Siren", g_app->use_siren && sound_ready());
    r[k_siren_play] = add_button(w, -0.75f, "Play >>");
    r[k_sound_box] = add_check_box(w, -0.9f, "Play Sound", g_sound->sound_on && sound_ready());
    r[k_stop_all] = add_button(w, -0.9f, "Stop All");
    w->add_rect(-0.4f, 0.05f, 0.5f, 0.13f, rect_kind::caption)->set_text("Available Voices");
    gui_window* voices = w->add_window();
    voices->create(-0.4f, -0.25f, 0.5f, 0.05f, window_kind::list_box);
    const int count = g_speech != nullptr ? g_speech->voice_count : 0;
    for (int i = 0; i < count; ++i) {
        char name[128] = {};
        g_speech->voice_name(i, name, sizeof name);
        voices->list_add_item(name);
    }
    if (count > 0) voices->list_select(g_speech->selected_voice);
    add_settings_tabs(w, -1.1f, -1.0f);
}

void stop_all(gui_window* w) {
    stop_media();
    stop_speaking();
    stop_all_sounds();
    g_sound->sound_on = 0;
    g_sound->music_on = 0;
    set_speech_on(0);
    g_app->use_siren = 0;
    for (int k : {k_speech_box, k_music_box, k_siren_box, k_sound_box}) {
        w->private_rects[k]->ticked = 0;
    }
}

// A check box was clicked: the switches follow the boxes, as far as the devices allow.
void read_switches(gui_window* w) {
    auto& r = w->private_rects;
    g_sound->music_on = r[k_music_box]->ticked && sound_ready();
    set_speech_on(r[k_speech_box]->ticked && speech_ready());
    g_sound->sound_on = r[k_sound_box]->ticked && sound_ready();
    g_app->use_siren = r[k_siren_box]->ticked && sound_ready();
    if (sound_ready() && !g_sound->music_on) send_media_command("stop MediaFile");
    if (speech_ready() && !speech_on()) stop_speaking();
    if (sound_ready()) {
        if (!g_sound->sound_on) stop_all_sounds();
        // The siren shares the channel with the music: without the siren the channel stops.
        if (!g_app->use_siren) send_media_command("stop MediaFile");
    }
}

void on_click(gui_window* w) {
    if (settings_tab_clicked(w)) return;
    const gui_rect* pressed = w->pressed_rect();
    if (pressed == nullptr) return;
    auto& r = w->private_rects;
    if (pressed->kind == rect_kind::button) ui_play_sound_slot(0, 0);
    if (pressed == r[k_speech_play]) {
        set_speech_on(speech_ready());
        r[k_speech_box]->ticked = speech_on();
        if (g_speech != nullptr) g_speech->speak(k_speech_test_text);
    } else if (pressed == r[k_music_play]) {
        g_sound->music_on = sound_ready();
        r[k_music_box]->ticked = g_sound->music_on;
        stop_media();
        if (g_sound->music_on) play_media("music\\intro.mp3");
    } else if (pressed == r[k_siren_play]) {
        g_app->use_siren = sound_ready();
        r[k_siren_box]->ticked = g_app->use_siren;
        stop_media();
        if (g_app->use_siren) play_media("sounds\\siren.mp3");
    } else if (pressed == r[k_stop_all]) {
        stop_all(w);
    } else if (pressed->kind == rect_kind::check_box) {
        read_switches(w);
    }
}

void on_voice_chosen(gui_window* w) {
    gui_window* list = w->current_child();
    if (list == nullptr || list != w->child(k_voice_list) || !speech_ready()) return;
    const int k = list->list_selected_index();
    if (k < 0 || k >= g_speech->voice_count) return;
    g_speech->selected_voice = k;
    set_speech_on(speech_ready());
    w->private_rects[k_speech_box]->ticked = speech_on();
    char name[128] = {};
    g_speech->voice_name(k, name, sizeof name);
    g_speech->speak(name);
}

void on_slider(gui_window* w) {
    const int i = w->current - 1;
    gui_window* slider = w->current_child();
    if (slider == nullptr || i < 0 || i >= k_voice_list) return;
    const auto which = static_cast<volume_slider>(i);
    *volume(which) = volume_from_slider(which, settings_slider_value(slider));
    apply_volumes();
}

}  // namespace

int volume_from_slider(volume_slider which, float v) {
    switch (which) {
        case volume_slider::engine:
        case volume_slider::sounds: return static_cast<int>((v - 255.0f) * 10.0f);
        case volume_slider::music: return static_cast<int>(4.0f * v);
        case volume_slider::speech: return static_cast<int>(0.4f * v);
    }
    return 0;
}

float slider_from_volume(volume_slider which, int volume) {
    const float v = static_cast<float>(volume);
    switch (which) {
        case volume_slider::engine:
        case volume_slider::sounds: return v * 0.1f + 255.0f;
        case volume_slider::music: return v * 0.25f;
        case volume_slider::speech: return v * 2.5f;
    }
    return 0.0f;
}

int sound_dialog(gui_window* w, int event) {
    if (g_app == nullptr || g_sound == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::child_committed: on_voice_chosen(w); break;
        case gui_event::child_scrolled: on_slider(w); break;
        default: break;
    }
    return 0;
}
