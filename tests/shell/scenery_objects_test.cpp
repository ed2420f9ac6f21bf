// Scenery objects: the index and list files in a private scenery folder, includes and their
// refusals, merging equal entries, the anchor grid following the camera, and the light rows.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "core/frame.h"
#include "core/visual.h"
#include "core/mesh.h"
#include "platform/program_rand.h"
#include "platform/recording_device.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "tests/support/temp_folder.h"

namespace {

// A scene that writes down which anchor each placement is built under.
class anchor_scene : public scene {
public:
    std::vector<std::pair<frame*, int>> built;
    using scene::update_anchors;
    void build_object(frame* anchor, int entry, float, float) override { built.push_back({anchor, entry}); }
};

class SceneryObjects : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        copy_text(state.scenery_name, "Test");
        world = std::make_unique<anchor_scene>();
    }
    void TearDown() override {
        world.reset();
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    void write(const std::string& file, const std::string& text) { tmp.write("scenery/Test/" + file, text); }
    std::string log() const { return std::string(app.log_text(), static_cast<std::size_t>(app.log_length())); }
    const scenery_objects& table() const { return world->objects_table; }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    std::unique_ptr<anchor_scene> world;
};

}  // namespace

TEST_F(SceneryObjects, IncludedListsStandAroundTheirLineAndCyclesAreRefusedWithALogLine) {
    // "ring.txt" stands 100 m east and turned a quarter turn, twice the size; it includes
    // "loop.txt", which includes "ring.txt" again; "self.txt" includes itself.
    write("objects.txt",
          "// a comment line\n"
          "[Light]\t0.001\t0.002\t5\t50\t1\t1\t1\n"
          "ring.txt\t0.0\t0.0\t0\t1.5707963\t2\t1\t1\n"
          "abs_far.txt\t0.0\t0.0\t0\t0\t1\t1\t1\n"
          "self.txt\t0.0\t0.0\t0\t0\t1\t1\t1\n");
    write("ring.txt", "[Light]\t10\t0\t0\t60\t1\t1\t1\nloop.txt\t0\t0\t0\t0\t1\t1\t1\n");
    write("loop.txt", "ring.txt\t0\t0\t0\t0\t1\t1\t1\n[Light]\t1\t1\t0\t70\t1\t1\t1\n");
    write("self.txt", "self.txt\t0\t0\t0\t0\t1\t1\t1\n");
    write("abs_far.txt", "[Light]\t0.003\t0.004\t5\t50.05\t1\t1\t1\n");
    ASSERT_TRUE(world->read_object_list("objects.txt", false));

    // Geographic at the top and in the "abs_" list: no scenery is loaded, so a degree is
    // 111,120 m both ways.
    ASSERT_EQ(table().placements.size(), 4u);
    EXPECT_NEAR(table().placements[0].east, 111.12f, 1e-3f);
    EXPECT_NEAR(table().placements[0].north, 222.24f, 1e-3f);
    // (10, 0) scaled by 2 and turned by a quarter turn about the including line at the origin.
    EXPECT_NEAR(table().placements[1].east, 0.0f, 1e-3f);
    EXPECT_NEAR(table().placements[1].north, 20.0f, 1e-3f);
    // The ring's turn combines with the light's own numbers: k1 - r.
    EXPECT_NEAR(table().entries[1].k[1], 60.0f - 1.5707963f, 1e-4f);
    EXPECT_NEAR(table().placements[3].east, 333.36f, 1e-3f);
    // Within 0.1 of the first light in every number: the same entry.
    EXPECT_EQ(table().placements[3].entry, 0);
    EXPECT_EQ(table().entries.size(), 3u);

    const std::string l = log();
    EXPECT_NE(l.find("scenery\\Test\\ring.txt includes itself: not read again"), std::string::npos) << l;
    EXPECT_NE(l.find("scenery\\Test\\self.txt includes itself: not read again"), std::string::npos) << l;
    EXPECT_TRUE(table().include_chain.empty());
}

