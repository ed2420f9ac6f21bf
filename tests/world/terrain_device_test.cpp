// The ground's and the sea's device objects on the null adapter: tile and sea buffers, the
// sea's index ranges and vertex fill, the adaptive mesh, the programs with their logged
// fall-back, the water lookup row and program choice, and release.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/recording_device.h"
#include "tests/support/temp_folder.h"
#include "world/terrain.h"
#include "world/water_lookup.h"

namespace {

class TerrainDevice : public ::testing::Test {
protected:
    void SetUp() override {
        app_.d3d = std::make_unique<null_gfx_system>();
        app_.window_width = 320;
        app_.window_height = 240;
        g_app = &app_;
        g_state = &state_;
        state_.camera_world = &camera_;
        ASSERT_TRUE(app_.create_device());
        baseline_ = app_.device->live_resource_count();
        ground_ = std::make_unique<terrain>();
    }
    void TearDown() override {
        ground_.reset();
        app_.release_device();
        g_state = nullptr;
        g_app = nullptr;
    }
    recording_device& device() { return static_cast<recording_device&>(*app_.device); }

    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    mat4 camera_ = mat_translation(0.0f, 20.0f, 0.0f);
    std::unique_ptr<terrain> ground_;
    std::size_t baseline_ = 0;
};

}  // namespace

TEST(WaterLookup, RowsFollowTheirCurves) {
    std::uint32_t above[k_water_lookup_size];
    std::uint32_t below[k_water_lookup_size];
    fill_water_lookup(false, 0.5f, above);
    fill_water_lookup(true, 0.1f, below);  // taken as 0.25
    // f = 0: everything reflected, no glint.
    EXPECT_EQ(above[0], 0x00FF0000u);
    // f = 1 with c = 0.5: red 255 x 2^-4 = 15.9, green 1023 mod 256, full glint.
    EXPECT_EQ(above[1023], 0x000FFFFFu);
    // f = 300 / 1023 above: red 255 x (1.2933)^-4 = 91.2; glint f^125 is 0.
    EXPECT_EQ(above[300], (91u << 16) | (44u << 8));
    // Under the water the curve stays 1 until f = 0.5, then falls: c = 0.25, 2^-2 at f = 1.
    EXPECT_EQ(below[511] >> 16, 255u);
    EXPECT_EQ(below[1023] >> 16, 63u);
    for (int i = 0; i < k_water_lookup_size; ++i) EXPECT_EQ(above[i] >> 24, 0u) << i;
}

TEST_F(TerrainDevice, InitDeviceMakesBuffersProgramsAndTextures) {
    ASSERT_TRUE(ground_->init_device());
    terrain& t = *ground_;
    for (int i = 0; i < terrain::k_shader_pairs; ++i) {
        EXPECT_TRUE(t.vertex_shaders[i]) << i;
        EXPECT_TRUE(t.pixel_shaders[i]) << i;
    }
    ASSERT_TRUE(t.lookup_textures[0] && t.lookup_textures[1]);
    EXPECT_EQ(t.lookup_textures[0]->width(), 1024);
    std::uint32_t first = 0;
    std::memcpy(&first, t.lookup_textures[0]->level_bits(0), 4);
    EXPECT_EQ(first, 0x00FF0000u);
    EXPECT_EQ(std::string(app_.log_text()).find("Could not load"), std::string::npos);

}

TEST_F(TerrainDevice, UploadCopiesChangedTilesOnly) {
    ASSERT_TRUE(ground_->init_device());
    terrain_tile& tile = ground_->near_tiles[0];
    ASSERT_TRUE(tile.upload_buffers());
    EXPECT_EQ(std::memcmp(tile.vertex_buffer->data(), tile.vertices.data(),
                          tile.vertex_count * sizeof(terrain_vertex)),
              0);
    const std::uint32_t uploaded = tile.uploaded_revision;
    EXPECT_TRUE(tile.upload_buffers());
    EXPECT_EQ(tile.uploaded_revision, uploaded);
    tile.stitch_tile(4);
    EXPECT_NE(tile.revision, tile.uploaded_revision);
    EXPECT_TRUE(tile.upload_buffers());
    EXPECT_EQ(tile.uploaded_revision, tile.revision);
}

