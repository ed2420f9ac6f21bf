// Draws the GUI's pictures: the program's emblem (the main window's icon, 64 x 64 with alpha),
// three 64 x 64 icons on opaque black (black is the colour key that
// makes it transparent), the 64 x 64 knob (a round cap with a pointer mark, its own alpha
// leaving the corners clear), the 128 x 96 button pictures of the main menu and the design tools,
// each a plain symbol on a soft gradient, the in-run side bar's strip of eight 48 x 48
// buttons, the design screens' 640 x 480 background and their three 96 x 32 side views of a
// launcher, a target and a missile on black.
// Usage: gui_pictures <resources folder>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/image.h"

namespace {

constexpr float k_pi = 3.14159265f;

// Glyphs of 5 x 7 cells, one string per row.
const char* const k_question[7] = {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."};
const char* const k_bang[7] = {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."};

void fill(image& p, std::uint32_t c) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.set_pixel(x, y, c);
}

void disc(image& p, float cx, float cy, float r, std::uint32_t c) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (std::hypot(x + 0.5f - cx, y + 0.5f - cy) <= r) p.set_pixel(x, y, c);
}

void box(image& p, int x1, int y1, int x2, int y2, std::uint32_t c) {
    for (int y = std::max(0, y1); y < std::min(p.height, y2); ++y)
        for (int x = std::max(0, x1); x < std::min(p.width, x2); ++x) p.set_pixel(x, y, c);
}

void glyph(image& p, const char* const rows[7], int x0, int y0, int cell, std::uint32_t c) {
    for (int r = 0; r < 7; ++r)
        for (int k = 0; k < 5; ++k)
            if (rows[r][k] == '#') box(p, x0 + k * cell, y0 + r * cell, x0 + (k + 1) * cell, y0 + (r + 1) * cell, c);
}

// A thick line between two points.
void stroke(image& p, float x0, float y0, float x1, float y1, float w, std::uint32_t c) {
    const int n = static_cast<int>(std::hypot(x1 - x0, y1 - y0)) + 1;
    for (int i = 0; i <= n; ++i) {
        const float t = static_cast<float>(i) / n;
        disc(p, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, w / 2, c);
    }
}

void gradient(image& p, std::uint32_t top, std::uint32_t bottom) {
    for (int y = 0; y < p.height; ++y) {
        const float t = static_cast<float>(y) / (p.height - 1);
        std::uint32_t c = 0xFF000000u;
        for (int s = 0; s < 24; s += 8) {
            const float a = (top >> s) & 0xFF, b = (bottom >> s) & 0xFF;
            c |= static_cast<std::uint32_t>(a + (b - a) * t + 0.5f) << s;
        }
        for (int x = 0; x < p.width; ++x) p.set_pixel(x, y, c);
    }
}

bool write_file(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A 24-bit bitmap, or a 32-bit one that keeps the picture's alpha.
bool save(const image& p, const std::string& path, int bits = 24) {
    std::vector<std::uint8_t> bytes;
    return bmp_encode(p, bits, &bytes) == S_OK && write_file(bytes, path);
}

image icon(std::uint32_t colour, const char* const rows[7]) {
    image p;
    image_allocate(&p, 64, 64);
    fill(p, 0xFF000000u);
    disc(p, 32, 32, 29, 0xFFFFFFFFu);
    disc(p, 32, 32, 26, colour);
    glyph(p, rows, 22, 14, 4, 0xFFFFFFFFu);
    return p;
}

// The tips browser's read-aloud button: a loudspeaker with two sound waves, on black.
image read_aloud() {
    image p;
    image_allocate(&p, 64, 64);
    fill(p, 0xFF000000u);
    const std::uint32_t ink = 0xFFFFFFFFu;
    box(p, 10, 24, 22, 40, ink);
    for (int x = 22; x < 36; ++x) {
        const int half = 8 + (x - 22);
        box(p, x, 32 - half, x + 1, 32 + half, ink);
    }
    for (int r : {14, 22}) {
        for (int i = -6; i <= 6; ++i) {
            const float a = i * k_pi / 20;
            disc(p, 34 + r * std::cos(a), 32 + r * std::sin(a), 2.0f, ink);
        }
    }
    return p;
}

// The knob: a round grey cap lit from the upper left, a darker grip ring and a white mark that
// points up at angle 0 (the knob turns the whole picture). 32 bits with alpha: outside the cap
// is clear, and its edge is smoothed over one pixel, so the turning picture needs no colour key.
// The turned quad puts the picture's first row at its lower edge, so the rows are stored
// bottom up: drawn, the mark points up and the light comes from the upper left.
image knob() {
    constexpr float c = 32.0f, rim = 30.0f, grip = 24.0f;
    image p;
    image_allocate(&p, 64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float dx = x + 0.5f - c, dy = y + 0.5f - c, d = std::hypot(dx, dy);
            const float cover = std::clamp(rim + 0.5f - d, 0.0f, 1.0f);
            if (cover <= 0) continue;
            // Light from the upper left: brighter toward (-1, -1), darker toward the edge.
            const float light = 0.5f - 0.35f * (dx + dy) / (rim * 1.4142f);
            float level = 96.0f + 120.0f * light;
            if (std::fabs(d - grip) < 1.5f) level *= 0.55f;
            const auto g = static_cast<std::uint32_t>(std::clamp(level, 0.0f, 255.0f));
            const auto a = static_cast<std::uint32_t>(cover * 255.0f + 0.5f);
            p.set_pixel(x, y, (a << 24) | (g << 16) | (g << 8) | (g + (g < 245 ? 10u : 0u)));
        }
    }
    box(p, 30, 6, 34, 30, 0xFFFFFFFFu);  // the mark, from near the centre across the grip
    image flipped = p;
    for (int y = 0; y < 64; ++y)
        std::copy(p.row(63 - y), p.row(63 - y) + p.pitch, flipped.row(y));
    return flipped;
}

image button(std::uint32_t top, std::uint32_t bottom) {
    image p;
    image_allocate(&p, 128, 96);
    gradient(p, top, bottom);
    return p;
}

// The in-run side bar: eight 48 x 48 button pictures in a row, left to right weather, map,
// radar, telescope, track missile, track target, track system and exit.
image side_bar() {
    const std::uint32_t ink = 0xFFFFFFFFu;
    image p;
    image_allocate(&p, 384, 48);
    gradient(p, 0xFF4A5A6Au, 0xFF1A222Au);
    for (int i = 1; i < 8; ++i) box(p, 48 * i, 0, 48 * i + 1, 48, 0xFF0A0E12u);
    disc(p, 24, 20, 10, 0xFFFFD040u);                      // weather: a sun behind a cloud
    disc(p, 16, 32, 8, ink);
    disc(p, 28, 30, 10, ink);
    box(p, 14, 32, 38, 40, ink);
    for (int x = 56; x <= 88; x += 8) box(p, x, 8, x + 1, 40, 0xFFB0D0B8u);  // map: a grid
    for (int y = 8; y <= 40; y += 8) box(p, 56, y, 89, y + 1, 0xFFB0D0B8u);
    disc(p, 78, 20, 4, 0xFFFF4040u);
    disc(p, 120, 24, 18, 0xFF40C040u);                     // radar: a scope with a sweep
    disc(p, 120, 24, 16, 0xFF103010u);
    disc(p, 120, 24, 9, 0xFF40C040u);
    disc(p, 120, 24, 7, 0xFF103010u);
    stroke(p, 120, 24, 134, 12, 2, 0xFF80FF80u);
    stroke(p, 148, 34, 182, 14, 8, ink);                   // telescope: a tube on a stand
    stroke(p, 164, 26, 160, 44, 2, ink);
    stroke(p, 164, 26, 172, 44, 2, ink);
    stroke(p, 202, 40, 234, 10, 5, ink);                   // track missile: a missile climbing
    disc(p, 235, 9, 3, ink);
    disc(p, 264, 24, 14, 0xFFFF5050u);                     // track target: a cross-hair
    disc(p, 264, 24, 11, 0xFF2A323Au);
    stroke(p, 264, 6, 264, 42, 2, 0xFFFF5050u);
    stroke(p, 246, 24, 282, 24, 2, 0xFFFF5050u);
    box(p, 296, 30, 330, 40, ink);                         // track system: a launcher
    stroke(p, 304, 30, 326, 12, 6, ink);
    box(p, 346, 8, 366, 42, ink);                          // exit: a door and an arrow
    box(p, 350, 12, 364, 42, 0xFF5A1A1Au);
    stroke(p, 362, 25, 380, 25, 4, ink);
    stroke(p, 380, 25, 373, 18, 4, ink);
    stroke(p, 380, 25, 373, 32, 4, ink);
    return p;
}

// The design screens' side views, 96 x 32 on black, drawn about the middle row so that they
// look the same either way up. The missile and the launcher's tube point right (+x), the
// target rocket points left: the screens turn each by its own course.
image side_view() {
    image p;
    image_allocate(&p, 96, 32);
    fill(p, 0xFF000000u);
    return p;
}

image missile_icon() {
    image p = side_view();
    const std::uint32_t body = 0xFFE8E8F0u;
    stroke(p, 14, 16, 80, 16, 8, body);
    for (int x = 80; x < 92; ++x) box(p, x, 16 - (92 - x) / 3, x + 1, 16 + (92 - x) / 3, body);  // nose
    for (int i = 0; i < 10; ++i) {  // tail fins
        box(p, 10 + i, 6 + i, 11 + i, 26 - i, 0xFFB0B8C8u);
    }
    box(p, 4, 14, 10, 18, 0xFFFF9020u);  // flame
    return p;
}

image target_icon() {
    image p = side_view();
    const std::uint32_t body = 0xFFD04030u;
    stroke(p, 18, 16, 84, 16, 10, body);
    for (int x = 4; x < 18; ++x) box(p, x, 16 - (x - 4) / 3, x + 1, 16 + (x - 4) / 3 + 1, body);  // nose, left
    for (int i = 0; i < 10; ++i) box(p, 76 + i, 5 + i, 77 + i, 27 - i, 0xFF902820u);  // fins
    box(p, 86, 13, 94, 19, 0xFFFFC040u);  // flame
    return p;
}

image launcher_icon() {
    image p = side_view();
    const std::uint32_t tube = 0xFF6A8A5Au;
    box(p, 20, 9, 90, 23, tube);           // the launch tube
    box(p, 20, 9, 90, 11, 0xFF8AAA7Au);
    box(p, 20, 21, 90, 23, 0xFF4A6A3Au);
    disc(p, 22, 16, 10, 0xFF4A5A40u);      // the turret it turns on
    disc(p, 22, 16, 5, 0xFF2A3A20u);
    box(p, 88, 11, 92, 21, 0xFF303030u);   // the open muzzle
    return p;
}

bool save_jpeg(const image& p, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    return jpeg_encode(p, 90, &bytes) == S_OK && write_file(bytes, path);
}

// A filled triangle (any winding).
void triangle(image& p, float x0, float y0, float x1, float y1, float x2, float y2, std::uint32_t c) {
    const auto side = [](float ax, float ay, float bx, float by, float px, float py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float a = side(x0, y0, x1, y1, px, py), b = side(x1, y1, x2, y2, px, py),
                        d = side(x2, y2, x0, y0, px, py);
            if ((a >= 0 && b >= 0 && d >= 0) || (a <= 0 && b <= 0 && d <= 0)) p.set_pixel(x, y, c);
        }
    }
}

