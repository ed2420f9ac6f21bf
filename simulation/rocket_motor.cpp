#include "simulation/rocket_motor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "core/sound.h"
#include "core/sound_system.h"
#include "platform/text.h"
#include "simulation/definition_reader.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "rocket_motor";

namespace {

constexpr float k_pi_f = 3.1415926f;
constexpr float k_g0 = 9.81f;           // m/s², specific impulse to exhaust speed
constexpr float k_atm = 100000.0f;      // Pa per atmosphere as the motor file counts it
constexpr int k_segments = 18;          // 20 degrees per segment of every ring
constexpr int k_max_substeps = 16384;   // beyond this a tick's steps grow longer instead
// Cutting a step that would overshoot the chamber's equilibrium: a piece is kept only when
// k_piece_margin pieces of its length would still stay on their side (within about 1 % of a
// fine integration then); at most this many halvings of a piece and pieces in a step (the last
// takes the rest).
constexpr float k_piece_margin = 4.0f;
constexpr int k_max_halvings = 40;
constexpr int k_max_pieces = 256;

constexpr float k_sound_min_distance = 500.0f;  // m
constexpr const char* k_sound_files[4] = {"rocket1.wav", "shot.wav", "flight1.wav", "explode.wav"};

bool in_menu_mode() { return g_app != nullptr && g_app->menu_mode != 0; }
bool use_3d_smoke() { return g_app != nullptr && g_app->use_3d_smoke != 0; }

// A finite value inside [low, high]; a value that is not a number becomes low.
float guarded(float value, float low, float high) {
    if (!(value >= low)) return low;
    return std::min(value, high);
}

// Appends one ring section of a surface of revolution along z: 18 quads between radius r0 at
// z0 and r1 at z1 (z1 >= z0), normals pointing away from the axis (toward it when inside is
// set: the bore of a grain).
void add_ring(std::vector<motor_vertex>& out, float z0, float z1, float r0, float r1,
              float v0, float v1, bool inside) {
    const float slope = (z1 != z0) ? -(r1 - r0) / (z1 - z0) : 0.0f;
    const float sign = inside ? -1.0f : 1.0f;
    for (int k = 0; k < k_segments; ++k) {
        const float a0 = 2.0f * k_pi_f * static_cast<float>(k) / k_segments;
        const float a1 = 2.0f * k_pi_f * static_cast<float>(k + 1) / k_segments;
        const float u0 = static_cast<float>(k) / k_segments;
        const float u1 = static_cast<float>(k + 1) / k_segments;
        auto vertex = [&](float a, float r, float z, float u, float v) {
            motor_vertex m;
            m.position = {r * std::cos(a), r * std::sin(a), z};
            m.normal = normalize(vec3{std::cos(a), std::sin(a), slope}) * sign;
            m.u = u;
            m.v = v;
            return m;
        };
        const motor_vertex p00 = vertex(a0, r0, z0, u0, v0);
        const motor_vertex p10 = vertex(a1, r0, z0, u1, v0);
        const motor_vertex p01 = vertex(a0, r1, z1, u0, v1);
        const motor_vertex p11 = vertex(a1, r1, z1, u1, v1);
        // Clockwise seen from the side the normal faces (the device culls the other side).
        if (inside) {
            out.insert(out.end(), {p00, p01, p10, p10, p01, p11});
        } else {
            out.insert(out.end(), {p00, p10, p01, p10, p11, p01});
        }
    }
}

// An end face of a charge: the annulus between the two radii at z, facing along normal_z.
void add_annulus(std::vector<motor_vertex>& out, float z, float inner, float outer, float normal_z) {
    for (int k = 0; k < k_segments; ++k) {
        const float a0 = 2.0f * k_pi_f * static_cast<float>(k) / k_segments;
        const float a1 = 2.0f * k_pi_f * static_cast<float>(k + 1) / k_segments;
        auto vertex = [&](float a, float r) {
            motor_vertex m;
            m.position = {r * std::cos(a), r * std::sin(a), z};
            m.normal = {0.0f, 0.0f, normal_z};
            m.u = 0.5f + 0.5f * std::cos(a) * r / std::max(outer, 1e-6f);
            m.v = 0.5f + 0.5f * std::sin(a) * r / std::max(outer, 1e-6f);
            return m;
        };
        const motor_vertex i0 = vertex(a0, inner), i1 = vertex(a1, inner);
        const motor_vertex o0 = vertex(a0, outer), o1 = vertex(a1, outer);
        if (normal_z > 0.0f) {
            out.insert(out.end(), {i0, o0, i1, i1, o0, o1});
        } else {
            out.insert(out.end(), {i0, i1, o0, i1, o1, o0});
        }
    }
}

// Propellant of a whole grain in g (outer D, inner d, length L in cm, density g/cm³).
float grain_mass(int type, float D, float d, float L, float rho) {
    switch (type) {
    case 1:
    case 2:
    case 3:
    case 6:
        return k_pi_f / 4.0f * (D * D - d * d) * L * rho;
    case 4:
        return ((D * D - d * d) / 4.0f + D * L / 2.0f) * k_pi_f * rho * (D - d) / 2.0f;
    case 5:
        return ((D * D - d * d) / 4.0f + D * L) * k_pi_f * rho * (D - d) / 2.0f;
    default:
        return 0.0f;
    }
}

}  // namespace

