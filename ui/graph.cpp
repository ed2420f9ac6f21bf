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
float glyph_scale(int axis) {
    return g_overlay != nullptr ? g_overlay->gui_scale[axis] * g_graph.label_zoom : 1.0f;
}

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

void draw_frame(const graph_area& a, bool grid) {
    const float tick = k_tick * label_scale();
    graph_add_line(a.x1, a.y1, a.x2, a.y1, k_white);
    graph_add_line(a.x1, a.y1, a.x1, a.y2, k_white);
    const float dx = (a.x2 - a.x1) / 10.0f;
    const float dy = (a.y2 - a.y1) / 5.0f;
    for (int k = 1; k <= 10; ++k) {
        const float x = a.x1 + static_cast<float>(k) * dx;
        graph_add_line(x, a.y1, x, grid ? a.y2 : a.y1 + tick, k_white);
    }
    for (int k = 1; k <= 5; ++k) {
        const float y = a.y1 + static_cast<float>(k) * dy;
        graph_add_line(a.x1, y, grid ? a.x2 : a.x1 + tick, y, k_white);
    }
}

// The height in GUI units of a line of the small font (0 without a font).
float line_height() {
    const d3d_font* f = g_overlay != nullptr ? g_overlay->font(FONT_SMALL) : nullptr;
    const gfx_device* d = g_overlay != nullptr ? g_overlay->device() : nullptr;
    int size[2] = {0, 0};
    if (f == nullptr || d == nullptr || d->viewport().height == 0 || !f->get_text_extent("0", size)) return 0.0f;
    return 2.0f * static_cast<float>(size[1]) * glyph_scale(1) / static_cast<float>(d->viewport().height);
}

// The texts of the ten time labels and the five value labels of the plotted channel.
struct label_texts {
    char time[10][graph_store::k_title_size];
    char value[5][graph_store::k_title_size];
};

label_texts label_texts_of(int ch) {
    label_texts t{};
    float times[10], values[5];
    for (int i = 1; i <= 10; ++i) times[i - 1] = static_cast<float>(i) * g_graph.plot_max[0] / 10.0f;
    const float span = g_graph.plot_max[ch] - g_graph.plot_min[ch];
    for (int i = 1; i <= 5; ++i) {
        const float v = g_graph.plot_min[ch] + static_cast<float>(i) * span / 5.0f;
        values[i - 1] = g_graph.log_flags[ch] > 0 ? std::exp(v) : v;
    }
    const int time_decimals = graph_label_decimals(times, 10);
    const int value_decimals = graph_label_decimals(values, 5);
    for (int i = 0; i < 10; ++i) format_text(t.time[i], "%3.*f", time_decimals, static_cast<double>(times[i]));
    for (int i = 0; i < 5; ++i) format_text(t.value[i], "%3.*f", value_decimals, static_cast<double>(values[i]));
    return t;
}

void put_label(const char* text, float x, float y, float width, float height) {
    if (g_graph.label_count >= graph_store::k_max_labels) return;
    graph_store::label& l = g_graph.labels[g_graph.label_count++];
    copy_text(l.text, text);
    l.x = x;
    l.y = y;
    l.width = width;
    l.height = height;
}

