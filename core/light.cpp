#include "core/light.h"

#include <cmath>

#include "core/app_state.h"

namespace {

bool g_pool[k_light_pool_size] = {};
bool g_pool_ready = false;

}  // namespace

void reset_light_pool() {
    for (bool& used : g_pool) used = false;
    g_pool_ready = true;
}

int allocate_light_index() {
    for (int i = 0; i < k_light_pool_size; ++i) {
        if (!g_pool[i]) {
            g_pool[i] = true;
            return i;
        }
    }
    return k_light_pool_size;
}

void free_light_index(int index) {
    if (index >= 0 && index < k_light_pool_size) g_pool[index] = false;
}

bool light_index_in_use(int index) {
    return index >= 0 && index < k_light_pool_size && g_pool[index];
}

light::light() {
    if (!g_pool_ready) reset_light_pool();
    type = FRAME_LIGHT;
    layer = 7;
    set_name("[Light]");
    box = {{-5.0f, -5.0f, -5.0f}, {5.0f, 5.0f, 5.0f}};
    radius = 5.0f;
    record = gfx_light{};
    record.type = LIGHT_POINT;
    set_colour(1.0f, 1.0f, 1.0f);
    set_range(1000.0f);
    index = allocate_light_index();
}

light::~light() { light::clear_children(); }

void light::clear_children() {
    frame::clear_children();
    device_enable_light(index, false);
    free_light_index(index);
    // The index may go to another light now: this one must never free it again (its
    // destructor runs this once more), and if drawn again it shares the overflow index.
    index = k_light_pool_size;
}

// The overflow index 1000 goes to the device unchanged, like any other.
void light::upload() const { device_set_light(index, record); }

void light::apply() const {
    device_enable_light(index, true);
    upload();
}

void light::render() {
    frame::render();
    if (!device_available()) return;
    if (active) {
        device_enable_light(index, true);
        upload();
    } else {
        device_enable_light(index, false);
    }
}

void light::update_matrices() {
    frame::update_matrices();
    const vec3 p = world_position();
    const vec3 z = get_axis_z(world);
    record.position[0] = p.x;
    record.position[1] = p.y;
    record.position[2] = p.z;
    record.direction[0] = z.x;
    record.direction[1] = z.y;
    record.direction[2] = z.z;
    upload();
}

bool light::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (!active || !hit_testable) return false;
    const vec3 v = world_position() - origin;
    const float distance = length(v);
    if (result != nullptr) *result = distance;
    if (length(cross(direction, v)) > radius) return false;
    if (g_state == nullptr || !g_state->nearest_hit_mode) {
        if (hit != nullptr) *hit = this;
        return true;
    }
    if (distance > 0.0f && distance < g_state->nearest_hit) {
        g_state->nearest_hit = distance;
        if (hit != nullptr) *hit = this;
    }
    return frame::hit_test_ray(direction, origin, hit, result);
}

void light::set_colour(float r, float g, float b) {
    set_diffuse(r, g, b);
    set_specular(r, g, b);
    set_ambient(r, g, b);
}

void light::set_diffuse(float r, float g, float b) {
    record.diffuse = {diffuse_factor * r, diffuse_factor * g, diffuse_factor * b, 1.0f};
}

void light::set_specular(float r, float g, float b) {
    record.specular = {specular_factor * r, specular_factor * g, specular_factor * b, 1.0f};
}

void light::set_ambient(float r, float g, float b) {
    record.ambient = {ambient_factor * r, ambient_factor * g, ambient_factor * b, 1.0f};
}

void light::set_range(float range) {
    record.range = range;
    record.attenuation0 = 1.0f;
    record.attenuation1 = 10.0f / range;
}

hresult create_light(frame* parent, light** out) { return create_owned(parent, out); }
hresult create_detached_light(light** out) { return create_owned(nullptr, out); }
