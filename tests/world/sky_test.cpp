#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/light.h"
#include "platform/program_rand.h"
#include "platform/recording_device.h"
#include "tests/support/temp_folder.h"
#include "world/clouds.h"
#include "world/rain.h"
#include "world/sky.h"
#include "world/stars.h"

namespace {

// A device that records, an application state and a camera the sky reads.
class SkyFixture : public ::testing::Test {
protected:
    void SetUp() override {
        app_.d3d = std::make_unique<null_gfx_system>();
        app_.window_width = 320;
        app_.window_height = 240;
        app_.near_view = 1;
        g_app = &app_;
        g_state = &state_;
        state_.camera_world = &camera_;
        ASSERT_TRUE(app_.create_device());
    }
    void TearDown() override {
        app_.textures.release_all();
        app_.release_device();
        g_state = nullptr;
        g_app = nullptr;
    }
    recording_device& device() { return static_cast<recording_device&>(*app_.device); }
    void place_camera(float x, float y, float z) { camera_ = mat_translation(x, y, z); }

    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    mat4 camera_ = mat_identity();
};

using SkyColours = SkyFixture;
using SkyCelestial = SkyFixture;
using Stars = SkyFixture;
using Rain = SkyFixture;
using Clouds = SkyFixture;

sky::colour at(const sky::colour_key (&keys)[sky::k_keys], float hours) {
    return sky::interpolate(keys, static_cast<int>(10.0f * hours));
}

void expect_colour(const sky::colour& c, int r, int g, int b) {
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

std::string default_map(const char* wrong_line_tag = nullptr, int wrong_line = -1) {
    const char* tables[3] = {"[light]", "[fog]", "[sky]"};
    std::string text;
    int line = 0;
    for (const char* tag : tables) {
        for (int k = 0; k < sky::k_keys; ++k, ++line) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%d %d %d %d %d %s\r\n", 10 * k, 20 + k, 30, 40,
                          (k + 1) * 30, line == wrong_line ? wrong_line_tag : tag);
            text += buffer;
        }
    }
    text += "1 2 3 [high_fog]\r\n4 5 6 [high_sky]\r\n";
    return text;
}

}  // namespace

TEST_F(SkyColours, DefaultsAtDawnAndNight) {
    sky s;
    s.set_default_colors();
    // 05:30 lies halfway between keys 0 and 1; the alpha step -127.5 truncates toward zero.
    const sky::colour dawn = at(s.light_keys, 5.5f);
    expect_colour(dawn, 135, 79, 55);
    EXPECT_EQ(dawn.a, 128);
    // 02:00 runs from key 6 to key 0 across midnight: with equal keys it is key 0.
    const sky::colour night = at(s.light_keys, 2.0f);
    expect_colour(night, 16, 32, 48);
    EXPECT_EQ(night.a, 255);
}

TEST_F(SkyColours, MidnightWrapsFromTheLastKeyToTheFirst) {
    sky s;
    s.set_default_colors();
    // 24:00 (T = 240) is at the last key: the first key's colours, not stale ones.
    expect_colour(sky::interpolate(s.sky_keys, 240), 0, 0, 0);
    // A table ending at 20:00: from 22:00 on it runs toward key 0 at 05:00 (midpoint 00:30).
    sky::colour_key keys[sky::k_keys] = {{0, 0, 0, 0, 50},     {100, 100, 100, 0, 60},
                                         {100, 100, 100, 0, 80}, {100, 100, 100, 0, 120},
                                         {100, 100, 100, 0, 140}, {100, 100, 100, 0, 160},
                                         {200, 100, 0, 0, 200}};
    expect_colour(sky::interpolate(keys, 200), 200, 100, 0);
    // Key 6 to key 0 spans 90 tenths: 20 of them at 22:00, 45 at 00:30, 39 at 23:54.
    expect_colour(sky::interpolate(keys, 220), 156, 78, 0);
    expect_colour(sky::interpolate(keys, 5), 100, 50, 0);
    expect_colour(sky::interpolate(keys, 239), 114, 57, 0);
}

