#include "simulation/warhead.h"

#include <algorithm>
#include <cmath>

#include "platform/program_rand.h"
#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

namespace {

constexpr double k_pi_d = 3.14159265358979323846;
constexpr double k_degrees_per_radian = 57.29578;
constexpr double k_explosive_density = 2.0;  // g/cm³
constexpr double k_steel_density = 8.0;      // g/cm³

// Volume in cm³ of a frustum of the given length between end diameters a and b.
double frustum_volume(double length, double a, double b) {
    return k_pi_d * length * (a * a + a * b + b * b) / 12.0;
}

float bounded(float value, float low, float high) { return std::min(std::max(value, low), high); }

}  // namespace

warhead::warhead() {
    type = FRAME_WARHEAD;
    copy_text(name, "New Warhead");
    for (float& angle : fragment_angles) {
        angle = static_cast<float>(program_rand()) / 32767.0f * static_cast<float>(2.0 * k_pi_d);
    }
    compute(true);
}

float warhead::smart_fuse_delay(float closing_speed_now) const {
    const double radial_speed = static_cast<double>(fragment_speed) + radial_speed_offset;
    // Without a closing speed or with fragments that do not fly out there is nothing to wait
    // for: the warhead goes off at once.
    if (closing_speed_now <= 0.0f || radial_speed <= 0.0) return 0.0f;
    const double theta = fuse_angle / k_degrees_per_radian;
    const double d = miss_distance;
    const double delay = (((std::tan(theta) - 0.5 * ER) * d + 0.01 * target_length) / closing_speed_now -
                          d / radial_speed) * 1000.0;
    return static_cast<float>(std::max(0.0, delay));
}

void warhead::compute_performance() {
    TH = std::max(TH, 0.1f);
    LN = std::max(LN, 1.0f);
    DC = std::max(DC, 2.0f * TH);
    DS = std::max(DS, 2.0f * TH);

    GC = bounded(GC, 2000.0f, 3000.0f);
    KC = bounded(KC, 0.25f, 0.75f);
    fragment_mass = bounded(fragment_mass, 1.0f, 250.0f);
    CD = bounded(CD, 0.1f, 1.0f);
    ER = bounded(ER, 0.05f, 0.5f);
    KT = bounded(KT, 1.0f, 250.0f);

    fuse_offset = bounded(fuse_offset, -250.0f, 250.0f);
    closing_speed = bounded(closing_speed, 100.0f, 2000.0f);
    fuse_delay = bounded(fuse_delay, 0.0f, 100.0f);
    target_length = bounded(target_length, 10.0f, 500.0f);
    fuse_angle = bounded(fuse_angle, 0.0f, 80.0f);

    const double inner = frustum_volume(LN, DS - 2.0 * TH, DC - 2.0 * TH);
    const double outer = frustum_volume(LN, DS, DC);
    explosive_mass = static_cast<float>(k_explosive_density * inner * 0.001);
    case_mass = static_cast<float>((outer - inner) * k_steel_density * 0.001);

    // Gurney: charge-to-metal ratio, with the case mass as divisor never below 0.1 kg.
    const double ratio = explosive_mass / std::max(static_cast<double>(case_mass), 0.1);
    fragment_speed = static_cast<float>(GC * std::sqrt(ratio / (1.0 + KC * ratio)));

    const double m = fragment_mass;  // g
    fragment_size = static_cast<float>(std::pow(m * 0.125, 0.33333));  // steel cube, cm
    fragment_area = fragment_size * fragment_size * 0.0001f;
    fragment_count = static_cast<float>(case_mass / (m * 0.001));

    taper = (DC - DS) * 0.5f / LN;
    fragment_axial_speed = taper * fragment_speed + closing_speed;
    effects.fragment_energy = static_cast<float>(m * 0.5 * 0.001 * fragment_speed * fragment_speed);

    // Kill distance: the N fragments spread over the band 2 pi R (L + ER R); R is where their
    // density falls to the kill threshold.
    const double length = LN * 0.01;
    const double spread = fragment_count / (2.0 * k_pi_d * KT);
    const double r = (std::sqrt(length * length + 4.0 * ER * spread) - length) / (2.0 * ER);
    kill_distance = static_cast<float>(r);

    // A warhead without explosive throws nothing: no flight time to wait for.
    warhead_delay = fragment_speed > 0.0f ? static_cast<float>(r * 1000.0 / fragment_speed) : 0.0f;
    fuse_range = static_cast<float>(r / std::cos(fuse_angle / k_degrees_per_radian));
    miss_distance = std::max(std::min(miss_distance, kill_distance), 0.5f);
    if (smart_delay) fuse_delay = smart_fuse_delay(closing_speed);
}

void warhead::effects_at_distance(float distance) {
    const double d = distance;
    const double length = LN * 0.01;
    effects = blast_results{};
    if (explosive_mass > 0.0f && d > 0.0) {
        // Hopkinson-Cranz scaled distance and fitted blast curves.
        const double z = d * std::pow(static_cast<double>(explosive_mass), -0.3333);
        effects.scaled_distance = static_cast<float>(z);
        effects.over_pressure = static_cast<float>(0.002 / z + 1.2 / (z * z) + 2.0 / (z * z * z) + 35.0 / (z * z * z * z));
        effects.dynamic_pressure = static_cast<float>(11.8 / z + 1.0 / (z * z) + 200.0 / (z * z * z));
        const double speed =
            fragment_speed * std::exp(-1.2 * fragment_area * z * CD / (2.0 * fragment_mass * 0.001));
        effects.fragment_speed = static_cast<float>(speed);
        effects.fragment_energy = static_cast<float>(fragment_mass * 0.5 * 0.001 * speed * speed);
    }
    if (d > 0.0) {
        effects.fragment_density =
            static_cast<float>(fragment_count / ((d * ER + length) * 2.0 * k_pi_d * d));
    }
}

