// The hostile target rocket of a scenario or test: a mesh with the model "common\target.x", an
// exhaust flame, a smoke plume and three sounds (motor, coasting, explosion). A rocket launcher
// fires it through the scene; it boosts along its launch line until it passes its burn-out
// speed, then flies a ballistic path with drag and gravity. A missile's kill turns it into
// falling debris. Landing on the ground or in the water, whole or as debris, it reports itself
// to the weapon tables, which count a hit on a defended area and take it out of the scene.
//
// The rocket's world velocity (m/s) is the frame's velocity, as the missile reads a target's.
#pragma once

#include <cstdint>
#include <memory>

#include "core/mesh.h"
#include "core/scene_services.h"
#include "simulation/path_history.h"

class sound_buffer;

// The three sounds of a rocket.
enum rocket_sound : std::int32_t {
    ROCKET_SOUND_MOTOR = 0,     // "rocket2.wav", looping while the motor burns
    ROCKET_SOUND_COASTING = 1,  // "flight2.wav", looping after burn-out
    ROCKET_SOUND_EXPLOSION = 2, // "explode.wav"
};

class rocket : public mesh {
public:
    static constexpr float k_max_step = 0.1f;  // s: longer ticks are split into equal steps

    rocket();
    ~rocket() override;

    // Loads the model (the length along z and the radius across x come from its box), the three
    // sounds and the exhaust. A missing model or sound leaves the rocket invisible or silent.
    void load(const char* model_path);
    // Sends the rocket off along its body's z axis with its motor burning.
    void launch();
    void burn_out();
    // A missile's kill: the rocket becomes debris.
    void explode();

    void update() override;
    void render() override;
    void apply_volume() override;
    void stop_sounds() override;

    // Whether a sound is on now (kept with or without a sound device).
    bool sound_playing(int i) const { return sound_on_[i] != 0; }

    std::uint8_t under_water = 0;
    std::uint8_t under_ground = 0;
    std::uint8_t destroyed = 0;
    std::uint8_t launched = 0;
    std::uint8_t burning = 0;
    std::uint8_t landed = 0;          // reported; flies no more
    vec3 acceleration{};              // m/s², world axes
    vec3 next_position{};
    vec3 velocity_direction{};
    float sea_level = 0.0f;           // scene y of the sea and the ground under the rocket
    float ground_level = 0.0f;
    float thrust = 0.0f;              // N
    float reference_area = 0.05f;     // m²
    float drag_coefficient = 0.5f;
    float dynamic_force = 0.0f;       // N: dynamic pressure x reference area
    float drag = 0.0f;                // N
    float lateral_g = 0.0f;
    float body_radius = 0.25f;        // m, from the model
    float body_length = 5.0f;         // m, from the model
    vec3 body_velocity{};
    float pitch_rate = 0.0f, yaw_rate = 0.0f, roll_rate = 0.0f;
    float burnout_speed = 300.0f;     // m/s: the motor stops above it
    float boost_acceleration = 50.0f; // m/s²
    float altitude = 0.0f, density = 1.225f, temperature = 288.0f, mach = 0.0f;
    float stagnation_temperature = 288.0f, radiation_wavelength = 0.0f;
    float flight_time = 0.0f;         // s
    float speed = 0.0f;               // m/s
    float axial_acceleration = 0.0f;  // m/s²
    float mass = 1000.0f;             // kg
    frame* flame = nullptr;           // owned child
    frame* plume = nullptr;           // owned child
    path_history path;

private:
    void update_air_data();
    // One flight step; false when the rocket landed.
    bool fly(float dt);
    bool fall(float dt);
    void land_flying();
    void update_exhaust();
    void update_sound_positions();
    void load_sound(int i, const char* file);
    void play_sound(int i, bool looping);
    void stop_sound(int i);

    std::unique_ptr<sound_buffer> sounds_[3];
    std::uint8_t sound_on_[3] = {};
    exhaust_settings exhaust_;
};

// Creates a rocket under the parent (when given), marked owned: 0, or E_FAIL.
hresult create_rocket(frame* parent, rocket** out);

// The ground range (m) of the standard target shot: a 1000 kg body of 0.05 m² and drag
// coefficient 0.5 boosted at 50 m/s² up to the launch speed (m/s) at the elevation (rad),
// stepped by dt (s) in the standard atmosphere until it comes down to height 0. The flight is
// cut at k_max_shot_time; a speed, elevation or step that is not a positive finite number
// gives 0.
constexpr float k_max_shot_time = 3600.0f;  // s
float ballistic_range(float launch_speed, float elevation, float dt);