TEST_F(SkyColours, FileIsReadInWholeTablesAndOneWrongTagGivesTheDefaults) {
    tmp_.write("graphics/color_map.txt", default_map());
    sky s;
    ASSERT_TRUE(s.read_color_map("graphics\\color_map.txt"));
    EXPECT_EQ(s.light_keys[3].r, 30);
    EXPECT_EQ(s.sky_keys[6].t, 210);
    EXPECT_EQ(s.high_fog[2], 3);
    EXPECT_EQ(s.high_sky[0], 4);

    sky defaults;
    defaults.set_default_colors();
    for (int wrong : {0, 9, 20}) {
        tmp_.write("graphics/color_map.txt", default_map("[lite]", wrong));
        sky t;
        t.init();  // falls back to the defaults over everything
        for (int k = 0; k < sky::k_keys; ++k) {
            EXPECT_EQ(t.light_keys[k].r, defaults.light_keys[k].r) << wrong;
            EXPECT_EQ(t.fog_keys[k].g, defaults.fog_keys[k].g) << wrong;
            EXPECT_EQ(t.sky_keys[k].t, defaults.sky_keys[k].t) << wrong;
        }
        EXPECT_EQ(t.high_fog[0], 127);
    }
}

// A colour map emptied, filled with random bytes, cut in half or with one wrong tag gives the
// built-in colours and exactly one log line naming the file; so does a missing one.
TEST_F(SkyColours, ADamagedColourMapIsNamedInOneLogLineAndTheDefaultsStand) {
    std::string noise;
    std::uint32_t seed = 12345u;
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise += static_cast<char>(seed >> 24);
    }
    const std::string whole = default_map();
    const std::string damaged[] = {"", noise, whole.substr(0, whole.size() / 2), default_map("[lite]", 9),
                                   whole.substr(0, whole.size() - 8)};
    sky defaults;
    defaults.set_default_colors();
    for (const std::string& text : damaged) {
        tmp_.write("graphics/color_map.txt", text);
        app_.clear_log();
        sky s;
        s.init();
        const std::string log(app_.log_text(), static_cast<std::size_t>(app_.log_length()));
        const std::string name = "graphics\\color_map.txt";
        const std::size_t first = log.find(name);
        EXPECT_NE(first, std::string::npos) << text.size() << " bytes: " << log;
        EXPECT_EQ(log.find(name, first + 1), std::string::npos) << log;
        EXPECT_NE(log.find("the built-in sky colours are used"), std::string::npos) << log;
        for (int k = 0; k < sky::k_keys; ++k) {
            EXPECT_EQ(s.light_keys[k].r, defaults.light_keys[k].r);
            EXPECT_EQ(s.sky_keys[k].t, defaults.sky_keys[k].t);
        }
        EXPECT_EQ(s.high_fog[0], 127);
    }
    // The wrong tag is named.
    tmp_.write("graphics/color_map.txt", default_map("[lite]", 9));
    app_.clear_log();
    sky s;
    EXPECT_FALSE(s.read_color_map("graphics\\color_map.txt"));
    EXPECT_NE(std::string(app_.log_text()).find("graphics\\color_map.txt: [fog] expected, \"[lite]\" found"),
              std::string::npos)
        << app_.log_text();
    app_.clear_log();
    EXPECT_FALSE(s.read_color_map("graphics\\missing.txt"));
    EXPECT_NE(std::string(app_.log_text()).find("graphics\\missing.txt could not be read"), std::string::npos);
    // A whole map says nothing.
    tmp_.write("graphics/color_map.txt", whole);
    app_.clear_log();
    EXPECT_TRUE(s.read_color_map("graphics\\color_map.txt"));
    EXPECT_EQ(app_.log_length(), 0);
}