hresult create_rocket_motor(frame* parent, rocket_motor** out) {
    return create_owned(parent, out);
}

rocket_motor::rocket_motor() {
    type = FRAME_ROCKET_MOTOR;
    copy_text(name, "New Motor");
    const float tail = -0.01f * overall_length;
    if (in_menu_mode()) {
        exhaust_params params;
        params.kind = EXHAUST_SMOKE;
        params.position = {0.0f, 0.0f, tail};
        params.size = chamber_diameter;
        params.size2 = chamber_diameter;
        params.count = 64;
        smoke = services().create_exhaust(this, params);
    } else if (use_3d_smoke()) {
        exhaust_params params;
        params.kind = EXHAUST_PLUME;
        params.position = {0.0f, 0.0f, tail};
        params.speed = -10.0f * chamber_diameter;
        params.size = 2.0f * chamber_diameter;
        plume = services().create_exhaust(this, params);
    }
    exhaust_params params;
    params.kind = EXHAUST_FLAME;
    params.colour = 0.5f;
    params.trail = (use_3d_smoke() || in_menu_mode()) ? 0 : 1;
    params.size = 0.005f * exit_diameter;
    params.position = {0.0f, 0.0f, -0.01f * (overall_length / 2.0f - exit_diameter)};
    flame = services().create_exhaust(this, params);
    if (flame != nullptr) {
        flame->local = mat_scaling(params.size, params.size, 5.0f * params.size) *
                       mat_translation(params.position);
        flame->has_scale = 1;
        flame->update_matrices();
    }
    for (int i = 0; i < 4; ++i) load_sound(i, k_sound_files[i]);
    build_casing();
    for (int i = 0; i < motor_max_charges; ++i) build_charge(i);
}

// The buffers go with the motor: they keep their device alive, so this is always safe.
rocket_motor::~rocket_motor() { stop_sounds(); }

void rocket_motor::load_sound(int i, const char* file) {
    if (!sound_available()) return;
    char path[64];
    format_text(path, "sounds\\%s", file);
    // A file that does not load is logged by the sound service; the motor stays silent.
    if (!g_sound->load_wave(path, &sounds_[i])) return;
    g_sound->set_volume(sounds_[i].get(), g_sound->volume_engine);
    check_result(sounds_[i]->set_min_distance(k_sound_min_distance), k_hr_source, __LINE__);
}

// ---- Design ----

