// Mesh drawing through the recording device: which subsets each root pass draws, the glass
// path, the special paths of the drawing flags, the shadow-map and shadow-receiving paths
// and the planar shadow, each checked on the recorded draws and the state left behind.
#include <cstring>

#include "core/hierarchy.h"
#include "core/mesh.h"
#include "core/visual.h"
#include "tests/core/model_fixture.h"

namespace {

// One triangle per material; alphas chosen on both sides of the pass and glass limits.
// Material 0 is textured.
const float k_alphas[] = {1.0f, 0.5f, 0.05f, 0.75f, 0.9f, 0.95f};

std::string six_materials() {
    std::string s = k_x_header + "Mesh { 18;";
    for (int t = 0; t < 6; ++t) {
        const std::string z = std::to_string(t);
        s += "0;0;" + z + ";, 0;1;" + z + ";, 1;0;" + z + ";,";
    }
    s += "; 6;";
    for (int t = 0; t < 6; ++t) {
        s += "3;" + std::to_string(3 * t) + "," + std::to_string(3 * t + 1) + "," + std::to_string(3 * t + 2) + ";,";
    }
    s += "; MeshMaterialList { 6; 6; 0,1,2,3,4,5;;";
    for (int t = 0; t < 6; ++t) {
        s += " " + x_material_text(0.2f * static_cast<float>(t), 0.5f, 0.5f, k_alphas[t], t == 0 ? "skin.bmp" : nullptr);
    }
    return s + " } }";
}

class MeshRenderTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        folder_.write("m/six.x", six_materials());
        folder_.write("m/skin.bmp", "s");
        ASSERT_EQ(create_detached_mesh(&mesh_), S_OK);
        ASSERT_TRUE(mesh_->load_x("m\\six.x"));
        mesh_->set_position(1.0f, 2.0f, 3.0f);
        device_->create_cube_texture(4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &refmap_);
        shading().reflection_map = refmap_.get();
    }
    void TearDown() override {
        destroy_mesh(&mesh_);
        refmap_.reset();
        programs_ = model_shader_programs{};
        ModelTest::TearDown();
    }
    // The diffuse alphas of the recorded draws, in order.
    std::vector<float> drawn_alphas() const {
        std::vector<float> a;
        for (const draw_record& d : device_->draws()) a.push_back(d.state.material.diffuse.a);
        return a;
    }
    void draw(int pass) {
        device_->clear_records();
        g_state->render_pass = pass;
        mesh_->render();
    }
    mesh* mesh_ = nullptr;
    texture_ptr refmap_;
    model_shader_programs programs_;
};

TEST_F(MeshRenderTest, RootPassesSplitOpaqueAndTranslucentMaterials) {
    draw(0);
    EXPECT_EQ(drawn_alphas(), std::vector<float>({1.0f, 0.5f, 0.05f, 0.75f, 0.9f, 0.95f}));
    draw(1);
    EXPECT_EQ(drawn_alphas(), std::vector<float>({1.0f, 0.05f, 0.75f, 0.9f, 0.95f}));
    draw(2);
    EXPECT_EQ(drawn_alphas(), std::vector<float>({0.5f}));
    // Each subset draws its own triangle with the mesh's world matrix and 32-byte vertices.
    const draw_record& d = device_->draws()[0];
    EXPECT_EQ(d.primitive_count, 1);
    EXPECT_EQ(d.stride, 32);
    EXPECT_EQ(d.state.world[0].m[3][2], 3.0f);
}

TEST_F(MeshRenderTest, UntexturedPartlyTransparentMaterialsAreGlass) {
    draw(1);
    const std::vector<draw_record>& d = device_->draws();
    ASSERT_EQ(d.size(), 5u);
    // Alpha 1 textured: plain, with its texture.
    EXPECT_EQ(d[0].textures[0], mesh_->textures[0]);
    EXPECT_NE(d[0].textures[0], nullptr);
    EXPECT_EQ(d[0].state.stage[0][TSS_COLOROP], TOP_MODULATE);
    // Alpha 0.9 untextured: the reflection map (its colour is checked in mesh_pixels_test).
    const draw_record& glass = d[3];
    EXPECT_FLOAT_EQ(glass.state.material.diffuse.a, 0.9f);
    EXPECT_EQ(glass.textures[0], refmap_.get());
    // Alpha 0.95 untextured: plain.
    EXPECT_EQ(d[4].textures[0], nullptr);
    EXPECT_EQ(d[4].state.stage[0][TSS_COLOROP], TOP_MODULATE);
    EXPECT_EQ(device_->texture_stage_state(0, TSS_TEXCOORDINDEX), 0u);
    EXPECT_EQ(device_->texture_stage_state(0, TSS_COLOROP), TOP_MODULATE);
}

