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

}  // namespace

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
