// The services through which the scene objects of the lower folders (frames, camera, mouse,
// flight models, effects) reach the world around them without holding the scene: ground and
// sea heights, the selection box and sight-line fog, the scene's origin shift, the GUI's share
// of mouse input and the key state. The shell installs the scene's backend at start-up; until
// then, and in tests that install a fake, the default answers: flat ground at 0, the sea at
// the water level, no drawing, and the program's key-state table.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

class scene_services {
public:
    virtual ~scene_services() = default;

    // Heights in scene coordinates (metres).
    virtual float ground_height(float x, float z);
    virtual float sea_height(float x, float z);
    // The selection mark: the box edges in the current world transform and a vertical line
    // from the box down to absolute altitude 0 (scene y = -altitude_offset).
    virtual void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                                    std::uint32_t colour);
    // Visibility distance (m, positive) along the sight line from the camera to an altitude
    // in scene coordinates; the renderer sets the fog density to 2.3 / distance.
    virtual float path_fog_distance(float altitude);
    // Moves the scene's objects (the camera included) by d after the world origin moved by -d.
    virtual void shift_scene(const vec3& d);
    // The GUI's answer to mouse input: true when it takes the press or move.
    virtual bool gui_mouse_move(int x, int y);
    virtual bool gui_mouse_down(int x, int y);
    virtual void gui_mouse_up();
    // Whether a key (virtual-key code) is held down now.
    virtual bool key_held(int virtual_key);
    // Marks the terrain cell under (x, z) as taken by a draped object (value 1).
    virtual void mark_ground_cell(float x, float z, int value);
};

// The installed backend (the flat default when none is installed).
scene_services& services();
// Installs a backend (none restores the default). The caller keeps ownership.
void install_scene_services(scene_services* backend);

// Free forms used by the scene objects.
void ground_height(float x, float z, float* h);
void sea_height(float x, float z, float* h);
void mark_ground_cell(float x, float z, int value);
void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                        std::uint32_t colour);