TEST_F(MeshRenderTest, SpecialPathsOfTheDrawingFlags) {
    mesh_->set_draw_flags(false, true);  // additive
    draw(1);
    EXPECT_TRUE(device_->draws().empty());
    draw(2);
    ASSERT_EQ(device_->draws().size(), 6u);  // every subset, translucent or not
    EXPECT_EQ(device_->draws()[0].state.render[RS_DESTBLEND], BLEND_ONE);
    EXPECT_EQ(device_->draws()[0].state.render[RS_ZWRITEENABLE], 0u);
    EXPECT_EQ(device_->draws()[0].state.render[RS_CULLMODE], CULL_NONE);
    EXPECT_EQ(device_->render_state(RS_DESTBLEND), BLEND_INVSRCALPHA);
    EXPECT_EQ(device_->render_state(RS_CULLMODE), static_cast<std::uint32_t>(g_app->front_cull));
    EXPECT_EQ(device_->render_state(RS_ZWRITEENABLE), 1u);

    mesh_->set_draw_flags(true, false);  // self-lit
    draw(1);
    ASSERT_EQ(device_->draws().size(), 5u);
    EXPECT_EQ(device_->draws()[0].state.render[RS_AMBIENT], 0x00FFFFFFu);
    EXPECT_EQ(device_->render_state(RS_AMBIENT), 0u);

    mesh_->no_depth_write = 1;  // wins over self-lit, keeps the pass selection
    draw(2);
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].state.render[RS_ZWRITEENABLE], 0u);
    EXPECT_EQ(device_->draws()[0].state.render[RS_AMBIENT], 0u);
    EXPECT_EQ(device_->render_state(RS_ZWRITEENABLE), 1u);
}

TEST_F(MeshRenderTest, ShadowMapAndShadowReceivingPaths) {
    ASSERT_EQ(create_model_shaders(device_.get(), &programs_), S_OK);
    g_app->shadow_pass = 1;
    g_state->shadow_distance = 0.0f;  // the mesh is at or beyond it
    draw(0);
    EXPECT_TRUE(device_->draws().empty());
    g_state->shadow_distance = 100.0f;
    draw(0);
    ASSERT_EQ(device_->draws().size(), 5u);  // the opaque materials only
    EXPECT_EQ(device_->draws()[0].vertex_shader, shading().shadow_map_vs);
    EXPECT_EQ(device_->draws()[0].pixel_shader, shading().shadow_map_ps);
    EXPECT_EQ(device_->vertex_shader(), nullptr);

    g_app->shadow_pass = 2;
    draw(0);
    ASSERT_EQ(device_->draws().size(), 6u);
    // What the receiving programs draw is checked by pixel in mesh_pixels_test.
    EXPECT_EQ(device_->draws()[0].vertex_shader, shading().mesh_receiver_vs);
    EXPECT_EQ(device_->sampler_state(1, SAMP_ADDRESSU), TADDRESS_WRAP);
    EXPECT_EQ(device_->pixel_shader(), nullptr);

    mesh_->pass2 = 0;  // not a receiver: the plain subsets
    draw(0);
    ASSERT_EQ(device_->draws().size(), 6u);
    EXPECT_EQ(device_->draws()[0].vertex_shader, nullptr);
}

TEST_F(MeshRenderTest, PlanarShadowMarksTheStencilAndRestoresTheWorld) {
    shading().sun.direction[0] = 1.0f;
    shading().sun.direction[1] = -1.0f;
    const mat4 before = mesh_->world;
    device_->clear_records();
    g_state->render_pass = 2;
    mesh_->render_shadow();
    EXPECT_EQ(std::memcmp(&before, &mesh_->world, sizeof before), 0);
    ASSERT_EQ(device_->draws().size(), 5u);  // drawn as pass 1: opaque only
    const draw_record& d = device_->draws()[0];
    EXPECT_EQ(d.state.render[RS_STENCILENABLE], 1u);
    EXPECT_EQ(d.state.render[RS_COLORWRITEENABLE], 0u);
    EXPECT_EQ(d.state.render[RS_STENCILPASS], STENCILOP_INCR);
    EXPECT_EQ(d.state.render[RS_ZENABLE], 0u);
    // Every point lands on the plane y = 0 along the light: (x, y, z) -> (x + y, 0, z).
    const vec3 p = transform_coord({0.0f, 1.0f, 0.0f}, d.state.world[0]);
    EXPECT_NEAR(p.y, 0.0f, 1e-5f);
    EXPECT_NEAR(p.x, 1.0f + 3.0f, 1e-5f);
    EXPECT_EQ(g_state->render_pass, 0);
    EXPECT_EQ(g_app->show_all, 0);
    EXPECT_EQ(device_->render_state(RS_STENCILENABLE), 0u);
    EXPECT_EQ(device_->render_state(RS_COLORWRITEENABLE), 0xFFu);
    // No shadow from a mesh that casts none.
    device_->clear_records();
    mesh_->pass1 = 0;
    mesh_->render_shadow();
    EXPECT_TRUE(device_->draws().empty());
}

}  // namespace

namespace {

TEST_F(ModelTest, PlanarShadowOfAHierarchyFlattensEveryPart) {
    folder_.write("m/tower.x", k_x_header + "Frame base { Frame top { "
        "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,4,0,1;; } "
        "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; " +
        x_material_text(1, 1, 1, 1) + " } } } }");
    hierarchy* h = nullptr;
    ASSERT_EQ(create_detached_hierarchy(&h), S_OK);
    h->load_x("m\\tower.x");
    h->set_position(0.0f, 1.0f, 0.0f);
    mesh* top = h->find_mesh("top");
    ASSERT_NE(top, nullptr);
    const mat4 top_world = top->world;
    shading().sun.direction[1] = -1.0f;  // straight down
    device_->clear_records();
    h->render_shadow();
    ASSERT_EQ(device_->draws().size(), 1u);
    // The part 5 m up lands on the ground plane.
    const vec3 p = transform_coord({0.0f, 1.0f, 0.0f}, device_->draws()[0].state.world[0]);
    EXPECT_NEAR(p.y, 0.0f, 1e-5f);
    EXPECT_EQ(std::memcmp(&top_world, &top->world, sizeof top_world), 0);
    destroy_hierarchy(&h);
}

}  // namespace
