// The glowing exhaust flame at a rocket's or motor's nozzle: an additively blended mesh of a
// domed head and a flaring tail, coloured from blue-white at the nozzle to orange and
// transparent at the tip by a ramp computed from a temperature value, with a scrolling texture
// and a random flicker. A flame may own a trail (not a child in the tree) that it drives each
// tick: lit points while the temperature is at most 1.0, unlit ones after burn-out.
//
// Its owners scale it through its own matrix (width, height and length of the flame), so the
// scale fields multiply that; the trail's width follows the flame's world width.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "core/frame.h"
#include "world/effect_drawing.h"
#include "world/trail.h"

class flame : public frame {
public:
    static constexpr int k_mesh_vertices = 648;
    static constexpr int k_vertex_room = 720;
    static constexpr int k_ramp_colours = 10;

    flame();
    ~flame() override;

    void clear_children() override;
    void render() override;
    void update() override;
    void shift_origin() override;

    // Clears the children; makes and lays out the trail when trail on is set; builds the mesh
    // and loads "graphics\thrust.dds".
    void init();
    // Colours the mesh from the temperature; after init and whenever the temperature changes.
    void build_colour_ramp();
    // The colour of ramp entry i (0..9) for the current temperature.
    std::uint32_t ramp_colour(int i) const;
    // The per-tick step: drives the trail and scrolls the texture.
    void update_trail();
    // The width handed to the trail: ten times the flame's width, 0 once burnt out.
    float trail_width() const;

    std::unique_ptr<trail> ribbon;  // the trail, none while trail on is clear
    std::uint8_t trail_on = 0;
    std::int32_t vertex_count = 0;
    float temperature = 0.4f;
    float offset = 1.0f;
    float flicker = 0.05f;
    float texture_scale = 0.25f;
    float scroll_speed = 3.0f;
    float scale_x = 1.0f, scale_y = 1.0f, scale_z = 5.0f;
    float base_size = 1.0f;
    gfx_texture* texture = nullptr;
    std::array<effect_vertex, k_vertex_room> vertices{};

private:
    void build_mesh();
    void draw_pass(gfx_device* d, const mat4& m, std::uint32_t cull) const;

    // Which ramp entry colours each mesh vertex.
    std::array<std::uint8_t, k_vertex_room> ramp_index_{};
};

hresult create_flame(frame* parent, flame** out);
hresult create_flame_unparented(flame** out);
hresult destroy_flame(flame** variable);
