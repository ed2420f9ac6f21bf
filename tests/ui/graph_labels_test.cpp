// The plot's labels at the window sizes the program opens with. The box is given as the design
// screens give theirs ((-0.85, -0.85)-(0, -0.4) in units of the smaller GUI scale across and the
// height's scale up). The labels stand apart around the plotted area, neighbours never print
// alike (a 0.6 s burn gives 0.06, 0.12 ..., not "0.1 0.1"), and are drawn whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "overlay_fixture.h"
#include "platform/text.h"
#include "ui/d3d_font.h"
#include "ui/graph.h"

namespace {

struct glyph_box {
    float left, right, bottom;
};

// Every glyph quad the fonts drew (six vertices each).
std::vector<glyph_box> drawn_glyphs(const recording_device& d) {
    std::vector<glyph_box> out;
    for (const draw_record& r : d.draws()) {
        if (r.stride != static_cast<int>(sizeof(font_vertex))) continue;
        const auto* v = reinterpret_cast<const font_vertex*>(r.vertices.data());
        const std::size_t n = r.vertices.size() / sizeof(font_vertex);
        for (std::size_t i = 0; i + 6 <= n; i += 6) {
            glyph_box g{v[i].x, v[i].x, v[i].y};
            for (std::size_t k = i; k < i + 6; ++k) {
                g.left = std::min(g.left, v[k].x);
                g.right = std::max(g.right, v[k].x);
                g.bottom = std::min(g.bottom, v[k].y);
            }
            out.push_back(g);
        }
    }
    return out;
}

struct plot_case {
    int width, height;
    float time_max;
    float value_max;
    const char* time_title;
};

class GraphLabels : public ::testing::TestWithParam<plot_case> {};

bool overlap(const graph_store::label& a, const graph_store::label& b, float gap) {
    return a.x < b.x + b.width + gap && b.x < a.x + a.width + gap && a.y < b.y + b.height + gap &&
           b.y < a.y + a.height + gap;
}

}  // namespace

TEST_P(GraphLabels, LabelsKeepApartOutsideThePlottedAreaAndAreWhole) {
    const plot_case c = GetParam();
    overlay_setup o(c.width, c.height);
    graph_reset_samples();
    graph_clear_vertices();
    const char* titles[8] = {c.time_title, "Frag Density (1/sqrm)", "", "", "", "", "", ""};
    graph_set_titles(titles);
    for (int i = 0; i <= 20; ++i) {
        const float t = c.time_max * static_cast<float>(i) / 20.0f;
        // A curve from the top of its range at the start down to 0, as the warhead's falls.
        const float row[8] = {t, c.value_max * (1.0f - static_cast<float>(i) / 20.0f), 0, 0, 0, 0, 0, 0};
        graph_add_series_point(row, 1);
    }
    const float m = std::min(c.width / 640.0f, c.height / 480.0f), h = c.height / 480.0f;
    const float x1 = -0.85f * m, y1 = -0.85f * h, x2 = 0.0f, y2 = -0.4f * h;
    graph_draw(x1, y1, x2, y2, 1, false);
    const graph_area a = graph_plot_area();
    EXPECT_GT(a.x1, x1);  // room for the labels on the left and below
    EXPECT_GT(a.y1, y1);
    EXPECT_LE(a.x2, x2);
    EXPECT_LE(a.y2, y2);

    // The curve's vertices stay within the area (a thick line's half width beside it).
    for (int i = 0; i < g_graph.triangle_count; ++i) {
        const overlay_vertex& v = g_graph.triangles[i];
        EXPECT_TRUE(v.x > a.x1 - 0.011f && v.x < a.x2 + 0.011f && v.y > a.y1 - 0.011f && v.y < a.y2 + 0.011f) << i;
    }

    const int n = g_graph.label_count;
    ASSERT_GE(n, 2 + 2 + 1);  // the titles, two time labels or more, a value label or more
    std::vector<std::string> texts;
    std::size_t characters = 0;
    for (int i = 0; i < n; ++i) {
        const graph_store::label& l = g_graph.labels[i];
        SCOPED_TRACE(l.text);
        texts.emplace_back(l.text);
        characters += std::strlen(l.text);
        for (int j = i + 1; j < n; ++j) EXPECT_FALSE(overlap(l, g_graph.labels[j], 1.0f / 320.0f)) << g_graph.labels[j].text;
        // A pixel apart from the others, off the plotted area, inside the box (but the
        // channel's title over it) and the screen.
        const bool over_area = l.x < a.x2 && l.x + l.width > a.x1 && l.y < a.y2 && l.y + l.height > a.y1;
        EXPECT_FALSE(over_area);
        if (std::strcmp(l.text, titles[1]) != 0) {
            EXPECT_GE(l.x, x1 - 1e-4f);
            EXPECT_LE(l.x + l.width, x2 + 1e-4f);
            EXPECT_GE(l.y, y1 - 1e-4f);
            EXPECT_LE(l.y + l.height, y2 + 1e-4f);
        }
        EXPECT_LE(l.x + l.width, c.width / 640.0f);
    }
    // Neighbouring numbers of an axis print apart.
    for (std::size_t i = 1; i < texts.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(texts[i][0])) == 0) continue;
        EXPECT_NE(texts[i], texts[i - 1]);
    }

    // Every glyph of every label drawn, one font texel to a pixel (a 320th of a unit).
    o.device->clear_records();
    graph_render_with_labels();
    const std::vector<glyph_box> glyphs = drawn_glyphs(*o.device);
    EXPECT_EQ(glyphs.size(), characters);
    const d3d_font* small = g_overlay->font(FONT_SMALL);
    ASSERT_NE(small, nullptr);
    int extent[2] = {0, 0};
    ASSERT_TRUE(small->get_text_extent(g_graph.labels[0].text, extent));
    EXPECT_NEAR(g_graph.labels[0].width, static_cast<float>(extent[0]) / 320.0f, 1e-4f);
    if (!glyphs.empty()) {
        const std::size_t len = std::strlen(g_graph.labels[0].text);
        ASSERT_GE(glyphs.size(), len);
        EXPECT_NEAR(glyphs[len - 1].right - glyphs[0].left, g_graph.labels[0].width, 1.5f / 320.0f)
            << c.width << " x " << c.height;
    }
}

