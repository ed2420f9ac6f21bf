// The scene's answers to the scene services: the flight models, frames and the camera ask for
// ground and sea heights of the loaded scenery, reach its roots and its camera, and have the
// world moved when the origin shifts, without holding the scene. The running scene installs it at start-up.
#pragma once

#include "world/terrain_services.h"

class scene;

class scene_proxie : public terrain_services {
public:
    explicit scene_proxie(scene* owner);

    // The camera moved a whole cell: everything in the scene moves by d.
    void shift_scene(const vec3& d) override;
    // The scene's roots (none while the scene has none).
    frame* objects_root() override;
    frame* transps_root() override;
    // A frame leaves the scene: the camera stops tracking or riding it.
    void forget_camera_target(frame* f) override;
    // The frame's position and motion in the camera's axes (for positional sound).
    void camera_relative_motion(const frame* f, vec3* position, vec3* velocity) override;

    // Event feedback of the weapons: a spoken line (only with [speech_on]), one of the
    // scene's event-sound slots (mode 1 restarts it, otherwise it plays once) and the siren.
    void speak(const char* text) override;
    void play_sound_slot(int slot, int mode) override;
    void play_siren(int mode) override;
    // The loaded scenery's own conversion of a geographic position to scene x and z.
    void lon_lat_to_scene(float east, float north, float* x, float* z) override;

private:
    scene* owner_;
};
