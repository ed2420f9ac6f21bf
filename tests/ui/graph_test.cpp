// The plotter: recording with decimation, the plot's vertices against hand-computed points,
// the empty plot before a flight, the draw calls, and the CSV export's bytes and failures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "overlay_fixture.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_folder.h"
#include "ui/graph.h"

namespace {

class graph_test : public ::testing::Test {
protected:
    void SetUp() override {
        graph_reset_samples();
        graph_clear_vertices();
        const char* titles[8] = {"Time (sec)", "A", "B", "C", "D", "E", "F", "G"};
        graph_set_titles(titles);
    }
    // Records a row of time t with channel 1 = v (and 2 = 10 + t).
    static void add(float t, float v, int every_n = 1) {
        const float row[8] = {t, v, 10.0f + t, 0, 0, 0, 0, 0};
        graph_add_series_point(row, every_n);
    }
    static bool all_finite() {
        for (int i = 0; i < g_graph.line_count; ++i) {
            if (!std::isfinite(g_graph.lines[i].x) || !std::isfinite(g_graph.lines[i].y)) return false;
        }
        for (int i = 0; i < g_graph.triangle_count; ++i) {
            if (!std::isfinite(g_graph.triangles[i].x) || !std::isfinite(g_graph.triangles[i].y)) {
                return false;
            }
        }
        return true;
    }
    // The frame: two axes, ten vertical and five horizontal grid lines.
    static constexpr int k_frame_vertices = 2 * (2 + 10 + 5);
};

TEST_F(graph_test, decimation_stores_every_nth_call_and_zero_only_widens) {
    for (int call = 1; call <= 8; ++call) add(static_cast<float>(call), 1.0f, 3);
    ASSERT_EQ(g_graph.sample_count, 3);
    EXPECT_EQ(g_graph.samples[0][0], 1.0f);
    EXPECT_EQ(g_graph.samples[1][0], 4.0f);
    EXPECT_EQ(g_graph.samples[2][0], 7.0f);
    // The ranges hold 0 from the reset, though every value stored was positive.
    EXPECT_EQ(g_graph.running_min[1], 0.0f);
    EXPECT_EQ(g_graph.running_max[2], 17.0f);

    graph_reset_samples();
    add(5.0f, -3.0f, 0);
    add(6.0f, 9.0f, -2);
    EXPECT_EQ(g_graph.sample_count, 0);
    EXPECT_EQ(g_graph.decimation, 0);
    EXPECT_EQ(g_graph.running_max[0], 6.0f);
    EXPECT_EQ(g_graph.running_min[1], -3.0f);
    EXPECT_EQ(g_graph.running_max[1], 9.0f);
}

TEST_F(graph_test, before_a_flight_only_the_frame_is_drawn_and_nothing_is_non_finite) {
    graph_draw(-1.0f, -1.0f, 1.0f, 1.0f, 1, true);
    EXPECT_EQ(g_graph.line_count, k_frame_vertices);
    EXPECT_EQ(g_graph.triangle_count, 0);
    EXPECT_TRUE(all_finite());
    // A flat channel over a real time axis: no range, no curve.
    for (int i = 0; i < 5; ++i) add(static_cast<float>(i), 0.0f);
    graph_draw(-1.0f, -1.0f, 1.0f, 1.0f, 1, false);
    EXPECT_EQ(g_graph.triangle_count, 0);
    EXPECT_TRUE(all_finite());
    // Samples at time 0 only: the time axis has no length.
    graph_reset_samples();
    add(0.0f, 3.0f);
    add(0.0f, 5.0f);
    graph_draw(-1.0f, -1.0f, 1.0f, 1.0f, 1, true);
    EXPECT_EQ(g_graph.triangle_count, 0);
    EXPECT_TRUE(all_finite());
    // A channel out of range is taken as the nearest one.
    graph_draw(-1.0f, -1.0f, 1.0f, 1.0f, 99, true);
    EXPECT_EQ(g_graph.channel, 7);
}

TEST_F(graph_test, the_curve_runs_through_the_scaled_samples) {
    add(0.0f, 0.0f);
    add(1.0f, 2.0f);
    add(2.0f, 4.0f);
    add(2.0f, 4.0f);  // a repeated point adds no segment (and no division by its length)
    graph_draw(0.0f, 0.0f, 1.0f, 2.0f, 1, false);
    ASSERT_EQ(g_graph.triangle_count, 12);
    EXPECT_TRUE(all_finite());
    // Segment (0, 0)-(0.5, 1): offset 0.01 / L x (dy, -dx) with L = sqrt(1.25).
    const float l = std::sqrt(1.25f);
    EXPECT_NEAR(g_graph.triangles[0].x, 0.01f / l * 1.0f, 1e-6f);
    EXPECT_NEAR(g_graph.triangles[0].y, 0.01f / l * -0.5f, 1e-6f);
    EXPECT_NEAR(g_graph.triangles[1].x, 0.5f + 0.01f / l, 1e-6f);
    EXPECT_NEAR(g_graph.triangles[1].y, 1.0f - 0.005f / l, 1e-6f);
    EXPECT_EQ(g_graph.triangles[0].color, 0x8000FF00u);
    // The second segment ends at the box's upper right corner, less the offset.
    EXPECT_NEAR(g_graph.triangles[8].x, 1.0f - 0.01f / l, 1e-6f);
    EXPECT_NEAR(g_graph.triangles[8].y, 2.0f + 0.005f / l, 1e-6f);
}

TEST_F(graph_test, a_full_table_draws_at_most_4000_segments_and_drops_further_samples) {
    for (int i = 0; i < graph_store::k_max_samples + 10; ++i) {
        add(static_cast<float>(i), static_cast<float>(i % 7));
    }
    EXPECT_EQ(g_graph.sample_count, graph_store::k_max_samples);
    graph_draw(-1.0f, -1.0f, 1.0f, 1.0f, 1, true);
    EXPECT_EQ(g_graph.triangle_count, 23994);
    EXPECT_LE(g_graph.triangle_count / 6, 4000);
    // Own marks go in until the lists are full and no further.
    graph_add_quad(0, 0, 1, 0, 1, 1, 0, 1, 0xFFFF0000u);
    EXPECT_EQ(g_graph.triangle_count, 23994);
    for (int i = 0; i < 20000; ++i) graph_add_line(0, 0, 1, 1, 0xFFFFFFFFu);
    EXPECT_EQ(g_graph.line_count, 23998);
    graph_add_point(0, 0, 0xFFFFFFFFu);
    graph_add_point(0, 0, 0xFFFFFFFFu);
    graph_add_point(0, 0, 0xFFFFFFFFu);
    EXPECT_EQ(g_graph.line_count, 24000);
}

TEST_F(graph_test, render_issues_one_draw_per_list_and_none_when_empty) {
    overlay_setup setup(640, 480, false);
    graph_clear_vertices();
    graph_render();
    EXPECT_TRUE(setup.device->draws().empty());
    add(0.0f, 0.0f);
    add(1.0f, 1.0f);
    graph_draw(-1.0f, -1.0f, 1.0f, 1.0f, 1, true);
    graph_add_quad(0, 0, 0.1f, 0, 0.1f, 0.1f, 0, 0.1f, 0x40FF0000u);
    graph_render();
    const auto& draws = setup.device->draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].type, static_cast<std::uint32_t>(PT_LINELIST));
    EXPECT_EQ(draws[0].primitive_count, k_frame_vertices / 2);
    EXPECT_EQ(draws[1].type, static_cast<std::uint32_t>(PT_TRIANGLELIST));
    EXPECT_EQ(draws[1].primitive_count, 4);  // one curve segment and the quad
}

