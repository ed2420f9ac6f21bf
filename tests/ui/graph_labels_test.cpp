// The plot's labels at the window sizes the program opens with. The box is given as the design
// screens give theirs ((-0.85, -0.85)-(0, -0.4) in units of the smaller GUI scale across and the
// height's scale up), then the time labels are read back as drawn glyphs: every run of
// touching glyphs must be one whole label (never "0.40.8" run together), the runs keep apart,
// and the titles are drawn whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
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
};

class GraphLabels : public ::testing::TestWithParam<plot_case> {};

}  // namespace

TEST_P(GraphLabels, TimeLabelsKeepApartAndTitlesAreWhole) {
    const plot_case c = GetParam();
    overlay_setup o(c.width, c.height);
    graph_reset_samples();
    graph_clear_vertices();
    const char* titles[8] = {"Distance (m)", "Offset (m)", "", "", "", "", "", ""};
    graph_set_titles(titles);
    const float first[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const float last[8] = {c.time_max, 1.5f, 0, 0, 0, 0, 0, 0};
    graph_add_series_point(first, 1);
    graph_add_series_point(last, 1);
    const float m = std::min(c.width / 640.0f, c.height / 480.0f), h = c.height / 480.0f;
    const float x1 = -0.85f * m, y1 = -0.85f * h, x2 = 0.0f, y2 = -0.4f * h;
    graph_draw(x1, y1, x2, y2, 1, false);
    o.device->clear_records();
    graph_render_with_labels();

    std::vector<std::string> labels;
    std::size_t title_glyphs = 0;
    for (int k = 1; k <= 10; ++k) labels.push_back(format_string("%3.1f", static_cast<double>(k * c.time_max / 10.0f)));
    for (const char* t : {titles[0], titles[1]}) title_glyphs += std::strlen(t);

    // The time labels stand on the axis, lower than the time axis' title.
    std::vector<glyph_box> row;
    std::size_t all = 0;
    for (const glyph_box& g : drawn_glyphs(*o.device)) {
        ++all;
        if (g.bottom < y1 + 0.065f * m && g.left > x1) row.push_back(g);
    }
    ASSERT_FALSE(row.empty());
    std::sort(row.begin(), row.end(), [](const glyph_box& a, const glyph_box& b) { return a.left < b.left; });
    std::vector<int> runs{1};
    for (std::size_t i = 1; i < row.size(); ++i) {
        // Glyphs of one label abut; two labels need a visible gap (a pixel or more).
        if (row[i].left > row[i - 1].right + 1.0f / 320.0f) {
            runs.push_back(1);
        } else {
            ++runs.back();
        }
    }
    EXPECT_GE(runs.size(), 2u);
    // The labels are drawn at the size of the panels' texts: one texel of the font on one pixel,
    // a 320th of a GUI unit across at every window size (a wide window drew them narrower).
    const d3d_font* small = g_overlay->font(FONT_SMALL);
    ASSERT_NE(small, nullptr);
    const int step = 10 / static_cast<int>(runs.size());
    std::size_t start = 0;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t last = start + static_cast<std::size_t>(runs[r]) - 1;
        int extent[2] = {0, 0};
        ASSERT_TRUE(small->get_text_extent(labels[(r + 1) * static_cast<std::size_t>(step) - 1].c_str(), extent));
        EXPECT_NEAR(row[last].right - row[start].left, static_cast<float>(extent[0]) / 320.0f, 1.5f / 320.0f)
            << c.width << " x " << c.height;
        start = last + 1;
    }
    std::size_t label_glyphs = 0;
    for (int n : runs) {
        const bool one_label = std::any_of(labels.begin(), labels.end(),
                                           [n](const std::string& l) { return static_cast<int>(l.size()) == n; });
        EXPECT_TRUE(one_label) << "a run of " << n << " glyphs is not one time label";
        label_glyphs += static_cast<std::size_t>(n);
    }
    // Nothing of the plot leaves the screen on the right.
    EXPECT_LE(row.back().right, c.width / 640.0f);
    // The two titles are drawn whole: every glyph drawn is a label's or a title's.
    std::size_t value_glyphs = 0;
    for (int k = 1; k <= 5; ++k) value_glyphs += format_string("%3.1f", 0.3 * k).size();
    EXPECT_EQ(all, label_glyphs + value_glyphs + title_glyphs);
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, GraphLabels,
                         ::testing::Values(plot_case{640, 480, 1.6f}, plot_case{1024, 768, 1.6f},
                                           plot_case{1920, 1080, 1.6f}, plot_case{1024, 768, 12.0f},
                                           plot_case{640, 480, 1234.5f}, plot_case{1920, 1080, 250.0f}));

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
