// The night sky's star field: up to 2,048 small textured quads on a sphere of radius 10
// around the camera, read from "graphics\star_map.txt" (brightest first) and drawn with
// "graphics\star.dds". The sky turns the field with the time of day and the camera's
// longitude and sets its brightness; a dimmer sky draws only the brighter stars.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gfx_device.h"
#include "platform/math3d.h"

class stars {
public:
    static constexpr int k_max_stars = 2048;
    static constexpr int k_vertices_per_star = 6;
    struct vertex {
        float x, y, z;
        float u, v;
    };
    static constexpr std::uint32_t k_fvf = FVF_XYZ | FVF_TEX1;

    stars();
    virtual ~stars();
    stars(const stars&) = delete;
    stars& operator=(const stars&) = delete;

    // The vertex buffer filled from the file, then the texture. A missing file gives no
    // stars; the texture is still loaded.
    void load(const char* file = "graphics\\star_map.txt");
    // Material colour; the brightness g decides how many of the stars are drawn.
    void set_color(float r, float g, float b, float a);
    void render();
    void release();

    // The six corners of a star of the given size at angles b and c (degrees), before the
    // field's orientation.
    void star_quad(float size, float b, float c, vertex* out) const;

    int star_count = 0;
    int vertex_count = 0;
    int drawn_limit = 0;
    float size_scale = 0.00015f;
    float distance = 10.0f;
    mat4 orientation = mat_identity();
    gfx_material material;
    vertex_buffer_ptr vertex_buffer;
    gfx_texture* texture = nullptr;

private:
    // Reads the star table's text into out (room for k_max_stars stars); a table that stops
    // early, is damaged or declares more stars than it holds gets one log line naming file.
    void read_table(const char* file, const std::string& text, vertex* out);
};
