// The scene's answers to the scene services: the flight models, frames and the camera ask for
// ground and sea heights of the loaded scenery, reach its roots and its camera, and have the
// world moved when the origin shifts, without holding the scene. The overlay marks go on to
// the user interface. The running scene installs it at start-up.
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
    // An object gives way to another: the camera follows the new one.
    void camera_replace_object(frame* old_object, frame* new_object) override;
    // The selection box, cross markers and map symbols, drawn by the user interface.
    void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                            std::uint32_t colour) override;
    void draw_cross_marker(const vec3& at, float half_size, std::uint32_t colour) override;
    void draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour) override;
    // The frame's position and motion in the camera's axes (for positional sound).
    void camera_relative_motion(const frame* f, vec3* position, vec3* velocity) override;

    // Event feedback of the weapons: a spoken line (only with [speech_on]), one of the
    // scene's event-sound slots (mode 0 plays it once, 1 restarts it, 2 loops it; other modes
    // do nothing) and the siren.
    void speak(const char* text) override;
    void play_sound_slot(int slot, int mode) override;
    void play_siren(int mode) override;
    // The loaded scenery's own conversion of a geographic position to scene x and z.
    void lon_lat_to_scene(float east, float north, float* x, float* z) override;

private:
    scene* owner_;
};
