// The ocean surface of every scenery: one square wave patch of 64 x 64 cells that repeats
// without seams, computed every frame from a directional wave spectrum by an inverse FFT,
// with optional horizontal (choppy) displacement, a normal field and the water-height
// queries flight models and floating objects use. The patch's mesh and drawing live with
// the sea rendering; this object holds the wave field itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/fft_c2r.h"
#include "platform/gfx_device.h"
#include "platform/math3d.h"

class terrain;

// The sea's vertex: position, normal, diffuse colour, texture 0 (u, v), texture 1 (crest
// value 0..1, unused). 44 bytes.
struct sea_vertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float nx = 0.0f, ny = 1.0f, nz = 0.0f;
    std::uint32_t diffuse = 0xFFFFFFFFu;
    float u = 0.0f, v = 0.0f;
    float crest = 0.0f, unused = 0.0f;
};
static_assert(sizeof(sea_vertex) == 44, "sea vertices are 44 bytes");

class sea {
public:
    static constexpr int N = 64;            // cells per patch side
    static constexpr int k_spectrum = N + 1;
    static constexpr int k_stride = N + 2;  // doubles per row of the transform arrays
    static constexpr int k_patches = 12;
    // Transform column 32 is the one the centring shift turns into kx = 0: the waves that
    // run straight downwind or upwind, the strongest of the spectrum. It is filled from the
    // time step of spectrum row 32; left zero, the sea loses them.
    static constexpr bool k_fill_kx_zero_column = true;

    // Seeds the program's rand with 1 and draws the random tables: the wave field of every
    // run depends on exactly this sequence.
    sea();
    sea(const sea&) = delete;
    sea& operator=(const sea&) = delete;

    // Cell size, amplitude, frequencies and initial spectrum from the wave height and the
    // wind of the application state; replaces the transform plan and zeroes the fields.
    void build_spectrum();
    float wave_spectrum(float kx, float kz) const;
    // Per frame: the wave clock, the water motion, and the waves while they are shown.
    void update();
    void update_waves();
    void update_normals();
    // The water surface height at scene position (x, z), scene metres.
    void surface_height(float x, float z, float* height) const;
    void surface_height_normal(float x, float z, float* height, float* nx, float* ny,
                               float* nz) const;
    // Keeps the waves fixed to the world when the world origin moves.
    void shift_origin(float dx, float dz);

    float amplitude[N][N] = {};
    float phase[N][N] = {};
    int grid_size = N;
    int far_grid_span = 8;
    int row_stride = k_stride;
    float cell_size = 5.0f;
    float patch_size = 320.0f;
    float mesh_altitude = 0.0f;
    float mesh_altitude_cells = 0.0f;
    float choppiness = 0.5f;
    float crest_factor = 1.0f;
    float texture_repeat = 5.0f;
    float spectrum_amplitude = 1.0f;
    float wind_per_cell = 1.0f;
    std::uint8_t grid_mode = 1;
    std::uint8_t waves_shown = 1;
    float omega[k_spectrum][k_spectrum] = {};
    double h0[k_spectrum][k_spectrum][2] = {};
    double ht[k_spectrum][k_spectrum][2] = {};
    double height[N][k_stride] = {};
    double disp_x[N][k_stride] = {};
    double disp_z[N][k_stride] = {};
    std::unique_ptr<fft_c2r_64> plan;
    float normals[N][k_stride][3] = {};
    float wave_height = 0.5f;
    float wave_time = 0.0f;
    float pattern_offset_x = 0.0f;
    float pattern_offset_z = 0.0f;
    float height_grid[N][N] = {};
    float normal_x_grid[N][N] = {};
    float normal_y_grid[N][N] = {};
    float normal_z_grid[N][N] = {};
    int patch_count = k_patches;
    float patch_x[k_patches] = {};
    float patch_z[k_patches] = {};
    float lod_distance = 2000.0f;  // mesh reach in cells; with the patch size it sets the sea's range

    // ---- Mesh, device objects and drawing (sea_mesh.cpp, sea_render.cpp) ----
    static constexpr int k_mesh_vertices = 24000;
    static constexpr int k_mesh_indices = 64000;
    static constexpr int k_far_vertices = (N + 2) * (N + 2);
    static constexpr int k_far_indices = 24576;
    static constexpr int k_levels = 4;
    static constexpr std::uint32_t k_fvf = FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE | FVF_TEX2;

