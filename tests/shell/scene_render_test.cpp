// The scene's frame and passes on the recording device: the order in which each kind of
// frame draws its parts, which frames show the GUI and present, and what the off-screen
// passes and the snapshot draw into.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/gui_services.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "platform/messages.h"
#include "platform/recording_device.h"
#include "shell/scene.h"
#include "simulation/rocket.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string>* g_log = nullptr;

void note(const std::string& s) {
    if (g_log != nullptr) g_log->push_back(s);
}

// A GUI that notes when it is drawn and whether its display is on.
class noting_gui : public gui_services {
public:
    bool display = true;
    void render() override { note(display ? "gui" : "gui hidden"); }
    void set_display(bool on) override { display = on; }
};

// A scene whose world drawing notes its steps: the roots with their render pass number and
// show-all flag, and the device target while they draw.
class drawing_scene : public scene {
public:
    gfx_surface* root_target = nullptr;
    std::uint32_t root_depth_format = 0;  // 0: no depth buffer
    int root_shadow_pass = -1;
    float root_objects_limit = 0.0f;
    std::uint32_t root_clip_planes = 0;

    using scene::ground_step;

protected:
    void draw_sky(bool full) override { note(full ? "sky" : "sky plain"); }
    void draw_sky_behind(bool full) override {
        std::string s = full ? "sky behind" : "sky plain behind";
        if (g_app->device->render_state(RS_CLIPPLANEENABLE)) s += " clipped";
        note(s);
    }
    void draw_clouds() override { note("clouds"); }
    void draw_sun_mesh() override { note("sun mesh"); }
    void draw_globe_shell() override { note("globe shell"); }
    void draw_globe() override { note("globe"); }
    void draw_rain() override { note("rain"); }
    void draw_wave_patches() override { note("wave patches"); }
    void draw_ground(ground_step step, bool full) override {
        static const char* names[] = {"tiles", "tiles underwater", "tiles refraction", "tiles plain",
                                      "water shader", "water", "restore"};
        std::string s = names[static_cast<int>(step)];
        if (step == ground_step::tiles_plain || step == ground_step::tiles_underwater) {
            s += g_app->device->render_state(RS_CLIPPLANEENABLE) ? " clipped" : "";
        }
        note(s);
        (void)full;
    }
    void render_root(frame* root) override {
        std::string name = root == anchors ? "anchors" : root == objects ? "objects" : "transps";
        if (g_state->render_pass != 0) name += " pass " + std::to_string(g_state->render_pass);
        if (g_app->show_all) name += " all";
        if (g_app->shadow_pass == 2) name += " shadowed";
        note(name);
        root_target = g_app->device->render_target();
        gfx_surface* depth = g_app->device->depth_stencil_surface();
        root_depth_format = depth != nullptr ? depth->format() : 0;
        root_shadow_pass = g_app->shadow_pass;
        root_objects_limit = g_state->max_objects_dist;
        root_clip_planes = g_app->device->render_state(RS_CLIPPLANEENABLE);
    }
};

class SceneRender : public ::testing::Test {
protected:
    void SetUp() override {
        g_log = &log;
        app.d3d = std::make_unique<null_gfx_system>();
        app.window_width = 800;
        app.window_height = 600;
        app.windowed = 1;
        g_app = &app;
        g_state = &state;
        install_gui_services(&gui);
        ASSERT_TRUE(app.create_device());
        state.create_render_targets();
        device = static_cast<recording_device*>(app.device.get());
        world = std::make_unique<drawing_scene>();
        world->make_roots(false);
        app.near_view = 1;
        state.above_water = 1;
        clear_app_messages();
    }
    void TearDown() override {
        world.reset();
        state.release();
        app.release_device();
        install_gui_services(nullptr);
        install_scene_services(nullptr);
        shading() = model_shading{};
        g_state = nullptr;
        g_app = nullptr;
        g_log = nullptr;
        clear_app_messages();
    }
    // The frame's notes, with the device's clears and presents counted around them.
    std::vector<std::string> frame() {
        log.clear();
        world->render_frame();
        return log;
    }

