// The loading picture: before the graphics device exists, the start-up splash (its picture
// with the caption on a coloured strip, placed on the desktop); afterwards a whole frame per
// caption: the background picture, a framed caption box and a bar that shows elapsed time.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/clock.h"
#include "platform/font_raster.h"
#include "platform/image.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "ui/overlay2d.h"

namespace {

constexpr int k_splash_width = 350;
constexpr int k_splash_height = 280;
// The caption strip of the splash and the rectangle its text is written into (pixels).
constexpr int k_strip_x1 = 0, k_strip_y1 = 260, k_strip_x2 = 180, k_strip_y2 = 280;
constexpr int k_caption_x1 = 20;
constexpr std::uint32_t k_strip_color = 0xFF274283u;  // dark blue
constexpr std::uint32_t k_caption_color = 0xFFFFFFFFu;
// A full turn of the bar: 10 s.
constexpr std::uint32_t k_progress_period_ms = 10000;

image splash_from_resource() {
    image picture;
    resource_data data;
    if (find_resource("BITMAP", IDB_SPLASH, &data) &&
        image_decode(data.data, data.size, &picture) == S_OK) {
        return picture;
    }
    image_allocate(&picture, k_splash_width, k_splash_height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) picture.set_pixel(x, y, 0xFF000000u);
    }
    return picture;
}

std::uint32_t blend(std::uint32_t under, std::uint32_t over, int coverage) {
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((under >> shift) & 0xFF);
        const int b = static_cast<int>((over >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>(a + (b - a) * coverage / 255) << shift;
    }
    return out;
}

// A test can keep the splash up for a while (ms) to take a picture of it.
std::uint32_t splash_hold_ms() {
    const char* value = std::getenv("VENTRASK_SPLASH_HOLD_MS");
    return value ? static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10)) : 0;
}

}  // namespace

void overlay2d::begin_loading_screen() {
    if (!device()) {
        if (loading.splash) return;
        loading.splash = 1;
        splash_window_ = make_splash ? make_splash() : nullptr;
        splash_bitmap_ = splash_from_resource();
        font_request request;
        request.cell_height = 16;
        request.bold = true;
        request.italic = true;
        splash_font_ = make_font_raster(request);
        return;
    }
    if (!loading.active) {
        loading.progress = 0;
        loading.previous_tick = tick_count();
        loading.active = 1;
    }
    if (g_app) g_app->set_default_states(true);
}

void overlay2d::end_loading_screen() {
    if (loading.splash) {
        if (const std::uint32_t hold = splash_hold_ms()) sleep_ms(hold);
        close_splash();
        // The device made meanwhile still has its initial states: the program's own now.
        if (g_app && g_app->device) g_app->set_default_states(true);
        return;
    }
    loading.progress = 0;
    loading.previous_tick = tick_count();
    loading.active = 0;
    if (g_app && g_app->device) g_app->set_default_states(true);
}

void overlay2d::close_splash() {
    splash_window_.reset();
    splash_font_.reset();
    splash_bitmap_ = image{};
    loading.splash = 0;
}

void overlay2d::show_loading_status(const char* text) {
    if (loading.splash) paint_splash(text);
    else draw_loading_progress(text);
}

