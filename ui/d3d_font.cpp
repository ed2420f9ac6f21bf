#include "ui/d3d_font.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/font_raster.h"
#include "platform/image_ops.h"
#include "platform/text.h"
#include "platform/texture_image.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "d3d_font";

std::uint32_t text_palette[12] = {
    0xFF000000u, 0xFFFF0000u, 0xFF00A000u, 0xFF0000FFu, 0xFF808080u, 0xFF00FFFFu,
    0xFFFF00FFu, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u,
};

void set_text_palette(bool light) {
    static constexpr std::uint32_t k_light[5] = {0xFF000000u, 0xFFFF0000u, 0xFF00A000u,
                                                 0xFF0000FFu, 0xFF808080u};
    static constexpr std::uint32_t k_dark[5] = {0xFFFFFFFFu, 0xFFFF8000u, 0xFF0FF000u,
                                                0xFF00C0FFu, 0xFFC0C0C0u};
    for (int i = 0; i < 5; ++i) text_palette[i] = light ? k_light[i] : k_dark[i];
    text_palette[5] = 0xFF00FFFFu;
    text_palette[6] = 0xFFFF00FFu;
    for (int i = 7; i < 12; ++i) text_palette[i] = 0xFF000000u;
}

namespace {

// Where a character sits in the texture, in texels.
struct glyph_cell {
    int x, y, cx, cy;
};

// All 224 cells in rows of the given side; false when a row runs past the bottom (the cells
// are placed all the same: those below the texture then draw nothing).
bool place_cells(const font_raster& raster, int side, glyph_cell* cells) {
    int x = 0, y = 0;
    bool fits = true;
    for (int i = 0; i < d3d_font::k_glyph_count; ++i) {
        int cx = 0, cy = 0;
        raster.measure(static_cast<std::uint8_t>(i + d3d_font::k_first_char), &cx, &cy);
        if (x + 1 + cx > side) {
            y += cy + 1;
            x = 0;
        }
        cells[i] = {x, y, cx, cy};
        if (y + cy > side) fits = false;
        x += cx + 1;
    }
    return fits;
}

// The largest texture side the device takes (4096 when it does not say).
int largest_side(const gfx_device& device) {
    const int w = static_cast<int>(device.caps().max_texture_width);
    const int h = static_cast<int>(device.caps().max_texture_height);
    const int side = std::min(w, h);
    return side > 0 ? side : 4096;
}

}  // namespace

d3d_font::d3d_font(const char* face_name, std::uint32_t height, std::uint32_t flags, float width)
    : height_(height), flags_(flags), width_(width), store_(k_store_vertices) {
    copy_bounded(face_name_, sizeof face_name_, face_name ? face_name : "");
}

d3d_font::~d3d_font() { release_texture(); }

int d3d_font::pixel_height_for(std::uint32_t points, float scale) {
    // The screen's 96 pixels per logical inch, 72 points per inch.
    const float pixels = static_cast<float>(points) * 96.0f * scale / 72.0f;
    return static_cast<int>(std::max(12.0f, pixels));
}

int d3d_font::texture_side_for(std::uint32_t points) {
    if (points > 40) return 1024;
    if (points > 20) return 512;
    return 256;
}

void d3d_font::release_texture() { texture_.reset(); }