// Positions far beyond the globe (1e35 degrees east), and lines of a list included at a scale
// of 1e30 placed 1e10 m out or sized 1e10 times, gave infinite placements and sizes: such lines
// are left out with the file's log line; the lines beside them stay.
TEST_F(SceneryObjects, LinesPlacedOrScaledPastAnyNumberAreLeftOut) {
    write("objects.txt",
          "[Light]\t1e35\t0.002\t5\t50\t1\t1\t1\n"
          "[Light]\t0.001\t0.002\t5\t50\t1\t1\t1\n"
          "big.txt\t0\t0\t0\t0\t1e30\t1\t1\n");
    write("big.txt", "[Light]\t0\t0\t0\t60\t1\t1\t1\n"
                     "[Light]\t1e10\t0\t0\t70\t1\t1\t1\n"
                     "group_house.x\t0\t0\t0\t0\t1e10\t1\t1\n");
    ASSERT_TRUE(world->read_object_list("objects.txt", false));
    ASSERT_EQ(table().placements.size(), 2u);
    for (const object_placement& p : table().placements) {
        EXPECT_TRUE(std::isfinite(p.east) && std::isfinite(p.north));
        EXPECT_LT(static_cast<std::size_t>(p.entry), table().entries.size());
    }
    EXPECT_FLOAT_EQ(table().entries[1].k[2], 1e30f);  // the light at the centre, scaled
    const std::string l = log();
    EXPECT_NE(l.find("scenery\\Test\\objects.txt: 1 lines that did not fit were left out"), std::string::npos) << l;
    EXPECT_NE(l.find("scenery\\Test\\big.txt: 2 lines that did not fit were left out"), std::string::npos) << l;
}

TEST_F(SceneryObjects, TheIndexLeavesOutLinesThatDoNotFitAndAnyPlacementOfNoEntry) {
    const std::string long_name(130, 'x');
    write("tile_objects.txt", "\n[object_index]\n\n"
                              "[Light]\t0\t40\t1\t1\t1\n" +
                                  long_name + "\t0\t1\t1\t1\t1\n"
                                  "missing.x\t0\t0\t1\t1\t1\n"
                                  "\n\n\n[object_list]\n"
                                  "10\t20\t0\n30\t40\t1\n50\t60\t7\n70\t80\t-1\n");
    // A budget without a loaded grid has nothing to thin by: every placement stays.
    state.max_objects_count = 10;
    ASSERT_TRUE(world->read_object_index("tile_objects.txt"));
    ASSERT_EQ(table().entries.size(), 2u);
    EXPECT_EQ(table().entries[0].found, 1.0f);
    EXPECT_EQ(table().entries[1].found, 0.0f);
    EXPECT_STREQ(table().entries[1].name, "missing.x");
    ASSERT_EQ(table().placements.size(), 2u);
    EXPECT_EQ(table().placements[1].entry, 1);
    EXPECT_NE(log().find("scenery\\Test\\tile_objects.txt: 3 lines that did not fit were left out"), std::string::npos)
        << log();
    EXPECT_FALSE(world->read_object_index("none.txt"));
}

TEST_F(SceneryObjects, TheIndexIsBuiltFromTheLandClassesAndObjectsOutsideTheirTileAreLeftOut) {
    terrain& g = world->ground;
    g.columns = g.rows = 64;
    g.tile_samples = 32;
    g.cell_size = 30.0f;
    g.land_class_count = 2;
    copy_text(g.land_texture_names[0], "grass.dds");
    copy_text(g.land_texture_names[1], "town.dds");
    g.class_map.assign(64 * 64, 0);
    g.class_map[0] = 1;  // the town's cell of the first tile only
    write("town.txt", "; town objects\n"
                      "# tile size = 960\n"
                      "house.x\t0.0\t0.0\t0\t0\t1\t1\t1\n"
                      "shed.x\t1.5\t0.0\t0\t0\t1\t1\t1\n"
                      "barn.x\t0.5\t-0.2\t0\t0\t1\t1\t1\n");
    world->build_object_index("tile_objects.txt");
    EXPECT_NE(log().find("town.txt: 2 object lines outside their tile or too long were left out"), std::string::npos)
        << log();
    ASSERT_TRUE(world->read_object_index("tile_objects.txt"));
    ASSERT_EQ(table().entries.size(), 1u);
    EXPECT_STREQ(table().entries[0].name, "house.x");
    ASSERT_EQ(table().placements.size(), 1u);
    EXPECT_EQ(table().placements[0].east, 0.0f);
}

