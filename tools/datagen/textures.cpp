#include "textures.h"

#include "image.h"
#include "noise.h"
#include "output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr double k_pi = 3.14159265358979323846;

// Calls f(u, v) for every pixel with u, v in -1..1 across the picture (pixel centres).
image paint(int w, int h, const std::function<rgba(double, double)>& f)
{
    image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5) / w * 2.0 - 1.0;
            const double v = (y + 0.5) / h * 2.0 - 1.0;
            img.set(x, y, f(u, v));
        }
    }
    return img;
}

// A soft round spot: 1 at the centre, 0 at radius 1 and beyond.
double spot(double u, double v, double sharpness)
{
    const double r = std::sqrt(u * u + v * v);
    if (r >= 1.0) return 0.0;
    return std::pow(1.0 - r, sharpness);
}

void glow(const char* name, int size, rgba core, rgba rim, double sharpness)
{
    write_dds(name, paint(size, size, [&](double u, double v) {
        const double s = spot(u, v, sharpness);
        rgba c = mix(rim, core, s);
        c.a = s;
        return c;
    }));
}

// A puff of smoke or cloud: a soft disc broken up by noise.
image puff(int size, rgba colour, std::uint32_t seed, double detail)
{
    return paint(size, size, [&](double u, double v) {
        const double n = fractal_noise((u + 1.0) * detail, (v + 1.0) * detail, 0, 4, seed);
        const double s = spot(u, v, 1.2) * (0.4 + 0.9 * n);
        rgba c = colour;
        c.r *= 0.8 + 0.2 * n;
        c.g *= 0.8 + 0.2 * n;
        c.b *= 0.8 + 0.2 * n;
        c.a = clamp01(s);
        return c;
    });
}

}  // namespace

void generate_particle_textures()
{
    write_dds("graphics\\smoke.dds", puff(64, {0.85, 0.85, 0.85, 1}, 101, 3.0));
    glow("graphics\\light.dds", 64, {1, 1, 1, 1}, {1, 0.95, 0.8, 1}, 2.0);
    glow("graphics\\flame.dds", 64, {1, 0.95, 0.6, 1}, {1, 0.35, 0.05, 1}, 1.5);
    // The exhaust flame's skin: wrapped round the flame (u) and scrolled along it (v), so it
    // repeats both ways; bright, nearly white streaks along the flame with a little noise, for
    // the flame's own colours to show through.
    write_dds("graphics\\thrust.dds", paint(64, 64, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 4.0, (v + 1.0) * 4.0, 8, 3, 141);
        const double streak = 0.5 + 0.5 * std::sin(k_pi * (6.0 * u + std::sin(k_pi * v)));
        const double g = 0.7 + 0.2 * streak + 0.1 * n;
        return rgba{g, g, g, clamp01(0.6 + 0.25 * streak + 0.15 * n)};
    }));
    glow("graphics\\hail.dds", 16, {1, 1, 1, 1}, {0.9, 0.95, 1, 1}, 1.0);
    glow("graphics\\star.dds", 16, {1, 1, 1, 1}, {0.8, 0.85, 1, 1}, 3.0);
    // A trail is a long soft streak, brightest along its middle.
    write_dds("graphics\\trail.dds", paint(32, 128, [](double u, double v) {
        const double across = std::fmax(0.0, 1.0 - u * u);
        const double along = 1.0 - 0.5 * (v + 1.0) * 0.5;
        return rgba{0.9, 0.9, 0.9, clamp01(across * along)};
    }));
    write_dds("graphics\\blast.dds", paint(128, 128, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 4.0, (v + 1.0) * 4.0, 0, 4, 111);
        const double s = spot(u, v, 0.8);
        const rgba fire = mix({0.6, 0.1, 0.0, 1}, {1.0, 0.9, 0.5, 1}, clamp01(s * 1.5 * n + 0.2 * s));
        return rgba{fire.r, fire.g, fire.b, clamp01(s * (0.5 + n))};
    }));
    write_dds("graphics\\splash.dds", paint(64, 64, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 6.0, (v + 1.0) * 6.0, 0, 3, 121);
        const double s = spot(u, v, 0.7) * (n > 0.45 ? 1.0 : 0.3);
        return rgba{0.95, 0.97, 1.0, clamp01(s)};
    }));
    for (int i = 0; i < 8; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "graphics\\cloud%d.dds", i);
        write_dds(name, puff(128, {1, 1, 1, 1}, 131 + i, 2.5 + 0.25 * i));
    }
}

