#include "core/device_calls.h"

// Until the graphics device is wired in, there is no device: every call does nothing and the
// viewport is the virtual 640 x 480 screen.

bool device_available() { return false; }
void device_set_world(const mat4&) {}
void device_set_view(const mat4&) {}
void device_set_projection(const mat4&) {}
void device_set_lighting(bool) {}
void device_set_fog_density(float) {}
void device_set_light(int, const light_record&) {}
void device_enable_light(int, bool) {}
viewport_record device_viewport() { return {}; }
