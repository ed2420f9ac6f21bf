// A column of up to 256 camera-facing puffs that a fixed or moving source keeps emitting: a new
// puff leaves the source whenever the source has moved, relative to the air, by half a puff
// size (at least once per half size in seconds); puffs drift with the air, grow and fade with
// age, and the oldest puff is reused for the newest. It draws as grey smoke in its colour
// ("[Smoke]") or as fire running from white through yellow to red ("[Fire]"). With an ageing
// rate the source itself weakens and the column removes itself once its source age passes the
// time the column takes to renew.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/frame.h"
#include "world/effect_drawing.h"

class smoke : public frame {
public:
    static constexpr int k_max_puffs = 256;
    // The most sub-steps one update splits its frame time into.
    static constexpr int k_max_sub_steps = 1024;

    struct puff {
        std::int32_t index = 0;
        float half_width = 0.0f;   // m
        float age = 0.0f;          // s
        float interval = 0.0f;     // s, the interval when it was emitted
        vec3 position;             // relative to the frame's world position, world axes
    };

    smoke();
    ~smoke() override;

    void clear_children() override;
    void render() override;
    void update() override;
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                      float* result) override;

    // After the fields are set: every puff far below the source (the column fills in from
    // it), the name "[Smoke]" or "[Fire]", the texture (load mode 2), the bounds from count
    // and size; count cut to 256.
    bool init(const char* texture_name);
    void set_colour(float r, float g, float b);

    // The seconds between puffs for a source moving at m m/s: half a size of relative motion;
    // 0 when the size is not positive (then nothing is emitted).
    float puff_interval(float source_speed) const;
    // How visible a puff is: 1 when new, 0 once the column has renewed itself.
    float visibility(const puff& p) const;
    // A puff's colour, or 0 when it is too faint to draw.
    std::uint32_t puff_colour(const puff& p) const;

    std::uint8_t fire = 0;
    std::int32_t colour[4] = {127, 127, 127, 127};  // red, green, blue, alpha
    std::int32_t count = 25;
    float interval = 0.2f;
    float source_age = 0.0f;
    float since_last_puff = 0.0f;
    float ageing_rate = 0.0f;
    float size = 2.0f;
    float growth = 0.5f;
    vec3 drift{0.0f, 10.0f, 0.0f};
    std::array<puff, k_max_puffs> puffs{};
    gfx_texture* texture = nullptr;

private:
    void step(float dt);
    void age_source(float dt);
    void emit_puff(float t);
    void set_bounds();
    bool hit_puff(const puff& p, const vec3& direction, const vec3& origin, frame** hit,
                  float* result);

    std::vector<effect_vertex> stream_;
};

hresult create_smoke(frame* parent, smoke** out);
hresult create_smoke_unparented(smoke** out);
hresult destroy_smoke(smoke** variable);
