// The ground and water drawn by the OpenGL device on an off-screen context (EGL, no
// window): every program of the terrain compiles, and the drawings match stored pictures
// (at most 1 % of the pixels off by more than 8 in a channel) and colours worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/model_shading.h"
#include "core/device_calls.h"
#include "core/texture_loading.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/temp_folder.h"
#include "tests/world/golden_image.h"
#include "world/terrain.h"

namespace {

constexpr int k_width = 160;
constexpr int k_height = 120;
constexpr int k_samples = 256;     // the test ground: 256 x 256 samples of 30 m
constexpr float k_cell = 30.0f;
constexpr float k_centre = 1920.0f; // the camera looks straight down on this point (x and z)
constexpr std::uint16_t k_green = 0x07E0;  // R5G6B5
constexpr std::uint16_t k_red = 0xF800;
constexpr std::uint16_t k_grey = 0x8410;

// A 16 x 16 x 16 volume whose slice k is all colours[k] (R5G6B5).
texture_ptr solid_volume(gfx_device* d, const std::uint16_t colours[16]) {
    texture_ptr v;
    if (d->create_volume_texture(16, 16, 16, 1, 0, FMT_R5G6B5, POOL_MANAGED, &v) != S_OK) return v;
    locked_box box;
    if (v->lock_box(0, &box) != S_OK) return v;
    for (int k = 0; k < 16; ++k) {
        for (int y = 0; y < 16; ++y) {
            auto* row = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(box.bits) +
                                                         k * box.slice_pitch + y * box.row_pitch);
            for (int x = 0; x < 16; ++x) row[x] = colours[k];
        }
    }
    v->unlock_box(0);
    return v;
}

std::uint32_t rgb_of(const image& picture, int x, int y) { return picture.pixel(x, y) & 0xFFFFFFu; }

bool near_colour(std::uint32_t actual, int r, int g, int b, int tolerance = 8) {
    const int ar = (actual >> 16) & 0xFF, ag = (actual >> 8) & 0xFF, ab = actual & 0xFF;
    return std::abs(ar - r) <= tolerance && std::abs(ag - g) <= tolerance && std::abs(ab - b) <= tolerance;
}

class TerrainGolden : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = make_test_gl_context();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        ASSERT_EQ(create_test_gl_device(k_width, k_height, &app_.device), S_OK);
        use_device(app_.device.get());
        g_app = &app_;
        g_state = &state_;
        loader_ = std::make_unique<device_texture_loader>(app_.device.get());
        app_.textures.set_loader(loader_.get());
        ground_ = std::make_unique<terrain>();
    }
    void TearDown() override {
        ground_.reset();
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        use_device(nullptr);
        app_.device.reset();
        g_app = nullptr;
        g_state = nullptr;
        context_.reset();
    }

    // The ground: heights and land classes per sample (row north, column east); the scene
    // origin is the grid's south-west corner.
    void make_ground(const std::function<int(int, int)>& height,
                     const std::function<int(int, int)>& land) {
        terrain& t = *ground_;
        t.columns = t.rows = k_samples;
        t.cell_size = k_cell;
        t.elevations.assign(k_samples * k_samples, 0);
        t.class_map.assign(k_samples * k_samples, 0);
        t.mark_map.assign(k_samples * k_samples, 0);
        for (int r = 0; r < k_samples; ++r) {
            for (int c = 0; c < k_samples; ++c) {
                t.elevations[r * k_samples + c] = static_cast<std::int16_t>(height(r, c));
                t.class_map[r * k_samples + c] = static_cast<std::uint8_t>(land(r, c));
            }
        }
        state_.camera_world = &camera_;
        camera_ = mat_translation(k_centre, 1000.0f, k_centre);  // the tiles' steps follow it
        t.create_tile_grids();
        t.update_lod();
        std::uint16_t colours[16];
        for (std::uint16_t& c : colours) c = k_grey;
        colours[0] = k_green;
        colours[1] = k_red;
        for (texture_ptr& v : t.land_volumes) v = solid_volume(app_.device.get(), colours);
        for (std::uint16_t& c : colours) c = k_grey;
        t.dense_volume = solid_volume(app_.device.get(), colours);
    }
    // Straight down from 1000 m on the centre, 960 m across the picture, east to the right
    // and north up; light straight down (full strength on flat ground); no fog.
    void look_down() {
        camera_ = mat_translation(k_centre, 1000.0f, k_centre);
        gfx_device* d = app_.device.get();
        app_.set_default_states(true);  // the frame's states: normal culling
        d->set_transform(TS_VIEW, mat_look_at_lh(vec3{k_centre, 1000.0f, k_centre},
                                                 vec3{k_centre, 0.0f, k_centre}, vec3{0.0f, 0.0f, 1.0f}));
        d->set_transform(TS_PROJECTION, mat_ortho_lh(960.0f, 720.0f, 1.0f, 3000.0f));
        d->set_render_state(RS_FOGENABLE, 0);
        sun_.type = LIGHT_DIRECTIONAL;
        sun_.direction[1] = -1.0f;
        sun_.diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
        sun_.ambient = {0.2f, 0.2f, 0.2f, 1.0f};
        state_.objects.current_light = &sun_;
        d->set_light(0, sun_);  // the fixed-function passes light with the device's sun
        d->light_enable(0, true);
        state_.fog_air = 1.0e8f;
        state_.max_fog = 1.0e8f;
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    }

    std::unique_ptr<offscreen_gl> context_;
    mat4 camera_ = mat_identity();
    gfx_light sun_;
    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<device_texture_loader> loader_;
    std::unique_ptr<terrain> ground_;
};

}  // namespace

