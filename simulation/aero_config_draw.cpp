// The airframe's drawing: in the scene as part of a flying missile, and the design views with
// their own camera and light. Both put the shared surface texture on stage 0 and blend the
// shared environment map over it on stage 1 by the texture factor's alpha.
#include <cstddef>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/scene_services.h"
#include "platform/gfx_device.h"
#include "simulation/aero_config.h"
#include "simulation/part_view.h"
#include "simulation/weapon_stages.h"

constexpr const char k_hr_source[] = "aero_config";

namespace {

constexpr std::uint32_t k_aero_fvf = FVF_XYZ | FVF_NORMAL | FVF_TEX1;
static_assert(sizeof(aero_vertex) == 32, "the device reads 32-byte airframe vertices");
constexpr int k_nose_cap_vertices = 324;  // the first three profile segments
constexpr std::uint32_t k_body_factor = 0x20000000u;
constexpr std::uint32_t k_cap_factor = 0x80000000u;
constexpr float k_quarter_turn = 1.5707964f;

void draw_list(gfx_device* d, const aero_vertex* first, std::size_t count) {
    if (count < 3) return;
    CHECK_HR(d->set_fvf(k_aero_fvf));
    CHECK_HR(d->draw_primitive_up(PT_TRIANGLELIST, static_cast<int>(count / 3), first,
                                  static_cast<int>(sizeof(aero_vertex))));
}

gfx_material material(color_value diffuse, color_value specular) {
    gfx_material m;
    m.diffuse = diffuse;
    m.ambient = diffuse;
    m.specular = specular;
    m.power = 10.0f;
    return m;
}

constexpr color_value k_white{1.0f, 1.0f, 1.0f, 1.0f};
constexpr color_value k_magenta{1.0f, 0.0f, 1.0f, 1.0f};

// The body after the nose cap, then the cap, in their materials.
void draw_body_parts(gfx_device* d, const std::vector<aero_vertex>& body, float body_alpha, float cap_alpha) {
    if (body.size() <= static_cast<std::size_t>(k_nose_cap_vertices)) return;
    d->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_MATERIAL);
    d->set_material(material({0.0f, 0.2f, 0.0f, body_alpha}, k_white));
    d->set_render_state(RS_TEXTUREFACTOR, k_body_factor);
    draw_list(d, body.data() + k_nose_cap_vertices, body.size() - k_nose_cap_vertices);
    d->set_material(material({0.0f, 0.0f, 0.0f, cap_alpha}, k_magenta));
    d->set_render_state(RS_TEXTUREFACTOR, k_cap_factor);
    draw_list(d, body.data(), k_nose_cap_vertices);
}

// A wing set four times, a quarter turn apart about the body axis.
void draw_wing_turns(gfx_device* d, const std::vector<aero_vertex>& wing, const mat4& world,
                     color_value colour) {
    d->set_material(material(colour, k_white));
    d->set_render_state(RS_TEXTUREFACTOR, k_body_factor);
    for (int q = 0; q < 4; ++q) {
        device_set_world(mat_rotation_z(q * k_quarter_turn) * world);
        draw_list(d, wing.data(), wing.size());
    }
}

// The design views' camera, with lighting and depth on.
class preview_view : public part_view {
public:
    explicit preview_view(gfx_device* d) : part_view(d) {
        device_set_lighting(true);
        d->set_render_state(RS_ZENABLE, 1);
    }
};

void set_preview_light(float ambient_r, float ambient_g, float ambient_b, float dx, float dy, float dz) {
    gfx_light light;
    light.type = LIGHT_DIRECTIONAL;
    light.diffuse = k_white;
    light.specular = k_white;
    light.ambient = {ambient_r, ambient_g, ambient_b, 1.0f};
    light.direction[0] = dx;
    light.direction[1] = dy;
    light.direction[2] = dz;
    light.range = 1000.0f;
    device_set_light(0, light);
    device_enable_light(0, true);
}

bool assembled_view() { return g_state != nullptr && (g_state->preview != 0 || g_state->assembled_view != 0); }

}  // namespace

void aero_config::render() {
    gfx_device* d = current_device();
    const bool second_pass = g_state != nullptr && g_state->render_pass == 2;
    if (d != nullptr && active && !second_pass) {
        // Built nose first along +z in cm: turned half round and cut to metres.
        const mat4 airframe = mat_rotation_y(k_pi) * mat_scaling(0.01f, 0.01f, 0.01f) * world;
        set_metal_stages(d);
        device_set_world(airframe);
        draw_body_parts(d, body_vertices, 1.0f, 0.6f);
        for (int i = 0; i < NW && i < aero_max_wing_sets; ++i) {
            draw_wing_turns(d, wing_vertices[i], airframe, {0.5f, 0.5f, 0.5f, 1.0f});
        }
        restore_metal_stages(d);
    }
    frame::render();
}

void aero_config::draw(float angle_x, float angle_y, float x, float y, float z, bool translucent) {
    draw_body(angle_x, angle_y, x, y, z, false, translucent);
    for (int i = 0; i < NW && i < aero_max_wing_sets; ++i) draw_wing_set(i, angle_x, angle_y, x, y, z, false);
}

void aero_config::draw_body(float angle_x, float angle_y, float x, float y, float z, bool show_markers,
                            bool translucent) {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const preview_view view(d);
    if (!assembled_view()) {
        const float l = body_length;
        world = mat_rotation_y(angle_y) * mat_rotation_x(angle_x) * mat_translation(x * l, y * l, z * l);
    }
    set_preview_light(0.3f, 0.4f, 0.5f, 1.0f, -1.0f, 1.0f);
    set_metal_stages(d);
    device_set_world(world);
    draw_body_parts(d, body_vertices, translucent ? 0.75f : 1.0f, 0.8f);
    restore_metal_stages(d);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    if (!show_markers) return;
    const float w = DC / 4.0f;
    if (xcp_min < xcp_max) {
        const vec3 lo{-w, -w, 100.0f * xcp_min - body_length / 2.0f};
        const vec3 hi{w, w, 100.0f * xcp_max - body_length / 2.0f};
        draw_selection_box(lo, hi, 0.0f, 0xFF00FF00u);
    }
    draw_cross_marker(0.0f, 0.0f, CG - body_length / 2.0f, w, 0xFFFF0000u);
}

void aero_config::draw_wing_set(int set, float angle_x, float angle_y, float x, float y, float z,
                                bool highlighted) {
    if (set < 0 || set >= aero_max_wing_sets) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const preview_view view(d);
    if (!assembled_view()) {
        const float l = body_length;
        world = mat_rotation_y(angle_y) * mat_rotation_x(angle_x) * mat_translation(x * l, y * l, z * l);
    }
    set_preview_light(0.25f, 0.25f, 0.25f, 0.5f, -0.5f, 0.5f);
    set_metal_stages(d);
    const color_value colour = highlighted ? color_value{0.5f, 0.5f, 0.0f, 1.0f} : color_value{0.5f, 0.5f, 0.5f, 1.0f};
    draw_wing_turns(d, wing_vertices[set], world, colour);
    restore_metal_stages(d);
}
