#include "simulation/aero_config.h"

#include <algorithm>
#include <cmath>

#include "core/d3d_app.h"
#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

namespace {

constexpr double k_pi = 3.14159265358979323846;
constexpr int k_last_subsonic = 6;     // Mach 0.6
constexpr int k_first_supersonic = 12; // Mach 1.2

// Default wing sets: set 0 a tail fin set, set 1 a canard control set near the nose; sets 2
// to 7 are in place for when the designer raises the count.
constexpr float k_default_xw[aero_max_wing_sets] = {140, 12.8f, 100, 80, 60, 40, 20, 0};

struct atmosphere {
    double viscosity;       // Pa s
    double sound_speed;     // m/s
    double density;         // kg/m³
};

atmosphere standard_atmosphere(double h) {
    if (h <= 11000.0) {
        return {1.79e-5 - 3.27e-10 * h, 340.0 - 0.004091 * h,
                1.225 * std::pow(1.0 - 2.22557e-5 * h, 4.2561)};
    }
    return {1.43e-5, 295.0, 2.06211 * std::exp(-0.000157688 * h)};
}

// Turbulent flat-plate skin friction fitted to the Reynolds number.
double skin_friction(double reynolds) { return 0.3 * std::pow(reynolds, -0.33333) + 0.0016; }

// The body in m, with its reference and wetted areas and its form factor.
struct body_geometry {
    double DS, DC, DB, LN, LC, LT, CG, L;
    double reference_area, wetted_area, form_factor;
};

body_geometry make_body(const aero_config& c) {
    body_geometry g{};
    g.DS = c.DS * 0.01;
    g.DC = c.DC * 0.01;
    g.DB = c.DB * 0.01;
    g.LN = c.LN * 0.01;
    g.LC = c.LC * 0.01;
    g.LT = c.LT * 0.01;
    g.CG = c.CG * 0.01;
    g.L = g.LN + g.LC + g.LT;
    g.reference_area = k_pi * g.DC * g.DC / 4.0;
    const double nose_slant = std::sqrt((g.DC - g.DS) * (g.DC - g.DS) / 4.0 + g.LN * g.LN);
    const double tail_slant = std::sqrt((g.DC - g.DB) * (g.DC - g.DB) / 4.0 + g.LT * g.LT);
    // Hemisphere of the cap, nose frustum, cylinder and boat-tail frustum.
    g.wetted_area = (k_pi / 2.0) * (g.DS * g.DS + nose_slant * (g.DC + g.DS)) + k_pi * g.DC * g.LC +
                    (k_pi / 2.0) * tail_slant * (g.DB + g.DC);
    const double fineness = g.L / g.DC;
    g.form_factor = 1.0 + 1.5 / std::pow(fineness, 1.5) + 7.0 / (fineness * fineness * fineness);
    return g;
}

// One wing set in m, as the charts need it.
struct wing_geometry {
    double root_chord_exposed;  // chord where the panel meets the body
    double exposed_area;        // both panels
    double aspect_ratio;        // of the exposed panels
    double mean_chord;
    double tan_leading;         // leading-edge sweep, never 0
    double tan_mid;             // mid-chord sweep
    double taper;
    double x;                   // aspect ratio times leading-edge sweep, less 1
    double thickness;
    double location;
    double span;
};

wing_geometry make_wing(const aero_config& c, int s, double body_diameter) {
    wing_geometry w{};
    const double cr = c.CR[s] * 0.01, ct = c.CT[s] * 0.01, hr = c.HR[s] * 0.01;
    w.span = c.B[s] * 0.01;
    w.location = c.XW[s] * 0.01;
    w.thickness = c.TC[s];
    w.root_chord_exposed = cr + (ct - cr) * body_diameter / w.span;
    w.exposed_area = (w.span - body_diameter) * (w.root_chord_exposed + ct) / 2.0;
    w.aspect_ratio = 2.0 * (w.span - body_diameter) / (w.root_chord_exposed + ct);
    w.mean_chord = (w.root_chord_exposed + ct) / 2.0;
    w.tan_leading = std::fabs(2.0 * (hr - ct) / w.span);
    if (w.tan_leading == 0.0) w.tan_leading = 0.01;
    w.tan_mid = (2.0 * hr - ct - cr) / w.span;
    w.taper = ct / w.root_chord_exposed;
    w.x = w.aspect_ratio * w.tan_leading - 1.0;
    return w;
}

// The charts are tabulated by taper ratio in six bands.
int taper_band(double taper) {
    if (taper < 0.2) return 0;
    if (taper < 0.25) return 1;
    if (taper < 0.33) return 2;
    if (taper < 0.5) return 3;
    if (taper < 1.0) return 4;
    return 5;
}

// A centre-of-pressure chart row: value = ((c0 - c1 x) q + c2 x + c3) times the exposed root
// chord.
struct cp_row {
    double c0, c1, c2, c3;
};

double chart_value(const cp_row& r, double x, double q) {
    return (r.c0 - r.c1 * x) * q + r.c2 * x + r.c3;
}

// Subsonic centre of pressure: swept-back edge (beta below the sweep) and the other side.
constexpr cp_row k_sub_swept[6] = {{0.034, 0.05, 0.11, 0.23}, {0.03, 0.05, 0.136, 0.25},
                                   {0.03, 0.05, 0.144, 0.26}, {0.034, 0.07, 0.156, 0.3},
                                   {0.026, 0.05, 0.18, 0.32}, {0.016, 0.08, 0.248, 0.43}};
constexpr cp_row k_sub_straight[6] = {{0.024, 0.02, 0.084, 0.25}, {0.02, 0.05, 0.12, 0.28},
                                      {0.02, 0.05, 0.124, 0.3},   {0.012, 0.03, 0.146, 0.32},
                                      {0.012, 0.03, 0.17, 0.35},  {0.01, 0.05, 0.25, 0.45}};
// Supersonic centre of pressure: subsonic and supersonic leading edge.
constexpr cp_row k_sup_subsonic_edge[6] = {{0.17, 0.052, 0.165, 0.17}, {0.15, 0.04, 0.204, 0.2},
                                           {0.15, 0.05, 0.204, 0.23},  {0.15, 0.05, 0.204, 0.23},
                                           {0.2, 0.03, 0.226, 0.25},   {0.1, 0.01, 0.258, 0.36}};
constexpr cp_row k_sup_supersonic_edge[6] = {{0.05, 0.024, 0.11, 0.35}, {0.1, 0.03, 0.15, 0.35},
                                             {0.1, 0.03, 0.16, 0.35},   {0.1, 0.03, 0.17, 0.4},
                                             {0.1, 0.025, 0.19, 0.45},  {0.1, 0.02, 0.305, 0.47}};
// Slope of a low-aspect set (aspect ratio times sweep below 2), per unit aspect ratio.
constexpr double k_low_slope[6] = {1.5, 1.6, 1.6, 1.6, 1.55, 1.5};

// Normal-force slope (before the exposed-area factor) of a set whose leading edge lies inside
// the Mach cone; r1 = B' / tan(sweep), y = aspect ratio times tan(sweep).
double subsonic_edge_slope(int band, double y, double r1, double tl, double aspect) {
    if (y < 2.0) return k_low_slope[band] * aspect;
    double n = 0.0;
    double cap = -1.0;  // none
    switch (band) {
        case 0:
            n = (y - 2.0) * 0.25 + 3.5 + 3.0 * (1.0 - r1);
            cap = 6.25;
            break;
        case 1:
            n = 1.75 * (1.0 - r1) + (y - 2.0) / 3.2 + 3.5;
            cap = (y - 2.0) * 0.25 + 4.75;
            break;
        case 2:
            n = 1.5 * (1.0 - r1) + (y - 2.0) / 2.66 + 3.25;
            cap = (y - 2.0) / 2.285 + 4.0;
            break;
        case 3:
            n = 1.5 * (1.0 - r1) + (y - 2.0) / 2.66 + 3.25;
            cap = (y - 2.0) / 3.2 + 4.25;
            break;
        case 4:
            n = 1.5 * (1.0 - r1) + (y - 2.0) / 2.28 + 3.0;
            cap = (y - 2.0) / 2.66 + 3.75;
            break;
        default:
            n = (y - 2.0) / 2.66 + 3.0;
            break;
    }
    if (cap >= 0.0 && n > cap) n = cap;  // n here is the slope times tan(sweep)
    return n / tl;
}

// Sonic-edge value K of a set whose leading edge lies outside the Mach cone.
double sonic_edge_value(int band, double y, double tl, double aspect) {
    if (y < 2.0) return k_low_slope[band] * aspect * tl;
    switch (band) {
        case 0: return (y - 2.0) * 0.25 + 3.5;
        case 1: return (y - 2.0) / 3.2 + 3.5;
        case 2:
        case 3: return (y - 2.0) / 2.66 + 3.25;
        case 4: return (y - 2.0) / 2.28 + 3.0;
        default: return (y - 2.0) / 2.66 + 3.0;
    }
}

float to_float(double v) { return static_cast<float>(v); }

}  // namespace