TEST_F(SkyColours, OutOfRangeValuesAreClampedAndLogged) {
    std::string text = default_map();
    text.replace(0, 1, "999");  // first red 0 -> 999
    tmp_.write("graphics/color_map.txt", text);
    sky s;
    ASSERT_TRUE(s.read_color_map("graphics\\color_map.txt"));
    EXPECT_EQ(s.light_keys[0].r, 255);
    EXPECT_NE(std::string(app_.log_text()).find("color_map.txt"), std::string::npos);
    // A file cut short is refused whole.
    tmp_.write("graphics/color_map.txt", "1 2 3 4 5 [light]\r\n");
    EXPECT_FALSE(s.read_color_map("graphics\\color_map.txt"));
    EXPECT_FALSE(s.read_color_map("graphics\\missing.txt"));
}

// Key times that go back within a table would carry the colours past both keys (a light key
// at 05:00 after one at 19:00 gave channels far outside 0..255): such a map is refused with a
// log line naming the file and the table, and the sky keeps its colours within range.
TEST_F(SkyColours, KeyTimesOutOfOrderAreRefusedWithALogLine) {
    std::string text = default_map();
    text.replace(text.find("60 26 30 40 210 [light]"), 23, "60 26 30 40 5 [light]");
    tmp_.write("graphics/color_map.txt", text);
    sky s;
    s.set_default_colors();
    EXPECT_FALSE(s.read_color_map("graphics\\color_map.txt"));
    EXPECT_EQ(s.light_keys[6].t, 240);  // the defaults stand
    const std::string log(app_.log_text());
    EXPECT_NE(log.find("graphics\\color_map.txt: [light] key times out of order"), std::string::npos) << log;
    for (int tenths = 0; tenths <= 240; tenths += 5) {
        const sky::colour c = sky::interpolate(s.light_keys, tenths);
        EXPECT_TRUE(c.r >= 0 && c.r <= 255 && c.a >= 0 && c.a <= 255) << tenths;
    }
    // Equal times are in order.
    text = default_map();
    text.replace(text.find("60 26 30 40 210 [light]"), 23, "60 26 30 40 180 [light]");
    tmp_.write("graphics/color_map.txt", text);
    EXPECT_TRUE(s.read_color_map("graphics\\color_map.txt"));
}

TEST_F(SkyCelestial, PublishesColoursDistancesAndTheLight) {
    sky s;
    s.init();
    s.set_default_colors();
    state_.time_of_day = 12.0f;
    state_.far_distance = 50000.0f;
    place_camera(0.0f, 100.0f, 0.0f);
    s.update_celestial();
    EXPECT_FLOAT_EQ(state_.sky_light[0], 1.0f);
    EXPECT_FLOAT_EQ(state_.sky_light[3], 116.0f / 255.0f * (1.0f - 100.0f / 50000.0f));
    EXPECT_EQ(state_.fog_rgb[2], 255);
    // Below 5 km the view reaches 30 x 5 km, the fog 20 x 5 km.
    EXPECT_FLOAT_EQ(state_.far_plane, 150000.0f);
    EXPECT_FLOAT_EQ(state_.max_fog, 100000.0f);
    EXPECT_EQ(state_.night, 0);
    ASSERT_NE(s.sun_light, nullptr);
    EXPECT_EQ(state_.objects.current_light, &s.sun_light->record);
    EXPECT_EQ(s.sun_light->record.type, LIGHT_DIRECTIONAL);

    // Above the band altitude the sky is black and the stars are at full brightness.
    place_camera(0.0f, 60000.0f, 0.0f);
    s.update_celestial();
    EXPECT_FLOAT_EQ(state_.sky_light[3] + state_.sky_light[4] + state_.sky_light[5], 0.0f);
    EXPECT_FLOAT_EQ(s.star_brightness, 1.0f);
    EXPECT_EQ(state_.fog_rgb[0], 112);  // half the red of 225
    EXPECT_FLOAT_EQ(state_.far_plane, 30.0f * 50000.0f);
    s.release();
    EXPECT_EQ(state_.objects.current_light, nullptr);
}

