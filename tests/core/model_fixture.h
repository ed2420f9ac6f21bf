// What the model tests share: an application object (for the log), an application state, a
// recording device, a private data folder, the application object's texture cache with a
// loader that hands out memory textures and counts the ones alive, and a ground whose height the test chooses.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "core/texture_cache.h"
#include "platform/recording_device.h"
#include "platform/x_mesh.h"
#include "tests/support/temp_folder.h"

class counting_loader : public texture_loader {
public:
    gfx_texture* load(const char* name, const texture_request&) override {
        names.emplace_back(name);
        ++alive;
        return new gfx_texture(texture_kind::plain, 1, 1, 1, 1, 0, FMT_A8R8G8B8, POOL_MANAGED);
    }
    bool lock_first_level(gfx_texture*, std::uint8_t**, int*, int*, int*) override { return false; }
    void unlock_first_level(gfx_texture*) override {}
    void release(gfx_texture* texture) override {
        --alive;
        delete texture;
    }
    std::vector<std::string> names;
    int alive = 0;
};

// Ground at a fixed height that also counts the cells marked as taken.
struct sloped_ground : scene_services {
    float height = 0.0f;
    float slope = 0.0f;  // metres of height per metre of x
    int marked = 0;
    float ground_height(float x, float) override { return height + slope * x; }
    void mark_ground_cell(float, float, int) override { ++marked; }
};

class ModelTest : public ::testing::Test {
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
        install_scene_services(&ground_);
        mesh_faults() = x_mesh_faults{};
    }
    void TearDown() override {
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        install_scene_services(nullptr);
        shading() = model_shading{};
        use_device(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    std::string log() const { return std::string(app_.log_text(), static_cast<std::size_t>(app_.log_length())); }

    temp_folder folder_;
    d3d_app app_;
    std::unique_ptr<app_state> state_;
    std::unique_ptr<recording_device> device_;
    counting_loader loader_;
    sloped_ground ground_;
};

// The header every authored model starts with, and a plain white material.
inline const std::string k_x_header = "xof 0303txt 0032\n";
inline std::string x_material_text(float r, float g, float b, float a, const char* texture = nullptr) {
    std::string s = "Material { " + std::to_string(r) + ";" + std::to_string(g) + ";" + std::to_string(b) +
                    ";" + std::to_string(a) + ";; 4; 0.5;0.5;0.5;; 0;0;0;;";
    if (texture != nullptr) s += std::string(" TextureFilename { \"") + texture + "\"; }";
    return s + " }";
}
