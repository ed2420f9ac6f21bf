// Meshes and hierarchies loaded from authored .x files: names, world matrices, materials
// and textures; merged loading; scrambled files; failure paths (missing, damaged, a failed
// format change or lock); the height probe, the picking ray and the point test against
// geometry whose answers are worked out by hand; draping and the drawing flags.
#include <cmath>
#include <cstring>

#include "core/file_helpers.h"
#include "core/hierarchy.h"
#include "core/mesh.h"
#include "core/model_cache.h"
#include "tests/core/model_fixture.h"

namespace {

// A turret frame (1 m up) holding its body, and a barrel frame (2 m forward) holding an
// unnamed mesh; the barrel's material is a reference to a named one.
const std::string k_launcher = k_x_header + R"(
Material Grey { 0.5;0.5;0.5;1.0;; 8.0; 0.2;0.2;0.2;; 0;0;0;; }
Frame Turret {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,1,0,1;; }
  Mesh Turret_Body {
    4; -1;0;-1;, -1;0;1;, 1;0;1;, 1;0;-1;;
    1; 4;0,1,2,3;;
    MeshTextureCoords { 4; 0;0;, 0;1;, 1;1;, 1;0;; }
    MeshMaterialList { 1; 1; 0;; )" + x_material_text(1, 0, 0, 1, "Turret.bmp") + R"( }
  }
  Frame Barrel {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,2,1;; }
    Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; { Grey } } }
  }
}
)";

// Two horizontal quads facing up at y 0 and 3, and one facing down at y 5, 2 m square
// around the origin.
std::string stacked_quads() {
    std::string s = k_x_header + "Mesh { 12;";
    for (const char* y : {"0", "3", "5"}) {
        s += std::string("-1;") + y + ";-1;, -1;" + y + ";1;, 1;" + y + ";1;, 1;" + y + ";-1;,";
    }
    s += "; 6; 3;0,1,2;, 3;0,2,3;, 3;4,5,6;, 3;4,6,7;, 3;8,10,9;, 3;8,11,10;;";
    s += " MeshMaterialList { 1; 1; 0;; " + x_material_text(1, 1, 1, 1) + " } }";
    return s;
}

vec3 translation_of(const frame* f) { return get_translation(f->world); }

TEST_F(ModelTest, HierarchyFindsTurretAndBarrelWithWorldMatricesMaterialsAndTextures) {
    folder_.write("launchers/amraam/launcher.x", k_launcher);
    folder_.write("launchers/amraam/turret.bmp", "picture");
    hierarchy* model = nullptr;
    ASSERT_EQ(create_detached_hierarchy(&model), S_OK);
    model->load_x("Launchers\\AMRAAM\\launcher.x");
    EXPECT_STREQ(model->name, "launchers\\amraam\\launcher.x");
    EXPECT_STREQ(model->folder, "launchers\\amraam");
    model->set_position(10.0f, 0.0f, 0.0f);

    mesh* turret = model->find_mesh("Turret");
    mesh* barrel = model->find_mesh("barrel");
    ASSERT_NE(turret, nullptr);
    ASSERT_NE(barrel, nullptr);
    // A named mesh names its frame; the unnamed one leaves "barrel" as it was.
    EXPECT_STREQ(turret->name, "turret_body");
    EXPECT_STREQ(barrel->name, "barrel");
    EXPECT_EQ(barrel->parent, turret);
    const vec3 t = translation_of(turret), b = translation_of(barrel);
    EXPECT_FLOAT_EQ(t.x, 10.0f);
    EXPECT_FLOAT_EQ(t.y, 1.0f);
    EXPECT_FLOAT_EQ(b.x, 10.0f);
    EXPECT_FLOAT_EQ(b.y, 1.0f);
    EXPECT_FLOAT_EQ(b.z, 2.0f);

    ASSERT_EQ(turret->material_count, 1u);
    EXPECT_EQ(turret->material_buffer[0].texture, "Turret.bmp");
    EXPECT_EQ(turret->materials[0].ambient.r, 1.0f);  // ambient follows diffuse
    EXPECT_NE(turret->textures[0], nullptr);
    ASSERT_EQ(loader_.names.size(), 1u);
    EXPECT_EQ(loader_.names[0], "launchers\\amraam\\turret.bmp");
    ASSERT_EQ(barrel->material_count, 1u);
    EXPECT_FLOAT_EQ(barrel->materials[0].diffuse.g, 0.5f);
    EXPECT_EQ(barrel->textures[0], nullptr);
    EXPECT_EQ(turret->d3dx_mesh->fvf(), k_mesh_fvf);
    EXPECT_EQ(turret->d3dx_mesh->face_count(), 2);  // the quad in two triangles

    // The node's base box is the box of its parts.
    EXPECT_EQ(std::memcmp(&model->base_box, &model->box, sizeof(box6)), 0);
    EXPECT_FLOAT_EQ(model->box.max.y, 2.0f);
    EXPECT_EQ(model->find_mesh("barrel", "bar"), nullptr);

    destroy_hierarchy(&model);
    EXPECT_EQ(model, nullptr);
    EXPECT_EQ(loader_.alive, 0);  // every texture went back to the cache
}

