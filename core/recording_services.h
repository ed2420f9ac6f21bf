// A scene-services backend for tests and headless runs: flat ground at a set height, a flat
// sea at a set level, its own "objects" and "transps" roots, and a record of every effect,
// exhaust setting and camera request, so a whole flight can be followed without the terrain,
// the sea or the world's effects.
#pragma once

#include <map>
#include <memory>
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
    frame* emit_burst(const particle_burst& burst) override;
    frame* emit_column(const smoke_column& column) override;
    void set_exhaust_colour(frame* exhaust, float colour) override;
    void set_exhaust_emission(frame* exhaust, bool on) override;
    void set_exhaust_sizes(frame* exhaust, float a, float b) override;
    bool exhaust_settled(frame* exhaust) override;

    // The last settings of one exhaust.
    struct exhaust_state {
        float colour = 0.0f;
        bool emitting = false;
        float size_a = 0.0f;
        float size_b = 0.0f;
    };

    float ground = 0.0f;   // scene y of the ground everywhere
    float sea = -1.0e6f;   // scene y of the sea surface (far below: dry land)
    bool settled = true;   // what exhaust_settled answers

    std::vector<particle_burst> bursts;
    std::vector<smoke_column> columns;
    std::vector<frame*> forgotten;
    std::map<const frame*, exhaust_state> exhausts;

private:
    frame objects_;
    frame transps_;
};