// The program's emblem, shown as the main window's icon: a round night-blue badge with a
// steel rim, a white interceptor climbing to the upper right on an orange flame and the waves
// of a radar in the lower right reaching toward it. 32 bits with alpha: outside the badge is clear, its edge smoothed over one
// pixel, so the icon sits on any title bar or task bar. Rows are stored top first.
image emblem() {
    constexpr float c = 32.0f, rim = 30.0f;
    image p;
    image_allocate(&p, 64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float d = std::hypot(x + 0.5f - c, y + 0.5f - c);
            const float cover = std::clamp(rim + 0.5f - d, 0.0f, 1.0f);
            if (cover <= 0) continue;
            const auto a = static_cast<std::uint32_t>(cover * 255.0f + 0.5f);
            const float t = y / 63.0f;  // night blue, lighter toward the top
            std::uint32_t rgb = (static_cast<std::uint32_t>(40 - 24 * t) << 16) |
                                (static_cast<std::uint32_t>(72 - 40 * t) << 8) |
                                static_cast<std::uint32_t>(130 - 60 * t);
            if (d > rim - 3.0f) rgb = 0xA8B8C8u;  // the rim
            p.set_pixel(x, y, (a << 24) | rgb);
        }
    }
    const std::uint32_t ink = 0xFFFFFFFFu;
    disc(p, 47, 47, 3.0f, 0xFF80E090u);  // a radar in the lower right, its waves toward the missile
    for (int r : {7, 12, 17}) {
        for (int i = 0; i <= 10; ++i) {
            const float a = k_pi * (1.1f + 0.03f * i);
            disc(p, 47 + r * std::cos(a), 47 + r * std::sin(a), 1.3f, 0xFF80E090u);
        }
    }
    disc(p, 16, 48, 4.5f, 0xFFFF9020u);  // the flame, hot in its middle
    disc(p, 15, 49, 2.5f, 0xFFFFE080u);
    triangle(p, 24, 40, 20, 44, 23.5f, 50.3f, ink);  // the fins, swept back
    triangle(p, 24, 40, 20, 44, 13.7f, 40.5f, ink);
    stroke(p, 20, 44, 42, 22, 6, ink);                     // the body
    triangle(p, 39, 21.5f, 49, 15, 42.5f, 25, ink);        // the nose
    return p;
}