TEST_F(ModelTest, SecondMeshInAFrameKeepsTheFirstAndLeaksNothing) {
    folder_.write("m/two.x", k_x_header + "Frame part { "
        "Mesh first { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; " +
        x_material_text(1, 1, 1, 1, "a.bmp") + " } } "
        "Mesh { 3; 0;0;5;, 0;1;5;, 1;0;5;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; " +
        x_material_text(1, 1, 1, 1, "b.bmp") + " } } }");
    folder_.write("m/a.bmp", "a");
    folder_.write("m/b.bmp", "b");
    hierarchy* model = nullptr;
    ASSERT_EQ(create_detached_hierarchy(&model), S_OK);
    model->load_x("m\\two.x");
    mesh* part = model->find_mesh("first");
    ASSERT_NE(part, nullptr);
    ASSERT_TRUE(part->has_geometry());
    EXPECT_EQ(part->d3dx_mesh->position(0).z, 0.0f);  // the first mesh's own geometry
    ASSERT_EQ(part->child_count(), 1);
    const mesh* second = static_cast<const mesh*>(part->child(0));
    ASSERT_TRUE(second->has_geometry());
    EXPECT_EQ(second->d3dx_mesh->position(0).z, 5.0f);
    EXPECT_EQ(loader_.alive, 2);
    destroy_hierarchy(&model);
    EXPECT_EQ(loader_.alive, 0);
}

TEST_F(ModelTest, MergedLoadAppliesFrameTransformsAndPreparesMaterials) {
    folder_.write("models/pair.x", k_x_header +
        "Frame a { Mesh { 3; 0;0;0;, 0;0;1;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; " +
        x_material_text(1, 1, 1, 0) + " } } } "
        "Frame b { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,-3,1;; } "
        "Mesh { 3; 0;0;0;, 0;0;1;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; " +
        x_material_text(0, 0, 1, 1) + " } } }");
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    ASSERT_TRUE(m->load_x("Models\\Pair.X"));
    EXPECT_STREQ(m->name, "models\\pair.x");
    ASSERT_EQ(m->material_count, 2u);
    EXPECT_FLOAT_EQ(m->materials[0].diffuse.a, 0.01f);  // alpha 0 is raised
    EXPECT_FLOAT_EQ(m->materials[1].ambient.b, 1.0f);
    EXPECT_EQ(m->d3dx_mesh->vertex_count(), 6);
    EXPECT_FLOAT_EQ(m->base_box.max.x, 11.0f);
    EXPECT_FLOAT_EQ(m->base_box.min.z, -3.0f);
    EXPECT_FLOAT_EQ(m->base_box.max.z, 1.0f);
    // Radius from the local origin to the farther corner: |(11, 0, 1)|.
    EXPECT_FLOAT_EQ(m->base_radius, std::sqrt(122.0f));
    EXPECT_FLOAT_EQ(m->radius, m->base_radius);
    // No normals in the file: computed (the triangles face up: +y).
    const int n_off = m->d3dx_mesh->normal_offset();
    float n[3];
    std::memcpy(n, m->d3dx_mesh->vertex_bytes() + n_off, sizeof n);
    EXPECT_FLOAT_EQ(n[1], 1.0f);
    destroy_mesh(&m);
}

TEST_F(ModelTest, ScrambledModelIsReadInMemory) {
    std::string text = k_x_header + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; "
                       "MeshMaterialList { 1; 1; 0;; " + x_material_text(1, 1, 1, 1) + " } }";
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    scramble_bytes(&bytes);
    folder_.write("models/tank.xx", std::string(bytes.begin(), bytes.end()));
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    ASSERT_TRUE(m->load_x("models\\tank.x"));
    EXPECT_STREQ(m->name, "models\\tank.x");
    EXPECT_EQ(m->d3dx_mesh->face_count(), 1);
    EXPECT_FALSE(folder_.exists("vstemp.tmp"));
    destroy_mesh(&m);
}

