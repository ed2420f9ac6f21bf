// The warhead's preview meshes and their drawing: the case with its explosive, the fragment
// lines flying out of it, and the guidance section and seeker head in front of it. The design
// views draw them as metal, with the environment map over them as the airframe has.
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "platform/gfx_device.h"
#include "simulation/part_view.h"
#include "simulation/surface_normals.h"
#include "simulation/warhead.h"
#include "simulation/weapon_stages.h"

constexpr const char k_hr_source[] = "warhead";

namespace {

constexpr int k_turn_steps = 18;
constexpr float k_step_angle = 0.34906587f;  // 20 degrees
constexpr int k_segment_vertices = 6 * k_turn_steps;
constexpr int k_max_preview_fragments = 512;
constexpr std::uint32_t k_explosive_colour = 0xFFFF8000u;
constexpr std::uint32_t k_case_colour = 0xFF404040u;
constexpr std::uint32_t k_seeker_colour = 0xFF808080u;
constexpr std::uint32_t k_fragment_colour = 0x80FFFFFFu;
constexpr std::uint32_t k_warhead_fvf = FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE;
static_assert(sizeof(warhead_vertex) == 28, "the device reads 28-byte warhead vertices");

struct profile_segment {
    float from_radius, to_radius, length;
    std::uint32_t colour;
};

vec3 ring_point(float radius, float angle, float z) {
    return {radius * std::cos(angle), radius * std::sin(angle), z};
}

warhead_vertex make_vertex(const vec3& p, std::uint32_t colour) {
    warhead_vertex v;
    v.position = p;
    v.colour = colour;
    return v;
}

// The profile turned about the axis from z0 on, two triangles per step and segment, face
// normals out of the surface; the shared positions away from the first and last segment are
// smoothed.
void turn_profile(const profile_segment* profile, int count, float z0, std::vector<warhead_vertex>* out) {
    out->clear();
    out->reserve(static_cast<std::size_t>(count) * k_segment_vertices);
    float z = z0;
    for (int s = 0; s < count; ++s) {
        const profile_segment& seg = profile[s];
        const float z1 = z + seg.length;
        for (int k = 0; k < k_turn_steps; ++k) {
            const float a0 = k * k_step_angle, a1 = (k + 1) * k_step_angle;
            const vec3 p00 = ring_point(seg.from_radius, a0, z), p01 = ring_point(seg.from_radius, a1, z);
            const vec3 p10 = ring_point(seg.to_radius, a0, z1), p11 = ring_point(seg.to_radius, a1, z1);
            for (const vec3& p : {p00, p11, p10, p00, p01, p11}) out->push_back(make_vertex(p, seg.colour));
        }
        z = z1;
    }
    set_face_normals(*out, 0, out->size(), vec3{0.0f, 0.0f, -1.0f});
    if (count > 2) smooth_shared_normals(*out, k_segment_vertices, out->size() - k_segment_vertices);
}

void draw_list(gfx_device* d, std::uint32_t primitive, const warhead_vertex* first, int count) {
    if (count <= 0) return;
    CHECK_HR(d->set_fvf(k_warhead_fvf));
    CHECK_HR(d->draw_primitive_up(primitive, count, first, static_cast<int>(sizeof(warhead_vertex))));
}

void draw_triangles(gfx_device* d, const std::vector<warhead_vertex>& v) {
    draw_list(d, PT_TRIANGLELIST, v.data(), static_cast<int>(v.size() / 3));
}

gfx_material coloured(float r, float g, float b) {
    gfx_material m;
    m.diffuse = {r, g, b, 1.0f};
    m.ambient = {r, g, b, 1.0f};
    m.specular = {1.0f, 1.0f, 1.0f, 1.0f};
    m.power = 10.0f;
    return m;
}

// The design views' projection and light, the transforms put back when the view ends.
class preview_view {
public:
    explicit preview_view(gfx_device* d) : camera_(d), d_(d) {
        gfx_light light;
        light.type = LIGHT_DIRECTIONAL;
        light.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        light.ambient = {0.5f, 0.5f, 0.5f, 1.0f};
        light.direction[0] = 1.0f;
        light.direction[1] = -1.0f;
        light.direction[2] = 1.0f;
        light.range = 1000.0f;
        device_set_light(0, light);
        device_enable_light(0, true);
        device_set_lighting(true);
        d->set_render_state(RS_ZENABLE, 1);
        d->set_render_state(RS_NORMALIZENORMALS, 1);
    }
    ~preview_view() {
        d_->set_render_state(RS_NORMALIZENORMALS, 0);
        d_->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_COLOR1);
    }
    preview_view(const preview_view&) = delete;
    preview_view& operator=(const preview_view&) = delete;

private:
    part_view camera_;  // first made, last ended
    gfx_device* d_;
};

bool assembled_view() { return g_state != nullptr && g_state->assembled_view != 0; }

}  // namespace

void warhead::compute(bool with_previews) {
    compute_performance();
    build_body();
    if (with_previews) {
        build_fragments();
        build_guidance_section();
        build_seeker_head();
    }
    base_box = {{-DC / 2.0f, -DC / 2.0f, -LN / 2.0f}, {DC / 2.0f, DC / 2.0f, LN / 2.0f}};
    box = base_box;
    base_radius = LN / 2.0f;
    radius = base_radius;
}