    // The three mesh arrays and the four managed buffers, then the mesh and the spectrum.
    // False at the first failed creation (logged through the device check).
    bool init_device();
    void release();
    void build_mesh();
    void build_far_grid();
    void build_grid_indices();
    void fill_grid_vertices();
    void refresh_mesh();
    void set_grid_mode(std::uint8_t mode);
    // Drawing (sea_render.cpp), with the water program the terrain's water pass chose.
    // With cover (the land drawn before the water in the same view), the far grid's cells
    // and the near patches the land is shown to hide are left out.
    void render(bool full, const terrain* cover = nullptr);
    void render_grid(const terrain* cover);
    void render_mesh();
    // The twelve small additive wave patches around the point the sun glints at (the camera
    // at the water), and the caustics texture's frame and projection.
    void render_wave_patches();
    void update_wave_projection();

    // The near patches in view go to the device in few draws: each patch's vertices at its
    // level of detail, moved to its place under the lead point, appended to one array, with
    // the level's indices. A draw holds at most this many vertices (16-bit indices).
    static constexpr int k_batch_vertices = 65535;
    // Per level: the patch vertices its triangles use, in order of first use, and its
    // triangles over that compact list.
    std::vector<std::uint16_t> level_vertices[k_levels];
    std::vector<std::uint16_t> level_indices[k_levels];
    std::vector<sea_vertex> grid_vertices;  // the near patch of this frame
    // The far grid as its buffers hold it, and the triangles of its cells drawn this frame
    // when some are out of view or under the land.
    std::vector<sea_vertex> far_vertices;
    std::vector<std::uint16_t> far_indices;
    std::vector<std::uint16_t> far_drawn;
    std::vector<sea_vertex> batch_vertices;
    std::vector<std::uint16_t> batch_indices;
    int batch_draws = 0;  // the draws of the near patches last frame
    int hidden_patches = 0;  // near patches in view left out under the land last frame
    int hidden_cells = 0;    // far grid cells in view left out under the land last frame
    // The wave field's reach this frame: the largest height from the water level and the
    // largest sideways displacement of a vertex, metres.
    float height_reach = 0.0f;
    float sideways_reach = 0.0f;

    vertex_buffer_ptr near_vertex_buffer;
    index_buffer_ptr near_index_buffer;
    vertex_buffer_ptr far_vertex_buffer;
    index_buffer_ptr far_index_buffer;
    std::uint16_t mesh_vertex_count = 0;
    std::uint16_t mesh_index_count = 0;
    std::uint16_t far_vertex_count = 0;
    std::uint16_t far_index_count = 0;
    int drawn_index_count = 0;
    std::uint16_t near_vertex_count = 0;
    std::uint16_t lod_start[k_levels] = {};
    std::uint16_t lod_count[k_levels] = {};
    std::vector<std::int32_t> mesh_grid_x;
    std::vector<std::int32_t> mesh_grid_z;
    std::vector<float> mesh_detail;
    float lod_ratio = 5.0f;
    float lead_cells = 40.0f;
    mat4 world = mat_identity();
    mat4 shader_matrix = mat_identity();
    float inverse_patch = 1.0f / 320.0f;
    float wave_drift[2] = {0.0f, 0.0f};    // the caustics texture's drift, metres
    float patch_drift[2] = {0.0f, 0.0f};
    float patch_centre[2] = {0.0f, 0.0f};  // where the wave patches gathered last frame

private:
    // The random amplitude and phase tables read as one run of 8192 values, amplitudes
    // first, as the spectrum build indexes them; positions past the run read 0.
    float random_run(int position) const;
    void fill_transform_input();
    void update_displacement();
    void update_reach();
    float sample_grid(const float (&grid)[N][N], float x, float z) const;
    // The adaptive mesh (grid mode 0).
    void build_adaptive_mesh(sea_vertex* vertices, std::uint16_t* indices);
    int add_mesh_vertex(sea_vertex* vertices, float x, float z);
    void split_triangle(sea_vertex* vertices, std::uint16_t* indices, int a, int b, int c);
    void set_draw_constants(gfx_device* d);
    void compact_levels(const std::uint16_t* indices);
    void add_to_batch(int level, float dx, float dz);
    void draw_batch(gfx_device* d);
    // The far grid's cells in view and not under the land, from memory; false when they
    // cannot be listed (no copy of the grid), and the buffers are drawn instead.
    bool draw_far_cells(gfx_device* d, const terrain* cover, const vec3& eye, float near_plane,
                        const mat4& view_projection);
    void emit_triangle(sea_vertex* vertices, std::uint16_t* indices, int a, int b, int c, float edge);
};