bool d3d_font::create_texture(float scale) {
    // The same scale on the same device draws the same glyphs: the texture it has is kept
    // (start-up sizes the fonts once when the GUI starts and again when it takes the window).
    if (texture_ && scale == scale_ && device_ && texture_->device() == device_) {
        pixel_height_ = pixel_height_for(height_, scale);
        return true;
    }
    release_texture();
    scale_ = scale;
    if (!device_) return false;

    font_request request;
    request.face_name = face_name_;
    request.cell_height = pixel_height_for(height_, scale);
    request.bold = (flags_ & FONT_BOLD) != 0;
    request.italic = (flags_ & FONT_ITALIC) != 0;
    request.fixed_pitch = (flags_ & FONT_FIXED_PITCH) != 0;
    request.width = width_;
    const std::unique_ptr<font_raster> raster = make_font_raster(request);
    if (!raster) return false;
    pixel_height_ = request.cell_height;

    // The nominal height gives the first size; large scales make the rows of the bigger
    // fonts run past its bottom, so the side doubles until every character has its cell.
    glyph_cell cells[k_glyph_count];
    int side = texture_side_for(height_);
    const int limit = largest_side(*device_);
    while (!place_cells(*raster, side, cells) && side * 2 <= limit) side *= 2;

    texture_ptr texture;
    const hresult hr =
        device_->create_texture(side, side, 1, 0, FMT_A4R4G4B4, POOL_MANAGED, &texture);
    // Logged under the name and line the program's log has always shown for this failure.
    if (!check_result(hr, "d3d_font", 133) || !texture) return false;
    texture_width_ = texture_height_ = side;

    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(side) * side, 0);
    for (int i = 0; i < k_glyph_count; ++i) {
        const glyph_cell& c = cells[i];
        // Each glyph is drawn into its own cell only: one that reaches past the face's ascent
        // or descent (accents over capitals) or past its advance would otherwise leave marks in
        // the cells beside it, which show as stray dots by other characters.
        const int cell_w = std::min(c.cx, side - c.x), cell_h = std::min(c.cy, side - c.y);
        if (cell_w > 0 && cell_h > 0) {
            std::uint8_t* cell = coverage.data() + static_cast<std::size_t>(c.y) * side + c.x;
            raster->draw(static_cast<std::uint8_t>(i + k_first_char), 0, 0, cell, side, cell_w, cell_h);
        }
        const float fs = static_cast<float>(side);
        glyphs_[i] = {c.x / fs, c.y / fs, (c.x + c.cx) / fs, (c.y + c.cy) / fs};
    }

    locked_rect lr;
    if (texture->lock_rect(0, &lr) != S_OK) return false;
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(lr.bits) +
                                                     static_cast<std::ptrdiff_t>(y) * lr.pitch);
        for (int x = 0; x < side; ++x) {
            // The upper four bits of the coverage become the alpha of a white texel.
            const unsigned a = coverage[static_cast<std::size_t>(y) * side + x] >> 4;
            row[x] = a == 0 ? 0 : static_cast<std::uint16_t>((a << 12) | 0x0FFF);
        }
    }
    texture->unlock_rect(0);
    texture_ = std::move(texture);
    return true;
}

void d3d_font::begin_batch() {
    batch_position_ = 0;
    batch_triangles_ = 0;
}

void d3d_font::draw_text_at(float x, float y, const char* text, std::uint32_t color, float sx,
                            float sy) {
    const int before = batch_position_;
    layout(x, y, x, y, text, 0, 0, 0, sx, sy, color, false, &batch_position_);
    batch_triangles_ += (batch_position_ - before) / 3;
}

void d3d_font::draw_text(float x1, float y1, float x2, float y2, const char* text,
                         std::uint32_t flags, float dx, float dy, float sx, float sy,
                         std::uint32_t color) {
    const int before = batch_position_;
    layout(x1, y1, x2, y2, text, flags, dx, dy, sx, sy, color, true, &batch_position_);
    batch_triangles_ += (batch_position_ - before) / 3;
}

void d3d_font::draw_text_in_box(float x1, float y1, float x2, float y2, const char* text,
                                std::uint32_t flags, float dx, float dy, float sx, float sy,
                                std::uint32_t color) {
    // Laid out after the glyphs of an open batch, which stay as they are.
    int position = batch_position_;
    layout(x1, y1, x2, y2, text, flags, dx, dy, sx, sy, color, true, &position);
    draw_store(batch_position_, (position - batch_position_) / 3, (flags & TEXT_SMOOTH) != 0);
}

void d3d_font::end_batch() {
    draw_store(0, batch_triangles_, false);
    batch_position_ = 0;
    batch_triangles_ = 0;
}

void d3d_font::draw_store(int first, int triangles, bool smooth) {
    if (!device_) return;
    device_->set_texture(0, texture_.get());
    const std::uint32_t filter = smooth ? TEXF_LINEAR : TEXF_POINT;
    device_->set_sampler_state(0, SAMP_MINFILTER, filter);
    device_->set_sampler_state(0, SAMP_MAGFILTER, filter);
    device_->set_sampler_state(0, SAMP_MIPFILTER, TEXF_NONE);
    if (triangles > 0) {
        device_->set_fvf(k_font_vertex_fvf);
        device_->draw_primitive_up(PT_TRIANGLELIST, triangles, store_.data() + first,
                                   sizeof(font_vertex));
    }
    device_->set_sampler_state(0, SAMP_MINFILTER, TEXF_LINEAR);
    device_->set_sampler_state(0, SAMP_MAGFILTER, TEXF_LINEAR);
    const bool mipmaps = g_app ? g_app->use_mipmaps != 0 : true;
    device_->set_sampler_state(0, SAMP_MIPFILTER, mipmaps ? TEXF_LINEAR : TEXF_NONE);
    device_->set_texture(0, nullptr);
}

