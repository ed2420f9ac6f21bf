// A texture font: the characters 32..255 of a face drawn once into one alpha texture, then
// strings drawn as textured quads in GUI units (y up) under whatever transforms the caller
// has set, either collected in a batch and drawn with one call or drawn at once. Sizes
// follow the viewport, so one texel covers one pixel when the scale factors are 1.
//
// Inside a string, line feed starts a new line, bytes 20..31 pick a colour of
// `text_palette`, other bytes below 32 are skipped, 128..255 are Windows-1252 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx_device.h"

// A vertex of a glyph or textured quad: position, A8R8G8B8 colour, texture coordinates.
struct font_vertex {
    float x, y, z;
    std::uint32_t color;
    float u, v;
};
constexpr std::uint32_t k_font_vertex_fvf = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;
static_assert(sizeof(font_vertex) == 24);

// Texture coordinates (0..1) of one character's cell in the font texture.
struct glyph_rect {
    float left, top, right, bottom;
};

// Font flags.
enum : std::uint32_t { FONT_BOLD = 1, FONT_ITALIC = 2, FONT_FIXED_PITCH = 4 };
// Box flags of the text operations.
enum : std::uint32_t {
    TEXT_CENTER = 1,           // centre horizontally and vertically
    TEXT_SMOOTH = 2,           // immediate drawing only: linear instead of point filtering
    TEXT_CENTER_VERTICAL = 4,
    TEXT_WRAP = 8,             // wrap at spaces
};

// The colours picked by the bytes 20..31 of a string, shared by every font.
extern std::uint32_t text_palette[12];
// Light: the colours for a light background (the starting values); else for a dark one.
void set_text_palette(bool light);

class d3d_font {
public:
    static constexpr int k_first_char = 32;
    static constexpr int k_glyph_count = 224;
    static constexpr int k_store_vertices = 61440;   // 10,240 quads of six vertices
    // A glyph is added only while fewer vertices than this are in use (10,239 glyphs).
    static constexpr int k_store_limit = k_store_vertices - 6;

    // width: of the glyphs against the face's own (1 the face as it is; less a narrowed face
    // of the same height, its glyphs rasterised at that width).
    d3d_font(const char* face_name, std::uint32_t height, std::uint32_t flags, float width = 1.0f);
    ~d3d_font();
    d3d_font(const d3d_font&) = delete;
    d3d_font& operator=(const d3d_font&) = delete;

    // The device textures are made on and drawn with (none: the font draws nothing).
    void set_device(gfx_device* device) { device_ = device; }

    // Draws the glyphs for this scale (half the smaller GUI scale factor) into a new texture;
    // false when the texture or the face cannot be made (the font then has no texture). A
    // font that has its texture for this scale on its device keeps it.
    bool create_texture(float scale);
    void release_texture();

    void begin_batch();
    // Appends a string's glyphs to the batch with the pen starting at (x, y).
    void draw_text_at(float x, float y, const char* text, std::uint32_t color, float sx,
                      float sy);
    // Appends a string's glyphs laid out in the box x1, y1, x2, y2 (GUI units).
    void draw_text(float x1, float y1, float x2, float y2, const char* text,
                   std::uint32_t flags, float dx, float dy, float sx, float sy,
                   std::uint32_t color);
    // Lays out as draw_text and draws at once (in the store after an open batch of the font,
    // which it leaves as it was).
    void draw_text_in_box(float x1, float y1, float x2, float y2, const char* text,
                          std::uint32_t flags, float dx, float dy, float sx, float sy,
                          std::uint32_t color);
    // Draws the batch and empties it.
    void end_batch();

    // The font cache pair "graphics\<name>.dds" (the texture) and "graphics\<name>.ddx"
    // (face, height, flags, texture size, scale and glyph table; 3,684 bytes). Saving gives
    // up silently when a file cannot be written. Loading is false when either file is
    // missing, short or does not fit the texture, and then leaves the font as it was.
    void save_cache(const char* name) const;
    bool load_cache(const char* name);
    static constexpr int k_cache_file_size = 3684;

    // The string's size in texels: the widest line and the lines' total height. False for
    // a missing string or size.
    bool get_text_extent(const char* text, int size[2]) const;

    const char* face_name() const { return face_name_; }
    std::uint32_t height() const { return height_; }
    std::uint32_t flags() const { return flags_; }
    float width() const { return width_; }
    gfx_texture* texture() const { return texture_.get(); }
    int texture_width() const { return texture_width_; }
    int texture_height() const { return texture_height_; }
    float scale() const { return scale_; }
    // The pixel height the glyphs were drawn at.
    int pixel_height() const { return pixel_height_; }
    const glyph_rect& glyph(std::uint8_t ch) const { return glyphs_[ch - k_first_char]; }
    int batch_triangles() const { return batch_triangles_; }
    const font_vertex* vertices() const { return store_.data(); }
    std::size_t store_size() const { return store_.size(); }

    // The pixel height of a nominal point height at a scale: 96 pixels per inch, at least 12.
    static int pixel_height_for(std::uint32_t points, float scale);
    // The side of the texture before any growth: 256, 512 above 20 points, 1024 above 40.
    static int texture_side_for(std::uint32_t points);

private:
    // Lays a string out into the store from `*position`, which moves past what was added.
    void layout(float x1, float y1, float x2, float y2, const char* text, std::uint32_t flags,
                float dx, float dy, float sx, float sy, std::uint32_t color, bool in_box,
                int* position);
    void add_glyph(float x, float y, float w, float h, const glyph_rect& g,
                   std::uint32_t color, int* position);
    // Draws the store's triangles from vertex `first` on.
    void draw_store(int first, int triangles, bool smooth);

    char face_name_[80] = {};
    std::uint32_t height_;
    std::uint32_t flags_;
    float width_ = 1.0f;
    texture_ptr texture_;
    std::vector<font_vertex> store_;  // k_store_vertices, zeroed, made with the font
    int texture_width_ = 0, texture_height_ = 0;
    float scale_ = 1.0f;
    int pixel_height_ = 0;
    glyph_rect glyphs_[k_glyph_count] = {};
    int batch_position_ = 0;
    int batch_triangles_ = 0;
    gfx_device* device_ = nullptr;
};
