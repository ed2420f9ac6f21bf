// The scene: the one object that holds the simulated world (the viewer, the ground and sea,
// the three root frames of the scene graph, the tables of scenario objects and the event
// sounds), brings every service and resource up before the first frame and takes them down
// after the last. One of the program's eight global objects, constructed last and destroyed
// first.
//
// Start-up, shutdown and the per-frame update run their steps in a fixed order; each step is
// a function of its own, named for what it does, so the order can be followed (and recorded
// by a test). The scenario's weapons (missile systems, hostile rockets, rocket launchers) live
// in the one set of weapon tables the scene holds; the scene reaches them through the hooks
// below, each one operation of the weapon.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/camera.h"
#include "platform/gfx_device.h"
#include "core/mouse.h"
#include "core/scenario_design_lists.h"
#include "platform/math3d.h"
#include "shell/scene_proxie.h"
#include "shell/scenery_objects.h"
#include "simulation/weapon_tables.h"
#include "core/sound_system.h"
#include "world/earth_globe.h"
#include "world/sky.h"
#include "world/terrain.h"

class frame;
struct image;
struct model_vertex;
class visual;
class render_to_surface;
class missile;
class missile_system;
class rocket;
class rocket_launcher;

class scene {
public:
    static constexpr int k_max_systems = weapon_tables::k_max_systems;
    static constexpr int k_max_targets = weapon_tables::k_max_targets;
    static constexpr int k_max_launchers = weapon_tables::k_max_launchers;
    static constexpr int k_sound_slot_count = 11;
    // The slot the sound file picker previews into; nothing is loaded there at start-up.
    static constexpr int k_preview_slot = 10;
    // Slots 5 to 7 (shot, rocket, explosion) take the engine volume.
    static constexpr int k_first_engine_slot = 5;
    static constexpr int k_last_engine_slot = 7;
    // Altitude (m) below which the terrain is drawn; above it the earth globe.
    static constexpr float k_globe_altitude = 50000.0f;

    scene();
    virtual ~scene();
    scene(const scene&) = delete;
    scene& operator=(const scene&) = delete;

    // Brings everything up between the creation of the main window and the first frame;
    // false when the program cannot run (no graphics device).
    bool startup();
    // Takes everything down after the main loop; safe to run again (the destructor does).
    void shutdown();

    // Once per main-loop turn without a waiting message: the per-frame update, then the frame.
    virtual void frame_update();
    virtual void render_frame();
    // The fog, clear and ambient colours of a frame, above or below the water (the device
    // takes them at the frame's default states).
    void set_fog(bool above_water);
    // The current view drawn into a new render-target texture of width x height in the slot
    // (the old one released first); with_alpha picks A8R8G8B8, else X8R8G8B8. The GUI is
    // not drawn into it. The slot stays empty when the texture cannot be made.
    void render_snapshot(texture_ptr* slot, int width, int height, bool with_alpha);
    // The off-screen passes into the application state's targets. A missing target or a
    // failed begin skips the pass (its texture keeps what it had).
    void render_reflection_pass();
    void render_refraction_pass();
    void render_shadow_pass();
    void render_overhead_pass();
    void render_night_vision_pass();
    // The labels of the systems (at their command posts), the flying rockets and the live
    // missiles, in that order, into out (at most capacity); their count.
    virtual int collect_labels(object_label* out, int capacity) const;
    // Whether a frame is being drawn inside another (a pass or a snapshot).
    bool in_nested_frame() const { return frame_depth_ > 1; }
    // Whether the main view, as the camera stands, takes in any water (water_in_view of
    // pass_setup). The passes that serve only the water (reflection, refraction, overhead)
    // are left out while it does not: no water is drawn, so their targets' old pictures are
    // never seen. Passes left out earlier in a frame whose view has turned to the water
    // since are drawn before it.
    bool water_shown();
    // The input handler: every window message comes here first. The GUI and the mouse take
    // each one; in a run the camera keys, controller activation and the command keys follow.
    virtual void on_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
    // Writes the current situation to "situations\<name>.txt" (a name holding a backslash is
    // the file's own path, as the scenario run file "scenarios\scenario.cfg"); no comment gives
    // the generated one; picture adds the snapshot beside it as a JPEG of the same name.
    // Nothing in menu mode or while the window is inactive. True when the situation file was
    // written whole.
    virtual bool write_situation(const char* name, const char* comment, bool picture);
    // Rebuilds the scene from a situation file (a program path): the camera, the weather and
    // sea, the scenery under the camera, the systems and launchers, or in test mode the design
    // system. A file that does not open leaves the scene empty with its roots; one that
    // cannot be read whole (situation_damage) leaves the scene as it was, with a log line and
    // a notice naming it.
    virtual void read_situation(const char* path);
    // Why a situation file cannot be read whole, empty when it can (or when it does not open):
    // it ends before its "@" line (cut short), or holds a line longer than 255 characters.
    static std::string situation_damage(const char* path);
    // Reads only the six test conditions of a situation file into the design system.
    void read_test_conditions(const char* path);
    // The picture of the view for a situation: half the back buffer, no alpha. False, and no
    // picture, while the scene's passes do not draw.
    virtual bool render_snapshot(image* out);
    // The window's size changed: a windowed device is reset for the new back buffer; false
    // when nothing was reset.
    bool on_resize();
    // Around a device reset: the application state's render targets go and come back, and
    // the GUI adapts to the new back-buffer size.
    void on_device_lost();
    void on_device_reset();

