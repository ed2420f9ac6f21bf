// Stored pictures for the drawing tests: the back buffer read back and compared with
// tests/world/golden/<name>.png. A picture passes when at most 1 % of its pixels differ by
// more than 8 in some channel. VENTRASK_UPDATE_GOLDEN=1 writes the stored picture instead;
// a failing picture is kept beside the test program as <name>.actual.png.
#pragma once

#include <string>

#include "platform/gfx_device.h"
#include "platform/image.h"

bool read_back_buffer(gfx_device* device, image* out);
// An empty string when the picture matches, else what went wrong.
std::string compare_with_golden(const image& actual, const std::string& name);
