#include "core/texture_loading.h"

#include <algorithm>

#include "core/d3d_app.h"
#include "core/texture_helpers.h"
#include "platform/image_ops.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "d3d_app";

namespace {

image_format as_image_format(std::uint32_t format) { return static_cast<image_format>(format); }

texture_request with_device_limit(gfx_device* device, texture_request request) {
    // Never above what the device can hold; a request without a limit takes the device's.
    const int side = static_cast<int>(
        std::min(device->caps().max_texture_width, device->caps().max_texture_height));
    if (request.max_size <= 0) request.max_size = side > 0 ? side : 4096;
    else if (side > 0) request.max_size = std::min(request.max_size, side);
    return request;
}

// A picture file that does not become a texture: the result's line, then the file's name,
// so the log says which file it was.
bool checked_file_load(hresult result, const char* name, int line) {
    if (check_result(result, k_hr_source, line)) return true;
    log_line("Failed to load %s", name);
    return false;
}

hresult fill_level(gfx_texture* texture, int level, int face, const image& texels) {
    locked_rect rect;
    const hresult r = texture->lock_rect(level, &rect, 0, face);
    if (failed(r)) return r;
    const bool packed = image_pack(texels, as_image_format(texture->format()),
                                   static_cast<std::uint8_t*>(rect.bits), rect.pitch);
    texture->unlock_rect(level, face);
    return packed ? S_OK : E_BAD_FORMAT;
}

// The levels last built from bytes in memory, with what they were built from.
struct memory_picture {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint64_t hash = 0;
    texture_request request;
    texture_image levels;
};

memory_picture& last_memory_picture() {
    static memory_picture last;
    return last;
}

std::uint64_t bytes_hash(const std::uint8_t* data, std::size_t size) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

bool same_request(const texture_request& a, const texture_request& b) {
    return a.width == b.width && a.height == b.height && a.levels == b.levels &&
           a.format == b.format && a.color_key == b.color_key && a.max_size == b.max_size;
}

}  // namespace

hresult create_texture_from_image(gfx_device* device, const texture_image& levels,
                                  std::uint32_t pool, texture_ptr* out) {
    out->reset();
    if (device == nullptr || levels.surfaces.empty()) return E_INVALIDARG;
    const auto format = static_cast<std::uint32_t>(levels.format);
    texture_ptr texture;
    const hresult r =
        levels.cube ? device->create_cube_texture(levels.width(), levels.levels, 0, format, pool, &texture)
                    : device->create_texture(levels.width(), levels.height(), levels.levels, 0,
                                             format, pool, &texture);
    if (failed(r)) return r;
    for (int face = 0; face < levels.faces; ++face) {
        for (int level = 0; level < levels.levels; ++level) {
            const hresult f = fill_level(texture.get(), level, face, levels.surface(face, level));
            if (failed(f)) return f;
        }
    }
    *out = std::move(texture);
    return S_OK;
}

hresult load_texture_from_memory(gfx_device* device, const std::uint8_t* data, std::size_t size,
                                 const texture_request& request, texture_ptr* out) {
    out->reset();
    if (device == nullptr) return E_INVALIDARG;
    const texture_request limited = with_device_limit(device, request);
    const std::uint64_t hash = bytes_hash(data, size);
    memory_picture& last = last_memory_picture();
    if (last.data == data && last.size == size && last.hash == hash &&
        same_request(last.request, limited) && !last.levels.surfaces.empty()) {
        // The second load takes the kept levels; a third would build them again.
        const texture_image levels = std::move(last.levels);
        last = memory_picture{};
        return create_texture_from_image(device, levels, POOL_MANAGED, out);
    }
    texture_image levels;
    const hresult r = texture_image_from_memory(data, size, limited, &levels);
    if (failed(r)) return r;
    const hresult made = create_texture_from_image(device, levels, POOL_MANAGED, out);
    if (succeeded(made)) last = memory_picture{data, size, hash, limited, std::move(levels)};
    return made;
}

hresult load_texture_from_file(gfx_device* device, const char* name,
                               const texture_request& request, texture_ptr* out) {
    out->reset();
    if (device == nullptr) return E_INVALIDARG;
    texture_image levels;
    const hresult r = texture_image_from_file(name, with_device_limit(device, request), &levels);
    if (failed(r)) return r;
    return create_texture_from_image(device, levels, POOL_MANAGED, out);
}

hresult read_texture_level(gfx_texture* texture, int level, int face, image* out) {
    *out = image{};
    if (texture == nullptr || level < 0 || level >= texture->level_count()) return E_INVALIDARG;
    image texels;
    if (!image_allocate(&texels, texture->level_width(level), texture->level_height(level)))
        return E_OUTOFMEMORY;
    locked_rect rect;
    const hresult r = texture->lock_rect(level, &rect, LOCK_READONLY, face);
    if (failed(r)) return r;
    const bool unpacked = image_unpack(static_cast<const std::uint8_t*>(rect.bits), rect.pitch,
                                       as_image_format(texture->format()), &texels);
    texture->unlock_rect(level, face);
    if (!unpacked) return E_BAD_FORMAT;
    *out = std::move(texels);
    return S_OK;
}