// The design screens' background: a blueprint sheet of a middle blue-grey with a faint grid,
// light enough for black text and dark enough for white text (the hints of every colour
// scheme stand on it), with the band of the hints along the bottom left plain.
image design_background() {
    image p;
    image_allocate(&p, 640, 480);
    gradient(p, 0xFF6084A8u, 0xFF4E7092u);
    const auto lighten = [&p](int x, int y, int amount) {
        const std::uint32_t c = p.pixel(x, y);
        std::uint32_t out = 0xFF000000u;
        for (int s = 0; s < 24; s += 8) out |= static_cast<std::uint32_t>(std::min(255u, ((c >> s) & 0xFF) + amount)) << s;
        p.set_pixel(x, y, out);
    };
    for (int y = 0; y < 440; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool major = x % 160 == 0 || y % 160 == 0;
            const bool minor = x % 32 == 0 || y % 32 == 0;
            if (major) {
                lighten(x, y, 22);
            } else if (minor) {
                lighten(x, y, 9);
            }
        }
    }
    for (int x = 4; x < 636; ++x) {  // the sheet's border
        lighten(x, 4, 30);
        lighten(x, 475, 30);
    }
    for (int y = 5; y < 475; ++y) {
        lighten(4, y, 30);
        lighten(635, y, 30);
    }
    return p;
}