TEST_F(SkyCelestial, NightBeginsWhenTheSunSets) {
    sky s;
    s.init();
    state_.camera_latitude = 0.0f;
    state_.time_of_day = 6.0f;
    s.update_celestial();
    EXPECT_EQ(state_.night, 1);
    // At night the light is the moon's in the normal view.
    EXPECT_FLOAT_EQ(s.sun_light->local.m[2][1], s.moon_matrix.m[2][1]);
    state_.time_of_day = 6.0f + 2.0f / 60.0f;
    s.update_celestial();
    EXPECT_EQ(state_.night, 0);
    EXPECT_FLOAT_EQ(s.sun_light->local.m[2][1], s.sun_matrix.m[2][1]);
}

TEST_F(SkyCelestial, DrawsDomeDiscsAndStarsAndRestoresTheView) {
    sky s;
    s.init();
    const mat4 view = mat_translation(5.0f, -3.0f, 2.0f);
    device().set_transform(TS_VIEW, view);
    state_.time_of_day = 22.0f;
    s.update_celestial();
    device().clear_records();
    s.render(false);
    // The dome, the two discs and the stars. The dome comes in three runs: the triangles
    // the glow may reach, those turned away from the light (each corner more than 90 degrees
    // off it) and the skirt below the horizon band, each with its own program.
    ASSERT_GE(device().draws().size(), 5u);
    const gfx_shader* dome_vs = state_.objects.vertex_shader(391);
    const float* light = s.sun_light->record.direction;
    const vec3 toward{-light[0], -light[1], -light[2]};
    int dome_triangles = 0;
    for (int run = 0; run < 3; ++run) {
        const draw_record& draw = device().draws()[run];
        ASSERT_EQ(draw.vertex_shader, dome_vs) << run;
        EXPECT_FLOAT_EQ(draw.state.view.m[3][0], 0.0f);
        dome_triangles += draw.primitive_count;
        const auto* v = reinterpret_cast<const sky::mesh_vertex*>(draw.vertices.data());
        int facing = 0, below = 0;
        for (int k = 0; k < 3 * draw.primitive_count; ++k) {
            const vec3 p{v[k].x, v[k].y, v[k].z};
            facing += dot(p, toward) >= 0.0f ? 1 : 0;
            below += v[k].y < -0.009f ? 1 : 0;
        }
        if (run == 0) {
            EXPECT_GT(facing, 0);
        } else if (run == 1) {
            EXPECT_EQ(facing, 0);
        } else if (run == 2) {
            EXPECT_EQ(below, 3 * draw.primitive_count);
        }
    }
    EXPECT_EQ(device().draws()[0].pixel_shader, state_.objects.pixel_shader(412));
    EXPECT_EQ(device().draws()[1].pixel_shader, s.dome_away_ps.get());
    EXPECT_EQ(device().draws()[2].pixel_shader, s.dome_below_ps.get());
    EXPECT_EQ(dome_triangles, 1296 / 3);
    EXPECT_FLOAT_EQ(device().transform(TS_VIEW).m[3][0], 5.0f);
    EXPECT_EQ(device().render_state(RS_ZENABLE), 1u);
    device().clear_records();
    s.render_sun_mesh();
    ASSERT_EQ(device().draws().size(), 1u);
    EXPECT_EQ(device().draws()[0].primitive_count, 288);
}

// ---- Stars ----

