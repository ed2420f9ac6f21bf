#include "scenery.h"

#include "image.h"
#include "noise.h"
#include "output.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include <algorithm>

namespace {

const std::string k_folder = "scenery\\Kestrel Bay\\";

// Height in metres at a sample: hills that rise inland from a ragged north-south coast, an
// island off shore, and a sea floor that falls away to the east.
int elevation(int row, int col)
{
    const double x = static_cast<double>(col) / k_scenery_columns;
    const double y = static_cast<double>(row) / k_scenery_rows;
    const double coast = 0.55 + 0.12 * (fractal_noise(y * 6.0, 0.5, 0, 4, 401) - 0.5);
    const double hills = fractal_noise(x * 8.0, y * 8.0, 0, 6, 402);
    const double inland = coast - x;  // > 0 on land
    double h;
    if (inland > 0.0) {
        const double rise = std::fmin(1.0, inland / 0.25);
        h = 2.0 + rise * (60.0 + 700.0 * hills * hills);
    } else {
        h = -2.0 + inland * 400.0 - 20.0 * hills;
    }
    // An island 2 km across in the bay.
    const double dx = (x - 0.78) * 1.0, dy = (y - 0.35) * 1.0;
    const double island = 0.04 - std::sqrt(dx * dx + dy * dy);
    if (island > 0.0) h = std::fmax(h, 3.0 + island * 3000.0 * (0.6 + 0.4 * hills));
    return static_cast<int>(std::lround(h));
}

void write_header()
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "file_type = elevation\n"
                  "data_type = int16\n"
                  "byte_order = little_endian\n"
                  "left_map_x = %.6f\n"
                  "lower_map_y = %.6f\n"
                  "right_map_x = %.6f\n"
                  "upper_map_y = %.6f\n"
                  "number_of_rows = %d\n"
                  "number_of_columns = %d\n"
                  "units = metres\n"
                  "depth_scale = 1.0\n"
                  "elevation_scale = 800.0\n"
                  "no_data_value = -9999\n",
                  k_scenery_west, k_scenery_south, k_scenery_east, k_scenery_north, k_scenery_rows,
                  k_scenery_columns);
    write_output_text(k_folder + "kestrel.hdr", text);
}

void write_samples()
{
    bytes b;
    b.reserve(2u * k_scenery_rows * k_scenery_columns);
    for (int row = 0; row < k_scenery_rows; ++row) {        // row 0 at the south bound
        for (int col = 0; col < k_scenery_columns; ++col) {  // west to east
            put_i16(b, elevation(row, col));
        }
    }
    write_output(k_folder + "kestrel.bin", b);
}

void land_texture(const char* file, rgba a, rgba b, std::uint32_t seed, double scale)
{
    image img(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double n = fractal_noise(x / 256.0 * scale, y / 256.0 * scale, static_cast<int>(scale), 5, seed);
            img.set(x, y, mix(a, b, n));
        }
    }
    write_dds(k_folder + file, img);
}

void bush_texture()
{
    // A bush seen from the side: a dark green crown on a short trunk, transparent around it.
    image img(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double u = (x + 0.5) / 32.0 - 1.0;
            const double v = (y + 0.5) / 32.0 - 1.0;
            const double n = fractal_noise(x / 8.0, y / 8.0, 0, 3, 421);
            const double crown = u * u + (v + 0.2) * (v + 0.2) * 1.4 < 0.55 + 0.3 * (n - 0.5);
            const bool trunk = std::fabs(u) < 0.08 && v > 0.3;
            if (crown) {
                img.set(x, y, mix({0.1, 0.3, 0.08, 1}, {0.25, 0.45, 0.15, 1}, n));
            } else if (trunk) {
                img.set(x, y, {0.3, 0.22, 0.12, 1});
            } else {
                img.set(x, y, {0, 0, 0, 0});
            }
        }
    }
    write_dds(k_folder + "bush.dds", img);
}

// A runway's surface, along its length: dark asphalt, white edge lines and centre dashes.
void runway_texture()
{
    image img(64, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double n = fractal_noise(x / 16.0, y / 16.0, 0, 3, 441);
            rgba c = mix({0.16, 0.16, 0.17, 1}, {0.26, 0.26, 0.27, 1}, n);
            const bool edge = x == 3 || x == 4 || x == 59 || x == 60;
            const bool dash = (x == 31 || x == 32) && (y % 64) < 32;
            if (edge || dash) c = {0.9, 0.9, 0.88, 1};
            img.set(x, y, c);
        }
    }
    write_dds("common\\runway.dds", img);
}

