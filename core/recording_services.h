// A scene-services backend for tests and headless runs: flat ground at a set height, a flat
// sea at a set level, its own "objects" and "transps" roots, and a record of every effect,
// exhaust setting, camera request and overlay mark, so a whole flight can be followed without
// the terrain, the sea, the world's effects or the overlay.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/frame.h"
#include "core/scene_services.h"

class recording_scene_services : public scene_services {
public:
    recording_scene_services();
    ~recording_scene_services() override;

    float ground_height(float x, float z) override;
    float sea_height(float x, float z) override;
    frame* objects_root() override { return &objects_; }
    frame* transps_root() override { return &transps_; }
    void forget_camera_target(frame* f) override;
    void camera_replace_object(frame* old_object, frame* new_object) override;
    void draw_cross_marker(const vec3& at, float half_size, std::uint32_t colour) override;
    void draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour) override;
    frame* emit_burst(const particle_burst& burst) override;
    frame* emit_column(const smoke_column& column) override;
    void set_exhaust_colour(frame* exhaust, float colour) override;
    void set_exhaust_emission(frame* exhaust, bool on) override;
    void set_exhaust_sizes(frame* exhaust, float a, float b) override;
    bool exhaust_settled(frame* exhaust) override;
    void speak(const char* text) override;
    void play_sound_slot(int slot, int mode) override;
    void play_siren(int mode) override;

    // The last settings of one exhaust.
    struct exhaust_state {
        float colour = 0.0f;
        bool emitting = false;
        float size_a = 0.0f;
        float size_b = 0.0f;
    };

    // One overlay mark: a cross marker (kind -1) at a point, or a map symbol at (x, y, 0).
    struct overlay_mark {
        int kind = -1;
        vec3 at;
        float size = 0.0f;
        std::uint32_t colour = 0;
    };

    float ground = 0.0f;   // scene y of the ground everywhere
    float sea = -1.0e6f;   // scene y of the sea surface (far below: dry land)
    bool settled = true;   // what exhaust_settled answers

    std::vector<particle_burst> bursts;
    std::vector<smoke_column> columns;
    std::vector<frame*> forgotten;
    std::vector<std::pair<frame*, frame*>> replaced;  // (old, new), in order
    std::vector<overlay_mark> marks;
    std::map<const frame*, exhaust_state> exhausts;
    std::vector<std::string> spoken;
    std::vector<int> slots_played;   // slot numbers, in order
    std::vector<int> siren_modes;    // in order

private:
    frame objects_;
    frame transps_;
};
