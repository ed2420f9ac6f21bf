#include "world/terrain_services.h"

#include "world/terrain.h"

float terrain_services::ground_height(float x, float z) {
    if (ground_ == nullptr) return scene_services::ground_height(x, z);
    float h = 0.0f;
    ground_->ground_height(x, z, &h);
    return h;
}

float terrain_services::sea_height(float x, float z) {
    if (ground_ == nullptr) return scene_services::sea_height(x, z);
    float h = 0.0f;
    ground_->water.surface_height(x, z, &h);
    return h;
}
