#include "world/terrain_services.h"

#include "world/terrain.h"

// The terrain's refusal passes through unchanged.
static_assert(terrain::k_no_ground == k_no_masked_ground);

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

float terrain_services::ground_height_masked(float x, float z, std::uint32_t mask) {
    if (ground_ == nullptr) return scene_services::ground_height_masked(x, z, mask);
    float h = k_no_masked_ground;
    ground_->class_ground_height(x, z, mask, &h);
    return h;
}

bool terrain_services::ground_class_near_view(std::uint32_t mask, float radius) {
    if (ground_ == nullptr) return scene_services::ground_class_near_view(mask, radius);
    return ground_->class_near_camera(mask, radius);
}

void terrain_services::ground_height_normal(float x, float z, float* h, vec3* normal) {
    if (ground_ == nullptr) {
        scene_services::ground_height_normal(x, z, h, normal);
        return;
    }
    float n[3] = {0.0f, 1.0f, 0.0f};
    ground_->ground_height_normal(x, z, h, n);
    *normal = {n[0], n[1], n[2]};
}