bool warhead::test_fragment_hit(float vm, float vt, float aspect) {
    const double a = aspect;
    closing_speed = static_cast<float>(vt * std::cos(a) + vm);
    if (smart_delay) fuse_delay = smart_fuse_delay(closing_speed);
    // A warhead without explosive throws no fragments: always a miss.
    if (fragment_speed <= 0.0f) return false;

    const double theta = fuse_angle / k_degrees_per_radian;
    const double d = miss_distance;
    const double half_width = 0.5 * ER * d;
    const double t = (d * 1000.0 / fragment_speed + fuse_delay) * 0.001;  // fuse signal to arrival, s
    const double target_along = std::tan(theta) * d + 0.01 * fuse_offset - std::cos(a) * vt * t;
    const double target_lateral = d - std::sin(a) * vt * t;
    const double spray_along = target_lateral * taper + vm * t;
    return spray_along - half_width <= target_along && target_along <= spray_along + half_width + 0.01 * LN;
}

bool warhead::load(const char* design_name) {
    design_path path;
    if (!make_design_path("warheads", design_name, &path)) return false;
    definition_reader in;
    if (!in.open_whole(path.file)) return false;
    while (in.next_line()) {
        if (in.has("[DS]")) DS = in.real(DS);
        if (in.has("[DC]")) DC = in.real(DC);
        if (in.has("[TH]")) TH = in.real(TH);
        if (in.has("[LN]")) LN = in.real(LN);
        if (in.has("[GC]")) GC = in.real(GC);
        if (in.has("[KC]")) KC = in.real(KC);
        if (in.has("[CD]")) CD = in.real(CD);
        if (in.has("[ER]")) ER = in.real(ER);
        if (in.has("[KT]")) KT = in.real(KT);
        if (in.has("[fragment_mass]")) fragment_mass = in.real(fragment_mass);
        if (in.has("[fuse_offset]")) fuse_offset = in.real(fuse_offset);
        if (in.has("[closing_speed]")) closing_speed = in.real(closing_speed);
        if (in.has("[fuse_delay]")) fuse_delay = in.real(fuse_delay);
        if (in.has("[target_length]")) target_length = in.real(target_length);
        if (in.has("[warhead_delay]")) warhead_delay = in.real(warhead_delay);
        if (in.has("[fuse_angle]")) fuse_angle = in.real(fuse_angle);
        if (in.has("[fuse_range]")) fuse_range = in.real(fuse_range);
        if (in.has("[smart_delay]")) smart_delay = in.flag(smart_delay);
    }
    if (!in.took_values()) return false;
    // Physical ranges (10 m across, 100 m long) and the ranges compute_performance keeps.
    in.bound("[DS]", DS, 0.0f, k_max_diameter);
    in.bound("[DC]", DC, 0.0f, k_max_diameter);
    in.bound("[TH]", TH, 0.1f, 0.5f * k_max_diameter);
    in.bound("[LN]", LN, 1.0f, k_max_length);
    in.bound("[GC]", GC, 2000.0f, 3000.0f);
    in.bound("[KC]", KC, 0.25f, 0.75f);
    in.bound("[CD]", CD, 0.1f, 1.0f);
    in.bound("[ER]", ER, 0.05f, 0.5f);
    in.bound("[KT]", KT, 1.0f, 250.0f);
    in.bound("[fragment_mass]", fragment_mass, 1.0f, 250.0f);
    in.bound("[fuse_offset]", fuse_offset, -250.0f, 250.0f);
    in.bound("[closing_speed]", closing_speed, 100.0f, 2000.0f);
    in.bound("[fuse_delay]", fuse_delay, 0.0f, 100.0f);
    in.bound("[target_length]", target_length, 10.0f, 500.0f);
    in.bound("[fuse_angle]", fuse_angle, 0.0f, 80.0f);
    compute(true);
    copy_text(name, path.name);
    return true;
}

bool warhead::save(const char* design_name) {
    design_path path;
    if (!make_design_path("warheads", design_name, &path)) return false;
    copy_text(name, path.name);
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("Warhead Definition File");
    out.blank();
    out.real(DS, "[DS]");
    out.real(DC, "[DC]");
    out.real(TH, "[TH]");
    out.real(LN, "[LN]");
    out.real(GC, "[GC]");
    out.real(KC, "[KC]");
    out.real(CD, "[CD]");
    out.real(ER, "[ER]");
    out.real(KT, "[KT]");
    out.real(fragment_mass, "[fragment_mass]");
    out.blank();
    out.real(fuse_offset, "[fuse_offset]");
    out.real(closing_speed, "[closing_speed]");
    out.real(fuse_delay, "[fuse_delay]");
    out.real(target_length, "[target_length]");
    out.real(warhead_delay, "[warhead_delay]");
    out.real(fuse_angle, "[fuse_angle]");
    out.real(fuse_range, "[fuse_range]");
    out.flag(smart_delay != 0, "[smart_delay]");
    out.blank();
    for (const char* line :
         {"@", "warhead data units", "", "dimeter of front section (cm)", "diameter of base section (cm)",
          "thickness of metal case (cm)", "gurney constant (m/sec)", "explosive shape factor (cylinder 0.5)",
          "fragment cd", "framentation expasion ratio", "kill threshold (1/sqrm)", "fragment mass (g)",
          "fuse position relative to warhead (cm)", "closing speed between missile and target (m/sec)",
          "fuse delay (ms)", "length of target area (cm)", "time to reach kill distance (ms)",
          "fuse angle relative to vertical (deg)", "fuse detection range (m)"}) {
        out.text(line);
    }
    return out.close();
}