    // Whether the settings file was read in this run: only then is it written back, so a
    // start that failed early never replaces the user's settings with defaults.
    bool settings_were_read() const { return settings_read_; }

    // The settings file "qvd.ini": read once after the device exists, written at shutdown.
    // The values live in the objects that use them.
    virtual void read_settings();
    // False, with a log line and the old file kept, when the file could not be written whole.
    virtual bool write_settings();
    // The window size the settings file keeps, read before the window exists (nothing else
    // of the file is taken then); false when the file gives no size with an area.
    static bool saved_window_size(int* width, int* height);

    // Empties the scene: tables, counters, the three roots (their frames with them), the
    // terrain and, when asked, the globe's textures; the message history too.
    void clear(bool with_globe);
    // Creates the roots "objects", "transps" and "anchors". Without keep_origin the camera
    // goes to (0, its height, 0) and the world origin follows the geographic position;
    // with it the origin's x and y offsets return to 0.
    void make_roots(bool keep_origin);
    // A hostile rocket launched from (x, ground or sea height, z); ignored when 24 fly.
    void add_target(float x, float altitude, float z, float heading, float elevation, float speed);
    // A missile system from "systems\<name>.txt" placed at (x, y, z) facing heading; ignored
    // when 8 exist. mark_ground keeps scatter arrays off the 100 m square around it.
    void add_system(const char* name, float x, float y, float z, float heading, bool mark_ground);
    // The rocket leaves the targets table; the camera and the missiles aimed at it forget it.
    void remove_target(rocket* target);

    // The scene tick: each missile system, each rocket launcher, auto-track and the
    // end-of-scenario check. Runs from the per-frame update unless paused.
    virtual void tick();
    // Commits the 3-D listener once per frame after every positional sound was set.
    virtual void commit_listener();

    // The event sounds: the ten files into slots 0 to 9 (when sound is available), then the
    // volumes. stop_sounds silences every slot and every sound of the scene graph.
    virtual void load_sounds();
    void stop_sounds();
    void apply_volumes();
    // Plays a slot once (nothing for an empty one).
    void play_slot(int slot);
    // Stops one slot (a looping sound too); nothing for an empty one or a slot out of range.
    void stop_slot(int slot);
    // The sound file picker's preview: the file into slot 10, played once at the sounds'
    // volume; an empty name only stops the last one. Nothing without a sound device.
    void play_preview_sound(const char* file);

    // Ends a scenario, test or free flight: the automatic situation is written (before
    // anything is cleared), the music, speech and sounds stop, the scene is emptied, and the
    // menus take over at the test conditions screen, the scenario design screen or the main
    // menu. Nothing in the menus or once shutdown began (a second close event of the results
    // window must not end the run twice).
    void leave_scene();

