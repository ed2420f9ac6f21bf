// The body of the .x fuzz target, shared with the corpus replay of the normal test suite:
// parse the bytes and, when that succeeds, run every loader step a model load takes (the
// merged mesh, each Mesh object alone, skins and animations), touching what they return.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/x_file.h"
#include "platform/x_loader.h"

// Returns whether the file parsed; *sum folds what the loaders produced.
inline bool run_x_reader(const std::uint8_t* data, std::size_t size, std::uint32_t* sum) {
    *sum = 0;
    x_file file;
    std::string error;
    if (!parse_x_file(data, size, &file, &error)) return false;
    auto fold = [sum](const x_mesh_data& d) {
        if (!d.mesh) return;
        const x_mesh& m = *d.mesh;
        for (int f = 0; f < m.face_count() * 3; ++f) {
            const std::uint16_t i = m.index_data()[f];
            if (i >= m.vertex_count()) __builtin_trap();  // an index past the vertices
            const vec3 p = m.position(i);
            *sum = *sum * 31u + static_cast<std::uint32_t>(p.x != p.x);
        }
        for (int f = 0; f < m.face_count(); ++f) {
            if (m.attribute_data()[f] >= d.materials.size() && !d.materials.empty()) __builtin_trap();
        }
        *sum += static_cast<std::uint32_t>(d.materials.size());
    };
    x_mesh_data merged;
    if (load_merged_mesh(file, &merged, &error)) fold(merged);
    std::vector<const x_object*> stack;
    for (const x_object& o : file.objects) stack.push_back(&o);
    while (!stack.empty()) {
        const x_object* o = stack.back();
        stack.pop_back();
        if (o->type == "Mesh") {
            x_mesh_data one;
            if (load_mesh_object(file, *o, &one, &error)) fold(one);
            x_skin_header header;
            std::vector<x_skin_weights> weights;
            if (read_skin(*o, &header, &weights, &error)) *sum += static_cast<std::uint32_t>(weights.size());
        }
        mat4 m;
        if (o->type == "FrameTransformMatrix" && read_frame_matrix(*o, &m)) *sum += 1;
        for (const x_object& c : o->children) stack.push_back(&c);
    }
    std::vector<x_animation_set> sets;
    int ticks = 0;
    if (read_animations(file, &sets, &ticks, &error)) *sum += static_cast<std::uint32_t>(sets.size());
    return true;
}
