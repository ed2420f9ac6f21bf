// The sky drawn by the OpenGL device on an off-screen context (EGL, no window): its programs
// compile, and the dome at noon and at dusk and the stars at night match stored pictures (at
// most 1 % of the pixels off by more than 8 in a channel) and what a sky must look like.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/texture_loading.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/temp_folder.h"
#include "tests/world/golden_image.h"
#include "platform/program_rand.h"
#include "world/clouds.h"
#include "world/earth_globe.h"
#include "world/rain.h"
#include "world/sky.h"
#include "world/sky_shaders.h"
#include "world/stars.h"

namespace {

constexpr int k_width = 160;
constexpr int k_height = 120;

int brightness(const image& picture, int x, int y) {
    const std::uint32_t c = picture.pixel(x, y);
    return static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF));
}

class SkyPictures : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = make_test_gl_context();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        ASSERT_EQ(create_test_gl_device(k_width, k_height, &app_.device), S_OK);
        use_device(app_.device.get());
        g_app = &app_;
        g_state = &state_;
        app_.near_view = 1;
        app_.use_curvature = 0;
        loader_ = std::make_unique<device_texture_loader>(app_.device.get());
        app_.textures.set_loader(loader_.get());
        state_.camera_world = &camera_;
        state_.near_projection = &projection_;
        projection_ = mat_perspective_fov_lh(1.0f, 4.0f / 3.0f, 0.1f, 1000.0f);
        make_disc();
    }
    void TearDown() override {
        if (sky_) sky_->release();
        sky_.reset();
        disc_.reset();
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        state_.release();
        use_device(nullptr);
        app_.device.reset();
        g_app = nullptr;
        g_state = nullptr;
        context_.reset();
    }

    // A white disc on transparent black, 32 texels across: the sun and the moon.
    void make_disc() {
        gfx_device* d = app_.device.get();
        ASSERT_EQ(d->create_texture(32, 32, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &disc_), S_OK);
        locked_rect r;
        ASSERT_EQ(disc_->lock_rect(0, &r), S_OK);
        for (int y = 0; y < 32; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(r.bits) + y * r.pitch);
            for (int x = 0; x < 32; ++x) {
                const float dx = x - 15.5f, dy = y - 15.5f;
                row[x] = dx * dx + dy * dy < 144.0f ? 0xFFFFFFFFu : 0u;
            }
        }
        disc_->unlock_rect(0);
        state_.objects.sun_texture = disc_.get();
        state_.objects.moon_texture = disc_.get();
    }

    // The sky at a time of day, seen from 10 m looking along the heading (radians from
    // north) and pitch (up positive).
    image draw(float hours, float heading, float pitch) {
        if (!sky_) {
            sky_ = std::make_unique<sky>();
            sky_->init();
        }
        state_.time_of_day = hours;
        camera_ = mat_translation(0.0f, 10.0f, 0.0f);
        sky_->update_celestial();
        gfx_device* d = app_.device.get();
        app_.set_default_states(true);
        const vec3 eye{0.0f, 10.0f, 0.0f};
        const vec3 look{std::sin(heading) * std::cos(pitch), std::sin(pitch), std::cos(heading) * std::cos(pitch)};
        d->set_transform(TS_VIEW, mat_look_at_lh(eye, eye + look, vec3{0.0f, 1.0f, 0.0f}));
        d->set_transform(TS_PROJECTION, projection_);
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d->begin_scene();
        if (land_ == land::after_the_sky) {
            sky_->render(false);
            draw_land(d);
        } else if (land_ == land::before_the_sky) {
            draw_land(d);
            sky_->render(false, true);
        } else {
            sky_->render(false);
        }
        d->end_scene();
        image picture;
        EXPECT_TRUE(read_back_buffer(d, &picture));
        return picture;
    }
    // Opaque grey-green land under the camera reaching 200 m out on every side, with a hill
    // rising 30 m above the eye ahead: the plain at several depths and a ridge across the
    // horizon, drawn with the depth test and writes on.
    static void draw_land(gfx_device* d) {
        struct land_vertex {
            float x, y, z;
            std::uint32_t colour;
        };
        constexpr std::uint32_t k_land = 0xFF5A7048u;
        const land_vertex v[] = {
            {-200, 0, -200, k_land}, {-200, 0, 200, k_land}, {200, 0, 200, k_land},
            {-200, 0, -200, k_land}, {200, 0, 200, k_land},  {200, 0, -200, k_land},
            {-60, 0, 80, k_land},    {0, 40, 120, k_land},   {60, 0, 80, k_land},
        };
        d->set_render_state(RS_LIGHTING, 0);
        d->set_render_state(RS_CULLMODE, CULL_NONE);
        d->set_render_state(RS_ALPHABLENDENABLE, 0);
        d->set_texture(0, nullptr);
        d->set_transform(TS_WORLD, mat_identity());
        d->set_fvf(FVF_XYZ | FVF_DIFFUSE);
        d->draw_primitive_up(PT_TRIANGLELIST, 3, v, sizeof(land_vertex));
        d->set_render_state(RS_ALPHABLENDENABLE, 1);
    }
    // The heading and pitch toward the sun.
    void sun_angles(float* heading, float* pitch) const {
        const vec3 to_sun = -1.0f * get_axis_z(sky_->sun_matrix);
        *heading = std::atan2(to_sun.x, to_sun.z);
        *pitch = std::asin(to_sun.y);
    }
    static vec3 get_axis_z(const mat4& m) { return {m.m[2][0], m.m[2][1], m.m[2][2]}; }
    // The view drawn again with the dome's own program on all of the dome: the cheaper
    // programs for the parts turned away from the sun and below the horizon must have given
    // the very same pixels.
    void expect_same_with_the_dome_program_alone(const image& picture, float hours, float heading,
                                                 float pitch) {
        shader_ptr away = std::move(sky_->dome_away_ps);
        shader_ptr below = std::move(sky_->dome_below_ps);
        const image reference = draw(hours, heading, pitch);
        sky_->dome_away_ps = std::move(away);
        sky_->dome_below_ps = std::move(below);
        int differing = 0;
        for (int y = 0; y < k_height; ++y) {
            for (int x = 0; x < k_width; ++x) differing += picture.pixel(x, y) != reference.pixel(x, y) ? 1 : 0;
        }
        EXPECT_EQ(differing, 0);
    }

    std::unique_ptr<offscreen_gl> context_;
    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    mat4 camera_ = mat_identity();
    mat4 projection_ = mat_identity();
    std::unique_ptr<device_texture_loader> loader_;
    texture_ptr disc_;
    std::unique_ptr<sky> sky_;
    enum class land { none, after_the_sky, before_the_sky };
    land land_ = land::none;
};

