// Meshes drawn by the OpenGL device on an off-screen context and read back: the lit colour of
// a material, a texture, and the translucent root pass blended over the opaque one. Flat
// areas are compared with a small tolerance, away from the edges.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/mesh.h"
#include "core/model_shading.h"
#include "core/visual.h"
#include "core/texture_loading.h"
#include "platform/image.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int k_size = 64;

struct bgra {
    int b, g, r, a;
};

// A square 2 m on a side at depth z facing the camera (which looks along +z), with its
// normal toward the camera and coordinates over the whole texture.
std::string square_model(float z, float r, float g, float b, float a, const char* texture) {
    const std::string zs = std::to_string(z);
    std::string s = "xof 0303txt 0032\nMesh { 4; -1;-1;" + zs + ";, -1;1;" + zs + ";, 1;1;" + zs +
                    ";, 1;-1;" + zs + ";; 1; 4;0,1,2,3;;\n"
                    "MeshNormals { 1; 0;0;-1;; 1; 4;0,0,0,0;; }\n"
                    "MeshTextureCoords { 4; 0;1;, 0;0;, 1;0;, 1;1;; }\n"
                    "MeshMaterialList { 1; 1; 0;; Material { " +
                    std::to_string(r) + ";" + std::to_string(g) + ";" + std::to_string(b) + ";" +
                    std::to_string(a) + ";; 1; 0;0;0;; 0;0;0;;";
    if (texture != nullptr) s += std::string(" TextureFilename { \"") + texture + "\"; }";
    return s + " } } }\n";
}

class MeshPixels : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = std::make_unique<offscreen_gl>();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        gl_system system(gl_window_hooks{});
        present_params p;
        p.back_buffer_width = k_size;
        p.back_buffer_height = k_size;
        p.enable_auto_depth_stencil = 1;
        p.auto_depth_stencil_format = FMT_D24S8;
        ASSERT_EQ(system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &device_), S_OK);
        use_device(device_.get());
        g_app = &app_;
        g_state = &state_;
        loader_ = std::make_unique<device_texture_loader>(device_.get());
        app_.textures.set_loader(loader_.get());
        // Orthographic: the 2 m square fills the middle half of the picture.
        device_->set_transform(TS_PROJECTION, mat_ortho_lh(4.0f, 4.0f, 0.0f, 10.0f));
        gfx_light sun;
        sun.type = LIGHT_DIRECTIONAL;
        sun.direction[2] = 1.0f;  // along the view: full strength on the square
        sun.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
        device_->set_light(0, sun);
        device_->light_enable(0, true);
        device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    }
    void TearDown() override {
        meshes_.clear();
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        use_device(nullptr);
        g_app = nullptr;
        g_state = nullptr;
        device_.reset();
        context_.reset();
    }
    mesh* load(const std::string& file, const std::string& text) {
        folder_.write(file, text);
        meshes_.push_back(std::make_unique<mesh>());
        std::string name = file;
        for (char& c : name) c = c == '/' ? '\\' : c;
        EXPECT_TRUE(meshes_.back()->load_x(name.c_str()));
        return meshes_.back().get();
    }
    // A 4 x 4 picture of one colour (0xAARRGGBB) as a BMP file.
    void write_picture(const std::string& file, std::uint32_t colour) {
        image picture;
        picture.width = picture.height = 4;
        picture.pitch = 16;
        picture.texels.assign(64, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) picture.set_pixel(x, y, colour);
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(bmp_encode(picture, 24, &bytes), S_OK);
        folder_.write(file, std::string(bytes.begin(), bytes.end()));
    }
    bgra centre() {
        locked_rect r;
        EXPECT_EQ(device_->back_buffer()->lock(&r), S_OK);
        const auto* p = static_cast<const std::uint8_t*>(r.bits) + (k_size / 2) * r.pitch + (k_size / 2) * 4;
        bgra c{p[0], p[1], p[2], p[3]};
        device_->back_buffer()->unlock();
        return c;
    }

    temp_folder folder_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<offscreen_gl> context_;
    std::unique_ptr<gfx_device> device_;
    std::unique_ptr<device_texture_loader> loader_;
    std::vector<std::unique_ptr<mesh>> meshes_;
};

