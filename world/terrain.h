// The ground of the world: the elevation grid of the loaded scenery with its land-class,
// mark and water maps, the near and far tile grids that follow the camera at a level of
// detail, the ground height and position queries, and, as its first part, the sea.
// Loading a scenery reads its folder ("scenery\<name>"): the ".hdr" header, the ".bin"
// samples, "scenery.txt", and the derived "txt.bmp" and "water.bmp", written when missing or
// refused (cut short, another size or format than the grid's).
#pragma once

#include <cstdint>
#include <vector>

#include "world/scatter_sprite_shading.h"
#include "world/sea.h"
#include "world/terrain_batch.h"
#include "world/terrain_tile.h"

class array_sp;

struct land_class {
    float min_height = 0.0f;
    float max_height = 0.0f;
    float min_slope = 0.0f;  // stored as (slope x cell size)^2
    float max_slope = 0.0f;
    float probability = 0.0f;
};

struct scatter_array_def {
    float item_width = 0.0f;
    float item_height = 0.0f;
    float radius = 0.0f;
    float item_count = 0.0f;
};

// The off-screen passes a frame needs, decided by the per-frame update for the scene's
// render passes.
struct terrain_passes {
    bool reflection = false;
    bool refraction = false;
    bool overhead = false;
    bool shadow = false;
    bool night_vision = false;
};

class terrain {
public:
    static constexpr int k_max_classes = 16;
    static constexpr int k_max_arrays = 16;
    static constexpr int k_name_size = 40;
    static constexpr int k_water_block = 32;   // samples per water-map block side
    static constexpr float k_metres_per_degree = 111120.0f;
    static constexpr float k_no_ground = -1000000.0f;
    // The largest volume texture extent the land textures may take.
    static constexpr int k_max_volume_extent = 2048;

    terrain();
    ~terrain();
    terrain(const terrain&) = delete;
    terrain& operator=(const terrain&) = delete;

    // Scenery loading. load_scenery reports whether the elevations were loaded.
    bool load_scenery(const char* name);
    void unload();
    bool read_scenery_file();
    bool load_elevations();
    void shape_shore();
    void shape_shore_to_water();
    bool read_water_map();
    void build_water_map();
    bool read_class_map();
    void build_class_map();
    bool write_class_map() const;
    int water_byte_at(int row, int column) const;

    // Grid, tiles and level of detail.
    void create_tile_grids();
    void layout_tiles();
    void update_lod();
    void update();
    void shift_grid_origin(float dx, float dy, float dz);
    void reset_grid_origin();

    // Height and position queries (scene metres).
    void ground_height(float x, float z, float* height) const;
    void class_ground_height(float x, float z, std::uint32_t mask, float* height) const;
    void ground_height_normal(float x, float z, float* height, float* normal) const;
    void mark_cell(float x, float z, std::uint8_t value);
    bool water_near_camera(float radius) const;
    bool class_near_camera(std::uint32_t mask, float radius) const;
    void grid_to_lon_lat(float* longitude, float* latitude, float x, float z) const;
    void scene_to_lon_lat(float* longitude, float* latitude, float x, float z) const;
    void lon_lat_to_grid(float longitude, float latitude, float* x, float* z) const;
    void lon_lat_to_scene(float longitude, float latitude, float* x, float* z) const;

    int elevation(int row, int column) const { return elevations[row * columns + column]; }
    bool has_elevations() const { return !elevations.empty(); }

    sea water;

    float wave_scale = 0.5f;
    float water_height_ratio = 0.0f;
    float grid_origin[3] = {0.0f, 0.0f, 0.0f};

    int land_class_count = 0;
    int land_texture_size = 1024;
    int land_slice_count = 16;
    land_class land_classes[k_max_classes];
    char land_texture_names[k_max_classes][k_name_size] = {};