aero_config::aero_config() {
    type = FRAME_AERO_CONFIG;
    copy_text(name, "New Config");
    for (int s = 0; s < aero_max_wing_sets; ++s) {
        CR[s] = 20.0f;
        CT[s] = 9.0f;
        HR[s] = 20.0f;
        B[s] = 37.0f;
        TC[s] = 0.1f;
        XW[s] = k_default_xw[s];
        FLGW[s] = 0;
    }
    CT[1] = 2.0f;
    B[1] = 34.0f;
    FLGW[1] = 1;
    build_geometry();
}

void aero_config::solve_nose_arcs() {
    // Finds where the spherical cap of diameter DS meets an ogive that runs tangentially into
    // the cylinder within the nose length; t is the sine of the cap's half angle.
    double t = 0.01;
    double cap = 0.0, ogive = 0.0;
    for (int iteration = 0; iteration < 30; ++iteration) {
        const double c = std::sqrt(1.0 - t * t);
        cap = DS / (2.0 * c);
        ogive = (DC - DS) / (2.0 * (1.0 - c));
        const double r = (LN - cap) / (ogive - cap) - t;
        if (std::fabs(r) < 1e-5) break;
        t -= r / 2.0;
        // A nose cap nearly as wide as the body can push t out of the unit range; keep it a
        // sine so the next step stays defined.
        if (!std::isfinite(t)) t = 0.5;
        t = std::clamp(t, 1e-4, 0.9999);
    }
    cap_radius = to_float(cap);
    ogive_radius = to_float(ogive);
}

