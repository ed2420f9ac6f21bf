// The cloud layer: up to 10,000 camera-facing puffs scattered over a square layer at the
// cloud base, drifting with the wind, kept around the camera by wrapping, bent down with the
// earth's curvature and drawn back to front with fog. The sky owns one and sizes it by the
// camera altitude; the weather dialog and the situations set its cover.
//
// Puff positions are relative to the layer centre, the translation row of layer_matrix.
// The visible puffs go to the device in one indexed streamed draw in their sorted order, each
// as a fan over the corners of its square, or of its picture's outline when asked: the outline
// leaves out the corners whose texels are fully transparent (they blend to nothing), the same
// picture at about 15 % fewer pixels. On the software rasteriser the outline's extra triangles
// (their set-up, and the blocks of pixels along their inner edges shaded once for each) cost
// more than the pixels save, at every puff size measured (BM_CloudLayer), so the squares are
// the default.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx_device.h"
#include "platform/image.h"
#include "platform/math3d.h"
#include "world/puff_outline.h"

class clouds {
public:
    static constexpr int k_max_puffs = 10000;
    static constexpr int k_textures = 8;
    static constexpr std::uint32_t k_sort_interval = 200;  // ms between sorts
    // The eight puff pictures side by side in one texture: 4 x 2 tiles of 128 texels.
    static constexpr int k_tile = 128;
    static constexpr int k_atlas_columns = 4;
    static constexpr int k_atlas_rows = 2;
    struct puff {
        float x = 0, y = 0, z = 0;
        float selector = 0;   // creation index + 0.1: its texture is trunc(selector) mod 8
        float key = 0;        // shuffle key, random in -5..5
        float distance = 0;   // to the camera
    };
    struct vertex {
        float x, y, z;
        float nx, ny, nz;
        float u, v;
    };
    static constexpr std::uint32_t k_fvf = FVF_XYZ | FVF_NORMAL | FVF_TEX1;

    clouds();
    virtual ~clouds();
    clouds(const clouds&) = delete;
    clouds& operator=(const clouds&) = delete;

    void init();
    void set_puff_size(float size);
    // Scatters all 10,000 puffs anew over the square (three rand draws each).
    void set_extent(float half_width);
    // Cover 0..1: the share of the layer the puffs cover; a random subset of them is used.
    void set_cover(float value);
    void shuffle();
    void update();
    void render();
    void release();

    // A puff picture taken into its atlas tile by nearest texel, whatever its own size; no
    // picture gives an opaque white tile.
    static image tile_picture(const image* picture);

    vec3 centre() const { return {layer_matrix.m[3][0], layer_matrix.m[3][1], layer_matrix.m[3][2]}; }

    mat4 layer_matrix = mat_identity();
    int puff_count = 0;
    float extent = 50000.0f;
    float puff_size = 1000.0f;
    float cover = 0.0f;
    std::vector<puff> puffs = std::vector<puff>(k_max_puffs);
    vertex quad[6] = {};
    gfx_material material;
    gfx_texture* puff_textures[k_textures] = {};
    gfx_texture* layer_texture = nullptr;
    // The puff pictures packed for the one streamed draw; a missing picture leaves its tile
    // opaque white (the puff draws untextured).
    texture_ptr atlas;
    // Each tile's outline in the tile's own (u, v), fitted when the atlas is made; the whole
    // square until then.
    puff_outline outlines[k_textures];
    // Draws every puff as its picture's outline rather than its whole square.
    bool fitted_outlines = false;
    std::uint32_t last_sort = 0;
    bool sorted_once = false;

private:
    float fog_density(float camera_y) const;
    void build_atlas();
    // A tile's outline turned to face the camera this frame: offsets from the puff's centre.
    struct facing_outline {
        int corners = 0;
        vec3 offset[puff_outline::k_max_corners];
        float u[puff_outline::k_max_corners];
        float v[puff_outline::k_max_corners];
    };
    void face_outlines(const mat4& billboard, bool whole_squares, facing_outline (&out)[k_textures]) const;
    void append_fan(std::uint32_t first, int corners);
    std::vector<vertex> stream_;
    std::vector<std::uint32_t> indices_;
};
