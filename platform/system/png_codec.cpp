// PNG through stb: used by tests and tools that want a lossless picture beside BMP.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "platform/image.h"

namespace {

// Deflate makes at most 1032 bytes out of one byte of its stream (the longest match repeated):
// a picture whose rows need more than that times the file's size cannot be in the file.
constexpr long long k_max_deflate_ratio = 1032;

std::uint32_t big_endian_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// The bytes of the filtered rows the header declares (a filter byte and the packed samples a
// row, the least an interlaced picture needs too); -1 for a header that is not one. The first
// chunk of a PNG file is its header: width, height, bit depth and colour type at bytes 16..25.
long long declared_row_bytes(const std::uint8_t* data, std::size_t size) {
    if (size < 26 || std::memcmp(data + 12, "IHDR", 4) != 0) return -1;
    const long long width = big_endian_u32(data + 16);
    const long long height = big_endian_u32(data + 20);
    const int depth = data[24];
    int samples = 0;
    switch (data[25]) {
    case 0: samples = 1; break;  // grey
    case 2: samples = 3; break;  // RGB
    case 3: samples = 1; break;  // palette
    case 4: samples = 2; break;  // grey and alpha
    case 6: samples = 4; break;  // RGBA
    default: return -1;
    }
    if (!image_size_allowed(width, height) || depth < 1 || depth > 16) return -1;
    return height * (1 + (width * samples * depth + 7) / 8);
}

// The bytes the file's image data inflate to (its IDAT chunks in order, up to IEND or the end
// of the file); -1 when there are none, a chunk runs past the end of the file (the library
// would set aside the length it declares first) or their stream is broken. Inflating is cheap next to a
// picture the library would set aside before finding the data too short for it.
long long inflated_size(const std::uint8_t* data, std::size_t size) {
    std::vector<char> stream;
    std::size_t at = 8;
    while (at + 8 <= size) {
        const std::size_t length = big_endian_u32(data + at);
        const char* type = reinterpret_cast<const char*>(data + at + 4);
        if (std::memcmp(type, "IEND", 4) == 0) break;
        if (length > size - at - 8 || size - at - 8 - length < 4) return -1;
        if (std::memcmp(type, "IDAT", 4) == 0) stream.insert(stream.end(), type + 4, type + 4 + length);
        at += 12 + length;
    }
    if (stream.empty() || stream.size() > 0x7FFFFFFF) return -1;
    int length = 0;
    char* inflated = stbi_zlib_decode_malloc_guesssize_headerflag(stream.data(), static_cast<int>(stream.size()),
                                                                  16384, &length, 1);
    if (inflated == nullptr) return -1;
    stbi_image_free(inflated);
    return length;
}

}  // namespace

hresult png_decode(const std::uint8_t* data, std::size_t size, image* out) {
    *out = image{};
    if (data == nullptr || size < 8 || size > 0x7FFFFFFF) return E_BAD_FORMAT;
    // The declared size is judged before anything of that size is made: a damaged or hostile
    // header must not cost the memory of a picture the file cannot hold.
    const long long rows = declared_row_bytes(data, size);
    if (rows < 0) return E_BAD_FORMAT;
    if (rows > k_max_deflate_ratio * static_cast<long long>(size)) return E_PICTURE_TOO_LARGE;
    if (inflated_size(data, size) < rows) return E_BAD_FORMAT;  // fewer pixels than declared
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
