// Scenery objects made of effects: every kind built from its line of an object list with its
// numbers, a runway's and a road's lights in light arrays, and the lines and numbers that are
// refused or bounded with a log line; "fixed" groups and "surface" models on the ground.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/hierarchy.h"
#include "core/mesh.h"
#include "core/visual.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "tests/world/effects_fixture.h"
#include "world/array_sp.h"
#include "world/blinker.h"
#include "world/decal.h"
#include "world/floater.h"
#include "world/smoke.h"

namespace {

class SceneryEffectObjects : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        copy_text(state_->scenery_name, "Test");
        world_.ground = 5.0f;
        world_.sea = 0.0f;
        world = std::make_unique<scene>();
        world->make_roots(true);
        ASSERT_TRUE(create_frame(world->anchors, &anchor, "anchor"));
    }
    void TearDown() override {
        world.reset();
        EffectsTest::TearDown();
    }
    std::vector<int> child_types() const {
        std::vector<int> t;
        for (int i = 0; i < anchor->child_count(); ++i) t.push_back(anchor->child(i)->type);
        return t;
    }
    template <typename T>
    T* at(int i) const { return static_cast<T*>(anchor->child(i)); }
    using colour3 = std::array<float, 3>;
    static colour3 rgb(const gfx_material& m) { return {m.diffuse.r, m.diffuse.g, m.diffuse.b}; }

    std::unique_ptr<scene> world;
    frame* anchor = nullptr;
};

}  // namespace

TEST_F(SceneryEffectObjects, EveryKindIsBuiltFromItsListLineWithItsNumbers) {
    for (const char* f : {"tree_array.dds", "hedge_line_fixed_array.dds", "flat_array.dds", "sign_fixed_decal.dds",
                          "boat_float.x"}) {
        folder_.write(std::string("scenery/Test/") + f, "-");
    }
    folder_.write("scenery/Test/lamp.def", "2\n0.5 1\n1.0 0\n0\n0\n");
    folder_.write("scenery/Test/buoy.def", "2 1 1 4 0\n0\n1 float_hull 0 0 0 1 0.6 1 0 2 0 1 1 0\n");
    // Name (one word), east, north, k0..k4; the last line lacks its numbers.
    folder_.write("scenery/Test/objects.txt",
                  "[Fire]\t0\t0\t2\t4\t0\t0\t0\n"
                  "[Smoke]\t0\t0\t0\t3\t90\t80\t70\n"
                  "[Path_Strobe]\t0\t0\t0\t0\t10\t100\t1.5\n"
                  "[LightArray]\t0\t0\t40\t70000\t255\t204\t0\n"
                  "[Blink]\t0\t0\t6\t2.5\t255\t0\t0\n"
                  "[Decal_Green]\t0\t0\t1\t3\t0\t0\t0\n"
                  "tree_array.dds\t0\t0\t0\t20\t3\t6\t50\n"
                  "hedge_line_fixed_array.dds\t0\t0\t0\t0\t5\t50\t2\n"
                  "flat_array.dds\t0\t0\t0\t10\t3\t0\t50\n"
                  "sign_fixed_decal.dds\t0\t0\t0\t0\t4\t2\t1\n"
                  "lamp.def\t0\t0\t0\t0\t2\t2\t2\n"
                  "buoy.def\t0\t0\t0\t0\t1\t1\t1\n"
                  "boat_float.x\t0\t0\t0\t0.5\t1\t0.8\t1\n"
                  "[Fire]\t0\t0\t1\n");
    ASSERT_TRUE(world->read_object_list("objects.txt", false));
    for (const object_placement& p : world->objects_table.placements) world->build_object(anchor, p.entry, 0, 0);
    ASSERT_EQ(child_types(), (std::vector<int>{FRAME_SMOKE, FRAME_SMOKE, FRAME_ARRAY_SP, FRAME_ARRAY_SP, FRAME_DECAL,
                                               FRAME_DECAL, FRAME_ARRAY_SP, FRAME_ARRAY_SP, FRAME_ARRAY_SP,
                                               FRAME_DECAL, FRAME_BLINKER, FRAME_BLINKER, FRAME_FLOATER}));

    // Columns: puffs of the size rising at 5 x it, one every 0.1 x size seconds, 2 m up.
    const smoke* fire = at<smoke>(0);
    EXPECT_TRUE(fire->fire);
    EXPECT_EQ(fire->drift.y, 20.0f);
    EXPECT_FLOAT_EQ(fire->interval, 0.4f);
    EXPECT_EQ(fire->local_position().y, 7.0f);
    EXPECT_FALSE(at<smoke>(1)->fire);
    EXPECT_EQ(at<smoke>(1)->colour[2], 70);
    // 100 m with lamps 10 m apart: 100 / 2 / 10 = 5 lamps along east, the array at their
    // middle; white, flashing in turn, lit at night only.
    const array_sp* path = at<array_sp>(2);
    ASSERT_EQ(path->item_count, 5);
    EXPECT_TRUE(path->lights && path->strobe && path->night_only);
    EXPECT_EQ(rgb(path->material), (colour3{1, 1, 1}));
    EXPECT_NEAR(path->local_position().x, 50.0f, 1e-3f);
    // A field of lamps spread 40 m, its count cut to what an array holds.
    EXPECT_EQ(at<array_sp>(3)->item_count, array_sp::k_max_items);
    EXPECT_EQ(rgb(at<array_sp>(3)->material), (colour3{1, 0.8f, 0}));
    const decal* blink = at<decal>(4);
    EXPECT_TRUE(blink->blinking && blink->light && !blink->sway);
    EXPECT_EQ(rgb(blink->material), (colour3{1, 0, 0}));
    EXPECT_FALSE(at<decal>(5)->blinking);
    EXPECT_EQ(rgb(at<decal>(5)->material), (colour3{0, 1, 0}));
    // Items textured by their name: 20 trees 3 x 6 m within 50 m; a fixed hedge of 5 along a
    // 50 m line; no array of flat items; a fixed sign.
    const array_sp* trees = at<array_sp>(6);
    EXPECT_EQ(trees->item_count, 20);
    EXPECT_TRUE(trees->item_width == 3.0f && trees->item_height == 6.0f && trees->scatter_radius == 50.0f);
    EXPECT_EQ(at<array_sp>(7)->item_count, 5);
    EXPECT_FALSE(at<array_sp>(7)->sway);
    EXPECT_EQ(at<array_sp>(8)->item_count, 0);
    EXPECT_TRUE(at<decal>(9)->width == 4.0f && at<decal>(9)->height == 2.0f);
    // Light definitions and a floating model settling 0.8 m deep, drawn without depth writes.
    EXPECT_EQ(at<blinker>(10)->step_end_times[0], 0.5f);
    EXPECT_TRUE(at<blinker>(11)->floating);
    EXPECT_FLOAT_EQ(at<floater>(12)->immersion, 0.8f);
    EXPECT_TRUE(static_cast<const mesh*>(at<floater>(12)->child(0))->no_depth_write);

    for (const char* line : {"scenery\\Test\\objects.txt: 1 lines that did not fit were left out",
                             "Scenery Test, object [LightArray]: item count 70000 was bounded to 65536",
                             "Scatter array scenery\\test\\flat_array.dds: item height 0 is not positive"}) {
        EXPECT_NE(log().find(line), std::string::npos) << log();
    }
    // Over water a floating light stands on the sea, not on the sea floor.
    world_.ground = -20.0f;
    world->build_object(anchor, world->objects_table.placements[11].entry, 0, 0);
    EXPECT_EQ(anchor->child(13)->local_position().y, 0.0f);
}

