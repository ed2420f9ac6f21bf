// Textures and texts from the program's embedded resources, and picture files reloaded into
// a texture slot.
#include <cstring>

#include "core/d3d_app.h"
#include "core/texture_loading.h"
#include "platform/resources.h"
#include "ui/overlay2d.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "resource_textures";

namespace {

bool find_picture(int id, resource_data* out) {
    return find_resource("RCDATA", id, out) || find_resource("BITMAP", id, out);
}

}  // namespace

bool load_texture_from_resource(int id, texture_ptr* slot, bool color_key) {
    if (!slot) return false;
    slot->reset();
    gfx_device* device = g_overlay ? g_overlay->device() : nullptr;
    resource_data data;
    if (!device || !find_picture(id, &data)) return false;

    texture_request request;
    request.max_size = 0;  // the device's largest side
    if (color_key) {
        // One level, one bit of alpha: opaque black becomes transparent.
        request.levels = 1;
        request.format = image_format::a1r5g5b5;
        request.color_key = 0xFF000000u;
    } else {
        // The picture's own format, size rounded up to powers of two, a full mip chain.
        request.levels = k_texture_levels_full;
    }
    return CHECK_HR(load_texture_from_memory(device, data.data, data.size, request, slot));
}

bool reload_texture_file(const char* name, texture_ptr* slot) {
    if (!slot) return false;
    slot->reset();
    gfx_device* device = g_overlay ? g_overlay->device() : nullptr;
    if (!device || !name) return false;
    // The file's own format, one level, no log line.
    return load_texture_file(device, name, slot);
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