TEST_F(MeshPixels, LitMaterialColourAndTexture) {
    mesh* m = load("m/red.x", square_model(5.0f, 1.0f, 0.0f, 0.0f, 1.0f, nullptr));
    m->render();
    bgra c = centre();
    // Diffuse red x half-strength sun; ambient (render state 0) adds nothing.
    EXPECT_NEAR(c.r, 128, 3);
    EXPECT_NEAR(c.g, 0, 3);
    EXPECT_NEAR(c.b, 0, 3);
    // A green texture on a white material in front of it: the texture modulates the light.
    write_picture("m/green.bmp", 0xFF00FF00u);
    mesh* t = load("m/textured.x", square_model(4.0f, 1.0f, 1.0f, 1.0f, 1.0f, "green.bmp"));
    ASSERT_NE(t->textures[0], nullptr);
    t->render();
    c = centre();
    EXPECT_NEAR(c.g, 128, 3);
    EXPECT_NEAR(c.r, 0, 3);
    EXPECT_NEAR(c.b, 0, 3);
}

TEST_F(MeshPixels, TranslucentPassBlendsOverTheOpaquePass) {
    write_picture("m/white.bmp", 0xFFFFFFFFu);
    mesh* back = load("m/back.x", square_model(6.0f, 1.0f, 0.0f, 0.0f, 1.0f, nullptr));
    // Textured, so it is drawn plainly (untextured it would be glass).
    mesh* front = load("m/front.x", square_model(5.0f, 0.0f, 0.0f, 1.0f, 0.5f, "white.bmp"));
    // The scene's default states take alpha from texture and material together.
    device_->set_texture_stage_state(0, TSS_ALPHAOP, TOP_MODULATE);
    device_->set_render_state(RS_ALPHABLENDENABLE, 1);
    device_->set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
    device_->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    // Pass 1 draws only the opaque square, though the translucent one is in front.
    state_.render_pass = 1;
    front->render();
    back->render();
    bgra c = centre();
    EXPECT_NEAR(c.r, 128, 3);
    EXPECT_NEAR(c.b, 0, 3);
    // Pass 2 blends the translucent one over it, half and half.
    state_.render_pass = 2;
    back->render();
    front->render();
    c = centre();
    EXPECT_NEAR(c.r, 64, 4);
    EXPECT_NEAR(c.b, 64, 4);
}

TEST_F(MeshPixels, GlassMixesTheReflectionMapWithTheLitColour) {
    texture_ptr cube;
    ASSERT_EQ(device_->create_cube_texture(4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &cube), S_OK);
    for (int face = 0; face < 6; ++face) {
        locked_rect r;
        ASSERT_EQ(cube->lock_rect(0, &r, 0, face), S_OK);
        for (int y = 0; y < 4; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(r.bits) + y * r.pitch);
            for (int x = 0; x < 4; ++x) row[x] = 0xFF00FF00u;
        }
        cube->unlock_rect(0, face);
    }
    shading().reflection_map = cube.get();
    mat4 camera = mat_identity();
    mat4 aux[4] = {camera, camera, camera, camera};
    state_.camera_aux = aux;
    mesh* glass = load("m/glass.x", square_model(5.0f, 0.0f, 0.0f, 1.0f, 0.5f, nullptr));
    glass->render();
    const bgra c = centre();
    // Half the green reflection, half the lit blue (0.5 x 255).
    EXPECT_NEAR(c.g, 128, 4);
    EXPECT_NEAR(c.b, 64, 4);
    EXPECT_NEAR(c.r, 0, 3);
    state_.camera_aux = nullptr;
    shading() = model_shading{};
    glass->clear_children();
}

// A 4 x 4 shadow map of one stored nearness (1 - depth, the red channel, 0..255): 0, what the
// shadow pass clears the map to, holds no caster.
texture_ptr depth_map(gfx_device* device, std::uint32_t texel) {
    texture_ptr t;
    device->create_texture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t);
    locked_rect r;
    t->lock_rect(0, &r);
    for (int y = 0; y < 4; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(r.bits) + y * r.pitch);
        for (int x = 0; x < 4; ++x) row[x] = texel;
    }
    t->unlock_rect(0);
    return t;
}

