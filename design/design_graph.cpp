#include "design/design_graph.h"

#include "design/design_screen.h"
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

plot_box design_graph_box() {
    const units u = layout_units();
    return {-0.85f * u.m, -0.85f * u.h, 0.0f, -0.4f * u.h};
}

void draw_in_design_graph_box(int channel) {
    const plot_box b = design_graph_box();
    graph_draw(b.x1, b.y1, b.x2, b.y2, channel, false);
}

void plot_design_graph(const design_graph& g, int channel) {
    load_samples(g);
    draw_in_design_graph_box(channel);
}

void draw_design_graph() { graph_render_with_labels(); }

bool export_graph_csv(const design_graph& g, const char* file) {
    load_samples(g);
    return graph_export_csv(file);
}

}  // namespace design
