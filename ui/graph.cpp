#include "ui/graph.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/replacing_file.h"
#include "platform/text.h"

graph_store g_graph;

namespace {

constexpr int k_channels = graph_store::k_channels;
constexpr int k_max = graph_store::k_max_vertices;
constexpr std::uint32_t k_white = 0xFFFFFFFFu;
constexpr std::uint32_t k_curve = 0x8000FF00u;  // green, half transparent
constexpr float k_tick = 0.03f;
constexpr float k_label_gap = 0.015f;  // between neighbouring time labels (640 x 480 units)
constexpr float k_half_width = 0.01f;  // of a thick line

bool finite(float x, float y) { return std::isfinite(x) && std::isfinite(y); }

// One vertex onto a list (the callers check the room).
void put(overlay_vertex* list, int* count, float x, float y, std::uint32_t colour) {
    list[(*count)++] = {x, y, 0.0f, colour};
}

int clamp_channel(int ch) { return std::clamp(ch, 0, k_channels - 1); }

// Ticks and the labels' distances from the axes are sized for a 640 x 480 screen and grow
// with the screen as a 4:3 area does (the smaller of the GUI scales), as the design screens'
// boxes do.
float label_scale() {
    if (g_overlay == nullptr) return 1.0f;
    return std::min(g_overlay->gui_scale[0], g_overlay->gui_scale[1]);
}

// The labels' glyphs are drawn as the panels' texts are: one texel of the font (made for the
// window's scale) on one pixel, so a label is as large as a panel's text in the same font at
// every window size. Factors on the GUI units of each axis.
float glyph_scale(int axis) { return g_overlay != nullptr ? g_overlay->gui_scale[axis] : 1.0f; }

// The width in GUI units of a label in the small font (0 without a font).
float label_width(const char* text) {
    const d3d_font* f = g_overlay != nullptr ? g_overlay->font(FONT_SMALL) : nullptr;
    const gfx_device* d = g_overlay != nullptr ? g_overlay->device() : nullptr;
    int size[2] = {0, 0};
    if (f == nullptr || d == nullptr || d->viewport().width == 0 || !f->get_text_extent(text, size)) return 0.0f;
    return 2.0f * static_cast<float>(size[0]) * glyph_scale(0) / static_cast<float>(d->viewport().width);
}

}  // namespace

void graph_reset_samples() {
    g_graph.sample_count = 0;
    g_graph.decimation = 0;
    for (int c = 0; c < k_channels; ++c) {
        g_graph.running_max[c] = 0.0f;
        g_graph.running_min[c] = 0.0f;
        g_graph.log_flags[c] = 0;
    }
}

void graph_set_titles(const char* const titles[graph_store::k_channels]) {
    for (int c = 0; c < k_channels; ++c) copy_text(g_graph.titles[c], titles[c]);
}

void graph_set_log_scales(const std::int32_t flags[graph_store::k_channels]) {
    for (int c = 0; c < k_channels; ++c) g_graph.log_flags[c] = flags[c];
}

namespace {

void widen_ranges(const float values[k_channels]) {
    for (int c = 0; c < k_channels; ++c) {
        // A value that is not a number cannot widen a range (comparisons fail) and infinities
        // would leave no usable scale: neither reaches the ranges.
        if (!std::isfinite(values[c])) continue;
        g_graph.running_max[c] = std::max(g_graph.running_max[c], values[c]);
        g_graph.running_min[c] = std::min(g_graph.running_min[c], values[c]);
    }
}

}  // namespace

void graph_add_series_point(const float values[graph_store::k_channels], int every_n) {
    if (every_n < 1) {
        widen_ranges(values);
        return;
    }
    if (g_graph.decimation == 0 && g_graph.sample_count < graph_store::k_max_samples) {
        std::copy(values, values + k_channels, g_graph.samples[g_graph.sample_count]);
        ++g_graph.sample_count;
        widen_ranges(values);
    }
    g_graph.decimation = (g_graph.decimation + 1) % every_n;
}

void graph_clear_vertices() {
    g_graph.line_count = 0;
    g_graph.triangle_count = 0;
}

void graph_add_line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    if (g_graph.line_count >= k_max - 2 || !finite(x1, y1) || !finite(x2, y2)) return;
    put(g_graph.lines, &g_graph.line_count, x1, y1, colour);
    put(g_graph.lines, &g_graph.line_count, x2, y2, colour);
}

