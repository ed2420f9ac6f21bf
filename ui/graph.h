// The one plotter of the design and test screens. A screen records up to 24,000 samples of
// eight channels while a static test or a flight runs (channel 0 is the time), then asks for
// a plot of one channel against the time inside a box in GUI units: axes, a grid or ticks,
// the curve as thick green segments, and labels and titles in the overlay's small font. The
// samples can be exported as a CSV file. Screens may add their own marks (zones, limit
// lines) to the same vertex lists before drawing.
//
// Everything lives in fixed global arrays: recording and drawing allocate nothing, and each
// list goes out in one draw call.
#pragma once

#include <cstdint>

#include "ui/overlay2d.h"

struct graph_store {
    static constexpr int k_channels = 8;
    static constexpr int k_max_samples = 24000;
    static constexpr int k_max_vertices = 24000;
    static constexpr int k_title_size = 24;  // 23 characters and the end

    overlay_vertex lines[k_max_vertices];
    int line_count = 0;
    overlay_vertex triangles[k_max_vertices];
    int triangle_count = 0;

    float samples[k_max_samples][k_channels];
    int sample_count = 0;
    int decimation = 0;

    // Widened by every recorded value; both start at 0, so every range holds 0.
    float running_max[k_channels] = {};
    float running_min[k_channels] = {};
    // Copies of the running values taken by graph_draw; the labels read these.
    float plot_max[k_channels] = {};
    float plot_min[k_channels] = {};

    char titles[k_channels][k_title_size] = {"Time (sec)", "Th (kgf)", "Pc (atm)", "Pe (atm)",
                                             "Mp (kg)",    "CF",       "NA",       "NA"};
    // Above 0: the channel holds natural logarithms; labels and exports show exp of them.
    std::int32_t log_flags[k_channels] = {};

    // The channel and box of the last graph_draw, and the axes' box inside it: the box keeps
    // room left of the axes for the value labels and under them for the time labels and the
    // time title, so the curve never runs over a label.
    int channel = 0;
    float box[4] = {};
    float plot[4] = {};

    // The labels graph_draw placed: texts and their lower-left corners (GUI units), drawn by
    // graph_render_with_labels as they are.
    struct label {
        char text[k_title_size] = {};
        float x = 0, y = 0;
        float width = 0, height = 0;
    };
    static constexpr int k_max_labels = 10 + 5 + 2;
    label labels[k_max_labels];
    int label_count = 0;
    // The labels' glyphs over their usual size (one texel of the font on one pixel of the
    // plot's window), as the last graph_draw was given it.
    float label_zoom = 1.0f;
};

// The program's one plot.
extern graph_store g_graph;

// Sample count and decimation counter 0, running ranges 0, log flags off.
void graph_reset_samples();
// Bounded copies into the eight titles (a missing one becomes empty).
void graph_set_titles(const char* const titles[graph_store::k_channels]);
void graph_set_log_scales(const std::int32_t flags[graph_store::k_channels]);
// Records one sample: with every_n below 1 only the ranges widen; otherwise the first call
// and every every_n-th after it store a row (while the table has room).
void graph_add_series_point(const float values[graph_store::k_channels], int every_n);
// Both vertex lists empty.
void graph_clear_vertices();
// Rebuilds both lists: axes, grid (or ticks), and the curve of the channel against time, and
// places the labels. The axes stand inside the box, as far in as the labels need (the box
// itself without fonts); a box too small for them keeps the whole box.
// A time axis or a channel range of 0 (nothing flown yet) leaves out the curve.
// label_zoom (at least 1) enlarges the labels' glyphs, for a window drawn smaller than its
// units (a dialog scaled down to fit a small screen), so they keep the font's pixel size.
void graph_draw(float x1, float y1, float x2, float y2, int channel, bool grid, float label_zoom = 1.0f);
// The axes' box of the last graph_draw (x1, y1 the origin; x2, y2 the far ends).
struct graph_area {
    float x1, y1, x2, y2;
};
graph_area graph_plot_area();
// Marks of the caller's own that stay inside the axes' box of the last graph_draw: the
// quad and the line are cut at its edges.
void graph_add_plot_quad(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                         float y4, std::uint32_t colour);
void graph_add_plot_thick_line(float x1, float y1, float x2, float y2, std::uint32_t colour);
// How many decimals (1 to 4) tell `count` labels apart: the fewest with which no two
// neighbours print alike (4 when none do).
int graph_label_decimals(const float* values, int count);
// Marks of the caller's own, in the box's units.
void graph_add_line(float x1, float y1, float x2, float y2, std::uint32_t colour);
void graph_add_thick_line(float x1, float y1, float x2, float y2, std::uint32_t colour);
// Four corners in order around the quad.
void graph_add_quad(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                    float y4, std::uint32_t colour);
void graph_add_point(float x, float y, std::uint32_t colour);
// Draws both lists on the overlay's device under the caller's transforms.
void graph_render();
// The same, then the labels graph_draw placed (nothing at all while both lists are empty):
// the time labels centred under their ticks, the value labels level with theirs and ending
// just left of the axis, the time title under the time labels at the box's right end, the
// channel's title over the box. Ticks and gaps grow with the smaller GUI scale; the time
// labels thin out to every 2nd, 5th or 10th (the value labels to every 2nd or 5th) when the widest
// would run into its neighbour.
void graph_render_with_labels();
// Every how many ticks a label fits (1, 2, 5 or 10) when each needs `label_room` GUI units
// and the ticks stand `spacing` apart.
int graph_label_step(float label_room, float spacing);
// The stored value (exp of it for a log channel); 0 outside the table.
float graph_sample_value(int sample, int channel);
// Writes the titles and every sample as CSV (C locale, CR LF) through a replacing write;
// false, and the old file untouched, when it cannot be written.
bool graph_export_csv(const char* path);
