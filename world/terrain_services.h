// The world's answers to the height services: ground heights from the terrain's elevation
// grid and water heights from its sea. The scene's services backend derives from this (or
// forwards to it), so flight models, frames and the camera asking `ground_height` and
// `sea_height` get the loaded scenery's heights. Everything else keeps the defaults.
#pragma once

#include "core/scene_services.h"

class terrain;

class terrain_services : public scene_services {
public:
    explicit terrain_services(const terrain* ground) : ground_(ground) {}

    float ground_height(float x, float z) override;
    float sea_height(float x, float z) override;

private:
    const terrain* ground_;
};