TEST_F(TerrainGolden, EveryProgramCompiles) {
    ground_->load_shaders();
    for (int i = 0; i < terrain::k_shader_pairs; ++i) {
        EXPECT_TRUE(ground_->vertex_shaders[i]) << terrain::k_vertex_shader_ids[i];
        EXPECT_TRUE(ground_->pixel_shaders[i]) << terrain::k_pixel_shader_ids[i];
    }
    EXPECT_EQ(std::string(app_.log_text()).find("Could not load"), std::string::npos)
        << app_.log_text();
}

// Two land classes, west and east of the centre, and a hill on the east side. Each vertex
// takes its class's slice at a quarter past the slice's start, so linear filtering in depth
// shows class 1 as 75 % of its own slice and 25 % of class 0's; class 0 stays pure (the
// depth coordinate is clamped). With the shaders option off the near tiles are drawn without
// the detail program: the texture times the vertex light, exactly.
TEST_F(TerrainGolden, TwoLandClasses) {
    make_ground(
        [](int r, int c) {
            const int dr = r - 72, dc = c - 72;
            const int d2 = dr * dr + dc * dc;
            return 50 + (d2 < 64 ? (64 - d2) * 3 : 0);
        },
        [](int, int c) { return c < 64 ? 0 : 1; });
    ground_->load_shaders();
    app_.use_shaders = 0;
    look_down();
    gfx_device* d = app_.device.get();
    d->begin_scene();
    ground_->render_tiles(true);
    d->end_scene();
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    // Flat ground well inside each class.
    EXPECT_TRUE(near_colour(rgb_of(picture, 20, 100), 0, 255, 0)) << std::hex << rgb_of(picture, 20, 100);
    EXPECT_TRUE(near_colour(rgb_of(picture, 140, 100), 191, 64, 0)) << std::hex << rgb_of(picture, 140, 100);
    EXPECT_EQ(compare_with_golden(picture, "terrain_two_classes"), "");
}

namespace {

// A shadow map of one stored nearness (1 - light depth) in every texel.
texture_ptr filled_shadow_map(gfx_device* device, std::uint32_t texel) {
    texture_ptr t;
    if (!create_filled_texture(device, &t, 4, 4, true, texel)) return nullptr;
    return t;
}

std::uint32_t centre_of_shadowed_ground(gfx_device* d, terrain& ground) {
    d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    d->begin_scene();
    ground.render_tiles(true);
    d->end_scene();
    image picture;
    if (!read_back_buffer(d, &picture)) return 0;
    return rgb_of(picture, 80, 60);
}

int green_of(std::uint32_t rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }

}  // namespace

// The shadow pass clears its map to 0 before the objects draw their nearness into it. Ground
// under a cleared map is as light as ground drawn without shadows (a cleared map once read as
// casters at depth 0 and darkened the whole square the map covers); under a caster nearer the
// sun it is darkened to 60 %.
TEST_F(TerrainGolden, ClearedShadowMapCastsNoShadow) {
    make_ground([](int, int) { return 50; }, [](int, int) { return 0; });
    ground_->load_shaders();
    app_.use_shaders = 1;
    look_down();
    gfx_device* d = app_.device.get();
    model_shading& s = shading();
    // The sun straight above: the map covers the whole picture, the ground at light depth 0.3.
    s.shadow_view = mat_look_at_lh(vec3{k_centre, 1000.0f, k_centre}, vec3{k_centre, 0.0f, k_centre},
                                   vec3{0.0f, 0.0f, 1.0f});
    s.shadow_projection = mat_ortho_lh(2000.0f, 2000.0f, 0.0f, 3000.0f);
    ground_->shadow = 0;
    const int unshadowed = green_of(centre_of_shadowed_ground(d, *ground_));
    ASSERT_GT(unshadowed, 100);
    ground_->shadow = 1;
    state_.objects.shadow_texture = filled_shadow_map(d, 0);  // as the pass clears it
    ASSERT_TRUE(state_.objects.shadow_texture);
    EXPECT_NEAR(green_of(centre_of_shadowed_ground(d, *ground_)), unshadowed, 2);
    state_.objects.shadow_texture = filled_shadow_map(d, 0xFFFFFFFFu);  // a caster at depth 0
    EXPECT_NEAR(green_of(centre_of_shadowed_ground(d, *ground_)), unshadowed * 0.6, 3);
    state_.objects.shadow_texture.reset();
    s = model_shading{};
}