TEST_F(ModelTest, EveryLoadOfAnUnchangedFileSharesOneParse) {
    const std::string one = k_x_header + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; "
                            "MeshMaterialList { 1; 1; 0;; " + x_material_text(1, 1, 1, 1) + " } }";
    folder_.write("models/target.x", one);
    model_cache& cache = shared_model_cache();
    const int parsed = cache.parse_count();
    mesh* a = nullptr;
    mesh* b = nullptr;
    ASSERT_EQ(create_detached_mesh(&a), S_OK);
    ASSERT_EQ(create_detached_mesh(&b), S_OK);
    ASSERT_TRUE(a->load_x("models\\target.x"));
    ASSERT_TRUE(b->load_x("Models\\TARGET.x"));  // another spelling of the same file
    EXPECT_EQ(cache.parse_count(), parsed + 1);
    // The second mesh is the first one over again.
    ASSERT_EQ(a->d3dx_mesh->vertex_count(), b->d3dx_mesh->vertex_count());
    void* va = nullptr;
    void* vb = nullptr;
    ASSERT_EQ(a->d3dx_mesh->lock_vertices(&va), S_OK);
    ASSERT_EQ(b->d3dx_mesh->lock_vertices(&vb), S_OK);
    EXPECT_EQ(std::memcmp(va, vb, static_cast<std::size_t>(a->d3dx_mesh->vertex_count() * a->d3dx_mesh->stride())), 0);
    a->d3dx_mesh->unlock_vertices();
    b->d3dx_mesh->unlock_vertices();
    EXPECT_EQ(a->base_radius, b->base_radius);

    // A changed file is parsed again; a damaged one is refused every time, never kept.
    folder_.write("models/target.x", k_x_header + "Mesh { 4; 0;0;0;, 0;1;0;, 1;0;0;, 1;1;0;; 2; 3;0,1,2;, 3;1,3,2;; "
                  "MeshMaterialList { 1; 2; 0,0;; " + x_material_text(1, 1, 1, 1) + " } }");
    ASSERT_TRUE(b->load_x("models\\target.x"));
    EXPECT_EQ(b->d3dx_mesh->face_count(), 2);
    EXPECT_EQ(cache.parse_count(), parsed + 2);
    folder_.write("models/target.x", k_x_header + "Frame turret { Frame barrel { }");
    EXPECT_FALSE(b->load_x("models\\target.x"));
    EXPECT_FALSE(b->load_x("models\\target.x"));
    EXPECT_EQ(cache.parse_count(), parsed + 4);
    destroy_mesh(&a);
    destroy_mesh(&b);
}

TEST_F(ModelTest, MissingDamagedAndMaterialLessFilesFail) {
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    EXPECT_FALSE(m->load_x("models\\none.x"));
    EXPECT_FALSE(m->load_x("models\\none.x"));
    // A model the game needs and cannot find is named once, however often it is asked for.
    EXPECT_EQ(log(), "Could not find models\\none.x\r\n");
    folder_.write("models/bad.x", k_x_header + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,9;; }");
    EXPECT_FALSE(m->load_x("models\\bad.x"));
    EXPECT_NE(log().find("models\\bad.x"), std::string::npos);
    EXPECT_NE(log().find("index out of range"), std::string::npos);
    folder_.write("models/plain.x", k_x_header + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }");
    EXPECT_FALSE(m->load_x("models\\plain.x"));
    EXPECT_EQ(m->material_count, 0u);
    folder_.write("models/plain2.x", k_x_header + "Frame a { Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; } } "
                  "Frame b { Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; } }");
    EXPECT_FALSE(m->load_x("models\\plain2.x"));
    destroy_mesh(&m);

    hierarchy* h = nullptr;
    ASSERT_EQ(create_detached_hierarchy(&h), S_OK);
    h->load_x("models\\none.x");
    EXPECT_EQ(h->child_count(), 0);
    EXPECT_EQ(h->find_mesh("barrel"), nullptr);
    folder_.write("models/broken.x", k_x_header + "Frame turret { Frame barrel { }");
    h->load_x("models\\broken.x");
    EXPECT_EQ(h->child_count(), 0);
    EXPECT_NE(log().find("unbalanced braces"), std::string::npos);
    destroy_hierarchy(&h);
}