    // The scenery's scatter arrays (terrain_scatter.cpp): one array of plants or bushes per
    // land-array entry of "scenery.txt", an owned child of the "transps" root that keeps its
    // items on the ground of its land classes around the camera. create_scatter_arrays makes
    // them (an entry whose array cannot be made or has an item height of 0 or less is left
    // out) and re-scatters them; rescatter_arrays puts every item back on unmarked ground of
    // its classes after cells were marked; release_scatter_arrays removes them.
    void create_scatter_arrays();
    void rescatter_arrays();
    void release_scatter_arrays();
    array_sp* scatter_objects[k_max_arrays] = {};
    int scatter_object_count = 0;

    std::vector<terrain_tile> near_tiles;
    std::vector<terrain_tile> far_tiles;
    int tile_samples = 32;
    int near_grid = 16;
    int far_grid = 5;
    int column_offset = 0;
    int row_offset = 0;
    float cell_size = 30.0f;
    float lod_factor = 2.8f;
    float period = 960.0f;
    float half_extent = 7200.0f;
    int columns = 0;
    int rows = 0;
    std::vector<std::int16_t> elevations;
    std::vector<std::uint8_t> class_map;
    std::vector<std::uint8_t> mark_map;
    std::vector<std::uint8_t> water_map;
    int lod_step = 1;
    std::uint8_t use_refmap = 1;
    std::uint8_t use_refrac = 1;
    std::uint8_t use_waves = 1;
    std::uint8_t use_objects_in_ref = 1;
    std::uint8_t water_in_view = 0;
    std::uint8_t shadow = 0;
    terrain_passes passes;

    std::uint8_t has_depth = 0;
    int no_data = 0;
    float west = 0.0f, east = 0.0f, north = 0.0f, south = 0.0f;
    float elevation_scale = 0.0f;
    float depth_value = 0.0f;

    int scatter_array_count = 0;
    scatter_array_def scatter_arrays[k_max_arrays];
    char scatter_texture_names[k_max_arrays][k_name_size] = {};
    std::uint32_t scatter_masks[k_max_arrays] = {};

    // ---- Pictures and texture volumes of a scenery load (terrain_textures.cpp) ----
    // "map.jpg" and "topo.jpg" when either is missing; true when both were made.
    bool make_topo_map();
    // The five land volumes (levels 0 to 4) and the dense volume: slice k from the texture
    // of land class k, white when it is missing. False when a volume could not be made.
    bool load_land_textures();
    bool load_dense_textures();
    // The land texture side in use: the scenery's, bounded by what a volume may take.
    int land_texture_side() const;
    void release_land_volumes();

    // ---- Device objects (terrain_device.cpp) ----
    static constexpr int k_shader_pairs = 11;
    static constexpr int k_refraction_pair = 8;
    static constexpr int k_land_pair = 9;
    static constexpr int k_shadowed_land_pair = 10;
    static constexpr int k_vertex_shader_ids[k_shader_pairs] = {356, 397, 403, 400, 407, 345,
                                                                404, 401, 358, 389, 389};
    static constexpr int k_pixel_shader_ids[k_shader_pairs] = {241, 373, 379, 376, 383, 346,
                                                               380, 377, 357, 365, 411};
    static constexpr int k_lookup_size = 1024;
    static constexpr int k_land_levels = 5;

    // At start-up once the device exists: the tile grids with their buffers, the programs
    // and textures of the drawing, the sea's device objects.
    bool init_device();
    // Frees the device objects (the programs, textures, volumes and tile buffers), then the
    // sea's. Harmless twice.
    void release();
    void load_shaders();
    // Managed buffers for every tile (nothing without a device).
    void create_tile_buffers();
    // Which of the eight water programs the water is drawn with.
    int water_index() const;

