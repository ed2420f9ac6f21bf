// The GLSL programs of the ground and the water, keyed by the program numbers the terrain
// asks for: land in the main view (with the detail volume, and with the shadow map), land
// seen through the water in the refraction pass, and eight water programs made from one
// source (waves shown or hidden, with or without the reflection and refraction textures).
//
// Registers: vertex programs read vs_c[], pixel programs ps_c[], as the drawing code sets
// them; beyond those it documents, ps_c[21].x is 1 when the water's reflection and
// refraction textures are bound (the texture layout of the water pass).
#pragma once

#include <string>

#include "platform/gfx_resources.h"

// The source of a program number, empty for a number that is not the terrain's.
std::string terrain_shader_source(shader_stage stage, int id);
