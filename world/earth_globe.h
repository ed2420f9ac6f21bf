// The whole earth seen from high above the terrain (the globe view): the visible cap of a
// textured sphere of the earth's radius below the camera, turned by the camera's latitude
// and longitude and scaled to fit inside the far plane, with eight textures combined by its
// program (day colour, relief, night side, clouds, haze, ripples, land mask, city lights),
// and an atmosphere ring around its horizon. The cap is rebuilt at most once a second.
//
// The scene's globe pass draws render_shell before the sky and render after it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx_device.h"
#include "platform/math3d.h"

// The globe's programs by number: the globe's vertex (386) and pixel (360) programs and the
// ring's vertex program (409); none for another number.
constexpr int k_globe_vs_id = 386;
constexpr int k_shell_vs_id = 409;
constexpr int k_globe_ps_id = 360;
const char* earth_globe_program(int id);

class earth_globe {
public:
    static constexpr int k_max_steps = 24;              // grid steps each side of the centre
    static constexpr std::uint32_t k_build_interval = 1000;  // ms between cap builds
    static constexpr int k_globe_buffer_bytes = 461000;
    static constexpr int k_shell_vertices = 864;
    struct vertex {
        float x, y, z;
        float nx, ny, nz;
        float u, v;
    };
    struct shell_vertex {
        float x, y, z;
        std::uint32_t colour;
    };
    // One grid point of the cap: position on the scaled sphere and texture coordinates.
    struct point {
        float x, y, z, u, v;
    };
    static constexpr std::uint32_t k_fvf = FVF_XYZ | FVF_NORMAL | FVF_TEX1;
    static constexpr std::uint32_t k_shell_fvf = FVF_XYZ | FVF_DIFFUSE;

    earth_globe();
    ~earth_globe();
    earth_globe(const earth_globe&) = delete;
    earth_globe& operator=(const earth_globe&) = delete;

    // Both buffers, the atmosphere ring and the three programs.
    void load_shaders();
    // The eight textures, each after its caption on the loading display.
    void load_textures();
    // Per frame while the globe is shown: textures on first use, the cap once a second.
    void update();
    void build_sphere();
    void render();
    void render_shell();
    void release();
    // The textures only (when the scene is cleared).
    void clear();

    // The grid steps each side for a camera at distance D from the earth's centre.
    static int steps_for(float centre_distance, float radius);

    mat4 spare_matrix = mat_identity();
    mat4 globe_matrix = mat_identity();
    mat4 shell_matrix = mat_identity();
    texture_ptr mask_texture, night_texture, clouds_texture, day_texture, ripples_texture,
        puffs_texture, lights_texture, relief_texture;
    vertex_buffer_ptr globe_buffer;
    vertex_buffer_ptr shell_buffer;
    shader_ptr globe_vs, shell_vs;
    shader_ptr globe_ps;
    std::uint8_t textures_loaded = 0;
    int globe_triangles = 0;
    std::uint32_t last_build = 0;
    int shell_vertex_count = 0;
    float centre_distance = 0.0f;
    float horizon_angle = 0.0f;
    float horizon_distance = 0.0f;
    float radius = 6366707.0f;
    float scaled_radius = 0.0f;
    float scale = 0.0f;
    int steps = 0;  // n of the last build
    bool built_once = false;

    // The grid of the last build, (2n + 1) x (2n + 1) points, and which rows the poles
    // clamped; sized by the point count.
    std::vector<point> grid;
    std::vector<std::uint8_t> clamped_rows;

private:
    void fill_shell();
};
