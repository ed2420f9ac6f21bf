// The weather and graphics page. Options take effect at once and reach the settings file at
// shutdown; the weather belongs to the running scene (situation files carry it).
#include "ui/weather_dialog.h"

#include <cmath>
#include <cstdint>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/sound_system.h"
#include "platform/text.h"
#include "shell/music_tracks.h"
#include "shell/scene.h"
#include "world/clouds.h"
#include "ui/gui.h"
#include "ui/screens.h"
#include "ui/settings_tabs.h"

namespace {

constexpr float k_two_pi_per_step = 0.024639944f;  // 2 pi / 255
constexpr float k_steps_per_radian = 40.58451f;
constexpr float k_knots_per_mps = 1.945f;
constexpr float k_hours_per_step = 0.09412f;
constexpr float k_steps_per_hour = 10.625f;
constexpr float k_degrees_per_radian = 57.29578f;

constexpr int k_check_boxes = 12;
constexpr const char* k_check_texts[k_check_boxes] = {
    "Water Reflection", "Water Refraction", "Water Waves",   "Reflect Objects",
    "Show Plants",      "Show Shadows",     "3D Smoke Trails", "Verbose Mode",
    "Show Labels",      "Play Siren",       "Show Tips",     "Show Paths",
};
constexpr int k_siren_box = 9;

// Private words: the index of the first check box and of the first value label.
enum { k_first_box = 0, k_first_label = 1 };

// The option a check box shows; a spare byte while there is no scene (its sea options).
std::uint8_t* option(int i) {
    static std::uint8_t spare[4] = {};
    terrain* ground = g_scene != nullptr ? &g_scene->ground : nullptr;
    switch (i) {
        case 0: return ground ? &ground->use_refmap : &spare[0];
        case 1: return ground ? &ground->use_refrac : &spare[1];
        case 2: return ground ? &ground->use_waves : &spare[2];
        case 3: return ground ? &ground->use_objects_in_ref : &spare[3];
        case 4: return &g_app->use_plants;
        case 5: return &g_app->use_shadow;
        case 6: return &g_app->use_3d_smoke;
        case 7: return &g_app->use_verbose;
        case 8: return &g_app->use_labels;
        case 9: return &g_app->use_siren;
        case 10: return &g_app->use_tips;
        default: return &g_app->use_path;
    }
}

sea* water() { return g_scene != nullptr ? &g_scene->ground.water : nullptr; }
static clouds* cloud_layer() { return g_scene != nullptr ? g_scene->sky.cloud_layer.get() : nullptr; }

// The sky's cloud layer keeps the cover; before the sky exists the slider reads 0.
static float cloud_cover() {
    const clouds* c = cloud_layer();
    return c != nullptr ? c->cover : 0.0f;
}

float current_setting(weather_slider which) {
    switch (which) {
        case weather_slider::fog_distance: return g_state->fog_air;
        case weather_slider::fog_altitude: return g_state->fog_alt;
        case weather_slider::cloud_altitude: return g_state->cloud_base;
        case weather_slider::cloud_cover: return cloud_cover();
        case weather_slider::wind_direction: return g_state->wind_direction;
        case weather_slider::wind_speed: return g_state->wind_speed;
        case weather_slider::wave_height: return water() ? water()->wave_height : 0.0f;
        case weather_slider::time_of_day: return g_state->time_of_day;
    }
    return 0.0f;
}

void update_wind_vector() {
    g_state->wind[0] = std::sin(g_state->wind_direction) * g_state->wind_speed;
    g_state->wind[1] = std::cos(g_state->wind_direction) * g_state->wind_speed;
}

void rebuild_waves() {
    if (sea* s = water()) s->build_spectrum();
}

void store_setting(weather_slider which, float value) {
    switch (which) {
        case weather_slider::fog_distance: g_state->fog_air = value; break;
        case weather_slider::fog_altitude: g_state->fog_alt = value; break;
        case weather_slider::cloud_altitude: g_state->cloud_base = value; break;
        case weather_slider::cloud_cover:
            g_state->cloud_cover = value;  // what a saved situation writes
            if (clouds* c = cloud_layer()) c->set_cover(value);
            break;
        case weather_slider::wind_direction:
            g_state->wind_direction = value;
            update_wind_vector();
            rebuild_waves();
            break;
        case weather_slider::wind_speed:
            g_state->wind_speed = value;
            update_wind_vector();
            rebuild_waves();
            break;
        case weather_slider::wave_height:
            if (sea* s = water()) s->wave_height = value;
            rebuild_waves();
            break;
        case weather_slider::time_of_day: g_state->time_of_day = value; break;
    }
}

void write_label(gui_window* w, int i) {
    gui_rect* label = w->rect(w->private_state[k_first_label].i + i);
    if (label == nullptr) return;
    char text[64];
    const auto which = static_cast<weather_slider>(i);
    format_weather_label(which, current_setting(which), text, sizeof text);
    label->set_text(text);
}

void build(gui_window* w) {
    w->create(-1.0f, -1.0f, 1.0f, 1.08f, window_kind::resizable_window);
    w->visible = 1;
    w->set_title("Weather and Graphics");
    w->private_state[k_first_box].i = w->rect_count;
    for (int i = 0; i < k_check_boxes; ++i) {
        const float y = 0.8f - 0.15f * static_cast<float>(i);
        gui_rect* box = w->add_rect(-0.9f, y, -0.45f, y + 0.1f, rect_kind::check_box);
        box->centred = 0;
        box->set_text(k_check_texts[i]);
        box->ticked = *option(i) ? 1 : 0;
    }
    w->private_state[k_first_label].i = w->rect_count;
    for (int i = 0; i < k_weather_sliders; ++i) {
        const float y = 0.8f - 0.2f * static_cast<float>(i);
        w->add_rect(0.15f, y, 0.85f, y + 0.1f, rect_kind::label);
        write_label(w, i);
    }
    for (int i = 0; i < k_weather_sliders; ++i) {
        const float y = 0.7f - 0.2f * static_cast<float>(i);
        gui_window* slider = w->add_window();
        slider->create(0.15f, y, 0.85f, y + 0.1f, window_kind::horizontal_slider);
        const auto which = static_cast<weather_slider>(i);
        slider->set_slider_value(weather_slider_from_setting(which, current_setting(which)));
    }
    add_settings_tabs(w, -1.1f, -1.0f);
}

void on_click(gui_window* w) {
    if (settings_tab_clicked(w)) return;
    const int first = w->private_state[k_first_box].i;
    const int k = w->pressed - 1 - first;
    if (k < 0 || k >= k_check_boxes) return;
    if (k == k_siren_box) {
        g_app->use_siren = w->rect(first + k)->ticked;
        if (!g_app->use_siren) {
            send_media_command("stop MediaFile");
        } else {
            play_siren(1);  // the next siren may sound at once
        }
        return;
    }
    for (int i = 0; i < k_check_boxes; ++i) {
        if (i != k_siren_box) *option(i) = w->rect(first + i)->ticked;
    }
}

void on_slider(gui_window* w) {
    const int i = w->current - 1;
    gui_window* slider = w->current_child();
    if (slider == nullptr || i < 0 || i >= k_weather_sliders) return;
    const auto which = static_cast<weather_slider>(i);
    store_setting(which, weather_setting_from_slider(which, settings_slider_value(slider)));
    write_label(w, i);
}

}  // namespace