TEST_F(graph_test, csv_export_writes_c_locale_numbers_with_cr_lf) {
    temp_folder tmp;
    const std::int32_t logs[8] = {0, 0, 1, 0, 0, 0, 0, 0};
    graph_set_log_scales(logs);
    const float row1[8] = {0.5f, -2.25f, 0.0f, 1234.5f, 0, 0, 0, 1.0f};
    const float row2[8] = {1.0f, 3.0f, std::log(2.0f), 0, 0, 0, 0, 0};
    graph_add_series_point(row1, 1);
    graph_add_series_point(row2, 1);
    ASSERT_TRUE(graph_export_csv("motors\\test.csv") == false);  // no such folder yet
    EXPECT_FALSE(tmp.exists("motors/test.csv"));
    tmp.write("motors/keep.txt", "");
    ASSERT_TRUE(graph_export_csv("motors\\test.csv"));
    EXPECT_EQ(tmp.read("motors/test.csv"),
              "Time (sec),A,B,C,D,E,F,G\r\n"
              "0.5000,-2.2500,1.0000,1234.5000,0.0000,0.0000,0.0000,1.0000\r\n"
              "1.0000,3.0000,2.0000,0.0000,0.0000,0.0000,0.0000,0.0000\r\n");
    // No samples: the title line alone.
    graph_reset_samples();
    ASSERT_TRUE(graph_export_csv("motors\\empty.csv"));
    EXPECT_EQ(tmp.read("motors/empty.csv"), "Time (sec),A,B,C,D,E,F,G\r\n");
}

TEST_F(graph_test, an_export_that_cannot_be_finished_keeps_the_old_file) {
    temp_folder tmp;
    tmp.write("configs/old.csv", "old contents\r\n");
    for (int i = 0; i < 200; ++i) add(static_cast<float>(i), 1.0f);
    EXPECT_TRUE(in_child_with_file_size_limit(1000, [] {
        return !graph_export_csv("configs\\old.csv");
    }));
    EXPECT_EQ(tmp.read("configs/old.csv"), "old contents\r\n");
}

}  // namespace
