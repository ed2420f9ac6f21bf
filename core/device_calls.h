// The few graphics-device calls the frame tree, the camera and the lights make: transforms,
// lighting, fog, lights and the viewport. Kept here in one place so the scene objects stay
// free of the device's own interface; without a device they do nothing.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

// A device light: type (1 point, 2 spot, 3 directional), colours as (r, g, b, a), position
// and direction in world space, range, falloff, three attenuations, theta and phi.
struct light_record {
    std::int32_t type = 1;
    vec4 diffuse;
    vec4 specular;
    vec4 ambient;
    vec3 position;
    vec3 direction;
    float range = 0.0f;
    float falloff = 0.0f;
    float attenuation0 = 0.0f;
    float attenuation1 = 0.0f;
    float attenuation2 = 0.0f;
    float theta = 0.0f;
    float phi = 0.0f;
};

// The drawing area of the back buffer in pixels and its depth range.
struct viewport_record {
    std::uint32_t x = 0, y = 0, width = 640, height = 480;
    float min_z = 0.0f, max_z = 1.0f;
};

bool device_available();
void device_set_world(const mat4& m);
void device_set_view(const mat4& m);
void device_set_projection(const mat4& m);
void device_set_lighting(bool on);
void device_set_fog_density(float density);
void device_set_light(int index, const light_record& light);
void device_enable_light(int index, bool on);
viewport_record device_viewport();
