// The launcher screen: the design system's launcher, its model chosen from the "launchers"
// folder, the rotation and elevation its turret and barrel are posed at, the missiles it holds
// and its reload time, with the posed model in a preview that turns about the vertical only.
// "launchers\<name>.txt" holds its definition.
#pragma once

namespace design {

// The turning sound's slot, played when a jog step moves the turret or the barrel.
constexpr int k_turning_sound = 8;

}  // namespace design