using SkyGolden = SkyPictures;
using StarsGolden = SkyPictures;

}  // namespace

TEST_F(SkyGolden, ProgramsCompile) {
    load_sky_shaders();
    for (int id : {391, 415}) EXPECT_NE(state_.objects.vertex_shader(id), nullptr) << id;
    for (int id : {412, 413}) EXPECT_NE(state_.objects.pixel_shader(id), nullptr) << id;
}

TEST_F(SkyGolden, NoonDomeIsLighterAtTheHorizon) {
    const image picture = draw(12.0f, 0.0f, 0.35f);
    // The horizon lies near row 100; the top of the picture is about 0.85 rad up.
    const int top = brightness(picture, 80, 2);
    const int horizon = brightness(picture, 80, 96);
    EXPECT_GT(horizon, top + 30) << horizon << " " << top;
    // The zenith side is the sky's own blue: blue the strongest channel.
    const std::uint32_t c = picture.pixel(80, 2);
    EXPECT_GT(c & 0xFF, (c >> 16) & 0xFF);
    EXPECT_EQ(compare_with_golden(picture, "sky_noon"), "");
}

TEST_F(SkyGolden, DuskShowsTheSunDisc) {
    sky_ = std::make_unique<sky>();
    sky_->init();
    state_.time_of_day = 17.6f;
    sky_->update_celestial();
    float heading = 0.0f, pitch = 0.0f;
    sun_angles(&heading, &pitch);
    ASSERT_GT(pitch, 0.0f);  // still above the horizon
    const image picture = draw(17.6f, heading, pitch);
    // The disc sits in the middle of the picture, brighter than the sky around it.
    EXPECT_GT(brightness(picture, 80, 60), brightness(picture, 80, 20));
    EXPECT_GE(brightness(picture, 80, 60), 3 * 250);
    EXPECT_EQ(compare_with_golden(picture, "sky_dusk"), "");
    // Toward the sun the glow's program draws the sky, the fog's the ground below the horizon;
    // turned from the sun the program without the glow draws it.
    expect_same_with_the_dome_program_alone(picture, 17.6f, heading, pitch);
    EXPECT_GT(sky_->dome_away_vertices, 0);
    EXPECT_GT(sky_->dome_below_vertices, 0);
    const float away_heading = heading + 3.1415927f;
    const image turned = draw(17.6f, away_heading, 0.3f);
    EXPECT_LT(brightness(turned, 80, 20), brightness(picture, 80, 20));
    expect_same_with_the_dome_program_alone(turned, 17.6f, away_heading, 0.3f);
}

