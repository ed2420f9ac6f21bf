#include "design/aero_graph.h"

#include <algorithm>
#include <cmath>

#include "simulation/aero_config.h"

namespace design {

namespace {

// The trim angle (rad) the control surfaces hold against the body's stability.
double trim_angle(double control, double moment) {
    if (moment == 0.0) return control == 0.0 ? 0.0 : 0.5;
    return std::min(std::fabs(0.2 * control / moment), 0.5);
}

}  // namespace

void aero_graph_rows(const aero_config& a, design_graph* g) {
    g->titles = {"Mach", "CD0", "CNa", "CMa", "CMd", "AL Trim (deg)", "N (g)", "XCP"};
    g->rows.clear();
    const double weight = std::max(0.1f, a.mass_estimate) * 9.81;
    for (int i = 1; i <= mach_table_last; ++i) {
        const double mach = 0.1 * i;
        const double cd0 = a.cd0_wings.slot[i] + a.cd0_body.slot[i];
        const double cna = a.cn_alpha_total.slot[i];
        const double cma = a.cm_alpha.slot[i];
        const double cmd = a.cm_delta.slot[i];
        const double xcp = a.xcp_total.slot[i] * 100.0;
        const double speed = 340.0 * mach;
        const double q = 0.6 * speed * speed;
        const double trim = trim_angle(cmd, cma);
        const double n = std::min(q * a.reference_area * cna * trim / weight, double{k_graph_max_g});
        g->rows.push_back({static_cast<float>(mach), static_cast<float>(cd0), static_cast<float>(cna),
                           static_cast<float>(cma), static_cast<float>(cmd),
                           static_cast<float>(trim * 57.29578), static_cast<float>(n),
                           static_cast<float>(xcp)});
    }
}

}  // namespace design
