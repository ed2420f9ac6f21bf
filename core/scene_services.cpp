#include "core/scene_services.h"

#include "core/app_state.h"
#include "platform/keys.h"

namespace {

scene_services g_default_services;
scene_services* g_services = &g_default_services;

}  // namespace

float scene_services::ground_height(float, float) { return 0.0f; }

float scene_services::sea_height(float, float) {
    if (g_state == nullptr) return 0.0f;
    return g_state->water_level - g_state->origin_offset.y;
}

void scene_services::draw_selection_box(const vec3&, const vec3&, float, std::uint32_t) {}

float scene_services::path_fog_distance(float) {
    return g_state != nullptr ? g_state->fog_air : 10000.0f;
}

void scene_services::shift_scene(const vec3&) {}
bool scene_services::gui_mouse_move(int, int) { return false; }
bool scene_services::gui_mouse_down(int, int) { return false; }
void scene_services::gui_mouse_up() {}
bool scene_services::key_held(int virtual_key) { return key_is_down(virtual_key); }

void scene_services::mark_ground_cell(float, float, int) {}

scene_services& services() { return *g_services; }

void install_scene_services(scene_services* backend) {
    g_services = backend != nullptr ? backend : &g_default_services;
}

void ground_height(float x, float z, float* h) { *h = services().ground_height(x, z); }
void sea_height(float x, float z, float* h) { *h = services().sea_height(x, z); }

void mark_ground_cell(float x, float z, int value) { services().mark_ground_cell(x, z, value); }

void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                        std::uint32_t colour) {
    services().draw_selection_box(min, max, altitude_offset, colour);
}