namespace {

std::uint32_t centre_of(gfx_device* d) {
    image picture;
    if (!read_back_buffer(d, &picture)) return 0xFFFFFFFFu;
    return rgb_of(picture, 80, 60);
}

}  // namespace

// The shadow pass draws the ground for its depth alone and then lets the objects draw over the
// map as first cleared: the ground leaves the cleared colour as it was, yet hides what lies
// behind it, and the colour writes come back on for the next drawing.
TEST_F(TerrainGolden, GroundForTheShadowMapWritesDepthAlone) {
    make_ground([](int, int) { return 50; }, [](int, int) { return 0; });
    ground_->load_shaders();
    look_down();
    gfx_device* d = app_.device.get();
    d->begin_scene();
    ground_->render_tiles_plain(false);
    d->end_scene();
    EXPECT_EQ(centre_of(d) & 0xFFFFFFu, 0u) << std::hex << centre_of(d);
    EXPECT_EQ(d->render_state(RS_COLORWRITEENABLE), 0xFu);
    // The same ground again, nearer only where it is not hidden: nothing passes.
    d->set_render_state(RS_ZFUNC, CMP_LESS);
    d->begin_scene();
    ground_->render_tiles_plain(true);
    d->end_scene();
    EXPECT_EQ(centre_of(d) & 0xFFFFFFu, 0u) << std::hex << centre_of(d);
    // With the depth cleared the ground shows.
    d->clear(CLEAR_ZBUFFER, 0, 1.0f, 0);
    d->begin_scene();
    ground_->render_tiles_plain(true);
    d->end_scene();
    EXPECT_GT(green_of(centre_of(d)), 100) << std::hex << centre_of(d);
}

namespace {

// A shore running north-south through the centre: 0.5 m a sample below the water to the
// west, above it to the east. One land class.
int shore_height(int, int c) { return (c - 64) / 2; }
int one_class(int, int) { return 0; }

bool is_black(std::uint32_t rgb) { return (rgb & 0xFFFFFFu) == 0; }

}  // namespace

// Water program 0 (waves hidden, no reflection or refraction) over the below-water
// triangles, after the land with the detail program.
TEST_F(TerrainGolden, WaterOverTheTiles) {
    make_ground(shore_height, one_class);
    ground_->load_shaders();
    ground_->water.waves_shown = 0;
    ground_->water_in_view = 0;
    ASSERT_EQ(ground_->water_index(), 0);
    look_down();
    state_.above_water = 1;
    gfx_device* d = app_.device.get();
    d->begin_scene();
    ground_->render_tiles(true);
    ground_->set_water_shader();
    ground_->render_water(true);
    ground_->restore_render_states();
    d->end_scene();
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    // The dry east is land green; the west is the water's colour, not the land's.
    const std::uint32_t east = rgb_of(picture, 150, 60);
    const std::uint32_t west = rgb_of(picture, 10, 60);
    EXPECT_GT((east >> 8) & 0xFF, 150u) << std::hex << east;
    EXPECT_LT((west >> 8) & 0xFF, 150u) << std::hex << west;
    EXPECT_EQ(compare_with_golden(picture, "water_variant0"), "");
}

namespace {

struct shore_colours {
    int land_green = 0;
    int water_blue = 0;
};

// The shore from 1000 m straight above: a land pixel east of the waterline and a water pixel
// west of it, both 20 pixels (120 m) off the centre.
shore_colours draw_shore(gfx_device* d, terrain& ground) {
    d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    d->begin_scene();
    ground.render_tiles(true);
    ground.set_water_shader();
    ground.render_water(true);
    ground.restore_render_states();
    d->end_scene();
    image picture;
    shore_colours c;
    if (!read_back_buffer(d, &picture)) return c;
    c.land_green = static_cast<int>((rgb_of(picture, 100, 60) >> 8) & 0xFF);
    c.water_blue = static_cast<int>(rgb_of(picture, 60, 60) & 0xFF);
    return c;
}

}  // namespace