    temp_folder tmp;
    std::vector<std::string> log;
    d3d_app app;
    app_state state;
    noting_gui gui;
    recording_device* device = nullptr;
    std::unique_ptr<drawing_scene> world;
};

using steps = std::vector<std::string>;

}  // namespace

TEST_F(SceneRender, AMenuFrameClearsToBlackDrawsTheGuiAndPresents) {
    app.menu_mode = 1;
    EXPECT_EQ(frame(), steps({"gui"}));
    EXPECT_EQ(device->clear_count, 1);
    EXPECT_EQ(device->last_clear_color, 0xFF000000u);
    EXPECT_EQ(device->present_count, 1);
    EXPECT_TRUE(device->draws().empty());
}

TEST_F(SceneRender, TheResetFrameDrawsNothingAndAFailedResetEndsTheProgram) {
    app.reset_requested = 1;
    EXPECT_TRUE(frame().empty());
    EXPECT_EQ(device->reset_count, 1);
    EXPECT_EQ(device->clear_count, 0);
    EXPECT_EQ(device->present_count, 0);
    EXPECT_EQ(app.reset_requested, 0);
    app_message m;
    EXPECT_FALSE(take_app_message(&m));

    // The next frame draws again.
    EXPECT_FALSE(frame().empty());
    EXPECT_EQ(device->present_count, 1);

    device->reset_result = E_FAIL;
    app.reset_requested = 1;
    EXPECT_TRUE(frame().empty());
    ASSERT_TRUE(take_app_message(&m));
    EXPECT_EQ(m.code, static_cast<std::uint32_t>(WM_QUIT));
}

TEST_F(SceneRender, AboveTheWaterTheRootsDrawInTwoPassesAroundTheClouds) {
    // The sky fills what the opaque land and the sea with its waves left.
    ASSERT_EQ(world->ground.water.waves_shown, 1);
    EXPECT_EQ(frame(), steps({"tiles", "water shader", "water", "restore", "sky behind", "anchors",
                              "objects pass 1 all", "transps pass 1 all", "clouds", "transps pass 2 all",
                              "objects pass 2 all", "gui"}));
    // The water over the tiles blends: it goes over the sky.
    world->ground.water.waves_shown = 0;
    const steps calm = frame();
    ASSERT_GE(calm.size(), 6u);
    EXPECT_EQ(steps(calm.begin(), calm.begin() + 6),
              steps({"tiles", "sky behind", "water shader", "water", "restore", "anchors"}));
    world->ground.water.waves_shown = 1;
    EXPECT_EQ(state.render_pass, 0);
    EXPECT_EQ(app.show_all, 0);
    EXPECT_EQ(device->present_count, 2);  // one a frame
    // Cleared to the frame's clear colour.
    EXPECT_EQ(device->last_clear_color, state.objects.clear_colour);
}

TEST_F(SceneRender, TheNearSceneryReceivesShadowsOnlyWhileTheShadowPassRuns) {
    world->ground.shadow = 1;
    const steps drawn = frame();
    ASSERT_GE(drawn.size(), 7u);
    EXPECT_EQ(drawn[5], "anchors shadowed");
    EXPECT_EQ(drawn[6], "objects pass 1 all");
    EXPECT_EQ(app.shadow_pass, 0);
    world->ground.shadow = 0;
    EXPECT_EQ(frame()[5], "anchors");
}

TEST_F(SceneRender, BelowTheWaterTheRootsDrawOnceThenRainPatchesAndSun) {
    state.above_water = 0;
    EXPECT_EQ(frame(), steps({"tiles underwater", "water shader", "water", "restore", "anchors", "objects",
                              "transps", "rain", "wave patches", "sun mesh", "gui"}));
    // Water fog: mode 0 and the sea fog distance.
    EXPECT_EQ(state.objects.fog_mode, 0);
    EXPECT_FLOAT_EQ(app.fog_end, state.sea_fog);
}

