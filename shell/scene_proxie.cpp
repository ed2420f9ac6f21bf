#include "shell/scene_proxie.h"

#include "shell/scene.h"

scene_proxie::scene_proxie(scene* owner) : terrain_services(&owner->ground), owner_(owner) {}

void scene_proxie::shift_scene(const vec3& d) { owner_->shift_origin(d.x, d.y, d.z); }

frame* scene_proxie::objects_root() { return owner_->objects; }

frame* scene_proxie::transps_root() { return owner_->transps; }

void scene_proxie::forget_camera_target(frame* f) { owner_->forget_camera_target(f); }

void scene_proxie::camera_relative_motion(const frame* f, vec3* position, vec3* velocity) {
    if (f == nullptr) {
        *position = {};
        *velocity = {};
        return;
    }
    *position = owner_->viewer.local_position_of(f);
    *velocity = owner_->viewer.local_relative_velocity(f);
}
