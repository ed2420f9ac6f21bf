// The skinned model: the generated cow with its two bones and one animation, the animation
// clock against the frame step, the head's vertices following their bone, and models that
// must not draw.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/mesh.h"
#include "core/skinned_mesh.h"
#include "tests/core/model_fixture.h"

namespace {

// The generated cow of the run folder, copied into the test's own folder.
std::string run_folder_cow() {
    const char* run = std::getenv("VENTRASK_RUN_DIR");
    if (run == nullptr) return {};
    std::ifstream in(std::string(run) + "/animals/cow/animal_s.x", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A triangle in a frame tree: skinned to "bone" when asked, animated when asked.
std::string small_model(bool skin_to_missing_bone, bool animated) {
    std::string s = k_x_header + "Frame root { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n"
                                 " Mesh tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                                 "  MeshMaterialList { 1; 1; 0;; " + x_material_text(1, 1, 1, 1) + " }\n";
    if (skin_to_missing_bone) {
        s += "  XSkinMeshHeader { 1; 1; 1; }\n"
             "  SkinWeights { \"elsewhere\"; 3; 0,1,2; 1,1,1; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n";
    }
    s += " }\n}\n";
    if (animated) s += "AnimationSet a { Animation { { root } AnimationKey { 2; 2; 0;3;0,0,0;;, 100;3;1,0,0;;; } } }\n";
    return s;
}

// A model as modelling tools export it: one skinned mesh without a material list (and without
// normals), frames named by bones with comments and a note object between them, and two
// animation sets. The first set moves the arm bone 2 m east over 100 ticks.
const char k_exported_model[] = R"(xof 0303txt 0032
// Exported scene
Frame Scene_Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  # the skin, bound to both bones
  Mesh Body {
    6; 0;0;0;, 1;0;0;, 0;1;0;, 0;2;0;, 1;2;0;, 0;3;0;;
    2; 3;0,1,2;, 3;3,4,5;;
    XSkinMeshHeader { 1; 1; 2; }
    SkinWeights { "Bone_Hip"; 3; 0,1,2; 1,1,1; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
    SkinWeights { "Bone_Arm"; 3; 3,4,5; 1,1,1; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  }
  Frame Bone_Hip {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
    // the arm hangs from the hip
    ToolNote { "rigged by hand"; }
    Frame Bone_Arm {
      FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
    }
  }
}
AnimationSet Wave {
  Animation { { Bone_Arm } AnimationKey { 2; 2; 0;3;0,0,0;;, 100;3;2,0,0;;; } }
}
AnimationSet Rest {
  Animation { { Bone_Hip } AnimationKey { 2; 1; 0;3;0,0,0;;; } }
}
)";

}  // namespace

TEST_F(ModelTest, AnExportedSkinWithoutMaterialsDrawsGreyAndFollowsItsBones) {
    folder_.write("m/exported.x", k_exported_model);
    CSkinnedMesh* model = nullptr;
    ASSERT_EQ(create_detached_skinned_mesh(&model), S_OK);
    ASSERT_TRUE(model->load("m\\exported.x")) << log();
    EXPECT_EQ(model->animations.size(), 2u);
    ASSERT_EQ(model->containers.size(), 1u);
    const CSkinnedMesh::skin_container& skin = model->containers[0];
    ASSERT_TRUE(skin.skinned);
    ASSERT_NE(skin.drawn, nullptr);
    EXPECT_EQ(model->child_count(), 1);

    // One grey material, alpha 0, ambient as diffuse.
    const mesh& drawn = *skin.drawn;
    ASSERT_EQ(drawn.material_count, 1u);
    const color_value& d = drawn.material_buffer[0].material.diffuse;
    EXPECT_EQ(d.r, 0.5f);
    EXPECT_EQ(d.g, 0.5f);
    EXPECT_EQ(d.b, 0.5f);
    EXPECT_EQ(d.a, 0.0f);
    EXPECT_EQ(drawn.materials[0].ambient.g, 0.5f);

    // Half way through the first set the arm's vertices stand 1 m east; the hip's stay.
    model->time_scale = 1.0f;
    state_->smoothed_step = 50.0f / 4800.0f;
    model->update();
    const x_mesh& geometry = *drawn.d3dx_mesh;
    int arms = 0;
    for (int v = 0; v < geometry.vertex_count(); ++v) {
        const vec3 rest = skin.rest_positions[static_cast<std::size_t>(v)];
        const vec3 now = geometry.position(v);
        const float moved = rest.y > 1.5f ? 1.0f : 0.0f;
        arms += rest.y > 1.5f ? 1 : 0;
        EXPECT_NEAR(now.x, rest.x + moved, 1e-4f) << v;
        EXPECT_NEAR(now.y, rest.y, 1e-4f) << v;
    }
    EXPECT_EQ(arms, 3);

    // Drawn: both triangles in the grey material.
    device_->clear_records();
    skin.drawn->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].primitive_count, 2);
    EXPECT_EQ(device_->draws()[0].state.material.diffuse.r, 0.5f);
    EXPECT_EQ(device_->draws()[0].state.render[RS_ALPHABLENDENABLE], 0u);
    EXPECT_EQ(destroy_skinned_mesh(&model), S_OK);
}