// In haze the water fades as the land beside it does: both by the air fog's and the clear
// air's distances mixed by the camera's height in the fog layer. Halfway up a 2000 m layer,
// 1000 m inside and 3000 m above give 2000 m, so at 1000 m a black fog leaves exp(-1.15) of
// either colour. (The water once took the fog end, 10 km here, and kept 80 % of its colour
// while the land kept a fifth: a far sea and the island in it did not fade together.)
TEST_F(TerrainGolden, WaterAndLandFadeAlikeInHaze) {
    make_ground(shore_height, one_class);
    ground_->load_shaders();
    ground_->water.waves_shown = 0;
    ground_->water_in_view = 0;
    app_.use_shaders = 1;  // the land's own program mixes in the fog
    look_down();
    state_.above_water = 1;
    gfx_device* d = app_.device.get();
    // A black fog, which the water also mirrors as its sky, in both pictures.
    app_.fog_color = 0xFF000000u;
    d->set_render_state(RS_FOGCOLOR, 0xFF000000u);
    const shore_colours clear = draw_shore(d, *ground_);
    ASSERT_GT(clear.land_green, 100);
    ASSERT_GT(clear.water_blue, 40);
    state_.fog_alt = 2000.0f;
    state_.fog_air = 1000.0f;
    state_.max_fog = 3000.0f;
    app_.fog_end = 10000.0f;
    // Far tiles take the device's fog, by the density the land's program hands it.
    d->set_render_state(RS_FOGENABLE, 1);
    const shore_colours hazy = draw_shore(d, *ground_);
    const double kept = std::exp(-2.3 * 1000.0 / 2000.0);
    EXPECT_NEAR(static_cast<double>(hazy.land_green) / clear.land_green, kept, 0.03);
    EXPECT_NEAR(static_cast<double>(hazy.water_blue) / clear.water_blue, kept, 0.04);
}

// Deep water seen from 20 m, looking north just under the horizon, its sky white and its own
// colour dark, under a flat bump. Far off, where a pixel spans many bump texels, the water is
// no mirror of the sky: the waves' facets keep more than a quarter of its own colour (the
// red of the white sky stays under 175). With the flat filtered bump it once reflected 80 to
// 90 % of the sky there, and the far sea could not be told from the sky.
TEST_F(TerrainGolden, FarWaterIsNoMirrorOfTheSky) {
    make_ground([](int, int) { return -50; }, one_class);
    ground_->load_shaders();
    ground_->water.waves_shown = 0;
    ground_->water_in_view = 0;
    ASSERT_TRUE(create_filled_texture(app_.device.get(), &ground_->water_texture, 64, 64, true, 0xFF000000u));
    look_down();
    state_.above_water = 1;
    app_.fog_color = 0xFFFFFFFFu;  // the sky the water mirrors
    gfx_device* d = app_.device.get();
    const vec3 eye{k_centre, 20.0f, 300.0f};
    camera_ = mat_translation(eye.x, eye.y, eye.z);
    d->set_transform(TS_VIEW, mat_look_at_lh(eye, vec3{k_centre, 0.0f, 1300.0f}, vec3{0.0f, 1.0f, 0.0f}));
    d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.9f, 4.0f / 3.0f, 1.0f, 20000.0f));
    d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    d->begin_scene();
    ground_->set_water_shader();
    ground_->render_water(true);
    ground_->restore_render_states();
    d->end_scene();
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    // Rows 62 to 66 lie between about 200 and 400 m off, under 0.1 rad below the horizon.
    for (int y = 62; y <= 66; ++y) {
        const std::uint32_t far = rgb_of(picture, 80, y);
        ASSERT_FALSE(is_black(far)) << "no water on row " << y;
        EXPECT_LT(static_cast<int>((far >> 16) & 0xFF), 175) << "row " << y << std::hex << " " << far;
    }
}

// The refraction pass: land under the water only, cut at the water by the pass's world clip
// plane, which reaches the refraction program in clip space.
TEST_F(TerrainGolden, RefractionClippedAtTheWater) {
    make_ground(shore_height, one_class);
    ground_->load_shaders();
    look_down();
    state_.sea_fog = 10.0f;  // at most the cell size: the refraction pixel program is used
    gfx_device* d = app_.device.get();
    const float keep_below[4] = {0.0f, -1.0f, 0.0f, 0.0f};  // -y + level >= 0
    d->set_clip_plane(0, keep_below);
    d->set_render_state(RS_CLIPPLANEENABLE, 1);
    d->begin_scene();
    ground_->render_tiles_refraction(true);
    d->end_scene();
    d->set_render_state(RS_CLIPPLANEENABLE, 0);
    EXPECT_EQ(d->clip_plane(0)[1], -1.0f);  // the world plane is back
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    // Under the water in the west, top and bottom of the picture alike; nothing east of the
    // waterline (x = 80), where the ground is above the water.
    EXPECT_FALSE(is_black(rgb_of(picture, 20, 10)));
    EXPECT_FALSE(is_black(rgb_of(picture, 20, 110)));
    EXPECT_TRUE(is_black(rgb_of(picture, 100, 60)));
    EXPECT_TRUE(is_black(rgb_of(picture, 88, 30)));
    EXPECT_EQ(compare_with_golden(picture, "refraction_clipped"), "");
}

