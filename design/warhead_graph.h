// The blast and fragment curves the warhead screen plots against distance: from the warhead's
// mean radius outward in steps of 10 cm until the fragment density falls below the kill
// threshold (that first sample beyond the kill distance is the last) or 50 m is reached.
// Over-pressure, dynamic pressure and fragment density span decades, so they are kept as
// natural logarithms; the plot's labels and the CSV show their values.
#pragma once

#include "design/design_graph.h"

class warhead;

namespace design {

// The channels that hold logarithms: over-pressure (1), dynamic pressure (2), fragment
// density (6).
bool warhead_log_channel(int channel);

// The rows of the curves: distance (m), ln over-pressure (psi), ln (100 x dynamic pressure),
// fragment speed (m/s), fragment energy (kJ), time (ms), ln fragment density (1/m²), 0.
// A warhead whose fragments do not fly out (no explosive: fragment speed 0) has no rows.
// The warhead's effect values are left as they were.
void warhead_graph_rows(warhead& h, design_graph* g);

// Hands the rows to the plotter with the three logarithmic channels marked and lays out the
// channel in the design screens' graph box with ticks.
void plot_warhead_graph(const design_graph& g, int channel);
// The rows as CSV with the logarithmic channels written as values; false, and the old file
// kept, when it cannot be written.
bool export_warhead_csv(const design_graph& g, const char* file);

}  // namespace design