void graph_add_thick_line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    if (g_graph.triangle_count >= k_max - 6 || !finite(x1, y1) || !finite(x2, y2)) return;
    const float length = std::hypot(x2 - x1, y2 - y1);
    // Two equal points give no direction to widen across: nothing to draw.
    if (!(length > 0.0f) || !std::isfinite(length)) return;
    const float ox = k_half_width / length * (y2 - y1);
    const float oy = k_half_width / length * (x1 - x2);
    overlay_vertex* t = g_graph.triangles;
    int* n = &g_graph.triangle_count;
    put(t, n, x1 + ox, y1 + oy, colour);
    put(t, n, x2 + ox, y2 + oy, colour);
    put(t, n, x2 - ox, y2 - oy, colour);
    put(t, n, x1 + ox, y1 + oy, colour);
    put(t, n, x2 - ox, y2 - oy, colour);
    put(t, n, x1 - ox, y1 - oy, colour);
}

void graph_add_quad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                    std::uint32_t colour) {
    if (g_graph.triangle_count >= k_max - 6) return;
    if (!finite(x1, y1) || !finite(x2, y2) || !finite(x3, y3) || !finite(x4, y4)) return;
    overlay_vertex* t = g_graph.triangles;
    int* n = &g_graph.triangle_count;
    put(t, n, x1, y1, colour);
    put(t, n, x2, y2, colour);
    put(t, n, x4, y4, colour);
    put(t, n, x2, y2, colour);
    put(t, n, x3, y3, colour);
    put(t, n, x4, y4, colour);
}

void graph_add_point(float x, float y, std::uint32_t colour) {
    if (g_graph.line_count >= k_max || !finite(x, y)) return;
    put(g_graph.lines, &g_graph.line_count, x, y, colour);
}

namespace {

void draw_frame(float x1, float y1, float x2, float y2, bool grid) {
    const float tick = k_tick * label_scale();
    graph_add_line(x1, y1, x2, y1, k_white);
    graph_add_line(x1, y1, x1, y2, k_white);
    const float dx = (x2 - x1) / 10.0f;
    const float dy = (y2 - y1) / 5.0f;
    for (int k = 1; k <= 10; ++k) {
        const float x = x1 + static_cast<float>(k) * dx;
        graph_add_line(x, y1, x, grid ? y2 : y1 + tick, k_white);
    }
    for (int k = 1; k <= 5; ++k) {
        const float y = y1 + static_cast<float>(k) * dy;
        graph_add_line(x1, y, grid ? x2 : x1 + tick, y, k_white);
    }
}

}  // namespace

void graph_draw(float x1, float y1, float x2, float y2, int channel, bool grid) {
    graph_clear_vertices();
    const int ch = clamp_channel(channel);
    g_graph.channel = ch;
    g_graph.box[0] = x1;
    g_graph.box[1] = y1;
    g_graph.box[2] = x2;
    g_graph.box[3] = y2;
    draw_frame(x1, y1, x2, y2, grid);
    std::copy(std::begin(g_graph.running_max), std::end(g_graph.running_max), g_graph.plot_max);
    std::copy(std::begin(g_graph.running_min), std::end(g_graph.running_min), g_graph.plot_min);
    // Before a flight the time axis and the channel's range are 0: no scale, so no curve.
    const float time_span = g_graph.plot_max[0];
    const float range = g_graph.plot_max[ch] - g_graph.plot_min[ch];
    if (!(time_span > 0.0f) || !(range > 0.0f)) return;
    const float sx = (x2 - x1) / time_span;
    const float sy = (y2 - y1) / range;
    float px = 0.0f, py = 0.0f;
    bool have_previous = false;
    for (int i = 0; i < g_graph.sample_count; ++i) {
        const float x = x1 + sx * g_graph.samples[i][0];
        const float y = y1 + (g_graph.samples[i][ch] - g_graph.plot_min[ch]) * sy;
        // A sample that is not a number breaks the curve rather than bending it.
        if (!finite(x, y)) {
            have_previous = false;
            continue;
        }
        if (have_previous) graph_add_thick_line(px, py, x, y, k_curve);
        px = x;
        py = y;
        have_previous = true;
    }
}

void graph_render() {
    gfx_device* device = g_overlay != nullptr ? g_overlay->device() : nullptr;
    if (device == nullptr || (g_graph.line_count == 0 && g_graph.triangle_count == 0)) return;
    device->set_texture(0, nullptr);
    device->set_fvf(k_overlay_vertex_fvf);
    if (g_graph.line_count >= 2) {
        device->draw_primitive_up(PT_LINELIST, g_graph.line_count / 2, g_graph.lines,
                                  sizeof(overlay_vertex));
    }
    if (g_graph.triangle_count >= 3) {
        device->draw_primitive_up(PT_TRIANGLELIST, g_graph.triangle_count / 3, g_graph.triangles,
                                  sizeof(overlay_vertex));
    }
}