// The refraction pass lowers the sea bed by the earth's curvature as the land program lowers
// the land, so the bed it shows meets the shore drawn beside it. Far from the scene origin the
// drop is large: straight down on a flat bed 2 m under the water, 80 km south of the origin,
// the bed lies the drop farther from the eye, and with a black sea its colour is fogged by
// exp(-drop x 2.3 / fog end) more than with the curvature option off (the water's own
// clearing goes by the true depth and stays the same).
TEST_F(TerrainGolden, RefractionLowersTheBedByTheCurvatureDrop) {
    const float south = -80000.0f;
    state_.sea_fog = 10.0f;  // the refraction pixel program
    state_.sea_rgb[0] = state_.sea_rgb[1] = state_.sea_rgb[2] = 0;
    app_.fog_end = 2000.0f;
    const auto centre_with = [&](bool curvature) {
        app_.use_curvature = curvature ? 1 : 0;
        ground_ = std::make_unique<terrain>();
        // The same samples under the grid: the scene's origin lies 80 km north of the data's.
        ground_->grid_origin[2] = south;
        state_.origin_offset = {0.0f, 0.0f, -south};
        make_ground([](int, int) { return -2; }, one_class);
        ground_->load_shaders();
        look_down();
        const vec3 eye{k_centre, 100.0f, k_centre + south};
        camera_ = mat_translation(eye.x, eye.y, eye.z);
        ground_->update_lod();
        gfx_device* d = app_.device.get();
        d->set_transform(TS_VIEW, mat_look_at_lh(eye, vec3{eye.x, 0.0f, eye.z}, vec3{0.0f, 0.0f, 1.0f}));
        d->begin_scene();
        ground_->render_tiles_refraction(true);
        d->end_scene();
        return centre_of(d);
    };
    const std::uint32_t flat = centre_with(false);
    const std::uint32_t curved = centre_with(true);
    const double r = 6366707.0;
    const double d2 = static_cast<double>(k_centre) * k_centre +
                      (static_cast<double>(k_centre) + south) * (static_cast<double>(k_centre) + south);
    const double drop = r - std::sqrt(r * r - d2);
    ASSERT_GT(drop, 400.0);
    const double ratio = std::exp(-drop * 2.3 / 2000.0);
    ASSERT_GT(green_of(flat), 60) << std::hex << flat;
    EXPECT_NEAR(green_of(curved), green_of(flat) * ratio, 2.5) << std::hex << flat << " " << curved;
    EXPECT_NEAR(static_cast<int>(curved & 0xFF), static_cast<int>(flat & 0xFF) * ratio, 2.5);
}

namespace {

// The sea at a fixed time, seen from 30 m up looking north and down at 20 degrees: the
// reflection and refraction pictures are plain colours (sky blue, dark green).
class SeaGolden : public TerrainGolden {
protected:
    void look_at_sea() {
        gfx_device* d = app_.device.get();
        app_.set_default_states(true);
        const vec3 eye{0.0f, 30.0f, 0.0f};
        const vec3 at{0.0f, 30.0f - std::tan(0.35f) * 100.0f, 100.0f};
        d->set_transform(TS_VIEW, mat_look_at_lh(eye, at, vec3{0.0f, 1.0f, 0.0f}));
        d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.9f, 4.0f / 3.0f, 1.0f, 20000.0f));
        mat4 inverse;
        mat_inverse(d->transform(TS_VIEW), &inverse);
        camera_ = inverse;
        d->set_render_state(RS_FOGENABLE, 0);
        sun_.type = LIGHT_DIRECTIONAL;
        sun_.direction[0] = 0.3f;
        sun_.direction[1] = -0.5f;
        sun_.direction[2] = -0.8f;
        sun_.diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
        sun_.ambient = {0.2f, 0.2f, 0.2f, 1.0f};
        state_.objects.current_light = &sun_;
        state_.camera_world = &camera_;
        state_.above_water = 1;
        app_.fog_end = 1.0e7f;
        state_.fog_air = state_.max_fog = 1.0e7f;  // the water above fades as the land would
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    }
    texture_ptr reflection_, refraction_;
};

}  // namespace