void rocket_motor::guard_values() {
    charge_count = std::clamp(charge_count, 0, motor_max_charges);
    // Gamma 1 would make the expansion exponents infinite; real exhaust gases lie near 1.2.
    gamma = guarded(gamma, 1.05f, 1.67f);
    for (int i = 0; i < motor_max_charges; ++i) {
        // An exponent of 1 or more has no steady chamber pressure: it would grow without end.
        charge_exponent[i] = guarded(charge_exponent[i], 0.0f, 0.9f);
        charge_coefficient[i] = guarded(charge_coefficient[i], 0.0f, 200.0f);
        charge_isp[i] = guarded(charge_isp[i], 50.0f, 500.0f);
        charge_density[i] = guarded(charge_density[i], 0.5f, 5.0f);
        charge_length[i] = guarded(charge_length[i], 0.0f, k_max_length);
        charge_inner[i] = guarded(charge_inner[i], 0.0f, k_max_diameter);
        charge_outer[i] = guarded(charge_outer[i], 0.0f, k_max_diameter);
    }
    chamber_diameter = guarded(chamber_diameter, 0.1f, k_max_diameter);
    chamber_length = guarded(chamber_length, 0.1f, k_max_length);
    throat_diameter = guarded(throat_diameter, 0.01f, k_max_diameter);
    // A nozzle must widen past its throat: at an area ratio of 1 the expansion has no
    // supersonic branch and the thrust coefficient falls to nothing.
    exit_diameter = std::min(5.0f * throat_diameter, guarded(exit_diameter, throat_diameter + 0.1f, k_max_diameter));
    ignition_pressure = guarded(ignition_pressure, 2.0f, 200.0f);
}

void rocket_motor::clamp_dimensions() {
    guard_values();
    float lengths = 0.0f;
    for (int i = 0; i < charge_count; ++i) {
        charge_inner[i] = std::max(0.0f, charge_inner[i]);
        charge_length[i] = std::max(0.0f, charge_length[i]);
        charge_outer[i] = std::max(charge_inner[i], charge_outer[i]);
        chamber_diameter = std::max(chamber_diameter, charge_outer[i] + 0.1f);
        lengths += charge_length[i];
    }
    ignition_pressure = std::clamp(ignition_pressure, 2.0f, 200.0f);
    chamber_length = std::max({chamber_length, chamber_diameter, 0.5f + lengths});
    throat_diameter = std::min(chamber_diameter, std::max(0.02f * chamber_diameter, throat_diameter));
    exit_diameter = std::min(5.0f * throat_diameter, std::max(throat_diameter + 0.1f, exit_diameter));
}

void rocket_motor::build_casing(bool with_shapes) {
    if (!with_shapes) {
        compute_nozzle();
        return;
    }
    const float D = chamber_diameter, L = chamber_length, t = throat_diameter, e = exit_diameter;
    overall_length = D + L + 2.0f * e;
    struct section {
        float length, r0, r1;
    };
    const section sections[] = {
        {D / 4.0f, 0.0f, 0.375f * D},  {D / 4.0f, 0.375f * D, D / 2.0f},
        {L / 2.0f, D / 2.0f, D / 2.0f}, {L / 2.0f, D / 2.0f, D / 2.0f},
        {D / 2.0f, D / 2.0f, t / 2.0f}, {t / 4.0f, t / 2.0f, t / 2.0f},
        {1.5f * e, t / 2.0f, e / 2.0f},
    };
    casing_.clear();
    float z = -overall_length / 2.0f;
    for (const section& s : sections) {
        add_ring(casing_, z, z + s.length, s.r0, s.r1, z / overall_length,
                 (z + s.length) / overall_length, false);
        z += s.length;
    }

    if (flame != nullptr) {
        const float base = 0.005f * exit_diameter;
        flame->local = mat_scaling(base, base, 5.0f * base) *
                       mat_translation(0.0f, 0.0f, -0.01f * (overall_length / 2.0f - exit_diameter));
        flame->update_matrices();
    }
    if (plume != nullptr) {
        plume->set_position(0.0f, 0.0f, -0.01f * overall_length);
        services().set_exhaust_sizes(plume, 0.1f * chamber_diameter, 0.1f * chamber_diameter);
    }

    const vec3 half{0.005f * chamber_diameter, 0.005f * chamber_diameter, 0.005f * overall_length};
    base_box = {-half, half};
    box = base_box;
    base_radius = 0.005f * overall_length;
    radius = base_radius;
    compute_nozzle();
}

