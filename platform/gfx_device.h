// The graphics device the game draws with: persistent render, sampler and texture-stage
// state with the classic defaults, transforms, viewport, lights and material in world space,
// clip planes, textures, vertex and index buffers, draws, render targets and shader programs
// with constant registers. The state lives here, the same for every backend; a backend
// (OpenGL in platform/system, or the recording device for headless tests) creates the
// resources and turns the state into pixels at each draw.
//
// gfx_system stands for the object that checks formats and creates devices.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/gfx_resources.h"
#include "platform/gfx_types.h"
#include "platform/math3d.h"
#include "platform/results.h"

using texture_ptr = std::unique_ptr<gfx_texture>;
using surface_ptr = std::unique_ptr<gfx_surface>;
using vertex_buffer_ptr = std::unique_ptr<gfx_vertex_buffer>;
using index_buffer_ptr = std::unique_ptr<gfx_index_buffer>;
using shader_ptr = std::unique_ptr<gfx_shader>;

constexpr int k_max_lights = 1024;       // light indices 0..1023 (the program's pool has 1000)
constexpr int k_max_clip_planes = 6;
constexpr int k_max_world_matrices = 4;
constexpr int k_vs_constants = 64;       // vec4 registers vs_c[0..63]
constexpr int k_ps_constants = 32;       // vec4 registers ps_c[0..31]
constexpr int k_max_active_lights = 8;   // lights a fixed-function draw takes into account

// Everything a draw depends on; copied whole by the recording device for each draw.
struct device_state {
    std::uint32_t render[k_render_state_count] = {};
    std::uint32_t sampler[k_max_samplers][k_sampler_state_count] = {};
    std::uint32_t stage[k_max_stages][k_stage_state_count] = {};
    mat4 view, projection;
    mat4 world[k_max_world_matrices];
    mat4 texture_transform[k_max_stages];
    gfx_viewport viewport;
    gfx_material material;
    float clip_planes[k_max_clip_planes][4] = {};
    float vs_constants[k_vs_constants][4] = {};
    float ps_constants[k_ps_constants][4] = {};
    std::uint32_t fvf = 0;

    // The classic defaults; depth test on when the device has a depth buffer.
    void set_defaults(bool depth_buffer);
};

class gfx_device {
public:
    gfx_device();
    virtual ~gfx_device();
    gfx_device(const gfx_device&) = delete;
    gfx_device& operator=(const gfx_device&) = delete;

    const device_caps& caps() const { return caps_; }
    const present_params& params() const { return params_; }

    // --- Frame ---
    // S_OK, or D3DERR_DEVICELOST / D3DERR_DEVICENOTRESET (never on OpenGL).
    virtual hresult test_cooperative_level() { return S_OK; }
    // Takes new present parameters (a resize or mode change): the back buffer and the
    // automatic depth buffer follow; every state returns to its default.
    virtual hresult reset(const present_params& params) = 0;
    virtual hresult begin_scene();
    virtual hresult end_scene();
    virtual hresult present() = 0;
    // Clears the viewport rectangle of the current target and depth-stencil surface.
    virtual hresult clear(std::uint32_t flags, std::uint32_t color, float z,
                          std::uint32_t stencil) = 0;

    // Counting the samples a run of draws lets through the depth and stencil tests. Begin
    // returns false when the device cannot count (the caller then takes the draws as seen).
    // The count of the last run ended is read with counted_samples, which waits for that
    // drawing to finish: -1 when no count is known.
    virtual bool begin_sample_count() { return false; }
    virtual void end_sample_count() {}
    virtual long long counted_samples() { return -1; }

    // --- State (kept here; a backend applies it at each draw) ---
    hresult set_render_state(std::uint32_t key, std::uint32_t value);
    hresult set_render_state_f(std::uint32_t key, float value);
    std::uint32_t render_state(std::uint32_t key) const;
    float render_state_f(std::uint32_t key) const;
    hresult set_sampler_state(int sampler, std::uint32_t key, std::uint32_t value);
    std::uint32_t sampler_state(int sampler, std::uint32_t key) const;
    hresult set_texture_stage_state(int stage, std::uint32_t key, std::uint32_t value);
    std::uint32_t texture_stage_state(int stage, std::uint32_t key) const;

