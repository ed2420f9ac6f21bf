#include "shell/scene_proxie.h"

#include "shell/scene.h"

scene_proxie::scene_proxie(scene* owner) : terrain_services(&owner->ground), owner_(owner) {}

void scene_proxie::shift_scene(const vec3& d) { owner_->shift_origin(d.x, d.y, d.z); }