TEST_F(TerrainDevice, SeaVerticesFollowTheWaveField) {
    ASSERT_TRUE(ground_->init_device());
    sea& s = ground_->water;
    state_.smoothed_step = 0.5f;
    s.update();
    ASSERT_EQ(s.near_vertex_count, 65 * 65);
    const auto* v = reinterpret_cast<const sea_vertex*>(s.near_vertex_buffer->data());
    // Vertex x (N + 1) + z holds grid point (x, z); x = N wraps onto column 0.
    for (int x : {0, 7, 64}) {
        for (int z : {0, 33, 64}) {
            const sea_vertex& p = v[x * 65 + z];
            EXPECT_FLOAT_EQ(p.y, static_cast<float>(s.height[z % 64][x % 64]));
            EXPECT_FLOAT_EQ(p.x, static_cast<float>(s.disp_x[z % 64][x % 64]) + s.cell_size * x);
            EXPECT_FLOAT_EQ(p.ny, s.normals[z % 64][x % 64][2]);
            EXPECT_GE(p.crest, 0.0f);
            EXPECT_LE(p.crest, 1.0f);
        }
    }
    s.crest_factor = 0.0f;
    s.update();
    for (int i = 0; i < 65 * 65; ++i) ASSERT_EQ(v[i].crest, 0.0f) << i;
}

TEST_F(TerrainDevice, AdaptiveMeshStaysWithinItsBuffers) {
    ASSERT_TRUE(ground_->init_device());
    sea& s = ground_->water;
    s.set_grid_mode(0);
    EXPECT_GT(s.mesh_vertex_count, 5);
    EXPECT_LE(s.mesh_vertex_count, sea::k_mesh_vertices);
    ASSERT_GT(s.mesh_index_count, 0);
    EXPECT_EQ(s.mesh_index_count % 3, 0);
    const auto* idx = reinterpret_cast<const std::uint16_t*>(s.near_index_buffer->data());
    for (int i = 0; i < s.mesh_index_count; ++i) ASSERT_LT(idx[i], s.mesh_vertex_count) << i;
    // Coarse at the corners (flattened normals), full detail at the centre.
    EXPECT_GT(s.mesh_detail[0], 0.0f);
    EXPECT_EQ(s.mesh_detail[4], 0.0f);
    s.update();  // the refresh rewrites the vertices from the field without leaving them
    s.set_grid_mode(1);
    EXPECT_EQ(s.mesh_vertex_count, 0);
    EXPECT_EQ(s.lod_count[0], 24576);
}

TEST_F(TerrainDevice, AFailedProgramIsLoggedAndLeftEmpty) {
    ground_->create_tile_grids();
    device().create_result = E_GL_SHADER;  // the first program fails to compile
    ground_->load_shaders();
    EXPECT_FALSE(ground_->vertex_shaders[0]);
    EXPECT_TRUE(ground_->pixel_shaders[0]);
    EXPECT_NE(std::string(app_.log_text()).find("Could not load VSO 356\r\n"), std::string::npos);
}

TEST_F(TerrainDevice, ReleaseTwiceFreesEverything) {
    ASSERT_TRUE(ground_->init_device());
    EXPECT_GT(app_.device->live_resource_count(), baseline_);
    ground_->release();
    EXPECT_EQ(app_.device->live_resource_count(), baseline_);
    ground_->release();
    EXPECT_EQ(app_.device->live_resource_count(), baseline_);
    EXPECT_FALSE(ground_->water.near_vertex_buffer);
}

namespace {

// Counts the recorded draws that used a pixel program, and those that used `program`.
struct program_counts {
    int total = 0, with_program = 0, with_this = 0;
};

program_counts count_draws(const recording_device& d, const gfx_shader* program) {
    program_counts c;
    for (const draw_record& r : d.draws()) {
        ++c.total;
        if (r.pixel_shader != nullptr) ++c.with_program;
        if (program != nullptr && r.pixel_shader == program) ++c.with_this;
    }
    return c;
}

}  // namespace