TEST_F(SceneryEffectObjects, RunwayAndRoadLightsStandInLightArraysFixedGroupsStayAndSurfacesLieOnTheGround) {
    object_entry e[4];
    const char* names[4] = {"runway_a.dds", "road_b.dds", "hut_fixed_group.x", "scenery\\Test\\pad_surface.x"};
    // A runway 200 m long and 30 m wide; a road of 100 m with lamps 20 m apart, 10 m high; a
    // 2 x 2 m pad standing 2 m above the ground.
    const float k[4][5] = {{0, 0, 2, 1, 0.3f}, {0, 0, 20, 100, 0}, {0, 0, 1, 1, 1}, {2, 0, 1, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        copy_text(e[i].name, names[i]);
        for (int j = 0; j < 5; ++j) e[i].k[j] = k[i][j];
        e[i].found = 1.0f;
    }
    folder_.write("scenery/Test/pad_surface.x",
                  "xof 0303txt 0032\nMesh { 4; -1;0;-1;, -1;0;1;, 1;0;1;, 1;0;-1;; 2; 3;0,1,2;, 3;0,2,3;;"
                  " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 4; 0.5;0.5;0.5;; 0;0;0;; } } }");
    world->objects_table.entries.assign(e, e + 4);
    for (int i = 0; i < 4; ++i) world->build_object(anchor, i, 0, 0);
    world->build_object(anchor, 3, 20, 0);
    ASSERT_EQ(child_types(), (std::vector<int>{FRAME_VISUAL, FRAME_ARRAY_SP, FRAME_VISUAL, FRAME_ARRAY_SP,
                                               FRAME_HIERARCHY, FRAME_PLAIN, FRAME_PLAIN}));
    // 6 rows of 3 edge lights on a strip wider than 20 m, pale yellow, on the ground.
    const array_sp* edges = at<array_sp>(1);
    EXPECT_EQ(edges->item_count, 18);
    EXPECT_TRUE(edges->lights && edges->night_only);
    EXPECT_EQ(rgb(edges->material), (colour3{1, 1, 165.0f / 255.0f}));
    for (int i = 0; i < edges->item_count; ++i) {
        EXPECT_NEAR(edges->world_position().y + edges->positions[static_cast<std::size_t>(i)].y, 5.0f, 1e-3f);
    }
    const array_sp* lamps = at<array_sp>(3);
    EXPECT_EQ(lamps->item_count, 2);
    EXPECT_EQ(rgb(lamps->material), (colour3{1, 127.0f / 255.0f, 0}));
    EXPECT_NEAR(lamps->world_position().y + lamps->positions[0].y, 15.0f, 1e-3f);
    EXPECT_FALSE(at<hierarchy>(4)->drape);
    // The shared "surface" model is laid once, on the ground under its first placement.
    const mesh* shared = world->objects_table.entries[3].cached;
    ASSERT_TRUE(shared != nullptr && shared->d3dx_mesh != nullptr);
    EXPECT_TRUE(shared->no_depth_write);
    for (int v = 0; v < shared->d3dx_mesh->vertex_count(); ++v) EXPECT_EQ(shared->d3dx_mesh->position(v).y, -2.0f);
}

namespace {

object_entry strip_entry(const char* name, float k1, float k2, float k3, float k4) {
    object_entry e;
    copy_text(e.name, name);
    e.k[1] = k1, e.k[2] = k2, e.k[3] = k3, e.k[4] = k4;
    e.found = 1.0f;
    return e;
}

}  // namespace

TEST_F(SceneryEffectObjects, AStripNameWithSeveralWordsIsAPatchThenARunwayThenARoadThenATrack) {
    // Each numbered so that the four kinds come out differently: as a runway 200 x 30 m (18
    // edge lights), as a road 100 m with lamps 10 m apart (5 lamps, 10 rows of 3), as a track
    // 10 rows of 5.
    world->objects_table.entries = {strip_entry("patch_runway_road_track.dds", 0, 2, 1, 0.3f),
                                    strip_entry("runway_road_track.dds", 0, 2, 1, 0.3f),
                                    strip_entry("railroad_track.dds", 0, 10, 100, 0),
                                    strip_entry("track_bed.dds", 0, 10, 100, 0)};
    for (int i = 0; i < 4; ++i) world->build_object(anchor, i, 0, 0);
    ASSERT_EQ(child_types(), (std::vector<int>{FRAME_VISUAL, FRAME_VISUAL, FRAME_ARRAY_SP, FRAME_VISUAL,
                                               FRAME_ARRAY_SP, FRAME_VISUAL}));
    // The patch: scaled by its numbers, no lights.
    EXPECT_FLOAT_EQ(at<visual>(0)->local.m[0][0], 2.0f);
    // The runway: its edge lights.
    EXPECT_EQ(at<array_sp>(2)->item_count, 18);
    // The railroad is a road: 9 segments of 2 lanes, and its lamps.
    EXPECT_EQ(at<visual>(3)->vertex_count, 9 * 2 * 6);
    EXPECT_EQ(at<array_sp>(4)->item_count, 5);
    // The track: 9 segments of 4 lanes.
    EXPECT_EQ(at<visual>(5)->vertex_count, 9 * 4 * 6);
}

TEST_F(SceneryEffectObjects, LightRowsStandAtTheirMeanUnlessTheEditorIsMovingObjects) {
    // Five white lamps 25 m apart, eastward from the placement at x = 10.
    world->objects_table.entries = {strip_entry("[Path_White]", 0, 10, 100, 1)};
    world->build_object(anchor, 0, 10, 0);
    const array_sp* settled = at<array_sp>(0);
    ASSERT_EQ(settled->item_count, 5);
    EXPECT_NEAR(settled->local_position().x, 60.0f, 1e-3f);
    EXPECT_NEAR(settled->positions[0].x, -50.0f, 1e-3f);

    // While the editor drags a selection the row stays where it was placed.
    frame dragged;
    editor_selection& editor = state_->selection;
    editor.gate = 1;
    editor.code = EDIT_MOVE;
    ASSERT_TRUE(editor.add(&dragged));
    world->build_object(anchor, 0, 10, 0);
    const array_sp* held = at<array_sp>(1);
    EXPECT_NEAR(held->local_position().x, 10.0f, 1e-3f);
    EXPECT_NEAR(held->positions[0].x, 0.0f, 1e-3f);
    EXPECT_NEAR(held->positions[4].x, 100.0f, 1e-3f);
    // Turning or scaling is not moving.
    editor.code = EDIT_ROTATE_Y;
    world->build_object(anchor, 0, 10, 0);
    EXPECT_NEAR(at<array_sp>(2)->local_position().x, 60.0f, 1e-3f);
    editor.clear();
}
