#include "core/device_calls.h"

#include "core/d3d_app.h"
#include "platform/gfx_device.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "frame";

namespace {

gfx_device* g_device = nullptr;

}  // namespace

void use_device(gfx_device* device) { g_device = device; }
gfx_device* current_device() { return g_device; }

bool device_available() { return g_device != nullptr; }

void device_set_world(const mat4& m) {
    if (g_device != nullptr) CHECK_HR(g_device->set_transform(TS_WORLD, m));
}

void device_set_view(const mat4& m) {
    if (g_device != nullptr) CHECK_HR(g_device->set_transform(TS_VIEW, m));
}

void device_set_projection(const mat4& m) {
    if (g_device != nullptr) CHECK_HR(g_device->set_transform(TS_PROJECTION, m));
}

void device_set_lighting(bool on) {
    if (g_device != nullptr) CHECK_HR(g_device->set_render_state(RS_LIGHTING, on ? 1u : 0u));
}

void device_set_fog_density(float density) {
    if (g_device != nullptr) CHECK_HR(g_device->set_render_state_f(RS_FOGDENSITY, density));
}

void device_set_light(int index, const gfx_light& light) {
    if (g_device != nullptr) CHECK_HR(g_device->set_light(index, light));
}

void device_enable_light(int index, bool on) {
    if (g_device != nullptr) CHECK_HR(g_device->light_enable(index, on));
}

gfx_viewport device_viewport() {
    if (g_device != nullptr) return g_device->viewport();
    gfx_viewport v;
    v.width = 640;
    v.height = 480;
    return v;
}