void rocket_motor::build_charge(int i) {
    if (i < 0 || i >= motor_max_charges) return;
    std::vector<motor_vertex>& out = charges_[i];
    out.clear();
    const float D = burn_outer[i], d = burn_inner[i], L = burn_length[i];
    if (!(D > d) || !(L > 0.0f)) return;  // burnt away
    add_ring(out, 0.0f, L, D / 2.0f, D / 2.0f, 0.0f, 1.0f, false);
    if (d > 0.0f) add_ring(out, 0.0f, L, d / 2.0f, d / 2.0f, 0.0f, 1.0f, true);
    add_annulus(out, 0.0f, d / 2.0f, D / 2.0f, -1.0f);
    add_annulus(out, L, d / 2.0f, D / 2.0f, 1.0f);
}

void rocket_motor::compute_nozzle() {
    guard_values();
    throat_area = k_pi_f / 4.0f * (0.01f * throat_diameter) * (0.01f * throat_diameter);
    exit_area = k_pi_f / 4.0f * (0.01f * exit_diameter) * (0.01f * exit_diameter);
    chamber_volume = 0.25f * 3.1415926e-5f * chamber_diameter * chamber_diameter * chamber_length;
    const float epsilon = exit_area / throat_area;
    const float g = gamma;
    gamma_function = std::sqrt(g) * std::pow(2.0f / (g + 1.0f), (g + 1.0f) / (2.0f * (g - 1.0f)));
    // The exit-to-chamber pressure ratio of the ideal expansion through this area ratio, by
    // bisection on the supersonic branch.
    float lo = 0.0f, hi = 1.0f, p = 0.5f;
    for (int step = 0; step < 25 && hi - lo > 1e-5f; ++step) {
        p = (lo + hi) / 2.0f;
        ideal_thrust_coefficient =
            gamma_function * std::sqrt(2.0f * g / (g - 1.0f) * (1.0f - std::pow(p, (g - 1.0f) / g)));
        expansion_ratio = gamma_function * gamma_function / (std::pow(p, 1.0f / g) * ideal_thrust_coefficient);
        if (expansion_ratio > epsilon) lo = p;
        if (epsilon > expansion_ratio) hi = p;
    }
    pressure_ratio = p;
    reset();
}

void rocket_motor::reset() {
    burn_out();
    propellant_total = 0.0f;
    for (int i = 0; i < motor_max_charges; ++i) {
        charge_group[i] = ignition_type == 1 ? i : 0;
        burn_outer[i] = charge_outer[i];
        burn_inner[i] = charge_inner[i];
        burn_length[i] = charge_length[i];
        charge_mass[i] = 0.0f;
        // Only the charges in use are propellant: the rest of the record is not in the motor.
        if (i >= charge_count) continue;
        const float D = charge_outer[i], d = charge_inner[i], L = charge_length[i];
        if (D > d && L > 0.0f) charge_mass[i] = grain_mass(charge_type[i], D, d, L, charge_density[i]);
        propellant_total += charge_mass[i];
    }
    propellant_total /= 1000.0f;
}

// ---- Burn ----

void rocket_motor::ignite() {
    paused = 0;
    running = 1;
    burnt_out = 0;
    burn_time = 0.0f;
    ignition_index = 0;
    exit_pressure = 0.0f;
    thrust = 0.0f;
    thrust_coefficient = ideal_thrust_coefficient;
    chamber_pressure = ignition_pressure * k_atm;
    play_sound(MOTOR_SOUND_IGNITION, false);
    play_sound(MOTOR_SOUND_BURNING, true);
}

void rocket_motor::burn_out() {
    burn_time = 0.0f;
    ignition_index = 0;
    thrust_coefficient = 0.0f;
    chamber_pressure = 0.0f;
    exit_pressure = 0.0f;
    thrust = 0.0f;
    propellant_remaining = 0.0f;
    paused = 0;
    running = 0;
    burnt_out = 1;
    stop_sound(MOTOR_SOUND_BURNING);
}

void rocket_motor::pause() {
    if (!running) return;
    paused = 1;
    stop_sound(MOTOR_SOUND_BURNING);
}

