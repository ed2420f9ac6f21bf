// What the particle and sprite effects (sprinkle, smoke, flame, trail, array_sp, decal,
// blinker) share: their vertex (position, colour, one texture coordinate), the clocks they run
// on, the camera's billboard turns, the colours and states they set and restore, and the
// textures they take from the cache. Kept in one place so every effect reads the clocks and the
// camera the same way and leaves the device as the scene's passes expect it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx_device.h"
#include "platform/math3d.h"

// 24 bytes: position, A8R8G8B8 colour, texture coordinate.
struct effect_vertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    std::uint32_t colour = 0xFFFFFFFFu;
    float u = 0.0f, v = 0.0f;
};
constexpr std::uint32_t k_effect_fvf = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;

// The three clocks: the smoothed real frame time (s, not scaled by the simulation rate), the
// simulation time step (s) and the clock of timed behaviours (ms).
float frame_step();
float simulation_step();
std::uint32_t clock_ms_now();
bool simulation_paused();
// The shadow-map pass draws no effects.
bool in_shadow_map_pass();

// The camera as the effects see it: its world position, its vertical field of view (rad), the
// billboard turns (heading only; pitch then heading) and its own rotation.
vec3 camera_position();
float camera_vertical_fov();
mat4 billboard_heading();
mat4 billboard_pitch_heading();
mat4 camera_rotation();

// A draw-order value for colours: alpha, red, green, blue, each clamped to 0..255.
std::uint32_t argb(int a, int r, int g, int b);
// The scene's ambient light (the sun's ambient colour) and fog colour, and the cull mode the
// passes expect back.
std::uint32_t ambient_colour();
std::uint32_t fog_colour();
std::uint32_t default_cull_mode();
// Diffuse and ambient white (the shared material of the effects).
const gfx_material& white_material();

// One rand draw as 1 - 2 r / 32767 (-1..1) and as r / 32767 (0..1).
float rand_signed();
float rand_unit();

// Appends the two triangles of a quad with corners +-half_w, 0..h or +-half_h around the
// centre, in the plane of the right and up axes: (-w, h), (w, h), (-w, -h) and (w, -h),
// (-w, -h), (w, h), with texture corners (0,0), (1,0), (0,1) and (1,1), (0,1), (1,0).
void append_quad(std::vector<effect_vertex>* out, const vec3& centre, const vec3& right,
                 const vec3& up, float half_w, float half_h, std::uint32_t colour);

// Takes a texture from the cache (none without an application object or a file) and gives it
// back.
void take_texture(const char* name, int mode, gfx_texture** out);
void give_back_texture(gfx_texture** texture);

// Draws a triangle list of effect vertices from memory in one call, world identity.
void draw_effect_triangles(gfx_device* d, const std::vector<effect_vertex>& vertices);
