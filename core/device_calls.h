// The few graphics-device calls the frame tree, the camera and the lights make: transforms,
// lighting, fog, lights and the viewport, each result checked through d3d_app. Kept in one
// place so the scene objects need nothing else of the device; without a device they do
// nothing and the viewport is the virtual 640 x 480 screen.
#pragma once

#include "platform/gfx_types.h"
#include "platform/math3d.h"

class gfx_device;

// The device these calls go to (none: no device). The application object installs its
// device when it creates it; tests install a recording device.
void use_device(gfx_device* device);
gfx_device* current_device();

bool device_available();
void device_set_world(const mat4& m);
void device_set_view(const mat4& m);
void device_set_projection(const mat4& m);
void device_set_lighting(bool on);
void device_set_fog_density(float density);
void device_set_light(int index, const gfx_light& light);
void device_enable_light(int index, bool on);
gfx_viewport device_viewport();