void rocket_motor::resume() {
    if (!running) return;
    paused = 0;
    play_sound(MOTOR_SOUND_BURNING, true);
}

void rocket_motor::start_flight_sound() {
    flight_sound = 1;
    play_sound(MOTOR_SOUND_FLIGHT, true);
}

void rocket_motor::stop_flight_sound() {
    flight_sound = 0;
    stop_sound(MOTOR_SOUND_FLIGHT);
}

void rocket_motor::play_explosion() { play_sound(MOTOR_SOUND_EXPLOSION, false); }

void rocket_motor::burn_step(float dt) {
    if (!(dt > 0.0f) || !std::isfinite(dt)) return;
    const int steps = std::clamp(static_cast<int>(std::ceil(dt / k_max_step)), 1, k_max_substeps);
    const float h = dt / static_cast<float>(steps);
    double impulse = 0.0;  // N s over the tick
    for (int k = 0; k < steps && !burnt_out; ++k) impulse += burn_split(h);
    // The tick's mean thrust: a wide throat empties the chamber within the tick, and its
    // blow-down counts as much as the thrust at the tick's end.
    if (running) thrust = static_cast<float>(impulse / dt);
    if (in_menu_mode()) show_static_firing();
}

grain_burn rocket_motor::grain_burn_of(int i, float pc) const {
    grain_burn g;
    const float D = burn_outer[i], d = burn_inner[i], L = burn_length[i];
    if (charge_group[i] != ignition_index || !(D > d && L > 0.0f)) return g;
    g.burning = true;
    g.rate = 0.1f * charge_coefficient[i] * std::pow(pc * 1e-6f, charge_exponent[i]);  // cm/s
    const float rho = charge_density[i];
    const float ring = (D * D - d * d) / 4.0f;
    const float tube = k_pi_f / 4.0f * (D * D - d * d) * L * rho;
    switch (charge_type[i]) {
    case 1:  // cigar: one end face
        g.area = k_pi_f * ring;
        g.counted = tube;
        break;
    case 2:  // tubular, outside and inside
        g.area = k_pi_f * ((d + D) * L + ring);
        g.counted = tube;
        break;
    case 3:  // tubular, inside only
        g.area = k_pi_f * (d * L + ring);
        g.counted = tube;
        break;
    case 4:  // slotted cylinder
        g.area = k_pi_f * (ring + D * L / 2.0f);
        g.counted = g.area * rho * (D - d) / 2.0f;
        break;
    case 5:  // star
        g.area = k_pi_f * (ring + D * L);
        g.counted = g.area * rho * (D - d) / 2.0f;
        break;
    case 6:  // tubular, outside only
        g.area = k_pi_f * (D * L + ring);
        g.counted = tube;
        break;
    default:
        break;
    }
    return g;
}

chamber_flow rocket_motor::flow_at(float pc, float cf, grain_burn* grains) const {
    chamber_flow f;
    for (int i = 0; i < charge_count; ++i) {
        const grain_burn g = grain_burn_of(i, pc);
        if (grains != nullptr) grains[i] = g;
        if (!g.burning) continue;
        const float q = g.rate * g.area;  // cm³/s
        const float rho = charge_density[i];
        f.volume_term += q * 1e-6f * pc;
        f.generated += q * rho * 0.001f;
        f.sum_c += charge_isp[i] * k_g0 / cf * 0.001f * q * rho;
    }
    return f;
}

float rocket_motor::pressure_rate(const chamber_flow& f, float pc) const {
    // (generated - throat_area pc / c) gamma_function² c² - W, written without dividing by c:
    // c is negative while the thrust coefficient is (a chamber barely above the ambient
    // pressure), and the square keeps the gas coming in.
    const float c = f.sum_c / std::max(0.1f, f.generated);
    return ((f.generated * c - throat_area * pc) * c * gamma_function * gamma_function - f.volume_term) /
           chamber_volume;
}

float rocket_motor::thrust_coefficient_at(float pc) const {
    if (!(pc > 0.0f)) return thrust_coefficient;
    return ideal_thrust_coefficient + (pc * pressure_ratio - ambient_pressure) / pc * exit_area / throat_area;
}

