#include "platform/render_to_surface.h"

hresult render_to_surface::create(gfx_device* device, int width, int height,
                                  std::uint32_t format, std::uint32_t depth_format,
                                  std::unique_ptr<render_to_surface>* out) {
    if (!device || !out || width <= 0 || height <= 0) return D3DERR_INVALIDCALL;
    std::unique_ptr<render_to_surface> r(new render_to_surface());
    r->device_ = device;
    r->width_ = width;
    r->height_ = height;
    r->format_ = format;
    if (depth_format != FMT_UNKNOWN) {
        const hresult h = device->create_depth_stencil_surface(width, height, depth_format,
                                                               &r->depth_);
        if (h != S_OK) return h;
    }
    *out = std::move(r);
    return S_OK;
}

hresult render_to_surface::begin_scene(gfx_surface* surface, const gfx_viewport* viewport) {
    if (in_scene_ || !surface || surface->width() != width_ || surface->height() != height_)
        return D3DERR_INVALIDCALL;
    gfx_surface* previous = device_->render_target();
    saved_target_ = previous == device_->back_buffer() ? nullptr : previous;
    saved_depth_ = device_->depth_stencil_surface();
    saved_viewport_ = device_->viewport();
    hresult r = device_->set_render_target(0, surface);
    if (r != S_OK) return r;
    device_->set_depth_stencil_surface(depth_.get());
    if (viewport) device_->set_viewport(*viewport);
    r = device_->begin_scene();
    if (r != S_OK) {
        device_->set_render_target(0, saved_target_);
        device_->set_depth_stencil_surface(saved_depth_);
        device_->set_viewport(saved_viewport_);
        return r;
    }
    in_scene_ = true;
    return S_OK;
}

hresult render_to_surface::end_scene() {
    if (!in_scene_) return D3DERR_INVALIDCALL;
    in_scene_ = false;
    const hresult r = device_->end_scene();
    device_->set_render_target(0, saved_target_);
    device_->set_depth_stencil_surface(saved_depth_);
    device_->set_viewport(saved_viewport_);
    return r;
}
