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
    // The mouse's pointer and left button reach the GUI first (it may take the press).
    bool gui_mouse_move(int x, int y) override;
    bool gui_mouse_down(int x, int y) override;
    void gui_mouse_up() override;
    // The sight-line fog of the application state.
    float path_fog_distance(float altitude) override;
    // The scene's systems, rockets and missiles by name.
    int collect_labels(object_label* out, int capacity) override;
    // The scene's off-screen passes.
    void render_pass(render_pass_kind kind) override;
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

    // The world's effects: a burst becomes a sprinkle of its kind (fire, smoke or spray) under
    // its parent or the "transps" root, turned by its heading and pitch and fired once; a
    // column becomes a smoke. Both use "graphics\smoke.dds". None when the kind is not a
    // burst's or the frame cannot be made.
    frame* emit_burst(const particle_burst& burst) override;
    frame* emit_column(const smoke_column& column) override;
    // A motor's or rocket's exhaust children: its flame (with a trail when asked), its smoke
    // plume (a kind 4 sprinkle) or, on the design screens, its smoke column. The owner scales
    // the flame through its matrix.
    frame* create_exhaust(frame* parent, const exhaust_params& params) override;
    // The flame's temperature (its colour value), the plume's emission, the plume's puff size
    // or the column's size and growth. Nothing for another kind of frame.
    void set_exhaust_colour(frame* exhaust, float colour) override;
    void set_exhaust_emission(frame* exhaust, bool on) override;
    void set_exhaust_sizes(frame* exhaust, float a, float b) override;
    // A plume has fewer than 8 puffs; a flame's trail keeps no point of brightness 32 or more.
    bool exhaust_settled(frame* exhaust) override;

private:
    scene* owner_;
};