// Object names whose first kind word decides how their numbers combine and scale: groups
// before animals (whatever the words' order), arrays before decals, patches before roads.
const char* const k_kind_names[] = {"anim_group.x",    "group_of_anim.x", "cow_anim.x",  "decal_array.dds",
                                    "road_patch.dds", "[Fire]",          "[LightArray]"};

// A 64 x 64 grid of 30 m cells, 32 cells a tile, of `classes` land classes, all of `fill`.
void set_class_grid(terrain& g, int classes, std::uint8_t fill) {
    g.columns = g.rows = 64;
    g.tile_samples = 32;
    g.cell_size = 30.0f;
    g.land_class_count = classes;
    g.class_map.assign(64 * 64, fill);
}

// A relative line's numbers combine with its parent's (r = 0.5, s = 2, a = 3, b = 4) by the
// first kind its name holds.
TEST_F(SceneryObjects, IncludedLinesCombineByTheFirstKindTheirNameHolds) {
    write("objects.txt", "herd.txt\t0\t0\t0\t0.5\t2\t3\t4\n");
    std::string herd;
    for (int i = 0; i < 5; ++i) herd += std::string(k_kind_names[i]) + "\t0\t0\t0\t1\t10\t10\t10\n";
    write("herd.txt", herd);
    ASSERT_TRUE(world->read_object_list("objects.txt", false));
    ASSERT_EQ(table().entries.size(), 5u);
    const float k1_to_k4[5][4] = {
        {0.5f, 20, 30, 40},  // group: k1 - r, k2 s, k3 a, k4 b
        {0.5f, 20, 30, 40},
        {0.5f, 20, 10, 10},  // animal: k1 - r, k2 s
        {1, 20, 30, 40},     // array: k2 s, k3 a, k4 b
        {0.5f, 20, 30, 40},  // patch: all four
    };
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_STREQ(table().entries[i].name, k_kind_names[i]);
        for (int k = 1; k <= 4; ++k) EXPECT_FLOAT_EQ(table().entries[i].k[k], k1_to_k4[i][k - 1]) << k_kind_names[i] << k;
    }
}

// Objects of a class file made for tiles of half the size are scaled twice over by the first
// kind their name holds.
TEST_F(SceneryObjects, ClassObjectsForAnotherTileSizeAreScaledByTheFirstKindTheirNameHolds) {
    set_class_grid(world->ground, 1, 0);  // tiles of 960 m: q = 960 / 480 = 2
    copy_text(world->ground.land_texture_names[0], "town.dds");
    std::string town = "# tile size = 480\n";
    for (const char* name : k_kind_names) town += std::string(name) + "\t0.1\t0.1\t1\t1\t1\t1\t1\n";
    write("town.txt", town);
    ASSERT_TRUE(world->build_object_index("tile_objects.txt"));
    ASSERT_TRUE(world->read_object_index("tile_objects.txt"));
    ASSERT_EQ(table().entries.size(), 7u);
    const float expected[7][5] = {
        {1, 1, 2, 2, 2},  // group: k2, k3, k4
        {1, 1, 2, 2, 2},
        {1, 1, 1, 1, 1},  // animal: none
        {1, 2, 1, 1, 2},  // array: k1, k4
        {1, 1, 2, 2, 1},  // road: k2, k3
        {1, 1, 1, 1, 1},  // effect: none
        {2, 2, 1, 1, 1},  // light array: k0, k1
    };
    for (std::size_t i = 0; i < 7; ++i) {
        for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(table().entries[i].k[k], expected[i][k]) << k_kind_names[i] << k;
    }
    EXPECT_EQ(table().placements.size(), 7u);  // once each in the grid's one tile
}

