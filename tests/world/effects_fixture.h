// What the effect tests share: an application object (for the log and the texture cache), an
// application state with a published camera, a recording device, a private data folder, a
// texture loader that hands out memory textures, and scene services with flat ground and a
// sea level the test chooses.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/model_shading.h"
#include "core/recording_services.h"
#include "core/texture_cache.h"
#include "platform/program_rand.h"
#include "platform/recording_device.h"
#include "tests/support/temp_folder.h"

class memory_texture_loader : public texture_loader {
public:
    gfx_texture* load(const char*, const texture_request&) override {
        ++alive;
        return new gfx_texture(texture_kind::plain, 1, 1, 1, 1, 0, FMT_A8R8G8B8, POOL_MANAGED);
    }
    bool lock_first_level(gfx_texture*, std::uint8_t**, int*, int*, int*) override { return false; }
    void unlock_first_level(gfx_texture*) override {}
    void release(gfx_texture* texture) override {
        --alive;
        delete texture;
    }
    int alive = 0;
};

class EffectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app_;
        state_ = std::make_unique<app_state>();
        g_state = state_.get();
        present_params params;
        params.back_buffer_width = 320;
        params.back_buffer_height = 240;
        device_ = std::make_unique<recording_device>(params);
        use_device(device_.get());
        app_.textures.set_loader(&loader_);
        shading() = model_shading{};
        install_scene_services(&world_);
        program_srand(1);
        place_camera({0.0f, 0.0f, -100.0f});
        state_->camera_world = &camera_world_;
        state_->camera_aux = camera_aux_;
        state_->camera_fov = &fov_;
        state_->no_shift = 1;
        set_steps(0.02f, 0.02f);
    }
    void TearDown() override {
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        install_scene_services(nullptr);
        use_device(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    // The camera at a point, looking north (+z), level.
    void place_camera(const vec3& at) { camera_world_ = mat_translation(at); }
    void set_steps(float frame_dt, float sim_dt) {
        state_->smoothed_step = frame_dt;
        state_->dt = sim_dt;
    }
    std::string log() const { return std::string(app_.log_text(), static_cast<std::size_t>(app_.log_length())); }

    temp_folder folder_;
    d3d_app app_;
    std::unique_ptr<app_state> state_;
    std::unique_ptr<recording_device> device_;
    memory_texture_loader loader_;
    recording_scene_services world_;
    mat4 camera_world_ = mat_identity();
    mat4 camera_aux_[4] = {mat_identity(), mat_identity(), mat_identity(), mat_identity()};
    float fov_ = k_pi / 4.0f;
};