void aero_config::clamp_dimensions() {
    DC = std::max(DC, 1.0f);
    DS = std::max(0.1f, std::min(DS, DC - 0.1f));
    DB = std::max(DB, 0.1f);
    LN = std::min(LN, 10.0f * (DC - DS));
    if (DC > LN) LN = DC;
    LT = std::min(LT, 10.0f * DC);
    if (std::fabs(DC - DB) > LT) LT = std::fabs(DC - DB);
    LC = std::max(LC, 0.0f);  // a negative cylinder would fold the body onto itself
    body_length = LN + LC + LT;
    CG = std::max(0.0f, std::min(CG, body_length));

    NW = std::clamp(NW, 0, aero_max_wing_sets);
    for (int s = 0; s < NW; ++s) {
        CR[s] = std::min(std::max(CR[s], 0.1f), body_length);
        CT[s] = std::min(std::max(CT[s], 0.1f), body_length);
        HR[s] = std::min(std::max(HR[s], 0.1f), body_length);
        B[s] = std::min(std::max(B[s], DC), 2.0f * body_length);
        TC[s] = std::max(0.01f, std::min(TC[s], 0.1f));
        XW[s] = std::max(0.0f, std::min(XW[s], body_length));
    }

    solve_nose_arcs();

    float widest = DC;
    for (int s = 0; s < NW; ++s) widest = std::max(widest, B[s]);
    box_min = {-0.005f * widest, -0.005f * widest, -0.005f * body_length};
    box_max = {0.005f * widest, 0.005f * widest, 0.005f * body_length};
    bounding_radius = 0.005f * body_length;
    base_box = {box_min, box_max};
    box = base_box;
    base_radius = bounding_radius;
    radius = bounding_radius;
}

