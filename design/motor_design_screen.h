// The rocket motor screen: the design missile's motor with its chamber, nozzle, ignition and
// up to four propellant charges, a preview of the casing with its grains, and a static fire on
// the stand whose six readouts are recorded and plotted. Saving writes the recorded fire as
// "motors\<name>.csv" before "motors\<name>.txt".
#pragma once

#include <string>

namespace design {

// The name of a grain type 1..6; "UNKNOWN" for any other number (a hand-edited file).
const char* grain_type_name(int type);

// What the screen's hint line says when the motor did not take the value of field `field`
// (0..4 the motor's fields, 5..11 the charge's, in the screen's order) as typed but kept
// another: the field, the typed value, the bound and why ("Chamber Length 40.00 refused: at
// least 80.50 (the charges + 0.5 cm)"). Empty when the value was taken.
std::string motor_refusal(int field, float typed, float kept, float chamber_diameter);

}  // namespace design