hresult save_texture_to_file(gfx_texture* texture, const char* name) {
    image texels;
    const hresult r = read_texture_level(texture, 0, 0, &texels);
    if (failed(r)) return r;
    return image_save_file(name, texels);
}

bool create_filled_texture(gfx_device* device, texture_ptr* out, int width, int height,
                           bool fill, std::uint32_t color) {
    out->reset();
    if (device == nullptr) return false;
    texture_ptr texture;
    if (!CHECK_HR(device->create_texture(width, height, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &texture)))
        return false;
    if (fill) {
        locked_rect rect;
        if (!CHECK_HR(texture->lock_rect(0, &rect))) return false;
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint8_t*>(rect.bits) + static_cast<std::size_t>(y) * rect.pitch;
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 4; ++c) row[x * 4 + c] = static_cast<std::uint8_t>(color >> (8 * c));
        }
        texture->unlock_rect(0);
    }
    *out = std::move(texture);
    return true;
}

bool load_texture_as(gfx_device* device, const char* name, texture_ptr* out, std::uint32_t format) {
    texture_request request;
    request.format = as_image_format(format);
    return checked_file_load(load_texture_from_file(device, name, request, out), name, __LINE__);
}

bool load_texture_file(gfx_device* device, const char* name, texture_ptr* out) {
    texture_request request;
    return checked_file_load(load_texture_from_file(device, name, request, out), name, __LINE__);
}

bool load_bump_texture(gfx_device* device, const char* name, texture_ptr* out, bool mipmapped,
                       bool direct) {
    out->reset();
    if (device == nullptr) return false;
    texture_request request;
    request.format = image_format::a8r8g8b8;
    request.color_key = k_texture_color_key;
    request.levels = mipmapped ? k_texture_levels_full : 1;
    texture_image levels;
    if (!checked_file_load(texture_image_from_file(name, with_device_limit(device, request), &levels),
                           name, __LINE__))
        return false;
    texture_ptr bump;
    if (!CHECK_HR(device->create_texture(levels.width(), levels.height(), levels.levels, 0,
                                         FMT_V8U8, POOL_MANAGED, &bump)))
        return false;
    for (int level = 0; level < levels.levels; ++level) {
        locked_rect rect;
        if (!CHECK_HR(bump->lock_rect(level, &rect))) return false;
        make_bump_texels(levels.surface(0, level), direct, static_cast<std::uint8_t*>(rect.bits),
                         rect.pitch);
        bump->unlock_rect(level);
    }
    *out = std::move(bump);
    return true;
}

bool load_texture_tiles(gfx_device* device, const char* name, std::vector<texture_ptr>* out,
                        int columns, int rows) {
    out->clear();
    if (device == nullptr) return false;
    texture_request request;
    request.format = image_format::a8r8g8b8;
    texture_image levels;
    if (!checked_file_load(texture_image_from_file(name, with_device_limit(device, request), &levels),
                           name, __LINE__))
        return false;
    texture_image tile_levels;
    tile_levels.format = image_format::a8r8g8b8;
    for (image& tile : split_into_tiles(levels.surface(0, 0), columns, rows)) {
        tile_levels.surfaces.assign(1, std::move(tile));
        texture_ptr texture;
        if (!CHECK_HR(create_texture_from_image(device, tile_levels, POOL_MANAGED, &texture))) {
            out->clear();
            return false;
        }
        out->push_back(std::move(texture));
    }
    return !out->empty();
}

gfx_texture* device_texture_loader::load(const char* name, const texture_request& request) {
    texture_ptr texture;
    if (!checked_file_load(load_texture_from_file(device_, name, request, &texture), name, __LINE__))
        return nullptr;
    return texture.release();
}

bool device_texture_loader::lock_first_level(gfx_texture* texture, std::uint8_t** bits,
                                             int* pitch, int* width, int* height) {
    if (texture->format() != FMT_A8R8G8B8) return false;
    locked_rect rect;
    if (!CHECK_HR(texture->lock_rect(0, &rect))) return false;
    *bits = static_cast<std::uint8_t*>(rect.bits);
    *pitch = rect.pitch;
    *width = texture->level_width(0);
    *height = texture->level_height(0);
    return true;
}

void device_texture_loader::unlock_first_level(gfx_texture* texture) { texture->unlock_rect(0); }

void device_texture_loader::release(gfx_texture* texture) {
    // Made by the device and handed to the cache, which gives it back here once.
    texture_ptr owned(texture);
}