// Ground above the water everywhere (the fill height) so every tile draws its land.
TEST_F(TerrainDevice, LandProgramsFollowTheOptions) {
    state_.fill_height = 10.0f;
    ASSERT_TRUE(ground_->init_device());
    terrain& t = *ground_;
    t.update_lod();
    int step_one = 0;
    for (const terrain_tile& tile : t.near_tiles) step_one += tile.step == 1 ? 1 : 0;
    ASSERT_GT(step_one, 0);
    ASSERT_LT(step_one, 256);

    // A view that holds the whole grid: every tile is drawn.
    app_.device->set_transform(TS_PROJECTION, mat_ortho_lh(1.0e6f, 1.0e6f, -1.0e6f, 1.0e6f));
    device().clear_records();
    t.render_tiles(true);
    program_counts c = count_draws(device(), t.pixel_shaders[terrain::k_land_pair].get());
    EXPECT_EQ(c.total, 24 + 256);  // far tiles without the centre, then every near tile
    EXPECT_EQ(c.with_this, step_one);
    EXPECT_EQ(c.with_program, step_one);

    app_.use_shaders = 0;  // near tiles without the detail program; the vertex program stays
    device().clear_records();
    t.render_tiles(true);
    c = count_draws(device(), nullptr);
    EXPECT_EQ(c.with_program, 0);
    EXPECT_EQ(device().draws().back().vertex_shader, t.vertex_shaders[terrain::k_land_pair].get());

    t.shadow = 1;  // the shadow map program on step-1 tiles, whatever the option
    device().clear_records();
    t.render_tiles(true);
    c = count_draws(device(), t.pixel_shaders[terrain::k_shadowed_land_pair].get());
    EXPECT_EQ(c.with_this, step_one);
    EXPECT_EQ(c.with_program, step_one);

    device().clear_records();
    t.render_tiles(false);  // the near tiles of step 1 only
    EXPECT_EQ(static_cast<int>(device().draws().size()), step_one);
}

// Under the water the wave scale is 0: the water's bump scale s = 1 / (64 x wave scale) is
// taken with the scale at least 0.01, so the program gets finite coordinates.
TEST_F(TerrainDevice, WaterBumpScaleStaysFiniteAtWaveScaleZero) {
    ASSERT_TRUE(ground_->init_device());
    ground_->water.waves_shown = 0;
    for (float scale : {0.0f, -0.5f, 2.0f}) {
        ground_->wave_scale = scale;
        ground_->set_water_shader();
        const float* c8 = app_.device->vertex_shader_constant(8);
        EXPECT_TRUE(std::isfinite(c8[0]) && std::isfinite(c8[1])) << scale;
    }
    // c8.w and the glint's light are the sky light: the sun's green.
    state_.sky_light[1] = 0.25f;
    ground_->set_water_shader();
    EXPECT_FLOAT_EQ(app_.device->vertex_shader_constant(8)[3], 0.25f);
    EXPECT_FLOAT_EQ(app_.device->pixel_shader_constant(20)[3], 0.25f);
}

TEST_F(TerrainDevice, CausticsFrameAndWavePatches) {
    ASSERT_TRUE(ground_->init_device());
    sea& s = ground_->water;
    state_.rain = 1;
    app_.paused = 1;  // the clock stands: the frame follows the wave time alone
    s.wave_time = 31.5f / 20.0f;
    s.update();
    EXPECT_EQ(state_.objects.wave_frame, 31);
    s.wave_time = 32.0f / 20.0f;
    s.update();
    EXPECT_EQ(state_.objects.wave_frame, 0);

    // Sun straight down: the patches gather 20 m ahead of the camera (forward +z).
    gfx_light sun;
    sun.direction[1] = -1.0f;
    state_.objects.current_light = &sun;
    camera_ = mat_translation(100.0f, 2.0f, 50.0f);
    device().clear_records();
    s.render_wave_patches();
    ASSERT_EQ(device().draws().size(), 12u);
    for (int p = 0; p < 12; ++p) {
        const draw_record& r = device().draws()[p];
        float u = 0.0f;
        std::memcpy(&u, r.vertices.data() + 16, 4);  // first vertex: x, y, z, colour, u
        EXPECT_FLOAT_EQ(u, 0.1f * (p + 1)) << p;
        const mat4& w = r.state.world[0];
        EXPECT_LE(std::fabs(w.m[3][0] - 100.0f), 10.0f) << p;
        EXPECT_LE(std::fabs(w.m[3][2] - 70.0f), 10.0f) << p;
    }
    EXPECT_EQ(app_.device->render_state(RS_ZWRITEENABLE), 1u);
    EXPECT_EQ(app_.device->render_state(RS_DESTBLEND), static_cast<std::uint32_t>(BLEND_INVSRCALPHA));
}

