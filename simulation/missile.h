// The defending interceptor: a frame that owns an airframe (aero_config) and a solid rocket
// motor as children, a warhead with its fuse and a guidance record, and flies itself one step
// per scene tick through its update. Its system places it at the launcher's barrel and launches
// it; it then flies a point-mass trajectory with a body that turns after its velocity, steers by
// one of four guidance laws, fuses against its target, and once dead falls, tumbles and asks its
// owner to remove it. The design tools use one missile as the design missile (load, lay out,
// fit, save). Its definition file "missiles\<name>.txt" names its four parts.
//
// The missile's velocity (m/s, world axes) is the frame's velocity; its linear-motion behaviour
// stays off, the flight step moves it. A target is any frame: a flying object keeps its world
// velocity in the frame's velocity (as the missile does); a frame moved by its linear-motion
// behaviour has it in its own axes, and is read so.
#pragma once

#include <cstdint>
#include <memory>

#include "core/frame.h"
#include "simulation/design_name.h"
#include "simulation/missile_file.h"
#include "simulation/path_history.h"

class aero_config;
class rocket_motor;
class warhead;
class seeker;
class missile_owner;

// The guidance laws a seeker record selects.
enum guidance_law : std::int32_t {
    LAW_NONE = 0,
    LAW_DOG_CHASE = 1,        // "Self Homing - Dog Chase"
    LAW_PROPORTIONAL = 2,     // "Self Homing - Proportional"
    LAW_INTERCEPT_POINT = 3,  // "Remote Command - Intercept Point"
    LAW_LINE_OF_SIGHT = 4,    // "Remote Command - Line Of Sight"
};

class missile : public frame {
public:
    // The longest step the flight integrates at once (s). A tick at the normal simulation rate
    // is never longer, so it stays one step; longer ticks are split into equal steps.
    static constexpr float k_max_step = 0.1f;
    // The lightest flight mass (kg): an airframe too small for its motor would otherwise fly
    // with no mass or a negative one.
    static constexpr float k_min_mass = 0.1f;

    missile();
    ~missile() override;

    // Makes the four parts (motor and airframe as owned children, the warhead and the
    // guidance record owned), keeps the owner (none for a free flight) and lays the parts out.
    void assemble(missile_owner* owner_system);
    // Reads "missiles\<name>.txt" and the four part files it names, then lays the parts out;
    // false (nothing changed) when the name is refused or the missile file does not open or
    // cannot be read whole.
    bool load(const char* design_name);
    // The parts' names: what a missile file's read starts from, so that a name the file
    // lacks keeps its part.
    missile_file part_names() const;
    // The second half of load, for a missile file already read: each name goes into its part,
    // then each part loads its own file (load_named_part: a missing one keeps the part's
    // values; one that is there but cannot be read whole keeps them too and is refused), the
    // parts are laid out and the missile takes the design name.
    void load_parts(const missile_file& parts, const char* design_name);
    // Writes the four part files under their names (all but refused ones) and
    // "missiles\<name>.txt", which names all four; false when any of them cannot be written.
    bool save(const char* design_name);
    // Fits the parts into the airframe: required size, fits flag, masses, the motor's place.
    void layout_parts();
    // Scales the airframe to the parts' required size and sets the fits flag.
    void fit_airframe();

    // Ignites the motor and sends the missile off along its body's z axis.
    void launch();
    void update() override;
    void render() override;
    void self_destruct();
    // Once dead for 3 s and the exhaust has died down, asks the owner to remove it.
    void check_removal();
    // The path as a line strip in the scene (with the path display option on).
    void draw_path();

    // The guidance law in force at range R (m) under the seeker's phases.
    int select_law(float range) const;

    char name[design_name_size] = {};
    float required_diameter = 0.0f;  // cm
    float required_length = 0.0f;    // cm
    std::uint8_t fits = 1;
    std::uint8_t dead = 0;
    std::uint32_t removal_time = 0;  // ms of the clock
    aero_config* aero = nullptr;     // owned child
    rocket_motor* motor = nullptr;   // owned child
    std::unique_ptr<warhead> warhead_part;  // owned, not a child
    std::unique_ptr<seeker> seeker_part;    // owned record
    missile_owner* owner = nullptr;
    frame* target = nullptr;
    float launch_mass = 20.0f;       // kg
    float dry_mass = 10.0f;          // kg
    vec3 acceleration{};             // m/s², world axes
    vec3 next_position{};
    vec3 velocity_direction{};
    std::uint8_t under_water = 0;
    std::uint8_t under_ground = 0;
    vec3 body_velocity{};            // velocity along the body's axes
    float pitch_rate = 0.0f;         // rad per step
    float yaw_rate = 0.0f;
    float roll_rate = 0.0f;
    vec3 seeker_error{};             // rad/s, low-passed
    vec3 seeker_error_target{};      // rad/s, the current random sample
    float trim = 0.0f;
    float normal_coefficient = 0.0f;
    float drag_coefficient = 0.0f;
    float dynamic_force = 0.0f;      // N: dynamic pressure x reference area
    float drag = 0.0f;               // N
    float lateral_force = 0.0f;      // N, the largest side force available
    float lateral_g = 0.0f;          // g used (or available) this step
    float min_miss = 1000000.0f;     // m, smallest predicted miss so far
    float next_error_time = 0.0f;    // s of flight time
    float altitude = 0.0f;           // m
    float density = 1.225f;          // kg/m³
    float temperature = 288.0f;      // K
    float mach = 0.0f;
    float flight_time = 0.0f;        // s
    float stagnation_temperature = 288.0f;  // K
    float radiation_wavelength = 0.0f;
    float speed = 0.0f;              // m/s
    float axial_acceleration = 0.0f; // m/s²
    float mass = 20.0f;              // kg
    std::uint8_t mass_floor_logged = 0;
    // Last: its 12 kB of points would otherwise stand between the frame's fields and the
    // flight state that every step reads.
    path_history path;

private:
    void update_air_data();
    void compute_masses();
    // One flight step of dt seconds; false when the step ended the flight (self-destruct).
    bool fly(float dt);
    void fall(float dt);
    void update_seeker_error();
    // Steering: returns the command vector (the body's y axis when nothing steers); true in
    // *ended when the fuse ended the step.
    vec3 guide(float dt, bool* ended);
    void turn_velocity(const vec3& c, float n, float dt);
    void command_line_of_sight(float dt, vec3* c);
    // The fuse near the target (ahead: within the seeker's right angle of the nose); true when
    // it ended the step.
    bool fuse(const vec3& r, float range, bool ahead);
    void explode_target();
    // Turns the local axes toward the velocity (the world matrices follow with the move).
    void turn_body(const vec3& c, float dt);
    vec3 world_velocity(const frame* f);

    // The last target axes world_velocity normalised, and their unit vectors.
    struct target_axes {
        bool valid = false;
        vec3 x, y, z;
        vec3 unit_x, unit_y, unit_z;
    };
    target_axes target_axes_;
};

// Creates a missile under the parent (when given), marked owned: 0, or E_FAIL.
hresult create_missile(frame* parent, missile** out);
