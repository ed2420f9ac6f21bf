// The .x text models: the missile system's launchers, radars and command posts (two of each,
// so the design screens offer a choice), the hostile rocket, the light beam and a floating buoy,
// with their textures; and the scenery light definitions (".def") that mount a light glow, alone or on the buoy.
//
// Launcher and radar models have a frame "turret" (turns about its y axis) holding a frame
// "barrel" (pitches about its x axis). The barrel's firing axis is its local -z axis: a fired
// missile takes the barrel's world matrix turned half a turn about y and flies along its own
// +z, so it leaves along the barrel's -z; a positive elevation lifts -z above the horizon.
// The missile starts at the centre of the barrel's bounding box (its x offset mirrored), so
// the barrel geometry is symmetric about x = 0 and lies mostly in front of the pivot (z < 0).
// The whole model is turned half a turn when placed, so -z also faces the system's heading.
#pragma once

void generate_models();