TEST_F(SceneRender, TheGlobeViewDrawsShellSkyGlobeAndTheFlyingObjects) {
    app.near_view = 0;
    EXPECT_EQ(frame(), steps({"globe shell", "sky", "globe", "transps", "gui"}));
}

TEST_F(SceneRender, TheNightVisionFrameShowsTheScreenTextureOnAFullScreenQuad) {
    app.night_vision = 1;
    EXPECT_EQ(frame(), steps({"gui"}));
    ASSERT_EQ(device->draws().size(), 1u);
    const draw_record& d = device->draws()[0];
    EXPECT_EQ(d.type, static_cast<std::uint32_t>(PT_TRIANGLESTRIP));
    EXPECT_EQ(d.primitive_count, 2);
    EXPECT_EQ(d.textures[0], state.objects.screen_texture.get());
    EXPECT_EQ(d.state.render[RS_CULLMODE], static_cast<std::uint32_t>(CULL_NONE));
    EXPECT_EQ(d.state.render[RS_ZENABLE], 0u);
    // The normal states come back afterwards.
    EXPECT_EQ(device->render_state(RS_ZENABLE), 1u);
    EXPECT_EQ(device->render_state(RS_CULLMODE), static_cast<std::uint32_t>(app.front_cull));
    EXPECT_EQ(device->present_count, 1);
}

TEST_F(SceneRender, TheNightVisionPassDrawsAWholeSceneIntoTheScreenTextureWithoutGuiOrPresent) {
    app.night_vision = 1;
    log.clear();
    world->render_night_vision_pass();
    EXPECT_EQ(log, steps({"tiles", "water shader", "water", "restore", "sky behind", "anchors", "objects pass 1 all",
                          "transps pass 1 all", "clouds", "transps pass 2 all", "objects pass 2 all"}));
    EXPECT_EQ(device->present_count, 0);
    EXPECT_EQ(world->root_target, state.objects.screen_texture->surface_level(0));
    // Everything is as it was: the flag, the GUI display, the sun and the back buffer.
    EXPECT_EQ(app.night_vision, 1);
    EXPECT_TRUE(gui.display);
    EXPECT_EQ(state.objects.current_light, nullptr);
    EXPECT_EQ(device->render_target(), device->back_buffer());
    EXPECT_TRUE(device->enabled_lights().empty());
}

TEST_F(SceneRender, ASnapshotHoldsTheViewWithoutTheGuiOrAPresentAndHasADepthStencilBuffer) {
    texture_ptr slot;
    device->create_texture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &slot);
    log.clear();
    world->render_snapshot(&slot, 320, 240, false);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->surface_level(0)->width(), 320);
    EXPECT_EQ(slot->surface_level(0)->height(), 240);
    EXPECT_EQ(slot->format(), static_cast<std::uint32_t>(FMT_X8R8G8B8));
    EXPECT_EQ(log.size(), 11u);
    EXPECT_EQ(std::count(log.begin(), log.end(), "gui"), 0);
    EXPECT_EQ(device->present_count, 0);
    EXPECT_EQ(world->root_target, slot->surface_level(0));
    EXPECT_EQ(world->root_depth_format, static_cast<std::uint32_t>(FMT_D24S8));
    EXPECT_EQ(device->render_target(), device->back_buffer());
    EXPECT_TRUE(gui.display);

    world->render_snapshot(&slot, 64, 64, true);
    EXPECT_EQ(slot->format(), static_cast<std::uint32_t>(FMT_A8R8G8B8));
    // A normal frame afterwards presents once.
    frame();
    EXPECT_EQ(device->present_count, 1);
}