TEST_F(SeaGolden, WavesWithReflectionAndRefraction) {
    state_.wind_direction = 0.3f;
    state_.wind_speed = 8.0f;
    state_.camera_world = &camera_;
    app_.paused = 1;
    terrain& t = *ground_;
    t.water.wave_height = 1.5f;
    ASSERT_TRUE(t.init_device());
    t.water.wave_time = 12.5f;
    t.water.update();  // paused: the clock stands, the waves are computed
    t.water.waves_shown = 1;
    t.water_in_view = 1;
    ASSERT_EQ(t.water_index(), 7);
    create_filled_texture(app_.device.get(), &state_.objects.reflection_texture, 8, 8, true, 0xFF80B0E0u);
    create_filled_texture(app_.device.get(), &state_.objects.refraction_texture, 8, 8, true, 0xFF104030u);
    look_at_sea();
    gfx_device* d = app_.device.get();
    d->begin_scene();
    t.set_water_shader();
    t.render_water(true);
    t.restore_render_states();
    d->end_scene();
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    // Sky above the horizon stays clear; the water below is lit, bluer than red.
    EXPECT_TRUE(is_black(rgb_of(picture, 80, 2)));
    const std::uint32_t water = rgb_of(picture, 80, 110);
    EXPECT_FALSE(is_black(water));
    EXPECT_GT(water & 0xFF, (water >> 16) & 0xFF) << std::hex << water;
    EXPECT_EQ(compare_with_golden(picture, "sea_variant7"), "");
}

// Under the water, the nearest ground with the dense texture and the additive caustics of
// the current wave frame projected from above.
TEST_F(SeaGolden, CausticsOnTheGroundBelow) {
    make_ground(shore_height, one_class);
    look_down();
    texture_ptr waves;  // a checker of grey and black squares, 8 texels a side
    ASSERT_TRUE(create_filled_texture(app_.device.get(), &waves, 32, 32, false, 0));
    locked_rect rect;
    ASSERT_EQ(waves->lock_rect(0, &rect), S_OK);
    for (int y = 0; y < 32; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(rect.bits) + y * rect.pitch);
        for (int x = 0; x < 32; ++x) row[x] = ((x / 8 + y / 8) % 2) ? 0xFF606060u : 0xFF000000u;
    }
    waves->unlock_rect(0);
    state_.objects.wave_textures[0] = waves.get();
    state_.objects.wave_frame = 0;
    state_.objects.caustics_material.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    state_.objects.caustics_material.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    state_.objects.wave_projection = mat_scaling(0.01f, 0.01f, 0.01f);
    state_.rain = 1;
    state_.sea_fog = 1.0e7f;
    gfx_device* d = app_.device.get();
    d->begin_scene();
    ground_->render_tiles_underwater(false);
    d->end_scene();
    state_.objects.wave_textures[0] = nullptr;
    image picture;
    ASSERT_TRUE(read_back_buffer(d, &picture));
    EXPECT_FALSE(is_black(rgb_of(picture, 20, 60)));  // under the water: drawn
    EXPECT_TRUE(is_black(rgb_of(picture, 140, 60)));  // dry land: not in the below list
    EXPECT_EQ(compare_with_golden(picture, "sea_caustics"), "");
}

