// A field of small textured particles filling a cube around the camera, drifting with the
// water's motion (under water) or the wind. The sky owns one (textured "graphics\hail.dds")
// as the floating particles seen under or just above the water; particles that leave the
// cube come back in on the opposite side, so the field never runs out.
//
// Each particle is one triangle: its first vertex is the particle, the other two hang below
// it facing the camera and stretch along the camera's motion relative to the field.
// Positions are relative to the field centre, the translation row of world.
#pragma once

#include <cstdint>

#include "platform/gfx_device.h"
#include "platform/math3d.h"

class rain {
public:
    static constexpr int k_max_vertices = 1024;
    static constexpr int k_triangles = 341;  // 1,023 vertices
    struct vertex {
        float x, y, z;
        float u, v;
    };
    static constexpr std::uint32_t k_fvf = FVF_XYZ | FVF_TEX1;

    rain();
    virtual ~rain();
    rain(const rain&) = delete;
    rain& operator=(const rain&) = delete;

    // Vertices in use: the fraction of 1,024.
    void set_density(float fraction);
    // The buffer with every vertex at a random point of the cube (the program's rand), then
    // the texture when named. False when the buffer cannot be made or filled.
    bool init(const char* texture_name);
    // Per frame while the rain flag is set: the field follows the camera, drifts and wraps.
    void update();
    void render();
    void release();

    vec3 centre() const { return {world.m[3][0], world.m[3][1], world.m[3][2]}; }

    mat4 world = mat_identity();
    vec3 previous_offset;
    vec3 offset;
    int count = 0;
    float fall_speed = 0.0f;
    float size = 1.0f;
    float particle_size = 0.2f;
    vertex_buffer_ptr vertex_buffer;
    gfx_texture* texture = nullptr;

private:
    void recentre(vertex* v);
    void wrap_particle(vertex* v, bool whole) const;
};
