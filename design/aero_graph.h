// The aerodynamic figures the aero design screen plots against Mach number, read from an
// airframe's computed Mach tables.
#pragma once

#include "design/design_graph.h"

class aero_config;

namespace design {

// The greatest manoeuvre the graph shows (g).
constexpr float k_graph_max_g = 40.0f;

// Forty rows, Mach 0.1 to 4.0: Mach, CD0, CNa, CMa, CMd, trim angle (deg, at most 0.5 rad),
// manoeuvre (g, at most 40) and the centre of pressure x 100. The airframe's tables must be
// computed (aero_config::compute_coefficients).
void aero_graph_rows(const aero_config& a, design_graph* g);

}  // namespace design