// One object of "objects.txt": name, east and north (degrees), then the five numbers k0..k4.
std::string object_line(const char* name, double east, double north, double k0, double k1, double k2, double k3,
                        double k4)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s\t%.6f\t%.6f\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\n", name, east, north, k0, k1, k2,
                  k3, k4);
    return text;
}

// The scenery's placed objects, on the flat coast east of the defended site: a lit runway
// 1.5 km long and 45 m wide running north, with a strobe approach path to its south; a fire
// and a smoke column inland; a harbour light on the shore; a buoy with a flashing light and a
// bare buoy floating off shore.
void scenery_objects()
{
    std::string text = "// Kestrel Bay objects: name, east, north, height, then four numbers by kind\n";
    text += object_line("runway.dds", 38.628, 20.0855, 0, -1.5708, 15, 1, 0.45);
    text += object_line("[Path_Strobe]", 38.628, 20.0850, 0, -1.5708, 5, 300, 2);
    text += object_line("[Fire]", 38.610, 20.1000, 0, 3, 0, 0, 0);
    text += object_line("[Smoke]", 38.6115, 20.1010, 0, 4, 90, 90, 90);
    text += object_line("harbour_light.def", 38.6310, 20.0925, 2, 0, 1, 1, 1);
    text += object_line("buoy_light.def", 38.6420, 20.0880, 0, 0, 1, 1, 1);
    text += object_line("float_buoy.x", 38.6450, 20.0950, 0, 0, 1, 1, 1);
    write_output_text(k_folder + "objects.txt", text);
}

// The near-detail texture of a land class ("dense_<texture>"): fine grey grain around mid
// grey, so it shades the class's own colour without tinting it.
void dense_texture(const char* file, std::uint32_t seed, double scale, double contrast)
{
    image img(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double n = fractal_noise(x / 256.0 * scale, y / 256.0 * scale, static_cast<int>(scale), 3, seed);
            const double g = 0.5 + contrast * (n - 0.5);
            img.set(x, y, {g, g, g, 1});
        }
    }
    write_dds(k_folder + "dense_" + file, img);
}

// Shaded relief of the scenery seen from above, north up: the picture of a situation.
image relief_map(int w, int h)
{
    image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int row = (h - 1 - y) * k_scenery_rows / h;
            const int col = x * k_scenery_columns / w;
            const int e = elevation(row, col);
            if (e <= 0) {
                img.set(x, y, mix({0.1, 0.3, 0.5, 1}, {0.2, 0.45, 0.6, 1}, clamp01(1.0 + e / 200.0)));
                continue;
            }
            const int east = elevation(row, std::min(col + 1, k_scenery_columns - 1));
            const int north = elevation(std::min(row + 1, k_scenery_rows - 1), col);
            const double shade = 0.8 + 0.02 * ((e - east) + (north - e));
            const rgba land = mix({0.35, 0.5, 0.25, 1}, {0.6, 0.55, 0.45, 1}, std::fmin(1.0, e / 500.0));
            img.set(x, y, {land.r * shade, land.g * shade, land.b * shade, 1});
        }
    }
    return img;
}

struct map_marker {
    double east, north;
    rgba colour;
};

void situation_picture(const std::string& name, const std::vector<map_marker>& markers)
{
    constexpr int w = 256, h = 192;
    image img = relief_map(w, h);
    for (const map_marker& m : markers) {
        const int cx = static_cast<int>((m.east - k_scenery_west) / (k_scenery_east - k_scenery_west) * w);
        const int cy = static_cast<int>((k_scenery_north - m.north) / (k_scenery_north - k_scenery_south) * h);
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx)
                if (dx * dx + dy * dy <= 16) img.set(cx + dx, cy + dy, dx * dx + dy * dy >= 9 ? rgba{1, 1, 1, 1} : m.colour);
    }
    write_jpeg(name, img);
}

}  // namespace

void generate_scenery()
{
    write_header();
    write_samples();
    land_texture("sand.dds", {0.78, 0.72, 0.55, 1}, {0.88, 0.82, 0.65, 1}, 411, 8);
    land_texture("grass.dds", {0.3, 0.45, 0.18, 1}, {0.45, 0.55, 0.25, 1}, 412, 8);
    land_texture("forest.dds", {0.12, 0.28, 0.1, 1}, {0.25, 0.38, 0.15, 1}, 413, 16);
    land_texture("snow.dds", {0.85, 0.87, 0.9, 1}, {0.97, 0.98, 1.0, 1}, 414, 4);
    land_texture("rock.dds", {0.4, 0.37, 0.33, 1}, {0.6, 0.57, 0.52, 1}, 415, 16);
    bush_texture();
    runway_texture();
    scenery_objects();
    dense_texture("sand.dds", 431, 32, 0.3);
    dense_texture("grass.dds", 432, 32, 0.5);
    dense_texture("forest.dds", 433, 16, 0.6);
    dense_texture("snow.dds", 434, 32, 0.15);
    dense_texture("rock.dds", 435, 16, 0.7);
    // Pictures of the two sample situations: systems blue, rocket launchers red, at the
    // positions their situation files give.
    const rgba system{0.2, 0.4, 1.0, 1}, launcher{0.9, 0.15, 0.1, 1};
    situation_picture("situations\\Kestrel Bay Defence.jpg",
                      {{38.60, 20.12, system}, {38.59, 20.08, system}, {38.52, 20.11, launcher}, {38.53, 20.16, launcher}});
    situation_picture("situations\\Test Range.jpg", {{38.53, 20.08, system}});
}

