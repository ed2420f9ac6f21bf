// The rocket motor screen: the design missile's motor with its chamber, nozzle, ignition and
// up to four propellant charges, a preview of the casing with its grains, and a static fire on
// the stand whose six readouts are recorded and plotted. Saving writes the recorded fire as
// "motors\<name>.csv" before "motors\<name>.txt".
#pragma once

namespace design {

// The name of a grain type 1..6; "UNKNOWN" for any other number (a hand-edited file).
const char* grain_type_name(int type);

}  // namespace design
