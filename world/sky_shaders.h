// The GLSL of the sky's two programs: the dome (numbers 391 and 412) and the sun-glow cone
// (415 and 413). The sky puts them into the application state's program slots at start-up
// when the slots are still empty. Two cheaper pixel programs for parts of the dome give
// there exactly what the dome's own gives; the sky keeps them itself.
#pragma once

#include "platform/gfx_device.h"

enum class dome_part {
    away_from_sun,  // no glow: the sun lies more than 90 degrees off every direction drawn
    below_horizon,  // the plain fog colour: every direction drawn points down
};

const char* sky_dome_part_source(dome_part part);
// None for a number that is not one of the sky's.
const char* sky_shader_source(shader_stage stage, int id);
// Makes every sky program whose slot is empty; a program that fails to compile stays none
// (the sky then draws the plain vertex colours).
void load_sky_shaders();
