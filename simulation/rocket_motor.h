// The interceptor's solid rocket motor: a chamber, a convergent-divergent nozzle and up to four
// propellant charges (grains), simulated by an internal-ballistics step that regresses each
// burning grain, integrates the chamber pressure and gives the thrust. It is an owned child of
// its missile, which reads its thrust, remaining propellant and state flags; the motor design
// screen fires it on the stand. Its exhaust (flame, and a smoke plume or, on the design screens,
// a smoke column) are its own children, made through the scene services. Its definition file is
// "motors\<name>.txt". Dimensions are kept in cm as the file gives them; the burn works in
// metres, seconds, kilograms and pascals.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/frame.h"
#include "core/scene_services.h"
#include "platform/audio.h"
#include "simulation/design_name.h"

constexpr int motor_max_charges = 4;

// One vertex of the casing and charge meshes: position (cm), normal and texture coordinates;
// 32 bytes, as the device draws them.
struct motor_vertex {
    vec3 position;
    vec3 normal;
    float u = 0.0f;
    float v = 0.0f;
};

// The four sounds of a motor.
enum motor_sound : std::int32_t {
    MOTOR_SOUND_BURNING = 0,   // "rocket1.wav", looped
    MOTOR_SOUND_IGNITION = 1,  // "shot.wav"
    MOTOR_SOUND_FLIGHT = 2,    // "flight1.wav", looped
    MOTOR_SOUND_EXPLOSION = 3, // "explode.wav"
};

// How one grain of the burning group burns at a chamber pressure: its burn rate (cm/s), its
// burning area (cm²) and the propellant it is counted as still holding (g).
struct grain_burn {
    bool burning = false;
    float rate = 0.0f;
    float area = 0.0f;
    float counted = 0.0f;
};

// The gas the burning group gives the chamber: mass flow (kg/s), the chamber's growth times
// the pressure (the volume term, Pa m³/s) and the flow-weighted characteristic velocity sum.
struct chamber_flow {
    float generated = 0.0f;
    float volume_term = 0.0f;
    float sum_c = 0.0f;
};

class rocket_motor : public frame {
public:
    // The longest step the burn integrates at once (s). A tick at the normal simulation rate
    // is never longer (the frame time is clamped to 100 ms), so it stays a single step; longer
    // ticks of a raised rate are split into equal steps of at most this length.
    static constexpr float k_max_step = 0.1f;

    rocket_motor();
    ~rocket_motor() override;

    // Reads "motors\<name>.txt", rebuilds the casing and the four charges and takes the name;
    // false (nothing changed) when the name is refused, the file does not open or it cannot be
    // read whole (definition_reader::open_whole: cut short, or fewer charges than its "[NS]").
    bool load(const char* design_name);
    // Takes the name and writes "motors\<name>.txt"; false, and a log line, on failure.
    bool save(const char* design_name);

    // Bounds the design's dimensions after an edit (see also guard_values).
    void clamp_dimensions();
    // Keeps the values the burn divides by or raises to a power inside bounds that every
    // workable design lies in: the charge count 0..4, gamma 1.05..1.67, burn-rate exponent
    // 0..0.9 and coefficient 0..200 mm/s, specific impulse 50..500 s, density 0.5..5 g/cm3,
    // diameters up to 10 m and lengths up to 100 m, an exit of throat + 0.1 cm to 5 throats,
    // an ignition pressure of 2..200 atm. The file reader bounds to the same ranges with a
    // log line; this runs before the nozzle is computed. (A grain type outside 1..6 is kept:
    // it burns with no area and holds no propellant.)
    void guard_values();
    static constexpr float k_max_diameter = 1000.0f;  // cm
    static constexpr float k_max_length = 10000.0f;   // cm
    // With shapes: the casing and nozzle mesh and the overall length, the exhaust placement
    // and the bounding volume. Always: compute_nozzle.
    void build_casing(bool with_shapes = true);
    // The mesh of charge i (0..3) from its working dimensions.
    void build_charge(int i);
    // Throat and exit areas, the ideal expansion by bisection; then reset.
    void compute_nozzle();
    // Ends any burn and prepares a fresh one: working grains, ignition groups, masses.
    void reset();
    void ignite();
    void burn_out();
    void pause();
    void resume();
    void start_flight_sound();
    void stop_flight_sound();
    void play_explosion();
    // Advances the burn by dt seconds, in equal steps of at most k_max_step, each cut into
    // pieces where it would overshoot the chamber's equilibrium pressure. A motor whose grains
    // make no gas (no area, no burn rate, an empty chamber) burns out with a log line.
    void burn_step(float dt);