void overlay2d::paint_splash(const char* text) {
    if (!loading.splash) return;
    char caption[120];
    copy_bounded(caption, sizeof caption, text ? text : "");

    splash_picture_ = splash_bitmap_;
    image& p = splash_picture_;
    const int x2 = std::min(k_strip_x2, p.width), y2 = std::min(k_strip_y2, p.height);
    for (int y = k_strip_y1; y < y2; ++y) {
        for (int x = k_strip_x1; x < x2; ++x) p.set_pixel(x, y, k_strip_color);
    }
    if (splash_font_ && x2 > k_caption_x1 && y2 > k_strip_y1) {
        // The caption, left and top aligned, cut off at the strip's edges.
        const int w = x2 - k_caption_x1, h = y2 - k_strip_y1;
        std::vector<std::uint8_t> coverage(static_cast<std::size_t>(w) * h, 0);
        int pen = 0;
        for (const char* c = caption; *c; ++c) {
            const auto ch = static_cast<std::uint8_t>(*c);
            int cx = 0, cy = 0;
            splash_font_->measure(ch, &cx, &cy);
            if (pen >= w) break;
            splash_font_->draw(ch, pen, 0, coverage.data(), w, w, h);
            pen += cx;
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int a = coverage[static_cast<std::size_t>(y) * w + x];
                if (a == 0) continue;
                const int px = k_caption_x1 + x, py = k_strip_y1 + y;
                p.set_pixel(px, py, blend(p.pixel(px, py), k_caption_color, a));
            }
        }
    }
    if (splash_window_) {
        int cx = 0, cy = 0;
        splash_window_->desktop_size(&cx, &cy);
        // Centred, 10 pixels below the exact middle.
        splash_window_->show(p, cx / 2 - k_splash_width / 2, cy / 2 - 130);
    }
}

void overlay2d::draw_loading_progress(const char* text) {
    gfx_device* device_now = device();
    if (!loading.active || !device_now) return;
    gfx_device& d = *device_now;
    d.begin_scene();
    d.set_transform(TS_VIEW, gui_view_matrix());
    d.set_transform(TS_WORLD, mat_identity());
    d.set_transform(TS_PROJECTION, mat_identity());
    update_scale();

    d.set_render_state(RS_FILLMODE, FILL_SOLID);
    d.set_render_state(RS_CULLMODE, CULL_NONE);
    d.set_render_state(RS_ZENABLE, ZB_FALSE);
    d.set_render_state(RS_LIGHTING, 0);
    d.set_render_state(RS_FOGENABLE, 0);
    d.set_sampler_state(0, SAMP_MIPFILTER, TEXF_NONE);
    d.set_sampler_state(1, SAMP_MIPFILTER, TEXF_NONE);
    use_shared_material();
    d.clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);

    d.set_sampler_state(0, SAMP_MINFILTER, TEXF_POINT);
    d.set_sampler_state(0, SAMP_MAGFILTER, TEXF_POINT);
    // 0.999 keeps point sampling off the picture's opposite edge.
    draw_textured_quad(-gui_scale[0], -gui_scale[1], gui_scale[0], gui_scale[1], 0, 0.999f,
                       0.999f, 0, 0xFFFFFFFFu, background_.get());
    d.set_sampler_state(0, SAMP_MINFILTER, TEXF_LINEAR);
    d.set_sampler_state(0, SAMP_MAGFILTER, TEXF_LINEAR);

    fill_rect_gradient(-0.6f, -0.2f, 0.6f, 0.4f, 0x40FFFFFFu, 0xC0FFFFFFu);
    draw_bevel_frame(-0.6f, -0.2f, 0.6f, 0.4f, false, 0xFF000000u, 0xFFFFFFFFu);
    draw_text_in_box(-0.6f, 0.0f, 0.6f, 0.4f, text, 0, 0, 0, 1, true, TEXT_CENTER);

    // Elapsed time since the last caption; a clock that went back counts as no time.
    const std::uint32_t now = tick_count();
    const long long elapsed = static_cast<long long>(loading.progress) +
                              static_cast<std::int32_t>(now - loading.previous_tick);
    loading.progress = static_cast<std::uint32_t>(std::max(0LL, elapsed) % k_progress_period_ms);
    loading.last_tick = loading.previous_tick = now;

    const float filled = static_cast<float>(loading.progress) / k_progress_period_ms - 0.5f;
    fill_rect_gradient(-0.5f, -0.05f, filled, 0.05f, 0xFF00FFFFu, 0xFF0000C0u);
    draw_bevel_frame(-0.5f, -0.05f, 0.5f, 0.05f, true, 0xFF000000u, 0xFFFFFFFFu);
    char percent[16];
    format_bounded(percent, sizeof percent, "%2d%%", static_cast<int>(loading.progress / 100));
    draw_text_in_box(-0.6f, -0.05f, 0.6f, 0.05f, percent, 0, 0, 0, 1, true, TEXT_CENTER);

    d.end_scene();
    d.present();
}
