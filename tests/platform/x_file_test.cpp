// The .x reader and loaders: a well-formed file read back into frames, matrices, meshes,
// materials, skins and animations, checked against values worked out by hand; then damaged
// files, each refused with a reason and without reading out of bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/x_file.h"
#include "platform/x_loader.h"

namespace {

bool parse(const std::string& text, x_file* out, std::string* error) {
    return parse_x_file(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), out, error);
}

const std::string k_header = "xof 0303txt 0032\n";

// A quad in frame "Body", moved up 2 m, with normals and coordinates; its material list
// holds a referenced and an inline textured material.
const std::string k_quad = k_header + R"(
template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; [...] }
Material Red { 1.0;0.0;0.0;1.0;; 5.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;; }
Frame Body_Part-1 {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,2,0,1;; }
  Mesh Quad.Mesh {
    4; 0;0;0;, 0;0;1;, 1;0;1;, 1;0;0;;
    2; 3;0,1,2;, 3;0,2,3;;
    MeshNormals { 1; 0;1;0;; 2; 3;0,0,0;, 3;0,0,0;; }
    MeshTextureCoords { 4; 0;0;, 0;1;, 1;1;, 1;0;; }
    MeshMaterialList { 2; 2; 0, 1;;
      { Red }
      Material { 0;0;1;0.5;; 1; 0;0;0;; 0;0;0;; TextureFilename { "Deck.BMP"; } }
    }
  }
}
)";

TEST(XFile, ReadsObjectsNamesMatricesAndMaterials) {
    x_file file;
    std::string error;
    ASSERT_TRUE(parse(k_quad, &file, &error)) << error;
    ASSERT_EQ(file.objects.size(), 2u);  // the template is skipped
    const x_object& frame = file.objects[1];
    EXPECT_EQ(frame.type, "Frame");
    EXPECT_EQ(frame.name, "Body_Part-1");  // kept exactly
    ASSERT_EQ(frame.children.size(), 2u);
    mat4 m;
    ASSERT_TRUE(read_frame_matrix(frame.children[0], &m));  // integers allowed
    EXPECT_EQ(m.m[3][1], 2.0f);
    EXPECT_EQ(m.m[0][0], 1.0f);
    EXPECT_EQ(frame.children[1].name, "Quad.Mesh");

    x_mesh_data data;
    ASSERT_TRUE(load_merged_mesh(file, &data, &error)) << error;
    ASSERT_EQ(data.materials.size(), 2u);
    EXPECT_EQ(data.materials[0].material.diffuse.r, 1.0f);
    EXPECT_EQ(data.materials[0].material.power, 5.0f);
    EXPECT_EQ(data.materials[0].texture, "");
    EXPECT_EQ(data.materials[1].texture, "Deck.BMP");
    EXPECT_EQ(data.materials[1].material.diffuse.a, 0.5f);
    const x_mesh& mesh = *data.mesh;
    EXPECT_EQ(mesh.fvf(), static_cast<std::uint32_t>(FVF_XYZ | FVF_NORMAL | FVF_TEX1));
    EXPECT_EQ(mesh.face_count(), 2);
    EXPECT_EQ(mesh.vertex_count(), 4);
    // One range per material, in order.
    ASSERT_EQ(mesh.attribute_table().size(), 2u);
    EXPECT_EQ(mesh.attribute_table()[1].attribute, 1u);
    EXPECT_EQ(mesh.attribute_table()[1].face_start, 1);
    vec3 lo, hi;
    mesh.bounds(&lo, &hi);
    EXPECT_EQ(lo.y, 2.0f);  // the frame's transform is applied
    EXPECT_EQ(hi.x, 1.0f);
    EXPECT_EQ(hi.z, 1.0f);
}

TEST(XFile, MergedLoadTransformsEachFrameAndConcatenatesMaterials) {
    const std::string text = k_header + R"(
Frame a { Mesh { 3; 0;0;0;, 0;0;1;, 1;0;0;; 1; 3;0,1,2;;
  MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } } }
Frame b {
  FrameTransformMatrix { 0,0,-1,0, 0,1,0,0, 1,0,0,0, 10,0,0,1;; }
  Frame c { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,5,0,1;; }
    Mesh { 3; 0;0;0;, 0;0;1;, 1;0;0;; 1; 3;0,1,2;;
      MeshMaterialList { 1; 1; 0;; Material { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; } } } }
}
)";
    x_file file;
    std::string error;
    ASSERT_TRUE(parse(text, &file, &error)) << error;
    x_mesh_data data;
    ASSERT_TRUE(load_merged_mesh(file, &data, &error)) << error;
    ASSERT_EQ(data.materials.size(), 2u);
    EXPECT_EQ(data.materials[1].material.diffuse.b, 1.0f);
    const x_mesh& mesh = *data.mesh;
    ASSERT_EQ(mesh.vertex_count(), 6);
    // The second triangle: c's offset (0, 5, 0), then b's quarter turn and (10, 0, 0):
    // (x, y, z) -> (z + 10, y + 5, -x).
    bool found[3] = {false, false, false};
    const vec3 expected[3] = {{10, 5, 0}, {11, 5, 0}, {10, 5, -1}};
    for (int v = 0; v < mesh.vertex_count(); ++v) {
        const vec3 p = mesh.position(v);
        for (int k = 0; k < 3; ++k) {
            if (std::fabs(p.x - expected[k].x) < 1e-5f && std::fabs(p.y - expected[k].y) < 1e-5f &&
                std::fabs(p.z - expected[k].z) < 1e-5f) {
                found[k] = true;
            }
        }
    }
    EXPECT_TRUE(found[0] && found[1] && found[2]);
    // No normals in the file: the format has none (they are computed after the clone).
    EXPECT_EQ(mesh.fvf(), static_cast<std::uint32_t>(FVF_XYZ));
}

TEST(XFile, NormalsSplitVerticesWhereFacesDisagree) {
    // A cube corner shared by faces with different normals becomes one vertex per normal.
    const std::string text = k_header + R"(
Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;, 0;0;1;; 2; 3;0,1,2;, 3;0,3,1;;
  MeshNormals { 2; 0;0;-1;, 0;-1;0;; 2; 3;0,0,0;, 3;1,1,1;; }
  MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }
)";
    x_file file;
    std::string error;
    ASSERT_TRUE(parse(text, &file, &error)) << error;
    x_mesh_data data;
    ASSERT_TRUE(load_mesh_object(file, file.objects[0], &data, &error)) << error;
    EXPECT_EQ(data.mesh->vertex_count(), 6);  // vertices 0 and 1 appear with both normals
}

TEST(XFile, SkinAndAnimationRecords) {
    const std::string text = k_header + R"(
Frame root { Frame arm { }
  Mesh body { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;
    XSkinMeshHeader { 1; 3; 1; }
    SkinWeights { "arm"; 2; 0, 2; 1.0, 0.25; 1,0,0,0,0,1,0,0,0,0,1,0,0,-2,0,1;; } } }
AnimTicksPerSecond { 30; }
AnimationSet wave { Animation { { arm } AnimationKey { 2; 2; 0;3;0,2,0;;, 30;3;0,3,0;;; } } }
)";
    x_file file;
    std::string error;
    ASSERT_TRUE(parse(text, &file, &error)) << error;
    x_skin_header header;
    std::vector<x_skin_weights> weights;
    ASSERT_TRUE(read_skin(file.objects[0].children[1], &header, &weights, &error)) << error;
    EXPECT_EQ(header.bones, 1);
    ASSERT_EQ(weights.size(), 1u);
    EXPECT_EQ(weights[0].bone, "arm");
    EXPECT_EQ(weights[0].vertices[1], 2u);
    EXPECT_EQ(weights[0].weights[1], 0.25f);
    EXPECT_EQ(weights[0].offset.m[3][1], -2.0f);
    std::vector<x_animation_set> sets;
    int ticks = 0;
    ASSERT_TRUE(read_animations(file, &sets, &ticks, &error)) << error;
    EXPECT_EQ(ticks, 30);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].name, "wave");
    ASSERT_EQ(sets[0].animations.size(), 1u);
    EXPECT_EQ(sets[0].animations[0].frame, "arm");
    const x_animation_key& key = sets[0].animations[0].keys[0];
    EXPECT_EQ(key.type, 2);
    ASSERT_EQ(key.times.size(), 2u);
    EXPECT_EQ(key.times[1], 30u);
    EXPECT_EQ(key.values[1][1], 3.0f);
}

// Damaged files: each is refused by the parser or by the loader with a reason.
struct damaged {
    const char* what;
    std::string text;
};