    void update() override;
    // The frame's drawing, then (outside the second root pass) the casing in the scene.
    void render() override;
    // The design screens' views of the casing and of one charge's current grain, with their
    // own perspective and light: pitch and yaw in rad, the position in multiples of the
    // overall length; the casing drawn translucent when see_through is set, a charge in its
    // place in the chamber when in_place is set. Transforms are put back afterwards.
    // While the motor burns, draw also shows its exhaust behind the nozzle: the flame and, on
    // the design screens, the smoke column.
    void draw(float pitch, float yaw, float x, float y, float z, bool see_through);
    void draw_charges(int i, float pitch, float yaw, float x, float y, float z, bool in_place);
    // Steps the exhaust of a static firing, which no scene drives: the flame's texture scroll
    // and the smoke column's puffs.
    void update_exhaust();
    void apply_volume() override;
    void stop_sounds() override;

    // The triangles of the casing and nozzle and of each charge (position in cm).
    const std::vector<motor_vertex>& casing_vertices() const { return casing_; }
    const std::vector<motor_vertex>& charge_vertices(int i) const { return charges_[i]; }
    // Whether the motor has a sound on now, and whether it loops (kept whether or not sound
    // is available), and how often it started each.
    bool sound_playing(int i) const { return sound_on_[i] != 0; }
    bool sound_looping(int i) const { return sound_loop_[i] != 0; }
    int sound_starts(int i) const { return sound_starts_[i]; }
    // The loaded buffer of a sound; none without sound or when its file did not load.
    sound_buffer* sound_object(int i) const { return sounds_[i].get(); }

    char name[design_name_size] = {};
    static constexpr const char* k_folder = "motors";  // where its definition files lie
    part_file file = part_file::taken;  // how its file stood when a design named it
    float chamber_diameter = 10.5f;   // [OTD] cm, outer
    float throat_diameter = 2.0f;     // [DTR] cm
    float exit_diameter = 5.0f;       // [DEX] cm
    float chamber_length = 80.5f;     // [LEN] cm
    float overall_length = 100.0f;    // cm: chamber diameter + length + 2 exit diameters
    float ignition_pressure = 100.0f; // [PIG] atm
    float gamma = 1.26f;              // [GAM] ratio of specific heats of the gas
    std::int32_t charge_count = 2;    // [NS] 0..4
    std::int32_t ignition_type = 1;   // [IG_TYPE] 0 all at once, 1 one by one
    std::int32_t charge_type[motor_max_charges] = {4, 1, 1, 1};        // [TYP] 1..6
    float charge_length[motor_max_charges] = {40, 40, 40, 40};         // [LENC] cm
    float charge_outer[motor_max_charges] = {10, 10, 10, 10};          // [OTDC] cm
    float charge_inner[motor_max_charges] = {3, 0, 3, 3};              // [INDC] cm
    float charge_density[motor_max_charges] = {1.72f, 1.72f, 1.72f, 1.72f};  // [ROC] g/cm3
    float charge_isp[motor_max_charges] = {235, 235, 235, 235};        // [ISP] s
    float charge_exponent[motor_max_charges] = {0.45f, 0.45f, 0.45f, 0.45f}; // [NC]
    float charge_coefficient[motor_max_charges] = {7, 30, 7, 7};       // [AC] mm/s at 1 MPa