TEST_F(SceneRender, ASnapshotThatCannotBeMadeLeavesTheSlotEmpty) {
    texture_ptr slot;
    device->create_texture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &slot);
    device->create_result = E_OUTOFMEMORY;
    world->render_snapshot(&slot, 320, 240, true);
    EXPECT_EQ(slot, nullptr);
    EXPECT_NE(std::string(app.log_text()).find("scene line"), std::string::npos);
    world->render_snapshot(&slot, 0, 240, true);
    EXPECT_EQ(slot, nullptr);
}

TEST_F(SceneRender, TheReflectionPassMirrorsAboveTheClipPlaneAndDrawsObjectsWithin1000m) {
    state.water_level = 10.0f;
    state.origin_offset = {0.0f, 4.0f, 0.0f};
    world->render_reflection_pass();
    EXPECT_EQ(log, steps({"tiles plain clipped", "sky plain behind", "anchors", "objects", "transps"}));
    EXPECT_EQ(world->root_target, state.objects.reflection_texture->surface_level(0));
    EXPECT_FLOAT_EQ(world->root_objects_limit, 1000.0f);
    EXPECT_EQ(world->root_clip_planes, 1u);
    const float* p = device->clip_plane(0);
    EXPECT_FLOAT_EQ(p[1], 1.0f);
    EXPECT_FLOAT_EQ(p[3], -6.0f);
    EXPECT_EQ(device->render_state(RS_CLIPPLANEENABLE), 0u);
    EXPECT_FLOAT_EQ(state.max_objects_dist, 10000.0f);
    EXPECT_EQ(device->render_target(), device->back_buffer());

    // Without [use_objects_in_ref] the roots stay out; below the water the plane turns over.
    log.clear();
    world->ground.use_objects_in_ref = 0;
    state.above_water = 0;
    world->render_reflection_pass();
    EXPECT_EQ(log, steps({"tiles underwater clipped"}));
    EXPECT_FLOAT_EQ(device->clip_plane(0)[1], -1.0f);
    EXPECT_FLOAT_EQ(device->clip_plane(0)[3], 6.0f);
}

TEST_F(SceneRender, TheRefractionPassDrawsTheLandUnderTheWaterWithTheWaterViewFlag) {
    world->render_refraction_pass();
    EXPECT_EQ(log, steps({"tiles refraction", "anchors", "objects", "transps"}));
    EXPECT_EQ(world->root_target, state.objects.refraction_texture->surface_level(0));
    EXPECT_EQ(state.water_view, 0);
}

TEST_F(SceneRender, AMissingOrRefusedTargetSkipsThePassWithALogLine) {
    state.objects.reflection_texture.reset();
    world->render_reflection_pass();
    EXPECT_TRUE(log.empty());
    // A texture of another size than the helper's is refused at the beginning.
    device->create_texture(16, 16, 1, USAGE_RENDERTARGET, FMT_A8R8G8B8, POOL_DEFAULT,
                           &state.objects.refraction_texture);
    world->render_refraction_pass();
    EXPECT_TRUE(log.empty());
    EXPECT_NE(std::string(app.log_text()).find("scene line"), std::string::npos);
    EXPECT_EQ(device->render_target(), device->back_buffer());
}

TEST_F(SceneRender, TheShadowPassWritesGroundDepthThenTheRootsInShadowCode1) {
    world->viewer.world = mat_translation(0.0f, 50.0f, 0.0f);
    world->render_shadow_pass();
    EXPECT_EQ(log, steps({"tiles plain", "objects", "anchors", "transps"}));
    EXPECT_EQ(world->root_shadow_pass, 1);
    EXPECT_EQ(app.shadow_pass, 0);
    EXPECT_EQ(world->root_target, state.objects.shadow_texture->surface_level(0));
}

