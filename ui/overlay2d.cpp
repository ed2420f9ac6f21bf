#include "ui/overlay2d.h"

#include <algorithm>
#include <cmath>

#include "core/d3d_app.h"
#include "platform/font_raster.h"

overlay2d* g_overlay = nullptr;

namespace {

// The six fonts: nominal height in points and flags. The face name "NULL" leaves the
// choice to the system, which gives its default face.
struct font_entry {
    std::uint32_t height;
    std::uint32_t flags;
};
constexpr font_entry k_fonts[k_overlay_fonts] = {
    {12, 0}, {12, FONT_BOLD}, {12, FONT_FIXED_PITCH}, {18, FONT_BOLD}, {14, FONT_BOLD}, {10, 0},
};

// An A8R8G8B8 colour from components 0..1, each truncated to 8 bits.
std::uint32_t color_from(float r, float g, float b, float a) {
    auto byte = [](float v) { return static_cast<std::uint32_t>(static_cast<int>(v * 255.0f)) & 0xFFu; };
    return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

float row_length(const mat4& m, int row) {
    return std::sqrt(m.m[row][0] * m.m[row][0] + m.m[row][1] * m.m[row][1] +
                     m.m[row][2] * m.m[row][2]);
}

}  // namespace

overlay2d::overlay2d() {
    for (int i = 0; i < k_overlay_fonts; ++i) {
        fonts_[i] = std::make_unique<d3d_font>("NULL", k_fonts[i].height, k_fonts[i].flags);
    }
    set_loading_display(this);
}

overlay2d::~overlay2d() {
    release();
    close_splash();
    if (current_loading_display() == this) set_loading_display(nullptr);
    if (g_overlay == this) g_overlay = nullptr;
}

void overlay2d::set_device(gfx_device* device) {
    if (device != device_) release();
    device_ = device;
    for (auto& f : fonts_) f->set_device(this->device());
    for (auto& steps : narrowed_) {
        for (auto& f : steps) f.reset();
    }
}

gfx_device* overlay2d::device() const {
    if (device_) return device_;
    return g_app ? g_app->device.get() : nullptr;
}

void overlay2d::restore() {
    load_texture_from_resource(IDR_BACKGROUND, &background_, false);
    rescale_fonts();
}

void overlay2d::rescale_fonts() {
    const float s = std::min(gui_scale[0], gui_scale[1]) * 0.5f;
    for (auto& f : fonts_) {
        f->set_device(device());
        f->create_texture(s);
    }
    // The narrowed fonts are made again at the new scale when they are next asked for.
    for (auto& steps : narrowed_) {
        for (auto& f : steps) f.reset();
    }
}

void overlay2d::release() {
    background_.reset();
    for (auto& f : fonts_) f->release_texture();
    for (auto& steps : narrowed_) {
        for (auto& f : steps) f.reset();
    }
}

void overlay2d::set_gui_scale(int back_buffer_width, int back_buffer_height) {
    gui_scale[0] = static_cast<float>(back_buffer_width) / 640.0f;
    gui_scale[1] = static_cast<float>(back_buffer_height) / 480.0f;
}

mat4 overlay2d::gui_view_matrix() const {
    return mat_scaling(1.0f / gui_scale[0], 1.0f / gui_scale[1], 1.0f);
}

void overlay2d::update_scale() {
    const gfx_device* d = device();
    if (!d) return;
    const mat4& world = d->transform(TS_WORLD);
    const float lx = row_length(world, 0), ly = row_length(world, 1);
    if (lx > 0) text_scale[0] = gui_scale[0] / lx;
    if (ly > 0) text_scale[1] = gui_scale[1] / ly;
}

int overlay2d::to_virtual_x(float x) { return static_cast<int>(320.0f * x + 320.0f); }
int overlay2d::to_virtual_y(float y) { return static_cast<int>(240.0f - 240.0f * y); }
int overlay2d::to_pixels_y(float y) { return static_cast<int>(240.0f * y); }
int overlay2d::to_pixels_y_down(float y) { return static_cast<int>(-240.0f * y); }

d3d_font* overlay2d::font(int n) const {
    return n >= 0 && n < k_overlay_fonts ? fonts_[n].get() : nullptr;
}

d3d_font* overlay2d::made_font(int n, int step) const {
    if (step == 0) return font(n);
    if (n < 0 || n >= k_overlay_fonts || step < 0 || step > k_narrowing_steps) return nullptr;
    return narrowed_[n][step - 1].get();
}

d3d_font* overlay2d::narrowed_font(int n, int step) {
    d3d_font* made = made_font(n, step);
    if (made != nullptr || step == 0 || n < 0 || n >= k_overlay_fonts || step < 0 || step > k_narrowing_steps) {
        return made;
    }
    const d3d_font& whole = *fonts_[n];
    auto narrow = std::make_unique<d3d_font>(whole.face_name(), whole.height(), whole.flags(), narrowed_width(step));
    narrow->set_device(device());
    // Drawn at the scale of the font it narrows: one that has no glyphs yet has none either.
    if (whole.texture() != nullptr) narrow->create_texture(whole.scale());
    narrowed_[n][step - 1] = std::move(narrow);
    return narrowed_[n][step - 1].get();
}

void overlay2d::begin_text(int font_number) {
    if (d3d_font* f = font(font_number)) f->begin_batch();
}

void overlay2d::end_text(int font_number) {
    if (d3d_font* f = font(font_number)) f->end_batch();
}

void overlay2d::draw_text(float x1, float y1, float x2, float y2, const char* text, float r,
                          float g, float b, float a, bool bold, std::uint32_t flags) {
    fonts_[bold ? FONT_BOLD_TEXT : FONT_NORMAL]->draw_text(
        x1, y1, x2, y2, text, flags, 0, 0, text_scale[0], text_scale[1], color_from(r, g, b, a));
}

void overlay2d::draw_text_font_box(float x1, float y1, float x2, float y2, const char* text,
                                   std::uint32_t color, float sx, float sy, int font_number,
                                   std::uint32_t flags) {
    if (d3d_font* f = font(font_number)) {
        f->draw_text(x1, y1, x2, y2, text, flags, 0, 0, sx * text_scale[0], sy * text_scale[1],
                     color);
    }
}

void overlay2d::draw_text_font(float x, float y, const char* text, std::uint32_t color,
                               float sx, float sy, int font_number) {
    if (d3d_font* f = font(font_number)) {
        f->draw_text_at(x, y, text, color, sx * text_scale[0], sy * text_scale[1]);
    }
}

void overlay2d::draw_text_in_box(float x1, float y1, float x2, float y2, const char* text,
                                 float r, float g, float b, float a, bool bold,
                                 std::uint32_t flags) {
    fonts_[bold ? FONT_BOLD_TEXT : FONT_NORMAL]->draw_text_in_box(
        x1, y1, x2, y2, text, flags, 0, 0, text_scale[0], text_scale[1], color_from(r, g, b, a));
}

void overlay2d::draw_text_in_box_font(float x1, float y1, float x2, float y2,
                                      const char* text, std::uint32_t color, float sx, float sy,
                                      int font_number, std::uint32_t flags) {
    if (d3d_font* f = font(font_number)) {
        f->draw_text_in_box(x1, y1, x2, y2, text, flags, 0, 0, sx * text_scale[0],
                            sy * text_scale[1], color);
    }
}

void overlay2d::draw_text_in_box_sized(float x1, float y1, float x2, float y2,
                                       const char* text, std::uint32_t color, float size,
                                       bool bold, std::uint32_t flags) {
    fonts_[bold ? FONT_BOLD_TEXT : FONT_NORMAL]->draw_text_in_box(
        x1, y1, x2, y2, text, flags, 0, 0, 0.75f * size * text_scale[0],
        0.56f * size * text_scale[1], color);
}

void overlay2d::set_clip_planes(float x1, float y1, float x2, float y2) {
    gfx_device* d = device();
    if (!d) return;
    const mat4& m = d->transform(TS_WORLD);
    const vec3 nx = normalize(vec3{m.m[0][0], m.m[0][1], m.m[0][2]});
    const vec3 ny = normalize(vec3{m.m[1][0], m.m[1][1], m.m[1][2]});
    auto at = [&](float x, float y) { return transform_coord(vec3{x, y, 0}, m); };
    auto set = [&](int index, const vec3& n, float distance) {
        const float p[4] = {n.x, n.y, n.z, distance};
        d->set_clip_plane(index, p);
    };
    set(0, ny, -dot(ny, at(0, y1)));
    set(1, -ny, dot(ny, at(0, y2)));
    set(2, nx, -dot(nx, at(x1, 0)));
    set(3, -nx, dot(nx, at(x2, 0)));
    d->set_render_state(RS_CLIPPLANEENABLE, 15);  // planes 0..3
}

void overlay2d::disable_clip_planes() {
    if (gfx_device* d = device()) d->set_render_state(RS_CLIPPLANEENABLE, 0);
}
