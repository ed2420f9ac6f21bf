// The headless device: keeps every state as the real one does, makes memory-backed
// resources, draws nothing and records each draw with a copy of the state and the vertices
// it used, so tests of drawing code can check what would have reached the screen.
// null_gfx_system creates such devices and answers format checks from a list that a test
// can change (no stencil format, a failing device creation, another display mode).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx_device.h"

struct draw_record {
    std::uint32_t type = 0;
    int primitive_count = 0;
    bool indexed = false;
    bool from_memory = false;
    int start_vertex = 0;   // draw_primitive
    int base_vertex = 0;    // indexed draws
    int start_index = 0;
    std::uint32_t fvf = 0;
    int stride = 0;
    std::vector<std::uint8_t> vertices;  // the vertices the draw read, from its first on
    std::vector<std::uint32_t> indices;  // indexed draws: the indices it read
    gfx_texture* textures[k_max_stages] = {};
    gfx_shader* vertex_shader = nullptr;
    gfx_shader* pixel_shader = nullptr;
    gfx_surface* target = nullptr;
    std::vector<int> lights;             // enabled light indices
    std::vector<gfx_light> light_records;
    device_state state;
};

class recording_device : public gfx_device {
public:
    explicit recording_device(const present_params& params,
                              const device_caps& caps = default_caps());
    ~recording_device() override;

    // Capabilities of a plausible shader-model-3 adapter with 256 MB.
    static device_caps default_caps();

    hresult reset(const present_params& params) override;
    hresult present() override;
    hresult clear(std::uint32_t flags, std::uint32_t color, float z,
                  std::uint32_t stencil) override;
    // A run of draws reports `samples_to_report` samples, whatever it drew.
    bool begin_sample_count() override;
    void end_sample_count() override;
    long long counted_samples() override { return counted_samples_; }

    hresult create_texture(int width, int height, int levels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, texture_ptr* out) override;
    hresult create_cube_texture(int edge, int levels, std::uint32_t usage, std::uint32_t format,
                                std::uint32_t pool, texture_ptr* out) override;
    hresult create_volume_texture(int width, int height, int depth, int levels,
                                  std::uint32_t usage, std::uint32_t format, std::uint32_t pool,
                                  texture_ptr* out) override;
    hresult create_vertex_buffer(int bytes, std::uint32_t usage, std::uint32_t fvf,
                                 std::uint32_t pool, vertex_buffer_ptr* out) override;
    hresult create_index_buffer(int bytes, std::uint32_t usage, std::uint32_t format,
                                std::uint32_t pool, index_buffer_ptr* out) override;
    hresult create_render_target(int width, int height, std::uint32_t format, bool lockable,
                                 surface_ptr* out) override;
    hresult create_depth_stencil_surface(int width, int height, std::uint32_t format,
                                         surface_ptr* out) override;
    hresult create_vertex_shader(const char* source, shader_ptr* out) override;
    hresult create_pixel_shader(const char* source, shader_ptr* out) override;

    gfx_surface* back_buffer() const override { return back_buffer_.get(); }
    gfx_surface* auto_depth_stencil() const override { return auto_depth_.get(); }

    hresult draw_primitive(std::uint32_t type, int start_vertex, int count) override;
    hresult draw_indexed_primitive(std::uint32_t type, int base_vertex, int min_index,
                                   int vertex_count, int start_index, int count) override;
    hresult draw_primitive_up(std::uint32_t type, int count, const void* vertices,
                              int stride) override;
    hresult draw_indexed_primitive_up(std::uint32_t type, int min_index, int vertex_count,
                                      int count, const void* indices,
                                      std::uint32_t index_format, const void* vertices,
                                      int stride) override;

    // What happened.
    const std::vector<draw_record>& draws() const { return draws_; }
    void clear_records();
    int clear_count = 0;
    std::uint32_t last_clear_flags = 0, last_clear_color = 0;
    int present_count = 0;
    int reset_count = 0;
    long long samples_to_report = 1;

    // Failure injection: the next resource creation (or every reset) returns this instead.
    hresult create_result = S_OK;
    hresult reset_result = S_OK;
    // The largest resource the device accepts (bytes), beyond which creation gives
    // D3DERR_OUTOFVIDEOMEMORY.
    std::size_t memory_limit = 512u << 20;

private:
    void make_swap_chain();
    hresult check_create();
    draw_record record(std::uint32_t type, int count) const;

    std::unique_ptr<gfx_surface> back_buffer_;
    std::unique_ptr<gfx_surface> auto_depth_;
    std::vector<draw_record> draws_;
    bool counting_ = false;
    long long counted_samples_ = -1;
};

class null_gfx_system : public gfx_system {
public:
    null_gfx_system();

    display_mode adapter_display_mode() const override { return mode; }
    hresult check_device_format(std::uint32_t adapter_format, std::uint32_t usage,
                                texture_kind kind, std::uint32_t format) const override;
    hresult check_depth_stencil_match(std::uint32_t adapter_format, std::uint32_t target_format,
                                      std::uint32_t depth_format) const override;
    hresult create_device(void* window, std::uint32_t behaviour, present_params* params,
                          std::unique_ptr<gfx_device>* out) override;

    display_mode mode;
    device_caps caps;
    std::vector<std::uint32_t> texture_formats;  // accepted by check_device_format
    std::vector<std::uint32_t> depth_formats;    // accepted as depth-stencil formats
    int failing_creations = 0;                   // this many create_device calls fail first
    std::vector<std::uint32_t> creation_flags;   // behaviour flags of every create_device call
    recording_device* last_device = nullptr;     // the device made last (owned by the caller)
};
