// Textures and texts from the program's embedded resources.
#include <cstring>

#include "core/d3d_app.h"
#include "platform/image_ops.h"
#include "platform/resources.h"
#include "platform/texture_image.h"
#include "ui/overlay2d.h"

namespace {

bool find_picture(int id, resource_data* out) {
    return find_resource("RCDATA", id, out) || find_resource("BITMAP", id, out);
}

// Makes a texture of the prepared levels on the device.
bool make_texture(gfx_device& device, const texture_image& levels, texture_ptr* out) {
    const auto format = static_cast<std::uint32_t>(levels.format);
    texture_ptr texture;
    if (!CHECK_HR(device.create_texture(levels.width(), levels.height(), levels.levels, 0,
                                        format, POOL_MANAGED, &texture)) ||
        !texture) {
        return false;
    }
    for (int level = 0; level < levels.levels; ++level) {
        locked_rect lr;
        if (texture->lock_rect(level, &lr) != S_OK) return false;
        const bool packed = image_pack(levels.surface(0, level), levels.format,
                                       static_cast<std::uint8_t*>(lr.bits), lr.pitch);
        texture->unlock_rect(level);
        if (!packed) return false;
    }
    *out = std::move(texture);
    return true;
}

}  // namespace

bool load_texture_from_resource(int id, texture_ptr* slot, bool color_key) {
    if (!slot) return false;
    slot->reset();
    gfx_device* device = g_overlay ? g_overlay->device() : nullptr;
    resource_data data;
    if (!device || !find_picture(id, &data)) return false;

    texture_request request;
    request.max_size = static_cast<int>(device->caps().max_texture_width);
    if (request.max_size <= 0) request.max_size = 4096;
    if (color_key) {
        // One level, one bit of alpha: opaque black becomes transparent.
        request.levels = 1;
        request.format = image_format::a1r5g5b5;
        request.color_key = 0xFF000000u;
    } else {
        // The picture's own format, size rounded up to powers of two, a full mip chain.
        request.levels = k_texture_levels_full;
    }
    texture_image levels;
    if (!CHECK_HR(texture_image_from_memory(data.data, data.size, request, &levels))) {
        return false;
    }
    return make_texture(*device, levels, slot);
}

bool reload_texture_file(const char* name, texture_ptr* slot) {
    if (!slot) return false;
    slot->reset();
    gfx_device* device = g_overlay ? g_overlay->device() : nullptr;
    if (!device || !name) return false;
    // The file's own format and size rounded up to powers of two, one level; no log line.
    texture_request request;
    request.max_size = static_cast<int>(device->caps().max_texture_width);
    if (request.max_size <= 0) request.max_size = 4096;
    texture_image levels;
    if (texture_image_from_file(name, request, &levels) != S_OK) return false;
    return make_texture(*device, levels, slot);
}

bool load_text_resource(int id, char* buffer, std::size_t capacity) {
    resource_data data;
    if (!buffer || capacity == 0 || !find_resource("TEXT", id, &data)) return false;
    // The copy stops at the buffer's end: a text larger than the caller thought is cut off.
    const std::size_t n = data.size < capacity - 1 ? data.size : capacity - 1;
    std::memcpy(buffer, data.data, n);
    buffer[n] = '\0';
    return true;
}