TEST_F(ModelTest, FailedFormatChangeOrLockIsAFailureNotAWrongStride) {
    folder_.write("m/t.x", k_x_header + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; "
                  "MeshMaterialList { 1; 1; 0;; " + x_material_text(1, 1, 1, 1, "t.bmp") + " } }");
    folder_.write("m/t.bmp", "t");
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    mesh_faults().failing_clones = 1;
    EXPECT_FALSE(m->load_x("m\\t.x"));
    EXPECT_FALSE(m->has_geometry());
    EXPECT_EQ(m->material_count, 0u);
    EXPECT_EQ(loader_.alive, 0);
    EXPECT_NE(log().find("E_OUTOFMEMORY"), std::string::npos);
    mesh_faults().failing_locks = 1;
    EXPECT_FALSE(m->load_x("m\\t.x"));
    EXPECT_FALSE(m->has_geometry());
    // Nothing is drawn or hit afterwards.
    float height = -100.0f;
    frame* hit = nullptr;
    m->surface_height(0.2f, 0.2f, &height, &hit);
    EXPECT_EQ(hit, nullptr);
    ASSERT_TRUE(m->load_x("m\\t.x"));
    EXPECT_EQ(m->d3dx_mesh->stride(), 32);
    destroy_mesh(&m);
    EXPECT_EQ(loader_.alive, 0);
}

TEST_F(ModelTest, HeightProbeFindsTheHighestUpwardFace) {
    folder_.write("m/stack.x", stacked_quads());
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    ASSERT_TRUE(m->load_x("m\\stack.x"));
    m->set_position(100.0f, 10.0f, 50.0f);
    float height = -1000.0f;
    frame* hit = nullptr;
    m->surface_height(100.5f, 49.5f, &height, &hit);
    EXPECT_FLOAT_EQ(height, 13.0f);  // the face at 5 looks down and is ignored
    EXPECT_EQ(hit, m);
    EXPECT_FLOAT_EQ(g_state->hit_normal.y, 1.0f);
    // A start above every face leaves the height alone.
    height = 20.0f;
    hit = nullptr;
    m->surface_height(100.5f, 49.5f, &height, &hit);
    EXPECT_FLOAT_EQ(height, 20.0f);
    EXPECT_EQ(hit, nullptr);
    // Outside the square: nothing.
    height = -1000.0f;
    m->surface_height(101.5f, 49.5f, &height, &hit);
    EXPECT_FLOAT_EQ(height, -1000.0f);
    destroy_mesh(&m);
}

TEST_F(ModelTest, PickingRayAndPointTest) {
    folder_.write("m/stack.x", stacked_quads());
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    ASSERT_TRUE(m->load_x("m\\stack.x"));
    m->set_position(0.0f, 10.0f, 0.0f);
    g_state->nearest_hit = 1000000.0f;
    frame* hit = nullptr;
    float value = 0.0f;
    // Straight down from 30 m: the face at 13 is 17 m away (the one at 15 faces down, so
    // a ray from above sees its back).
    EXPECT_FALSE(m->hit_test_ray({0, -1, 0}, {0.3f, 30.0f, 0.2f}, &hit, &value));
    EXPECT_EQ(hit, m);
    EXPECT_FLOAT_EQ(g_state->nearest_hit, 17.0f);
    // Within the bounding sphere but beside every face: nothing changes.
    hit = nullptr;
    EXPECT_FALSE(m->hit_test_ray({0, -1, 0}, {1.2f, 30.0f, 0.0f}, &hit, &value));
    EXPECT_EQ(hit, nullptr);
    EXPECT_FLOAT_EQ(g_state->nearest_hit, 17.0f);
    // The point test: strictly inside the base box in local axes.
    EXPECT_TRUE(m->hit_test_point(0.5f, 12.0f, 0.5f, &hit));
    EXPECT_FALSE(m->hit_test_point(0.5f, 16.0f, 0.5f, &hit));
    destroy_mesh(&m);
}

