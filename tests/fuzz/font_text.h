// The body of the font fuzz target, shared with the corpus replay of the normal test suite.
// The fonts draw arbitrary text at arbitrary sizes: the input's first byte picks one of a set
// of fonts (faces, point sizes from 0 to 200, bold, italic, fixed pitch, GUI scales 0.1 to 3),
// the next seven bytes the box flags, the scale factors and the box, the rest is the string,
// laid out in a batch, at once and measured. With the first byte's top bit set the rest is
// instead a font cache file ".ddx" read beside a good ".dds" of 32 x 32 texels, and the loaded font lays out
// every character. The fonts draw on a recording device given by the caller, which also
// provides the application object and a file root with a "graphics" folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/recording_device.h"
#include "ui/d3d_font.h"

struct font_spec {
    const char* face;
    std::uint32_t points;
    std::uint32_t flags;
    float scale;
};

inline constexpr font_spec k_fuzz_fonts[] = {
    {"NULL", 9, 0, 1.0f},
    {"NULL", 12, FONT_BOLD, 1.0f},
    {"Courier New", 10, FONT_FIXED_PITCH, 1.0f},
    {"Arial", 16, FONT_BOLD | FONT_ITALIC, 0.5f},
    {"NULL", 24, 0, 2.0f},
    {"Times New Roman", 41, FONT_ITALIC, 1.0f},
    {"", 0, 0, 0.1f},
    {"NULL", 200, FONT_BOLD | FONT_FIXED_PITCH, 3.0f},
};
inline constexpr int k_fuzz_font_count = sizeof k_fuzz_fonts / sizeof k_fuzz_fonts[0];

// The fonts, each drawn once when first asked for, the font that loads cache files, and the
// cache pair "graphics\fuzz.dds" (a small 32 x 32 texture, kept) and "graphics\fuzz.ddx"
// (each input's).
class font_set {
public:
    static constexpr int k_cache_side = 32;

    explicit font_set(recording_device* device) : device_(device) {
        fs_make_folder("graphics");
        image texture;
        image_allocate(&texture, k_cache_side, k_cache_side);
        for (int y = 0; y < k_cache_side; ++y)
            for (int x = 0; x < k_cache_side; ++x) texture.set_pixel(x, y, (x + y) % 3 ? 0xFFFFFFFFu : 0u);
        image_save_file("graphics\\fuzz.dds", texture);
        loaded_.set_device(device);
    }
    d3d_font& loaded() { return loaded_; }
    d3d_font& get(int i) {
        if (!fonts_[i]) {
            const font_spec& s = k_fuzz_fonts[i];
            fonts_[i] = std::make_unique<d3d_font>(s.face, s.points, s.flags);
            fonts_[i]->set_device(device_);
            fonts_[i]->create_texture(s.scale);
        }
        return *fonts_[i];
    }
    recording_device* device() const { return device_; }

private:
    recording_device* device_;
    std::unique_ptr<d3d_font> fonts_[k_fuzz_font_count];
    // A failed load leaves it as it was; a good one sets every value it has.
    d3d_font loaded_{"NULL", 12, 0};
};

// Lays the string out every way a font can; a checksum of the sizes and vertex count.
inline std::uint32_t lay_out_text(d3d_font& f, const char* text, std::uint32_t flags, float sx,
                                  float sy, const float box[4]) {
    f.begin_batch();
    f.draw_text_at(box[0], box[1], text, 0xFFFFFFFFu, sx, sy);
    f.draw_text(box[0], box[1], box[2], box[3], text, flags, 0.01f, -0.02f, sx, sy, 0xFF00FF00u);
    const std::uint32_t triangles = static_cast<std::uint32_t>(f.batch_triangles());
    f.end_batch();
    f.draw_text_in_box(box[2], box[3], box[0], box[1], text, flags, 0.0f, 0.0f, sx, sy, 0xFF0000FFu);
    int size[2] = {0, 0};
    f.get_text_extent(text, size);
    return triangles * 31u + static_cast<std::uint32_t>(size[0]) * 7u + static_cast<std::uint32_t>(size[1]);
}

inline std::uint32_t run_font_text(font_set& fonts, const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fonts.device()->clear_records();
    if (data[0] & 0x80) {
        fs_write("graphics\\fuzz.ddx", data + 1, size - 1);
        d3d_font& loaded = fonts.loaded();
        if (!loaded.load_cache("fuzz")) return 0;
        std::string every;
        for (int c = 1; c < 256; ++c) every.push_back(static_cast<char>(c));
        const float box[4] = {-1.0f, 1.0f, 1.0f, -1.0f};
        return lay_out_text(loaded, every.c_str(), TEXT_WRAP, 1.0f, 1.0f, box);
    }
    d3d_font& f = fonts.get(data[0] % k_fuzz_font_count);
    std::uint8_t head[7] = {};
    for (std::size_t i = 0; i < 7 && i + 1 < size; ++i) head[i] = data[i + 1];
    const std::uint32_t flags = head[0] & 15u;
    // Scale factors from 1/64 to 4, the box corners from -2 to 2 GUI units.
    const float sx = (head[1] + 1) / 64.0f, sy = (head[2] + 1) / 64.0f;
    float box[4];
    for (int i = 0; i < 4; ++i) box[i] = static_cast<std::int8_t>(head[3 + i]) / 64.0f;
    const std::string text = size > 8 ? std::string(reinterpret_cast<const char*>(data + 8), size - 8) : "";
    return lay_out_text(f, text.c_str(), flags, sx, sy, box);
}
