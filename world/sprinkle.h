// The scene's general particle effect: one frame that owns up to 1024 particles of one of five
// kinds. Kinds 0, 1 and 2 are one-shot bursts of at most 256 particles that fly out from the
// frame (in its own axes), fade and remove themselves: fire (additive, white-hot through
// yellow to dark red), smoke or dust (grey, no gravity) and spray or debris (grey, falling).
// Kind 3 is a stream of tracer shots fired along the frame's z axis; a shot that reaches the
// sea or the ground turns into a 16-frame splash or blast. Kind 4 is the exhaust plume of a
// moving frame: growing, fading puffs laid behind it in world coordinates.
//
// Bursts and shots move with the smoothed real frame time, so a paused or slowed simulation
// still lets smoke drift; the plume's spacing uses the frame's speed over the simulation step.
// Bursts draw as camera-facing quads as large as the classic scaled point sprites would be.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/frame.h"
#include "world/effect_drawing.h"

class sprinkle : public frame {
public:
    static constexpr int k_max_particles = 1024;
    static constexpr int k_burst_particles = 256;
    static constexpr int k_max_shots = 63;
    static constexpr int k_shot_vertices = 210;
    // Kinds.
    static constexpr int k_fire = 0, k_smoke = 1, k_spray = 2, k_tracer = 3, k_plume = 4,
                         k_unset = 5;

    sprinkle();
    ~sprinkle() override;

    void clear_children() override;
    void render() override;
    void update() override;
    void shift_origin() override;

    // Fixes the kind and sets it up; a texture name is loaded into the main texture (load mode
    // 2). Callers set count, speed and size first. True unless the kind cannot be set up.
    bool init(const char* texture_name, int kind_code);
    // The four bursts of kinds 0-2: every direction; along the z axis over a length, biased
    // toward one end; a cone of 0.1 rad about a direction; upward, a quarter as fast sideways.
    void emit_sphere_burst();
    void emit_line_burst(float length, float axial_bias);
    void emit_cone_burst(float dx, float dy, float dz);
    void emit_plume_burst();

    // The four burst colours at an intensity, as the update gives them.
    void burst_colours(int intensity_value, std::uint32_t out[4]) const;
    // Whether a plume has died down: fewer than 8 live puffs.
    bool settled() const { return count < 8; }

    std::int32_t kind = k_unset;
    std::int32_t count = 0;
    float speed = 1.0f;
    float size = 0.2f;
    float intensity = 0.0f;
    float emit_speed = 300.0f;
    std::int32_t emit_interval = 100;   // ms between shots
    std::uint32_t next_emit_time = 0;   // ms
    std::uint8_t emitting = 0;
    std::array<std::int32_t, k_max_particles> state{};  // shots: 0 flying, 1-2 splash, 3+ blast
    std::array<vec3, k_max_particles> particle_velocity{};
    std::array<vec3, k_max_particles> particle_position{};  // bursts: local; 3, 4: world
    std::array<float, k_max_particles> particle_alpha{};
    std::array<float, k_max_particles> particle_size{};
    std::array<std::uint32_t, k_burst_particles> particle_colour{};
    gfx_texture* texture = nullptr;
    gfx_texture* impact_textures[3] = {nullptr, nullptr, nullptr};

private:
    void start_burst();
    void step_burst(float dt);
    void step_tracers(float dt);
    void hit_test_shot(int i);
    void step_plume(float dt);
    void fade_plume(float dt);
    void emit_puffs(float dt);
    void build_shot_vertices();
    void render_burst();
    void render_tracers();
    void render_plume();

    std::vector<effect_vertex> shot_vertices_;
    std::vector<effect_vertex> stream_;  // quads streamed to the device each frame
};

hresult create_sprinkle(frame* parent, sprinkle** out);
hresult create_sprinkle_unparented(sprinkle** out);
hresult destroy_sprinkle(sprinkle** variable);
