// What the GL device last handed to GL, so that a draw skips the calls that would set a state
// to the value it already has. Each state is a slot (a kind of call and, for per-unit states,
// its texture unit) holding the bytes of the arguments of its last call; a call goes to GL only
// when its arguments differ from them. Software rasterisers spend most of a small draw on state
// validation, so a GUI frame of a few dozen quads otherwise costs thousands of calls.
//
// Whatever changes GL state behind the device's back (a clear, presenting, creating or
// uploading a texture, a reset) must forget the slots it touched; forget_all() after a reset
// or a new context. Switched off, every call passes: the drawing must come out the same.
#pragma once

#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

class gl_state_shadow {
public:
    // The kinds of state calls. Per-unit kinds take the unit as well.
    enum slot_kind : std::uint32_t {
        k_enable,  // + the capability (and unit + 1 for texture units): glEnable / glDisable
        k_viewport,
        k_depth_range,
        k_cull_face,
        k_front_face,
        k_polygon_mode,
        k_shade_model,
        k_depth_func,
        k_depth_mask,
        k_stencil_func,
        k_stencil_op,
        k_stencil_mask,
        k_blend_func,
        k_blend_equation,
        k_alpha_func,
        k_color_mask,
        k_fog_mode,
        k_fog_density,
        k_fog_start,
        k_fog_end,
        k_fog_color,
        k_point_size,
        k_point_size_min,
        k_point_size_max,
        k_point_attenuation,
        k_point_sprite_origin,
        k_matrix_mode,
        k_projection_matrix,
        k_modelview_matrix,
        k_program,
        k_active_texture,
        k_client_active_texture,
        k_light_model_ambient,
        k_light_model_local_viewer,
        k_material,  // + the parameter
        k_color_material,
        k_light,     // + light number x 16 + parameter index
        k_clip_plane,  // + plane (given under the view: depends on the view matrix too)
        k_uniforms,    // + the program name x 4 + which uniform
        k_client_state,  // + the array (and unit for coordinates)
        k_current_normal,
        k_current_color,
        k_current_secondary_color,
        // Per texture unit (the unit in the detail, see on_unit).
        k_texture_binding,  // + the target
        k_sampler_binding,
        k_sampler_parameter,  // + the parameter
        k_tex_env,            // + the parameter
        k_tex_gen,            // + the coordinate and parameter
        k_texture_matrix,
    };

    // Whether a call with these argument bytes must reach GL (and counts it when it must).
    // Identical bytes in the same slot mean the same GL state, so the call is skipped.
    bool changed(std::uint32_t kind, std::uint32_t detail, const void* args, std::size_t bytes);

    // The same for plain values, whose bytes are taken one after the other.
    template <typename... T>
    bool changed_to(std::uint32_t kind, std::uint32_t detail, const T&... values) {
        std::uint8_t packed[(sizeof(T) + ... + 0)];
        std::size_t at = 0;
        ((std::memcpy(packed + at, &values, sizeof(T)), at += sizeof(T)), ...);
        return changed(kind, detail, packed, at);
    }

    // The detail of a per-unit slot: the unit in the high bits, GL enums stay below 2^16.
    static std::uint32_t on_unit(int unit, std::uint32_t detail) {
        return (static_cast<std::uint32_t>(unit) << 16) | detail;
    }

    // Forget one slot, every slot of a kind, or everything: the next such call reaches GL.
    void forget(std::uint32_t kind, std::uint32_t detail);
    void forget_kind(std::uint32_t kind);
    void forget_all();

    // Off: every call reaches GL (and is counted); on again starts from nothing known.
    void set_enabled(bool on);
    bool enabled() const { return enabled_; }

    // Calls that reached GL since the count was last taken.
    long calls() const { return calls_; }
    long take_calls();

private:
    static std::uint64_t key_of(std::uint32_t kind, std::uint32_t detail) {
        return (static_cast<std::uint64_t>(kind) << 32) | detail;
    }

    std::unordered_map<std::uint64_t, std::vector<std::uint8_t>> slots_;
    bool enabled_ = true;
    long calls_ = 0;
};