chamber_flow rocket_motor::present_flow(float pc) const {
    flow_memo& m = present_flow_;
    const bool same = m.valid && std::memcmp(&m.pc, &pc, sizeof pc) == 0 &&
                      std::memcmp(&m.cf, &thrust_coefficient, sizeof thrust_coefficient) == 0;
    if (!same) {
        m.valid = true;
        m.pc = pc;
        m.cf = thrust_coefficient;
        m.flow = flow_at(pc, thrust_coefficient, m.grains);
    }
    return m.flow;
}

bool rocket_motor::step_overshoots(float dt) const {
    const float pc = std::max(0.0f, chamber_pressure);
    const chamber_flow now = present_flow(pc);
    if (!(now.generated > 0.0f)) return false;  // nothing burns: the step ends the burn
    const float rate = pressure_rate(now, pc);
    const float next = chamber_pressure + rate * dt;
    if (!(next >= 0.0f)) return true;
    const float rate_then = pressure_rate(flow_at(next, thrust_coefficient_at(next)), next);
    return (rate > 0.0f && rate_then < 0.0f) || (rate < 0.0f && rate_then > 0.0f);
}

double rocket_motor::burn_split(float dt) {
    // The chamber settles toward the pressure at which the nozzle passes the gas the grains
    // make, in a time that shrinks with the throat (a few ms for wide throats). A step longer
    // than that would carry the pressure past that equilibrium or below 0; such a step is cut
    // in halves until each piece stays on its side, and the pieces grow again once it allows.
    present_flow_.valid = false;
    double impulse = 0.0;
    float left = dt;
    float piece = dt;
    for (int n = 0; n < k_max_pieces && left > 0.0f && !burnt_out; ++n) {
        piece = std::min(left, 2.0f * piece);
        if (n + 1 < k_max_pieces) {
            for (int halving = 0; halving < k_max_halvings && step_overshoots(k_piece_margin * piece); ++halving) {
                piece *= 0.5f;
            }
        } else {
            piece = left;  // the last piece takes what is left
        }
        burn_substep(piece);
        impulse += static_cast<double>(thrust) * piece;
        left = piece < left ? left - piece : 0.0f;
    }
    return impulse;
}

void rocket_motor::burn_substep(float dt) {
    if (ignition_index > 4) {
        burn_out();
        return;
    }
    // A pressure below 0 has no burn rate: the power law needs a non-negative base.
    const float pc = std::max(0.0f, chamber_pressure);
    const chamber_flow flow = present_flow(pc);
    // The grains' burn at pc, as the flow above was summed from; they burn back below, and the
    // kept flow no longer holds for the next step.
    const grain_burn* burns = present_flow_.grains;
    present_flow_.valid = false;
    propellant_remaining = 0.0f;
    bool active = false;
    for (int i = 0; i < charge_count; ++i) {
        float& D = burn_outer[i];
        float& d = burn_inner[i];
        float& L = burn_length[i];
        if (charge_group[i] != ignition_index) {
            if (D > d && L > 0.0f) propellant_remaining += charge_mass[i];
            continue;
        }
        const grain_burn& g = burns[i];
        if (!g.burning) continue;
        propellant_remaining += g.counted;
        const float web = g.rate * dt;
        switch (charge_type[i]) {
        case 1:  // along its length only
            L -= web;
            break;
        case 2:
            L -= web;
            D -= 2.0f * web;
            d += 2.0f * web;
            break;
        case 3:
        case 4:
        case 5:
            L -= web;
            d += 2.0f * web;
            break;
        case 6:
            L -= web;
            D -= 2.0f * web;
            break;
        default:
            break;
        }
        if (L > 0.0f && D > d) active = true;
    }
    if (!active) {
        ++ignition_index;  // the next group lights on the next step
        return;
    }
    if (!(flow.generated > 0.0f)) {
        // No gas comes in (no burning area, no burn rate, or no pressure to burn at): the
        // chamber empties and can never light the grain again.
        log_line_once("Motor %s cannot burn: its grains make no gas", name);
        burn_out();
        return;
    }
    chamber_pressure = std::max(0.0f, chamber_pressure + pressure_rate(flow, pc) * dt);
    burn_time += dt;
    exit_pressure = chamber_pressure * pressure_ratio;
    if (chamber_pressure > 0.0f) thrust_coefficient = thrust_coefficient_at(chamber_pressure);
    thrust = throat_area * chamber_pressure * thrust_coefficient;
}