namespace {

// A tip picture: a titled card with a simple drawing of the subject.
void tip_picture(const std::string& name, rgba accent, int shape)
{
    image img(256, 192);
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double sky = y / 192.0;
            img.set(x, y, mix({0.35, 0.5, 0.75, 1}, {0.75, 0.82, 0.9, 1}, sky));
            if (y > 150) img.set(x, y, {0.35, 0.4, 0.25, 1});
        }
    }
    auto fill_rect = [&](int x0, int y0, int x1, int y1, rgba c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) img.set(x, y, c);
    };
    switch (shape) {
    case 0:  // missile in flight: body, nose, fins, exhaust
        fill_rect(60, 90, 190, 102, {0.85, 0.85, 0.8, 1});
        for (int i = 0; i < 20; ++i) fill_rect(190 + i, 90 + i * 6 / 20, 191 + i, 102 - i * 6 / 20, {0.85, 0.85, 0.8, 1});
        fill_rect(60, 80, 75, 112, accent);
        fill_rect(20, 93, 60, 99, {1, 0.7, 0.2, 1});
        break;
    case 1:  // motor: casing and nozzle
        fill_rect(50, 80, 180, 112, accent);
        for (int i = 0; i < 30; ++i) fill_rect(180 + i, 92 - i / 3, 181 + i, 100 + i / 3, {0.3, 0.3, 0.3, 1});
        break;
    case 2:  // aerodynamics: body with wings
        fill_rect(40, 92, 210, 100, {0.85, 0.85, 0.8, 1});
        for (int i = 0; i < 30; ++i) fill_rect(120 - i, 70 + i, 150 - i, 71 + i, accent);
        break;
    case 3:  // warhead: burst of fragments
        for (int k = 0; k < 24; ++k) {
            const double a = k * 3.14159265 / 12.0;
            for (int r = 10; r < 70; ++r) img.set(128 + static_cast<int>(r * std::cos(a)), 96 + static_cast<int>(r * std::sin(a)), accent);
        }
        fill_rect(118, 86, 138, 106, {1, 0.9, 0.5, 1});
        break;
    case 4:  // fuse: missile passing a target with the fuse cone
        fill_rect(40, 120, 200, 126, {0.85, 0.85, 0.8, 1});
        fill_rect(110, 50, 180, 58, {0.6, 0.2, 0.2, 1});
        for (int i = 0; i < 60; ++i) img.set(150 + i / 2, 120 - i, accent), img.set(150 - i / 2, 120 - i, accent);
        break;
    default:  // guidance: radar dish and a dashed line to a target
        for (int y = 100; y < 150; ++y) fill_rect(60 - (150 - y) / 3, y, 62 + (150 - y) / 3, y + 1, accent);
        for (int i = 0; i < 140; i += 8) fill_rect(70 + i, 100 - i / 2, 74 + i, 102 - i / 2, {1, 1, 1, 1});
        fill_rect(210, 25, 225, 35, {0.6, 0.2, 0.2, 1});
        break;
    }
    write_jpeg(name, img);
}

}  // namespace

void generate_help_pictures()
{
    tip_picture("help\\main\\Welcome.jpg", {0.8, 0.3, 0.2, 1}, 0);
    tip_picture("help\\main\\Running a scenario.jpg", {0.2, 0.4, 0.8, 1}, 5);
    tip_picture("help\\missile\\Missile design.jpg", {0.8, 0.3, 0.2, 1}, 0);
    tip_picture("help\\motor\\Rocket motor.jpg", {0.5, 0.5, 0.55, 1}, 1);
    tip_picture("help\\aero\\Airframe.jpg", {0.3, 0.3, 0.35, 1}, 2);
    tip_picture("help\\warhead\\Warhead.jpg", {1.0, 0.6, 0.2, 1}, 3);
    tip_picture("help\\fuse\\Fuse delay.jpg", {1.0, 1.0, 0.4, 1}, 4);
    tip_picture("help\\guidance\\Guidance laws.jpg", {0.6, 0.6, 0.6, 1}, 5);
}
