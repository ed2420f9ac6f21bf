// The scene's answers to the scene services: the flight models, frames and the camera ask for
// ground and sea heights of the loaded scenery and have the world moved when the origin
// shifts, without holding the scene. The running scene installs it at start-up.
#pragma once

#include "world/terrain_services.h"

class scene;

class scene_proxie : public terrain_services {
public:
    explicit scene_proxie(scene* owner);

    // The camera moved a whole cell: everything in the scene moves by d.
    void shift_scene(const vec3& d) override;

private:
    scene* owner_;
};
