// Drawing a whole scene into a surface (a texture level or a render surface) with a depth
// buffer of its own: begin_scene saves the device's target, depth buffer and viewport and
// points the device at the surface; end_scene puts them back. Used for the off-screen passes,
// the situation snapshot and the model thumbnails.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx_device.h"

class render_to_surface {
public:
    // A helper for surfaces of width x height and `format`; with a depth format
    // (FMT_D16, FMT_D24S8...) it owns a depth buffer of that size, with FMT_UNKNOWN none.
    static hresult create(gfx_device* device, int width, int height, std::uint32_t format,
                          std::uint32_t depth_format, std::unique_ptr<render_to_surface>* out);

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t format() const { return format_; }

    // The surface must be a render target of this helper's size. The viewport given (or the
    // whole surface) becomes the device's.
    hresult begin_scene(gfx_surface* surface, const gfx_viewport* viewport = nullptr);
    hresult end_scene();
    bool in_scene() const { return in_scene_; }

private:
    render_to_surface() = default;

    gfx_device* device_ = nullptr;
    int width_ = 0, height_ = 0;
    std::uint32_t format_ = 0;
    surface_ptr depth_;
    gfx_surface* saved_target_ = nullptr;
    gfx_surface* saved_depth_ = nullptr;
    gfx_viewport saved_viewport_;
    bool in_scene_ = false;
};
