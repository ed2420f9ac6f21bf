// The scene's one viewer: a frame with the viewport, the projections and field of view,
// free flight under keys and mouse, chasing or tracking a target frame, ground clearance,
// and the whole-cell shift of the world origin that keeps it near the scene origin. At
// construction it publishes pointers to its matrices and angles in app_state; every reader
// (culling, picking, passes, status line) goes through them.
//
// Angles: a positive heading turns north (+z) toward east (+x); a positive pitch looks up.
// In free flight the camera's heading is minus the look yaw and its pitch the look pitch.
#pragma once

#include <cstdint>

#include "core/device_calls.h"
#include "core/frame.h"

class camera : public frame {
public:
    camera();
    ~camera() override;

    // Near plane from the height above the surface, projections from the viewport and the
    // field of view; sets the device's view (mirrored at the water surface when not normal)
    // and projection.
    void set_view_projection(bool normal);
    // Keys and wheel: speeds, orbit and zoom.
    void handle_input(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
    // Once per tick with the mouse's look angles.
    void update(float look_pitch_target, float look_yaw_target);
    using frame::update;

    gfx_viewport viewport;
    mat4 projection = mat_identity();
    mat4 near_projection = mat_identity();    // near plane 0.1, far 1000
    mat4 offset_projection = mat_identity();  // near plane x 1.25
    // World without translation; x rotation by -pitch; y rotation by the heading; their
    // product (x first): turns things with the view but without its roll.
    mat4 aux[4] = {mat_identity(), mat_identity(), mat_identity(), mat_identity()};
    std::uint8_t zoom_relax = 0;
    std::uint8_t free_look = 0;
    std::uint8_t fixed_orbit = 1;
    // The camera's copy of the auto-track switch (F9), so that it knows it is led from one
    // missile to the next.
    std::uint8_t auto_track = 0;
    float cell_size = 1000.0f;       // metres: the world origin moves in whole cells
    float look_pitch = 0.0f;
    float look_yaw = 0.0f;
    float angles[3] = {0.0f, 0.0f, 0.0f};  // pitch, heading, roll (radians)
    // Per-tick displacements, decaying by 0.9 a tick: sideways, vertical, forward (or orbit
    // distance change), orbit elevation change.
    float speeds[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float near_plane = 1.0f;
    float aspect = 1.0f;
    float fov = k_pi / 4.0f;
    float normal_fov = k_pi / 4.0f;
    float ground_clearance = 1.5f;
    float min_orbit = 5.0f;
    float orbit = 10.0f;
    float chase_pitch = 0.0f;
    float chase_yaw = 0.0f;
    frame* target = nullptr;
    float ground_h = 0.0f;
    float sea_h = 0.0f;

private:
    void shift_world_if_needed();
    void smooth_look(float pitch_target, float yaw_target);
    void fly_free();
    void chase();
    void track();
    void ride_parent();
    void keep_above_ground();
    void finish_view();
    void publish();
};

// Creates a camera under parent (when given), marked owned: 0, or E_FAIL (out none).
hresult create_camera(frame* parent, camera** out);

// Brings an angle above pi down by 2 pi (raising *counter by 2 pi), one below -pi up.
void wrap_angle(float* angle, float* counter);
// Pixels to normalised screen coordinates (-1..1, y up) over the back buffer.
vec2 screen_to_ndc(int x, int y);
