#include "design/design_graph.h"

#include "platform/files.h"
#include "platform/text.h"

namespace design {

void plot_design_graph(const design_graph&, int) {
    // The plotter is still to come; the samples stay here until it draws them.
}

std::string graph_csv(const design_graph& g) {
    std::string text;
    for (int c = 0; c < k_graph_channels; ++c) {
        if (c > 0) text += ',';
        text += g.titles[c];
    }
    text += '\n';
    for (const graph_row& row : g.rows) {
        for (int c = 0; c < k_graph_channels; ++c) {
            if (c > 0) text += ',';
            text += format_string("%g", static_cast<double>(row[c]));
        }
        text += '\n';
    }
    return text;
}

bool export_graph_csv(const design_graph& g, const char* file) {
    const std::string text = graph_csv(g);
    return fs_write(file, text.data(), text.size());
}

}  // namespace design