TEST_F(ModelTest, AMeshOutsideAnyFrameDrawsFromAFrameOfItsOwn) {
    folder_.write("m/loose.x", k_x_header +
                                   "Mesh Loose { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"
                                   "Frame Pivot { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; } }\n"
                                   "AnimationSet Turn { Animation { { Pivot } AnimationKey { 2; 1; 0;3;0,0,0;;; } } }\n");
    CSkinnedMesh* model = nullptr;
    ASSERT_EQ(create_detached_skinned_mesh(&model), S_OK);
    ASSERT_TRUE(model->load("m\\loose.x")) << log();
    ASSERT_EQ(model->containers.size(), 1u);
    EXPECT_FALSE(model->containers[0].skinned);
    EXPECT_EQ(model->frames.size(), 2u);
    EXPECT_EQ(model->containers[0].drawn->material_buffer[0].material.diffuse.b, 0.5f);
    EXPECT_EQ(destroy_skinned_mesh(&model), S_OK);
}

TEST_F(ModelTest, ASkinnedModelWithAMeshThatCannotLoadIsRefusedWithALogLine) {
    // The second face names a vertex that is not there.
    std::string bad = k_exported_model;
    const std::string face = "3;3,4,5;;";
    bad.replace(bad.find(face), face.size(), "3;3,4,9;;");
    folder_.write("m/bad.x", bad);
    CSkinnedMesh* model = nullptr;
    ASSERT_EQ(create_detached_skinned_mesh(&model), S_OK);
    EXPECT_FALSE(model->load("m\\bad.x"));
    EXPECT_EQ(model->child_count(), 0);
    EXPECT_FALSE(model->has_animation());
    EXPECT_NE(log().find("skinned_mesh: m\\bad.x: the mesh Body cannot be drawn"), std::string::npos) << log();
    EXPECT_EQ(destroy_skinned_mesh(&model), S_OK);
}

TEST_F(ModelTest, ASkinnedModelAnswersTheRayAsASphereAndNotBesideIt) {
    folder_.write("m/exported.x", k_exported_model);
    CSkinnedMesh* model = nullptr;
    ASSERT_EQ(create_detached_skinned_mesh(&model), S_OK);
    ASSERT_TRUE(model->load("m\\exported.x"));
    model->set_position(0.0f, 0.0f, 20.0f);
    model->update_matrices();

    frame* hit = nullptr;
    float value = 0.0f;
    state_->nearest_hit = 1000000.0f;
    // 1.5 m beside a sphere of radius 1: no hit, nothing written, the meshes inside not asked.
    EXPECT_FALSE(model->hit_test_ray({0, 0, 1}, {1.5f, 0, 0}, &hit, &value));
    EXPECT_EQ(hit, nullptr);
    EXPECT_EQ(state_->nearest_hit, 1000000.0f);
    EXPECT_FALSE(model->hit_test_ray({0, 0, 1}, {1.5f, 0, 0}, nullptr, nullptr));

    // Through it: the centre's distance counts.
    model->hit_test_ray({0, 0, 1}, {0.5f, 0, 0}, &hit, &value);
    EXPECT_EQ(hit, model);
    EXPECT_NEAR(value, std::sqrt(400.25f), 1e-3f);
    EXPECT_NEAR(state_->nearest_hit, value, 1e-3f);
    state_->nearest_hit = 1000000.0f;
    model->hit_test_ray({0, 0, 1}, {0.5f, 0, 0}, nullptr, nullptr);
    EXPECT_NEAR(state_->nearest_hit, value, 1e-3f);
    EXPECT_EQ(destroy_skinned_mesh(&model), S_OK);
}

