#include "tests/support/gl_test_device.h"

#include <cstdlib>

#include "platform/system/gl_device.h"

std::unique_ptr<offscreen_gl> make_test_gl_context() {
    setenv("LP_NUM_THREADS", "0", 0);
    return std::make_unique<offscreen_gl>();
}

hresult create_test_gl_device(int width, int height, std::unique_ptr<gfx_device>* out) {
    gl_system system(gl_window_hooks{});
    present_params p;
    p.back_buffer_width = width;
    p.back_buffer_height = height;
    p.enable_auto_depth_stencil = 1;
    p.auto_depth_stencil_format = FMT_D24S8;
    return system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, out);
}