bool d3d_font::get_text_extent(const char* text, int size[2]) const {
    if (!text || !size) return false;
    const glyph_rect& space = glyphs_[0];
    const float line_height = (space.bottom - space.top) * texture_height_;
    float width = 0, line_width = 0, height = line_height;
    for (const char* p = text; *p; ++p) {
        const auto ch = static_cast<std::uint8_t>(*p);
        if (ch == '\n') {
            line_width = 0;
            height += line_height;
        } else if (ch >= 32 && ch <= 127) {
            const glyph_rect& g = glyphs_[ch - k_first_char];
            line_width += (g.right - g.left) * texture_width_;
        }
        width = std::max(width, line_width);
    }
    size[0] = static_cast<int>(width);
    size[1] = static_cast<int>(height);
    return true;
}

void d3d_font::add_glyph(float x, float y, float w, float h, const glyph_rect& g,
                         std::uint32_t color, int* position) {
    // The store has its full room from the start: drawing never allocates.
    if (*position < 0 || static_cast<std::size_t>(*position) + 6 > store_.size()) return;
    font_vertex* v = store_.data() + *position;
    v[0] = {x, y, 0, color, g.left, g.bottom};
    v[1] = {x, y + h, 0, color, g.left, g.top};
    v[2] = {x + w, y, 0, color, g.right, g.bottom};
    v[3] = {x + w, y + h, 0, color, g.right, g.top};
    v[4] = {x + w, y, 0, color, g.right, g.bottom};
    v[5] = {x, y + h, 0, color, g.left, g.top};
    *position += 6;
}

void d3d_font::layout(float x1, float y1, float x2, float y2, const char* text,
                      std::uint32_t flags, float dx, float dy, float sx, float sy,
                      std::uint32_t color, bool in_box, int* position) {
    if (!text || !device_ || !texture_) return;
    const float W = static_cast<float>(device_->viewport().width);
    const float H = static_cast<float>(device_->viewport().height);
    if (W <= 0 || H <= 0) return;

    // Snap the start to the pixel grid so texels land on whole pixels.
    x1 -= std::fmod(x1, 1.001f / W);
    y1 -= std::fmod(y1, 1.001f / H);
    const float left = std::min(x1, x2), right = std::max(x1, x2);
    const float bottom = std::min(y1, y2), top = std::max(y1, y2);

    const float tw = static_cast<float>(texture_width_), th = static_cast<float>(texture_height_);
    auto glyph_w = [&](const glyph_rect& g) { return 2 * (g.right - g.left) * tw * sx / W; };
    auto glyph_h = [&](const glyph_rect& g) { return 2 * (g.bottom - g.top) * th * sy / H; };
    const float line_height = glyph_h(glyphs_[0]);

    float x = x1 + dx, y = y1 + dy;
    if (in_box && (flags & (TEXT_CENTER | TEXT_CENTER_VERTICAL))) {
        int extent[2] = {0, 0};
        get_text_extent(text, extent);
        // The first line's foot, so that all the lines together are centred (the pen moves
        // down a line at each line break).
        y = (y1 + y2) / 2 + extent[1] * sy / H - line_height;
        x = (flags & TEXT_CENTER) ? (x1 + x2) / 2 - extent[0] * sx / W : x1;
    }
    const float start_x = x;

    for (const char* p = text; *p; ++p) {
        const auto ch = static_cast<std::uint8_t>(*p);
        if (ch == '\n') {
            y -= line_height;
            x = start_x;
            continue;
        }
        if (ch >= 20 && ch < 32) {
            color = text_palette[ch - 20];
            continue;
        }
        if (ch < 32) continue;
        const glyph_rect& g = glyphs_[ch - k_first_char];
        const float w = glyph_w(g), h = glyph_h(g);
        if (ch == ' ' && in_box && (flags & TEXT_WRAP)) {
            float word = 2 * w;
            for (const char* q = p + 1; *q; ++q) {
                const auto c = static_cast<std::uint8_t>(*q);
                if (c < 33 || c > 127) break;
                word += glyph_w(glyphs_[c - k_first_char]);
            }
            if (x + word > right) {
                y -= line_height;
                x = start_x;
                continue;
            }
        }
        const float cx = x + w / 2, cy = y + h / 2;
        const bool inside = !in_box || (cx >= left && cx <= right && cy >= bottom && cy <= top);
        if (inside && *position < k_store_limit) add_glyph(x, y, w, h, g, color, position);
        x += w;
    }
}