TEST_F(ModelTest, TheCowsHeadNodsWithItsBoneWhileTheAnimationKeepsFrameTime) {
    const std::string cow = run_folder_cow();
    ASSERT_FALSE(cow.empty()) << "the generated cow is missing";
    folder_.write("animals/cow/animal_s.x", cow);
    CSkinnedMesh* animal = nullptr;
    ASSERT_EQ(create_detached_skinned_mesh(&animal), S_OK);
    ASSERT_TRUE(animal->load("animals\\cow\\animal_s.x"));
    EXPECT_STREQ(animal->name, "animals\\cow\\animal_s.x");
    ASSERT_EQ(animal->frames.size(), 2u);
    ASSERT_EQ(animal->containers.size(), 1u);
    const CSkinnedMesh::skin_container& skin = animal->containers[0];
    ASSERT_TRUE(skin.skinned);
    EXPECT_EQ(skin.bone_frames, (std::vector<int>{0, 1}));
    EXPECT_EQ(animal->child_count(), 1);

    // A steady 0.02 s frame step plays 0.02 s of animation a tick, whatever the rate.
    animal->time_scale = 1.0f;
    state_->smoothed_step = 0.02f;
    state_->sim_rate = 8.0f;
    state_->dt = 0.16f;
    animal->update();
    EXPECT_NEAR(animal->animation_time(), 0.02, 1e-6);
    for (int i = 0; i < 24; ++i) animal->update();
    EXPECT_NEAR(animal->animation_time(), 0.5, 1e-5);

    // Half way through the nod the head is turned 30 degrees about x around its bone at
    // (0, 1.1, 1.2); the body has not moved.
    const x_mesh& drawn = *skin.drawn->d3dx_mesh;
    const float a = 30.0f * k_pi / 180.0f;
    int heads = 0, bodies = 0;
    for (int v = 0; v < drawn.vertex_count(); ++v) {
        const vec3 rest = skin.rest_positions[static_cast<std::size_t>(v)];
        const vec3 now = drawn.position(v);
        if (rest.z > 0.85f) {
            const float y = rest.y - 1.1f, z = rest.z - 1.2f;
            EXPECT_NEAR(now.y, y * std::cos(a) - z * std::sin(a) + 1.1f, 1e-3f);
            EXPECT_NEAR(now.z, y * std::sin(a) + z * std::cos(a) + 1.2f, 1e-3f);
            ++heads;
        } else {
            EXPECT_NEAR(length(now - rest), 0.0f, 1e-4f);
            ++bodies;
        }
    }
    EXPECT_GT(heads, 0);
    EXPECT_GT(bodies, 0);
    frame* f = animal;
    destroy_frame(&f);
}

TEST_F(ModelTest, AModelWithoutAnimationOrWithABoneOfNoFrameDrawsNothing) {
    folder_.write("m/still.x", small_model(false, false));
    folder_.write("m/lost.x", small_model(true, true));
    folder_.write("m/moving.x", small_model(false, true));
    for (const char* file : {"m\\still.x", "m\\lost.x", "m\\missing.x"}) {
        CSkinnedMesh* m = nullptr;
        ASSERT_EQ(create_detached_skinned_mesh(&m), S_OK);
        EXPECT_FALSE(m->load(file)) << file;
        EXPECT_EQ(m->child_count(), 0) << file;
        EXPECT_FALSE(m->has_animation()) << file;
        m->update();  // nothing to play
        EXPECT_EQ(destroy_skinned_mesh(&m), S_OK);
    }
    EXPECT_NE(log().find("no frame for the bone elsewhere"), std::string::npos) << log();

    // An unskinned mesh follows its animated frame: 0.5 of the way to x = 1.
    CSkinnedMesh* m = nullptr;
    ASSERT_EQ(create_detached_skinned_mesh(&m), S_OK);
    ASSERT_TRUE(m->load("m\\moving.x"));
    m->time_scale = 1.0f;
    state_->smoothed_step = 0.5f * 100.0f / 4800.0f;
    m->update();
    EXPECT_NEAR(m->containers[0].drawn->local.m[3][0], 0.5f, 1e-4f);
    EXPECT_EQ(destroy_skinned_mesh(&m), S_OK);
}

TEST(SkinnedMesh, AGroupNeedsAsManyBlendMatricesAsItsLastUsedBoneId) {
    const std::uint32_t none = 0xFFFFFFFFu;
    const std::uint32_t ids[] = {3, none, 7, none};
    EXPECT_EQ(blend_matrix_count(ids, 4), 3);
    const std::uint32_t unused[] = {none, none};
    EXPECT_EQ(blend_matrix_count(unused, 2), 0);
}
