// The program's shared run-time state: the message line every subsystem reports events
// through and its history, the clock and simulation time step, the simulation rate and time
// of day, weather, sea and view-distance settings, the world origin offset, the run counters
// and mode flags, and the pointers the camera and the mouse publish. One global object.
#pragma once

#include <cstdint>
#include <memory>

#include "core/app_state_objects.h"
#include "core/editor_selection.h"
#include "core/scenery_index.h"
#include "platform/math3d.h"

class frame;
class gfx_texture;

class app_state {
public:
    static constexpr int k_line_size = 128;
    static constexpr int k_history_lines = 1024;

    app_state();
    ~app_state();
    app_state(const app_state&) = delete;
    app_state& operator=(const app_state&) = delete;

    // Writes one complete event line into the message line (formatted, cut to 127
    // characters), overwriting what is there. The status line takes it once per frame.
    void set_message(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Pushes a line onto the history, newest first; the oldest of 1024 is lost.
    void log_message(const char* text);
    void clear_messages();
    const char* history_line(int i) const { return history[i]; }
    // Takes the message line for the status line: a non-empty line is pushed into the
    // history and cleared; returns whether there was one.
    bool take_message();

    // Formats a loading caption ("Loading Textures") into the status text, at most 119
    // characters; the loading picture shows it unless the status display is suppressed.
    void show_status(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // The time step, once per frame, first thing after input (menu mode included).
    void update_frame_timing();

    // The installed sceneries and their map bounds ("Indexing Scenery" at start-up).
    void load_scenery_index();
    // The 1-based index of the narrowest scenery around map point (x, y), 0 when none.
    int find_scenery_tile(float x, float y) const;
    // Adds the shift to the world origin offset and has the scene move everything by its
    // opposite (the scene services' backend).
    void shift_origin(float dx, float dy, float dz);
    // The picking ray through a cursor position (pixels): perspective from the camera, or
    // straight into a flat 2-D view. Needs the camera's published matrices.
    void screen_to_ray(vec3* direction, vec3* origin, int x, int y, bool perspective) const;

    // The editor selection's calls. The rectangle test projects the frame's world position
    // with the view-projection stored when the drag ended and selects the end of its
    // selection-owner chain when it lies strictly inside the drag rectangle.
    void select_if_in_rectangle(frame* f);
    void transform_selection(int x, int y, int last_x, int last_y);
    void pick_at_cursor(int x, int y);
    void select_in_drag_rectangle();

    // Shared device objects (app_state_objects.cpp). load_shared_textures loads the shared
    // textures, then makes the render targets and the shader programs; each failure leaves
    // only its own object none. release frees everything that exists (shutdown, destructor).
    void load_shared_textures();
    void create_render_targets();
    // Before a device reset: the targets that follow the back buffer's size go, and
    // create_render_targets remakes them afterwards at the new size.
    void release_half_size_targets();
    void load_shaders();
    void release();

    // Impact and smoke effects at a scene position, under the parent (none: the "transps"
    // root); the new emitter becomes the current object.
    void spawn_impact_smoke(float x, float y, float z, frame* parent, float s);
    void spawn_impact_spray(float x, float y, float z, frame* parent, float s);
    void spawn_fire_burst(float x, float y, float z, frame* parent, float s);
    void spawn_white_smoke(float x, float y, float z, frame* parent, float s);

    // With [use_labels]: every missile system's name, "Rocket" on each flying hostile rocket
    // and "Missile" on each live interceptor, beside its projected position, in one glyph
    // batch of the 10-point font. Objects behind the camera get none. Called by the GUI in a
    // run, after its view is set.
    void draw_selection_and_labels();

    // The visibility (m) along the sight line from the camera to an altitude (scene y),
    // through the air fog layer or the water; the renderer's fog density is 2.3 / it.
    float path_fog_density(float altitude) const;

    // The wind at a scene position: the horizontal wind vector with the slope's updraft as
    // its vertical part (m/s).
    vec3 wind_at(float x, float altitude, float z) const;
    // The vertical wind the ground's slope makes of the horizontal wind: -(wind . normal) in
    // x and z; over ground higher than 10 m (absolute) it fades with height, as ground
    // height / altitude above it. Altitude is scene y.
    void slope_updraft(float x, float altitude, float z, float* w) const;

    // The compass and elevation strips of the status line's heading and pitch tapes
    // (uncached, load mode 2: white with brightness as alpha). A missing file leaves its
    // pointer none. Release before the device goes.
    void load_tape_textures();
    // A 256 x 256 picture of a model file for the file picker: the model fitted into the
    // square, turned to show three sides, lit by one white light. False, and no picture,
    // without a device or for a model that does not load.
    bool render_model_thumbnail(const char* file, std::unique_ptr<gfx_texture>* out) const;
    void release_tape_textures();

    // Messages.
    char message[k_line_size] = {};
    char scenery_name[128] = {};
    char edit_text[1024] = {};
    char history[k_history_lines][k_line_size] = {};
    int history_count = 0;            // lines pushed since the last clear, not capped
    int longest_line = 0;

    // Clock and time step (seconds unless stated).
    float smoothed_step = 0.1f;       // the smoothed real frame time, not scaled by the rate
    float dt = 0.1f;                  // smoothed step x simulation rate
    float sim_rate = 1.0f;
    int frame_rate = 25;
    int status_mode = 1;              // 0 none, 1 frame rate, 2 full status line
    std::uint32_t last_tick = 0;
    std::uint32_t now = 0;            // ms: the clock of every timed behaviour
    float avg_frame_ms = 1.0f;        // averaged frame time in ms
    float raw_step = 1.0f;            // the last clamped step in s

    // Colours, weather and sea.
    float sky_light[6] = {1.0f, 1.0f, 1.0f, 0.0f, 0.5f, 1.0f};
    int fog_rgb[3] = {225, 240, 255};
    int sea_rgb[3] = {0, 64, 96};
    float time_of_day = 10.0f;        // hours, wraps at 24
    float water_level = 0.0f;
    float fill_height = -100.0f;      // the height answered outside the elevation grid
    float wind_speed = 5.0f;
    float wind_direction = 0.0f;
    float wind[2] = {0.0f, 5.0f};     // speed x (sin direction, cos direction)
    float fog_air = 10000.0f;         // [fog_air]
    float sea_fog = 50.0f;
    float max_fog = 150000.0f;
    float fog_alt = 1000.0f;          // [fog_alt]
    float cloud_base = 1000.0f;       // [cloud_base]
    float cloud_cover = 0.5f;         // the sky's low clouds, 0..1 ([low_clouds] of a situation)
    float far_plane = 150000.0f;
    float far_distance = 50000.0f;
    float max_objects_alt = 3000.0f;  // [max_objects_alt]
    float max_objects_dist = 10000.0f;// [max_objects_dist]
    float array_complexity = 0.5f;    // [array_complexity]
    int max_objects_count = 0;        // [max_objects_count]
    float shadow_distance = 100.0f;
    float shadow_alt = 100.0f;        // [shadow_alt]
    float fog_distances[2] = {35000.0f, 5000.0f};
    float current[2] = {0.0f, 0.0f};      // the water's drift (x, z), m/s
    float water_motion[2] = {0.0f, 0.0f}; // the drift plus the waves' slow sway (x, z)

    // Run state.
    std::uint8_t test_mode = 0;
    std::uint8_t scenario_mode = 0;
    int rockets_fired = 0;
    int missiles_fired = 0;
    int hits = 0;
    int intercepts = 0;
    int debris_hits = 0;
    int render_pass = 0;              // 0 normally; 1 and 2 in the two root passes above water
    std::uint32_t nearest_hit_mode = 1;
    float nearest_hit = 1000000.0f;
    float hit_margin = 2.0f;
    vec3 hit_normal{0.0f, 1.0f, 0.0f};
    float height_above_surface = 0.0f;
    float camera_alt = 0.0f;
    vec3 origin_offset{};             // absolute position of the scene origin (east, up, north)
    float camera_longitude = 0.0f;
    float camera_latitude = 0.0f;

    // Published by the camera and the mouse.
    const mat4* view_matrix = nullptr;
    const mat4* projection_matrix = nullptr;
    const mat4* camera_world = nullptr;
    const float* camera_angles = nullptr;
    const std::uint32_t* mouse_buttons = nullptr;
    const float* mouse_look = nullptr;

    char status_text[120] = {};       // the caption of the loading picture
    std::uint8_t suppress_status = 0;

    std::uint8_t night = 0;
    std::uint8_t no_shift = 0;
    vec3 last_shift{};
    std::uint8_t rain = 0;
    std::uint8_t above_water = 0;
    std::uint8_t preview = 0;
    // Set while the roots are drawn into the refraction texture: the sight lines of the
    // objects then cross the water surface.
    std::uint8_t water_view = 0;

    scenery_index sceneries;

    // Further pointers published by the camera: aspect ratio, field of view, its look pitch
    // and yaw, the near (0.1 to 1000 m) and offset projections, and its four auxiliary
    // matrices (world without translation, x rotation by -pitch, y rotation by the heading,
    // and their product). camera_angles points at pitch, heading and roll; mouse_look at the
    // mouse's look pitch and look yaw.
    const float* camera_aspect = nullptr;
    const float* camera_fov = nullptr;
    const float* camera_look_pitch = nullptr;
    const float* camera_look_yaw = nullptr;
    const mat4* near_projection = nullptr;
    const mat4* offset_projection = nullptr;
    const mat4* camera_aux = nullptr;
    // The GUI holds keyboard focus (two flags): the mouse's view keys are ignored then.
    std::uint8_t gui_focus[2] = {0, 0};
    // The 3-D editor's selection (its arming gate stays clear).
    editor_selection selection;
    // The emitter the last effect service made (none when it made none).
    frame* current_object = nullptr;
    // The heading and pitch tapes' strips ("graphics\compass.jpg", "graphics\elevation.jpg").
    gfx_texture* compass_texture = nullptr;
    gfx_texture* elevation_texture = nullptr;
    // Set by the missile design screen around its part drawing: the parts' design views then
    // draw with the part frame's own world transform instead of one built from their angles.
    std::uint8_t assembled_view = 0;
    // Shaders, render targets, shared textures and the per-frame values the ground, water
    // and sea drawing read.
    app_state_objects objects;
};

// Draws a design's model over what is on the target (the design windows): turned by yaw and
// pitch, moved by (x, y, z) times its bounding radius, lit by one light; the device's state is
// restored afterwards (preview_drawing).
void render_design_preview(frame* model, float pitch, float yaw, float z, float x, float y);

// The program's one application state; set by the entry function (tests set their own).
extern app_state* g_state;
