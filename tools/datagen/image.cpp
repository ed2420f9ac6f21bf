#include "image.h"

#include "output.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

rgba mix(const rgba& a, const rgba& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

namespace {

std::uint8_t to_byte(double v) { return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.0)); }

// DDS header flags and pixel-format masks of the uncompressed 32-bit form.
constexpr std::uint32_t k_caps = 0x1, k_height = 0x2, k_width = 0x4, k_pitch = 0x8, k_pixel_format = 0x1000;
constexpr std::uint32_t k_rgb = 0x40, k_alpha_pixels = 0x1;
constexpr std::uint32_t k_caps_texture = 0x1000, k_caps_complex = 0x8;
constexpr std::uint32_t k_caps2_cube_all_faces = 0x200 | 0xFC00;

void put_dds_header(bytes& b, int w, int h, bool cube)
{
    put_text(b, "DDS ");
    put_u32(b, 124);
    put_u32(b, k_caps | k_height | k_width | k_pitch | k_pixel_format);
    put_u32(b, static_cast<std::uint32_t>(h));
    put_u32(b, static_cast<std::uint32_t>(w));
    put_u32(b, static_cast<std::uint32_t>(w) * 4);  // pitch
    put_u32(b, 0);                                 // depth
    put_u32(b, 0);                                 // mip count (one level)
    for (int i = 0; i < 11; ++i) put_u32(b, 0);
    put_u32(b, 32);
    put_u32(b, k_rgb | k_alpha_pixels);
    put_u32(b, 0);  // no FourCC
    put_u32(b, 32);
    put_u32(b, 0x00FF0000);
    put_u32(b, 0x0000FF00);
    put_u32(b, 0x000000FF);
    put_u32(b, 0xFF000000);
    put_u32(b, cube ? (k_caps_texture | k_caps_complex) : k_caps_texture);
    put_u32(b, cube ? k_caps2_cube_all_faces : 0);
    put_u32(b, 0);
    put_u32(b, 0);
    put_u32(b, 0);
}

void put_dds_pixels(bytes& b, const image& img)
{
    const auto& p = img.pixels();
    for (size_t i = 0; i < p.size(); i += 4) {
        // Stored as the little-endian word 0xAARRGGBB.
        b.push_back(p[i + 2]);
        b.push_back(p[i + 1]);
        b.push_back(p[i + 0]);
        b.push_back(p[i + 3]);
    }
}

}  // namespace

void image::set(int x, int y, const rgba& c)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const size_t i = 4u * (static_cast<size_t>(y) * width_ + x);
    pixels_[i] = to_byte(c.r);
    pixels_[i + 1] = to_byte(c.g);
    pixels_[i + 2] = to_byte(c.b);
    pixels_[i + 3] = to_byte(c.a);
}

rgba image::get(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const size_t i = 4u * (static_cast<size_t>(y) * width_ + x);
    return {pixels_[i] / 255.0, pixels_[i + 1] / 255.0, pixels_[i + 2] / 255.0, pixels_[i + 3] / 255.0};
}

void image::blend(int x, int y, const rgba& c, double t)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    set(x, y, mix(get(x, y), c, clamp01(t)));
}

void write_dds(const std::string& name, const image& img)
{
    bytes b;
    put_dds_header(b, img.width(), img.height(), false);
    put_dds_pixels(b, img);
    write_output(name, b);
}

void write_dds_cube(const std::string& name, const std::array<image, 6>& faces)
{
    bytes b;
    put_dds_header(b, faces[0].width(), faces[0].height(), true);
    for (const image& f : faces) put_dds_pixels(b, f);
    write_output(name, b);
}

void write_jpeg(const std::string& name, const image& img, int quality)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(img.width());
    cinfo.image_height = static_cast<JDIMENSION>(img.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(3u * img.width());
    const auto& p = img.pixels();
    while (cinfo.next_scanline < cinfo.image_height) {
        const size_t base = 4u * cinfo.next_scanline * img.width();
        for (int x = 0; x < img.width(); ++x) {
            row[3 * x] = p[base + 4 * x];
            row[3 * x + 1] = p[base + 4 * x + 1];
            row[3 * x + 2] = p[base + 4 * x + 2];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    write_output(name, bytes(buffer, buffer + size));
    std::free(buffer);
}