// An index written without land classes, or without their object files, would be empty and
// kept for every later load: none is written.
TEST_F(SceneryObjects, NoIndexIsWrittenWithoutTheLandClassesOrTheirObjectFiles) {
    EXPECT_FALSE(world->build_object_index("tile_objects.txt"));
    EXPECT_FALSE(tmp.exists("scenery/Test/tile_objects.txt"));
    EXPECT_NE(log().find("scenery\\Test\\tile_objects.txt not written: the scenery's land classes are not loaded"),
              std::string::npos) << log();
    set_class_grid(world->ground, 2, 1);
    copy_text(world->ground.land_texture_names[0], "grass.dds");
    copy_text(world->ground.land_texture_names[1], "town.dds");
    EXPECT_TRUE(world->land_class_object_files().empty());
    EXPECT_FALSE(world->build_object_index("tile_objects.txt"));
    EXPECT_FALSE(tmp.exists("scenery/Test/tile_objects.txt"));
    // With one file for the second class, whatever it holds, the index is written.
    write("town.txt", "; no objects yet\n");
    ASSERT_EQ(world->land_class_object_files().size(), 1u);
    EXPECT_EQ(world->land_class_object_files()[0].first, 1);
    EXPECT_TRUE(world->build_object_index("tile_objects.txt"));
    EXPECT_TRUE(tmp.exists("scenery/Test/tile_objects.txt"));
}

TEST_F(SceneryObjects, MovingTheCamera2000mEastRebuildsOneColumnOfTenAnchors) {
    world->make_roots(true);
    // One placement at the centre of every anchor square around the origin, and one column
    // beyond it to the east.
    world->objects_table.entries.push_back(object_entry{});
    for (int i = 0; i < 10; ++i) {
        for (int j = 0; j <= 10; ++j) {
            world->objects_table.placements.push_back(
                {static_cast<float>(j) * 2000.0f - 10000.0f, static_cast<float>(i) * 2000.0f - 10000.0f, 0});
        }
    }
    world->update_anchors(true);
    EXPECT_EQ(world->anchors->child_count(), 100);
    EXPECT_EQ(world->built.size(), 100u);
    world->built.clear();

    world->viewer.set_position(2000.0f, 0.0f, 0.0f);
    world->update_anchors(false);
    ASSERT_EQ(world->built.size(), 10u);
    for (const auto& b : world->built) EXPECT_FLOAT_EQ(b.first->local_position().x, 10000.0f);
    world->built.clear();
    world->update_anchors(false);
    EXPECT_TRUE(world->built.empty());
}

TEST_F(SceneryObjects, LightRowsStayFiniteForEveryCountAndSpacing) {
    std::vector<vec3> lights;
    const vec3 origin{0.0f, 0.0f, 0.0f};
    EXPECT_EQ(scene::lay_light_path(origin, 0.0f, 100.0f, 2.0f, 100.0f, 0.0f, &lights), 0);
    EXPECT_TRUE(lights.empty());
    // One light: no spacing between lights to divide by.
    EXPECT_EQ(scene::lay_light_path(origin, 0.0f, 50.0f, 2.0f, 100.0f, 0.0f, &lights), 1);
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_TRUE(std::isfinite(lights[0].x) && lights[0].y == 2.0f);
    EXPECT_EQ(scene::lay_light_path(origin, 0.0f, 0.0f, 2.0f, 100.0f, 0.0f, &lights), 10000);
    EXPECT_EQ(scene::lay_light_path(origin, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f, &lights), 0);
    // Five lights 25 m apart along east.
    EXPECT_EQ(scene::lay_light_path(origin, 0.0f, 10.0f, 0.0f, 100.0f, 0.0f, &lights), 5);
    EXPECT_NEAR(lights[4].x, 100.0f, 1e-3f);
    EXPECT_NEAR(lights[1].x, 25.0f, 1e-3f);
    // A narrow runway has its edges only.
    EXPECT_EQ(scene::lay_runway_lights(origin, 0.0f, 10.0f, 0.0f, 100.0f, 0.0f, &lights), 10);
    EXPECT_EQ(lights.size(), 20u);
    EXPECT_EQ(scene::lay_runway_lights(origin, 0.0f, 0.0f, 0.0f, 100.0f, 0.0f, &lights), 10000);
}