// Places the axes inside the box, leaving the room the labels need, and the labels around
// them. Without a font nothing needs room: the axes are the box.
void place(float x1, float y1, float x2, float y2, int ch) {
    g_graph.label_count = 0;
    graph_area a{x1, y1, x2, y2};
    const float lh = line_height();
    const label_texts t = label_texts_of(ch);
    float value_width = 0.0f, time_width = 0.0f;
    for (const auto& v : t.value) value_width = std::max(value_width, label_width(v));
    for (const auto& v : t.time) time_width = std::max(time_width, label_width(v));
    const char* time_title = g_graph.titles[0];
    const float k = label_scale();
    const float gap_x = k_label_gap * k, gap_y = k_label_gap * k;
    if (lh > 0.0f) {
        const graph_area inset{x1 + value_width + gap_x, y1 + 2.0f * (lh + gap_y), x2 - time_width / 2.0f,
                               y2 - lh / 2.0f};
        // A box too small for its labels keeps the axes on its edges.
        if (inset.x2 - inset.x1 > 0.25f * (x2 - x1) && inset.y2 - inset.y1 > 0.25f * (y2 - y1)) a = inset;
    }
    g_graph.plot[0] = a.x1;
    g_graph.plot[1] = a.y1;
    g_graph.plot[2] = a.x2;
    g_graph.plot[3] = a.y2;
    if (lh <= 0.0f) return;

    const float dx = (a.x2 - a.x1) / 10.0f, dy = (a.y2 - a.y1) / 5.0f;
    // An axis without a scale (nothing recorded yet) has no numbers to show: only its title.
    const bool timed = g_graph.plot_max[0] > 0.0f;
    const bool ranged = g_graph.plot_max[ch] - g_graph.plot_min[ch] > 0.0f;
    const int time_step = graph_label_step(time_width + gap_x, dx);
    for (int i = 10; timed && i >= 1; i -= time_step) {
        const float w = label_width(t.time[i - 1]);
        put_label(t.time[i - 1], a.x1 + static_cast<float>(i) * dx - w / 2.0f, a.y1 - gap_y - lh, w, lh);
    }
    // Every value label, every other one from the top, or the top one alone.
    const int value_step = lh + gap_y <= dy ? 1 : lh + gap_y <= 2.0f * dy ? 2 : 5;
    for (int i = 5; ranged && i >= 1; i -= value_step) {
        const float w = label_width(t.value[i - 1]);
        put_label(t.value[i - 1], a.x1 - gap_x - w, a.y1 + static_cast<float>(i) * dy - lh / 2.0f, w, lh);
    }
    const float title_width = label_width(time_title);
    put_label(time_title, std::max(x1, x2 - title_width), y1, title_width, lh);
    const char* title = g_graph.titles[ch];
    // A tenth of a unit over the box at every size: a window's title bar above a dialog's plot
    // keeps its place while the screen grows.
    put_label(title, x1, y2 + 0.1f, label_width(title), lh);
}

// Cuts a convex polygon of n points (at most 8) at one edge: keeps what lies where
// side(p) >= 0. The crossing points are interpolated along the polygon's edges.
template <typename Side>
int cut(const float (*in)[2], int n, float (*out)[2], Side side) {
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const float* p = in[i];
        const float* q = in[(i + 1) % n];
        const float sp = side(p), sq = side(q);
        if (sp >= 0.0f) {
            out[m][0] = p[0];
            out[m][1] = p[1];
            ++m;
        }
        if ((sp >= 0.0f) != (sq >= 0.0f)) {
            const float t = sp / (sp - sq);
            out[m][0] = p[0] + t * (q[0] - p[0]);
            out[m][1] = p[1] + t * (q[1] - p[1]);
            ++m;
        }
    }
    return m;
}

}  // namespace