    // Moves everything by the vector after the world origin moved by its opposite.
    void shift_origin(float dx, float dy, float dz);

    // A frame leaves the scene: a camera tracking it stops and keeps looking the same way; a
    // camera riding on it leaves it. Nothing when the camera has nothing to do with it.
    void forget_camera_target(frame* f);
    // An object gives way to another: a camera tracking the old one tracks the new one, one
    // riding on it moves over to the new one with the same place relative to it. Without a
    // new object the old one is forgotten.
    void camera_replace_object(frame* old_object, frame* new_object);

    // The camera commands. F5 and F8 step through the systems (50 m and 250 m above the
    // launcher), F6 through the flying missiles, F7 through the live targets.
    void select_next_system(float height);
    void track_next_missile();
    void track_next_target();
    // Lets go of a tracked or ridden object (a ridden one is left where the camera is) and
    // gives the camera back to the user: normal field of view, "Camera Is Free".
    void free_camera();

    // ---- Scenery objects ----
    // Loads the terrain of a named scenery and its objects: the index "tile_objects.txt"
    // (built from the land-class object files when missing, or when it holds no objects while
    // such files exist) and the list "objects.txt".
    void load_scenery_objects(const char* name);
    // Reads the object index of the scenery folder; false when it cannot be opened. With
    // [max_objects_count] set, placements are thinned so the anchor window holds about that
    // many. Lines that do not fit (long names, missing numbers, unknown entries) are left out
    // with one log line.
    bool read_object_index(const char* file);
    // Writes the object index from the land-class object files and the class map; false and
    // nothing written when the terrain has no class map (with a log line) or none of its land
    // classes has an object file that could be read (an index written then would be empty and
    // kept for every later load).
    bool build_object_index(const char* file);
    // The object files of the loaded terrain's land classes that are found on the search
    // path: the class number and the file's path.
    std::vector<std::pair<int, std::string>> land_class_object_files() const;
    // Reads an object list (geographic positions, or relative to the including line); lists
    // include lists by name, at most 8 deep, and a list already being read is refused.
    bool read_object_list(const char* file, bool relative);
    // Builds one placement under an anchor at (dx, dz) from its centre.
    virtual void build_object(frame* anchor, int entry, float dx, float dz);
    // The lights of a light path and of a runway's edges, relative to the array at origin
    // (scene position): a path of length / 2 / spacing lights, a runway of length / width rows.
    // A count below one lays none, one lays one, and there are at most 10,000. The count of
    // lights (rows).
    static int lay_light_path(const vec3& origin, float heading, float spacing, float height, float length,
                              float curvature, std::vector<vec3>* lights);
    static int lay_runway_lights(const vec3& origin, float heading, float width, float height, float length,
                                 float curvature, std::vector<vec3>* lights);
    // Patches, runways and roads: a grid laid on the ground with the named texture (a road 3
    // vertices across, one row per 10 m; a patch or runway following the terrain cells under
    // its scaled 100 x 100 grid). Tracks: 5 vertices across, the bed raised by height.
    void build_ground_strip(visual* strip, const char* name, float heading, float width, float length,
                            float curvature);
    void build_track(visual* strip, const char* name, float heading, float width, float length, float curvature,
                     float height);
    // Their triangle lists (rows at most 10,000, a grid side at most 256). A track stands on
    // the ground under origin (scene position of the visual).
    static std::vector<model_vertex> ground_strip_vertices(bool road, float heading, float width, float length,
                                                           float curvature, float scale_x, float scale_z,
                                                           float cell);
    static std::vector<model_vertex> track_vertices(const vec3& origin, float heading, float width, float length,
                                                    float curvature, float height);
    scenery_objects objects_table;

    // ---- The world ----
    camera viewer;
    mouse pointer;
    terrain ground;                          // its first part is the sea
    // The sky: sun light, colours, dome, stars, clouds and the under-water particles. The
    // scene's passes draw it with sky.render, sky.render_clouds and sky.render_sun_mesh.
    ::sky sky;
    // The whole earth shown above the globe altitude: the globe pass draws globe.render_shell
    // before the sky and globe.render after it.
    earth_globe globe;
    // The scene services answered by this scene (installed from start-up on).
    scene_proxie proxie{this};

