// The services through which the scene objects of the lower folders (frames, camera, mouse,
// flight models, effects) reach the world around them without holding the scene: ground and
// sea heights, the selection box and sight-line fog, the scene's origin shift, the GUI's share
// of mouse input and the key state, the scene's roots and camera, and the effects that
// explosions, impacts and exhausts make. The shell installs the scene's backend at start-up;
// until then, and in tests that install a fake, the default answers: flat ground at 0, the sea
// at the water level, no drawing, the program's key-state table, no roots, and exhausts that
// are plain frames.
//
// The overlay marks (the selection box, cross markers and map symbols) are the user
// interface's to draw: the shell's backend hands them on to it.
//
// The effect recipes (which bursts and columns an explosion makes, with their numbers) are
// worked out here, in the free functions; the backend only turns each finished description
// into its particle or smoke object.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

class frame;

// One object's label: where it is (scene coordinates), its text and colour (ARGB).
struct object_label {
    vec3 position;
    const char* text = "";
    std::uint32_t colour = 0;
};

// A particle burst (the world's sprinkle emitter): kind 0 fire, 1 smoke, 2 spray; a burst of
// count particles leaving at speed (m/s) with particles of size (m).
enum burst_shape : std::int32_t {
    BURST_SPHERE = 0,  // every direction
    BURST_PLUME = 1,   // upward, like a splash
    BURST_LINE = 2,    // along the emitter's z axis over a length, biased toward one end
    BURST_CONE = 3,    // a cone along the emitter's z axis
};

struct particle_burst {
    std::int32_t kind = 0;
    std::int32_t count = 255;
    float speed = 0.0f;
    float size = 0.0f;
    burst_shape shape = BURST_SPHERE;
    float length = 0.0f;  // m, line bursts
    float bias = 0.0f;    // axial bias of a line burst
    vec3 position;        // in the parent's axes (the world's under the "transps" root)
    float heading = 0.0f; // turn of the emitter's z axis: yaw, then pitch (rad)
    float pitch = 0.0f;
    frame* parent = nullptr;  // none: the "transps" root
};

// A smoke column (the world's smoke object): colour, count of puffs, puff size and growth (m),
// upward drift (m/s) and ageing rate; a fire column glows.
struct smoke_column {
    vec3 position;
    frame* parent = nullptr;  // none: the "transps" root
    std::uint8_t fire = 0;
    std::uint8_t red = 255, green = 255, blue = 255;
    std::int32_t count = 64;
    float size = 1.0f;
    float growth = 1.0f;
    float drift_y = 5.0f;
    float ageing = 0.25f;
    std::uint8_t hit_testable = 0;
};

// The exhaust children a motor makes of itself: its flame (with a trail behind it unless
// plumes are drawn in 3-D), a smoke plume puffed from the nozzle (kind 4 particles) and, on
// the design screens, a smoke column.
enum exhaust_kind : std::int32_t { EXHAUST_FLAME = 0, EXHAUST_PLUME = 1, EXHAUST_SMOKE = 2 };

struct exhaust_params {
    exhaust_kind kind = EXHAUST_FLAME;
    vec3 position;             // in the parent's axes, m
    float size = 1.0f;         // flame base size; plume particle size; smoke size values
    float size2 = 1.0f;        // smoke: second size value
    float speed = 0.0f;        // plume emit speed (m/s, negative: backward)
    float colour = 0.5f;       // flame colour value
    std::int32_t count = 64;   // smoke count value
    std::uint8_t trail = 0;    // flame: draws its trail
};

// The scene's off-screen passes, run when the terrain's per-frame update finds them due.
enum class render_pass_kind : std::int32_t { reflection, refraction, shadow, overhead, night_vision };

// The masked ground height of a cell that is not of a wanted land class, or is marked.
constexpr float k_no_masked_ground = -1000000.0f;

class scene_services {
public:
    virtual ~scene_services() = default;

