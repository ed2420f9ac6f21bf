#include "design/warhead_graph.h"

#include <cmath>
#include <cstdint>

#include "design/design_graph.h"
#include "simulation/warhead.h"
#include "ui/graph.h"

namespace design {

namespace {

constexpr double k_step = 0.1;      // m between samples
constexpr double k_farthest = 50.0;  // m

void load_samples(const design_graph& g) {
    graph_reset_samples();
    const char* titles[k_graph_channels];
    std::int32_t logs[k_graph_channels];
    for (int c = 0; c < k_graph_channels; ++c) {
        titles[c] = g.titles[c].c_str();
        logs[c] = warhead_log_channel(c) ? 1 : 0;
    }
    graph_set_titles(titles);
    graph_set_log_scales(logs);
    for (const graph_row& row : g.rows) graph_add_series_point(row.data(), 1);
}

}  // namespace

bool warhead_log_channel(int channel) { return channel == 1 || channel == 2 || channel == 6; }

void warhead_graph_rows(warhead& h, design_graph* g) {
    g->titles = {"Distance (m)",     "Over Pres (psi)", "Dynam Pres (0.01*psi)", "Frag Speed (m/s)",
                 "Frag Energy (kj)", "Time (ms)",       "Frag Density (1/sqrm)", ""};
    g->rows.clear();
    if (!(h.fragment_speed > 0.0f)) return;
    const blast_results kept = h.effects;
    double d = (static_cast<double>(h.DS) + h.DC) / 4.0 / 100.0;  // the mean radius
    double t = d / h.fragment_speed;
    while (d < k_farthest) {
        h.effects_at_distance(static_cast<float>(d));
        const blast_results& e = h.effects;
        g->rows.push_back({static_cast<float>(d), std::log(e.over_pressure),
                           std::log(100.0f * e.dynamic_pressure), e.fragment_speed,
                           e.fragment_energy / 1000.0f, static_cast<float>(1000.0 * t),
                           std::log(e.fragment_density), 0.0f});
        if (h.KT > e.fragment_density) break;
        // Fragments that drag has stopped get no farther.
        if (!(e.fragment_speed > 0.0f)) break;
        t += k_step / e.fragment_speed;
        d += k_step;
    }
    h.effects = kept;
}

void plot_warhead_graph(const design_graph& g, int channel) {
    load_samples(g);
    draw_in_design_graph_box(channel);
}

bool export_warhead_csv(const design_graph& g, const char* file) {
    load_samples(g);
    return graph_export_csv(file);
}

}  // namespace design
