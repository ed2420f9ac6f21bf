// Pictures in memory and the picture files the program reads and writes.
//
// An `image` holds 32-bit texels as the game walks them: bytes B, G, R, A in memory (a
// D3DCOLOR 0xAARRGGBB read as a little-endian u32), rows top first, each row `pitch` bytes
// apart. Every decoder treats its input as untrusted: sizes are checked against the data
// length and dimensions are bounded, so a truncated or lying file is a clean failure.
//
// The decoders and encoders of JPEG and PNG live in platform/system (libjpeg-turbo, stb);
// BMP and DDS are our own and need nothing but this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/results.h"

// Texel formats, numbered as the game's device knows them.
enum class image_format : std::uint32_t {
    unknown = 0,
    r8g8b8 = 20,
    a8r8g8b8 = 21,
    x8r8g8b8 = 22,
    r5g6b5 = 23,
    x1r5g5b5 = 24,
    a1r5g5b5 = 25,
    a4r4g4b4 = 26,
    a8 = 28,
    l8 = 50,
    v8u8 = 60,
};

// Bytes one texel takes in the given format; 0 for unknown formats.
int image_format_bytes(image_format format);

// The largest side any decoder accepts, and the most texels of one picture (256 MB of
// B,G,R,A), whatever a header claims.
constexpr int k_image_max_side = 16384;
constexpr long long k_image_max_texels = 64LL * 1024 * 1024;

struct image {
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes from one row to the next, at least 4 x width
    std::vector<std::uint8_t> texels;

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint8_t* row(int y) { return texels.data() + static_cast<std::size_t>(y) * pitch; }
    const std::uint8_t* row(int y) const {
        return texels.data() + static_cast<std::size_t>(y) * pitch;
    }
    // The texel at (x, y) as 0xAARRGGBB.
    std::uint32_t pixel(int x, int y) const;
    void set_pixel(int x, int y, std::uint32_t argb);
};

// Sizes the image to width x height texels with a pitch of 4 x width, all texels zero.
// False (and the image left empty) for sizes outside the bounds above.
bool image_allocate(image* out, int width, int height);
// True when the size lies within the bounds above.
bool image_size_allowed(long long width, long long height);

// An 8-bit palettised picture: one palette index per pixel, rows top first, no padding.
// Palette entries are 0x00RRGGBB (the bytes blue, green, red, 0 of a bitmap's palette).
struct indexed_image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    std::uint32_t palette[256] = {};
};

// A DDS file's content: one surface (or six cube faces, in the order +x, -x, +y, -y, +z, -z)
// with its mip chain, decoded to B,G,R,A. surfaces[face * levels + level].
struct dds_image {
    bool cube = false;
    int faces = 1;
    int levels = 1;
    image_format file_format = image_format::unknown;  // a8r8g8b8 for compressed files
    std::vector<image> surfaces;

    const image& surface(int face, int level) const {
        return surfaces[static_cast<std::size_t>(face) * levels + level];
    }
};

// The kind of picture a file holds, told by its first bytes.
enum class image_file_kind { unknown, bmp, jpeg, png, dds };
image_file_kind image_detect(const std::uint8_t* data, std::size_t size);

// BMP: 1, 4, 8 (palettised), 16, 24 and 32 bits per pixel, uncompressed (BI_RGB, and
// BI_BITFIELDS for 16 and 32), bottom-up or top-down. Palettised pixels take their palette
// colour with alpha 255; 32-bit pixels keep their alpha byte only when some pixel has a
// non-zero one (otherwise the picture is opaque).
hresult bmp_decode(const std::uint8_t* data, std::size_t size, image* out);
// An 8-bit palettised BMP as indices and palette (other depths: E_BAD_FORMAT).
hresult bmp_decode_indexed(const std::uint8_t* data, std::size_t size, indexed_image* out);
// Writes 24 bits per pixel (alpha dropped) or 32 (alpha kept), bottom-up rows.
hresult bmp_encode(const image& picture, int bits_per_pixel, std::vector<std::uint8_t>* out);
// Writes an 8-bit palettised BMP with its 256-entry palette (data at offset 1078).
hresult bmp_encode_indexed(const indexed_image& picture, std::vector<std::uint8_t>* out);

// DDS: uncompressed 16, 24 and 32-bit RGB(A) by their masks, 8-bit luminance and alpha,
// DXT1, DXT2/DXT3 and DXT4/DXT5 decoded, mip chains and cube maps (volumes are refused).
hresult dds_decode(const std::uint8_t* data, std::size_t size, dds_image* out);
// Writes A8R8G8B8 surfaces: one face (or six for a cube) each with `levels` levels, every
// level half the size of the one before (at least 1).
hresult dds_encode(const dds_image& picture, std::vector<std::uint8_t>* out);

// Decodes one 4x4 block of each compressed DDS kind into 16 texels 0xAARRGGBB, row by row.
void dxt1_decode_block(const std::uint8_t* block, std::uint32_t out[16]);
void dxt3_decode_block(const std::uint8_t* block, std::uint32_t out[16]);
void dxt5_decode_block(const std::uint8_t* block, std::uint32_t out[16]);

// JPEG (libjpeg-turbo): grey or colour baseline and progressive pictures come back opaque.
// A corrupt or truncated stream is a failure (E_BAD_FORMAT), never an exit.
hresult jpeg_decode(const std::uint8_t* data, std::size_t size, image* out);
// Quality 1..100; alpha is dropped.
hresult jpeg_encode(const image& picture, int quality, std::vector<std::uint8_t>* out);

// PNG (stb): any PNG stb reads that starts with its header, as B,G,R,A. A header declaring
// more rows than the file's compressed data could ever hold is refused with
// E_PICTURE_TOO_LARGE before anything of the declared size is made, and one whose image data
// inflate to fewer bytes than its rows need is a bad file before the picture is set aside.
hresult png_decode(const std::uint8_t* data, std::size_t size, image* out);
hresult png_encode(const image& picture, std::vector<std::uint8_t>* out);

// Any of the kinds above, told by its first bytes; a DDS gives its first surface's level 0.
hresult image_decode(const std::uint8_t* data, std::size_t size, image* out);

// Reads a picture file by its program name (backslashes, any case).
hresult image_load_file(const char* name, image* out);
// Writes a picture file; the kind follows the name's extension (".jpg"/".jpeg" at quality
// 90, ".bmp" 24-bit, ".png", ".dds" A8R8G8B8 with one level).
hresult image_save_file(const char* name, const image& picture);