namespace {

// What every slot computation shares: the air, the body and the used wing sets.
struct slot_inputs {
    atmosphere air;
    body_geometry body;
    int sets;
    wing_geometry wing[aero_max_wing_sets];

    double reynolds(double mach, double length) const {
        return air.density * mach * air.sound_speed * length / air.viscosity;
    }
};

// Slots 1 to 6: subsonic flow.
void compute_subsonic_slot(aero_config& c, const slot_inputs& in, int k) {
    const body_geometry& g = in.body;
    const double m = k / 10.0;
    const double beta = std::sqrt(1.0 - m * m);
    const double base_ratio = g.DB / g.DC;
    const double friction =
        skin_friction(in.reynolds(m, g.L)) * 1.02 * g.form_factor * g.wetted_area / g.reference_area;
    const double base = 0.029 * base_ratio * base_ratio * base_ratio / std::sqrt(friction);
    c.cd_base.slot[k] = to_float(base);
    c.cd0_body.slot[k] = to_float(friction + base);
    c.cn_alpha_nose.slot[k] = to_float(2.0 * (1.0 - std::exp(-(g.LN + g.LC) / (3.0 * g.DC))));
    c.xcp_nose.slot[k] = to_float(0.66 * g.LN);
    c.cn_alpha_tail.slot[k] = to_float(-2.0 * base_ratio * base_ratio * (1.0 - base_ratio * base_ratio));
    c.xcp_tail.slot[k] = to_float(g.LN + g.LC + 0.6 * g.LT);

    double fin_drag = 0.0;
    for (int s = 0; s < in.sets; ++s) {
        const wing_geometry& w = in.wing[s];
        const int band = taper_band(w.taper);
        // At beta equal to the sweep both charts meet; the swept chart takes that point.
        const double cp = beta <= w.tan_leading
                              ? chart_value(k_sub_swept[band], w.x, 1.0 - beta / w.tan_leading)
                              : chart_value(k_sub_straight[band], w.x, w.tan_leading / beta);
        const double a = w.aspect_ratio;
        const double lift_slope =
            6.283 * a / (std::sqrt(a * a * (w.tan_mid * w.tan_mid + beta * beta) + 4.0) + 2.0);
        const double carry = (1.0 + g.DC / w.span) * (1.0 + g.DC / w.span);
        c.xcp_wing[s].slot[k] = to_float(w.location + cp * w.root_chord_exposed + w.tan_leading * g.DC / 2.0);
        c.cn_alpha_wing[s].slot[k] = to_float(carry * lift_slope * w.exposed_area / g.reference_area);
        const double cf = skin_friction(in.reynolds(m, w.mean_chord));
        const double tc = w.thickness;
        fin_drag += 2.0 * cf * (1.0 + 2.0 * tc + 100.0 * tc * tc * tc * tc) * w.exposed_area / g.reference_area;
    }
    c.cd0_wings.slot[k] = to_float(fin_drag);
}

// Zero-lift drag of the body above Mach 1.2: friction, nose and boat-tail wave drag,
// bluntness and base drag.
void compute_supersonic_body_drag(aero_config& c, const slot_inputs& in, int k) {
    const body_geometry& g = in.body;
    const double m = k / 10.0;
    const double bp = std::sqrt(m * m - 1.0);
    const double base_ratio = g.DB / g.DC;
    const double cap_ratio = g.DS / g.DC;
    const double factor = m < 2.5 ? 0.92 - 0.16 * (m - 1.0) : 0.68 - 0.12 * (m - 1.0);
    const double friction = skin_friction(in.reynolds(m, g.L)) * 1.02 * factor * g.wetted_area / g.reference_area;

    const double e1 = -(3.5 / (2.0 * g.LN / (g.DC * bp)) + 1.0);
    const double p1 = std::pow(2.0, e1);
    const double nose_wave = 4.8 / (1.0 - p1) * (std::pow(1.0 + cap_ratio * cap_ratio, e1) - p1) *
                             std::pow(g.DC / (2.0 * g.LN), 2.0);
    const double bluntness =
        0.5 * (1.0 + std::pow(m - 1.0, 0.38)) *
        ((1.0 - cap_ratio) * (m - 1.0) / ((g.LN + g.DS) / g.DC + 3.0) + 0.1 * (m - 1.25) + 0.75) *
        std::pow(cap_ratio, 2.8);
    // Without a boat tail there is no boat-tail wave drag (the formula would be 0 / 0).
    double tail_wave = 0.0;
    if (g.LT > 0.0) {
        const double e2 = -(3.5 / (2.0 * g.LT / (g.DC * bp)) + 1.0);
        const double p2 = std::pow(2.0, e2);
        tail_wave = 4.8 / (1.0 - p2) * (std::pow(1.0 + base_ratio * base_ratio, e2) - p2) *
                    std::pow(g.DC / (2.0 * g.LT), 2.0);
    }
    const double base =
        (0.22 / std::pow(m, 0.7) - (1.0 - base_ratio) * std::exp(-2.0 * (m - 1.0))) * base_ratio * base_ratio;
    c.cd_base.slot[k] = to_float(base);
    c.cd0_body.slot[k] = to_float(friction + nose_wave + bluntness + tail_wave + base);
}

// Normal-force slopes and centres of pressure of the nose and the boat tail above Mach 1.2.
void compute_supersonic_body_lift(aero_config& c, const slot_inputs& in, int k) {
    const body_geometry& g = in.body;
    const double m = k / 10.0;
    const double bp = std::sqrt(m * m - 1.0);
    const double base_ratio = g.DB / g.DC;
    const double cap_ratio = g.DS / g.DC;
    const double n = bp * g.DC / g.LN;
    const double c_len = g.LC / (bp * g.DC);
    double nose_slope, nose_cp;
    if (n <= 0.25) {
        nose_slope = 2.0 * (1.0 + n);
        nose_cp = (1.6 * n + 0.1) * g.LN;
    } else {
        const double gn = n <= 1.0 ? (n - 0.25) * 0.5 : (n - 1.0) * 0.2 + 0.5;
        nose_slope = 1.1 * std::pow(n - 0.25, 0.55) * (1.0 - std::exp(-0.5 * c_len)) + 2.5;
        nose_cp = ((1.0 - std::exp(-c_len / 1.2)) * gn + 0.5) * g.LN;
    }
    if (cap_ratio > 0.1) {  // blunt nose
        nose_cp = ((9.0 - g.LN / g.DC) * 0.005 + 0.5 - 0.3 * cap_ratio) * g.LN;
        nose_slope = 2.4 - 1.25 * cap_ratio;
    }
    c.cn_alpha_nose.slot[k] = to_float(nose_slope);
    c.xcp_nose.slot[k] = to_float(nose_cp);
    c.cn_alpha_tail.slot[k] = to_float(-2.0 * (1.0 - base_ratio * base_ratio) * (1.0 - std::exp(-g.LT / (0.7 * bp))));
    c.xcp_tail.slot[k] = to_float(((g.LT / (bp * g.DC) - 1.0) * (0.02 * base_ratio - 0.064) + 0.125 * base_ratio + 0.54) *
                                      g.LT + g.LN + g.LC);
}

// The wing sets above Mach 1.2, by whether each leading edge lies inside the Mach cone.
void compute_supersonic_wings(aero_config& c, const slot_inputs& in, int k) {
    const body_geometry& g = in.body;
    const double m = k / 10.0;
    const double bp = std::sqrt(m * m - 1.0);
    double fin_drag = 0.0;
    for (int s = 0; s < in.sets; ++s) {
        const wing_geometry& w = in.wing[s];
        const int band = taper_band(w.taper);
        const double tl = w.tan_leading;
        const double y = w.aspect_ratio * tl;
        const double r1 = bp / tl;
        double slope, cp;
        // At B' equal to the sweep both charts give the same slope; the subsonic-edge chart
        // takes that point.
        if (r1 <= 1.0) {
            slope = subsonic_edge_slope(band, y, r1, tl, w.aspect_ratio);
            cp = chart_value(k_sup_subsonic_edge[band], w.x, r1);
        } else {
            const double r2 = tl / bp;
            const double sonic = sonic_edge_value(band, y, tl, w.aspect_ratio);
            slope = ((4.0 - sonic) * (1.0 - r2) + sonic) / bp;
            cp = chart_value(k_sup_supersonic_edge[band], w.x, 1.0 - r2);
        }
        slope *= w.exposed_area / g.reference_area;
        const double carry = (1.0 + g.DC / w.span) * (1.0 + g.DC / w.span);
        c.xcp_wing[s].slot[k] = to_float(w.location + cp * w.root_chord_exposed + tl * g.DC / 2.0);
        c.cn_alpha_wing[s].slot[k] = to_float(carry * slope);
        const double cf = skin_friction(in.reynolds(m, w.mean_chord));
        const double tc = w.thickness;
        fin_drag += ((1.0 + 2.0 * tc) * 2.0 * cf + 4.0 * tc * tc / bp) * w.exposed_area / g.reference_area;
    }
    c.cd0_wings.slot[k] = to_float(fin_drag);
}

// Slots 7 to 11: a smooth S-shaped blend from slot 6 (Mach 0.6) to slot 12 (Mach 1.2).
void blend_transonic(mach_table& t) {
    for (int k = k_last_subsonic + 1; k < k_first_supersonic; ++k) {
        const double m = k / 10.0;
        const double w = 1.0 + std::sin(3.1415 * (m - 0.6) / 0.6 - 1.57);
        t.slot[k] = to_float(t.slot[k_last_subsonic] + 0.5 * w * (t.slot[k_first_supersonic] - t.slot[k_last_subsonic]));
    }
}

// The whole airframe: total slope, centre of pressure and the moment slopes about the centre
// of gravity, for every slot.
void compute_totals(aero_config& c, int sets, double cg, double diameter) {
    int control_set = -1;  // the last control surface set, if any
    for (int s = 0; s < sets; ++s) {
        if (c.FLGW[s] >= 1) control_set = s;
    }
    c.xcp_min = 1e6f;
    c.xcp_max = -1e6f;
    for (int k = 1; k <= mach_table_last; ++k) {
        const double nose = c.cn_alpha_nose.slot[k], tail = c.cn_alpha_tail.slot[k];
        double sum = nose + tail;
        double moment_tip = nose * c.xcp_nose.slot[k] + tail * c.xcp_tail.slot[k];
        double moment_cg = (cg - c.xcp_nose.slot[k]) * nose + (cg - c.xcp_tail.slot[k]) * tail;
        for (int s = 0; s < sets; ++s) {
            // An empirical 0.8 on every set for its losses against the body and the other sets.
            c.cn_alpha_wing[s].slot[k] = to_float(c.cn_alpha_wing[s].slot[k] * 0.8);
            const double slope = c.cn_alpha_wing[s].slot[k];
            sum += slope;
            moment_tip += slope * c.xcp_wing[s].slot[k];
            moment_cg += (cg - c.xcp_wing[s].slot[k]) * slope;
        }
        c.cn_alpha_total.slot[k] = to_float(sum);
        // A blunt nose against a long narrowing tail can cancel the total slope; the centre of
        // pressure is then undefined and the nose's stands for it.
        c.xcp_total.slot[k] = to_float(std::fabs(sum) > 1e-6 ? moment_tip / sum : c.xcp_nose.slot[k]);
        c.cm_alpha.slot[k] = to_float(moment_cg / diameter);
        c.cm_delta.slot[k] =
            control_set < 0 ? 0.0f
                            : to_float((cg - c.xcp_wing[control_set].slot[k]) * c.cn_alpha_wing[control_set].slot[k] /
                                       diameter);
        c.xcp_min = std::min(c.xcp_min, c.xcp_total.slot[k]);
        c.xcp_max = std::max(c.xcp_max, c.xcp_total.slot[k]);
    }
}

}  // namespace