INSTANTIATE_TEST_SUITE_P(
    WindowSizes, GraphLabels,
    ::testing::Values(plot_case{640, 480, 1.6f, 1.0f, "Mach"}, plot_case{1024, 768, 1.6f, 1.0f, "Mach"},
                      plot_case{1920, 1080, 1.6f, 1.0f, "Mach"}, plot_case{1024, 768, 12.0f, 40.0f, "Time (sec)"},
                      plot_case{640, 480, 1234.5f, 25000.0f, "Distance (m)"},
                      plot_case{1920, 1080, 250.0f, 1463.1f, "Distance (m)"},
                      plot_case{640, 480, 0.6f, 0.35f, "Time (sec)"}, plot_case{1920, 1080, 0.6f, 0.35f, "Time (sec)"}));

namespace {
// A fresh plot titled "Time (sec)" over "Velocity (m/s)".
void reset_time_velocity_plot() {
    graph_reset_samples();
    const char* titles[8] = {"Time (sec)", "Velocity (m/s)", "", "", "", "", "", ""};
    graph_set_titles(titles);
}
}  // namespace

TEST(GraphLabels, TheFlightGraphsTimeTitleIsWholeInsideItsBox) {
    // The flight graphs view's box; its time title ran past the screen at 640 x 480.
    for (const auto& [w, h] : {std::pair{640, 480}, {1024, 768}, {1920, 1080}}) {
        SCOPED_TRACE(w);
        overlay_setup o(w, h);
        reset_time_velocity_plot();
        const float first[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        const float last[8] = {35.0f, 680.0f, 0, 0, 0, 0, 0, 0};
        graph_add_series_point(first, 1);
        graph_add_series_point(last, 1);
        graph_draw(-1.1f, -0.9f, 0.9f, 0.7f, 1, true);
        const graph_store::label* time_title = nullptr;
        std::size_t characters = 0;
        for (int i = 0; i < g_graph.label_count; ++i) {
            characters += std::strlen(g_graph.labels[i].text);
            if (std::strcmp(g_graph.labels[i].text, "Time (sec)") == 0) time_title = &g_graph.labels[i];
        }
        ASSERT_NE(time_title, nullptr);
        EXPECT_LE(time_title->x + time_title->width, 0.9f + 1e-5f);
        // The channel's title keeps under the window's title bar (its frame ends at 1.0).
        const graph_store::label& title = g_graph.labels[g_graph.label_count - 1];
        EXPECT_STREQ(title.text, "Velocity (m/s)");
        EXPECT_GT(title.y, 0.7f);
        EXPECT_LE(title.y + title.height, 0.9f);
        EXPECT_GE(time_title->y, -0.9f - 1e-5f);
        o.device->clear_records();
        graph_render_with_labels();
        EXPECT_EQ(drawn_glyphs(*o.device).size(), characters);
    }
}

TEST(GraphLabelDecimals, TheFewestThatTellNeighboursApart) {
    const float v[4][4] = {{0.1f, 0.2f, 0.3f}, {0.06f, 0.12f, 0.18f, 0.24f}, {0.0011f, 0.0012f}, {1.0f, 1.0f}};
    const int count[4] = {3, 4, 2, 2}, decimals[4] = {1, 2, 4, 4};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(graph_label_decimals(v[i], count[i]), decimals[i]) << i;
}

TEST(GraphLabelPlacing, WithoutFontsTheAxesAreTheBox) {
    overlay_setup o(640, 480, false);
    graph_reset_samples();
    const float row[8] = {2.0f, 1.0f, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(row, 1);
    graph_draw(-0.5f, -0.5f, 0.5f, 0.5f, 1, true);
    const graph_area a = graph_plot_area();
    EXPECT_EQ(std::vector<float>({a.x1, a.y1, a.x2, a.y2}), std::vector<float>({-0.5f, -0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(g_graph.label_count, 0);
}

TEST(GraphLabelPlacing, AnAxisWithoutScaleShowsOnlyItsTitle) {
    // Nothing recorded yet: no column of "0.0" labels, the titles alone.
    overlay_setup o(640, 480);
    reset_time_velocity_plot();
    graph_draw(-0.85f, -0.85f, 0.0f, -0.4f, 1, false);
    ASSERT_EQ(g_graph.label_count, 2);
    EXPECT_STREQ(g_graph.labels[0].text, "Time (sec)");
    EXPECT_STREQ(g_graph.labels[1].text, "Velocity (m/s)");
    // A time axis but a flat channel: the time labels, no value labels.
    const float row[8] = {3.0f, 0, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(row, 1);
    graph_draw(-0.85f, -0.85f, 0.0f, -0.4f, 1, false);
    int numbers = 0;
    for (int i = 0; i < g_graph.label_count; ++i) {
        if (std::isdigit(static_cast<unsigned char>(g_graph.labels[i].text[0])) == 0) continue;
        ++numbers;
        EXPECT_LT(g_graph.labels[i].y, graph_plot_area().y1);  // under the time axis
    }
    EXPECT_GE(numbers, 2);
}

TEST(GraphLabelPlacing, MarksAreCutAtTheAxes) {
    overlay_setup o(640, 480, false);
    graph_reset_samples();
    const float row[8] = {1.0f, 1.0f, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(row, 0);
    graph_draw(0.0f, 0.0f, 1.0f, 1.0f, 1, false);
    graph_clear_vertices();
    // A quad half left of the y axis and a band reaching below the x axis: only their parts
    // inside the box remain, and cover the same area as those parts.
    graph_add_plot_quad(-0.5f, 0.2f, 0.5f, 0.2f, 0.5f, 0.6f, -0.5f, 0.6f, 0xFFFF0000u);
    graph_add_plot_quad(0.6f, -0.4f, 0.8f, -0.4f, 0.8f, 0.4f, 0.6f, 0.4f, 0xFFFF0000u);
    float area = 0.0f;
    for (int i = 0; i + 2 < g_graph.triangle_count; i += 3) {
        const overlay_vertex* t = g_graph.triangles + i;
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(t[k].x > -1e-6f && t[k].x < 1 + 1e-6f && t[k].y > -1e-6f && t[k].y < 1 + 1e-6f) << i;
        }
        area += std::fabs((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[2].x - t[0].x) * (t[1].y - t[0].y)) / 2.0f;
    }
    EXPECT_NEAR(area, 0.5f * 0.4f + 0.2f * 0.4f, 1e-5f);
    // A quad wholly outside adds nothing; a line from outside ends at the edge.
    const int before = g_graph.triangle_count;
    graph_add_plot_quad(-2.0f, -2.0f, -1.5f, -2.0f, -1.5f, -1.5f, -2.0f, -1.5f, 0xFFFF0000u);
    EXPECT_EQ(g_graph.triangle_count, before);
    graph_add_plot_thick_line(-1.0f, 0.5f, 0.5f, 0.5f, 0xFF00FF00u);
    ASSERT_EQ(g_graph.triangle_count, before + 6);
    float left = 1.0f;
    for (int i = before; i < g_graph.triangle_count; ++i) left = std::min(left, g_graph.triangles[i].x);
    EXPECT_NEAR(left, 0.0f, 1e-5f);
    graph_add_plot_thick_line(-1.0f, -1.0f, -0.5f, -0.2f, 0xFF00FF00u);
    EXPECT_EQ(g_graph.triangle_count, before + 6);
}

TEST(GraphLabelsCleared, AClearedPlotDrawsNoStaleLabels) {
    overlay_setup o(1024, 768);
    graph_reset_samples();
    const float last[8] = {2.0f, 1.0f, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(last, 1);
    graph_draw(-1.0f, -1.0f, 0.0f, -0.5f, 1, false);
    // Another screen clears the plot: its labels and titles go with the lines.
    graph_clear_vertices();
    o.device->clear_records();
    graph_render_with_labels();
    EXPECT_TRUE(o.device->draws().empty());
}
