// Scenery objects made of effects: every kind built from its line of an object list with its
// numbers, a runway's and a road's lights in light arrays, and the lines and numbers that are
// refused or bounded with a log line; "fixed" groups and "surface" models on the ground.
#include <cmath>
#include <memory>
#include <string>

#include "core/frame.h"
#include "core/hierarchy.h"
#include "core/mesh.h"
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
    void write(const std::string& file, const std::string& text) { folder_.write("scenery/Test/" + file, text); }
    // Every placement of the list built at the anchor's centre; the anchor's children in order.
    void build_list() {
        ASSERT_TRUE(world->read_object_list("objects.txt", false));
        for (const object_placement& p : world->objects_table.placements) world->build_object(anchor, p.entry, 0, 0);
    }
    template <typename T>
    T* child(int i, frame_type type) {
        frame* f = anchor->child(i);
        EXPECT_NE(f, nullptr) << i;
        if (f == nullptr) return nullptr;
        EXPECT_EQ(f->type, type) << i << " " << f->get_name();
        return f->type == type ? static_cast<T*>(f) : nullptr;
    }
    static void expect_colour(const gfx_material& m, float r, float g, float b) {
        EXPECT_FLOAT_EQ(m.diffuse.r, r);
        EXPECT_FLOAT_EQ(m.diffuse.g, g);
        EXPECT_FLOAT_EQ(m.diffuse.b, b);
    }

    std::unique_ptr<scene> world;
    frame* anchor = nullptr;
};

}  // namespace

