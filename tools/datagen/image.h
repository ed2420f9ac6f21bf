// An RGBA picture in memory and the two file forms the game reads textures from: DDS
// (uncompressed A8R8G8B8, one level; also cube maps) and baseline JPEG.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct rgba {
    double r = 0, g = 0, b = 0, a = 1;  // 0..1 each
};

class image {
public:
    image(int width, int height) : width_(width), height_(height), pixels_(4u * width * height, 0) {}
    int width() const { return width_; }
    int height() const { return height_; }
    void set(int x, int y, const rgba& c);
    rgba get(int x, int y) const;
    // Blends c over the pixel with coverage t (0..1).
    void blend(int x, int y, const rgba& c, double t);
    // Pixel bytes R, G, B, A, row 0 at the top.
    const std::vector<std::uint8_t>& pixels() const { return pixels_; }

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

double clamp01(double v);
rgba mix(const rgba& a, const rgba& b, double t);

void write_dds(const std::string& name, const image& img);
// Faces in the order +x, -x, +y, -y, +z, -z, all square and of one size.
void write_dds_cube(const std::string& name, const std::array<image, 6>& faces);
void write_jpeg(const std::string& name, const image& img, int quality = 90);
