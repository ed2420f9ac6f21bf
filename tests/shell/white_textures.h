// A texture loader for the pixel tests: every texture asked for is opaque white.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/texture_cache.h"
#include "platform/gfx_device.h"

class white_textures : public texture_loader {
public:
    explicit white_textures(gfx_device* device) : device_(device) {}
    gfx_texture* load(const char*, const texture_request&) override {
        texture_ptr t;
        if (device_->create_texture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t) != S_OK) return nullptr;
        locked_rect r;
        if (t->lock_rect(0, &r) != S_OK) return nullptr;
        for (int y = 0; y < 4; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(r.bits) + y * r.pitch);
            std::fill(row, row + 4, 0xFFFFFFFFu);
        }
        t->unlock_rect(0);
        return t.release();
    }
    bool lock_first_level(gfx_texture*, std::uint8_t**, int*, int*, int*) override { return false; }
    void unlock_first_level(gfx_texture*) override {}
    void release(gfx_texture* texture) override { texture_ptr owned(texture); }

private:
    gfx_device* device_;
};