// A bay against an 80 m cliff, the waves shown, the land drawn first as in the frame: the
// near patches and far grid cells the land hides are left out, and the picture is the one
// the whole sea gives, pixel for pixel. From just above the water nothing can be shown hidden.
TEST_F(SeaGolden, PatchesUnderTheLandLeftOutWithoutChangingAPixel) {
    make_ground([](int, int c) { return c < 128 ? -20 : 60; }, one_class);  // the shore at x = 3840 m
    state_.wind_direction = 0.3f;
    state_.wind_speed = 8.0f;
    app_.paused = 1;
    terrain& t = *ground_;
    t.water.wave_height = 1.5f;
    ASSERT_TRUE(t.init_device());  // new tile grids: filled again below
    t.update_lod();
    t.water.wave_time = 12.5f;
    t.water.update();
    t.water.waves_shown = 1;
    t.water_in_view = 1;
    create_filled_texture(app_.device.get(), &state_.objects.reflection_texture, 8, 8, true, 0xFF80B0E0u);
    create_filled_texture(app_.device.get(), &state_.objects.refraction_texture, 8, 8, true, 0xFF104030u);
    look_at_sea();
    state_.fog_air = 1.0e8f;
    state_.max_fog = 1.0e8f;
    gfx_device* d = app_.device.get();
    auto draw = [&](const vec3& eye, bool cover, image* picture) {
        d->set_transform(TS_VIEW, mat_look_at_lh(eye, eye + vec3{1000.0f, -250.0f, 300.0f}, vec3{0.0f, 1.0f, 0.0f}));
        mat_inverse(d->transform(TS_VIEW), &camera_);
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d->begin_scene();
        t.render_tiles(true);
        t.set_water_shader();
        if (cover) {
            t.render_water(true);
        } else {
            t.water.render(true);
        }
        t.restore_render_states();
        d->end_scene();
        return read_back_buffer(d, picture);
    };
    const vec3 high{2600.0f, 150.0f, 1000.0f};
    image whole, covered;
    ASSERT_TRUE(draw(high, false, &whole));
    EXPECT_EQ(t.water.hidden_patches, 0);
    ASSERT_TRUE(draw(high, true, &covered));
    EXPECT_GT(t.water.hidden_patches, 50);
    EXPECT_GT(t.water.hidden_cells, 0);  // far grid cells over the land beyond
    int water = 0, land = 0, differing = 0;
    for (int y = 0; y < k_height; ++y) {
        for (int x = 0; x < k_width; ++x) {
            const std::uint32_t c = rgb_of(covered, x, y);
            differing += c != rgb_of(whole, x, y) ? 1 : 0;
            water += (c & 0xFF) > ((c >> 8) & 0xFF) ? 1 : 0;
            land += ((c >> 8) & 0xFF) > 2 * (c & 0xFF) + 40 ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(water, k_width * k_height / 10);  // both the bay and the land beyond are seen
    EXPECT_GT(land, k_width * k_height / 10);

    ASSERT_TRUE(draw(vec3{2600.0f, 8.0f, 1000.0f}, true, &covered));
    EXPECT_EQ(t.water.hidden_patches, 0);
}

namespace {

// A bay deepening to the west with islands in it: water over many tiles, land through it.
int bay_height(int r, int c) {
    return (c - 150) / 2 + static_cast<int>(30.0 * std::sin(r / 9.0) * std::sin(c / 7.0));
}

// A bump map of gentle waves, 32 texels long across and 16 along, with its mip levels (as the
// water's own is loaded): water whose pattern was moved on a tile would show it.
texture_ptr wavy_bump(gfx_device* d) {
    constexpr int k_side = 64;
    constexpr int k_levels = 7;
    constexpr double k_two_pi = 6.283185307179586;
    texture_ptr t;
    if (d->create_texture(k_side, k_side, k_levels, 0, FMT_V8U8, POOL_MANAGED, &t) != S_OK) return t;
    for (int level = 0; level < k_levels; ++level) {
        const int n = 1 << level;  // texels of the first level a texel of this one covers
        locked_rect rect;
        if (t->lock_rect(level, &rect) != S_OK) return nullptr;
        for (int y = 0; y < k_side / n; ++y) {
            auto* row = static_cast<std::int8_t*>(rect.bits) + y * rect.pitch;
            for (int x = 0; x < k_side / n; ++x) {
                double u = 0.0, v = 0.0;
                for (int j = 0; j < n; ++j) {
                    for (int i = 0; i < n; ++i) {
                        u += 100.0 * std::sin(k_two_pi * (x * n + i) / 32.0);
                        v += 100.0 * std::cos(k_two_pi * (y * n + j) / 16.0);
                    }
                }
                row[2 * x] = static_cast<std::int8_t>(std::lround(u / (n * n)));
                row[2 * x + 1] = static_cast<std::int8_t>(std::lround(v / (n * n)));
            }
        }
        t->unlock_rect(level);
    }
    return t;
}

struct picture_difference {
    int pixels = 0;  // pixels differing in some channel
    int largest = 0; // the largest difference of a channel
    // Pixels differing by more than a level that are not on the rim of what was drawn (a
    // pixel whose coverage flips at a cut or a silhouette shows as all or nothing).
    int large_inside = 0;
};

bool on_rim(const image& picture, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = std::clamp(x + dx, 0, k_width - 1), py = std::clamp(y + dy, 0, k_height - 1);
            if (is_black(rgb_of(picture, px, py))) return true;
        }
    }
    return false;
}

picture_difference compare_pictures(const image& a, const image& b) {
    picture_difference d;
    for (int y = 0; y < k_height; ++y) {
        for (int x = 0; x < k_width; ++x) {
            const std::uint32_t p = rgb_of(a, x, y), q = rgb_of(b, x, y);
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const int pc = static_cast<int>((p >> shift) & 0xFF), qc = static_cast<int>((q >> shift) & 0xFF);
                worst = std::max(worst, std::abs(pc - qc));
            }
            d.pixels += worst > 0 ? 1 : 0;
            d.largest = std::max(d.largest, worst);
            d.large_inside += worst > 1 && !on_rim(a, x, y) && !on_rim(b, x, y) ? 1 : 0;
        }
    }
    return d;
}

}  // namespace

