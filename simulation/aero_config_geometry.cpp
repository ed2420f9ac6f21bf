// The airframe's meshes: the body of revolution and the wing-set panels, in cm, rebuilt
// whenever the dimensions change, and the two scalings the missile fitting uses.
#include <algorithm>
#include <cmath>

#include "simulation/aero_config.h"
#include "simulation/surface_normals.h"

namespace {

constexpr int k_turn_steps = 18;
constexpr float k_step_angle = 0.34906587f;  // 20 degrees
constexpr int k_profile_segments = 9;
constexpr int k_segment_vertices = 6 * k_turn_steps;  // 108
constexpr float k_scale_threshold = 0.001f;

struct profile_segment {
    float from_radius, to_radius, length;
};

vec3 ring_point(float radius, float angle, float z) {
    return {radius * std::cos(angle), radius * std::sin(angle), z};
}

aero_vertex body_vertex(const vec3& p, float body_length, int step) {
    aero_vertex v;
    v.position = p;
    v.u = body_length > 0.0f ? p.z / body_length : 0.0f;
    v.v = static_cast<float>(step) / k_turn_steps;
    return v;
}

void push_triangle(std::vector<aero_vertex>& out, const vec3& a, const vec3& b, const vec3& c,
                   float ua, float ub, float uc) {
    aero_vertex va, vb, vc;
    va.position = a;
    vb.position = b;
    vc.position = c;
    va.u = ua;
    vb.u = ub;
    vc.u = uc;
    out.push_back(va);
    out.push_back(vb);
    out.push_back(vc);
}

}  // namespace

void aero_config::build_body(bool with_normals) {
    clamp_dimensions();
    const float Rc = cap_radius;
    const float Ro = ogive_radius;
    const float phi = std::asin(std::clamp(DS * 0.5f / std::max(Rc, 1e-6f), -1.0f, 1.0f));
    const float s = (k_pi / 2.0f - phi) * 0.3333f;
    const float c = Ro - DC * 0.5f;
    const profile_segment profile[k_profile_segments] = {
        {0.0f, Rc * std::sin(phi / 3.0f), Rc * (1.0f - std::cos(phi / 3.0f))},
        {Rc * std::sin(phi / 3.0f), Rc * std::sin(2.0f * phi / 3.0f),
         Rc * (std::cos(phi / 3.0f) - std::cos(2.0f * phi / 3.0f))},
        {Rc * std::sin(2.0f * phi / 3.0f), DS * 0.5f, Rc * (std::cos(2.0f * phi / 3.0f) - std::cos(phi))},
        {DS * 0.5f, Ro * std::sin(phi + s) - c, Ro * (std::cos(phi) - std::cos(phi + s))},
        {Ro * std::sin(phi + s) - c, Ro * std::sin(phi + 2.0f * s) - c,
         Ro * (std::cos(phi + s) - std::cos(phi + 2.0f * s))},
        {Ro * std::sin(phi + 2.0f * s) - c, DC * 0.5f, Ro * std::cos(phi + 2.0f * s)},
        {DC * 0.5f, DC * 0.5f, LC},
        {DC * 0.5f, DB * 0.5f, LT},
        {DB * 0.5f, nozzle_exit_diameter * 0.5f, 0.0f},
    };
    body_vertices.clear();
    body_vertices.reserve(k_profile_segments * k_segment_vertices);
    float z = -body_length * 0.5f;
    for (const profile_segment& seg : profile) {
        const float z1 = z + seg.length;
        for (int k = 0; k < k_turn_steps; ++k) {
            const float a0 = k * k_step_angle;
            const float a1 = (k + 1) * k_step_angle;
            // Wound so that the face normal points out of the body.
            const vec3 p00 = ring_point(seg.from_radius, a0, z);
            const vec3 p01 = ring_point(seg.from_radius, a1, z);
            const vec3 p10 = ring_point(seg.to_radius, a0, z1);
            const vec3 p11 = ring_point(seg.to_radius, a1, z1);
            body_vertices.push_back(body_vertex(p00, body_length, k));
            body_vertices.push_back(body_vertex(p11, body_length, k + 1));
            body_vertices.push_back(body_vertex(p10, body_length, k));
            body_vertices.push_back(body_vertex(p00, body_length, k));
            body_vertices.push_back(body_vertex(p01, body_length, k + 1));
            body_vertices.push_back(body_vertex(p11, body_length, k + 1));
        }
        z = z1;
    }
    if (!with_normals) return;
    const std::size_t n = body_vertices.size();
    // The nose tip's triangles have no area: they take their step neighbour's normal.
    set_face_normals(body_vertices, 0, n, vec3{0.0f, 0.0f, -1.0f});
    smooth_shared_normals(body_vertices, 0, n - k_segment_vertices);
}

