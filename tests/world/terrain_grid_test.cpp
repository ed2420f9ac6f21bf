#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "world/terrain.h"

namespace {

class TerrainGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state = state_.get();
        g_app = app_.get();
        app_->use_curvature = 0;
        state_->camera_world = &camera_;
        ground_->create_tile_grids();
    }
    void TearDown() override {
        ground_.reset();
        g_state = nullptr;
        g_app = nullptr;
    }
    void place_camera(float x, float y, float z) { camera_ = mat_translation(x, y, z); }

    std::unique_ptr<app_state> state_ = std::make_unique<app_state>();
    std::unique_ptr<d3d_app> app_ = std::make_unique<d3d_app>();
    std::unique_ptr<terrain> ground_ = std::make_unique<terrain>();
    mat4 camera_ = mat_identity();
};

}  // namespace

TEST_F(TerrainGridTest, TileStepsDoubleWithDistanceAndNeverExceedTheTile) {
    place_camera(0.0f, 0.0f, 0.0f);
    ground_->update_lod();
    int largest = 0;
    for (const terrain_tile& t : ground_->near_tiles) largest = std::max(largest, t.step);
    EXPECT_EQ(ground_->near_tiles[8 * 16 + 8].step, 1);  // under the camera
    EXPECT_EQ(largest, 8);  // the corner tiles, 3.8 LOD distances away
    // Without a scenery every vertex is at the fill height.
    const terrain_tile& t = ground_->near_tiles[5];
    for (int i = 0; i < t.vertex_count; ++i) ASSERT_EQ(t.vertices[i].y, state_->fill_height);
}

// Where a near tile meets one of twice its step, its side lies on the coarser tile's side, so
// no crack opens between them; the near grid's border sides lie straight between their
// corners, to meet the far tiles. The sides are compared as drawn, the curvature drop taken
// off: the drop bends along a side, and a stitched height alone would leave a crack.
TEST_F(TerrainGridTest, TileSidesMeetTheirNeighboursWithoutCracks) {
    app_->use_curvature = 1;
    const int size = 2048;
    ground_->columns = size;
    ground_->rows = size;
    ground_->elevations.assign(static_cast<std::size_t>(size) * size, 0);
    ground_->class_map.assign(static_cast<std::size_t>(size) * size, 0);
    // Curved both ways, so a stitched vertex differs from the sample under it.
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            ground_->elevations[r * size + c] = static_cast<std::int16_t>((3 * c * c + 7 * r * r) % 200);
    state_->origin_offset = vec3{1024 * 30.0f, 0.0f, 1024 * 30.0f};
    place_camera(0.0f, 10.0f, 0.0f);
    ground_->reset_grid_origin();
    ground_->update_lod();

    const auto tile = [&](int i, int j) -> const terrain_tile& { return ground_->near_tiles[i * 16 + j]; };
    // The heights along a side, as the stitch edges number them: 0 west, 1 east, 2 north, 3 south.
    const auto side = [](const terrain_tile& t, int edge) {
        std::vector<float> h;
        const int fixed = (edge == 1 || edge == 2) ? t.quads : 0;
        for (int i = 0; i <= t.quads; ++i) {
            const terrain_vertex& v = t.vertices[edge < 2 ? i * (t.quads + 1) + fixed : fixed * (t.quads + 1) + i];
            h.push_back(v.y - v.drop);
        }
        return h;
    };
    const struct {
        int di, dj, edge, facing;
    } neighbours[] = {{0, -1, 0, 1}, {0, 1, 1, 0}, {1, 0, 2, 3}, {-1, 0, 3, 2}};
    int stitched[4] = {};
    for (int i = 0; i < 16; ++i) {
        for (int j = 0; j < 16; ++j) {
            for (const auto& n : neighbours) {
                const int ni = i + n.di, nj = j + n.dj;
                if (ni < 0 || nj < 0 || ni > 15 || nj > 15 || tile(ni, nj).step != 2 * tile(i, j).step) continue;
                // Even vertices are shared; odd ones lie halfway between the coarse tile's.
                const std::vector<float> fine = side(tile(i, j), n.edge);
                const std::vector<float> coarse = side(tile(ni, nj), n.facing);
                for (std::size_t l = 0; l < fine.size(); ++l) {
                    const float a = coarse[l / 2];
                    ASSERT_NEAR(fine[l], l % 2 == 0 ? a : (a + coarse[l / 2 + 1]) * 0.5f, 1e-4f)
                        << i << "," << j << " edge " << n.edge << " vertex " << l;
                }
                ++stitched[n.edge];
            }
        }
    }
    for (int edge = 0; edge < 4; ++edge) EXPECT_GT(stitched[edge], 0) << edge;

    for (int k = 0; k < 16; ++k) {
        const std::pair<const terrain_tile*, int> border[] = {
            {&tile(k, 0), 0}, {&tile(k, 15), 1}, {&tile(15, k), 2}, {&tile(0, k), 3}};
        for (const auto& [t, edge] : border) {
            ASSERT_LT(t->step, 32);
            const std::vector<float> h = side(*t, edge);
            const int n = t->quads;
            for (int l = 1; l < n; ++l)
                EXPECT_NEAR(h[l], h[0] + (h[n] - h[0]) * static_cast<float>(l) / n, 1e-4f) << k << " edge " << edge;
        }
    }
}