TEST_F(SkyGolden, TheSkyDrawnBehindTheLandGivesTheSamePicture) {
    // Toward the sun at dusk (disc, glow and the skirt below the horizon) and at noon looking
    // a little down: the land drawn over the sky and the sky drawn behind the land agree on
    // every pixel, and the land does hide part of the sky.
    sky_ = std::make_unique<sky>();
    sky_->init();
    state_.time_of_day = 17.6f;
    sky_->update_celestial();
    float heading = 0.0f, pitch = 0.0f;
    sun_angles(&heading, &pitch);
    const struct {
        float hours, heading, pitch;
    } views[] = {{17.6f, heading, pitch - 0.2f}, {12.0f, 0.0f, -0.1f}};
    for (const auto& v : views) {
        land_ = land::none;
        const image sky_alone = draw(v.hours, v.heading, v.pitch);
        land_ = land::after_the_sky;
        const image over = draw(v.hours, v.heading, v.pitch);
        land_ = land::before_the_sky;
        const image behind = draw(v.hours, v.heading, v.pitch);
        int differing = 0, land_pixels = 0;
        for (int y = 0; y < k_height; ++y) {
            for (int x = 0; x < k_width; ++x) {
                differing += over.pixel(x, y) != behind.pixel(x, y) ? 1 : 0;
                land_pixels += over.pixel(x, y) != sky_alone.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0) << v.hours;
        EXPECT_GT(land_pixels, k_width * k_height / 4) << v.hours;
        EXPECT_LT(land_pixels, k_width * k_height) << v.hours;
        // The depth states and the viewport come back as they were.
        EXPECT_EQ(app_.device->render_state(RS_ZWRITEENABLE), 1u);
        EXPECT_EQ(app_.device->render_state(RS_ZFUNC), static_cast<std::uint32_t>(CMP_LESSEQUAL));
        EXPECT_EQ(app_.device->viewport().min_z, 0.0f);
        EXPECT_EQ(app_.device->viewport().max_z, 1.0f);
    }
}

TEST_F(StarsGolden, NightSkyShowsStars) {
    std::string map = "400\r\n";
    for (int i = 0; i < 400; ++i) {
        const int b = (i * 137) % 360;
        const int c = (i * 53) % 161 - 80;  // all over the sphere
        map += std::to_string(60 + i % 40) + " " + std::to_string(b) + " " + std::to_string(c) + "\r\n";
    }
    tmp_.write("graphics/star_map.txt", map);
    const image picture = draw(0.0f, 0.0f, 0.6f);
    int lit = 0;
    for (int y = 0; y < k_height; ++y) {
        for (int x = 0; x < k_width; ++x) lit += brightness(picture, x, y) > 300 ? 1 : 0;
    }
    EXPECT_GT(lit, 10);
    EXPECT_LT(lit, k_width * k_height / 10);
    EXPECT_EQ(sky_->star_field->vertex_count, 6 * 400);
    EXPECT_EQ(compare_with_golden(picture, "stars_night"), "");
}

namespace {

// A soft round puff: white, its alpha falling from the middle to the edge.
void write_puff_pictures() {
    image puff;
    ASSERT_TRUE(image_allocate(&puff, 64, 64));
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float dx = (x - 31.5f) / 32.0f, dy = (y - 31.5f) / 32.0f;
            const float a = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
            puff.set_pixel(x, y, (static_cast<std::uint32_t>(a * 255.0f) << 24) | 0xFFFFFFu);
        }
    }
    for (int i = 0; i < 8; ++i) {
        const std::string name = "graphics\\cloud" + std::to_string(i) + ".dds";
        ASSERT_EQ(image_save_file(name.c_str(), puff), S_OK);
    }
}

}  // namespace