TEST_F(MeshPixels, ShadowMapAndShadowReceivingPrograms) {
    model_shader_programs programs;
    ASSERT_EQ(create_model_shaders(device_.get(), &programs), S_OK);
    ASSERT_NE(programs.mesh_receiver_ps, nullptr);
    ASSERT_NE(programs.visual_receiver_vs, nullptr);
    model_shading& s = shading();
    s.sun.direction[2] = 1.0f;
    s.sun.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    s.sun.ambient = {0.25f, 0.25f, 0.25f, 1.0f};
    // The square's middle lands in the middle of the shadow map at light depth 0.5.
    s.shadow_projection = mat_scaling(0.1f, 0.1f, 0.1f);
    texture_ptr far_map = depth_map(device_.get(), 0xFF000000u);   // cleared: no caster
    texture_ptr near_map = depth_map(device_.get(), 0xFFFFFFFFu);  // a caster at depth 0
    mesh* m = load("m/red.x", square_model(5.0f, 1.0f, 0.0f, 0.0f, 1.0f, nullptr));
    state_.shadow_distance = 100.0f;
    // Into the shadow map: the light-space depth 0.5 as the colour (nearness 0.5).
    app_.shadow_pass = 1;
    m->render();
    EXPECT_NEAR(centre().r, 128, 3);
    app_.shadow_pass = 2;
    // Nothing nearer the sun: ambient and full sun, 0.25 + 0.5 of the red.
    s.shadow_texture = far_map.get();
    m->render();
    EXPECT_NEAR(centre().r, 191, 4);
    EXPECT_NEAR(centre().g, 0, 3);
    // Something nearer the sun: ambient only.
    s.shadow_texture = near_map.get();
    m->render();
    EXPECT_NEAR(centre().r, 64, 4);
    app_.shadow_pass = 0;
    shading() = model_shading{};
}

TEST_F(MeshPixels, VisualShadowReceivingProgram) {
    model_shader_programs programs;
    ASSERT_EQ(create_model_shaders(device_.get(), &programs), S_OK);
    write_picture("graphics/white.bmp", 0xFFFFFFFFu);
    model_shading& s = shading();
    s.sun.direction[2] = 1.0f;
    s.sun.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    s.sun.ambient = {0.25f, 0.25f, 0.25f, 1.0f};
    s.shadow_projection = mat_scaling(0.1f, 0.1f, 0.1f);
    texture_ptr far_map = depth_map(device_.get(), 0xFF000000u);   // cleared: no caster
    texture_ptr near_map = depth_map(device_.get(), 0xFFFFFFFFu);  // a caster at depth 0
    // A square facing the camera at depth 5, its normals toward the camera.
    model_vertex v[6];
    const float c[6][2] = {{-1, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, 1}, {1, -1}};
    for (int i = 0; i < 6; ++i) {
        v[i].x = c[i][0];
        v[i].y = c[i][1];
        v[i].z = 5.0f;
        v[i].nx = 0.0f;
        v[i].ny = 0.0f;
        v[i].nz = -1.0f;
        v[i].u = c[i][0] > 0 ? 1.0f : 0.0f;
        v[i].v = c[i][1] > 0 ? 0.0f : 1.0f;
    }
    visual runway;
    runway.near_projection = 1;
    ASSERT_TRUE(runway.create_vertex_buffer(PT_TRIANGLELIST, 6, v));
    runway.set_texture("graphics\\white.bmp", 0);
    ASSERT_NE(runway.texture, nullptr);
    app_.shadow_pass = 2;
    state_.shadow_distance = 100.0f;
    state_.shadow_alt = 101.0f;  // with the camera at 0: shadows at 0.99 strength
    s.shadow_texture = far_map.get();
    runway.render();
    // Sun ambient and diffuse on white: 0.75.
    EXPECT_NEAR(centre().r, 191, 4);
    EXPECT_NEAR(centre().b, 191, 4);
    s.shadow_texture = near_map.get();
    runway.render();
    // In shadow: 1 - 0.5 x 0.99 of it.
    EXPECT_NEAR(centre().g, 97, 4);
    app_.shadow_pass = 0;
    runway.clear_children();
    shading() = model_shading{};
}

}  // namespace
