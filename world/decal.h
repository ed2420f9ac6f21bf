// One upright textured sprite (a bush, a sign, a flag) that turns about the vertical to face
// the camera and may sway in the wind, or one light glow that faces the camera, grows slowly
// with distance and may blink (1 s lit, 2 s dark). Scenery objects and blinkers make them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/frame.h"
#include "world/effect_drawing.h"

// The turning rate (rad/s) and lean factor of a swaying item of a height (m): tall items sway
// slowly, short ones fast; clamp(sqrt(10 / height), 1, 5). A height of 0 or less has none: 1.
float sway_rate_for(float height);
// One step of the sway oscillator (s, c) turning at rate k per second over dt.
void turn_sway(float* s, float* c, float k_dt);

class decal : public frame {
public:
    static constexpr std::uint32_t k_lit_ms = 1000;
    static constexpr std::uint32_t k_dark_ms = 2000;

    decal();
    ~decal() override;

    void clear_children() override;
    void render() override;
    void update() override;
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                      float* result) override;

    // Builds the quad from width and height, takes the "_n" night variant of the name when
    // one exists, names the frame after it and loads it (load mode 1).
    void load_texture(const char* texture_name);
    void set_colour(float r, float g, float b, float a);
    // The quad's corners in world coordinates as drawn now (sprite or glow).
    void world_quad(vec3 out[4]) const;

    std::uint8_t night_texture = 0;
    std::uint8_t sway = 1;
    std::uint8_t light = 0;
    std::uint8_t blinking = 0;
    std::uint8_t lit = 0;
    std::uint32_t next_blink_time = 0;
    float width = 10.0f;
    float height = 10.0f;
    float sway_rate = 1.0f;
    float sway_s = 0.0f, sway_c = 0.5f;
    gfx_material material;
    gfx_texture* texture = nullptr;

private:
    std::vector<effect_vertex> stream_;
};

hresult create_decal(frame* parent, decal** out);
hresult destroy_decal(decal** variable);