TEST_F(TerrainGridTest, TilesFillFromTheGridAndSplitByTheWater) {
    ground_->columns = 2048;
    ground_->rows = 2048;
    ground_->elevations.assign(2048u * 2048u, 0);
    ground_->class_map.assign(2048u * 2048u, 3);
    for (int r = 0; r < 2048; ++r)
        for (int c = 0; c < 2048; ++c) ground_->elevations[r * 2048 + c] = static_cast<std::int16_t>(c % 50 - 10);
    state_->origin_offset = vec3{1024 * 30.0f, 0.0f, 1024 * 30.0f};
    place_camera(0.0f, 10.0f, 0.0f);
    ground_->reset_grid_origin();
    ground_->update_lod();
    const terrain_tile& t = ground_->near_tiles[8 * 16 + 8];
    ASSERT_EQ(t.step, 1);
    // Its first vertex is the sample under the grid origin plus the tile's corner.
    const int c0 = 8 * 32 - ground_->column_offset;
    const int r0 = 8 * 32 - ground_->row_offset;
    EXPECT_EQ(t.vertices[0].y, ground_->elevation(r0, c0));
    EXPECT_EQ(t.vertices[5].y, ground_->elevation(r0, c0 + 5));
    EXPECT_FLOAT_EQ(t.vertices[0].slice, 3.25f / 16);
    EXPECT_GT(t.index_count_above, 0);
    EXPECT_GT(t.index_count_below, 0);
    EXPECT_LE(t.index_count_above + t.index_count_below, 2 * 32 * 32 * 6);
    EXPECT_GE(t.index_count_above + t.index_count_below, 32 * 32 * 6);
    // A tile reaching past the grid is filled with the fill height there.
    const terrain_tile& far = ground_->far_tiles[0];
    EXPECT_EQ(far.vertices[0].y, state_->fill_height);
    EXPECT_TRUE(ground_->far_tiles[12].vertices.empty());  // the centre record stays unbuilt
}

TEST_F(TerrainGridTest, GridFollowsTheCameraByWholePeriods) {
    place_camera(0.0f, 10.0f, 0.0f);
    ground_->update();
    // Looking north, the grid centre is kept half an extent ahead: 7200 m -> 7 periods.
    EXPECT_FLOAT_EQ(ground_->grid_origin[2], 7 * 960.0f);
    EXPECT_FLOAT_EQ(ground_->grid_origin[0], 0.0f);
    const float before = ground_->grid_origin[2];
    place_camera(0.0f, 10.0f, 300.0f);  // not across a period boundary
    ground_->update();
    EXPECT_FLOAT_EQ(ground_->grid_origin[2], before);
    place_camera(0.0f, 10.0f, 700.0f);
    ground_->update();
    EXPECT_FLOAT_EQ(ground_->grid_origin[2], before + 960.0f);
    ground_->shift_grid_origin(-100.0f, 0.0f, 50.0f);
    EXPECT_FLOAT_EQ(ground_->grid_origin[0], -100.0f);
}

