// The device objects of the application state that many drawing parts share: the shader
// program slots (keyed by the numbers the drawing code asks for), the render targets of the
// scene's off-screen passes, the small shared textures from the "graphics" folder, and the
// values the ground, water and sea drawing read each frame (current light, materials, the
// animated wave frame and its projection, the overhead view). Start-up fills it through
// app_state::load_shared_textures; shutdown and the destructor release it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx_device.h"
#include "platform/math3d.h"
#include "platform/render_to_surface.h"

struct app_state_objects {
    static constexpr int k_vertex_slots = 7;
    static constexpr int k_pixel_slots = 8;
    static constexpr int k_wave_frames = 32;
    static constexpr int k_large_target = 1024;  // shadow and overhead targets, texels a side

    // Program numbers of the slots, in slot order: mesh shadow pass, mesh render pass 2, mesh
    // render pass 3, scatter arrays, sky, sun mesh, visual pass 2; the pixel table adds the
    // full-screen pixel pass (vertex: none).
    static constexpr int k_vertex_ids[k_vertex_slots] = {217, 268, 331, 388, 391, 415, 390};
    static constexpr int k_pixel_ids[k_pixel_slots] = {218, 267, 330, 364, 412, 413, 416, 371};

    shader_ptr vertex_shaders[k_vertex_slots];
    shader_ptr pixel_shaders[k_pixel_slots];

    // Half the back buffer: reflection, refraction and the night-vision screen.
    std::unique_ptr<render_to_surface> half_surface;
    texture_ptr reflection_texture;
    texture_ptr refraction_texture;
    texture_ptr screen_texture;
    // 1024 x 1024: shadow map and overhead view.
    std::unique_ptr<render_to_surface> large_surface;
    texture_ptr shadow_texture;
    texture_ptr overhead_texture;

    texture_ptr white_texture;    // 32 x 32, 0xFFFFFFFF
    texture_ptr yellow_texture;   // 0xFFFFFF00
    texture_ptr orange_texture;   // 0xFFFFC000
    texture_ptr bump_texture;     // derived from "graphics\bump.jpg"
    texture_ptr bump_plain;       // "graphics\bump.jpg" as it is
    texture_ptr dense_texture;    // "graphics\dense.jpg"
    texture_ptr reflection_cube;  // "graphics\refmap.dds"
    // Handed out by the texture cache uncached (load mode 0), given back at release.
    gfx_texture* sun_texture = nullptr;
    gfx_texture* moon_texture = nullptr;
    gfx_texture* wave_textures[k_wave_frames] = {};

    // Per-frame values the ground and the sea read.
    const gfx_light* current_light = nullptr;  // the sky's sun light normally
    gfx_material default_material = {{1, 1, 1, 1}, {1, 1, 1, 1}, {}, {}, 0};  // white
    gfx_material caustics_material = {{0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 1}, {}, {}, 0};
    int wave_frame = 0;                        // 0..31, the animated caustics and patches
    mat4 wave_projection = mat_identity();     // camera space to wave texture coordinates
    float wave_offset[2] = {0.0f, 0.0f};
    float overhead[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // centre x, height, centre z, half-size
    float fog_value = 1.0f;                    // the scene's fog value for the sea tiles
    // The frame's fog, set by the scene each frame: mode 1 air, 0 water; the distances are
    // visibilities in m (a density is 2.3 / distance); colours opaque ARGB.
    int fog_mode = 1;
    float fog_blended = 10000.0f;              // the layer and clear air mixed by height
    float fog_copy = 10000.0f;
    std::uint32_t clear_colour = 0xFF000000u;
    std::uint32_t ambient_colour = 0xFF808080u;
    float water_depth[8] = {1, 1, 1, 1, 1, 1, 1, 1};  // 1 above water, darker with depth

    // The vertex or pixel program of a number, none when the slot is empty or unknown.
    gfx_shader* vertex_shader(int id) const;
    gfx_shader* pixel_shader(int id) const;
    gfx_texture* wave_texture() const;
};

// The GLSL of a shared program number (none for a number whose drawing has no program yet).
const char* shared_shader_source(shader_stage stage, int id);
