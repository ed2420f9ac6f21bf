#include "core/recording_services.h"

recording_scene_services::recording_scene_services() {
    objects_.set_name("objects");
    transps_.set_name("transps");
}

recording_scene_services::~recording_scene_services() {
    objects_.clear_children();
    transps_.clear_children();
}

float recording_scene_services::ground_height(float, float) { return ground; }
float recording_scene_services::sea_height(float, float) { return sea; }

void recording_scene_services::forget_camera_target(frame* f) { forgotten.push_back(f); }

void recording_scene_services::camera_replace_object(frame* old_object, frame* new_object) {
    replaced.emplace_back(old_object, new_object);
}

void recording_scene_services::draw_cross_marker(const vec3& at, float half_size,
                                                 std::uint32_t colour) {
    marks.push_back({-1, at, half_size, colour});
}

void recording_scene_services::draw_map_symbol(float x, float y, float size, int kind,
                                               std::uint32_t colour) {
    marks.push_back({kind, {x, y, 0.0f}, size, colour});
}

frame* recording_scene_services::emit_burst(const particle_burst& burst) {
    bursts.push_back(burst);
    return nullptr;
}

frame* recording_scene_services::emit_column(const smoke_column& column) {
    columns.push_back(column);
    return nullptr;
}

void recording_scene_services::set_exhaust_colour(frame* exhaust, float colour) {
    if (exhaust != nullptr) exhausts[exhaust].colour = colour;
}

void recording_scene_services::set_exhaust_emission(frame* exhaust, bool on) {
    if (exhaust != nullptr) exhausts[exhaust].emitting = on;
}

void recording_scene_services::set_exhaust_sizes(frame* exhaust, float a, float b) {
    if (exhaust == nullptr) return;
    exhausts[exhaust].size_a = a;
    exhausts[exhaust].size_b = b;
}

bool recording_scene_services::exhaust_settled(frame*) { return settled; }

void recording_scene_services::speak(const char* text) { spoken.emplace_back(text != nullptr ? text : ""); }
void recording_scene_services::play_sound_slot(int slot, int) { slots_played.push_back(slot); }
void recording_scene_services::play_siren(int mode) { siren_modes.push_back(mode); }
