// Turns the data objects of a .x file (x_file.h) into what the model code uses: meshes with
// their materials and texture names, frame matrices, and the skin and animation records of
// animated models. Every count is checked against the numbers that are really there and
// every index against the table it points into; a bad record fails the load with a reason.
//
// Templates read: Frame, FrameTransformMatrix, Mesh, MeshNormals, MeshTextureCoords,
// MeshMaterialList, Material, TextureFilename, XSkinMeshHeader, SkinWeights, AnimationSet,
// Animation, AnimationKey, AnimTicksPerSecond. Others are skipped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx_types.h"
#include "platform/math3d.h"
#include "platform/x_file.h"
#include "platform/x_mesh.h"

// A material as the file gives it (ambient zero) and its texture file name ("" for none).
struct x_material {
    gfx_material material;
    std::string texture;
};

// A loaded mesh: vertex format XYZ, with NORMAL when the file gives normals and TEX1 when it
// gives texture coordinates; faces optimised (sorted by material); one material per
// attribute. A mesh without a material list has no materials.
struct x_mesh_data {
    std::unique_ptr<x_mesh> mesh;
    std::vector<x_material> materials;
};

// Every Mesh of the file (at the top level and inside frames) as one mesh, each with the
// transforms of the frames around it applied; the materials of the meshes one after the
// other. False when the file holds no mesh or a record is bad.
bool load_merged_mesh(const x_file& file, x_mesh_data* out, std::string* error);
// One Mesh data object in its own axes; material references resolve through the file.
bool load_mesh_object(const x_file& file, const x_object& object, x_mesh_data* out,
                      std::string* error);

// A FrameTransformMatrix: exactly 16 numbers, row by row as stored. False otherwise.
bool read_frame_matrix(const x_object& object, mat4* out);

// Skin records of a Mesh object.
struct x_skin_header {
    int max_skin_weights_per_vertex = 0;
    int max_skin_weights_per_face = 0;
    int bones = 0;
};
struct x_skin_weights {
    std::string bone;                    // the frame that moves these vertices
    std::vector<std::uint32_t> vertices; // position indices of the mesh
    std::vector<float> weights;
    mat4 offset = mat_identity();        // mesh space to bone space
};
// The skin of a Mesh object: false (with a reason) when a record is bad; no skin is no error.
bool read_skin(const x_object& mesh_object, x_skin_header* header,
               std::vector<x_skin_weights>* weights, std::string* error);

// Animation records.
struct x_animation_key {
    int type = 0;  // 0 rotation quaternion (w, x, y, z), 1 scale, 2 position, 4 matrix
    std::vector<std::uint32_t> times;
    std::vector<std::vector<float>> values;  // one list per time
};
struct x_animation {
    std::string name;
    std::string frame;  // the referenced frame's name
    std::vector<x_animation_key> keys;
};
struct x_animation_set {
    std::string name;
    std::vector<x_animation> animations;
};
// Every top-level AnimationSet and the ticks per second (4800 when the file gives none).
bool read_animations(const x_file& file, std::vector<x_animation_set>* sets,
                     int* ticks_per_second, std::string* error);