float weather_setting_from_slider(weather_slider which, float v) {
    switch (which) {
        case weather_slider::fog_distance: return 100.0f * v;
        case weather_slider::fog_altitude:
        case weather_slider::cloud_altitude: return 10.0f * v;
        case weather_slider::cloud_cover: return v / 255.0f;
        case weather_slider::wind_direction: return k_two_pi_per_step * v;
        case weather_slider::wind_speed: return 0.1f * v;
        case weather_slider::wave_height: return v / 25.0f;
        case weather_slider::time_of_day: return k_hours_per_step * v;
    }
    return 0.0f;
}

float weather_slider_from_setting(weather_slider which, float s) {
    switch (which) {
        case weather_slider::fog_distance: return s * 0.01f;
        case weather_slider::fog_altitude:
        case weather_slider::cloud_altitude: return s * 0.1f;
        case weather_slider::cloud_cover: return s * 255.0f;
        case weather_slider::wind_direction: return s * k_steps_per_radian;
        case weather_slider::wind_speed: return s * 10.0f;
        case weather_slider::wave_height: return s * 25.0f;
        case weather_slider::time_of_day: return s * k_steps_per_hour;
    }
    return 0.0f;
}

void format_weather_label(weather_slider which, float s, char* out, std::size_t cap) {
    switch (which) {
        case weather_slider::fog_distance:
            format_bounded(out, cap, "Fog distance %d m", static_cast<int>(std::ceil(s)));
            break;
        case weather_slider::fog_altitude:
            format_bounded(out, cap, "Fog altitude %d m", static_cast<int>(std::ceil(s)));
            break;
        case weather_slider::cloud_altitude:
            format_bounded(out, cap, "Cloud altitude %d m", static_cast<int>(std::ceil(s)));
            break;
        case weather_slider::cloud_cover:
            format_bounded(out, cap, "Cloud Cover %d %%", static_cast<int>(s * 100.0f));
            break;
        case weather_slider::wind_direction: {
            // The label names where the wind comes from: opposite to where it blows.
            int d = static_cast<int>(s * k_degrees_per_radian - 180.0f);
            if (d < 0) d = static_cast<int>(static_cast<float>(d) + 360.0f);
            format_bounded(out, cap, "Wind From %d", d);
            break;
        }
        case weather_slider::wind_speed:
            format_bounded(out, cap, "Wind Speed %d kt", static_cast<int>(s * k_knots_per_mps));
            break;
        case weather_slider::wave_height:
            format_bounded(out, cap, "Wave Height %4.2f (m)", static_cast<double>(s));
            break;
        case weather_slider::time_of_day: {
            const int hours = static_cast<int>(s);
            const int minutes = static_cast<int>(60.0f * (s - static_cast<float>(hours)));
            format_bounded(out, cap, "Time of Day %02d:%02d", hours, minutes);
            break;
        }
    }
}

int weather_dialog(gui_window* w, int event) {
    if (g_app == nullptr || g_state == nullptr) return 0;
    switch (event) {
        case gui_event::build: build(w); break;
        case gui_event::click: on_click(w); break;
        case gui_event::child_scrolled: on_slider(w); break;
        default: break;
    }
    return 0;
}