namespace {

// Little-endian fields of the cache file.
void put_u32(std::vector<std::uint8_t>* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put_f32(std::vector<std::uint8_t>* out, float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    put_u32(out, v);
}
std::uint32_t get_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
float get_f32(const std::uint8_t* p) {
    const std::uint32_t v = get_u32(p);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

// Whether the point size, scale and glyph cells of a cache file can be drawn with: cells lie
// inside the texture (0..1, left of right and above bottom), the size is one a font is made
// at, the scale is positive. Anything else would make glyphs of any size or overflow the
// text measures.
bool cache_values_usable(const std::uint8_t* p) {
    constexpr std::uint32_t k_max_points = 1000;
    const float scale = get_f32(p + 96);
    if (get_u32(p + 80) > k_max_points || !(scale > 0.0f && scale <= 100.0f)) return false;
    for (int i = 0; i < d3d_font::k_glyph_count; ++i) {
        const std::uint8_t* g = p + 100 + 16 * i;
        const float left = get_f32(g), top = get_f32(g + 4), right = get_f32(g + 8), bottom = get_f32(g + 12);
        if (!(left >= 0.0f && left <= right && right <= 1.0f)) return false;
        if (!(top >= 0.0f && top <= bottom && bottom <= 1.0f)) return false;
    }
    return true;
}

}  // namespace

void d3d_font::save_cache(const char* name) const {
    if (!name || !texture_) return;
    char path[260];
    image picture;
    image_allocate(&picture, texture_width_, texture_height_);
    if (!image_unpack(texture_->level_bits(0), texture_->level_pitch(0),
                      image_format::a4r4g4b4, &picture)) {
        return;
    }
    format_bounded(path, sizeof path, "graphics\\%s.dds", name);
    if (image_save_file(path, picture) != S_OK) return;

    std::vector<std::uint8_t> out(face_name_, face_name_ + sizeof face_name_);
    put_u32(&out, height_);
    put_u32(&out, flags_);
    put_u32(&out, static_cast<std::uint32_t>(texture_width_));
    put_u32(&out, static_cast<std::uint32_t>(texture_height_));
    put_f32(&out, scale_);
    for (const glyph_rect& g : glyphs_) {
        put_f32(&out, g.left);
        put_f32(&out, g.top);
        put_f32(&out, g.right);
        put_f32(&out, g.bottom);
    }
    format_bounded(path, sizeof path, "graphics\\%s.ddx", name);
    fs_write(path, out.data(), out.size());
}

bool d3d_font::load_cache(const char* name) {
    if (!name || !device_) return false;
    char path[260];
    format_bounded(path, sizeof path, "graphics\\%s.dds", name);
    texture_request request;
    request.width = request.height = k_texture_size_file;
    request.format = image_format::a4r4g4b4;
    texture_image levels;
    if (texture_image_from_file(path, request, &levels) != S_OK) return false;

    std::vector<std::uint8_t> data;
    format_bounded(path, sizeof path, "graphics\\%s.ddx", name);
    if (!fs_read(path, &data) || data.size() < k_cache_file_size) return false;
    const std::uint8_t* p = data.data();
    const int width = static_cast<int>(get_u32(p + 88));
    const int height = static_cast<int>(get_u32(p + 92));
    // The glyph table is only good for the texture it was made with.
    if (width != levels.width() || height != levels.height()) return false;
    if (!cache_values_usable(p)) {
        log_line("Font cache %s refused: a size or glyph cell out of range", path);
        return false;
    }

    texture_ptr texture;
    if (!CHECK_HR(device_->create_texture(width, height, 1, 0, FMT_A4R4G4B4, POOL_MANAGED,
                                          &texture)) ||
        !texture) {
        return false;
    }
    locked_rect lr;
    if (texture->lock_rect(0, &lr) != S_OK) return false;
    const bool packed = image_pack(levels.surface(0, 0), image_format::a4r4g4b4,
                                   static_cast<std::uint8_t*>(lr.bits), lr.pitch);
    texture->unlock_rect(0);
    if (!packed) return false;

    char face[sizeof face_name_];
    std::memcpy(face, p, sizeof face);
    face[sizeof face - 1] = '\0';
    copy_bounded(face_name_, sizeof face_name_, face);
    height_ = get_u32(p + 80);
    flags_ = get_u32(p + 84);
    texture_width_ = width;
    texture_height_ = height;
    scale_ = get_f32(p + 96);
    for (int i = 0; i < k_glyph_count; ++i) {
        const std::uint8_t* g = p + 100 + 16 * i;
        glyphs_[i] = {get_f32(g), get_f32(g + 4), get_f32(g + 8), get_f32(g + 12)};
    }
    texture_ = std::move(texture);
    return true;
}
