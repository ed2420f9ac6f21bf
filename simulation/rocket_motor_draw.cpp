// The motor's drawing: the casing in the scene, and the design screens' own views of the casing
// (with its flame and smoke while it burns on the stand) and the charges. The casing is metal:
// the shared surface texture with the environment map over it.
#include <cstddef>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/model_shading.h"
#include "core/device_calls.h"
#include "platform/gfx_device.h"
#include "simulation/part_view.h"
#include "simulation/rocket_motor.h"
#include "simulation/weapon_stages.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "rocket_motor";

namespace {

constexpr float k_pi_f = 3.1415926f;
constexpr std::uint32_t k_motor_fvf = FVF_XYZ | FVF_NORMAL | FVF_TEX1;  // 32-byte vertices
static_assert(sizeof(motor_vertex) == 32, "the device reads 32-byte casing vertices");

color_value grey(float level, float alpha) { return {level, level, level, alpha}; }

void draw_triangles(gfx_device* d, const std::vector<motor_vertex>& vertices) {
    if (vertices.size() < 3) return;
    CHECK_HR(d->set_fvf(k_motor_fvf));
    CHECK_HR(d->draw_primitive_up(PT_TRIANGLELIST, static_cast<int>(vertices.size() / 3), vertices.data(),
                                  static_cast<int>(sizeof(motor_vertex))));
}

// The transforms and states a design view changes, put back when it ends.
class design_view {
public:
    design_view(gfx_device* d, float alpha) : camera_(d), d_(d) {
        gfx_light light;
        light.type = LIGHT_DIRECTIONAL;
        light.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        light.specular = {0.3f, 0.4f, 0.5f, 1.0f};
        light.direction[0] = 1.0f;
        light.direction[1] = -1.0f;
        light.direction[2] = 1.0f;
        light.range = 1000.0f;
        device_set_light(0, light);
        device_enable_light(0, true);
        device_set_lighting(true);
        CHECK_HR(d->set_render_state(RS_SPECULARENABLE, 1));
        CHECK_HR(d->set_render_state(RS_ZENABLE, 1));
        CHECK_HR(d->set_render_state(RS_NORMALIZENORMALS, 1));
        gfx_material m;
        m.diffuse = grey(0.5f, alpha);
        m.ambient = grey(0.5f, alpha);
        m.specular = grey(1.0f, alpha);
        m.power = 10.0f;
        CHECK_HR(d->set_material(m));
    }
    ~design_view() {
        CHECK_HR(d_->set_render_state(RS_SPECULARENABLE, 0));
        CHECK_HR(d_->set_render_state(RS_NORMALIZENORMALS, 0));
    }
    design_view(const design_view&) = delete;
    design_view& operator=(const design_view&) = delete;

private:
    part_view camera_;  // first made, last ended
    gfx_device* d_;
};

// The casing is built nose first along +z in cm: turned half round and cut to metres, then
// placed with the frame.
mat4 casing_world(const mat4& frame_world) {
    return mat_rotation_y(k_pi_f) * mat_scaling(0.01f, 0.01f, 0.01f) * frame_world;
}

bool assembled_view() { return g_state != nullptr && g_state->assembled_view != 0; }

// The exhaust's own matrices hold metres in the motor's frame, nozzle toward -z; a design
// view's casing stands in cm with its nozzle toward +z. Turned half round and scaled to cm,
// they stand behind the nozzle there (and, in the assembled missile, where the scene has them).
mat4 exhaust_world(const mat4& local, const mat4& casing_place) {
    return local * mat_rotation_y(k_pi_f) * mat_scaling(100.0f, 100.0f, 100.0f) * casing_place;
}

// Draws an exhaust child at a given world matrix, its own put back afterwards.
void render_at(frame* exhaust, const mat4& at) {
    if (exhaust == nullptr) return;
    const mat4 kept = exhaust->world;
    exhaust->world = at;
    exhaust->render();
    exhaust->world = kept;
}

// The smoke's puffs carry no normals: only the ambient light shows them, and a design view has
// no sun of its own (the scene's may be dark or left from the last flight). While the exhaust
// is drawn the shading's ambient is the application's ambient colour.
class exhaust_lighting {
public:
    exhaust_lighting() : kept_(shading().sun.ambient) {
        const std::uint32_t c = g_state != nullptr ? g_state->objects.ambient_colour : 0xFF808080u;
        const auto part = [c](int shift) { return static_cast<float>((c >> shift) & 0xFFu) / 255.0f; };
        shading().sun.ambient = {part(16), part(8), part(0), 1.0f};
    }
    ~exhaust_lighting() { shading().sun.ambient = kept_; }
    exhaust_lighting(const exhaust_lighting&) = delete;
    exhaust_lighting& operator=(const exhaust_lighting&) = delete;

private:
    color_value kept_;
};

}  // namespace

void rocket_motor::render() {
    frame::render();
    if (!active || !in_view) return;
    if (g_state != nullptr && g_state->render_pass == 2) return;
    gfx_device* d = current_device();
    if (d == nullptr) return;
    device_set_world(casing_world(world));
    set_metal_stages(d);
    draw_triangles(d, casing_);
    restore_metal_stages(d);
}

void rocket_motor::draw(float pitch, float yaw, float x, float y, float z, bool see_through) {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    const design_view view(d, see_through ? 0.65f : 1.0f);
    // In the assembled missile the casing sits where its frame puts it.
    const float l = overall_length;
    const mat4 place = assembled_view() ? casing_world(world)
                                        : mat_rotation_y(yaw) * mat_rotation_x(pitch) *
                                              mat_translation(l * x, l * y, l * z);
    device_set_world(place);
    set_metal_stages(d);
    draw_triangles(d, casing_);
    restore_metal_stages(d);
    if (running && !paused) draw_exhaust(place);
}

void rocket_motor::draw_exhaust(const mat4& casing_place) {
    if (flame == nullptr) return;
    const mat4 flame_at = exhaust_world(flame->local, casing_place);
    render_at(flame, flame_at);
    if (smoke == nullptr) return;
    const exhaust_lighting lit;
    // The smoke column trails the flame: pushed back along the flame's axis by five times the
    // flame's length scale, so its puffs start about where the flame ends.
    const vec3 back = get_axis_z(flame->local) * -5.0f;
    render_at(smoke, exhaust_world(smoke->local * mat_translation(back.x, back.y, back.z), casing_place));
}

void rocket_motor::update_exhaust() {
    if (flame != nullptr) flame->update();
    if (smoke != nullptr) smoke->update();
}

void rocket_motor::draw_charges(int i, float pitch, float yaw, float x, float y, float z, bool in_place) {
    if (i < 0 || i >= motor_max_charges) return;
    gfx_device* d = current_device();
    if (d == nullptr || charges_[i].empty()) return;
    const design_view view(d, 1.0f);
    // In place: the grains stand one behind the other from the front of the chamber (the
    // casing's nose cap is half a chamber diameter long).
    float along = 0.0f;
    if (in_place) {
        along = -overall_length / 2.0f + chamber_diameter / 2.0f;
        for (int k = 0; k < i; ++k) along += charge_length[k];
    }
    const float l = overall_length;
    device_set_world(mat_translation(0.0f, 0.0f, along) * mat_rotation_y(yaw) * mat_rotation_x(pitch) *
                     mat_translation(l * x, l * y, l * z));
    draw_triangles(d, charges_[i]);
}
