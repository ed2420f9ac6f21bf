// The smoke ribbon behind a flame: 256 points laid one after the other behind a moving frame,
// each a pair of vertices (world coordinates) that drift apart and fade with age, drawn as one
// camera-facing triangle strip. A new point is pushed at most every 251 ms of the clock; after
// a pause of more than a second the whole ribbon collapses onto the head.
#pragma once

#include <array>
#include <cstdint>

#include "core/frame.h"
#include "world/effect_drawing.h"

class trail : public frame {
public:
    static constexpr int k_points = 256;
    static constexpr int k_vertices = 516;
    static constexpr float k_lit = 765.0f;

    trail();
    ~trail() override;

    void clear_children() override;
    void render() override;
    void update() override;
    void shift_origin() override;

    // Lays out the 512 ribbon vertices and loads "graphics\trail.dds".
    void init();
    // The per-tick step with a width (m): a lit head pair for a positive width, an unlit one
    // otherwise; every point fades and spreads; points move back at most every 251 ms.
    void add_point(float width);
    void set_colour(float r, float g, float b);

    std::array<vec3, k_points> spread{};
    std::array<float, k_points> brightness{};
    std::int32_t vertex_count = 0;
    std::uint32_t last_push_time = 0;
    float max_brightness = 255.0f;
    float default_width = 1.0f;
    float fade_rate = 0.1f;
    gfx_material material;
    gfx_texture* texture = nullptr;
    std::array<effect_vertex, k_vertices> vertices{};

private:
    void fade_points(float dt);
    void push_points(const vec3& head);

    // The last good axis and side vector: a camera on the trail's axis (or a frame scaled to
    // nothing) gives none, and the ribbon keeps the previous one instead of NaN.
    vec3 last_axis_{0.0f, 0.0f, 1.0f};
    vec3 last_side_{1.0f, 0.0f, 0.0f};
};

hresult create_trail(frame* parent, trail** out);
hresult create_trail_unparented(trail** out);
hresult destroy_trail(trail** variable);