void graph_render_with_labels() {
    graph_render();
    // A cleared plot has no labels either: they would name the last plot another screen drew.
    if (g_overlay == nullptr || (g_graph.line_count == 0 && g_graph.triangle_count == 0)) return;
    overlay2d& o = *g_overlay;
    const float x1 = g_graph.box[0], y1 = g_graph.box[1];
    const float x2 = g_graph.box[2], y2 = g_graph.box[3];
    const int ch = g_graph.channel;
    const float k = label_scale();
    // The overlay multiplies text by its own scale (the GUI scale under the caller's world):
    // these factors leave the glyphs at their texels' size.
    const float sx = o.text_scale[0] > 0.0f ? glyph_scale(0) / o.text_scale[0] : glyph_scale(0);
    const float sy = o.text_scale[1] > 0.0f ? glyph_scale(1) / o.text_scale[1] : glyph_scale(1);
    const float dx = (x2 - x1) / 10.0f, dy = (y2 - y1) / 5.0f;
    char label[32];
    // The time labels, every step-th of them when the widest would run into its neighbour.
    float widest = 0.0f;
    for (int i = 1; i <= 10; ++i) {
        format_text(label, "%3.1f", static_cast<double>(static_cast<float>(i) * g_graph.plot_max[0] / 10.0f));
        widest = std::max(widest, label_width(label));
    }
    const int step = graph_label_step(widest + k_label_gap * k, dx);
    o.begin_text(FONT_SMALL);
    for (int i = step; i <= 10; i += step) {
        const float x = x1 + static_cast<float>(i) * dx;
        format_text(label, "%3.1f", static_cast<double>(static_cast<float>(i) * g_graph.plot_max[0] / 10.0f));
        o.draw_text_font_box(x, y1 + 0.03f * k, x + 0.2f * k, y1 + 0.23f * k, label, k_white, sx, sy, FONT_SMALL, 0);
    }
    // Titles get room for their whole text: a box narrower than the text drops its last letters.
    const char* time_title = g_graph.titles[0];
    o.draw_text_font_box(x2 - 0.1f * k, y1 + 0.1f * k, x2 - 0.1f * k + std::max(0.3f * k, label_width(time_title)),
                         y1 + 0.2f * k, time_title, k_white, sx, sy, FONT_SMALL, 0);
    const float span = g_graph.plot_max[ch] - g_graph.plot_min[ch];
    for (int i = 1; i <= 5; ++i) {
        const float v = g_graph.plot_min[ch] + static_cast<float>(i) * span / 5.0f;
        const float shown = g_graph.log_flags[ch] > 0 ? std::exp(v) : v;
        format_text(label, "%3.1f", static_cast<double>(shown));
        const float y = y1 + static_cast<float>(i) * dy;
        o.draw_text_font_box(x1 + 0.03f * k, y, x1 + 0.03f * k + std::max(0.2f * k, label_width(label)), y + 0.2f * k,
                             label, k_white, sx, sy, FONT_SMALL, 0);
    }
    const char* title = g_graph.titles[ch];
    o.draw_text_font_box(x1, y2 + 0.1f * k, std::max(x2 + 0.2f * k, x1 + label_width(title)), y2 + 0.2f * k, title,
                         k_white, sx, sy, FONT_SMALL, 0);
    o.end_text(FONT_SMALL);
}

int graph_label_step(float label_room, float spacing) {
    for (int step : {1, 2, 5}) {
        if (label_room <= static_cast<float>(step) * spacing) return step;
    }
    return 10;
}

float graph_sample_value(int sample, int channel) {
    if (sample < 0 || sample >= g_graph.sample_count || channel < 0 || channel >= k_channels) {
        return 0.0f;
    }
    const float v = g_graph.samples[sample][channel];
    return g_graph.log_flags[channel] > 0 ? std::exp(v) : v;
}

bool graph_export_csv(const char* path) {
    replacing_file out;
    if (path == nullptr || !out.open(path)) return false;
    const auto& t = g_graph.titles;
    out.write(format_string("%s,%s,%s,%s,%s,%s,%s,%s\r\n", t[0], t[1], t[2], t[3], t[4], t[5], t[6],
                            t[7]));
    for (int i = 0; i < g_graph.sample_count; ++i) {
        double v[k_channels];
        for (int c = 0; c < k_channels; ++c) v[c] = graph_sample_value(i, c);
        out.write(format_string("%6.4f,%6.4f,%6.4f,%6.4f,%6.4f,%6.4f,%6.4f,%6.4f\r\n", v[0], v[1],
                                v[2], v[3], v[4], v[5], v[6], v[7]));
    }
    return out.commit();
}