TEST(XFile, DamagedFilesFailCleanly) {
    const std::string mat = "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }";
    const damaged cases[] = {
        {"empty", ""},
        {"header only cut", "xof 0303t"},
        {"binary", "xof 0303bin 0032\x01\x02\x03\x04"},
        {"truncated object", k_quad.substr(0, k_quad.size() / 2)},
        {"unbalanced close", k_header + "Frame a { } }"},
        {"unbalanced open", k_header + "Frame a { Frame b { }"},
        {"unterminated string", k_header + "Frame a { TextureFilename { \"abc; } }"},
        {"stray character", k_header + "Frame a { @ }"},
        {"vertex count too large", k_header + "Mesh { 400; 0;0;0;; 1; 3;0,0,0;; " + mat + " }"},
        {"face count too large", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 90; 3;0,1,2;; " + mat + " }"},
        {"face index out of range", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; " + mat + " }"},
        {"face of two corners", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; " + mat + " }"},
        {"negative count", k_header + "Mesh { -3; 0;0;0;; 1; 3;0,0,0;; }"},
        {"fractional index", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1.5,2;; " + mat + " }"},
        {"material index out of range", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                                    "MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"missing material", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                         "MeshMaterialList { 1; 1; 0;; { Nowhere } } }"},
        {"short material", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                       "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; } } }"},
        {"normal index out of range", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                                  "MeshNormals { 1; 0;1;0;; 1; 3;0,0,1;; } " + mat + " }"},
        {"coordinates count differs", k_header + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                                  "MeshTextureCoords { 2; 0;0;, 1;1;; } " + mat + " }"},
        {"no mesh at all", k_header + "Frame a { }"},
        {"name too long", k_header + "Frame " + std::string(300, 'n') + " { }"},
        {"nested too deep", k_header + std::string(100 * 8, ' ').replace(0, 0, [] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += "Frame { ";
             for (int i = 0; i < 100; ++i) s += "} ";
             return s;
         }())},
    };
    for (const damaged& c : cases) {
        x_file file;
        std::string error;
        bool ok = parse(c.text, &file, &error);
        if (ok) {
            x_mesh_data data;
            ok = load_merged_mesh(file, &data, &error);
        }
        EXPECT_FALSE(ok) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(XFile, SkinAndAnimationIndicesAreChecked) {
    const std::string bad_skin = k_header +
        "Mesh m { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; "
        "SkinWeights { \"arm\"; 1; 7; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }";
    x_file file;
    std::string error;
    ASSERT_TRUE(parse(bad_skin, &file, &error)) << error;
    x_skin_header header;
    std::vector<x_skin_weights> weights;
    EXPECT_FALSE(read_skin(file.objects[0], &header, &weights, &error));
    EXPECT_NE(error.find("out of range"), std::string::npos);

    const std::string bad_key = k_header +
        "Frame arm { } AnimationSet s { Animation { { arm } AnimationKey { 2; 5; 0;3;0,0,0;;; } } }";
    ASSERT_TRUE(parse(bad_key, &file, &error)) << error;
    std::vector<x_animation_set> sets;
    int ticks = 0;
    EXPECT_FALSE(read_animations(file, &sets, &ticks, &error));
    const std::string bad_target = k_header + "AnimationSet s { Animation { { leg } } }";
    ASSERT_TRUE(parse(bad_target, &file, &error)) << error;
    EXPECT_FALSE(read_animations(file, &sets, &ticks, &error));
}

// A number past the float range (a skin weight of 1e111 here) became an infinite weight that
// spread through every skinned vertex: the skin is refused as bad, as a vertex would be.
TEST(XFile, NumbersPastTheFloatRangeAreRefused) {
    const std::string skin = k_header +
        "Mesh m { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; "
        "SkinWeights { \"arm\"; 2; 0, 1; 1.0, 1.33e111; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }";
    x_file file;
    std::string error;
    ASSERT_TRUE(parse(skin, &file, &error)) << error;
    x_skin_header header;
    std::vector<x_skin_weights> weights;
    EXPECT_FALSE(read_skin(file.objects[0], &header, &weights, &error));
    EXPECT_NE(error.find("bad weight"), std::string::npos) << error;
    // The largest float still reads.
    const std::string edge = k_header +
        "Mesh m { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; "
        "SkinWeights { \"arm\"; 2; 0, 1; 1.0, 3.4e38; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }";
    ASSERT_TRUE(parse(edge, &file, &error)) << error;
    ASSERT_TRUE(read_skin(file.objects[0], &header, &weights, &error)) << error;
    EXPECT_FLOAT_EQ(weights[0].weights[1], 3.4e38f);
}

TEST(XFile, MoreThan65535VerticesFail) {
    // 65,536 distinct vertices in triangles of their own: too many for 16-bit indices.
    std::string text = k_header + "Mesh { 65538;";
    for (int i = 0; i < 65538; ++i) text += std::to_string(i) + ";0;0;,";
    text += "; 21846;";
    for (int f = 0; f < 21846; ++f) {
        text += "3;" + std::to_string(3 * f) + "," + std::to_string(3 * f + 1) + "," + std::to_string(3 * f + 2) + ";,";
    }
    text += "; }";
    x_file file;
    std::string error;
    ASSERT_TRUE(parse(text, &file, &error)) << error;
    x_mesh_data data;
    EXPECT_FALSE(load_merged_mesh(file, &data, &error));
    EXPECT_NE(error.find("65,535"), std::string::npos);
}

}  // namespace