void aero_config::build_wing_set(int set, bool with_normals) {
    if (set < 0 || set >= aero_max_wing_sets) return;
    std::vector<aero_vertex>& out = wing_vertices[set];
    out.clear();
    out.reserve(48);
    // The panel lies in the x-z plane from the axis (root) out to B / 2 (tip); the drawing
    // turns it by quarter turns about the body axis, which gives the opposite panel too.
    const float root_le = XW[set] - body_length * 0.5f;
    const float tip_te = root_le + HR[set];
    const float tip_le = tip_te - CT[set];
    const float span = B[set] * 0.5f;
    const float fractions[4] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
    const float thick[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    const float u[4] = {0.0f, 0.3333f, 0.6666f, 1.0f};
    const float root_h = TC[set] * CR[set] * 0.5f;
    const float tip_h = TC[set] * CT[set] * 0.5f;
    auto root_point = [&](int i, float side) {
        return vec3{0.0f, side * thick[i] * root_h, root_le + fractions[i] * CR[set]};
    };
    auto tip_point = [&](int i, float side) {
        return vec3{span, side * thick[i] * tip_h, tip_le + fractions[i] * CT[set]};
    };
    for (int i = 0; i < 3; ++i) {
        for (float side : {1.0f, -1.0f}) {
            const vec3 r0 = root_point(i, side), r1 = root_point(i + 1, side);
            const vec3 t0 = tip_point(i, side), t1 = tip_point(i + 1, side);
            // Wound so that the upper face looks up and the lower one down.
            if (side > 0.0f) {
                push_triangle(out, r0, r1, t1, u[i], u[i + 1], u[i + 1]);
                push_triangle(out, r0, t1, t0, u[i], u[i + 1], u[i]);
            } else {
                push_triangle(out, r0, t1, r1, u[i], u[i + 1], u[i + 1]);
                push_triangle(out, r0, t0, t1, u[i], u[i], u[i + 1]);
            }
        }
    }
    // The tip's hexagonal section, as a fan from the leading edge.
    const vec3 le = tip_point(0, 1.0f);
    const vec3 hexagon[5] = {tip_point(1, 1.0f), tip_point(2, 1.0f), tip_point(3, 1.0f),
                             tip_point(2, -1.0f), tip_point(1, -1.0f)};
    for (int i = 0; i < 4; ++i) push_triangle(out, le, hexagon[i], hexagon[i + 1], 0.0f, 1.0f, 1.0f);
    if (with_normals) set_face_normals(out, 0, out.size(), vec3{1.0f, 0.0f, 0.0f});
}

void aero_config::build_geometry() {
    build_body(true);
    for (int i = 0; i < aero_max_wing_sets; ++i) build_wing_set(i, true);
}

void aero_config::scale_diameters(float factor) {
    if (std::fabs(factor - 1.0f) < k_scale_threshold) return;
    DS *= factor;
    DC *= factor;
    DB *= factor;
    nozzle_exit_diameter *= factor;
    build_body(true);
    for (int i = 0; i < NW; ++i) {
        B[i] *= factor;
        build_wing_set(i, true);
    }
}

void aero_config::scale_lengths(float factor) {
    if (std::fabs(factor - 1.0f) < k_scale_threshold) return;
    LN *= factor;
    LC *= factor;
    LT *= factor;
    CG *= factor;
    build_body(true);
    for (int i = 0; i < NW; ++i) {
        CR[i] *= factor;
        CT[i] *= factor;
        HR[i] *= factor;
        XW[i] *= factor;
        build_wing_set(i, true);
    }
}