void generate_sky_textures()
{
    write_dds("graphics\\sun.dds", paint(128, 128, [](double u, double v) {
        const double r = std::sqrt(u * u + v * v);
        const double disc = r < 0.35 ? 1.0 : 0.0;
        const double halo = spot(u, v, 3.0);
        const double a = clamp01(disc + halo);
        return rgba{1.0, 0.97, 0.85 + 0.15 * disc, a};
    }));
    write_dds("graphics\\moon.dds", paint(128, 128, [](double u, double v) {
        const double r = std::sqrt(u * u + v * v);
        if (r > 0.9) return rgba{0, 0, 0, 0};
        const double n = fractal_noise((u + 1.0) * 5.0, (v + 1.0) * 5.0, 0, 4, 141);
        const double g = 0.55 + 0.45 * n;
        return rgba{g, g, g * 0.97, clamp01((0.9 - r) * 20.0)};
    }));
    write_dds("graphics\\clouds.dds", paint(256, 256, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 4.0, (v + 1.0) * 4.0, 8, 5, 151);
        const double cover = clamp01((n - 0.4) * 3.0);
        return rgba{1.0, 1.0, 1.0, cover};
    }));
    // Reflection cube: sky above, a pale horizon, dark sea-ground below.
    std::array<image, 6> faces = {image(64, 64), image(64, 64), image(64, 64),
                                  image(64, 64), image(64, 64), image(64, 64)};
    for (int f = 0; f < 6; ++f) {
        faces[f] = paint(64, 64, [f](double u, double v) {
            // Direction of the texel in the cube's axes (+y up); v grows downwards on a face.
            double x = 0, y = 0, z = 0;
            switch (f) {
            case 0: x = 1; y = -v; z = -u; break;
            case 1: x = -1; y = -v; z = u; break;
            case 2: x = u; y = 1; z = v; break;
            case 3: x = u; y = -1; z = -v; break;
            case 4: x = u; y = -v; z = 1; break;
            default: x = -u; y = -v; z = -1; break;
            }
            const double up = y / std::sqrt(x * x + y * y + z * z);
            if (up >= 0.0) return mix({0.85, 0.9, 0.95, 1}, {0.3, 0.5, 0.85, 1}, std::sqrt(up));
            return mix({0.6, 0.65, 0.7, 1}, {0.15, 0.17, 0.2, 1}, std::sqrt(-up));
        });
    }
    write_dds_cube("graphics\\refmap.dds", faces);
}

void generate_sea_textures()
{
    write_jpeg("graphics\\water.jpg", paint(256, 256, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 4.0, (v + 1.0) * 4.0, 8, 5, 161);
        return mix({0.05, 0.2, 0.3, 1}, {0.2, 0.45, 0.55, 1}, n);
    }));
    write_jpeg("graphics\\spray.jpg", paint(128, 128, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 8.0, (v + 1.0) * 8.0, 16, 3, 171);
        const double g = clamp01((n - 0.45) * 4.0) * spot(u, v, 0.5);
        return rgba{g, g, g, 1};
    }));
    write_jpeg("graphics\\bump.jpg", paint(256, 256, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 8.0, (v + 1.0) * 8.0, 16, 4, 181);
        return rgba{n, n, n, 1};
    }));
    write_jpeg("graphics\\dense.jpg", paint(256, 256, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 16.0, (v + 1.0) * 16.0, 32, 3, 191);
        const double g = 0.4 + 0.2 * n;
        return rgba{g, g, g, 1};
    }));
    // 32 frames of a tileable wave height field; each frame moves the crests on by 1/32 of
    // their period, so the sequence loops.
    for (int frame = 0; frame < 32; ++frame) {
        const double t = frame / 32.0 * 2.0 * k_pi;
        char name[64];
        std::snprintf(name, sizeof name, "graphics\\waves%03d.jpg", frame);
        write_jpeg(name, paint(128, 128, [t](double u, double v) {
            const double x = (u + 1.0) * k_pi;
            const double y = (v + 1.0) * k_pi;
            const double h = 0.5 * std::sin(2 * x + t) + 0.3 * std::sin(3 * x + 2 * y - 2 * t)
                + 0.2 * std::sin(5 * y + x + 3 * t);
            const double n = fractal_noise((u + 1.0) * 4.0, (v + 1.0) * 4.0, 8, 3, 201);
            const double g = clamp01(0.5 + 0.35 * h + 0.2 * (n - 0.5));
            return rgba{g, g, g, 1};
        }));
    }
}