void aero_config::compute_coefficients(float altitude) {
    slot_inputs in{};
    in.air = standard_atmosphere(altitude);
    in.body = make_body(*this);
    in.sets = std::clamp(NW, 0, aero_max_wing_sets);
    for (int s = 0; s < in.sets; ++s) in.wing[s] = make_wing(*this, s, in.body.DC);
    for (int s = in.sets; s < aero_max_wing_sets; ++s) {  // unused sets hold no stale values
        cn_alpha_wing[s].clear();
        xcp_wing[s].clear();
    }
    reference_area = to_float(in.body.reference_area);
    mass_estimate = to_float(in.body.reference_area * in.body.L * 2000.0);

    for (int k = 1; k <= k_last_subsonic; ++k) compute_subsonic_slot(*this, in, k);
    for (int k = k_first_supersonic; k <= mach_table_last; ++k) {
        compute_supersonic_body_drag(*this, in, k);
        compute_supersonic_body_lift(*this, in, k);
        compute_supersonic_wings(*this, in, k);
    }
    for (mach_table* t : {&cd0_body, &cd_base, &cd0_wings, &cn_alpha_nose, &xcp_nose, &cn_alpha_tail, &xcp_tail}) {
        blend_transonic(*t);
    }
    for (int s = 0; s < in.sets; ++s) {
        blend_transonic(cn_alpha_wing[s]);
        blend_transonic(xcp_wing[s]);
    }
    compute_totals(*this, in.sets, in.body.CG, in.body.DC);
    gather_flight_slots();
}

