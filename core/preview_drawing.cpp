#include "core/preview_drawing.h"

#include "core/device_calls.h"

preview_drawing::preview_drawing() : preview_drawing(current_device()) {}

preview_drawing::preview_drawing(gfx_device* device) : device_(device) {
    if (device_ == nullptr) return;
    kept_ = std::make_unique<device_state>(device_->state());
    for (int i = 0; i < k_kept_textures; ++i) textures_[i] = device_->texture(i);
    vertex_shader_ = device_->vertex_shader();
    pixel_shader_ = device_->pixel_shader();
}

preview_drawing::~preview_drawing() {
    if (device_ == nullptr || !kept_) return;
    gfx_device& d = *device_;
    const device_state& now = d.state();
    const device_state& was = *kept_;
    // Only what changed is set again: most of the state is left as it was.
    for (int k = 0; k < k_render_state_count; ++k) {
        if (now.render[k] != was.render[k]) d.set_render_state(static_cast<std::uint32_t>(k), was.render[k]);
    }
    for (int s = 0; s < k_max_stages; ++s) {
        for (int k = 0; k < k_stage_state_count; ++k) {
            if (now.stage[s][k] != was.stage[s][k]) {
                d.set_texture_stage_state(s, static_cast<std::uint32_t>(k), was.stage[s][k]);
            }
        }
        d.set_transform(TS_TEXTURE0 + static_cast<std::uint32_t>(s), was.texture_transform[s]);
    }
    for (int s = 0; s < k_max_samplers; ++s) {
        for (int k = 0; k < k_sampler_state_count; ++k) {
            if (now.sampler[s][k] != was.sampler[s][k]) {
                d.set_sampler_state(s, static_cast<std::uint32_t>(k), was.sampler[s][k]);
            }
        }
    }
    for (int n = 0; n < k_max_world_matrices; ++n) d.set_transform(TS_WORLD + static_cast<std::uint32_t>(n), was.world[n]);
    d.set_transform(TS_VIEW, was.view);
    d.set_transform(TS_PROJECTION, was.projection);
    d.set_material(was.material);
    d.set_fvf(was.fvf);
    for (int i = 0; i < k_kept_textures; ++i) d.set_texture(i, textures_[i]);
    d.set_vertex_shader(vertex_shader_);
    d.set_pixel_shader(pixel_shader_);
}
