// Picture files by name: the kind is told by the content when reading and by the
// extension when writing.
#include <cstring>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/text.h"

hresult image_decode(const std::uint8_t* data, std::size_t size, image* out) {
    *out = image{};
    switch (image_detect(data, size)) {
    case image_file_kind::bmp:
        return bmp_decode(data, size, out);
    case image_file_kind::jpeg:
        return jpeg_decode(data, size, out);
    case image_file_kind::png:
        return png_decode(data, size, out);
    case image_file_kind::dds: {
        dds_image dds;
        const hresult r = dds_decode(data, size, &dds);
        if (failed(r)) return r;
        *out = std::move(dds.surfaces[0]);
        return S_OK;
    }
    case image_file_kind::unknown:
        break;
    }
    return E_BAD_FORMAT;
}

hresult image_load_file(const char* name, image* out) {
    *out = image{};
    if (!fs_is_file(name)) return E_FILE_NOT_FOUND;
    std::vector<std::uint8_t> bytes;
    if (!fs_read(name, &bytes)) return E_FILE_READ;
    return image_decode(bytes.data(), bytes.size(), out);
}

namespace {

bool has_extension(const char* name, const char* extension) {
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr && ascii_lowered(dot) == extension;
}

}  // namespace

hresult image_save_file(const char* name, const image& picture) {
    std::vector<std::uint8_t> bytes;
    hresult r = E_INVALIDARG;
    if (has_extension(name, ".jpg") || has_extension(name, ".jpeg")) {
        r = jpeg_encode(picture, 90, &bytes);
    } else if (has_extension(name, ".bmp")) {
        r = bmp_encode(picture, 24, &bytes);
    } else if (has_extension(name, ".png")) {
        r = png_encode(picture, &bytes);
    } else if (has_extension(name, ".dds")) {
        dds_image dds;
        dds.surfaces.push_back(picture);
        r = dds_encode(dds, &bytes);
    }
    if (failed(r)) return r;
    return fs_write(name, bytes.data(), bytes.size()) ? S_OK : E_FILE_WRITE;
}