// The design tools' button pictures, in the style of the main menu's: a plain white symbol on
// a soft gradient.
bool save_design_pictures(const std::string& out) {
    const std::uint32_t ink = 0xFFFFFFFFu;
    const std::uint32_t flame = 0xFFFFB040u;
    bool ok = save_jpeg(design_background(), out + "/RCDATA/425.jpg");

    image motor = button(0xFF8A4A2Au, 0xFF3A1C10u);  // a motor casing with its flame
    box(motor, 30, 38, 86, 58, ink);
    triangle(motor, 14, 48, 30, 38, 30, 58, ink);
    triangle(motor, 86, 42, 98, 34, 98, 62, ink);
    triangle(motor, 98, 38, 122, 48, 98, 58, flame);
    ok = save(motor, out + "/RCDATA/426.bmp") && ok;

    image aero = button(0xFF3A6EA5u, 0xFF14324Fu);  // an airframe with its fins in a stream
    for (int y = 22; y <= 74; y += 13) box(aero, 8, y, 120, y + 2, 0xFF7FA8D0u);
    box(aero, 34, 43, 102, 53, ink);
    triangle(aero, 16, 48, 34, 43, 34, 53, ink);
    triangle(aero, 82, 43, 102, 43, 102, 24, ink);
    triangle(aero, 82, 53, 102, 53, 102, 72, ink);
    triangle(aero, 44, 43, 56, 43, 56, 34, ink);
    triangle(aero, 44, 53, 56, 53, 56, 62, ink);
    ok = save(aero, out + "/RCDATA/427.bmp") && ok;

    image blast = button(0xFF7A2A1Au, 0xFF30100Au);  // a warhead with fragments flying out
    for (int i = 0; i < 12; ++i) {
        const float a = i * k_pi / 6 + 0.26f;
        stroke(blast, 64 + 22 * std::cos(a), 48 + 22 * std::sin(a), 64 + 42 * std::cos(a),
               48 + 38 * std::sin(a), 3, flame);
    }
    box(blast, 44, 38, 84, 58, ink);
    triangle(blast, 34, 48, 44, 40, 44, 56, ink);
    ok = save(blast, out + "/RCDATA/428.bmp") && ok;

    image fuse = button(0xFF2A7A6Au, 0xFF0E3630u);  // a nose sending out proximity waves
    triangle(fuse, 62, 48, 92, 34, 92, 62, ink);
    box(fuse, 92, 34, 110, 62, ink);
    for (int r : {16, 28, 40}) {
        for (int i = -8; i <= 8; ++i) {
            const float a = k_pi + i * k_pi / 24;
            disc(fuse, 62 + r * std::cos(a), 48 + r * std::sin(a), 1.8f, ink);
        }
    }
    ok = save(fuse, out + "/RCDATA/429.bmp") && ok;

    image launcher = button(0xFF5A6A3Au, 0xFF22281Au);  // a truck with raised launch tubes
    box(launcher, 18, 60, 108, 72, ink);
    box(launcher, 90, 48, 108, 60, ink);
    disc(launcher, 34, 76, 7, ink);
    disc(launcher, 92, 76, 7, ink);
    disc(launcher, 34, 76, 3, 0xFF3A4428u);
    disc(launcher, 92, 76, 3, 0xFF3A4428u);
    stroke(launcher, 30, 56, 80, 24, 9, ink);
    stroke(launcher, 34, 62, 84, 30, 9, ink);
    stroke(launcher, 44, 60, 48, 54, 4, ink);
    ok = save(launcher, out + "/RCDATA/431.bmp") && ok;

    image control = button(0xFF4A5A7Au, 0xFF1A2032u);  // a radar dish on its mast
    box(control, 40, 74, 88, 82, ink);
    box(control, 61, 46, 67, 74, ink);
    for (int y = 0; y < 96; ++y) {  // the dish: a crescent facing up and right
        for (int x = 0; x < 128; ++x) {
            const bool in_front = std::hypot(x + 0.5f - 60, y + 0.5f - 34) <= 24;
            const bool hollow = std::hypot(x + 0.5f - 70, y + 0.5f - 24) <= 24;
            if (in_front && !hollow) control.set_pixel(x, y, ink);
        }
    }
    stroke(control, 64, 30, 82, 14, 2, ink);
    disc(control, 83, 13, 3, ink);
    for (int r : {10, 18}) {
        for (int i = -4; i <= 4; ++i) {
            const float a = -0.8f + i * 0.14f;
            disc(control, 86 + r * std::cos(a), 12 + r * std::sin(a), 1.5f, 0xFF9FE0A0u);
        }
    }
    ok = save(control, out + "/RCDATA/432.bmp") && ok;

    image save_picture = button(0xFF2A5A8Au, 0xFF0E2238u);  // an arrow down into a tray
    box(save_picture, 58, 12, 70, 44, ink);
    triangle(save_picture, 44, 44, 84, 44, 64, 64, ink);
    box(save_picture, 30, 70, 98, 78, ink);
    box(save_picture, 30, 56, 38, 78, ink);
    box(save_picture, 90, 56, 98, 78, ink);
    ok = save(save_picture, out + "/RCDATA/433.bmp") && ok;

    image load = button(0xFF6A5A2Au, 0xFF2A220Eu);  // an open folder with an arrow out of it
    box(load, 28, 44, 100, 82, ink);
    box(load, 28, 38, 56, 44, ink);
    box(load, 34, 50, 94, 76, 0xFF4A3E1Cu);
    box(load, 58, 30, 70, 62, ink);
    triangle(load, 44, 32, 84, 32, 64, 12, ink);
    ok = save(load, out + "/RCDATA/434.bmp") && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gui_pictures <resources folder>\n");
        return 2;
    }
    const std::string out = argv[1];
    bool ok = save(emblem(), out + "/ICON/416.bmp", 32);
    ok = save(icon(0xFF2F4B8Au, k_question), out + "/BITMAP/177.bmp") && ok;
    ok = save(icon(0xFFC08000u, k_bang), out + "/BITMAP/178.bmp") && ok;
    ok = save(read_aloud(), out + "/BITMAP/343.bmp") && ok;
    ok = save(knob(), out + "/BITMAP/174.bmp", 32) && ok;

    const std::uint32_t ink = 0xFFFFFFFFu;
    image help = button(0xFF3A6EA5u, 0xFF14324Fu);  // a question mark
    glyph(help, k_question, 44, 20, 8, ink);
    ok = save(help, out + "/RCDATA/417.bmp") && ok;

    image settings = button(0xFF5A6470u, 0xFF23282Eu);  // a toothed wheel
    for (int i = 0; i < 8; ++i) {
        const float a = i * k_pi / 4;
        stroke(settings, 64, 48, 64 + 34 * std::cos(a), 48 + 34 * std::sin(a), 10, ink);
    }
    disc(settings, 64, 48, 24, ink);
    disc(settings, 64, 48, 10, 0xFF3A4048u);
    ok = save(settings, out + "/RCDATA/418.bmp") && ok;

    image news = button(0xFF7A6A4Au, 0xFF3A2E1Cu);  // a page of lines
    box(news, 34, 14, 94, 82, ink);
    for (int y = 24; y < 76; y += 10) box(news, 42, y, 86, y + 4, 0xFF6A5A3Au);
    ok = save(news, out + "/RCDATA/419.bmp") && ok;

    image exit_door = button(0xFF8A2A2Au, 0xFF3A1010u);  // a door and an arrow out of it
    box(exit_door, 30, 14, 66, 84, ink);
    box(exit_door, 36, 20, 60, 84, 0xFF5A1A1Au);
    stroke(exit_door, 58, 48, 100, 48, 8, ink);
    stroke(exit_door, 100, 48, 86, 34, 8, ink);
    stroke(exit_door, 100, 48, 86, 62, 8, ink);
    ok = save(exit_door, out + "/RCDATA/420.bmp") && ok;

    image missile = button(0xFF2F4B8Au, 0xFF101C38u);  // a missile climbing to the right
    stroke(missile, 24, 76, 96, 22, 12, ink);
    stroke(missile, 28, 70, 20, 58, 5, ink);
    stroke(missile, 34, 80, 46, 86, 5, ink);
    disc(missile, 98, 20, 7, ink);
    ok = save(missile, out + "/RCDATA/421.bmp") && ok;

    image run = button(0xFF2A7A3Au, 0xFF0E3616u);  // a start triangle
    for (int y = 18; y < 78; ++y) {
        const int half = 30 - std::abs(y - 48);
        box(run, 44, y, 44 + 2 * half + 1, y + 1, ink);
    }
    ok = save(run, out + "/RCDATA/422.bmp") && ok;

    image map = button(0xFF4A7A5Au, 0xFF1E3A26u);  // a map grid with two marks
    for (int x = 20; x <= 108; x += 22) box(map, x, 12, x + 2, 84, 0xFFB0D0B8u);
    for (int y = 12; y <= 84; y += 18) box(map, 20, y, 110, y + 2, 0xFFB0D0B8u);
    disc(map, 46, 58, 7, 0xFF2060FFu);
    disc(map, 86, 32, 7, 0xFFFF4040u);
    ok = save(map, out + "/RCDATA/423.bmp") && ok;

    ok = save(side_bar(), out + "/RCDATA/447.bmp") && ok;
    ok = save_design_pictures(out) && ok;

    ok = save(launcher_icon(), out + "/BITMAP/436.bmp") && ok;
    ok = save(target_icon(), out + "/BITMAP/437.bmp") && ok;
    ok = save(missile_icon(), out + "/BITMAP/438.bmp") && ok;

    if (!ok) std::fprintf(stderr, "gui_pictures: could not write the pictures to %s\n", out.c_str());
    return ok ? 0 : 1;
}
