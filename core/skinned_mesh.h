// An animated, skinned model: a .x file's frame tree (the bones), its meshes with their skin
// weights and its first animation set, played every tick. Scenery objects named "anim" are
// loaded as one, and a debug key puts a cow at the camera.
//
// The graphics device has no vertex blending, so the skin is applied on the CPU in the update:
// each mesh of the file is an owned child `mesh` whose vertices are rewritten from their rest
// positions with the bones' matrices, and it draws as any mesh does. The bones' combined
// matrices are kept in the model's own axes (the root's parent is the identity); the child
// meshes carry the object's world transform through the frame tree.
//
// Everything is keyed on the animation: a model without an animation set is neither drawn nor
// animated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/frame.h"
#include "platform/x_loader.h"

class mesh;

class CSkinnedMesh : public frame {
public:
    // One frame record of the model's tree.
    struct bone_frame {
        std::string name;
        mat4 rest = mat_identity();       // the file's frame matrix
        mat4 transform = mat_identity();  // the rest matrix or the animation's pose
        mat4 combined = mat_identity();   // transform x the parent's combined matrix
        int parent = -1;
    };
    // One mesh of the tree: the child that draws it, its rest vertices and, with a skin, the
    // bones that move them.
    struct skin_container {
        mesh* drawn = nullptr;  // owned child
        int frame = -1;         // the frame record the mesh belongs to
        std::vector<vec3> rest_positions;
        std::vector<vec3> rest_normals;
        // Per drawn vertex: its influences as (bone, weight), in the bone list's order.
        std::vector<std::vector<std::pair<int, float>>> influences;
        std::vector<std::string> bone_names;
        std::vector<int> bone_frames;  // per bone: its frame record
        std::vector<mat4> bone_offsets;
        bool skinned = false;
    };

    CSkinnedMesh();
    ~CSkinnedMesh() override;

    // The base behaviour, then the bones, meshes and animation are forgotten.
    void clear_children() override;
    // The base behaviour, then, with an animation and animate set, the animation advances by
    // the time scale x the smoothed frame step (not scaled by the simulation rate) and the
    // bones and skins follow.
    void update() override;
    // A sphere of the bounding radius around the position; the centre's distance counts.
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) override;

    // Loads the model (".xx" read unscrambled); the frame name becomes the lower-cased path.
    // A mesh without a material list draws in one grey material. False, with nothing drawn,
    // for a missing or bad file, a mesh that cannot be loaded or a skin whose bone names no
    // frame (each but the missing file logged).
    bool load(const char* path);
    // Poses the bones at the animation time and rewrites the skinned vertices.
    void apply_pose();

    bool has_animation() const { return !animations.empty(); }
    double animation_time() const { return time_; }

    std::uint8_t animate = 1;
    float time_scale = 0.01f;
    std::vector<bone_frame> frames;
    std::vector<skin_container> containers;
    std::vector<x_animation_set> animations;
    int ticks_per_second = 4800;

private:
    bool load_frame(const x_file& file, const x_object& object, int parent, const char* folder);
    bool add_container(const x_file& file, const x_object& object, int frame_index, const char* folder);
    bool link_bones();
    void pose_frames();
    void skin(skin_container& c);
    void forget();

    double time_ = 0.0;  // seconds of animation played
};

// The number of blend matrices a group of faces needs: 1 + the index of the last bone id that
// is not "none" (0xFFFFFFFF) in its list, 0 when every id is none.
int blend_matrix_count(const std::uint32_t* bone_ids, int count);

// The frame creation convention: 0, or E_FAIL with *out none.
hresult create_skinned_mesh(frame* parent, CSkinnedMesh** out);
hresult create_detached_skinned_mesh(CSkinnedMesh** out);
hresult destroy_skinned_mesh(CSkinnedMesh** variable);
