// The one way in and out of a 3-D preview drawn over a GUI window (the design screens' turning
// models, the hub's assembled missile and its explosion). A preview turns on lighting and the
// depth test, sets its own transforms, material, blending, texture stages and shaders; the GUI
// drawn after it (the screen's panels, its Save and Load boxes, every child window) expects the
// device as the GUI left it. A preview_drawing keeps the device's whole state when it is made
// and puts every changed value back when it ends, so no preview can leave the GUI lit, depth
// tested or tinted, whichever way its drawing returns.
#pragma once

#include <memory>

#include "platform/gfx_device.h"

class preview_drawing {
public:
    // Keeps the state of the current device (none: nothing is kept or restored).
    preview_drawing();
    // The same for a given device (tests).
    explicit preview_drawing(gfx_device* device);
    ~preview_drawing();
    preview_drawing(const preview_drawing&) = delete;
    preview_drawing& operator=(const preview_drawing&) = delete;

private:
    static constexpr int k_kept_textures = 2;
    gfx_device* device_;
    std::unique_ptr<device_state> kept_;
    gfx_texture* textures_[k_kept_textures] = {};
    gfx_shader* vertex_shader_ = nullptr;
    gfx_shader* pixel_shader_ = nullptr;
};
