// The weather and graphics page of the settings: twelve option boxes and eight sliders for
// fog, clouds, wind, waves and the time of day of the running scene. The sliders run 0..255;
// the functions below turn a slider value into its setting, a setting back into the slider
// value it starts from, and a setting into the text of its label.
#pragma once

#include <cstddef>

// Which slider, top to bottom.
enum class weather_slider {
    fog_distance,    // m, 100 per step
    fog_altitude,    // m, 10 per step
    cloud_altitude,  // m, 10 per step
    cloud_cover,     // 0..1
    wind_direction,  // radians, the direction the wind blows to
    wind_speed,      // m/s, 0.1 per step
    wave_height,     // m, 1/25 per step
    time_of_day,     // hours, 0.09412 per step (255 is just past 24 h)
};
constexpr int k_weather_sliders = 8;

float weather_setting_from_slider(weather_slider which, float v);
float weather_slider_from_setting(weather_slider which, float setting);
// The label of a slider showing the setting ("Wind From 270", "Time of Day 12:02").
void format_weather_label(weather_slider which, float setting, char* out, std::size_t cap);
