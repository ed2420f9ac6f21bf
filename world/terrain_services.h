// The world's answers to the height services: ground heights from the terrain's elevation
// grid and water heights from its sea, and the land-class questions of the scenery objects
// (masked heights, classes near the view) and the slope under the wind. The scene's services
// backend derives from this, so flight models, frames and the camera get the loaded
// scenery's answers. Everything else keeps the defaults.
#pragma once

#include "core/scene_services.h"

class terrain;

class terrain_services : public scene_services {
public:
    explicit terrain_services(const terrain* ground) : ground_(ground) {}

    float ground_height(float x, float z) override;
    float sea_height(float x, float z) override;
    float ground_height_masked(float x, float z, std::uint32_t mask) override;
    bool ground_class_near_view(std::uint32_t mask, float radius) override;
    void ground_height_normal(float x, float z, float* h, vec3* normal) override;

private:
    const terrain* ground_;
};
