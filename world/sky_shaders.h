// The GLSL of the sky's two programs: the dome (numbers 391 and 412) and the sun-glow cone
// (415 and 413). The sky puts them into the application state's program slots at start-up
// when the slots are still empty.
#pragma once

#include "platform/gfx_device.h"

// None for a number that is not one of the sky's.
const char* sky_shader_source(shader_stage stage, int id);
// Makes every sky program whose slot is empty; a program that fails to compile stays none
// (the sky then draws the plain vertex colours).
void load_sky_shaders();