TEST_F(TerrainDevice, SeaGridDrawsTilesInViewAtLevelOneOrCoarser) {
    ASSERT_TRUE(ground_->init_device());
    sea& s = ground_->water;
    s.update();
    // Each level's compact triangles, read through its vertex list, are its triangles over
    // the whole patch.
    const auto* patch_indices = reinterpret_cast<const std::uint16_t*>(s.near_index_buffer->data());
    for (int level = 0; level < sea::k_levels; ++level) {
        ASSERT_EQ(static_cast<int>(s.level_indices[level].size()), s.lod_count[level]) << level;
        for (int i = 0; i < s.lod_count[level]; ++i) {
            ASSERT_EQ(s.level_vertices[level][s.level_indices[level][i]], patch_indices[s.lod_start[level] + i])
                << level << " " << i;
        }
    }
    app_.device->set_transform(TS_PROJECTION, mat_ortho_lh(1.0e6f, 1.0e6f, -1.0e6f, 1.0e6f));
    device().clear_records();
    s.render(true);
    // In a view holding everything: the far grid, then 33 x 33 near tiles (span 16) in a few
    // draws from memory, none above the 16-bit index range.
    ASSERT_GE(device().draws().size(), 2u);
    EXPECT_LE(device().draws().size(), 1u + 33u * 33u / 16u);
    EXPECT_EQ(device().draws()[0].primitive_count, s.far_index_count / 3);
    int near_indices = 0;
    for (std::size_t i = 1; i < device().draws().size(); ++i) {
        const draw_record& r = device().draws()[i];
        EXPECT_TRUE(r.from_memory && r.indexed) << i;
        EXPECT_LE(r.vertices.size() / sizeof(sea_vertex), 65535u) << i;
        near_indices += r.primitive_count * 3;
    }
    EXPECT_EQ(s.batch_draws + 1, static_cast<int>(device().draws().size()));
    EXPECT_EQ(s.drawn_index_count, s.far_index_count + near_indices);
    // Every tile at level 1 to 3, and the tiles at the camera at level 1.
    EXPECT_GT(near_indices, 33 * 33 * s.lod_count[3]);
    EXPECT_LT(near_indices, 33 * 33 * s.lod_count[1]);
    // The first batch vertex is a vertex of the patch moved by whole patches.
    const auto* first = reinterpret_cast<const sea_vertex*>(device().draws()[1].vertices.data());
    const sea_vertex& corner = s.grid_vertices[0];
    EXPECT_FLOAT_EQ(first->y, corner.y);
    EXPECT_FLOAT_EQ(first->ny, corner.ny);
    const float patches = (first->x - corner.x) / s.patch_size;
    EXPECT_NEAR(patches, std::round(patches), 1e-4f);
    // Looking north through a narrow view, the patches behind and beside are skipped.
    app_.device->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.5f, 1.0f, 1.0f, 100000.0f));
    device().clear_records();
    s.render(true);
    ASSERT_GT(device().draws().size(), 1u);
    int narrow_indices = 0;
    for (std::size_t i = 1; i < device().draws().size(); ++i) narrow_indices += device().draws()[i].primitive_count * 3;
    EXPECT_GT(narrow_indices, 0);
    EXPECT_LT(narrow_indices, near_indices / 2);
}

TEST_F(TerrainDevice, TilesOutOfViewAreSkipped) {
    state_.fill_height = 10.0f;
    ASSERT_TRUE(ground_->init_device());
    terrain& t = *ground_;
    t.update_lod();
    app_.device->set_transform(TS_VIEW, mat_look_at_lh(vec3{0.0f, 20.0f, 0.0f}, vec3{0.0f, 20.0f, 100.0f},
                                                       vec3{0.0f, 1.0f, 0.0f}));
    app_.device->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.5f, 1.0f, 1.0f, 100000.0f));
    device().clear_records();
    t.render_tiles(true);
    const std::size_t drawn = device().draws().size();
    EXPECT_GT(drawn, 0u);
    EXPECT_LT(drawn, 24u + 256u);
    // No near tile wholly south of the camera (its north edge at z <= 0) is drawn.
    int south = 0;
    for (const terrain_tile& tile : t.near_tiles) {
        if (tile.z + t.period > 0.0f) continue;
        ++south;
        for (const draw_record& r : device().draws()) {
            const bool same = r.state.world[0].m[3][0] == tile.world.m[3][0] &&
                              r.state.world[0].m[3][2] == tile.world.m[3][2];
            EXPECT_FALSE(same) << tile.x << "," << tile.z;
        }
    }
    EXPECT_GT(south, 0);
}

