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

// The graph box of the missile, aerodynamics, motor and warhead screens, (-0.85, -0.85)-(0, -0.4)
// in the screen's layout units: it grows with the window as the screen's other boxes do.
struct plot_box {
    float x1, y1, x2, y2;
};
plot_box design_graph_box();
// Lays out the plotter's samples in the design graph box, the channel against channel 0, with
// ticks.
void draw_in_design_graph_box(int channel);

// Hands the samples to the plotter and lays out the channel against channel 0 in the design
// graph box. The one place where the screens hand their samples to the plotter.
void plot_design_graph(const design_graph& g, int channel);
// Draws the plot laid out last, with its labels (in the screen's draw event).
void draw_design_graph();

// The titles and every row as CSV (a line of titles, then one line per row) through a
// replacing write; false, and the old file kept, when it cannot be written.
bool export_graph_csv(const design_graph& g, const char* file);

}  // namespace design
