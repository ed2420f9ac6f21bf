// One square tile of the terrain grid: a regular (quads + 1)^2 vertex grid filled from the
// elevations at a sample step, with its triangles split by the water level into the lists
// drawn above and below the water. The terrain keeps 16 x 16 near tiles and 5 x 5 far tiles
// of these. The arrays are the tile's own copy; its managed device buffers are made at
// device set-up and refreshed from the arrays when a changed tile is next drawn.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx_device.h"
#include "platform/math3d.h"

class terrain;

// The drawn vertex: position, normal, texture set 0 (u, v, land slice), set 1 (curvature
// drop, 0). 44 bytes, as the tile vertex buffers hold it.
struct terrain_vertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float nx = 0.0f, ny = 1.0f, nz = 0.0f;
    float u = 0.0f, v = 0.0f, slice = 0.0f;
    float drop = 0.0f, unused = 0.0f;
};
static_assert(sizeof(terrain_vertex) == 44, "tile vertices are 44 bytes");
constexpr std::uint32_t k_terrain_fvf = FVF_XYZ | FVF_NORMAL | FVF_TEX2 | fvf_texcoord_size3(0);

class terrain_tile {
public:
    // Stores the tile's parameters and builds it at its base step.
    bool init_tile(int samples_per_side, float cell, int base, const terrain* owner_terrain);
    void rebuild_tile(int samples_per_side, float cell, int base, const terrain* owner_terrain);
    // Lays out the flat vertex grid at a sample step.
    void build_tile(int new_step);
    // Heights, normals and land slices from the grid, first column c0 and first row r0.
    void fill_tile(const std::int16_t* elevations, const std::uint8_t* class_map, int slices,
                   int columns, int rows, int c0, int r0);
    void build_tile_indices();
    // Moves the heights of one edge onto the coarser neighbour's (edges 0..3) or onto the
    // straight line between the edge's corners (4..7); the curvature drop goes with them.
    void stitch_tile(int edge);
    void release_tile();

    // Device buffers (terrain_tile_buffers.cpp): (quads at the base step + 1)^2 vertices and
    // two index buffers of quads^2 x 6 16-bit indices, managed. False on a failed creation
    // (logged through the device check).
    bool create_buffers(gfx_device* device);
    // Copies the arrays into the buffers when they changed since the last copy.
    bool upload_buffers();
    void release_buffers();
    bool has_buffers() const { return vertex_buffer && above_buffer && below_buffer; }

    float vertex_height(int k, int l) const { return vertices[k * (quads + 1) + l].y; }

    const terrain* owner = nullptr;
    std::vector<terrain_vertex> vertices;
    std::vector<std::uint16_t> indices_above;
    std::vector<std::uint16_t> indices_below;
    int vertex_count = 0;
    int index_count_above = 0;
    int index_count_below = 0;
    int samples = 32;
    int base_step = 0;
    float cell_size = 1.0f;
    int quads = 32;
    int step = 1;
    int mip_level = 0;
    float quad_size = 30.0f;
    float x = 0.0f;
    float z = 0.0f;
    float maximum_height = 0.0f;
    float split_level = 0.0f;  // the water level the index lists were split at
    mat4 world{};
    mat4 constants{};

    vertex_buffer_ptr vertex_buffer;
    index_buffer_ptr above_buffer;
    index_buffer_ptr below_buffer;
    std::uint32_t revision = 0;            // counts changes of the arrays
    std::uint32_t uploaded_revision = ~0u; // the revision the buffers hold
    // The drawn heights' range (curvature drop taken off) at the last upload: with the
    // tile's square it bounds what a draw can reach, so tiles out of view are skipped.
    float low = 0.0f;
    float high = 0.0f;

private:
    // stitch_tile's move for one vertex value (the height or the drop).
    void stitch_edge(int edge, float terrain_vertex::*field);
};
