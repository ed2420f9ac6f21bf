// The below-water triangles of many terrain tiles gathered into one stream in memory, drawn
// with one call: the water over the tiles and the land seen through it cost one draw a view
// instead of one a tile. Each vertex is moved from its tile's corner to the grid origin (the
// draw's world matrix is the grid origin at the tiles' drawn height). For the water, texture
// set 1 carries its position on its own tile (x, z), to which the water's bump pattern is
// fixed; the land keeps its curvature drop there.
// The triangles keep the order they were added in, so the picture is the one the tiles
// drawn one after another give.
#pragma once

#include <cstdint>
#include <vector>

#include "world/terrain_tile.h"

class terrain_batch {
public:
    // Vertices one draw can address with 16-bit indices.
    static constexpr std::size_t k_max_vertices = 65536;

    // Empties the stream; its memory is kept for the next view.
    void clear();
    // Appends the tile's below-water triangles (only the vertices they use), with texture set
    // 1 their positions on the tile when on_tile is set (the water's) or as the tile has it
    // (the land's curvature drop). When the stream could pass k_max_vertices it is drawn
    // first, with the device state as it stands.
    void add_below(gfx_device* d, const terrain_tile& tile, bool on_tile);
    // Draws the stream as one indexed triangle list and empties it.
    void draw(gfx_device* d);

    const std::vector<terrain_vertex>& vertices() const { return vertices_; }
    const std::vector<std::uint16_t>& indices() const { return indices_; }
    int draw_count = 0;  // draws made by this batch since it was made

private:
    std::vector<terrain_vertex> vertices_;
    std::vector<std::uint16_t> indices_;
    // Per vertex of the tile being added: the add that took it into the stream (so nothing is
    // reset between tiles) and where it went.
    std::vector<std::uint32_t> taken_by_;
    std::vector<std::uint16_t> placed_at_;
    std::uint32_t add_count_ = 0;
};
