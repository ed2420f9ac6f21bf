// Draws the start-up splash (350 x 280 BMP) and the loading and menu background (640 x 480
// JPEG): an evening sky over the sea, a launcher on the shore and two missile trails
// climbing towards a target, with the program's name.
// Usage: loading_pictures <resources folder>   (writes BITMAP/171.bmp and RCDATA/173.jpg)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/font_raster.h"
#include "platform/image.h"

namespace {

std::uint32_t mix(std::uint32_t a, std::uint32_t b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    std::uint32_t out = 0xFF000000u;
    for (int s = 0; s < 24; s += 8) {
        const float x = static_cast<float>((a >> s) & 0xFF), y = static_cast<float>((b >> s) & 0xFF);
        out |= static_cast<std::uint32_t>(x + (y - x) * t + 0.5f) << s;
    }
    return out;
}

void blend_pixel(image& p, int x, int y, std::uint32_t color, float t) {
    if (x < 0 || y < 0 || x >= p.width || y >= p.height) return;
    p.set_pixel(x, y, mix(p.pixel(x, y), color, t));
}

// A soft round dab of smoke.
void dab(image& p, float cx, float cy, float r, std::uint32_t color, float strength) {
    for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r); ++y) {
        for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r); ++x) {
            const float d = std::hypot(x - cx, y - cy) / r;
            if (d < 1) blend_pixel(p, x, y, color, strength * (1 - d * d));
        }
    }
}

// A climbing trail along a quadratic curve from (x0, y0) through (xc, yc) to (x1, y1).
void trail(image& p, float x0, float y0, float xc, float yc, float x1, float y1, float k) {
    for (int i = 0; i <= 400; ++i) {
        const float t = i / 400.0f, u = 1 - t;
        const float x = u * u * x0 + 2 * u * t * xc + t * t * x1;
        const float y = u * u * y0 + 2 * u * t * yc + t * t * y1;
        dab(p, x, y, k * (1.0f + 2.5f * (1 - t)), 0xFFF4F0EAu, 0.18f);
    }
    dab(p, x1, y1, k * 1.2f, 0xFFFFE8A0u, 0.9f);  // the motor's flame
}

void text(image& p, const char* s, int x, int y, int height, bool bold, std::uint32_t color) {
    font_request request;
    request.face_name = "Sans";
    request.cell_height = height;
    request.bold = bold;
    const auto font = make_font_raster(request);
    if (!font) return;
    std::vector<std::uint8_t> cover(static_cast<std::size_t>(p.width) * p.height, 0);
    int pen = x;
    for (const char* c = s; *c; ++c) {
        int cx = 0, cy = 0;
        font->measure(static_cast<std::uint8_t>(*c), &cx, &cy);
        font->draw(static_cast<std::uint8_t>(*c), pen, y, cover.data(), p.width, p.width, p.height);
        pen += cx;
    }
    for (int yy = 0; yy < p.height; ++yy) {
        for (int xx = 0; xx < p.width; ++xx) {
            const int a = cover[static_cast<std::size_t>(yy) * p.width + xx];
            if (a) blend_pixel(p, xx, yy, color, a / 255.0f);
        }
    }
}

image scene(int w, int h, bool splash) {
    image p;
    image_allocate(&p, w, h);
    const int horizon = h * 62 / 100;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t c;
            if (y < horizon) {
                const float t = static_cast<float>(y) / horizon;
                c = t < 0.7f ? mix(0xFF0B1E45u, 0xFF3B5C8Cu, t / 0.7f)
                             : mix(0xFF3B5C8Cu, 0xFFE59A55u, (t - 0.7f) / 0.3f);
            } else {
                const float t = static_cast<float>(y - horizon) / (h - horizon);
                c = mix(0xFF28415Eu, 0xFF0A1626u, t);
                // Glints of the low sun on the water.
                if (((x * 7 + y * 13) % 23) == 0 && t < 0.5f) c = mix(c, 0xFFE59A55u, 0.5f - t);
            }
            p.set_pixel(x, y, c);
        }
    }
    // The shore and a launcher on it.
    const float s = w / 640.0f;
    for (int y = horizon - static_cast<int>(6 * s); y < h; ++y) {
        for (int x = 0; x < static_cast<int>(w * 0.3f); ++x) {
            const float edge = w * 0.3f - (y - horizon) * 0.8f;
            if (x < edge) p.set_pixel(x, y, mix(0xFF1A1A14u, 0xFF2E2A20u, (y - horizon) / (h * 0.4f)));
        }
    }
    for (int i = 0; i < static_cast<int>(40 * s); ++i) {
        for (int j = 0; j < static_cast<int>(6 * s); ++j) {
            blend_pixel(p, static_cast<int>(90 * s) + i, horizon - static_cast<int>(8 * s) - i / 2 - j, 0xFF101010u, 1);
        }
    }
    trail(p, 125 * s, horizon - 26 * s, 220 * s, 150 * s, 470 * s, 70 * s, 2.2f * s);
    trail(p, 120 * s, horizon - 22 * s, 260 * s, 240 * s, 520 * s, 150 * s, 1.8f * s);
    dab(p, 540 * s, 62 * s, 3 * s, 0xFFFF5030u, 1.0f);  // the target
    if (splash) {
        text(p, "VENTRASK", static_cast<int>(20 * s), static_cast<int>(h * 0.66f), static_cast<int>(30 * s + 6), true, 0xFFFFFFFFu);
        text(p, "Air and missile defence simulation", static_cast<int>(20 * s), static_cast<int>(h * 0.66f + 36 * s + 6), static_cast<int>(12 * s + 6), false, 0xFFD8E0F0u);
    }
    return p;
}

bool write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: loading_pictures <resources folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<std::uint8_t> bmp, jpg;
    if (bmp_encode(scene(350, 280, true), 24, &bmp) != S_OK ||
        jpeg_encode(scene(640, 480, false), 85, &jpg) != S_OK) {
        std::fprintf(stderr, "could not encode the pictures\n");
        return 1;
    }
    if (!write(folder + "/BITMAP/171.bmp", bmp) || !write(folder + "/RCDATA/173.jpg", jpg)) {
        std::fprintf(stderr, "could not write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
