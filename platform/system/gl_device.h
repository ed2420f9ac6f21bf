// The graphics device on OpenGL 4.5 (compatibility profile), drawing with whatever context
// is current. Fixed-function draws go through GL's own fixed-function pipeline; shader
// programs are GLSL linked per vertex/pixel pair, either half may be missing (that half
// stays fixed-function). Every target of its own is a framebuffer object whose row 0 is the
// top row, as a locked surface expects: draws negate clip y and swap the winding. With a
// window that has a depth and a stencil buffer, the back buffer is the window's own
// framebuffer, drawn the GL way up (bottom row first, with the window's depth and stencil),
// so presenting only swaps; otherwise it is a texture like the other targets, flipped into
// the window when presented. platform/README.md says more.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/draw_bounds.h"
#include "platform/gfx_device.h"
#include "platform/system/gl_state_shadow.h"

// What the window layer supplies: swapping its buffers and the swap interval.
struct gl_window_hooks {
    std::function<void()> swap;                    // none: headless, present only counts
    std::function<void(int)> set_swap_interval;    // 0 immediate, 1 with the display
    std::function<void(int*, int*)> desktop_size;  // the display mode's size
    // The framebuffer the window shows (with swap): the back buffer is drawn straight into
    // it. 0 is the window's default framebuffer; a test gives one of its own.
    unsigned framebuffer = 0;
};

class window_system;

// The hooks of a window: its swap, its swap interval (the device asks for the present
// parameters' interval at creation and at each reset) and the desktop's size.
gl_window_hooks window_hooks(window_system* window);

class gl_device : public gfx_device {
public:
    gl_device(const present_params& params, const device_caps& caps, gl_window_hooks hooks);
    ~gl_device() override;

    hresult reset(const present_params& params) override;
    hresult present() override;
    hresult clear(std::uint32_t flags, std::uint32_t color, float z,
                  std::uint32_t stencil) override;

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

    void forget(const gfx_shader* shader) override;
    void forget(const gfx_surface* surface) override;
    void forget(const gfx_texture* texture) override;

    // Reads a colour surface into rows of B,G,R,A bytes, top row first (lock of render
    // targets and of the back buffer).
    bool read_surface(const gfx_surface* surface, std::uint8_t* out, int pitch);
    // Messages of the last shader that failed to compile or link.
    const char* shader_log() const { return shader_log_; }

    // The record of the GL state last set, which lets a draw skip calls that change nothing.
    // Off, every state call of every draw reaches GL (the drawing is the same). Its call count
    // is the number of state calls made.
    gl_state_shadow& state_shadow() { return shadow_; }
    // Draws of fixed-function triangles or lines whose vertex box lies wholly outside the view
    // volume or behind an enabled clip plane are left out (they would be clipped away
    // entirely). Off, every draw reaches GL (the drawing is the same).
    void set_draw_culling(bool on) { draw_culling_ = on; }
    bool begin_sample_count() override;
    void end_sample_count() override;
    long long counted_samples() override;
    long culled_draws() const { return culled_draws_; }
    // A texture was bound outside a draw (created, uploaded, read back, deleted).
    void forget_texture_bindings() { shadow_.forget_kind(gl_state_shadow::k_texture_binding); }

private:
    struct program_info {
        unsigned name = 0;
        int vs_c = -1, ps_c = -1, clip = -1, flip = -1;
    };

    void make_swap_chain();
    bool bind_target();
    // The current target is the window's framebuffer (drawn bottom row first).
    bool drawing_window() const;
    // What clip y is multiplied by for the current target: -1 for a target of its own (row 0
    // on top), 1 for the window.
    float clip_y_sign() const { return drawing_window() ? 1.0f : -1.0f; }
    bool window_has_depth_stencil() const;
    // A rectangle's bottom row in GL's window coordinates of the current target.
    int gl_y(std::uint32_t top, std::uint32_t height) const;
    void apply_raster_state();
    void apply_transforms_and_lights(bool pretransformed);
    void apply_lights();
    void apply_clip_planes(bool shader);
    void apply_stages(bool fixed_function);
    void set_vertex_arrays(const std::uint8_t* base, int stride);
    // State calls through the shadow.
    void enable(unsigned cap, bool on);
    void enable_on_unit(int unit, unsigned cap, bool on);
    void active_texture(int unit);
    void client_active_texture(int unit);
    void client_state(unsigned array, int unit, bool on);
    void load_matrix(unsigned mode, int unit, const mat4& m);
    void use_modelview(const mat4& m);
    void bind_texture(int unit, unsigned target, unsigned name);
    void bind_sampler(int unit, unsigned sampler);
    void sampler_parameter(int unit, unsigned pname, int value);
    void sampler_parameter(int unit, unsigned pname, float value);
    void apply_sampler(int unit);
    void apply_texture_generation(int unit, std::uint32_t source);
    void apply_texture_transform(int unit, std::uint32_t source);
    void apply_material();
    void apply_light(int n, const gfx_light& l, bool specular);
    bool apply_all(const std::uint8_t* vertex_base, int stride);
    program_info* program_for(gfx_shader* vs, gfx_shader* ps);
    hresult draw_arrays(std::uint32_t type, int first, int count_vertices);
    // True (and counted) when a draw can reach no pixel: see set_draw_culling.
    bool draw_culled(const position_box& box);
    bool draw_cullable(std::uint32_t type) const;

    bool draw_culling_ = true;
    bool in_window_ = false;  // the back buffer is the window's framebuffer
    unsigned sample_query_ = 0;   // made at the first count
    bool counting_samples_ = false;
    bool samples_pending_ = false;  // a count has ended and was not read yet
    long long counted_samples_ = -1;
    long culled_draws_ = 0;
    gl_window_hooks hooks_;
    std::unique_ptr<gfx_surface> back_buffer_;
    std::unique_ptr<gfx_surface> auto_depth_;
    unsigned framebuffer_ = 0;       // drawing: its attachments change only with the target
    unsigned read_framebuffer_ = 0;  // reading back and presenting
    // What framebuffer_ holds now (changing an attachment makes GL finish pending work).
    unsigned attached_color_ = 0;
    int attached_level_ = -1, attached_face_ = -1;
    unsigned attached_depth_ = 0;
    bool attached_complete_ = false;
    unsigned samplers_[k_max_stages] = {};
    unsigned white_texture_ = 0;
    std::map<std::pair<const gfx_shader*, const gfx_shader*>, program_info> programs_;
    char shader_log_[1024] = {};
    gl_state_shadow shadow_;
};

// The adapter behind the current context: format checks, capabilities, device creation.
class gl_system : public gfx_system {
public:
    explicit gl_system(gl_window_hooks hooks, display_mode mode = {1024, 768, 60, 22});

    display_mode adapter_display_mode() const override;
    hresult check_device_format(std::uint32_t adapter_format, std::uint32_t usage,
                                texture_kind kind, std::uint32_t format) const override;
    hresult check_depth_stencil_match(std::uint32_t adapter_format, std::uint32_t target_format,
                                      std::uint32_t depth_format) const override;
    hresult create_device(void* window, std::uint32_t behaviour, present_params* params,
                          std::unique_ptr<gfx_device>* out) override;

    // The capabilities read from the current context.
    static device_caps read_caps();
    void set_display_mode(const display_mode& mode) { mode_ = mode; }

private:
    gl_window_hooks hooks_;
    display_mode mode_;
};