using CloudsGolden = SkyPictures;
using RainGolden = SkyPictures;
using GlobeGolden = SkyPictures;

TEST_F(CloudsGolden, LayerSeenFromBelow) {
    tmp_.write("graphics/readme.txt", "puffs");
    write_puff_pictures();
    program_srand(1);
    sky_ = std::make_unique<sky>();
    sky_->init();
    state_.cloud_base = 1000.0f;
    state_.now = 1000;
    sky_->cloud_layer->set_cover(0.3f);
    state_.time_of_day = 12.0f;
    camera_ = mat_translation(0.0f, 10.0f, 0.0f);
    sky_->update();
    gfx_device* d = app_.device.get();
    const image clear_sky = draw(12.0f, 0.0f, 0.5f);
    // The clouds over the sky, with the scene's own projection reaching them.
    d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(1.0f, 4.0f / 3.0f, 1.0f, 200000.0f));
    d->set_render_state(RS_FOGENABLE, 0);
    d->begin_scene();
    sky_->render_clouds();
    d->end_scene();
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    int changed = 0;
    for (int y = 0; y < k_height; ++y) {
        for (int x = 0; x < k_width; ++x) changed += picture.pixel(x, y) != clear_sky.pixel(x, y) ? 1 : 0;
    }
    EXPECT_GT(changed, k_width * k_height / 10);
    EXPECT_EQ(compare_with_golden(picture, "clouds_below"), "");
}

namespace {

// The run folder's own puff pictures copied into the test's folder; false where there is none.
bool copy_shipped_puff_pictures(const std::string& folder) {
    const char* run = std::getenv("VENTRASK_RUN_DIR");
    if (run == nullptr) return false;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "/graphics/cloud" + std::to_string(i) + ".dds";
        std::error_code error;
        std::filesystem::copy_file(run + name, folder + name, std::filesystem::copy_options::overwrite_existing,
                                   error);
        if (error) return false;
    }
    return true;
}

struct picture_difference {
    int off_by_one = 0;  // pixels whose largest channel difference is 1
    int off_by_more = 0;
};

picture_difference difference(const image& a, const image& b) {
    picture_difference d;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const std::uint32_t p = a.pixel(x, y), q = b.pixel(x, y);
            int most = 0;
            for (int shift : {0, 8, 16}) {
                most = std::max(most, std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)));
            }
            d.off_by_one += most == 1 ? 1 : 0;
            d.off_by_more += most > 1 ? 1 : 0;
        }
    }
    return d;
}

}  // namespace

// Each puff drawn as the outline of its picture's visible part gives the picture of its whole
// square (the pixels left out would blend to nothing) and draws fewer pixels: up at the layer
// and toward the horizon through fog, with soft round puffs and with the run folder's own.
TEST_F(CloudsGolden, OutlinesDrawTheSamePictureAsWholeSquares) {
    tmp_.write("graphics/readme.txt", "puffs");
    for (const bool shipped : {false, true}) {
        if (!shipped) {
            write_puff_pictures();
        } else if (!copy_shipped_puff_pictures(tmp_.path())) {
            ADD_FAILURE() << "no puff pictures in the run folder (VENTRASK_RUN_DIR)";
            continue;
        }
        program_srand(1);
        sky_ = std::make_unique<sky>();
        sky_->init();
        clouds& layer = *sky_->cloud_layer;
        for (const puff_outline& o : layer.outlines) EXPECT_LT(o.area(), 0.9f) << shipped;
        state_.cloud_base = 1000.0f;
        state_.now = 1000;
        layer.set_cover(0.3f);
        camera_ = mat_translation(0.0f, 10.0f, 0.0f);
        sky_->update();
        gfx_device* d = app_.device.get();
        for (const float pitch : {0.5f, 0.05f}) {
            const bool fog = pitch < 0.1f;
            image pictures[2];
            int covered[2] = {};
            for (int plain = 0; plain < 2; ++plain) {
                layer.fitted_outlines = plain == 0;
                const image clear_sky = draw(12.0f, 0.0f, pitch);
                d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(1.0f, 4.0f / 3.0f, 1.0f, 200000.0f));
                d->set_render_state(RS_FOGENABLE, fog ? 1 : 0);
                d->begin_scene();
                sky_->render_clouds();
                d->end_scene();
                ASSERT_TRUE(read_back_buffer(d, &pictures[plain]));
                EXPECT_GT(difference(pictures[plain], clear_sky).off_by_more, k_width * k_height / 20);
                // Unblended over black, every pixel a puff covers shows.
                d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
                d->set_render_state(RS_ALPHABLENDENABLE, 0);
                d->begin_scene();
                sky_->render_clouds();
                d->end_scene();
                d->set_render_state(RS_ALPHABLENDENABLE, 1);
                image drawn;
                ASSERT_TRUE(read_back_buffer(d, &drawn));
                for (int y = 0; y < k_height; ++y) {
                    for (int x = 0; x < k_width; ++x) covered[plain] += (drawn.pixel(x, y) & 0xFFFFFFu) != 0 ? 1 : 0;
                }
            }
            const picture_difference diff = difference(pictures[0], pictures[1]);
            EXPECT_EQ(diff.off_by_more, 0) << shipped << " " << pitch;
            EXPECT_LE(diff.off_by_one, k_width * k_height / 1000) << shipped << " " << pitch;
            EXPECT_LT(covered[0], covered[1]) << shipped << " " << pitch;
        }
        layer.fitted_outlines = false;
        sky_->release();
        sky_.reset();
    }
}

