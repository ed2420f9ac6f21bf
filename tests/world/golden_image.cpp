#include "tests/world/golden_image.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int k_channel_tolerance = 8;
constexpr double k_pixel_share = 0.01;

std::string golden_path(const std::string& name) {
    const char* source = std::getenv("VENTRASK_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/tests/world/golden/" + name + ".png";
}

bool write_png(const std::string& path, const image& picture) {
    std::vector<std::uint8_t> bytes;
    if (png_encode(picture, &bytes) != S_OK) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int channel_difference(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        if (d > worst) worst = d;
    }
    return worst;
}

}  // namespace

bool read_back_buffer(gfx_device* device, image* out) {
    gfx_surface* surface = device->back_buffer();
    locked_rect rect;
    if (surface == nullptr || surface->lock(&rect) != S_OK) return false;
    const bool ok = image_allocate(out, surface->width(), surface->height());
    for (int y = 0; ok && y < out->height; ++y) {
        std::memcpy(out->row(y), static_cast<const std::uint8_t*>(rect.bits) + y * rect.pitch,
                    static_cast<std::size_t>(out->width) * 4);
    }
    surface->unlock();
    return ok;
}

std::string compare_with_golden(const image& actual, const std::string& name) {
    const std::string path = golden_path(name);
    if (std::getenv("VENTRASK_UPDATE_GOLDEN") != nullptr) {
        return write_png(path, actual) ? std::string() : "could not write " + path;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    image expected;
    if (bytes.empty() || png_decode(bytes.data(), bytes.size(), &expected) != S_OK) {
        return "no stored picture " + path;
    }
    if (expected.width != actual.width || expected.height != actual.height) return "size differs";
    int off = 0;
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            if (channel_difference(actual.pixel(x, y), expected.pixel(x, y)) > k_channel_tolerance) ++off;
        }
    }
    const int allowed = static_cast<int>(k_pixel_share * actual.width * actual.height);
    if (off <= allowed) return std::string();
    write_png(name + ".actual.png", actual);
    return std::to_string(off) + " pixels differ (at most " + std::to_string(allowed) + ")";
}