    // Heights in scene coordinates (metres).
    virtual float ground_height(float x, float z);
    virtual float sea_height(float x, float z);
    // The selection mark: the box edges in the current world transform and a vertical line
    // from the box down to absolute altitude 0 (scene y = -altitude_offset).
    virtual void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                                    std::uint32_t colour);
    // Visibility distance (m, positive) along the sight line from the camera to an altitude
    // in scene coordinates; the renderer sets the fog density to 2.3 / distance.
    virtual float path_fog_distance(float altitude);
    // Moves the scene's objects (the camera included) by d after the world origin moved by -d.
    virtual void shift_scene(const vec3& d);
    // The GUI's answer to mouse input: true when it takes the press or move.
    virtual bool gui_mouse_move(int x, int y);
    virtual bool gui_mouse_down(int x, int y);
    virtual void gui_mouse_up();
    // Whether a key (virtual-key code) is held down now.
    virtual bool key_held(int virtual_key);
    // Marks the terrain cell under (x, z) as taken by a draped object (value 1).
    virtual void mark_ground_cell(float x, float z, int value);
    // The ground height where the cell's land class is one of the mask's bits (bit k: class
    // k) and the cell is not marked; k_no_masked_ground elsewhere. Without land classes (the
    // default) every cell is refused.
    virtual float ground_height_masked(float x, float z, std::uint32_t mask);
    // Whether a cell of a class in the mask lies in the square of the given radius (m) around
    // the view position. False by default.
    virtual bool ground_class_near_view(std::uint32_t mask, float radius);
    // The ground height and its unit normal; the default is the flat ground, normal up.
    virtual void ground_height_normal(float x, float z, float* h, vec3* normal);
    // The overlay marks in the current 3-D drawing set-up: three lines of half_size along the
    // axes through a point, and a map symbol of the views (kinds 0 to 5; others draw
    // nothing). Nothing by default.
    virtual void draw_cross_marker(const vec3& at, float half_size, std::uint32_t colour);
    virtual void draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour);

    // The scene's roots; none while no scene is up (nothing is then added).
    virtual frame* objects_root();
    virtual frame* transps_root();
    // The camera stops tracking the frame (keeping its look direction) or leaves it when it
    // rides on it; nothing when the camera has nothing to do with it.
    virtual void forget_camera_target(frame* f);
    // An object gives way to another (a rocket to its debris): a camera tracking the old one
    // tracks the new one, one riding on it rides on the new one. Nothing by default.
    virtual void camera_replace_object(frame* old_object, frame* new_object);
    // The frame's position in the camera's axes and its motion relative to the camera (m/s);
    // both zero without a camera. The default reads the camera's published matrix and the
    // frame's motion of the last tick.
    virtual void camera_relative_motion(const frame* f, vec3* position, vec3* velocity);

    // Makes the emitter of a burst or a column under its parent (none: the "transps" root)
    // and returns it; none when the effect could not be made.
    virtual frame* emit_burst(const particle_burst& burst);
    virtual frame* emit_column(const smoke_column& column);

    // Makes an exhaust child of the parent. The default is a plain frame placed at the given
    // position, so the flame's scale and place can be followed without the world's effects.
    virtual frame* create_exhaust(frame* parent, const exhaust_params& params);
    // Per-tick settings of an exhaust made above: the flame's colour value, the plume's
    // emission switch and the smoke's two size values. Nothing for none.
    virtual void set_exhaust_colour(frame* exhaust, float colour);
    virtual void set_exhaust_emission(frame* exhaust, bool on);
    virtual void set_exhaust_sizes(frame* exhaust, float a, float b);
    // Whether the exhaust has died down: a plume holds fewer than 8 live puffs, a flame's trail
    // keeps no per-point value of 32 or more. True for none.
    virtual bool exhaust_settled(frame* exhaust);

    // The labels of the simulated objects, in drawing order, into out (at most capacity);
    // their count. None by default.
    virtual int collect_labels(object_label* out, int capacity);

    // Runs one of the scene's off-screen passes into its render target. Nothing by default.
    virtual void render_pass(render_pass_kind kind);

    // Event feedback of the weapons: speaks an event line, plays one of the scene's event
    // sounds (mode 0 once, 1 from the start, 2 looping; other modes nothing) and drives the
    // siren (0 sound it, at most once per 30 s; 2 stop it). Nothing by default.
    virtual void speak(const char* text);
    virtual void play_sound_slot(int slot, int mode);
    virtual void play_siren(int mode);
    // A geographic position (degrees east and north) in scene x and z (m). The default puts
    // one degree at 111,120 m on both axes around 0, 0.
    virtual void lon_lat_to_scene(float east, float north, float* x, float* z);
};

// The installed backend (the flat default when none is installed).
scene_services& services();

// The flame colour and plume emission a weapon last handed its exhaust through the services:
// the settings hold until changed, so a tick that would hand the same values to the same
// exhausts of the same services leaves them alone.
class exhaust_settings {
public:
    void apply(frame* flame, float colour, frame* plume, bool emitting);

private:
    const scene_services* backend_ = nullptr;
    const frame* flame_ = nullptr;
    const frame* plume_ = nullptr;
    float colour_ = 0.0f;
    bool emitting_ = false;
};
// Installs a backend (none restores the default). The caller keeps ownership.
void install_scene_services(scene_services* backend);

// Free forms used by the scene objects.
void ground_height(float x, float z, float* h);
void sea_height(float x, float z, float* h);
void mark_ground_cell(float x, float z, int value);
void draw_selection_box(const vec3& min, const vec3& max, float altitude_offset,
                        std::uint32_t colour);
void ground_height_masked(float x, float z, std::uint32_t mask, float* h);
bool ground_class_near_view(std::uint32_t mask, float radius);
void draw_cross_marker(float x, float y, float z, float half_size, std::uint32_t colour);
void draw_map_symbol(float x, float y, float size, int kind, std::uint32_t colour);

// The scene graph. The frame becomes a not-shared child of the "objects" / "transps" root;
// on_ground then moves it up or down so that the lowest point of its box stands on the
// ground. Nothing without the root.
void add_scene_object(frame* f, bool on_ground);
void add_scene_transp(frame* f, bool on_ground);
void forget_camera_target(frame* f);
void camera_replace_object(frame* old_object, frame* new_object);
void camera_relative_motion(const frame* f, vec3* position, vec3* velocity);

// The pass forwarders the terrain's per-frame update calls.
void render_reflection();
void render_refraction();
void render_shadow();
void render_overhead();
void render_night_vision();

// Effects. In the world means under the "transps" root at the object's world position,
// otherwise a child of the object at its origin.
// A rocket explodes or lands: spray at or under the surface, smoke above it, then fire.
void spawn_explosion(frame* object, float s, bool in_world);
// A missile self-destructs: a smoke and a fire line burst of the warhead's length (m) and
// taper (axial bias), turned along the object's z axis in the world.
void spawn_missile_explosion(float length, float bias, frame* object, float s, bool in_world);
// A launch: a cone of fire along the object's z axis, in the world.
void spawn_muzzle_burst(frame* object, float speed, float size);
// The four burst and column recipes of app_state (which also keeps the new emitter as its
// current object); none for parent means the "transps" root.
frame* make_impact_smoke(float x, float y, float z, frame* parent, float s);
frame* make_impact_spray(float x, float y, float z, frame* parent, float s);
frame* make_fire_burst(float x, float y, float z, frame* parent, float s);
frame* make_white_smoke(float x, float y, float z, frame* parent, float s);