TEST_F(SceneRender, TheOverheadPassClearsItsTextureStoresTheViewAndDrawsNothing) {
    world->viewer.world = mat_translation(10.0f, 50.0f, 20.0f);
    state.origin_offset = {1000.0f, 0.0f, 2000.0f};
    const int clears = device->clear_count;
    world->render_overhead_pass();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(device->draws().empty());
    EXPECT_EQ(device->clear_count, clears + 1);
    // The stored square is in world coordinates (its size is checked in pass_setup_test).
    EXPECT_FLOAT_EQ(state.objects.overhead[0], 1010.0f);
}

// One tile of 200 m with water under it, its square from (x, z); the camera 50 m up at the
// origin looks north along +z.
void put_water_tile(scene& world, gfx_device* device, float x, float z, int water_indices) {
    terrain& ground = world.ground;
    ground.elevations.assign(1, 0);
    ground.water.waves_shown = 0;
    ground.near_tiles.resize(1);
    terrain_tile& tile = ground.near_tiles[0];
    tile.samples = 2;
    tile.base_step = 1;
    tile.quads = 2;
    tile.quad_size = 100.0f;
    tile.x = x;
    tile.z = z;
    tile.index_count_below = water_indices;
    ASSERT_TRUE(tile.create_buffers(device));
    world.viewer.set_position(0.0f, 50.0f, 0.0f);
    world.viewer.update_matrices();
}

// What the reflection, refraction and overhead passes draw over a water tile.
const steps k_water_pass_steps = {"tiles plain clipped", "sky plain behind", "anchors", "objects", "transps",
                                  "tiles refraction", "anchors", "objects", "transps"};

// The three water passes, as the terrain's update runs them; the notes they made.
steps draw_water_passes(scene& world, std::vector<std::string>& log) {
    log.clear();
    world.render_reflection_pass();
    world.render_refraction_pass();
    world.render_overhead_pass();
    return log;
}

TEST_F(SceneRender, TheWaterPassesRunOnlyWhileWaterIsInViewAndCatchUpWhenTheViewTurnsToIt) {
    const steps& water_passes = k_water_pass_steps;
    const auto run_water_passes = [&] { return draw_water_passes(*world, log); };
    // Water 900 m ahead: the passes run, the overhead one clearing its texture.
    put_water_tile(*world, device, -100.0f, 900.0f, 6);
    EXPECT_TRUE(world->water_shown());
    int clears = device->clear_count;
    EXPECT_EQ(run_water_passes(), water_passes);
    EXPECT_EQ(device->clear_count, clears + 3);

    // The same tile behind the camera, or ahead without water under it: nothing is drawn
    // into the targets, and the frame shows the land without catching up.
    for (const auto& [z, indices] : {std::pair{-1100.0f, 6}, std::pair{900.0f, 0}}) {
        world->ground.near_tiles[0].z = z;
        world->ground.near_tiles[0].index_count_below = indices;
        EXPECT_FALSE(world->water_shown());
        clears = device->clear_count;
        EXPECT_TRUE(run_water_passes().empty());
        EXPECT_EQ(device->clear_count, clears);
        EXPECT_EQ(frame().front(), "tiles");
        EXPECT_EQ(device->render_target(), device->back_buffer());
    }

    // Left out while the water was behind, then the view turned to it before the frame: the
    // frame draws the passes first, once.
    world->ground.near_tiles[0].z = -1100.0f;
    world->ground.near_tiles[0].index_count_below = 6;
    run_water_passes();
    world->ground.near_tiles[0].z = 900.0f;
    std::vector<std::string> drawn = frame();
    ASSERT_GE(drawn.size(), water_passes.size());
    EXPECT_EQ(steps(drawn.begin(), drawn.begin() + static_cast<std::ptrdiff_t>(water_passes.size())), water_passes);
    EXPECT_EQ(drawn[water_passes.size()], "tiles");
    EXPECT_EQ(frame().front(), "tiles");

    // Under the water, or over the sea's waves, the passes always run.
    world->ground.near_tiles[0].z = -1100.0f;
    world->ground.water.waves_shown = 1;
    EXPECT_EQ(run_water_passes(), water_passes);
    world->ground.water.waves_shown = 0;
    state.above_water = 0;
    EXPECT_FALSE(run_water_passes().empty());
    // The scene's shutdown lays the grid out again over elevations of its own.
    world->ground.near_tiles.clear();
    world->ground.elevations.clear();
}

