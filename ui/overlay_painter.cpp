#include "ui/overlay_painter.h"

#include "core/d3d_app.h"
#include "ui/overlay2d.h"

static_assert(overlay2d::k_narrowing_steps == gui_font::k_narrowing_steps);
static_assert(k_overlay_fonts == gui_font::count);

namespace {

gfx_device* device_of(overlay2d* overlay) { return overlay != nullptr ? overlay->device() : nullptr; }

// The GUI's material: untextured drawing takes the vertex colours as they are.
gfx_material gui_material() {
    gfx_material m;
    m.diffuse = {1, 1, 1, 1};
    m.ambient = {1, 1, 1, 1};
    return m;
}

void set_mip_filter(gfx_device* d, std::uint32_t filter) {
    d->set_sampler_state(0, SAMP_MIPFILTER, filter);
    d->set_sampler_state(1, SAMP_MIPFILTER, filter);
}

}  // namespace

void overlay_painter::plain_drawing() {
    gfx_device* d = device_of(overlay_);
    if (d == nullptr) return;
    d->set_material(gui_material());
    d->set_texture(0, nullptr);
}

void overlay_painter::begin_pass(const mat4& view) {
    gfx_device* d = device_of(overlay_);
    if (d == nullptr) return;
    d->begin_scene();
    if (g_app != nullptr && g_app->wireframe) d->set_render_state(RS_FILLMODE, FILL_SOLID);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_ZENABLE, 0);
    d->set_render_state(RS_LIGHTING, 0);
    d->set_render_state(RS_FOGENABLE, 0);
    if (g_app != nullptr && g_app->use_mipmaps) set_mip_filter(d, TEXF_NONE);
    plain_drawing();
    d->set_transform(TS_VIEW, view);
    d->set_transform(TS_PROJECTION, mat_identity());
    d->set_transform(TS_WORLD, mat_identity());
    overlay_->update_scale();
}

void overlay_painter::end_pass() {
    gfx_device* d = device_of(overlay_);
    if (d == nullptr) return;
    d->set_render_state(RS_CULLMODE, g_app != nullptr ? static_cast<std::uint32_t>(g_app->front_cull) : static_cast<std::uint32_t>(CULL_CCW));
    d->set_render_state(RS_ZENABLE, 1);
    d->set_render_state(RS_LIGHTING, 1);
    d->set_render_state(RS_FOGENABLE, 1);
    if (g_app != nullptr && g_app->use_mipmaps) set_mip_filter(d, TEXF_LINEAR);
    d->end_scene();
    if (g_app != nullptr && g_app->wireframe) d->set_render_state(RS_FILLMODE, FILL_WIREFRAME);
}

void overlay_painter::set_world(const mat4& world) {
    gfx_device* d = device_of(overlay_);
    if (d == nullptr) return;
    d->set_transform(TS_WORLD, world);
    overlay_->update_scale();
    plain_drawing();
}

void overlay_painter::fill_rect(float x1, float y1, float x2, float y2, std::uint32_t c) {
    overlay_->fill_rect(x1, y1, x2, y2, c);
}

void overlay_painter::draw_rect(float x1, float y1, float x2, float y2, std::uint32_t c) {
    overlay_->draw_rect(x1, y1, x2, y2, c);
}

void overlay_painter::draw_line(float x1, float y1, float x2, float y2, std::uint32_t c) {
    overlay_->draw_line(x1, y1, x2, y2, c);
}

void overlay_painter::draw_bevel(float x1, float y1, float x2, float y2, bool raised,
                                 std::uint32_t a, std::uint32_t b) {
    overlay_->draw_bevel_frame(x1, y1, x2, y2, raised, a, b);
}

void overlay_painter::fill_triangle(float x1, float y1, float x2, float y2, triangle_dir dir,
                                    std::uint32_t c, bool inset) {
    switch (dir) {
        case triangle_dir::up: overlay_->fill_triangle_to_y2(x1, y1, x2, y2, c, inset); break;
        case triangle_dir::down: overlay_->fill_triangle_to_y1(x1, y1, x2, y2, c, inset); break;
        case triangle_dir::left: overlay_->fill_triangle_to_x1(x1, y1, x2, y2, c, inset); break;
        case triangle_dir::right: overlay_->fill_triangle_to_x2(x1, y1, x2, y2, c, inset); break;
    }
}

void overlay_painter::draw_tab(float x1, float y1, float x2, float y2, std::uint32_t a,
                               std::uint32_t b, std::uint32_t outline) {
    overlay_->draw_tab(x1, y1, x2, y2, a, b, outline);
}

void overlay_painter::draw_note_box(float x1, float y1, float x2, float y2, const char* text) {
    overlay_->draw_note_box(x1, y1, x2, y2, text);
}

void overlay_painter::draw_texture(float x1, float y1, float x2, float y2, std::uint32_t c,
                                   gfx_texture* texture, bool point_sampled) {
    gfx_device* d = device_of(overlay_);
    if (d == nullptr || texture == nullptr) return;
    if (!point_sampled) {
        draw_texture_rect(x1, y1, x2, y2, c, texture);
    } else {
        // Pixel for pixel: point filtering, and coordinates that stop short of the far edge
        // so the last texel is not wrapped around.
        d->set_sampler_state(0, SAMP_MINFILTER, TEXF_POINT);
        d->set_sampler_state(0, SAMP_MAGFILTER, TEXF_POINT);
        draw_textured_quad(x1, y1, x2, y2, 0.0f, 0.999f, 0.999f, 0.0f, c, texture);
        d->set_sampler_state(0, SAMP_MINFILTER, TEXF_LINEAR);
        d->set_sampler_state(0, SAMP_MAGFILTER, TEXF_LINEAR);
    }
    plain_drawing();
}

void overlay_painter::draw_rotated_texture(float cx, float cy, float hw, float hh, float angle,
                                           std::uint32_t c, gfx_texture* texture) {
    if (texture == nullptr) return;
    draw_rotated_textured_quad(cx, cy, hw, hh, angle, c, texture);
    plain_drawing();
}

d3d_font* overlay_painter::face(int font) {
    return overlay_->narrowed_font(gui_font::base_of(font), gui_font::step_of(font));
}

void overlay_painter::begin_text(int font) {
    if (font < gui_font::count) {
        overlay_->begin_text(font);
    } else if (d3d_font* f = overlay_->made_font(gui_font::base_of(font), gui_font::step_of(font))) {
        f->begin_batch();
    }
}

void overlay_painter::end_text(int font) {
    if (font < gui_font::count) {
        overlay_->end_text(font);
        plain_drawing();
        return;
    }
    // A narrowed face draws only when this batch used it: most windows use none.
    d3d_font* f = overlay_->made_font(gui_font::base_of(font), gui_font::step_of(font));
    if (f == nullptr || f->batch_triangles() == 0) return;
    f->end_batch();
    plain_drawing();
}

void overlay_painter::draw_text(int font, float x1, float y1, float x2, float y2,
                                const char* text, std::uint32_t flags, float dx, float dy,
                                float sx, float sy, std::uint32_t c, bool batched) {
    d3d_font* f = face(font);
    if (f == nullptr || text == nullptr) return;
    if (batched) {
        f->draw_text(x1, y1, x2, y2, text, flags, dx, dy, sx, sy, c);
    } else {
        f->draw_text_in_box(x1, y1, x2, y2, text, flags, dx, dy, sx, sy, c);
        plain_drawing();
    }
}

bool overlay_painter::text_extent(int font, const char* text, int size[2]) {
    const d3d_font* f = face(font);
    return f != nullptr && f->get_text_extent(text, size);
}