TEST_F(ModelTest, DrapingFollowsTheGroundAndRefusesAZeroVerticalScale) {
    folder_.write("m/stack.x", stacked_quads());
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    ASSERT_TRUE(m->load_x("m\\stack.x"));
    m->set_position(0.0f, 0.0f, 0.0f);
    m->local.m[1][1] = 0.0f;
    m->drape_on_ground();
    EXPECT_NE(log().find("vertical scale is 0"), std::string::npos);
    EXPECT_EQ(m->no_depth_write, 0);
    EXPECT_TRUE(std::isfinite(m->d3dx_mesh->position(0).y));
    m->local = mat_identity();
    m->set_position(0.0f, 2.0f, 0.0f);
    m->scale(1.0f, 2.0f, 1.0f);
    ground_.height = 6.0f;
    ground_.slope = 0.5f;
    m->drape_on_ground();
    for (int v = 0; v < m->d3dx_mesh->vertex_count(); ++v) {
        const vec3 p = m->d3dx_mesh->position(v);
        // World height h = 6 + 0.5 x; local y = (h - 2) / 2.
        EXPECT_FLOAT_EQ(p.y, (6.0f + 0.5f * p.x - 2.0f) / 2.0f);
    }
    EXPECT_EQ(ground_.marked, m->d3dx_mesh->vertex_count());
    EXPECT_EQ(m->no_depth_write, 1);
    EXPECT_EQ(m->special_draw, 1);
    EXPECT_EQ(m->pass1, 0);
    destroy_mesh(&m);

    hierarchy* h = nullptr;
    ASSERT_EQ(create_detached_hierarchy(&h), S_OK);
    mesh* part = nullptr;
    create_mesh(h, &part);
    part->set_position(4.0f, 1.0f, 0.0f);
    h->local.m[1][1] = 0.0f;
    h->drape_children();
    EXPECT_FLOAT_EQ(part->local.m[3][1], 1.0f);
    h->local = mat_identity();
    h->update_matrices();
    h->drape_children();
    EXPECT_FLOAT_EQ(part->world.m[3][1], 8.0f);  // 6 + 0.5 x 4
    destroy_hierarchy(&h);
}

TEST_F(ModelTest, ShaderWordsAndDrawFlags) {
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    EXPECT_TRUE(m->set_shader_params_by_word("objects\\wheel_chrome.x"));
    const float b = m->shader_b;
    EXPECT_FALSE(m->set_shader_params_by_word("plain"));
    EXPECT_FLOAT_EQ(m->shader_b, b);  // a name without a word changes nothing
    mesh* child = nullptr;
    create_mesh(m, &child);
    hierarchy* group = nullptr;
    create_hierarchy(m, &group);
    mesh* group_part = nullptr;
    create_mesh(group, &group_part);
    m->set_draw_flags(true, false);
    EXPECT_EQ(m->self_lit, 1);
    EXPECT_EQ(m->special_draw, 1);
    EXPECT_EQ(child->self_lit, 1);
    EXPECT_EQ(group->self_lit, 0);
    EXPECT_EQ(group_part->self_lit, 0);
    m->set_shader_params_by_name(0.3f, 0.4f, "mesh");
    EXPECT_FLOAT_EQ(child->shader_a, 0.3f);
    destroy_mesh(&m);
}

}  // namespace

namespace {

TEST_F(ModelTest, SavedMeshReadsBackTheSame) {
    folder_.write("launchers/l.x", k_launcher);
    folder_.write("launchers/turret.bmp", "t");
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    ASSERT_TRUE(m->load_x("launchers\\l.x"));
    m->translate_vertices(0.1f, -0.3f, 1e-3f);
    ASSERT_TRUE(m->save_x("launchers\\copy.x"));
    mesh* again = nullptr;
    ASSERT_EQ(create_detached_mesh(&again), S_OK);
    ASSERT_TRUE(again->load_x("launchers\\copy.x"));
    const x_mesh& a = *m->d3dx_mesh;
    const x_mesh& b = *again->d3dx_mesh;
    ASSERT_EQ(a.vertex_count(), b.vertex_count());
    ASSERT_EQ(a.face_count(), b.face_count());
    EXPECT_EQ(std::memcmp(a.vertex_bytes(), b.vertex_bytes(), static_cast<std::size_t>(a.vertex_count() * 32)), 0);
    EXPECT_EQ(std::memcmp(a.index_data(), b.index_data(), static_cast<std::size_t>(a.face_count() * 6)), 0);
    ASSERT_EQ(again->material_count, 2u);
    EXPECT_EQ(again->material_buffer[0].texture, "Turret.bmp");
    EXPECT_EQ(std::memcmp(&m->materials[1], &again->materials[1], sizeof(gfx_material)), 0);
    EXPECT_EQ(std::memcmp(&m->base_box, &again->base_box, sizeof(box6)), 0);
    EXPECT_FALSE(m->save_x("no\\such\\folder\\x.x"));
    destroy_mesh(&again);
    destroy_mesh(&m);
}

}  // namespace