// The water over the tiles and the land under it in the refraction pass are drawn with the
// tiles in view gathered into one draw. Over a bay that spans many tiles, seen at a slant,
// the pictures are those of the tiles drawn one at a time: at most 0.1 % of the pixels
// differ, by at most 1 level in a channel; only a pixel on the rim of the drawn land, where
// the cut at the water passes through it, may flip wholly. The water's wavy bump shows: a
// pattern moved on any tile would not pass. Cases: the plain water program, the one with the
// reflection and refraction pictures, the water seen from under it (near tiles only, culled
// the other way round), and the refraction pass with its pixel program and without it.
TEST_F(TerrainGolden, GatheredTilesDrawTheSamePicturesAsTileByTile) {
    make_ground(bay_height, one_class);
    ground_->load_shaders();
    terrain& t = *ground_;
    t.water.waves_shown = 0;
    t.water_texture = wavy_bump(app_.device.get());
    t.wave_scale = 0.7f;  // a tile (960 m) is not a whole number of bump repeats (44.8 m)
    ASSERT_TRUE(t.water_texture);
    gfx_device* d = app_.device.get();
    ASSERT_TRUE(create_filled_texture(d, &state_.objects.reflection_texture, 8, 8, true, 0xFF80B0E0u));
    ASSERT_TRUE(create_filled_texture(d, &state_.objects.refraction_texture, 8, 8, true, 0xFF104030u));
    const int sea[3] = {20, 60, 90};
    std::copy(sea, sea + 3, state_.sea_rgb);
    app_.fog_color = 0xFFE0E8F0u;
    app_.use_shaders = 1;
    look_down();
    const auto view_from = [&](const vec3& eye, const vec3& at) {
        d->set_transform(TS_VIEW, mat_look_at_lh(eye, at, vec3{0.0f, 1.0f, 0.0f}));
        d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.9f, 4.0f / 3.0f, 1.0f, 20000.0f));
        mat_inverse(d->transform(TS_VIEW), &camera_);
    };
    enum class scene_part { water_above, water_in_view, water_below, refraction, refraction_fogged };
    const auto draw = [&](scene_part part, bool one_by_one, image* picture) {
        t.one_draw_per_tile = one_by_one;
        const bool below = part == scene_part::water_below;
        state_.above_water = below ? 0 : 1;
        t.water_in_view = part == scene_part::water_in_view ? 1 : 0;
        if (below) {
            view_from(vec3{1500.0f, -15.0f, 1500.0f}, vec3{1900.0f, 60.0f, 2300.0f});
        } else {
            view_from(vec3{1200.0f, 500.0f, -400.0f}, vec3{1900.0f, 0.0f, 2600.0f});
        }
        d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d->begin_scene();
        if (part == scene_part::refraction || part == scene_part::refraction_fogged) {
            state_.sea_fog = part == scene_part::refraction ? 10.0f : 1000.0f;
            const float keep_below[4] = {0.0f, -1.0f, 0.0f, 0.0f};
            d->set_clip_plane(0, keep_below);
            d->set_render_state(RS_CLIPPLANEENABLE, 1);
            t.render_tiles_refraction(true);
            d->set_render_state(RS_CLIPPLANEENABLE, 0);
        } else {
            if (!below) t.render_tiles(true);
            t.set_water_shader();
            t.render_water(!below);
            t.restore_render_states();
        }
        d->end_scene();
        return read_back_buffer(d, picture);
    };
    for (scene_part part : {scene_part::water_above, scene_part::water_in_view, scene_part::water_below,
                            scene_part::refraction, scene_part::refraction_fogged}) {
        const int n = static_cast<int>(part);
        image by_tile, gathered;
        ASSERT_TRUE(draw(part, true, &by_tile)) << n;
        ASSERT_TRUE(draw(part, false, &gathered)) << n;
        int drawn = 0;
        for (int y = 0; y < k_height; ++y) {
            for (int x = 0; x < k_width; ++x) drawn += is_black(rgb_of(gathered, x, y)) ? 0 : 1;
        }
        EXPECT_GT(drawn, k_width * k_height / 4) << n;
        const picture_difference diff = compare_pictures(by_tile, gathered);
        EXPECT_LE(diff.pixels, k_width * k_height / 1000) << n;
        EXPECT_EQ(diff.large_inside, 0) << n << ": largest difference " << diff.largest;
        // The refraction pass places both ways by the same sums: not a pixel differs, not
        // even where the cut at the water meets ground lying almost at the water's level.
        const bool refraction = part == scene_part::refraction || part == scene_part::refraction_fogged;
        if (refraction) EXPECT_EQ(diff.pixels, 0) << n;
    }
    state_.objects.reflection_texture.reset();
    state_.objects.refraction_texture.reset();
}
