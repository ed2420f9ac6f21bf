#include "core/device_calls.h"

#include "core/d3d_app.h"

// The calls go to the application object's device; without one they do nothing and the
// viewport is the virtual 640 x 480 screen.

namespace {
gfx_device* device() { return g_app ? g_app->device.get() : nullptr; }
}  // namespace

bool device_available() { return device() != nullptr; }

void device_set_world(const mat4& m) {
    if (gfx_device* d = device()) d->set_transform(TS_WORLD, m);
}

void device_set_view(const mat4& m) {
    if (gfx_device* d = device()) d->set_transform(TS_VIEW, m);
}

void device_set_projection(const mat4& m) {
    if (gfx_device* d = device()) d->set_transform(TS_PROJECTION, m);
}

void device_set_lighting(bool on) {
    if (gfx_device* d = device()) d->set_render_state(RS_LIGHTING, on ? 1 : 0);
}

void device_set_fog_density(float density) {
    if (gfx_device* d = device()) d->set_render_state_f(RS_FOGDENSITY, density);
}

void device_set_light(int index, const light_record& light) {
    gfx_device* d = device();
    if (!d) return;
    gfx_light l;
    l.type = static_cast<std::uint32_t>(light.type);
    l.diffuse = {light.diffuse.x, light.diffuse.y, light.diffuse.z, light.diffuse.w};
    l.specular = {light.specular.x, light.specular.y, light.specular.z, light.specular.w};
    l.ambient = {light.ambient.x, light.ambient.y, light.ambient.z, light.ambient.w};
    l.position[0] = light.position.x;
    l.position[1] = light.position.y;
    l.position[2] = light.position.z;
    l.direction[0] = light.direction.x;
    l.direction[1] = light.direction.y;
    l.direction[2] = light.direction.z;
    l.range = light.range;
    l.falloff = light.falloff;
    l.attenuation0 = light.attenuation0;
    l.attenuation1 = light.attenuation1;
    l.attenuation2 = light.attenuation2;
    l.theta = light.theta;
    l.phi = light.phi;
    // An index the device does not have (the pool's overflow value among them) is refused
    // there and logged.
    CHECK_HR(d->set_light(index, l));
}

void device_enable_light(int index, bool on) {
    if (gfx_device* d = device()) CHECK_HR(d->light_enable(index, on));
}

viewport_record device_viewport() {
    gfx_device* d = device();
    if (!d) return {};
    const gfx_viewport& v = d->viewport();
    return viewport_record{v.x, v.y, v.width, v.height, v.min_z, v.max_z};
}