TEST_F(TerrainGridTest, PassesAreDecidedFromTheHeightOverTheWater) {
    app_->use_shadow = 1;
    app_->night_vision = 0;
    state_->shadow_alt = 150.0f;
    ground_->water.wave_height = 2.0f;
    ground_->water.build_spectrum();
    const float range = ground_->water.patch_size * 0.002f * ground_->water.lod_distance;
    ASSERT_FLOAT_EQ(range, 512.0f);
    place_camera(0.0f, 20.0f, 0.0f);
    ground_->update();
    // No scenery: water everywhere near the camera, 20 m over it.
    EXPECT_TRUE(ground_->water.waves_shown);
    EXPECT_TRUE(ground_->passes.reflection);
    EXPECT_TRUE(ground_->passes.refraction);
    EXPECT_TRUE(ground_->passes.overhead);
    EXPECT_TRUE(ground_->passes.shadow);  // 120 m over the fill height
    EXPECT_FALSE(ground_->passes.night_vision);
    EXPECT_NEAR(ground_->water_height_ratio, 20.0f / range, 1e-6f);
    EXPECT_FLOAT_EQ(ground_->wave_scale, ground_->water.cell_size);

    place_camera(0.0f, 1.5f * range, 0.0f);  // beyond the sea's range, within twice it
    ground_->use_refrac = 0;
    app_->night_vision = 1;
    ground_->update();
    EXPECT_FALSE(ground_->water.waves_shown);
    EXPECT_TRUE(ground_->passes.reflection);
    EXPECT_FALSE(ground_->passes.refraction);
    EXPECT_FALSE(ground_->passes.overhead);
    EXPECT_FALSE(ground_->passes.shadow);
    EXPECT_TRUE(ground_->passes.night_vision);

    place_camera(0.0f, 2.5f * range, 0.0f);
    ground_->update();
    EXPECT_FALSE(ground_->passes.reflection);
}

TEST_F(TerrainGridTest, TheWaterLevelIsTheCameraBlockLevelInDepthSceneries) {
    ground_->columns = 64;
    ground_->rows = 64;
    ground_->elevations.assign(64u * 64u, -50);
    ground_->has_depth = 1;
    ground_->water_map = {0, 0, 0, 130};  // 2 x 2 blocks; block (1, 1) at 8 m
    place_camera(40 * 30.0f, 100.0f, 50 * 30.0f);
    ground_->update_lod();
    EXPECT_FLOAT_EQ(state_->water_level, 8.0f);
    place_camera(10 * 30.0f, 100.0f, 50 * 30.0f);  // block (1, 0): no water reads as level 0
    ground_->update_lod();
    EXPECT_FLOAT_EQ(state_->water_level, 0.0f);
    state_->water_level = 3.0f;
    place_camera(-10.0f, 100.0f, 50 * 30.0f);  // off the grid: unchanged
    ground_->update_lod();
    EXPECT_FLOAT_EQ(state_->water_level, 3.0f);
}

namespace {

// Writes down the passes the terrain's update asks the scene for.
class pass_log : public scene_services {
public:
    std::vector<render_pass_kind> passes;
    void render_pass(render_pass_kind kind) override { passes.push_back(kind); }
};

}  // namespace

TEST_F(TerrainGridTest, TheDuePassesRunThroughTheScenesForwardersInOrder) {
    pass_log log;
    install_scene_services(&log);
    app_->use_shadow = 1;
    app_->night_vision = 1;
    state_->shadow_alt = 150.0f;
    ground_->water.wave_height = 2.0f;
    ground_->water.build_spectrum();
    place_camera(0.0f, 20.0f, 0.0f);
    ground_->update();
    EXPECT_EQ(log.passes, std::vector<render_pass_kind>({render_pass_kind::reflection, render_pass_kind::refraction,
                                                         render_pass_kind::overhead, render_pass_kind::shadow,
                                                         render_pass_kind::night_vision}));
    log.passes.clear();
    app_->night_vision = 0;
    place_camera(0.0f, 100000.0f, 0.0f);  // far above the water: none is due
    ground_->update();
    EXPECT_TRUE(log.passes.empty());
    install_scene_services(nullptr);
}
