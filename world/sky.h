// The scene's one sky: the sun (or moon) light, the under-water particle field, the stars
// and the cloud layer, the dome and the sun-glow cone, and three colour tables keyed by the
// time of day ("graphics\color_map.txt" or the built-in defaults).
//
// Every frame the sky turns the time of day and the camera's latitude and longitude into the
// sun, moon and star orientations, interpolates light, fog and sky colours and publishes them
// in the application state: sky_light (sun r, g, b, sky r, g, b as 0..1), the fog colour
// (0..255), the far plane and maximum fog distance, the night flag and the current light.
//
// Drawing entries for the scene's passes: render (the dome, sun and moon discs, stars),
// render_clouds (the cloud layer) and render_sun_mesh (the glow cone seen from under water).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx_device.h"
#include "platform/math3d.h"

class light;
class rain;
class stars;
class clouds;

class sky {
public:
    static constexpr int k_keys = 7;
    // One colour key: r, g, b, a (0..255) and the time t in tenths of an hour (0..240).
    struct colour_key {
        int r = 0, g = 0, b = 0, a = 0, t = 0;
    };
    struct colour {
        int r = 0, g = 0, b = 0, a = 0;
    };
    // The dome and the cone share one vertex layout: position and a 0xAARRGGBB colour.
    struct mesh_vertex {
        float x, y, z;
        std::uint32_t colour;
    };
    static constexpr std::uint32_t k_mesh_fvf = FVF_XYZ | FVF_DIFFUSE;
    static constexpr int k_dome_vertices = 1296;
    static constexpr int k_cone_vertices = 864;
    // Earth radius (m) and its square: the horizon of a camera at altitude a lies
    // sqrt((a + R)^2 - R^2) away.
    static constexpr float k_earth_radius = 6366707.0f;
    static constexpr float k_earth_radius_sq = 4.0534958e13f;

    sky();
    ~sky();
    sky(const sky&) = delete;
    sky& operator=(const sky&) = delete;

    // Start-up, after the device exists: the sun light, both meshes, the particle field, the
    // stars, the colour tables and the cloud layer, in that order (the particle field and the
    // clouds draw from the program's rand in this order).
    void init();
    // True when the whole file was read and every tag matched; a table is taken only when its
    // seven tags matched, the two high colours only when both did.
    bool read_color_map(const char* file);
    void set_default_colors();
    // Per frame in scene mode: the particle field (while the rain flag is set), the celestial
    // update, the cloud layer's size and its update.
    void update();
    // Orientations and colours from the time of day and the camera's position; publishes
    // them into the application state.
    void update_celestial();
    // The scene's passes call these. render draws the dome (normal view only), the sun and
    // moon discs and the stars around the camera; under_water is the refraction pass seen
    // from below the surface. behind_drawn draws the same picture after the opaque land (and
    // sea) of the view: its pixels go only where nothing was drawn yet, so what covers the
    // sky is not shaded twice.
    void render(bool under_water, bool behind_drawn = false);
    void render_clouds();
    void render_sun_mesh();
    void shift_origin(float dx, float dy, float dz);
    void release();

    // The colour of a table at a time in tenths of an hour (taken into 0..240).
    static colour interpolate(const colour_key (&keys)[k_keys], int tenths);

    colour_key light_keys[k_keys];
    colour_key fog_keys[k_keys];
    colour_key sky_keys[k_keys];
    int high_fog[3] = {0, 0, 0};
    int high_sky[3] = {0, 0, 0};
    light* sun_light = nullptr;
    std::unique_ptr<rain> under_water;
    std::unique_ptr<stars> star_field;
    std::unique_ptr<clouds> cloud_layer;
    mat4 sun_matrix = mat_identity();
    mat4 moon_matrix = mat_identity();
    // The dome buffer holds its triangles in three runs, each drawn with its own pixel
    // program: those the sun's glow may reach, those turned away from the sun (sorted anew
    // when the sun moves far enough to change which they are), and the skirt below the
    // horizon band.
    int dome_vertex_count = 0;
    int dome_glow_vertices = 0;
    int dome_away_vertices = 0;
    int dome_below_vertices = 0;
    vertex_buffer_ptr dome_buffer;
    shader_ptr dome_away_ps;
    shader_ptr dome_below_ps;
    int cone_vertex_count = 0;
    vertex_buffer_ptr cone_buffer;

    // The last interpolated colours and the star brightness (kept for the drawing and tests).
    colour light_colour;
    colour fog_colour;
    colour sky_colour;
    float star_brightness = 0.0f;

private:
    void build_dome();
    // Sorts the dome's upper triangles by whether the glow around direction can reach them
    // and rewrites the buffer when that changed.
    void sort_dome(const float* light_direction);
    void draw_dome(gfx_device* d);
    void build_cone();
    void draw_disc(gfx_device* d, gfx_texture* texture, const mat4& orientation);

    std::vector<mesh_vertex> dome_upper_;   // rings and horizon band, as built
    std::vector<mesh_vertex> dome_below_;   // the skirt under the band
    std::vector<char> dome_away_;           // per upper triangle, as last sorted
};