namespace {

// The land of the invented world: continents from low-frequency noise on a sphere-wrapped
// lattice, so the maps join at the date line. lon -180..180, lat -90..90 degrees.
double land_height(double lon, double lat)
{
    const double x = (lon + 180.0) / 360.0 * 16.0;
    const double y = (90.0 - lat) / 180.0 * 8.0;
    double n = fractal_noise(x, y, 16, 6, 211);
    // Polar caps stay land-ish and ice, the equator a little more sea.
    n += 0.1 * std::fabs(lat) / 90.0;
    return n - 0.56;  // > 0 is land
}

rgba earth_colour(double lon, double lat)
{
    const double h = land_height(lon, lat);
    if (std::fabs(lat) > 72.0) return {0.92, 0.94, 0.97, 1};
    if (h <= 0.0) return mix({0.05, 0.15, 0.4, 1}, {0.1, 0.3, 0.55, 1}, clamp01(1.0 + h * 8.0));
    const double dry = clamp01(1.0 - std::fabs(std::fabs(lat) - 25.0) / 20.0);
    const rgba green{0.2, 0.45, 0.15, 1};
    const rgba desert{0.75, 0.65, 0.4, 1};
    const rgba base = mix(green, desert, dry * 0.8);
    return mix(base, {0.55, 0.5, 0.45, 1}, clamp01(h * 4.0));
}

image earth_map(int w, int h, const std::function<rgba(double, double)>& f)
{
    image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double lon = (x + 0.5) / w * 360.0 - 180.0;
            const double lat = 90.0 - (y + 0.5) / h * 180.0;
            img.set(x, y, f(lon, lat));
        }
    }
    return img;
}

// Glyphs of 5 x 7 cells for the tapes' labels, one string per row.
struct tape_glyph {
    char c;
    const char* rows[7];
};
const tape_glyph k_tape_glyphs[] = {
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
};

void white_box(image& img, int x0, int y0, int w, int h, bool wrap)
{
    for (int y = y0; y < y0 + h; ++y) {
        if (y < 0 || y >= img.height()) continue;
        for (int x = x0; x < x0 + w; ++x) {
            const int wx = wrap ? ((x % img.width()) + img.width()) % img.width() : x;
            if (wx >= 0 && wx < img.width()) img.set(wx, y, {1, 1, 1, 1});
        }
    }
}

// A label of tape glyphs, `cell` pixels a cell and one cell between glyphs, its middle at x.
void tape_label(image& img, const std::string& text, int x_middle, int top, int cell, bool wrap)
{
    const int width = static_cast<int>(text.size()) * 6 * cell - cell;
    int x0 = x_middle - width / 2;
    for (char ch : text) {
        for (const tape_glyph& g : k_tape_glyphs) {
            if (g.c != ch) continue;
            for (int r = 0; r < 7; ++r)
                for (int k = 0; k < 5; ++k)
                    if (g.rows[r][k] == '#') white_box(img, x0 + k * cell, top + r * cell, cell, cell, wrap);
        }
        x0 += 6 * cell;
    }
}

// The compass strip of the heading tape: one turn along u, north in the middle (the tape
// puts heading H at u = 0.5 + H / 360, wrapping), marks white on black. A tick rises from the
// bottom edge every 10 degrees (longer every 30); N, E, S and W stand above their ticks and
// the other multiples of 30 carry their number (30, 60, 120, ...).
image compass_strip(int width, int height)
{
    image img(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) img.set(x, y, {0, 0, 0, 1});
    const int line = std::max(2, width / 400);
    white_box(img, 0, height - line, width, line, false);  // the scale's base line
    for (int deg = 0; deg < 360; deg += 10) {
        const int x = static_cast<int>(std::lround((0.5 + deg / 360.0) * width)) % width;
        const bool major = deg % 30 == 0;
        const int len = major ? height * 3 / 8 : height / 4;
        white_box(img, x - line / 2, height - len, line + 1, len, true);
        if (!major) continue;
        static const char* const k_points[] = {"N", "E", "S", "W"};
        const std::string label = deg % 90 == 0 ? k_points[deg / 90] : std::to_string(deg);
        const int cell = deg % 90 == 0 ? height / 14 : height / 20;
        tape_label(img, label, x, height / 16, std::max(1, cell), true);
    }
    return img;
}