void aero_config::gather_flight_slots() {
    for (int k = 0; k < mach_table_size; ++k) {
        flight_slot& f = flight_[k];
        f.drag_coasting = cd0_wings.slot[k] + cd0_body.slot[k];
        f.drag_burning = f.drag_coasting - cd_base.slot[k];
        f.cn_alpha = cn_alpha_total.slot[k];
        const float moment = cm_alpha.slot[k];
        const float control = cm_delta.slot[k];
        if (moment == 0.0f) {
            f.trim_alpha = control == 0.0f ? 0.0f : 0.5f;
        } else {
            f.trim_alpha = std::min(0.5f, std::fabs(0.25f * control / moment));
        }
    }
}

void aero_config::get_coefficients(float mach, bool motor_burning, float& drag_coefficient, float& cn_alpha,
                                   float& trim_alpha) const {
    const mach_position p = locate_mach(mach);
    const flight_slot& i = flight_[p.i];
    const flight_slot& j = flight_[p.j];
    // While the motor burns the exhaust fills the base: no base drag.
    const float drag_i = motor_burning ? i.drag_burning : i.drag_coasting;
    const float drag_j = motor_burning ? j.drag_burning : j.drag_coasting;
    drag_coefficient = (1.0f - p.f) * drag_i + p.f * drag_j;
    cn_alpha = (1.0f - p.f) * i.cn_alpha + p.f * j.cn_alpha;
    trim_alpha = i.trim_alpha;
}