namespace {

// Hills and bays over the whole grid: tiles wholly under the water, wholly above it and
// crossed by the shore.
float rolling_ground(float x, float z) {
    return 40.0f * std::sin(x / 700.0f) + 25.0f * std::cos(z / 900.0f) - 10.0f;
}

void shape_tiles(terrain& t, float (*height)(float, float)) {
    for (std::vector<terrain_tile>* tiles : {&t.far_tiles, &t.near_tiles}) {
        for (terrain_tile& tile : *tiles) {
            if (!tile.has_buffers()) continue;  // the far grid's centre record
            for (int i = 0; i < tile.vertex_count; ++i) {
                terrain_vertex& v = tile.vertices[static_cast<std::size_t>(i)];
                v.y = height(tile.x + v.x, tile.z + v.z);
            }
            tile.build_tile_indices();
        }
    }
}

// One corner of a drawn triangle: where the draw puts it in the world, and where it lies on
// its own tile (what the water's bump pattern follows) or, for the land, texture set 1 as
// drawn (its curvature drop).
struct placed_corner {
    vec3 world;
    float tile_x = 0.0f, tile_z = 0.0f;
};

// The corners the draws put in the world, in drawing order. A draw of the water from memory is
// a gathered one: its vertices carry their place on the tile in texture set 1; the land's
// keep their curvature drop there, gathered or not.
std::vector<placed_corner> placed_corners(const std::vector<draw_record>& draws, bool water) {
    std::vector<placed_corner> out;
    for (const draw_record& r : draws) {
        for (std::uint32_t i : r.indices) {
            terrain_vertex v;
            const std::size_t at = (i + static_cast<std::size_t>(r.base_vertex)) * sizeof(terrain_vertex);
            if (at + sizeof v > r.vertices.size()) return {};
            std::memcpy(&v, r.vertices.data() + at, sizeof v);
            placed_corner c;
            c.world = transform_coord(vec3{v.x, v.y, v.z}, r.state.world[0]);
            const bool on_tile = water && r.from_memory;
            c.tile_x = on_tile || !water ? v.drop : v.x;
            c.tile_z = on_tile || !water ? v.unused : v.z;
            out.push_back(c);
        }
    }
    return out;
}

// Empty when both lists of draws put the same triangles in the same order.
std::string same_triangles(const std::vector<draw_record>& one_by_one,
                           const std::vector<draw_record>& gathered, bool water = true) {
    const std::vector<placed_corner> a = placed_corners(one_by_one, water);
    const std::vector<placed_corner> b = placed_corners(gathered, water);
    if (a.size() != b.size()) {
        return "corners " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const vec3 d = a[i].world - b[i].world;
        if (std::fabs(d.x) > 0.01f || std::fabs(d.y) > 0.01f || std::fabs(d.z) > 0.01f ||
            a[i].tile_x != b[i].tile_x || a[i].tile_z != b[i].tile_z) {
            return "corner " + std::to_string(i) + " differs";
        }
    }
    return "";
}

}  // namespace