namespace {

// A scene that counts the lights it is asked to lay in arrays.
class light_scene : public scene {
public:
    std::vector<std::size_t> arrays;
    void add_light_array(frame*, const vec3&, const std::vector<vec3>& lights, std::uint32_t, float) override {
        arrays.push_back(lights.size());
    }
};

// Ground that rises 1 m per metre north.
struct north_slope : scene_services {
    float ground_height(float, float z) override { return z; }
};

object_entry entry(const char* name, float k0, float k1, float k2, float k3, float k4) {
    object_entry e;
    copy_text(e.name, name);
    e.k[0] = k0, e.k[1] = k1, e.k[2] = k2, e.k[3] = k3, e.k[4] = k4;
    e.found = 1.0f;
    return e;
}

}  // namespace

TEST_F(SceneryObjects, RunwaysAndRoadsGetTheirLightsUnlessDarkAndEveryStripStaysBounded) {
    light_scene lit;
    lit.make_roots(true);
    frame* anchor = nullptr;
    ASSERT_TRUE(create_frame(lit.anchors, &anchor, "anchor"));
    // A runway 200 m long and 30 m wide: 6 rows of 3 edge lights; a dark one none; a road with
    // lights 0 m apart stops at the cap.
    lit.objects_table.entries = {entry("runway_a.dds", 0, 0, 2, 1, 0.3f), entry("runway_dark.dds", 0, 0, 2, 1, 0.3f),
                                 entry("road_a.dds", 0, 0, 0, 100, 0)};
    for (int i = 0; i < 3; ++i) lit.build_object(anchor, i, 0.0f, 0.0f);
    EXPECT_EQ(lit.arrays, (std::vector<std::size_t>{18, 10000}));
    EXPECT_EQ(anchor->child_count(), 3);

    // A road of 100 m: 10 rows of 3; a patch at its own size over 30 m cells: 8 x 8.
    EXPECT_EQ(scene::ground_strip_vertices(true, 0.0f, 10.0f, 100.0f, 0.0f, 1, 1, 30.0f).size(), 9u * 2 * 6);
    EXPECT_EQ(scene::ground_strip_vertices(false, 0.0f, 100.0f, 100.0f, 0.0f, 1, 1, 30.0f).size(), 7u * 7 * 6);
    EXPECT_EQ(scene::ground_strip_vertices(true, 0.0f, 0.0f, 1e30f, 0.0f, 1, 1, 30.0f).size(), 9999u * 2 * 6);
    EXPECT_EQ(scene::ground_strip_vertices(false, 0.0f, 100.0f, 100.0f, 0.0f, 1e9f, 1, 30.0f).size(), 255u * 7 * 6);
}

namespace {

// Ground that rises 1 m per metre north and counts the cells marked as taken.
struct marking_slope : north_slope {
    int marked = 0;
    void mark_ground_cell(float, float, int) override { ++marked; }
};

}  // namespace