void warhead::build_body() {
    const float front_inner = DS / 2.0f - TH;
    const float base_inner = DC / 2.0f - TH;
    const float step = (DC - DS) / 8.0f;
    const profile_segment profile[8] = {
        {0.0f, front_inner, 0.0f, k_explosive_colour},
        {front_inner, DS / 2.0f, 0.0f, k_case_colour},
        {DS / 2.0f, DS / 2.0f + step, LN / 4.0f, k_case_colour},
        {DS / 2.0f + step, DS / 2.0f + 2.0f * step, LN / 4.0f, k_case_colour},
        {DS / 2.0f + 2.0f * step, DS / 2.0f + 3.0f * step, LN / 4.0f, k_case_colour},
        {DS / 2.0f + 3.0f * step, DC / 2.0f, LN / 4.0f, k_case_colour},
        {DC / 2.0f, base_inner, 0.0f, k_case_colour},
        {base_inner, 0.0f, 0.0f, k_explosive_colour},
    };
    turn_profile(profile, 8, -LN / 2.0f, &body_vertices);
}

void warhead::build_fragments() {
    fragment_vertices.clear();
    const float n = std::min(std::max(fragment_count, 0.0f), static_cast<float>(k_max_preview_fragments));
    const float s = std::sqrt(n);
    const int rings = static_cast<int>(s / 2.0f);
    const int per_ring = static_cast<int>(2.0f * s);
    if (rings <= 0 || per_ring <= 0) return;
    const float spacing = static_cast<float>(std::max(rings - 1, 1));
    const float w = DC + DS + LN;
    const float full_turn = 2.0f * k_pi;
    fragment_vertices.reserve(static_cast<std::size_t>(rings) * per_ring * 2);
    for (int i = 0; i < rings; ++i) {
        const float r = DS / 2.0f + i * (DC - DS) / 2.0f / spacing;
        const float z = -LN / 2.0f + i * LN / spacing;
        for (int j = 0; j < per_ring; ++j) {
            const float theta = fragment_angles[i % warhead_fragment_angles] + j * full_turn / per_ring;
            const float c = std::cos(theta), si = std::sin(theta);
            warhead_vertex from = make_vertex({r * c, r * si, z}, k_fragment_colour);
            warhead_vertex to = make_vertex({w * c, w * si, z * (1.0f + ER * w / LN) - taper * w}, k_fragment_colour);
            from.normal = to.normal = vec3{c, si, 0.0f};
            fragment_vertices.push_back(from);
            fragment_vertices.push_back(to);
        }
    }
}

void warhead::build_guidance_section() {
    const float sd = seeker_diameter;
    const profile_segment profile[3] = {
        {0.0f, sd / 2.0f, 0.0f, k_seeker_colour},
        {sd / 2.0f, sd / 2.0f, 0.7f * sd, k_seeker_colour},
        {sd / 2.0f, 0.0f, 0.0f, k_seeker_colour},
    };
    turn_profile(profile, 3, -0.35f * sd, &guidance_vertices);
}

void warhead::build_seeker_head() {
    const float h = seeker_head_diameter;
    const profile_segment profile[3] = {
        {0.0f, 0.25f * h, 0.0f, k_seeker_colour},
        {0.25f * h, 0.5f * h, 1.5f * h, k_seeker_colour},
        {0.5f * h, 0.0f, 0.0f, k_seeker_colour},
    };
    turn_profile(profile, 3, -0.75f * seeker_diameter, &seeker_vertices);
}

void warhead::render() {
    gfx_device* d = current_device();
    const bool second_pass = g_state != nullptr && g_state->render_pass == 2;
    if (d != nullptr && active && !second_pass && body_vertices.size() > 2u * k_segment_vertices) {
        device_set_world(world);
        d->set_material(coloured(0.5f, 0.5f, 0.5f));
        d->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_COLOR1);
        d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_COLOR1);
        d->set_render_state(RS_SPECULARMATERIALSOURCE, MCS_COLOR1);
        d->set_render_state(RS_NORMALIZENORMALS, 1);
        draw_triangles(d, body_vertices);
        // The case's outline over it: the body without its explosive faces.
        const std::uint32_t fill = d->render_state(RS_FILLMODE);
        d->set_render_state(RS_FILLMODE, FILL_WIREFRAME);
        const int inner = static_cast<int>(body_vertices.size()) - 2 * k_segment_vertices;
        draw_list(d, PT_TRIANGLELIST, body_vertices.data() + k_segment_vertices, inner / 3);
        d->set_render_state(RS_FILLMODE, fill);
        d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_MATERIAL);
        d->set_render_state(RS_SPECULARMATERIALSOURCE, MCS_MATERIAL);
        d->set_render_state(RS_NORMALIZENORMALS, 0);
    }
    frame::render();
}

void warhead::draw(float pitch, float yaw, float x, float y, float z, bool show_fragments) {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const preview_view view(d);
    if (!assembled_view()) {
        const float l = LN + DC + DS;
        world = mat_rotation_y(yaw) * mat_rotation_x(pitch) * mat_translation(x * l, y * l, z * l);
    }
    device_set_world(world);
    d->set_material(coloured(0.5f, 0.5f, 0.5f));
    set_metal_stages(d);
    d->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_COLOR1);
    draw_triangles(d, body_vertices);
    restore_metal_stages(d);
    if (show_fragments) {
        draw_list(d, PT_LINELIST, fragment_vertices.data(), static_cast<int>(fragment_vertices.size() / 2));
    }
}

void warhead::draw_guidance_section(float r, float g, float b) {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const preview_view view(d);
    device_set_world(world);
    d->set_material(coloured(r, g, b));
    set_metal_stages(d);
    d->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_MATERIAL);
    draw_triangles(d, guidance_vertices);
    restore_metal_stages(d);
}

void warhead::draw_seeker_head(float r, float g, float b) {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const preview_view view(d);
    device_set_world(world);
    d->set_material(coloured(r, g, b));
    set_metal_stages(d);
    d->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_MATERIAL);
    draw_triangles(d, seeker_vertices);
    restore_metal_stages(d);
}