    // TS_VIEW, TS_PROJECTION, TS_TEXTURE0 + n, TS_WORLD + n.
    hresult set_transform(std::uint32_t which, const mat4& m);
    hresult get_transform(std::uint32_t which, mat4* out) const;
    const mat4& transform(std::uint32_t which) const;

    hresult set_viewport(const gfx_viewport& v);
    const gfx_viewport& viewport() const { return state_.viewport; }

    hresult set_light(int index, const gfx_light& light);
    hresult get_light(int index, gfx_light* out) const;
    hresult light_enable(int index, bool on);
    bool light_enabled(int index) const;
    // Enabled light indices in ascending order.
    std::vector<int> enabled_lights() const;

    hresult set_material(const gfx_material& m);
    const gfx_material& material() const { return state_.material; }

    // World-space plane (a, b, c, d) for fixed-function draws, clip-space while a vertex
    // shader is bound; enabled by the bits of RS_CLIPPLANEENABLE.
    hresult set_clip_plane(int index, const float plane[4]);
    const float* clip_plane(int index) const;

    // --- Resources ---
    virtual hresult create_texture(int width, int height, int levels, std::uint32_t usage,
                                   std::uint32_t format, std::uint32_t pool,
                                   texture_ptr* out) = 0;
    virtual hresult create_cube_texture(int edge, int levels, std::uint32_t usage,
                                        std::uint32_t format, std::uint32_t pool,
                                        texture_ptr* out) = 0;
    virtual hresult create_volume_texture(int width, int height, int depth, int levels,
                                          std::uint32_t usage, std::uint32_t format,
                                          std::uint32_t pool, texture_ptr* out) = 0;
    virtual hresult create_vertex_buffer(int bytes, std::uint32_t usage, std::uint32_t fvf,
                                         std::uint32_t pool, vertex_buffer_ptr* out) = 0;
    virtual hresult create_index_buffer(int bytes, std::uint32_t usage, std::uint32_t format,
                                        std::uint32_t pool, index_buffer_ptr* out) = 0;
    // A render target of its own (lockable: its image can be locked and read).
    virtual hresult create_render_target(int width, int height, std::uint32_t format,
                                         bool lockable, surface_ptr* out) = 0;
    virtual hresult create_depth_stencil_surface(int width, int height, std::uint32_t format,
                                                 surface_ptr* out) = 0;
    // GLSL sources; a program that does not compile gives E_GL_SHADER and no shader.
    virtual hresult create_vertex_shader(const char* source, shader_ptr* out) = 0;
    virtual hresult create_pixel_shader(const char* source, shader_ptr* out) = 0;

    // --- Bindings (not owned; a destroyed resource must be unbound first or on the way) ---
    hresult set_texture(int stage, gfx_texture* texture);
    gfx_texture* texture(int stage) const;
    hresult set_fvf(std::uint32_t fvf);
    std::uint32_t fvf() const { return state_.fvf; }
    hresult set_stream_source(int stream, gfx_vertex_buffer* buffer, int offset, int stride);
    gfx_vertex_buffer* stream_source() const { return stream_; }
    int stream_offset() const { return stream_offset_; }
    int stream_stride() const { return stream_stride_; }
    hresult set_indices(gfx_index_buffer* buffer);
    gfx_index_buffer* indices() const { return indices_; }
    hresult set_vertex_shader(gfx_shader* shader);
    hresult set_pixel_shader(gfx_shader* shader);
    gfx_shader* vertex_shader() const { return vertex_shader_; }
    gfx_shader* pixel_shader() const { return pixel_shader_; }
    hresult set_vertex_shader_constant_f(int start, const float* values, int count);
    hresult set_pixel_shader_constant_f(int start, const float* values, int count);
    const float* vertex_shader_constant(int index) const;
    const float* pixel_shader_constant(int index) const;