// A track is marked draped (ground taken, no shadow) with its bed kept raised; a "road_patch"
// gets a patch grid over the terrain cells, not a road's three vertices across.
TEST_F(SceneryObjects, ATrackIsMarkedDrapedWithItsBedKeptAndARoadPatchGetsAPatchGrid) {
    app.d3d = std::make_unique<null_gfx_system>();
    ASSERT_TRUE(app.create_device());
    marking_slope slope;
    install_scene_services(&slope);
    light_scene lit;
    lit.make_roots(true);
    lit.ground.cell_size = 30.0f;
    frame* anchor = nullptr;
    ASSERT_TRUE(create_frame(lit.anchors, &anchor, "anchor"));
    lit.objects_table.entries = {entry("track_a.dds", 0.5f, 0, 8, 50, 0), entry("road_patch.dds", 0, 0, 1, 1, 1),
                                 entry("road_a.dds", 0, 0, 8, 100, 0)};
    lit.build_object(anchor, 0, 0.0f, 0.0f);
    ASSERT_EQ(anchor->child_count(), 1);
    auto* track = static_cast<visual*>(anchor->child(0));
    ASSERT_EQ(track->type, FRAME_VISUAL);
    EXPECT_EQ(track->vertex_count, 4 * 4 * 6);
    EXPECT_EQ(slope.marked, 4 * 4 * 6);
    EXPECT_EQ(track->pass1, 0);
    // The track runs east on ground rising north: its south edge meets the ground 4 m below
    // the centre line and the bed stands 0.5 m above it. Laid flat, it would span 8 m.
    EXPECT_NEAR(track->base_box.max.y - track->base_box.min.y, 4.5f, 1e-4f);
    lit.build_object(anchor, 1, 0.0f, 0.0f);
    lit.build_object(anchor, 2, 0.0f, 0.0f);
    ASSERT_EQ(anchor->child_count(), 3);
    // 100 m over 30 m cells: 8 x 8 vertices, 7 x 7 quads; a road of 100 m: 10 rows of 3.
    auto* patch = static_cast<visual*>(anchor->child(1));
    EXPECT_EQ(patch->vertex_count, 7 * 7 * 6);
    auto* road = static_cast<visual*>(anchor->child(2));
    EXPECT_EQ(road->vertex_count, 9 * 2 * 6);
    EXPECT_EQ(road->pass1, 0);
    lit.clear(false);
    install_scene_services(nullptr);
}

TEST_F(SceneryObjects, ATrackBedStandsAboveTheGroundAtItsCentreAndItsEdgesMeetTheGround) {
    north_slope slope;
    install_scene_services(&slope);
    // 50 m east, 8 m wide, the bed 0.5 m high: 5 rows, 4 lanes of two triangles each.
    const auto v = scene::track_vertices({0, 0, 0}, 0.0f, 8.0f, 50.0f, 0.0f, 0.5f);
    ASSERT_EQ(v.size(), 4u * 4 * 6);
    for (const model_vertex& p : v) {
        if (std::fabs(p.z) > 3.9f) {
            EXPECT_NEAR(p.y, std::fmin(0.0f, p.z), 1e-4f);  // the lower of its own and the centre's ground
        } else {
            EXPECT_NEAR(p.y, 0.5f, 1e-4f);
        }
    }
    install_scene_services(nullptr);
}

TEST_F(SceneryObjects, PlacementsBuildByTheirNameAndPlainModelsShareOneMesh) {
    light_scene lit;
    lit.make_roots(true);
    frame* anchor = nullptr;
    ASSERT_TRUE(create_frame(lit.anchors, &anchor, "anchor"));
    object_entry missing = entry("gone.x", 0, 0, 1, 1, 1);
    missing.found = 0.0f;
    lit.objects_table.entries = {entry("[Light]", 5, 50, 1, 1, 1), missing, entry("scenery\\test\\hut.x", 0, 0, 1, 1, 1)};
    lit.build_object(anchor, 0, 10.0f, 20.0f);
    lit.build_object(anchor, 1, 0.0f, 0.0f);   // not found: nothing
    lit.build_object(anchor, 2, 1.0f, 1.0f);
    lit.build_object(anchor, 2, -1.0f, -1.0f);
    lit.build_object(anchor, 7, 0.0f, 0.0f);   // no such entry: nothing
    ASSERT_EQ(anchor->child_count(), 3);
    EXPECT_EQ(anchor->child(0)->type, FRAME_LIGHT);
    EXPECT_EQ(anchor->child(0)->local_position().y, 5.0f);
    EXPECT_EQ(anchor->child(0)->local_position().z, 20.0f);
    mesh* shared = lit.objects_table.entries[2].cached;
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(anchor->child(1)->child(0), shared);
    EXPECT_EQ(anchor->child(2)->child(0), shared);
    // Emptying the scene takes the anchors first, then the shared model.
    lit.clear(false);
    EXPECT_TRUE(lit.objects_table.entries.empty());
}
