// The texture cache's loader on the graphics device: decodes a picture file as the request
// asks and makes a managed texture of it. Textures it hands out belong to the cache until
// the cache gives them back to `release`.
#pragma once

#include "core/texture_cache.h"

class gfx_device;

class device_texture_loader : public texture_loader {
public:
    explicit device_texture_loader(gfx_device* device = nullptr) : device_(device) {}
    void set_device(gfx_device* device) { device_ = device; }

    gfx_texture* load(const char* name, const texture_request& request) override;
    bool lock_first_level(gfx_texture* texture, std::uint8_t** bits, int* pitch, int* width,
                          int* height) override;
    void unlock_first_level(gfx_texture* texture) override;
    void release(gfx_texture* texture) override;

private:
    gfx_device* device_;
};

// A managed texture holding the levels (and cube faces) of a decoded picture.
hresult texture_from_image(gfx_device* device, const texture_image& picture,
                           std::unique_ptr<gfx_texture>* out);