TEST_F(Stars, ReadsAtMost2048AndDrawsByBrightness) {
    std::string text = "5\r\n";  // the leading count limits nothing
    for (int i = 0; i < 3000; ++i) text += "1.0 " + std::to_string(i % 360) + " 10\r\n";
    tmp_.write("graphics/star_map.txt", text);
    stars field;
    field.load();
    EXPECT_EQ(field.star_count, stars::k_max_stars);
    field.set_color(1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(field.vertex_count, 6 * 2048);
    field.set_color(0.5f, 0.5f, 0.5f, 1.0f);
    EXPECT_EQ(field.vertex_count, 6 * 1024);
    field.set_color(0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(field.vertex_count, 0);
    device().clear_records();
    field.render();
    EXPECT_TRUE(device().draws().empty());
}

// A star table that stops early or is damaged keeps the stars read before the fault, and one
// log line names the file and what is missing.
TEST_F(Stars, ACutOrDamagedTableIsNamedInTheLog) {
    std::string whole = "100\n";
    for (int i = 0; i < 100; ++i) whole += "2.5 " + std::to_string(i * 3) + " " + std::to_string(i % 90) + "\n";
    stars field;
    // The log lines of a load that name the table (the texture has its own).
    const auto table_lines = [&]() {
        std::string lines;
        const std::string log = app_.log_text();
        for (std::size_t at = 0, end = 0; at < log.size(); at = end + 1) {
            end = log.find('\n', at);
            if (end == std::string::npos) end = log.size();
            const std::string line = log.substr(at, end + 1 - at);
            if (line.find("star_map.txt") != std::string::npos || line.find("none.txt") != std::string::npos)
                lines += line;
        }
        return lines;
    };
    const auto load_text = [&](const std::string& text) {
        tmp_.write("graphics/star_map.txt", text);
        app_.clear_log();
        field.load();
        return table_lines();
    };
    // The whole table: every star and no word.
    EXPECT_EQ(load_text(whole), "");
    EXPECT_EQ(field.star_count, 100);

    // Cut in half, inside a star: the 50 whole ones stay.
    std::string log = load_text(whole.substr(0, whole.find("2.5 150 50\n") + 7));
    EXPECT_EQ(field.star_count, 50);
    EXPECT_EQ(log, "graphics\\star_map.txt declares 100 stars but holds 50 and the start of one more\r\n");

    // A damaged line in the middle: reading stops at it, the word shown cut.
    std::string damaged = whole;
    damaged.insert(damaged.find("2.5 30 10\n"), std::string(300000, '#') + "\n");
    log = load_text(damaged);
    EXPECT_EQ(field.star_count, 10);
    EXPECT_NE(log.find("graphics\\star_map.txt: star 11 is not a number (\"########################...\" (300000 "
                       "characters)), reading stops: 10 of the 100 stars declared are used"),
              std::string::npos)
        << log;
    EXPECT_LT(log.size(), 300u);

    // Random bytes, an empty file and a missing one: no stars, and the log says why.
    std::string noise;
    std::uint32_t r = 12345;
    for (int i = 0; i < 4096; ++i) {
        r = r * 1103515245u + 12345u;
        noise += static_cast<char>(r >> 16);
    }
    noise[0] = '\x93';
    log = load_text(noise);
    EXPECT_EQ(field.star_count, 0);
    EXPECT_EQ(log.rfind("graphics\\star_map.txt does not begin with a star count (it begins \"", 0), 0u) << log;
    EXPECT_NE(log.find("): the sky has no stars"), std::string::npos) << log;
    EXPECT_EQ(load_text(""), "graphics\\star_map.txt is empty: the sky has no stars\r\n");
    EXPECT_EQ(load_text("0\n"), "graphics\\star_map.txt holds no stars\r\n");
    app_.clear_log();
    field.load("graphics\\none.txt");
    EXPECT_EQ(field.star_count, 0);
    EXPECT_EQ(table_lines(), "Could not read graphics\\none.txt: the sky has no stars\r\n");
}

TEST_F(Stars, StarAtZeroAnglesLiesAheadOnTheSphere) {
    stars field;
    stars::vertex q[6];
    field.star_quad(2.0f, 0.0f, 0.0f, q);
    // The quad's middle: corner plus half the two edges.
    const float s = 2.0f * 10.0f * 0.00015f;
    EXPECT_NEAR(q[0].x + s / 2, 0.0f, 1e-6);
    EXPECT_NEAR(q[0].y + s / 2, 0.0f, 1e-6);
    EXPECT_NEAR(q[0].z, 10.0f, 1e-6);
    EXPECT_NEAR(q[2].x - q[0].x, s, 1e-6);
    // Sizes are bounded and a value that is no number stops the reading; the stars before
    // it stay.
    tmp_.write("graphics/bad_stars.txt", "3\r\n1e9 10 10\r\n2 20 20\r\n5 1e39 0\r\n3 30 30\r\n");
    field.load("graphics\\bad_stars.txt");
    EXPECT_EQ(field.star_count, 2);
    const std::string log = app_.log_text();
    EXPECT_NE(log.find("bad_stars.txt: 1 star sizes out of 0..100, clamped"), std::string::npos) << log;
    EXPECT_NE(log.find("bad_stars.txt: star 3 is not a number"), std::string::npos) << log;
    // A missing file gives no stars and no failure.
    field.load("graphics\\none.txt");
    EXPECT_EQ(field.star_count, 0);
}

// ---- Rain ----

namespace {

std::vector<rain::vertex> particles(rain& r) {
    void* p = nullptr;
    EXPECT_EQ(r.vertex_buffer->lock(0, 0, &p), S_OK);
    const auto* v = static_cast<const rain::vertex*>(p);
    std::vector<rain::vertex> out(v, v + rain::k_max_vertices);
    r.vertex_buffer->unlock();
    return out;
}

}  // namespace

TEST_F(Rain, SmallMovesKeepTheCentreAndParticlesWrap) {
    program_srand(1);
    rain r;
    r.size = 3.0f;
    r.set_density(1.0f);
    ASSERT_TRUE(r.init(nullptr));
    EXPECT_EQ(r.count, 1024);
    state_.smoothed_step = 0.0f;  // no drift
    // The camera 4.5 m behind the centre looking along z: the offset is zero.
    place_camera(0.0f, 0.0f, -4.5f);
    r.update();
    EXPECT_FLOAT_EQ(length(r.centre()), 0.0f);
    place_camera(1.0f, 0.0f, -4.5f);
    r.update();
    EXPECT_FLOAT_EQ(length(r.centre()), 0.0f);
    // Every particle's first vertex lies in the cube around the offset.
    const std::vector<rain::vertex> v = particles(r);
    for (int i = 0; i < rain::k_triangles; ++i) {
        EXPECT_GE(v[3 * i].x, 1.0f - 3.0f - 1e-4f);
        EXPECT_LE(v[3 * i].x, 1.0f + 3.0f + 1e-4f);
    }
}

TEST_F(Rain, JumpsCarryTheFieldAndMidMovesKeepWorldPlaces) {
    program_srand(1);
    rain r;
    r.size = 3.0f;
    r.set_density(1.0f);
    ASSERT_TRUE(r.init(nullptr));
    state_.smoothed_step = 0.0f;
    place_camera(0.0f, 0.0f, -4.5f);
    r.update();
    const std::vector<rain::vertex> before = particles(r);
    // A jump of more than two sizes: the centre follows, particles keep their place in it.
    place_camera(100.0f, 0.0f, -4.5f);
    r.update();
    EXPECT_FLOAT_EQ(r.centre().x, 100.0f);
    std::vector<rain::vertex> after = particles(r);
    EXPECT_FLOAT_EQ(after[0].x, before[0].x);
    EXPECT_FLOAT_EQ(after[0].y, before[0].y);
    // A move of 4 m (between one and two sizes): the particles stay where they were in the
    // world, or come back in one cube edge (6 m) away on the other side.
    place_camera(104.0f, 0.0f, -4.5f);
    r.update();
    EXPECT_FLOAT_EQ(r.centre().x, 104.0f);
    after = particles(r);
    int kept = 0;
    for (int i = 0; i < rain::k_triangles; ++i) {
        const float stay = before[3 * i].x - 4.0f;
        if (std::fabs(after[3 * i].x - stay) < 1e-4f) {
            ++kept;
        } else {
            EXPECT_NEAR(after[3 * i].x, stay + 6.0f, 1e-4f) << i;
        }
        EXPECT_FLOAT_EQ(after[3 * i].z, before[3 * i].z);
    }
    EXPECT_GT(kept, rain::k_triangles / 4);
}

TEST_F(Rain, DriftsWithTheCurrentButNotWhilePaused) {
    program_srand(1);
    rain r;
    r.size = 3.0f;
    r.set_density(1.0f);
    ASSERT_TRUE(r.init(nullptr));
    place_camera(0.0f, 0.0f, -4.5f);
    state_.above_water = 0;
    state_.water_motion[0] = 1.0f;
    state_.smoothed_step = 0.1f;
    app_.paused = 1;
    const std::vector<rain::vertex> before = particles(r);
    r.update();
    std::vector<rain::vertex> after = particles(r);
    for (int i = 0; i < rain::k_triangles; ++i) {
        EXPECT_FLOAT_EQ(after[3 * i].x, before[3 * i].x);
        EXPECT_FLOAT_EQ(after[3 * i + 1].x, before[3 * i + 1].x);
    }
    app_.paused = 0;
    r.update();
    after = particles(r);
    int moved = 0;
    for (int i = 0; i < rain::k_triangles; ++i) {
        if (std::fabs(after[3 * i].x - before[3 * i].x - 0.1f) < 1e-4f) ++moved;
        EXPECT_FLOAT_EQ(after[3 * i].y, before[3 * i].y);  // fall speed 0: no vertical drift
    }
    EXPECT_GT(moved, rain::k_triangles * 9 / 10);
}

// ---- Clouds ----

TEST_F(Clouds, RecentringKeepsWorldPositions) {
    clouds c;
    c.init();
    c.set_cover(0.3f);
    place_camera(0.0f, 100.0f, 0.0f);
    c.update();
    const vec3 world = c.centre() + vec3{c.puffs[0].x, 0.0f, c.puffs[0].z};
    const float selector = c.puffs[0].selector;
    place_camera(60000.0f, 100.0f, 0.0f);  // more than the extent in one frame
    state_.now += 10;                        // no new sort
    // Without the wrap the puff stays where it was in the world.
    c.extent = 50000.0f;
    const float x_before = world.x;
    c.update();
    EXPECT_FLOAT_EQ(c.centre().x, 60000.0f);
    ASSERT_FLOAT_EQ(c.puffs[0].selector, selector);
    const float x_after = c.centre().x + c.puffs[0].x;
    // Either the same world place or exactly one layer width away (the wrap).
    const float diff = std::fabs(x_after - x_before);
    EXPECT_TRUE(diff < 1.0f || std::fabs(diff - 100000.0f) < 1.0f) << diff;
}

TEST_F(Clouds, EarthDropAndTheDrawReach) {
    clouds c;
    c.init();
    c.set_cover(1.0f);
    place_camera(0.0f, 0.0f, 0.0f);
    state_.cloud_base = 0.0f;
    c.update();
    for (int i = 0; i < 50; ++i) {
        const clouds::puff& p = c.puffs[i];
        if (p.distance < 1000.0f) continue;
        const double d = p.distance;
        const double drop = d * d / (2.0 * 6366707.0);
        EXPECT_NEAR(-p.y, drop, drop * 1e-4 + 0.05) << d;
    }
    // Puffs 1.8 extents away or farther are not drawn.
    int near = 0;
    for (int i = 0; i < c.puff_count; ++i) near += c.puffs[i].distance < 1.8f * c.extent ? 1 : 0;
    device().clear_records();
    c.render();
    ASSERT_EQ(device().draws().size(), 1u);
    EXPECT_EQ(device().draws()[0].primitive_count, 2 * near);
    EXPECT_LT(near, c.puff_count);
    // One texture holds the eight pictures; each puff's corners stay inside its own tile.
    const draw_record& draw = device().draws()[0];
    EXPECT_EQ(draw.textures[0], c.atlas.get());
    const auto* v = reinterpret_cast<const clouds::vertex*>(draw.vertices.data());
    int first = 0;
    while (!(c.puffs[first].distance < 1.8f * c.extent)) ++first;
    const int tile = static_cast<int>(c.puffs[first].selector) % 8;
    ASSERT_GE(c.outlines[tile].corners, 3);
    for (int k = 0; k < c.outlines[tile].corners; ++k) {
        EXPECT_GT(v[k].u * 4.0f, static_cast<float>(tile % 4));
        EXPECT_LT(v[k].u * 4.0f, static_cast<float>(tile % 4 + 1));
        EXPECT_GT(v[k].v * 2.0f, static_cast<float>(tile / 4));
        EXPECT_LT(v[k].v * 2.0f, static_cast<float>(tile / 4 + 1));
    }
}

// Under fog of 10 km (exponent 2.3 per 10 km), a puff deeper than 27 km would come out as
// the fog colour itself (exp(-6.23), half a colour step): those are left out; without fog
// every puff within the reach is drawn.
TEST_F(Clouds, FullyFoggedPuffsAreNotDrawn) {
    clouds c;
    c.init();
    c.set_cover(1.0f);
    place_camera(0.0f, 0.0f, 0.0f);
    state_.cloud_base = 0.0f;
    state_.fog_air = 10000.0f;
    state_.fog_alt = 1000.0f;  // camera and layer both under the fog's top
    c.update();
    int within_reach = 0, clear_enough = 0;
    for (int i = 0; i < c.puff_count; ++i) {
        const clouds::puff& p = c.puffs[i];
        if (!(p.distance < 1.8f * c.extent)) continue;
        ++within_reach;
        const float depth = c.centre().z + p.z;  // the camera looks along +z from the origin
        if (depth * 2.3f / 10000.0f <= 6.23f) ++clear_enough;
    }
    ASSERT_GT(clear_enough, 0);
    ASSERT_LT(clear_enough, within_reach);
    app_.device->set_render_state(RS_FOGENABLE, 1);
    device().clear_records();
    c.render();
    ASSERT_EQ(device().draws().size(), 1u);
    EXPECT_NEAR(device().draws()[0].primitive_count, 2 * clear_enough, 4);
    app_.device->set_render_state(RS_FOGENABLE, 0);
    device().clear_records();
    c.render();
    ASSERT_EQ(device().draws().size(), 1u);
    EXPECT_EQ(device().draws()[0].primitive_count, 2 * within_reach);
}

TEST_F(Clouds, SortsFarthestFirstAtMostEvery200ms) {
    clouds c;
    c.init();
    c.set_cover(0.1f);
    state_.now = 1000;
    place_camera(0.0f, 0.0f, 0.0f);
    c.update();
    for (int i = 1; i < c.puff_count; ++i) ASSERT_GE(c.puffs[i - 1].distance, c.puffs[i].distance);
    // The camera moves; 100 ms later the order is kept, at 200 ms it is renewed.
    place_camera(30000.0f, 0.0f, 20000.0f);
    state_.now = 1100;
    c.update();
    bool ordered = true;
    for (int i = 1; i < c.puff_count; ++i) ordered = ordered && c.puffs[i - 1].distance >= c.puffs[i].distance;
    EXPECT_FALSE(ordered);
    state_.now = 1200;
    c.update();
    for (int i = 1; i < c.puff_count; ++i) ASSERT_GE(c.puffs[i - 1].distance, c.puffs[i].distance);
}