void graph_draw(float x1, float y1, float x2, float y2, int channel, bool grid, float label_zoom) {
    graph_clear_vertices();
    g_graph.label_zoom = std::isfinite(label_zoom) ? std::clamp(label_zoom, 1.0f, 4.0f) : 1.0f;
    const int ch = clamp_channel(channel);
    g_graph.channel = ch;
    g_graph.box[0] = x1;
    g_graph.box[1] = y1;
    g_graph.box[2] = x2;
    g_graph.box[3] = y2;
    std::copy(std::begin(g_graph.running_max), std::end(g_graph.running_max), g_graph.plot_max);
    std::copy(std::begin(g_graph.running_min), std::end(g_graph.running_min), g_graph.plot_min);
    place(x1, y1, x2, y2, ch);
    const graph_area a = graph_plot_area();
    draw_frame(a, grid);
    // Before a flight the time axis and the channel's range are 0: no scale, so no curve.
    const float time_span = g_graph.plot_max[0];
    const float range = g_graph.plot_max[ch] - g_graph.plot_min[ch];
    if (!(time_span > 0.0f) || !(range > 0.0f)) return;
    const float sx = (a.x2 - a.x1) / time_span;
    const float sy = (a.y2 - a.y1) / range;
    float px = 0.0f, py = 0.0f;
    bool have_previous = false;
    for (int i = 0; i < g_graph.sample_count; ++i) {
        const float x = a.x1 + sx * g_graph.samples[i][0];
        const float y = a.y1 + (g_graph.samples[i][ch] - g_graph.plot_min[ch]) * sy;
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

graph_area graph_plot_area() { return {g_graph.plot[0], g_graph.plot[1], g_graph.plot[2], g_graph.plot[3]}; }

void graph_add_plot_quad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                         std::uint32_t colour) {
    if (!finite(x1, y1) || !finite(x2, y2) || !finite(x3, y3) || !finite(x4, y4)) return;
    const graph_area a = graph_plot_area();
    float p[8][2] = {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}};
    float q[8][2];
    int n = 4;
    n = cut(p, n, q, [&](const float* v) { return v[0] - a.x1; });
    n = cut(q, n, p, [&](const float* v) { return a.x2 - v[0]; });
    n = cut(p, n, q, [&](const float* v) { return v[1] - a.y1; });
    n = cut(q, n, p, [&](const float* v) { return a.y2 - v[1]; });
    // A fan of the pieces, two triangles at a time as the plain quads are.
    for (int i = 1; i + 1 < n; ++i) {
        if (g_graph.triangle_count >= k_max - 3) return;
        put(g_graph.triangles, &g_graph.triangle_count, p[0][0], p[0][1], colour);
        put(g_graph.triangles, &g_graph.triangle_count, p[i][0], p[i][1], colour);
        put(g_graph.triangles, &g_graph.triangle_count, p[i + 1][0], p[i + 1][1], colour);
    }
}

void graph_add_plot_thick_line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    if (!finite(x1, y1) || !finite(x2, y2)) return;
    // Cut at the edges themselves: a line along an axis stays, half on it.
    const graph_area a = graph_plot_area();
    const float ex1 = a.x1, ex2 = a.x2, ey1 = a.y1, ey2 = a.y2;
    // Liang-Barsky: the part of the segment p + t d, 0 <= t <= 1, inside the box.
    const float dx = x2 - x1, dy = y2 - y1;
    float t0 = 0.0f, t1 = 1.0f;
    const float p[4] = {-dx, dx, -dy, dy};
    const float q[4] = {x1 - ex1, ex2 - x1, y1 - ey1, ey2 - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0f) {
            if (q[i] < 0.0f) return;
            continue;
        }
        const float t = q[i] / p[i];
        if (p[i] < 0.0f) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
    }
    if (t0 > t1) return;
    graph_add_thick_line(x1 + t0 * dx, y1 + t0 * dy, x1 + t1 * dx, y1 + t1 * dy, colour);
}

int graph_label_decimals(const float* values, int count) {
    char a[32], b[32];
    for (int d = 1; d < 4; ++d) {
        bool apart = true;
        for (int i = 1; i < count && apart; ++i) {
            format_text(a, "%.*f", d, static_cast<double>(values[i - 1]));
            format_text(b, "%.*f", d, static_cast<double>(values[i]));
            apart = std::string(a) != b;
        }
        if (apart) return d;
    }
    return 4;
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
    // The overlay multiplies text by its own scale (the GUI scale under the caller's world):
    // these factors leave the glyphs at their texels' size.
    const float sx = o.text_scale[0] > 0.0f ? glyph_scale(0) / o.text_scale[0] : glyph_scale(0);
    const float sy = o.text_scale[1] > 0.0f ? glyph_scale(1) / o.text_scale[1] : glyph_scale(1);
    o.begin_text(FONT_SMALL);
    for (int i = 0; i < g_graph.label_count; ++i) {
        const graph_store::label& l = g_graph.labels[i];
        // The box holds the whole text with a little to spare: the font drops glyphs whose
        // middle falls outside it.
        o.draw_text_font_box(l.x, l.y, l.x + l.width + 0.02f, l.y + l.height + 0.02f, l.text, k_white, sx, sy,
                             FONT_SMALL, 0);
    }
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
