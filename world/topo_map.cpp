#include "world/topo_map.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int k_base[16][3] = {
    {180, 196, 169}, {192, 202, 172}, {205, 208, 176}, {218, 215, 180},
    {231, 221, 184}, {244, 228, 188}, {244, 225, 178}, {244, 222, 168},
    {244, 218, 157}, {244, 215, 147}, {244, 211, 136}, {242, 204, 127},
    {239, 197, 118}, {236, 190, 108}, {233, 183, 99},  {230, 176, 89}};
constexpr std::uint32_t k_water_colour = (125u << 16) | (167u << 8) | 217u;
constexpr int k_bands = 15;
constexpr float k_shade_scale = 10.0f;  // flat ground: shade 10
constexpr float k_max_band = 255.0f;    // a band past 15 spills into the shade bits, no further

}  // namespace

void topo_palette(std::uint32_t palette[256]) {
    for (int i = 0; i < 256; ++i) {
        const int* b = k_base[i % 16];
        const int dim = i < 16 ? 25 : 25 - i / 16;
        const std::uint32_t r = static_cast<std::uint32_t>(b[0] * dim / 25);
        const std::uint32_t g = static_cast<std::uint32_t>(b[1] * dim / 25);
        const std::uint32_t bl = static_cast<std::uint32_t>(b[2] * dim / 25);
        palette[i] = (r << 16) | (g << 8) | bl;
    }
    palette[k_topo_water] = k_water_colour;
}

std::uint8_t topo_pixel(const std::int16_t* samples, int columns, int rows, int r, int c,
                        float cell, float elevation_scale, bool has_depth) {
    const int r0 = std::max(0, std::min(r, rows - 2));
    const int c0 = std::max(0, std::min(c, columns - 2));
    const int r1 = std::min(r0 + 1, rows - 1);
    const int c1 = std::min(c0 + 1, columns - 1);
    const float h = samples[r0 * columns + c0];
    if (h <= 0.0f && !has_depth) return k_topo_water;
    const float dx = samples[r0 * columns + c1] - h;
    const float dz = samples[r1 * columns + c0] - h;
    const float len = std::sqrt(dx * dx + cell * cell + dz * dz);
    float shade = len > 0.0f ? (cell + dx + dz) / len * k_shade_scale : k_shade_scale;
    shade = std::clamp(shade, 0.0f, 15.0f);
    // A broken header's scale of 0 (or below) would divide by zero: it counts as 1.
    const float scale = elevation_scale > 0.0f ? elevation_scale : 1.0f;
    const float band = std::min(std::fabs(h * k_bands / scale), k_max_band);
    const int value = static_cast<int>(band + 16.0f * static_cast<float>(static_cast<int>(shade)));
    return static_cast<std::uint8_t>(value & 0xFF);
}

bool make_topo_image(const std::int16_t* samples, int columns, int rows, float cell,
                     float elevation_scale, bool has_depth, image* out) {
    if (samples == nullptr || columns < 2 || rows < 2) return false;
    if (!image_allocate(out, columns, rows)) return false;
    std::uint32_t palette[256];
    topo_palette(palette);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const std::uint8_t index =
                topo_pixel(samples, columns, rows, r, c, cell, elevation_scale, has_depth);
            // Row 0 is the south row: the bottom of the picture.
            out->set_pixel(c, rows - 1 - r, 0xFF000000u | palette[index]);
        }
    }
    return true;
}
