// The body of the skinned-model fuzz target, shared with the corpus replay of the normal test
// suite. The input is a .x model text (frames, meshes with skin weights, animation sets); an
// animated model loads it and plays a few ticks. What the loader promises is checked: every
// frame's parent comes before it, every mesh belongs to a frame of the tree, every bone of a
// skin names a frame, every influence names a bone of its skin and a vertex of its mesh, and a
// refused model keeps nothing to draw. The caller provides a model environment
// (tests/fuzz/model_environment.h) and a file root holding "models".
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/mesh.h"
#include "core/model_cache.h"
#include "core/skinned_mesh.h"
#include "platform/files.h"
#include "platform/x_mesh.h"

inline constexpr const char* k_fuzz_model = "models\\fuzz.x";

inline bool skin_kept(const CSkinnedMesh& m, const CSkinnedMesh::skin_container& c) {
    if (c.frame < 0 || static_cast<std::size_t>(c.frame) >= m.frames.size() || c.drawn == nullptr ||
        !c.drawn->has_geometry())
        return false;
    const std::size_t vertices = static_cast<std::size_t>(c.drawn->d3dx_mesh->vertex_count());
    if (c.rest_positions.size() != vertices || c.rest_normals.size() != vertices) return false;
    if (!c.skinned) return true;
    const std::size_t bones = c.bone_names.size();
    if (c.bone_frames.size() != bones || c.bone_offsets.size() != bones || c.influences.size() != vertices)
        return false;
    for (int f : c.bone_frames)
        if (f < 0 || static_cast<std::size_t>(f) >= m.frames.size()) return false;
    for (const auto& per_vertex : c.influences) {
        for (const auto& [bone, weight] : per_vertex) {
            if (bone < 0 || static_cast<std::size_t>(bone) >= bones || !std::isfinite(weight)) return false;
        }
    }
    return true;
}

inline bool skinned_model_kept(const CSkinnedMesh& m, bool loaded) {
    if (loaded != m.has_animation()) return false;
    if (!loaded) return m.child_count() == 0 && m.containers.empty();
    for (std::size_t i = 0; i < m.frames.size(); ++i) {
        const int parent = m.frames[i].parent;
        if (parent < -1 || parent >= static_cast<int>(i)) return false;
    }
    for (const CSkinnedMesh::skin_container& c : m.containers)
        if (!skin_kept(m, c)) return false;
    return true;
}

// False when the load broke a promise.
inline bool run_skinned_model(app_state& state, const std::uint8_t* data, std::size_t size) {
    fs_write(k_fuzz_model, data, size);
    shared_model_cache().clear();
    CSkinnedMesh* m = nullptr;
    if (create_detached_skinned_mesh(&m) != S_OK) return false;
    const bool loaded = m->load(k_fuzz_model);
    bool kept = skinned_model_kept(*m, loaded);
    // A few ticks of the animation: the pose must keep every drawn mesh whole.
    m->time_scale = 1.0f;
    state.smoothed_step = 0.37f;
    for (int i = 0; i < 3 && kept; ++i) {
        m->update();
        kept = skinned_model_kept(*m, loaded);
    }
    destroy_skinned_mesh(&m);
    shared_model_cache().clear();
    return kept;
}
