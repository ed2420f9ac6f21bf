// What the GUI draws with: the 2-D primitives and the six texture fonts, in GUI units under
// the transforms the GUI sets. The program draws through the overlay; tests install a
// recording painter and read back what was drawn, without a device.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

class gfx_texture;

// The overlay's fonts by number.
namespace gui_font {
enum : int { regular = 0, bold = 1, fixed = 2, large = 3, medium = 4, small = 5, count = 6 };

// Narrowed faces: each font again at its own height with glyphs drawn narrower, in steps of a
// twentieth from 0.95 (step 1) to 0.5 (step 10), numbered after the six fonts. A text too wide
// for its box is drawn in one of them, batched like any other text; the few steps keep the
// faces a screen needs to a handful, each rasterised once.
constexpr int k_narrowing_steps = 10;
constexpr float k_narrowing_step = 0.05f;
constexpr int all = count * (1 + k_narrowing_steps);

// The face of a font narrowed by a step (1..k_narrowing_steps; 0 the font itself).
constexpr int narrowed(int font, int step) {
    return step <= 0 ? font : count + font * k_narrowing_steps + (step - 1);
}
// The font a face was narrowed from, and its width against that font's (1 for the six fonts).
constexpr int base_of(int face) { return face < count ? face : (face - count) / k_narrowing_steps; }
constexpr int step_of(int face) { return face < count ? 0 : (face - count) % k_narrowing_steps + 1; }
constexpr float width_of(int face) { return 1.0f - k_narrowing_step * static_cast<float>(step_of(face)); }
}  // namespace gui_font

// Box flags of the text operations (smooth: linear filtering, for text drawn at once).
namespace text_flag {
enum : std::uint32_t { centre = 1, smooth = 2, centre_vertical = 4, wrap = 8 };
}

// Which edge a filled triangle points to.
enum class triangle_dir { up, down, left, right };

class gui_painter {
public:
    virtual ~gui_painter() = default;

    // Around the GUI pass: the render states of 2-D drawing are set, then restored.
    virtual void begin_pass(const mat4& view) = 0;
    virtual void end_pass() = 0;
    // The world transform of the window being drawn (and the text scale that goes with it).
    virtual void set_world(const mat4& world) = 0;

    virtual void fill_rect(float x1, float y1, float x2, float y2, std::uint32_t colour) = 0;
    virtual void draw_rect(float x1, float y1, float x2, float y2, std::uint32_t colour) = 0;
    virtual void draw_line(float x1, float y1, float x2, float y2, std::uint32_t colour) = 0;
    virtual void draw_bevel(float x1, float y1, float x2, float y2, bool raised,
                            std::uint32_t colour_a, std::uint32_t colour_b) = 0;
    virtual void fill_triangle(float x1, float y1, float x2, float y2, triangle_dir dir,
                               std::uint32_t colour, bool inset) = 0;
    virtual void draw_tab(float x1, float y1, float x2, float y2, std::uint32_t colour_a,
                          std::uint32_t colour_b, std::uint32_t outline) = 0;
    // A note: translucent light yellow with a thin dark outline, the text centred in black.
    virtual void draw_note_box(float x1, float y1, float x2, float y2, const char* text) = 0;
    // Textures: the whole picture over the box; point sampling draws pixel for pixel.
    virtual void draw_texture(float x1, float y1, float x2, float y2, std::uint32_t colour,
                              gfx_texture* texture, bool point_sampled) = 0;
    virtual void draw_rotated_texture(float cx, float cy, float half_width, float half_height,
                                      float angle, std::uint32_t colour,
                                      gfx_texture* texture) = 0;

    // Text: batched per font between begin_text and end_text, or drawn at once.
    virtual void begin_text(int font) = 0;
    virtual void end_text(int font) = 0;
    virtual void draw_text(int font, float x1, float y1, float x2, float y2, const char* text,
                           std::uint32_t flags, float dx, float dy, float sx, float sy,
                           std::uint32_t colour, bool batched) = 0;
    // The text's size in texels (widest line, total height); false when it cannot be told.
    virtual bool text_extent(int font, const char* text, int size[2]) = 0;
};

// The installed painter; none draws nothing.
gui_painter* current_painter();
void set_painter(gui_painter* painter);

// A text's width (widest line) and height in GUI units in a font, at the text scale of a
// window without a world scaling; false when it cannot be told (no painter, no viewport).
bool gui_text_size(gui_painter* p, int font, const char* text, float size[2]);

inline std::uint32_t argb(int a, int r, int g, int b) {
    return (static_cast<std::uint32_t>(a & 255) << 24) | (static_cast<std::uint32_t>(r & 255) << 16) |
           (static_cast<std::uint32_t>(g & 255) << 8) | static_cast<std::uint32_t>(b & 255);
}