    // The system the design tools edit and test mode flies (owned), and its missile (the
    // system's first, owned by it).
    missile_system* design_system = nullptr;
    missile* design_missile = nullptr;
    // The root frames (owned): fired missiles, rockets and effects; systems, launchers and
    // scenery objects; the near scenery grid.
    frame* transps = nullptr;
    frame* objects = nullptr;
    frame* anchors = nullptr;

    // The scenario's systems, rockets and launchers (installed for the weapons from
    // construction on). Declared after the roots' pointers but emptied by clear before them.
    weapon_tables tables;
    missile_system* current_system = nullptr;  // the last added or the one F5/F8 selected
    // What the scenario design screen placed, named in a situation's generated comment.
    scenario_design_lists scenario_design;
    int anchor_grid_size = 10;               // cells per side of the near scenery grid
    float anchor_cell_size = 2000.0f;        // m

    // The event sounds: 0 click, 1 beep, 2 mark, 3 splash, 4 bang, 5 shot, 6 rocket,
    // 7 explosion, 8 and 9 motors, 10 the picker's preview.
    std::unique_ptr<sound_buffer> sound_slots[k_sound_slot_count];

    // State kept between frames by the update, the tick and the camera commands.
    bool paging_started = false;             // the last tested position below is valid
    float last_paged_east = 0.0f, last_paged_north = 0.0f;
    std::uint32_t next_auto_track = 0;       // ms of the clock
    bool auto_track_hold = false;            // one more second on a finished missile
    std::uint32_t next_end_check = 0;        // ms of the clock
    int last_system_index = 0;
    int last_missile_number = 0;
    int last_target_number = 0;

    // The windowed size the settings file gave (or the start size without one): written back
    // while the program runs full screen, so the next start in a window has a sensible size.
    int remembered_window_width = 0, remembered_window_height = 0;
    // The controller sections of the settings file as they were read (empty when it had
    // none): written back unchanged while no controller is attached, so a start with the
    // controller unplugged keeps its saved axis and button assignments for the next start.
    std::string kept_controller_sections;

protected:
    // Start-up steps, in their order.
    virtual void open_loading_picture();
    virtual bool create_device();
    virtual void init_sound();
    virtual void init_speech();
    virtual void init_joystick();
    virtual void init_gui();
    virtual void load_shared_textures();
    virtual void init_terrain_device();
    virtual void update_terrain_lod();
    virtual void init_sky();
    virtual void load_globe_shaders();
    virtual void create_design_system();
    virtual void load_scenery_index();
    virtual void start_intro_music();
    virtual void close_loading_picture();

    // Shutdown steps, in their order.
    virtual void destroy_design_system();
    virtual void release_terrain();
    virtual void release_globe();
    virtual void clear_scene();
    virtual void shutdown_gui();
    virtual void release_app_state_objects();
    virtual void release_sound_slots();
    virtual void close_music();
    virtual void stop_speaking();
    virtual void release_speech();
    virtual void release_sound();
    virtual void release_joystick();
    virtual void release_device();

    // Resets the graphics device for a new back-buffer size; its result.
    virtual bool reset_device();

    // Per-frame update steps in scene mode, in their order (menu mode runs the timing, the
    // GUI update and the joystick poll).
    virtual void drag_flight();
    virtual void poll_joystick();
    virtual void update_timing();
    virtual void update_objects_root();
    virtual void update_transps_root();
    virtual void update_camera();
    virtual void update_geo_position();
    virtual void update_altitude_bands();
    virtual void page_scenery();
    virtual void update_terrain();
    virtual void update_sky();
    virtual void update_anchors_root();
    virtual void update_celestial();
    virtual void update_globe();
    virtual void update_gui();

    // Scene tick steps.
    virtual void auto_track();
    virtual void check_end_of_scenario();

