// The samples a design screen plots: rows of eight channels (channel 0 the horizontal axis),
// their titles, and the two things done with them: plotting one channel and writing them all
// as CSV. The plotting goes through plot_design_graph alone.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace design {

constexpr int k_graph_channels = 8;
using graph_row = std::array<float, k_graph_channels>;

struct design_graph {
    std::array<std::string, k_graph_channels> titles;
    std::vector<graph_row> rows;
};

// Draws the channel against channel 0 in the design screens' graph box (-0.85, -0.85)-(0, -0.4)
// with ticks. The one place where the screens hand their samples to the plotter.
void plot_design_graph(const design_graph& g, int channel);

// The CSV text: a line of titles, then one line per row (41 lines for 40 rows).
std::string graph_csv(const design_graph& g);
// Writes it through a temporary file; false when the file cannot be written.
bool export_graph_csv(const design_graph& g, const char* file);

}  // namespace design