TEST_F(SceneRender, WaterTheLandHidesLeavesThePassesOutUntilAFrameShowsItThenThatFrameIsRedrawn) {
    const steps& water_passes = k_water_pass_steps;
    const auto run_water_passes = [&] { return draw_water_passes(*world, log); };
    const auto count_of = [](const std::vector<std::string>& drawn, const std::string& step) {
        return std::count(drawn.begin(), drawn.end(), step);
    };
    put_water_tile(*world, device, -100.0f, 900.0f, 6);
    ASSERT_TRUE(world->water_shown());
    // The water of a frame shows pixels: the next frame's passes run.
    device->samples_to_report = 40;
    frame();
    EXPECT_EQ(run_water_passes(), water_passes);

    // A frame whose water lets no pixel through: the passes are left out while it stays
    // hidden, and the frames draw once each.
    device->samples_to_report = 0;
    frame();
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(run_water_passes().empty());
        const std::vector<std::string> drawn = frame();
        EXPECT_EQ(drawn.front(), "tiles");
        EXPECT_EQ(count_of(drawn, "water"), 1);
        EXPECT_EQ(count_of(drawn, "gui"), 1);
    }

    // The view turns so that the water shows: the frame drawn with the left-out passes finds
    // it, draws the passes and itself again before the GUI and the one present.
    EXPECT_TRUE(run_water_passes().empty());
    device->samples_to_report = 3;
    const int presents = device->present_count;
    const std::vector<std::string> drawn = frame();
    EXPECT_EQ(count_of(drawn, "water"), 2);
    EXPECT_EQ(count_of(drawn, "tiles refraction"), 1);
    EXPECT_EQ(count_of(drawn, "gui"), 1);
    EXPECT_EQ(drawn.back(), "gui");
    EXPECT_EQ(device->present_count, presents + 1);
    const auto refraction = std::find(drawn.begin(), drawn.end(), "tiles refraction");
    const auto second_water = std::find(std::find(drawn.begin(), drawn.end(), "water") + 1, drawn.end(), "water");
    EXPECT_LT(refraction, second_water);
    // And from then on the passes run before the frame as usual.
    EXPECT_EQ(run_water_passes(), water_passes);

    // A device that cannot count takes the water as seen.
    device->samples_to_report = -1;
    frame();
    EXPECT_EQ(run_water_passes(), water_passes);
    // The menu forgets a hidden water: the first frame after it runs the passes.
    device->samples_to_report = 0;
    frame();
    app.menu_mode = 1;
    frame();
    app.menu_mode = 0;
    EXPECT_EQ(run_water_passes(), water_passes);
    world->ground.near_tiles.clear();
    world->ground.elevations.clear();
}

TEST_F(SceneRender, OnlyFlyingRocketsAndLiveMissilesAreLabelled) {
    rocket flying, destroyed;
    destroyed.destroyed = 1;
    flying.set_position(1.0f, 2.0f, 3.0f);
    flying.update_matrices();
    world->tables.targets[0] = &destroyed;
    world->tables.targets[1] = &flying;
    world->tables.target_count = 2;
    object_label labels[8];
    const int n = world->proxie.collect_labels(labels, 8);
    ASSERT_EQ(n, 1);
    EXPECT_STREQ(labels[0].text, "Rocket");
    EXPECT_EQ(labels[0].colour, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(labels[0].position.z, 3.0f);
    EXPECT_EQ(world->proxie.collect_labels(labels, 0), 0);
    world->tables.target_count = 0;
    world->tables.targets[0] = world->tables.targets[1] = nullptr;
}
