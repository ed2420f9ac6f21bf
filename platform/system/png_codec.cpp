// PNG through stb: used by tests and tools that want a lossless picture beside BMP.
#include <cstdlib>
#include <cstring>

#include <stb_image.h>
#include <stb_image_write.h>

#include "platform/image.h"

hresult png_decode(const std::uint8_t* data, std::size_t size, image* out) {
    *out = image{};
    if (data == nullptr || size < 8 || size > 0x7FFFFFFF) return E_BAD_FORMAT;
    int width = 0, height = 0, channels = 0;
    const int length = static_cast<int>(size);
    if (!stbi_info_from_memory(data, length, &width, &height, &channels) ||
        !image_size_allowed(width, height))
        return E_BAD_FORMAT;
    stbi_uc* rgba = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (rgba == nullptr) return E_BAD_FORMAT;
    image picture;
    if (!image_allocate(&picture, width, height)) {
        stbi_image_free(rgba);
        return E_OUTOFMEMORY;
    }
    const stbi_uc* src = rgba;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* dst = picture.row(y);
        for (int x = 0; x < width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    }
    stbi_image_free(rgba);
    *out = std::move(picture);
    return S_OK;
}

namespace {

void append_bytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

hresult png_encode(const image& picture, std::vector<std::uint8_t>* out) {
    out->clear();
    if (!image_size_allowed(picture.width, picture.height)) return E_INVALIDARG;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(picture.width) * picture.height * 4);
    std::uint8_t* dst = rgba.data();
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* src = picture.row(y);
        for (int x = 0; x < picture.width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    }
    const int ok = stbi_write_png_to_func(append_bytes, out, picture.width, picture.height, 4,
                                          rgba.data(), picture.width * 4);
    return ok ? S_OK : E_FAIL;
}
