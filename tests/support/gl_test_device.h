// The pixel tests' drawing: an off-screen OpenGL context and a device on it with a D24S8 depth
// buffer, as the program's own device is made.
#pragma once

#include <memory>

#include "platform/gfx_device.h"
#include "platform/system/offscreen_gl.h"

// The context; ok() is false where none can be made (the test skips). llvmpipe is asked to
// draw on this thread: its worker threads, alive until the process ends, can trip the leak
// checker's thread suspension at exit. The pictures are the same.
std::unique_ptr<offscreen_gl> make_test_gl_context();
// A device of width x height on the current context.
hresult create_test_gl_device(int width, int height, std::unique_ptr<gfx_device>* out);