// The water and the refraction pass's land, gathered: one draw instead of one a tile, with
// the same triangles in the same order at the same places, the tiles out of view still left
// out, the water's bump coordinates still those on each tile (switched on by c23.x), and the
// water seen from below still drawn with the back cull mode.
TEST_F(TerrainDevice, BelowWaterTilesInViewAreGatheredIntoOneDraw) {
    ASSERT_TRUE(ground_->init_device());
    terrain& t = *ground_;
    state_.water_level = 0.0f;
    t.update_lod();
    shape_tiles(t, rolling_ground);
    t.grid_origin[0] = -4000.0f;  // the grid origin away from the scene origin
    t.grid_origin[2] = 1500.0f;
    gfx_device* d = app_.device.get();
    d->set_transform(TS_VIEW, mat_look_at_lh(vec3{0.0f, 300.0f, 0.0f}, vec3{0.0f, 0.0f, 2000.0f},
                                             vec3{0.0f, 1.0f, 0.0f}));
    d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.9f, 4.0f / 3.0f, 1.0f, 100000.0f));
    t.water.waves_shown = 0;
    t.set_water_shader();
    struct both_ways {
        std::vector<draw_record> by_tile, gathered;
    };
    const auto draws_of = [&](const std::function<void()>& draw) {
        both_ways w;
        for (bool one_by_one : {true, false}) {
            t.one_draw_per_tile = one_by_one;
            device().clear_records();
            draw();
            (one_by_one ? w.by_tile : w.gathered) = device().draws();
        }
        return w;
    };
    const both_ways water = draws_of([&] { t.render_water(true); });
    ASSERT_GT(water.by_tile.size(), 10u);
    EXPECT_LT(water.by_tile.size(), 100u);  // tiles out of view (behind the eye) left out
    ASSERT_EQ(water.gathered.size(), 1u);
    EXPECT_EQ(same_triangles(water.by_tile, water.gathered), "");
    EXPECT_EQ(water.by_tile[0].state.vs_constants[23][0], 0.0f);
    EXPECT_EQ(water.gathered[0].state.vs_constants[23][0], 1.0f);
    // The eye relative to the gathered tiles' corner: the grid origin at the water level.
    const float* eye = water.gathered[0].state.ps_constants[17];
    EXPECT_FLOAT_EQ(eye[0], 4000.0f);
    EXPECT_FLOAT_EQ(eye[2], -1500.0f);

    const both_ways land = draws_of([&] { t.render_tiles_refraction(true); });
    ASSERT_GT(land.by_tile.size(), 10u);
    ASSERT_EQ(land.gathered.size(), 1u);
    EXPECT_EQ(same_triangles(land.by_tile, land.gathered, false), "");
    // The refraction program places the ground by c12..c15: the gathered draw's own world.
    EXPECT_EQ(land.gathered[0].state.vs_constants[12 + 3][0], -4000.0f);

    // From under the water only the near tiles of step 1, culled the other way round.
    const both_ways below = draws_of([&] { t.render_water(false); });
    ASSERT_GT(below.by_tile.size(), 0u);
    ASSERT_EQ(below.gathered.size(), 1u);
    EXPECT_EQ(same_triangles(below.by_tile, below.gathered), "");
    EXPECT_EQ(below.gathered[0].state.render[RS_CULLMODE], static_cast<std::uint32_t>(app_.back_cull));
    EXPECT_EQ(d->render_state(RS_CULLMODE), static_cast<std::uint32_t>(app_.front_cull));
}

// Every tile under the water, at its finest and in view: more vertices than 16-bit indices
// reach, so the gathered stream is drawn in a few parts, each within the range, still the
// tiles' triangles in order. Nothing in view: no draw.
TEST_F(TerrainDevice, AGatheredStreamPastSixteenBitIndicesIsDrawnInParts) {
    state_.fill_height = -10.0f;
    ASSERT_TRUE(ground_->init_device());
    terrain& t = *ground_;
    t.update_lod();
    for (terrain_tile& tile : t.near_tiles) {  // every near tile at its finest: 256 x 33 x 33 vertices
        tile.build_tile(1);
        tile.build_tile_indices();
    }
    gfx_device* d = app_.device.get();
    d->set_transform(TS_PROJECTION, mat_ortho_lh(1.0e6f, 1.0e6f, -1.0e6f, 1.0e6f));
    t.water.waves_shown = 0;
    t.set_water_shader();
    t.one_draw_per_tile = true;
    device().clear_records();
    t.render_water(true);
    const std::vector<draw_record> by_tile = device().draws();
    ASSERT_EQ(by_tile.size(), 24u + 256u);
    t.one_draw_per_tile = false;
    const int before = t.below_batch.draw_count;
    device().clear_records();
    t.render_water(true);
    const std::vector<draw_record>& parts = device().draws();
    ASSERT_GE(parts.size(), 2u);
    EXPECT_LE(parts.size(), 10u);
    EXPECT_EQ(t.below_batch.draw_count - before, static_cast<int>(parts.size()));
    for (const draw_record& r : parts) {
        EXPECT_LE(r.vertices.size() / sizeof(terrain_vertex), terrain_batch::k_max_vertices);
    }
    EXPECT_EQ(same_triangles(by_tile, parts), "");

    // Looking away from the grid (the view's far plane short of every tile): nothing drawn.
    d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.5f, 1.0f, 1.0f, 2.0f));
    d->set_transform(TS_VIEW, mat_look_at_lh(vec3{0.0f, 5000.0f, 0.0f}, vec3{0.0f, 10000.0f, 0.0f},
                                             vec3{0.0f, 0.0f, 1.0f}));
    device().clear_records();
    t.render_water(true);
    t.render_tiles_refraction(true);
    EXPECT_TRUE(device().draws().empty());
}