TEST_F(SceneryEffectObjects, EveryKindIsBuiltFromItsListLineWithItsNumbers) {
    for (const char* f : {"tree_array.dds", "hedge_line_fixed_array.dds", "flat_array.dds", "sign_fixed_decal.dds",
                          "boat_float.x"}) {
        write(f, "-");
    }
    write("lamp.def", "2\n0.5 1\n1.0 0\n0\n0\n");
    write("buoy.def", "2 1 1 4 0\n0\n1 float_hull 0 0 0 1 0.6 1 0 2 0 1 1 0\n");
    // Name (one word), east, north, k0..k4; the last line lacks its numbers.
    write("objects.txt",
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
    build_list();
    ASSERT_EQ(anchor->child_count(), 13);

    // Columns: 5 m puffs rising at 5 x their size, a new puff every 0.1 x size seconds.
    if (auto* fire = child<smoke>(0, FRAME_SMOKE)) {
        EXPECT_TRUE(fire->fire);
        EXPECT_FLOAT_EQ(fire->size, 4.0f);
        EXPECT_FLOAT_EQ(fire->growth, 2.0f);
        EXPECT_FLOAT_EQ(fire->drift.y, 20.0f);
        EXPECT_FLOAT_EQ(fire->interval, 0.4f);
        EXPECT_FLOAT_EQ(fire->local_position().y, 7.0f);  // 2 m above the ground at 5 m
        EXPECT_STREQ(fire->get_name(), "[Fire]");
    }
    if (auto* column = child<smoke>(1, FRAME_SMOKE)) {
        EXPECT_FALSE(column->fire);
        EXPECT_EQ(column->colour[0], 90);
        EXPECT_EQ(column->colour[2], 70);
    }
    // A path of 100 m with lamps 10 m apart: 100 / 2 / 10 = 5 lamps 25 m apart along east,
    // the array moved to their middle; lit at night only, white, flashing in turn.
    if (auto* path = child<array_sp>(2, FRAME_ARRAY_SP)) {
        ASSERT_EQ(path->item_count, 5);
        EXPECT_TRUE(path->lights && path->strobe && path->night_only);
        EXPECT_FALSE(path->approach_slope);
        expect_colour(path->material, 1.0f, 1.0f, 1.0f);
        EXPECT_FLOAT_EQ(path->item_height, 1.5f);
        EXPECT_NEAR(path->local_position().x, 50.0f, 1e-3f);
        EXPECT_NEAR(path->positions[0].x, -50.0f, 1e-3f);
        EXPECT_NEAR(path->positions[1].x, -25.0f, 1e-3f);
        EXPECT_NEAR(path->world_position().y + path->positions[4].y, 5.0f, 1e-3f);  // on the ground
        EXPECT_STREQ(path->get_name(), "[Path_Strobe]");
    }
    // A field of lamps spread 40 m: its count is cut to what an array holds.
    if (auto* field = child<array_sp>(3, FRAME_ARRAY_SP)) {
        EXPECT_EQ(field->item_count, array_sp::k_max_items);
        EXPECT_FLOAT_EQ(field->scatter_radius, 40.0f);
        expect_colour(field->material, 1.0f, 0.8f, 0.0f);
        EXPECT_TRUE(field->lights && field->night_only);
    }
    if (auto* blink = child<decal>(4, FRAME_DECAL)) {
        EXPECT_TRUE(blink->blinking && blink->light);
        EXPECT_FALSE(blink->sway);
        EXPECT_FLOAT_EQ(blink->width, 2.5f);
        EXPECT_FLOAT_EQ(blink->local_position().y, 11.0f);
        expect_colour(blink->material, 1.0f, 0.0f, 0.0f);
        EXPECT_STREQ(blink->get_name(), "[Blink]");
    }
    if (auto* steady = child<decal>(5, FRAME_DECAL)) {
        EXPECT_TRUE(steady->light);
        EXPECT_FALSE(steady->blinking);
        expect_colour(steady->material, 0.0f, 1.0f, 0.0f);
    }
    // Items textured by their name: 20 trees 3 x 6 m within 50 m; a fixed hedge of 5 items
    // along a 50 m line.
    if (auto* trees = child<array_sp>(6, FRAME_ARRAY_SP)) {
        EXPECT_EQ(trees->item_count, 20);
        EXPECT_FLOAT_EQ(trees->item_width, 3.0f);
        EXPECT_FLOAT_EQ(trees->item_height, 6.0f);
        EXPECT_FLOAT_EQ(trees->scatter_radius, 50.0f);
        EXPECT_TRUE(trees->sway);
        EXPECT_FALSE(trees->lights);
        EXPECT_STREQ(trees->get_name(), "scenery\\test\\tree_array.dds");
    }
    if (auto* hedge = child<array_sp>(7, FRAME_ARRAY_SP)) {
        EXPECT_EQ(hedge->item_count, 5);
        EXPECT_FALSE(hedge->sway);
        EXPECT_FLOAT_EQ(hedge->item_width, 2.0f);
    }
    if (auto* flat = child<array_sp>(8, FRAME_ARRAY_SP)) {
        EXPECT_EQ(flat->item_count, 0);
    }
    if (auto* sign = child<decal>(9, FRAME_DECAL)) {
        EXPECT_FLOAT_EQ(sign->width, 4.0f);
        EXPECT_FLOAT_EQ(sign->height, 2.0f);
        EXPECT_FALSE(sign->light || sign->sway);
    }
    if (auto* lamp = child<blinker>(10, FRAME_BLINKER)) {
        EXPECT_EQ(lamp->step_count, 2);
        EXPECT_FLOAT_EQ(lamp->step_end_times[0], 0.5f);
        EXPECT_NE(lamp->glow, nullptr);
        EXPECT_FALSE(lamp->floating);
    }
    if (auto* buoy = child<blinker>(11, FRAME_BLINKER)) {
        EXPECT_TRUE(buoy->floating);
    }
    if (auto* boat = child<floater>(12, FRAME_FLOATER)) {
        EXPECT_FLOAT_EQ(boat->immersion, 0.8f);
        ASSERT_EQ(boat->child_count(), 1);
        const auto* hull = static_cast<const mesh*>(boat->child(0));
        EXPECT_TRUE(hull->no_depth_write && hull->special_draw);
    }

    const std::string l = log();
    EXPECT_NE(l.find("scenery\\Test\\objects.txt: 1 lines that did not fit were left out"), std::string::npos) << l;
    EXPECT_NE(l.find("Scenery Test, object [LightArray]: item count 70000 was bounded to 65536"), std::string::npos)
        << l;
    EXPECT_NE(l.find("Scatter array scenery\\test\\flat_array.dds: item height 0 is not positive"), std::string::npos)
        << l;

    // Over water a floating light stands on the sea, not on the sea floor.
    world_.ground = -20.0f;
    world->build_object(anchor, world->objects_table.placements[11].entry, 0, 0);
    ASSERT_EQ(anchor->child_count(), 14);
    EXPECT_FLOAT_EQ(anchor->child(13)->local_position().y, 0.0f);
}

TEST_F(SceneryEffectObjects, RunwayAndRoadLightsStandInLightArraysFixedGroupsStayAndSurfacesLieOnTheGround) {
    object_entry runway;
    copy_text(runway.name, "runway_a.dds");
    runway.k[2] = 2.0f, runway.k[3] = 1.0f, runway.k[4] = 0.3f;  // 200 m long, 30 m wide
    runway.found = 1.0f;
    object_entry road;
    copy_text(road.name, "road_b.dds");
    road.k[2] = 20.0f, road.k[3] = 100.0f;  // lamps 20 m apart on 100 m, 10 m high
    road.found = 1.0f;
    object_entry group;
    copy_text(group.name, "hut_fixed_group.x");
    group.found = 1.0f;
    // A flat 2 x 2 m pad standing 2 m above the ground, to be laid on it.
    folder_.write("scenery/Test/pad_surface.x",
                  "xof 0303txt 0032\nMesh { 4; -1;0;-1;, -1;0;1;, 1;0;1;, 1;0;-1;; 2; 3;0,1,2;, 3;0,2,3;;"
                  " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 4; 0.5;0.5;0.5;; 0;0;0;; } } }");
    object_entry pad;
    copy_text(pad.name, "scenery\\Test\\pad_surface.x");
    pad.k[0] = 2.0f, pad.k[2] = pad.k[3] = pad.k[4] = 1.0f;
    pad.found = 1.0f;
    world->objects_table.entries = {runway, road, group, pad};
    for (int i = 0; i < 4; ++i) world->build_object(anchor, i, 0, 0);
    world->build_object(anchor, 3, 20, 0);
    // Each strip and its lights; a "fixed" group is not laid on the ground.
    ASSERT_EQ(anchor->child_count(), 7);
    if (auto* hut = child<hierarchy>(4, FRAME_HIERARCHY)) {
        EXPECT_FALSE(hut->drape);
    }
    // The shared "surface" model is laid once, on the ground under its first placement.
    const mesh* shared = world->objects_table.entries[3].cached;
    ASSERT_NE(shared, nullptr);
    ASSERT_NE(shared->d3dx_mesh, nullptr);
    EXPECT_TRUE(shared->no_depth_write);
    for (int v = 0; v < shared->d3dx_mesh->vertex_count(); ++v) EXPECT_FLOAT_EQ(shared->d3dx_mesh->position(v).y, -2.0f);
    if (auto* edges = child<array_sp>(1, FRAME_ARRAY_SP)) {
        EXPECT_EQ(edges->item_count, 18);  // 6 rows of 3 on a strip wider than 20 m
        EXPECT_TRUE(edges->lights && edges->night_only);
        EXPECT_FLOAT_EQ(edges->item_width, 1.0f);
        expect_colour(edges->material, 1.0f, 1.0f, 165.0f / 255.0f);
        for (int i = 0; i < edges->item_count; ++i) {
            EXPECT_NEAR(edges->world_position().y + edges->positions[static_cast<std::size_t>(i)].y, 5.0f, 1e-3f);
        }
    }
    if (auto* lamps = child<array_sp>(3, FRAME_ARRAY_SP)) {
        EXPECT_EQ(lamps->item_count, 2);
        expect_colour(lamps->material, 1.0f, 127.0f / 255.0f, 0.0f);
        EXPECT_NEAR(lamps->world_position().y + lamps->positions[0].y, 15.0f, 1e-3f);
    }
}
