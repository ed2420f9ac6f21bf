// What the model-loading fuzz targets and their corpus replays share: an application object
// (for the log and the texture cache), an application state, a recording device, a texture
// loader that hands out memory textures and scene services, installed while it lives. The
// caller provides the file root.
#pragma once

#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/model_cache.h"
#include "core/recording_services.h"
#include "core/texture_cache.h"
#include "platform/recording_device.h"

class fuzz_texture_loader : public texture_loader {
public:
    gfx_texture* load(const char*, const texture_request&) override {
        return new gfx_texture(texture_kind::plain, 1, 1, 1, 1, 0, FMT_A8R8G8B8, POOL_MANAGED);
    }
    bool lock_first_level(gfx_texture*, std::uint8_t**, int*, int*, int*) override { return false; }
    void unlock_first_level(gfx_texture*) override {}
    void release(gfx_texture* texture) override { delete texture; }
};

struct model_environment {
    d3d_app app;
    app_state state;
    std::unique_ptr<recording_device> device;
    fuzz_texture_loader loader;
    recording_scene_services world;
    model_environment() {
        g_app = &app;
        g_state = &state;
        present_params params;
        params.back_buffer_width = 320;
        params.back_buffer_height = 240;
        device = std::make_unique<recording_device>(params);
        use_device(device.get());
        app.textures.set_loader(&loader);
        install_scene_services(&world);
    }
    ~model_environment() {
        shared_model_cache().clear();
        app.textures.release_all();
        app.textures.set_loader(nullptr);
        install_scene_services(nullptr);
        use_device(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    model_environment(const model_environment&) = delete;
    model_environment& operator=(const model_environment&) = delete;
};