    // ---- Hooks onto the weapon types and the scenery objects ----
    // Each names the one operation of the other object the scene needs.
    virtual void update_system(missile_system* system);
    virtual void update_launcher(rocket_launcher* launcher);
    virtual void destroy_system(missile_system** system);
    virtual void destroy_launcher(rocket_launcher** launcher);
    // A new missile system loaded from its file and placed (missile_system::place with a
    // 50 m radius), its table index stored in it; none when it cannot be made.
    virtual missile_system* create_system(const char* name, int index, float x, float y, float z,
                                          float heading);
    // A new hostile rocket with the model "common\target.x", standing on h plus its own base
    // height at (x, z), turned to (heading, -elevation, 0), given its speed, added to the
    // transps root and launched; none when it cannot be made.
    virtual rocket* launch_target(float x, float h, float z, float heading, float elevation,
                                  float speed);
    // The frame of a rocket (camera tracking, the remove flag).
    virtual frame* target_frame(rocket* target) const;
    // Whether the rocket still flies (not yet hit or destroyed).
    virtual bool target_alive(rocket* target) const;
    // Every missile of every system aimed at the rocket loses it ("Missile Lost Track").
    virtual void release_target(rocket* target);
    virtual bool system_has_live_missiles(missile_system* system) const;
    virtual bool launcher_has_rockets_left(rocket_launcher* launcher) const;
    // The missiles that have not finished, over all systems in table order, into out (at
    // most capacity); their count.
    virtual int flying_missiles(frame** out, int capacity) const;
    // Whether a tracked missile has finished or has no target.
    virtual bool missile_done(frame* tracked) const;
    // The launcher model's position and forward axis of a system; false without a model.
    virtual bool launcher_pose(missile_system* system, vec3* position, vec3* forward) const;
    // The scenery objects: their kinds and placements, the near scenery grid, a scenery's
    // loading, the scatter arrays after ground marks.
    virtual void clear_scenery_objects();
    virtual void update_anchors(bool rebuild);
    virtual void load_scenery(int index);
    virtual void rescatter_arrays();
    // A hostile launcher of a situation: the record's six values (position, aim, range, stock,
    // interval) copied into a new launcher whose launch speed is solved; its table index set.
    virtual rocket_launcher* create_launcher(const rocket_launcher& record, int index);
    // A row of point lights (road lights, runway edges) under an anchor at `at`, positions
    // relative to it: one lights array, lit at night, recentred on its lights.
    virtual void add_light_array(frame* anchor, const vec3& at, const std::vector<vec3>& lights,
                                 std::uint32_t colour, float size);
    // F11: a grazing animal at the camera, put on the ground.
    virtual void drop_animal();
    // The design missile's motor sound.
    virtual void stop_design_motor_sound();
    virtual void apply_design_motor_volume();

