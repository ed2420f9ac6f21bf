#include "design/design_graph.h"

#include "ui/graph.h"

namespace design {

namespace {

// The screen's samples become the plotter's: every row kept, the titles bounded by it.
void load_samples(const design_graph& g) {
    graph_reset_samples();
    const char* titles[k_graph_channels];
    for (int c = 0; c < k_graph_channels; ++c) titles[c] = g.titles[c].c_str();
    graph_set_titles(titles);
    for (const graph_row& row : g.rows) graph_add_series_point(row.data(), 1);
}

}  // namespace

void plot_design_graph(const design_graph& g, int channel) {
    load_samples(g);
    graph_draw(-0.85f, -0.85f, 0.0f, -0.4f, channel, false);
}

void draw_design_graph() { graph_render_with_labels(); }

bool export_graph_csv(const design_graph& g, const char* file) {
    load_samples(g);
    return graph_export_csv(file);
}

}  // namespace design