// The elevation strip of the pitch tape: elevation e (degrees, up positive) at
// v = 0.5 - e / 360, so the level line lies in the middle, +90 a quarter from the top and -90
// a quarter from the bottom; the tape shows 72 degrees above and below the camera's pitch.
// Ticks run in from the left edge every 10 degrees (longer every 30, the level across the
// whole strip), and the multiples of 30 carry their value.
image elevation_strip(int width, int height)
{
    image img(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) img.set(x, y, {0, 0, 0, 1});
    const int line = std::max(2, height / 400);
    for (int e = -90; e <= 90; e += 10) {
        const int y = static_cast<int>(std::lround((0.5 - e / 360.0) * height));
        const bool major = e % 30 == 0;
        const int len = e == 0 ? width : major ? width * 3 / 8 : width / 4;
        white_box(img, 0, y - line / 2, len, line + 1, false);
        if (!major || e == 0) continue;
        const int cell = std::max(1, width / 32);
        tape_label(img, std::to_string(e), width * 11 / 16, y - 7 * cell / 2, cell, false);
    }
    return img;
}

}  // namespace

void generate_map_textures()
{
    write_jpeg("graphics\\world_map.jpg", earth_map(1024, 512, earth_colour));
    write_jpeg("graphics\\earth_text.jpg", earth_map(1024, 512, earth_colour));
    write_jpeg("graphics\\earth_mask.jpg", earth_map(1024, 512, [](double lon, double lat) {
        const double g = land_height(lon, lat) > 0.0 ? 0.0 : 1.0;  // white where water reflects
        return rgba{g, g, g, 1};
    }));
    write_jpeg("graphics\\earth_dtm.jpg", earth_map(1024, 512, [](double lon, double lat) {
        const double g = clamp01(land_height(lon, lat) * 4.0);
        return rgba{g, g, g, 1};
    }));
    write_jpeg("graphics\\earth_night.jpg", earth_map(1024, 512, [](double lon, double lat) {
        const rgba day = earth_colour(lon, lat);
        return rgba{day.r * 0.12, day.g * 0.12, day.b * 0.2, 1};
    }));
    write_jpeg("graphics\\earth_lights.jpg", earth_map(1024, 512, [](double lon, double lat) {
        if (land_height(lon, lat) <= 0.0 || std::fabs(lat) > 65.0) return rgba{0, 0, 0, 1};
        const double n = value_noise((lon + 180.0) * 0.8, (90.0 - lat) * 0.8, 288, 221);
        const double g = n > 0.8 ? (n - 0.8) * 5.0 : 0.0;
        return rgba{g, g * 0.85, g * 0.5, 1};
    }));
    write_jpeg("graphics\\earth_clouds.jpg", earth_map(1024, 512, [](double lon, double lat) {
        const double n = fractal_noise((lon + 180.0) / 360.0 * 12.0, (90.0 - lat) / 180.0 * 6.0, 12, 6, 231);
        const double g = clamp01((n - 0.45) * 2.5);
        return rgba{g, g, g, 1};
    }));
    write_jpeg("graphics\\earth_ripples.jpg", paint(256, 256, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 16.0, (v + 1.0) * 16.0, 32, 3, 241);
        const double g = 0.5 + 0.3 * std::sin((u + v) * k_pi * 12.0 + n * 6.0);  // whole waves across the tile
        return rgba{g, g, g, 1};
    }));
    write_jpeg("graphics\\earth_smoke.jpg", paint(256, 256, [](double u, double v) {
        const double n = fractal_noise((u + 1.0) * 4.0, (v + 1.0) * 4.0, 8, 5, 251);
        return rgba{n * 0.8, n * 0.8, n * 0.8, 1};
    }));
    write_jpeg("graphics\\compass.jpg", compass_strip(1024, 64));
    write_jpeg("graphics\\elevation.jpg", elevation_strip(64, 1024));
}

void generate_star_map()
{
    // 1500 stars spread evenly over the sphere, listed brightest (largest) first: a few bright
    // ones and many faint, as the sky shows them. Angles in degrees: b around, c up.
    constexpr int count = 1500;
    det_random rnd(261);
    std::string text = std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        const double rank = static_cast<double>(i) / count;
        const double size = 1.0 + 9.0 * std::pow(1.0 - rank, 6.0) + 1.0 * (1.0 - rank);
        const double b = rnd.range(0.0, 360.0);
        const double c = std::asin(rnd.range(-1.0, 1.0)) / k_pi * 180.0;
        char line[96];
        std::snprintf(line, sizeof line, "%.2f %.3f %.3f\n", size, b, c);
        text += line;
    }
    write_output_text("graphics\\star_map.txt", text);
}
