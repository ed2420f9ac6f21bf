// The programs the scenery's scatter arrays draw their sprites with when the device runs
// programs: each upright sprite lit like the ground it stands on (the sun's diffuse light on an
// upward normal plus its ambient light) and fogged by its distance from the camera. They are
// the shared program pair numbered 388 (vertex) and 364 (pixel).
//
// Vertex registers: c0..c3 view x projection (transposed rows), c4 the sun's direction, c5 its
// diffuse and c6 its ambient colour, c7 the camera's world position, c8.x the fog density
// (2.3 / fog distance), c9 the array's colour. The sprites come in world coordinates.
#pragma once

#include "platform/gfx_device.h"

extern const char* const k_scatter_sprite_vs_source;
extern const char* const k_scatter_sprite_ps_source;

struct scatter_sprite_programs {
    shader_ptr vertex;
    shader_ptr pixel;
};

// Compiles the pair on the device and has the arrays draw with it; the first failing result
// (a program that does not compile stays none and the arrays draw without programs).
hresult create_scatter_sprite_programs(gfx_device* device, scatter_sprite_programs* out);
// The pair the arrays use now (none and none: fixed function). The caller keeps them alive.
void use_scatter_sprite_programs(gfx_shader* vertex, gfx_shader* pixel);
gfx_shader* scatter_sprite_vertex_program();
gfx_shader* scatter_sprite_pixel_program();