    // ---- Drawing (terrain_render.cpp). full = true: the far tiles (not the centre), then
    // every near tile; full = false: only the near tiles of step 1. ----
    void render_tiles(bool full);             // main view above the water
    void render_tiles_underwater(bool full);  // main view and reflection pass below it
    void render_tiles_refraction(bool full);  // land seen through the water
    void render_tiles_plain(bool full);       // reflection above water; shadow depth
    void render_caustics();
    void set_water_shader();
    void render_water(bool full);
    void restore_render_states();
    void draw_tile_list(terrain_tile& tile, bool above, bool with_constants);
    void draw_tile(terrain_tile& tile);
    void draw_tile_below(terrain_tile& tile);
    void draw_tile_plain(terrain_tile& tile);
    void draw_tile_refraction(terrain_tile& tile);
    void draw_tile_water(terrain_tile& tile);
    void set_tile_constants(terrain_tile& tile);
    // Whether the tile's below-water triangles are in the current view, the tile placed with
    // its drawn height y (flat: the water laid at the level).
    bool below_in_view(terrain_tile& tile, float y, bool flat);
    // The water and the refraction pass's land gather the below-water triangles of the tiles
    // in view into one draw; set, they draw one tile at a time instead (the same picture).
    bool one_draw_per_tile = false;
    terrain_batch below_batch;
    void set_land_shader();
    void restore_fog_states();
    // The near tiles' indices by distance from the eye of the current view, nearest first.
    const std::vector<int>& nearest_first();

    // ---- What the drawn land hides (terrain_cover.cpp). The near tiles as drawn by
    // render_tiles(true), heights with the curvature drop taken off, scene coordinates. ----
    // The lowest and highest land over the quads the rectangle touches; false when part of
    // it lies outside the near grid.
    bool land_range(float x0, float z0, float x1, float z1, float* lowest, float* highest) const;
    // Whether the land over the quads the rectangle touches stands above level everywhere.
    bool land_above(float x0, float z0, float x1, float z1, float level) const;
    // Whether water within reach metres of the water level over the rectangle is hidden
    // from the eye by the land drawn before it: the land stands above the water's top over
    // the rectangle and an apron around it wide enough that every line of sight down to the
    // water meets drawn land first, well in front of the water for the depth buffer (near_plane:
    // the perspective's near distance). False whenever that cannot be shown.
    bool land_hides_water(const vec3& eye, float x0, float z0, float x1, float z1, float reach,
                          float near_plane) const;
    // Whether every tile split its triangles above and below the water at the current water
    // level and, when it has land above it, its buffers hold its arrays: the land drawn is
    // then the arrays' land above the water.
    bool drawn_land_is_current() const;

    shader_ptr vertex_shaders[k_shader_pairs];
    shader_ptr pixel_shaders[k_shader_pairs];
    gfx_texture* spray_texture = nullptr;   // from the texture cache
    texture_ptr lookup_textures[2];         // above the water, under it
    // The scatter arrays' sprite programs (388 and 364): the sprites lit like the ground.
    scatter_sprite_programs sprite_programs;
    texture_ptr water_texture;              // "graphics\water.jpg" as a bump map
    texture_ptr land_volumes[k_land_levels];
    texture_ptr dense_volume;

private:
    std::vector<int> draw_order;        // near tile indices in drawing order
    std::vector<float> order_distance;  // and their squared distances from the eye
    // (slope x cell size)^2 of every land class from the slopes as read.
    void convert_slopes();
    void recompute_period();
    void shape_shore_around(bool with_water);
    // The water level (metres, 0 where there is none) under every column of the given row,
    // as water_byte_at reads the water map.
    void water_levels_of_block_row(int row, std::vector<int>* levels) const;
    float interpolate(float fx, float fz) const;
    void camera_position(vec3* position, vec3* forward) const;
    void decide_passes(float altitude_over_water, float sea_range);
    // The passes decided above, each through the scene's forwarder.
    void run_passes() const;
    void follow_camera(const vec3& camera, const vec3& forward);
    void stitch_near_tiles();

    float slopes_[k_max_classes][2] = {};  // minimum and maximum slope as read (per metre)
};

// "map.jpg" and "topo.jpg" of a scenery that is not the loaded one, when either is missing
// (the map views need them before the scenery was ever flown in): its elevations are read
// into a terrain of their own, and the loaded scenery's name and fill height are kept. True
// when both were made.
bool make_scenery_map_pictures(const char* scenery);