    // ---- Drawing of the frame and the passes ----
    // The sky, clouds, sun, earth globe and rain arrive with their own objects: until then
    // these places of the frame draw nothing.
    virtual void draw_sky(bool full);
    // The same sky drawn after the opaque land (and sea) of the view, on the pixels they left
    // empty: what they cover is not shaded twice.
    virtual void draw_sky_behind(bool full);
    virtual void draw_clouds();
    virtual void draw_sun_mesh();
    virtual void draw_globe_shell();
    virtual void draw_globe();
    virtual void draw_rain();
    virtual void draw_wave_patches();
    // The sky's share of the fog: its fog colour, sky colour and sun light colour.
    virtual void read_sky_colours(int fog_rgb[3], float sky_rgb[3], float sun_rgb[3]) const;
    // The sun light takes the frame's colour (the sky's sun light, blue-green under water).
    virtual void apply_sun_colour(const float rgb[3]);
    // The ground and water steps, each one drawing operation of the terrain.
    enum class ground_step {
        tiles,             // above the water
        tiles_underwater,
        tiles_refraction,  // land seen through the water
        tiles_plain,       // reflection above the water; shadow depth
        water_shader,
        water,
        restore,
    };
    virtual void draw_ground(ground_step step, bool full);
    // One root frame's drawing (anchors, objects or transps).
    virtual void render_root(frame* root);

private:
    // Sets the look angles (and the mouse's) to where the camera looks now.
    void keep_look_direction();
    // The line that includes a list: its grid position, rotation, scale and two factors.
    struct list_parent {
        float px = 0.0f, pz = 0.0f, r = 0.0f, s = 1.0f, a = 1.0f, b = 1.0f;
    };
    bool read_list(const char* file, bool relative, const list_parent& parent);
    void list_position(bool relative, const list_parent& parent, float east, float north, float* x,
                       float* z) const;
    static void combine_with_parent(const list_parent& parent, object_entry* e);
    void add_placement(const object_entry& e, float x, float z);
    float object_density() const;
    void fill_anchor(frame* anchor, bool rebuild);
    frame* place_shared_mesh(frame* anchor, object_entry& e);
    static void drape_shared_mesh(const object_entry& e, const frame* holder);
    void build_strip_object(frame* anchor, const object_entry& e, const vec3& at);
    // The objects made of effects, each placed at `at` under the anchor: fires and smoke,
    // light paths and light arrays, blinking and steady light glows (bracketed names); item
    // arrays and sprites textured by their name; light definitions; floating models.
    void build_smoke_object(frame* anchor, const object_entry& e, const vec3& at);
    void build_light_path(frame* anchor, const object_entry& e, const vec3& at);
    void build_scattered_lights(frame* anchor, const object_entry& e, const vec3& at);
    void build_glow(frame* anchor, const object_entry& e, const vec3& at, bool blinking);
    void build_item_array(frame* anchor, const object_entry& e, const vec3& at);
    void build_sprite(frame* anchor, const object_entry& e, const vec3& at);
    void build_light_definition(frame* anchor, const object_entry& e, const vec3& at);
    void build_floating_model(frame* anchor, const object_entry& e, const vec3& at);
    // The command keys: letters (not while a GUI text field has the focus) and F1 to F11.
    void on_letter_key(int key);
    void on_function_key(int number);
    void toggle_sound();
    // F3 and F4: slower or faster; with Shift in fine steps and without bounds.
    void change_sim_rate(bool faster, bool shift);
    // The four kinds of frame.
    void draw_menu_frame(gfx_device* device);
    void draw_night_vision_frame(gfx_device* device);
    void draw_scene_frame(gfx_device* device);
    void draw_globe_view();
    void draw_below_water();
    void draw_above_water();
    // The roots in a render pass number with show-all set, in the order given.
    void render_roots_in_pass(int pass, frame* first, frame* second);
    // The three roots with objects limited to 1000 m (reflection and refraction).
    void render_roots_near(bool water_view);
    // Surface level 0 of the texture through the helper; false (logged) when it cannot begin.
    bool begin_pass(render_to_surface* target, gfx_texture* texture, gfx_surface** surface);
    void end_pass(render_to_surface* target);
    float water_plane_y() const;
    // Leaves out a water pass (one of the bits below) when no water is in view, or when the
    // water the last frame drew let no pixel through (hidden behind the land): the passes'
    // pictures are seen only through the water.
    bool skip_water_pass(int pass);
    void run_skipped_water_passes();
    // Whether the water of the last frame that counted it showed no pixel.
    bool water_hidden();
    // The water of the frame, counted; then, when the passes were left out for hidden water
    // and the count shows water after all, the passes and the frame are drawn again.
    void draw_water_counted();
    void catch_up_uncovered_water(gfx_device* device);
    static constexpr int k_reflection_skipped = 1;
    static constexpr int k_refraction_skipped = 2;
    static constexpr int k_overhead_skipped = 4;

    int frame_depth_ = 0;
    int skipped_water_passes_ = 0;
    bool water_counted_ = false;  // the device holds a count of the last frame's water
    bool water_hidden_ = false;

    void leave_objects_view();
    // Settings, designs, situations and the log are all written beside the program: a folder
    // that cannot take a file is told to the user at start-up, on stderr.
    void check_run_folder();
    // Temporary files of saves that a killed run left behind go; one log line counts them.
    void remove_abandoned_saves();

    bool shutdown_begun_ = false;
    bool settings_read_ = false;
    bool settings_unwritten_ = false;
};

// The program's one scene; set by the entry function (tests set their own).
extern scene* g_scene;