    // Render target 0 (none = the back buffer) and the depth-stencil surface (none = no
    // depth test). Setting a target sets the viewport to its full size.
    virtual hresult set_render_target(int index, gfx_surface* target);
    gfx_surface* render_target() const { return target_ ? target_ : back_buffer(); }
    virtual hresult set_depth_stencil_surface(gfx_surface* surface);
    gfx_surface* depth_stencil_surface() const { return depth_; }
    virtual gfx_surface* back_buffer() const = 0;
    // The automatic depth-stencil buffer of the back buffer (none without one).
    virtual gfx_surface* auto_depth_stencil() const = 0;

    // --- Draws: the bound stream with the state above ---
    virtual hresult draw_primitive(std::uint32_t type, int start_vertex, int count) = 0;
    virtual hresult draw_indexed_primitive(std::uint32_t type, int base_vertex, int min_index,
                                           int vertex_count, int start_index, int count) = 0;
    // From memory: unbinds the stream and the indices afterwards, as the classic device does.
    virtual hresult draw_primitive_up(std::uint32_t type, int count, const void* vertices,
                                      int stride) = 0;
    virtual hresult draw_indexed_primitive_up(std::uint32_t type, int min_index,
                                              int vertex_count, int count, const void* indices,
                                              std::uint32_t index_format, const void* vertices,
                                              int stride) = 0;

    // A resource going away tells its device, which drops any binding to it.
    virtual void forget(const gfx_texture* texture);
    virtual void forget(const gfx_surface* surface);
    virtual void forget(const gfx_buffer* buffer);
    virtual void forget(const gfx_shader* shader);

    const device_state& state() const { return state_; }
    // Resources made by this device and not yet destroyed.
    void adopt(gfx_resource* resource) { live_.insert(resource); }
    std::size_t live_resource_count() const { return live_.size(); }

protected:
    // Puts every state, binding and light back to the defaults (creation and reset).
    void reset_state(bool depth_buffer);
    bool in_scene() const { return in_scene_; }

    device_caps caps_;
    present_params params_;
    device_state state_;

private:
    std::vector<gfx_light> lights_;
    std::vector<std::uint8_t> light_on_;
    gfx_texture* textures_[k_max_stages] = {};
    gfx_vertex_buffer* stream_ = nullptr;
    int stream_offset_ = 0, stream_stride_ = 0;
    gfx_index_buffer* indices_ = nullptr;
    gfx_shader* vertex_shader_ = nullptr;
    gfx_shader* pixel_shader_ = nullptr;
    gfx_surface* target_ = nullptr;
    gfx_surface* depth_ = nullptr;
    bool in_scene_ = false;
    std::unordered_set<const gfx_resource*> live_;
};

// The object that knows the adapter, checks formats and creates devices.
class gfx_system {
public:
    virtual ~gfx_system() = default;
    virtual display_mode adapter_display_mode() const = 0;
    // Whether a resource of this format and usage (USAGE_RENDERTARGET, USAGE_DEPTHSTENCIL or
    // 0 for a texture) can be made on an adapter in the given display format: S_OK or
    // D3DERR_NOTAVAILABLE.
    virtual hresult check_device_format(std::uint32_t adapter_format, std::uint32_t usage,
                                        texture_kind kind, std::uint32_t format) const = 0;
    // Whether a depth-stencil format goes with a render-target format.
    virtual hresult check_depth_stencil_match(std::uint32_t adapter_format,
                                              std::uint32_t target_format,
                                              std::uint32_t depth_format) const = 0;
    // A device for the window with these present parameters (unknown back-buffer format and
    // zero sizes are filled in); behaviour flags are CREATE_* bits.
    virtual hresult create_device(void* window, std::uint32_t behaviour,
                                  present_params* params,
                                  std::unique_ptr<gfx_device>* out) = 0;
};