bool aero_config::load(const char* design_name) {
    design_path path;
    if (!make_design_path("configs", design_name, &path)) return false;
    definition_reader in;
    if (!in.open_whole(path.file)) return false;
    int set = 0;
    bool overflow_logged = false;
    while (in.next_line()) {
        if (in.has("[DS]")) DS = in.real(DS);
        if (in.has("[DC]")) DC = in.real(DC);
        if (in.has("[DB]")) DB = in.real(DB);
        if (in.has("[LN]")) LN = in.real(LN);
        if (in.has("[LC]")) LC = in.real(LC);
        if (in.has("[LT]")) LT = in.real(LT);
        if (in.has("[CG]")) CG = in.real(CG);
        if (in.has("[NW]")) {
            NW = in.whole(NW);
            in.bound("[NW]", NW, 0, aero_max_wing_sets);
        }
        const bool wing_key = in.has("[CR]") || in.has("[CT]") || in.has("[HR]") || in.has("[B]") ||
                              in.has("[TC]") || in.has("[XW]") || in.has("[FLGW]");
        if (!wing_key) continue;
        if (set >= aero_max_wing_sets) {
            if (!overflow_logged) log_line_once("%s: wing sets beyond %d ignored", path.file.c_str(), aero_max_wing_sets);
            overflow_logged = true;
            continue;
        }
        if (in.has("[CR]")) CR[set] = in.real(CR[set]);
        if (in.has("[CT]")) CT[set] = in.real(CT[set]);
        if (in.has("[HR]")) HR[set] = in.real(HR[set]);
        if (in.has("[B]")) B[set] = in.real(B[set]);
        if (in.has("[TC]")) TC[set] = in.real(TC[set]);
        if (in.has("[XW]")) XW[set] = in.real(XW[set]);
        if (in.has("[FLGW]")) {
            FLGW[set] = in.whole(FLGW[set]);
            ++set;  // each wing-set record ends with its flag line
        }
    }
    if (!in.took_values()) return false;
    // Physical ranges first (10 m across, 100 m along), so that nothing derived overflows;
    // clamp_dimensions then fits the parts to each other.
    in.bound("[DS]", DS, 0.1f, k_max_diameter);
    in.bound("[DC]", DC, 1.0f, k_max_diameter);
    in.bound("[DB]", DB, 0.1f, k_max_diameter);
    in.bound("[LN]", LN, 0.0f, k_max_length);
    in.bound("[LC]", LC, 0.0f, k_max_length);
    in.bound("[LT]", LT, 0.0f, k_max_length);
    in.bound("[CG]", CG, 0.0f, 3.0f * k_max_length);
    for (int s = 0; s < NW; ++s) {
        in.bound("[CR]", CR[s], 0.1f, 3.0f * k_max_length);
        in.bound("[CT]", CT[s], 0.1f, 3.0f * k_max_length);
        in.bound("[HR]", HR[s], 0.1f, 3.0f * k_max_length);
        in.bound("[B]", B[s], 0.0f, 6.0f * k_max_length);
        in.bound("[TC]", TC[s], 0.01f, 0.1f);
        in.bound("[XW]", XW[s], 0.0f, 3.0f * k_max_length);
        in.bound("[FLGW]", FLGW[s], 0, 1);
    }
    build_geometry();
    copy_text(name, path.name);
    return true;
}