TEST_F(RainGolden, ParticlesUnderWater) {
    program_srand(1);
    rain field;
    field.size = 3.0f;
    field.particle_size = 0.1f;
    field.set_density(1.0f);
    ASSERT_TRUE(field.init(nullptr));
    state_.above_water = 0;
    camera_ = mat_identity();
    // The first update brings the cube ahead of the camera (the particles stretch along
    // that jump); the second is a steady frame.
    field.update();
    field.update();
    gfx_device* d = app_.device.get();
    app_.set_default_states(true);
    app_.fog_color = 0xFFA0D0FFu;
    d->set_transform(TS_VIEW, mat_identity());
    d->set_transform(TS_PROJECTION, projection_);
    d->set_render_state(RS_FOGENABLE, 0);
    d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF103050u, 1.0f, 0);
    d->begin_scene();
    field.render();
    d->end_scene();
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    int lit = 0;
    for (int y = 0; y < k_height; ++y) {
        for (int x = 0; x < k_width; ++x) lit += (picture.pixel(x, y) & 0xFFFFFFu) != 0x103050u ? 1 : 0;
    }
    EXPECT_GT(lit, 20);
    EXPECT_LT(lit, k_width * k_height / 4);
    EXPECT_EQ(compare_with_golden(picture, "rain_under_water"), "");
}

TEST_F(GlobeGolden, GlobeAndRingFrom200km) {
    earth_globe globe;
    globe.load_shaders();
    ASSERT_TRUE(globe.globe_vs && globe.globe_ps && globe.shell_vs);
    sky_ = std::make_unique<sky>();
    sky_->init();
    app_.near_view = 0;
    const float altitude = 200000.0f;
    camera_ = mat_translation(0.0f, altitude, 0.0f);
    state_.far_distance = 50000.0f;
    state_.time_of_day = 10.0f;
    state_.camera_latitude = 40.0f;
    sky_->update_celestial();
    globe.update();
    gfx_device* d = app_.device.get();
    app_.set_default_states(true);
    const vec3 eye{0.0f, altitude, 0.0f};
    d->set_transform(TS_VIEW, mat_look_at_lh(eye, eye + vec3{0.0f, -0.45f, 1.0f}, vec3{0.0f, 1.0f, 0.0f}));
    d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(1.0f, 4.0f / 3.0f, 100.0f, state_.far_plane));
    d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    d->begin_scene();
    globe.render_shell();
    sky_->render(false);
    globe.render();
    d->end_scene();
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    // The globe fills the bottom of the picture; space above it stays dark.
    EXPECT_GT(brightness(picture, 80, 115), 150);
    EXPECT_LT(brightness(picture, 80, 2), 100);
    EXPECT_EQ(compare_with_golden(picture, "globe_200km"), "");
    globe.release();
}
