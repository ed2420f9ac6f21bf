// The GUI's drawing on the overlay: the painter the program installs, mapping each of the
// GUI's drawing calls onto the overlay's primitives and fonts and setting the render states
// of the GUI pass on the overlay's device.
#pragma once

#include "ui/gui_painter.h"

class d3d_font;
class overlay2d;

class overlay_painter : public gui_painter {
public:
    explicit overlay_painter(overlay2d* overlay) : overlay_(overlay) {}

    void begin_pass(const mat4& view) override;
    void end_pass() override;
    void set_world(const mat4& world) override;
    void fill_rect(float x1, float y1, float x2, float y2, std::uint32_t colour) override;
    void draw_rect(float x1, float y1, float x2, float y2, std::uint32_t colour) override;
    void draw_line(float x1, float y1, float x2, float y2, std::uint32_t colour) override;
    void draw_bevel(float x1, float y1, float x2, float y2, bool raised, std::uint32_t colour_a,
                    std::uint32_t colour_b) override;
    void fill_triangle(float x1, float y1, float x2, float y2, triangle_dir dir,
                       std::uint32_t colour, bool inset) override;
    void draw_tab(float x1, float y1, float x2, float y2, std::uint32_t colour_a,
                  std::uint32_t colour_b, std::uint32_t outline) override;
    void draw_note_box(float x1, float y1, float x2, float y2, const char* text) override;
    void draw_texture(float x1, float y1, float x2, float y2, std::uint32_t colour,
                      gfx_texture* texture, bool point_sampled) override;
    void draw_rotated_texture(float cx, float cy, float half_width, float half_height, float angle,
                              std::uint32_t colour, gfx_texture* texture) override;
    void begin_text(int font) override;
    void end_text(int font) override;
    void draw_text(int font, float x1, float y1, float x2, float y2, const char* text,
                   std::uint32_t flags, float dx, float dy, float sx, float sy,
                   std::uint32_t colour, bool batched) override;
    bool text_extent(int font, const char* text, int size[2]) override;

private:
    void plain_drawing();
    // The overlay's font of a GUI font number, a narrowed one made when first used.
    d3d_font* face(int font);
    overlay2d* overlay_;
};
