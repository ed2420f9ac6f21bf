// A triangle mesh as the model code holds it: vertices of one flexible vertex format (the
// position first), three 16-bit indices and one attribute (material number) per face, and,
// once optimised, the faces sorted by attribute with one range per attribute so that a
// subset draws with one call. Vertices and indices live in memory; a device draw uploads
// them into device buffers of its own, again after a lock has changed them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx_device.h"
#include "platform/math3d.h"
#include "platform/results.h"

// The faces and vertices one attribute's subset draws.
struct attribute_range {
    std::uint32_t attribute = 0;
    int face_start = 0;
    int face_count = 0;
    int vertex_start = 0;
    int vertex_count = 0;
};

// Failure injection for tests of the callers: the next this many clones or vertex locks fail
// as if memory had run out.
struct x_mesh_faults {
    int failing_clones = 0;
    int failing_locks = 0;
};
x_mesh_faults& mesh_faults();

class x_mesh {
public:
    // Indices are 16-bit: at most this many vertices.
    static constexpr int k_max_vertices = 65535;

    // An empty mesh of the given size (vertices zeroed, attributes 0). D3DERR_INVALIDCALL
    // for more than 65,535 vertices, a format without a position or a negative size.
    static hresult create(int faces, int vertices, std::uint32_t fvf, std::unique_ptr<x_mesh>* out);

    std::uint32_t fvf() const { return fvf_; }
    int stride() const { return stride_; }
    int vertex_count() const { return vertex_count_; }
    int face_count() const { return static_cast<int>(attributes_.size()); }

    // Direct access (the model loader fills a new mesh this way).
    std::uint8_t* vertex_bytes() { return vertices_.data(); }
    const std::uint8_t* vertex_bytes() const { return vertices_.data(); }
    std::uint16_t* index_data() { return indices_.data(); }
    const std::uint16_t* index_data() const { return indices_.data(); }
    std::uint32_t* attribute_data() { return attributes_.data(); }
    const std::uint32_t* attribute_data() const { return attributes_.data(); }
    vec3 position(int vertex) const;
    // Byte offsets inside a vertex; -1 when the format has no such part.
    int normal_offset() const;
    int texcoord_offset() const;

    // The whole vertex (or index) array for reading and writing; the next draw uploads it
    // again after the unlock.
    hresult lock_vertices(void** out);
    hresult unlock_vertices();
    hresult lock_indices(std::uint16_t** out);
    hresult unlock_indices();

    // A copy in another vertex format: parts both formats have are copied, the others zero.
    hresult clone_fvf(std::uint32_t fvf, std::unique_ptr<x_mesh>* out) const;
    // Area-weighted vertex normals from the faces (the format must hold normals).
    void compute_normals();
    // Drops unused vertices, sorts the faces by attribute (stable) and the vertices in the
    // order the faces first use them, and builds the attribute ranges.
    void optimize();
    const std::vector<attribute_range>& attribute_table() const { return ranges_; }

    // Minimum and maximum corner of the positions; both zero without vertices.
    void bounds(vec3* min, vec3* max) const;

    // Draws the faces of one attribute with the device's current state (nothing for an
    // attribute without faces). Before optimize, every face of the attribute is found.
    hresult draw_subset(gfx_device* device, std::uint32_t attribute);

private:
    x_mesh() = default;
    hresult upload(gfx_device* device);

    std::uint32_t fvf_ = 0;
    int stride_ = 0;
    int vertex_count_ = 0;
    std::vector<std::uint8_t> vertices_;
    std::vector<std::uint16_t> indices_;
    std::vector<std::uint32_t> attributes_;
    std::vector<attribute_range> ranges_;
    bool vertices_locked_ = false;
    bool indices_locked_ = false;
    bool dirty_ = true;
    gfx_device* device_ = nullptr;
    vertex_buffer_ptr vertex_buffer_;
    index_buffer_ptr index_buffer_;
    std::vector<std::uint16_t> subset_indices_;  // scratch for unsorted subsets
};