bool aero_config::save(const char* design_name) {
    design_path path;
    if (!make_design_path("configs", design_name, &path)) return false;
    copy_text(name, path.name);
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("Aero Config Definition File");
    out.blank();
    out.real(DS, "[DS]");
    out.real(DC, "[DC]");
    out.real(DB, "[DB]");
    out.real(LN, "[LN]");
    out.real(LC, "[LC]");
    out.real(LT, "[LT]");
    out.real(CG, "[CG]");
    out.blank();
    const int sets = std::clamp(NW, 0, aero_max_wing_sets);
    out.whole(sets, "[NW]");
    out.blank();
    for (int s = 0; s < sets; ++s) {
        out.real(CR[s], "[CR]");
        out.real(CT[s], "[CT]");
        out.real(HR[s], "[HR]");
        out.real(B[s], "[B]");
        out.real(TC[s], "[TC]");
        out.real(XW[s], "[XW]");
        out.whole(FLGW[s], "[FLGW]");
        out.blank();
    }
    for (const char* line :
         {"@", "AERO CONFIG DATA UNITS", "", "DIMETER OF SPHERE SECTION (cm)", "DIAMETER OF CYLINDER SECTION (cm)",
          "DIAMETER OF BASE SECTION (cm)", "LENGTH OF NOSE SECTION (cm)", "LENGTH OF CYLINDER SECTION (cm)",
          "LENGTH OF BOAT TAIL SECTION (cm)", "", "NUMBER OF WING SETS", "", "ROOT CHORD OF WING SET (cm)",
          "TIP CHORD OF WING SET (cm)", "LENGTH OF WING SET (cm)", "SPAN OF WING SET (cm)",
          "THICKNESS RATIO OF WING SET", "LOCATION OF WING SET (cm)", "FLAGS (0 - STATIC, 1 - CONTROL)", ""}) {
        out.text(line);
    }
    return out.close();
}
