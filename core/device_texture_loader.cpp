#include "core/device_texture_loader.h"

#include "core/d3d_app.h"
#include "platform/gfx_device.h"
#include "platform/image_ops.h"

hresult texture_from_image(gfx_device* device, const texture_image& picture, texture_ptr* out) {
    if (!device || !out || picture.surfaces.empty()) return D3DERR_INVALIDCALL;
    const auto format = static_cast<std::uint32_t>(picture.format);
    texture_ptr t;
    hresult r = picture.cube ? device->create_cube_texture(picture.width(), picture.levels, 0,
                                                           format, POOL_MANAGED, &t)
                             : device->create_texture(picture.width(), picture.height(),
                                                      picture.levels, 0, format, POOL_MANAGED,
                                                      &t);
    if (r != S_OK) return r;
    for (int face = 0; face < picture.faces; ++face) {
        for (int level = 0; level < picture.levels && level < t->level_count(); ++level) {
            locked_rect rect;
            r = t->lock_rect(level, &rect, 0, face);
            if (r != S_OK) return r;
            const bool packed = image_pack(picture.surface(face, level), picture.format,
                                           static_cast<std::uint8_t*>(rect.bits), rect.pitch);
            t->unlock_rect(level, face);
            if (!packed) return E_BAD_FORMAT;
        }
    }
    *out = std::move(t);
    return S_OK;
}

gfx_texture* device_texture_loader::load(const char* name, const texture_request& request) {
    if (!device_ || !name) return nullptr;
    texture_image picture;
    if (texture_image_from_file(name, request, &picture) != S_OK) return nullptr;
    texture_ptr t;
    if (!CHECK_HR(texture_from_image(device_, picture, &t))) return nullptr;
    return t.release();  // the cache owns it until release()
}

bool device_texture_loader::lock_first_level(gfx_texture* texture, std::uint8_t** bits,
                                             int* pitch, int* width, int* height) {
    if (!texture || texture->format() != FMT_A8R8G8B8) return false;
    locked_rect r;
    if (!CHECK_HR(texture->lock_rect(0, &r))) return false;
    *bits = static_cast<std::uint8_t*>(r.bits);
    *pitch = r.pitch;
    *width = texture->width();
    *height = texture->height();
    return true;
}

void device_texture_loader::unlock_first_level(gfx_texture* texture) {
    if (texture) texture->unlock_rect(0);
}

void device_texture_loader::release(gfx_texture* texture) { texture_ptr owned(texture); }