// ---- Exhaust and sound ----

void rocket_motor::place_flame(float s) {
    if (flame == nullptr) return;
    const float z = -((overall_length / 2.0f - 1.25f * exit_diameter) * 0.01f + 0.25f * s);
    const float size[2] = {s, z};
    const bool same = std::memcmp(size, placed_flame_size, sizeof size) == 0 &&
                      std::memcmp(&flame->local, &placed_flame, sizeof placed_flame) == 0;
    if (!same) {
        flame->local = mat_scaling(s, s, 5.0f * s) * mat_translation(0.0f, 0.0f, z);
        placed_flame = flame->local;
        std::memcpy(placed_flame_size, size, sizeof size);
    }
    flame->has_scale = 1;
    flame->update_matrices();
}

void rocket_motor::show_static_firing() {
    const float f = std::clamp(0.5f * std::sqrt(std::max(0.0f, chamber_pressure) / k_atm), 1.0f, 5.0f);
    const float s = f * 0.005f * exit_diameter;
    place_flame(s);
    if (smoke != nullptr) {
        const float z = -((overall_length / 2.0f - 1.25f * exit_diameter) * 0.01f + 0.25f * s);
        services().set_exhaust_sizes(smoke, 100.0f * s, 2500.0f * s);
        smoke->set_position(0.0f, 0.0f, z - 0.5f * s);
    }
    // The burning sound's pitch follows the pressure.
    if (sound_available()) {
        g_sound->set_frequency(sounds_[MOTOR_SOUND_BURNING].get(), static_cast<std::uint32_t>(f * 5000.0f));
    }
}

void rocket_motor::update() {
    if (running && !paused && !burn_by_parent && g_state != nullptr) burn_step(g_state->dt);
    if (running) {
        const float g = std::clamp(std::sqrt(std::max(0.0f, chamber_pressure) / k_atm), 1.0f, 10.0f);
        exhaust_.apply(flame, 0.5f, plume, true);
        place_flame(g * 0.005f * exit_diameter);
    } else {
        exhaust_.apply(flame, 1.5f, plume, false);
        place_flame(0.0f);
    }
    update_sound_positions();
    frame::update();
}

void rocket_motor::update_sound_positions() {
    place_sounds(this, sounds_, static_cast<int>(std::size(sounds_)));
}

void rocket_motor::apply_volume() {
    frame::apply_volume();
    if (!sound_available()) return;
    for (const std::unique_ptr<sound_buffer>& buffer : sounds_) g_sound->set_volume(buffer.get(), g_sound->volume_sounds);
    for (int i : {MOTOR_SOUND_BURNING, MOTOR_SOUND_IGNITION, MOTOR_SOUND_EXPLOSION}) {
        g_sound->set_volume(sounds_[i].get(), g_sound->volume_engine);
    }
}

void rocket_motor::stop_sounds() {
    frame::stop_sounds();
    for (int i = 0; i < 4; ++i) stop_sound(i);
}

void rocket_motor::play_sound(int i, bool looping) {
    ++sound_starts_[i];
    // A sound played once is taken as over at once: only looped sounds stay on.
    sound_on_[i] = looping ? 1 : 0;
    sound_loop_[i] = looping ? 1 : 0;
    if (g_sound == nullptr) return;
    if (looping) {
        g_sound->play_looping(sounds_[i].get());
    } else {
        g_sound->restart(sounds_[i].get());  // the ignition and the explosion start from the top
    }
}

void rocket_motor::stop_sound(int i) {
    sound_on_[i] = 0;
    sound_loop_[i] = 0;
    if (g_sound != nullptr) g_sound->stop(sounds_[i].get());
}
