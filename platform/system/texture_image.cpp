#include "platform/texture_image.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/image_ops.h"

int texture_side(int file_side, int requested, int max_size) {
    int side = requested;
    if (requested == k_texture_size_default) side = image_next_power_of_two(file_side);
    else if (requested == k_texture_size_file || requested < 0) side = file_side;
    return std::clamp(side, 1, max_size > 0 ? max_size : k_image_max_side);
}

namespace {

image_format own_format(const image& picture) {
    return image_has_alpha(picture) ? image_format::a8r8g8b8 : image_format::x8r8g8b8;
}

// One face: the file's levels where they fit the wanted size, the rest made by halving.
hresult build_face(const std::vector<const image*>& file_levels, int width, int height,
                   int levels, const texture_request& request, std::vector<image>* out) {
    const image& top = *file_levels[0];
    const bool same_size = top.width == width && top.height == height;
    for (int level = 0; level < levels; ++level) {
        image surface;
        if (same_size && level < static_cast<int>(file_levels.size())) {
            surface = *file_levels[static_cast<std::size_t>(level)];
            image_apply_color_key(&surface, request.color_key);
        } else if (level == 0) {
            image keyed = top;
            image_apply_color_key(&keyed, request.color_key);
            surface = image_resize(keyed, width, height);
        } else {
            surface = image_half_size(out->back());
        }
        if (surface.empty()) return E_OUTOFMEMORY;
        out->push_back(std::move(surface));
    }
    return S_OK;
}

hresult build(const std::vector<std::vector<const image*>>& faces, bool cube,
              image_format file_format, const texture_request& request, texture_image* out) {
    *out = texture_image{};
    const image& top = *faces[0][0];
    texture_image result;
    result.cube = cube;
    result.faces = static_cast<int>(faces.size());
    result.format = request.format == image_format::unknown ? file_format : request.format;
    if (result.format == image_format::unknown) result.format = own_format(top);
    int width = texture_side(top.width, request.width, request.max_size);
    int height = texture_side(top.height, request.height, request.max_size);
    if (cube) width = height = std::max(width, height);
    const int most = image_full_mip_count(width, height);
    result.levels = request.levels == k_texture_levels_full ? most
                                                            : std::clamp(request.levels, 1, most);
    for (const std::vector<const image*>& face : faces) {
        const hresult r = build_face(face, width, height, result.levels, request, &result.surfaces);
        if (failed(r)) return r;
    }
    for (image& surface : result.surfaces) {
        if (!image_quantize(&surface, result.format)) return E_BAD_FORMAT;
    }
    *out = std::move(result);
    return S_OK;
}

}  // namespace

hresult texture_image_from_picture(const image& picture, image_format file_format,
                                   const texture_request& request, texture_image* out) {
    *out = texture_image{};
    if (picture.empty()) return E_INVALIDARG;
    return build({{&picture}}, false, file_format, request, out);
}

hresult texture_image_from_memory(const std::uint8_t* data, std::size_t size,
                                  const texture_request& request, texture_image* out) {
    *out = texture_image{};
    if (image_detect(data, size) == image_file_kind::dds) {
        dds_image dds;
        const hresult r = dds_decode(data, size, &dds);
        if (failed(r)) return r;
        std::vector<std::vector<const image*>> faces(static_cast<std::size_t>(dds.faces));
        for (int face = 0; face < dds.faces; ++face)
            for (int level = 0; level < dds.levels; ++level)
                faces[static_cast<std::size_t>(face)].push_back(&dds.surface(face, level));
        return build(faces, dds.cube, dds.file_format, request, out);
    }
    image picture;
    const hresult r = image_decode(data, size, &picture);
    if (failed(r)) return r;
    return build({{&picture}}, false, own_format(picture), request, out);
}

hresult texture_image_from_file(const char* name, const texture_request& request,
                                texture_image* out) {
    *out = texture_image{};
    if (!fs_is_file(name)) return E_FILE_NOT_FOUND;
    std::vector<std::uint8_t> bytes;
    if (!fs_read(name, &bytes)) return E_FILE_READ;
    return texture_image_from_memory(bytes.data(), bytes.size(), request, out);
}