    std::uint8_t paused = 0;
    std::uint8_t running = 0;
    std::uint8_t flight_sound = 0;
    std::uint8_t burnt_out = 0;
    // Set by the missile that burns its motor in step with its own flight; the motor's tick
    // then leaves the burn to it.
    std::uint8_t burn_by_parent = 0;
    std::int32_t ignition_index = 0;
    std::int32_t charge_group[motor_max_charges] = {};
    float charge_mass[motor_max_charges] = {};  // g at reset
    float burn_outer[motor_max_charges] = {};   // working grain, cm
    float burn_inner[motor_max_charges] = {};
    float burn_length[motor_max_charges] = {};
    float chamber_pressure = 0.0f;        // Pa
    float ambient_pressure = 100000.0f;   // Pa
    float throat_area = 0.0f;             // m²
    float exit_area = 0.0f;               // m²
    float chamber_volume = 0.0f;
    float thrust_coefficient = 0.0f;
    float burn_time = 0.0f;               // s
    float propellant_total = 0.0f;        // kg at reset
    float pressure_ratio = 0.0f;          // exit / chamber of the ideal expansion
    float gamma_function = 0.0f;
    float ideal_thrust_coefficient = 0.0f;
    float expansion_ratio = 0.0f;         // area ratio of the last bisection step
    float exit_pressure = 0.0f;           // Pa
    float thrust = 0.0f;                  // N, the mean over the last burn_step
    float propellant_remaining = 0.0f;    // g

    frame* flame = nullptr;  // owned children made through the scene services
    frame* smoke = nullptr;  // design screens only
    frame* plume = nullptr;  // in a run with 3-D smoke

private:
    grain_burn grain_burn_of(int i, float pc) const;
    // The flow of the burning group at pc; each grain's burn into grains[0..charge_count) when
    // given.
    chamber_flow flow_at(float pc, float cf, grain_burn* grains = nullptr) const;
    // dPc/dt (Pa/s) of the lumped chamber at pressure pc with these flows.
    float pressure_rate(const chamber_flow& f, float pc) const;
    float thrust_coefficient_at(float pc) const;
    // Whether one step of dt from now would carry the pressure below 0 or past the pressure
    // at which it would settle with the grains as they are.
    bool step_overshoots(float dt) const;
    // flow_at(pc, thrust_coefficient), kept from the overshoot tests of a piece for the step
    // that follows them (the grains do not change in between; each step forgets it).
    chamber_flow present_flow(float pc) const;
    // One step of dt in pieces; the impulse it gave (N s).
    double burn_split(float dt);
    void burn_substep(float dt);
    void place_flame(float s);
    // The flame and smoke at the casing's place of a design view (the casing in cm, its
    // nozzle toward +z).
    void draw_exhaust(const mat4& casing_place);
    // The flame's last local matrix and the size it was made for: after the burn-out every
    // tick places the flame at size 0 again, and the matrix need not be made anew.
    mat4 placed_flame = mat_identity();
    float placed_flame_size[2] = {-1.0f, 0.0f};  // s and its z, compared bit for bit
    void show_static_firing();
    void update_sound_positions();
    void load_sound(int i, const char* file);
    void play_sound(int i, bool looping);
    void stop_sound(int i);

    exhaust_settings exhaust_;
    struct flow_memo {
        bool valid = false;
        float pc = 0.0f;
        float cf = 0.0f;
        chamber_flow flow;
        grain_burn grains[motor_max_charges];
    };
    mutable flow_memo present_flow_;
    std::vector<motor_vertex> casing_;
    std::vector<motor_vertex> charges_[motor_max_charges];
    std::unique_ptr<sound_buffer> sounds_[4];
    std::uint8_t sound_on_[4] = {};
    std::uint8_t sound_loop_[4] = {};
    int sound_starts_[4] = {};
};

// Creates a motor under the parent (when given), marked owned: 0, or E_FAIL when memory runs
// out.
hresult create_rocket_motor(frame* parent, rocket_motor** out);
