// The application object: the window and its mode, the run flags and most option flags of
// the settings file, the graphics device, the texture cache and the program's log. It is the
// first of the program's eight global objects and offers the one failure check every device,
// image and sound result goes through.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/texture_cache.h"
#include "platform/gfx_device.h"
#include "platform/results.h"

class render_to_surface;

// Where a window goes in normal (windowed) mode: its position and size, or maximised.
struct window_placement {
    bool maximize = false;
    int x = 0, y = 0, width = 0, height = 0;
};

// Windowed and centred on the usable screen; a margin below 50 pixels on an axis puts the
// window at 0 on that axis with the whole usable size; a window at least as large as the
// usable screen on both axes is maximised.
window_placement centered_placement(int usable_width, int usable_height, int window_width,
                                    int window_height);
// Centred on a display of the given size: the outer size is the window size plus the frame
// on both sides and the caption; a window as large as the display fills it from (0, 0).
window_placement display_placement(int display_width, int display_height, int window_width,
                                   int window_height, int frame, int caption);

class d3d_app {
public:
    d3d_app();
    ~d3d_app();
    d3d_app(const d3d_app&) = delete;
    d3d_app& operator=(const d3d_app&) = delete;

    // Appends one formatted line and CR LF to the log; a line that would bring the log to
    // 64,000 characters or more is dropped whole, so the log keeps its earliest lines.
    void append_log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // True for S_OK. Any other result, success codes such as S_FALSE included, logs
    // "<name> <source file> line <n>" and is a failure: the caller gives up its step.
    bool check_hr(hresult result, const char* source_file, int line);
    // Writes the log to log_file ("Logfile.txt") in the run folder, replacing the old one whole; false,
    // with the system's reason in error when asked, when it could not be written.
    bool write_log(std::string* error = nullptr) const;
    // The destructor's write of the log: a log that cannot be written is told on stderr.
    void write_log_at_exit();
    // A word for the user on stderr about what the log cannot carry (a run folder that cannot
    // be written): one line, and only the first of a run.
    void tell_user(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // The log's file: the game's "Logfile.txt"; a tool that runs in the game's folder keeps
    // its own, so the game's log stays as the game left it.
    const char* log_file = "Logfile.txt";

    const char* log_text() const { return log_; }
    int log_length() const { return log_length_; }
    void clear_log();

    static constexpr int k_log_size = 64000;

    // Window and mode.
    void* window = nullptr;
    char title[40] = {};
    char version[40] = {};
    // The longest pause after a frame: the loop must still hear a close request within a second.
    static constexpr int k_max_sleep_time = 1000;
    int sleep_time = 0;               // [sleep_time] ms slept after each frame, 0..1000
    int usable_width = 0, usable_height = 0;
    int window_width = 0, window_height = 0;
    // The smallest drawing area the main window may have. The menus and dialogs are laid out
    // in GUI units of the 640 x 480 virtual screen, and a GUI unit is the same number of
    // pixels (320 across, 240 up) at every window size: the main menu's row of buttons along
    // the bottom edge takes the 640 pixels across, and the dialogs, centred, take the 640 x
    // 480 around the centre. In a smaller window buttons overlap or fall outside it and cannot
    // be reached. The window system keeps the user from making it smaller; a smaller saved
    // size is brought up to it.
    static constexpr int k_min_window_width = 640, k_min_window_height = 480;
    int start_window_mode = 2;        // 0 full screen, 1 windowed and centred, 2+ maximised

    // Run flags.
    std::uint8_t inactive = 0;
    std::uint8_t paused = 0;
    std::uint8_t menu_mode = 0;
    std::uint8_t gui_flag = 0;

    // Option flags of the settings file.
    std::uint8_t use_mipmaps = 1;
    std::uint8_t wireframe = 0;
    std::uint8_t use_joystick = 0;
    std::uint8_t use_caustics = 1;
    std::uint8_t use_plants = 1;
    std::uint8_t use_shadow = 1;
    std::uint8_t use_shaders = 1;
    std::uint8_t use_curvature = 1;
    std::uint8_t use_3d_smoke = 1;
    std::uint8_t use_verbose = 1;
    std::uint8_t use_labels = 1;
    std::uint8_t use_path = 1;
    std::uint8_t use_siren = 1;
    std::uint8_t use_tips = 1;

    std::uint8_t scene_flags[2] = {0, 0};
    int shadow_pass = 0;              // 0 normal, 1 shadow map pass, 2 anchors receiving shadows
    std::uint8_t show_all = 0;
    std::uint8_t pass_flags[3] = {0, 1, 1};
    std::uint8_t flag_one = 1;
    std::uint8_t reset_requested = 0;
    // The views: each flag is on while its window is shown. Night vision also turns on the
    // renderer's night-vision pass; while the radar or the map view is shown the wheel zooms
    // that view instead of the camera.
    std::uint8_t night_vision = 0;
    std::uint8_t telescope_shown = 0;
    std::uint8_t radar_shown = 0;
    std::uint8_t graph_shown = 0;
    std::uint8_t map_shown = 0;
    std::uint8_t near_view = 0;
    std::uint8_t objects_view = 0;

    float fog_end = 10000.0f;         // fog density is 2.3 / fog end
    std::uint32_t fog_color = 0xFFFFFFFFu;
    std::uint32_t fog_color2 = 0xFFFFFFFFu;
    float mip_lod_bias = -2.0f;
    std::uint32_t ui_color = 0xFF808080u;
    int color_scheme = 1;             // [color_scheme]
    std::uint8_t auto_track = 0;      // F9: the camera follows the flying missiles in turn
    int front_cull = 3;
    int back_cull = 2;

    int windowed = 1;                 // [window_mode]
    int stencil_wanted = 1;

    // Textures shared by name and load mode. The device installs its loader; releasing the
    // device must first call textures.release_all() (GL textures need their context).
    texture_cache textures;
    // The cache's calls with [use_mipmaps] applied (texture_cache.h says what they do).
    bool load_texture(const char* name, gfx_texture** out, int mode, bool cached);
    int load_texture_from_folder(const char* folder, const char* name, gfx_texture** out,
                                 bool cached);
    bool release_texture(gfx_texture** texture);

    // --- Graphics device ---
    // The adapter object (set by the entry function, or a test's null system) and the device.
    std::unique_ptr<gfx_system> d3d;
    std::unique_ptr<gfx_device> device;
    std::uint32_t adapter = 0;
    std::uint32_t device_type = DEVTYPE_HAL;
    std::uint32_t behaviour_flags = CREATE_MIXED_VERTEXPROCESSING;
    present_params present;
    device_caps caps;
    display_mode mode;                // the adapter's display mode when the device was made
    int max_textures = 0;
    int max_stages = 0;
    int max_texture_size = 0;
    int max_volume_size = 0;
    int max_clip_planes = 0;
    int max_active_lights = 0;
    int vertex_shader_version = 0;    // major x 10 + minor
    int pixel_shader_version = 0;
    int texture_memory_mb = 0;
    std::uint8_t can_a8r8g8b8 = 0;
    std::uint8_t can_v8u8 = 0;
    std::uint8_t can_table_fog = 0;
    std::uint8_t can_vertex_fog = 0;
    std::uint8_t can_bump_maps = 0;
    std::uint8_t can_shaders = 0;
    std::uint8_t can_volume_textures = 0;
    std::uint8_t can_shadow_volume = 0;   // a stencil format was found
    std::uint8_t can_32bit_indices = 0;
    // Run around a device reset by reset_and_restore (the shell installs them): release and
    // recreate what depends on the back buffer.
    std::function<void()> on_device_lost;
    std::function<void()> on_device_reset;
    // The texture cache's loader on the device, installed by create_device.
    std::unique_ptr<texture_loader> device_loader;

    // Makes the device for the window (fallback to software vertex processing), reads and
    // logs its capabilities. False when there is no adapter object or creation fails twice.
    bool create_device();
    // The present parameters from the window mode, the window and the stencil choice.
    void fill_present_params();
    // True without a device; otherwise new present parameters and reset_and_restore.
    bool reset_device();
    // Releases the back-buffer-sized objects, resets the device, recreates them.
    bool reset_and_restore();
    void release_device();
    // Sampler, stage and render states every frame starts from; mirror picks the cull mode.
    void set_default_states(bool mirror);

    // Window modes.
    void show_window();
    void apply_window_mode();
    void center_window();

    // Render-target helpers: each returns true when the object exists afterwards and leaves
    // one that exists alone.
    bool create_render_to_surface(std::unique_ptr<render_to_surface>* out, int width,
                                  int height, std::uint32_t format);
    bool create_render_surface(surface_ptr* out, int width, int height, std::uint32_t format);
    bool create_render_texture(texture_ptr* out, int width, int height, std::uint32_t format);

    // Texture helpers (files by program name).
    bool create_texture(texture_ptr* out, int width, int height, bool fill,
                        std::uint32_t color);
    bool load_texture_as(const char* file, texture_ptr* out, std::uint32_t format);
    bool load_texture_file(const char* file, texture_ptr* out);
    bool load_bump_texture(const char* file, texture_ptr* out, bool mipmapped, bool direct);
    // columns x rows textures cut from the picture, stored column by column
    // (out[column * rows + row]); false when any is missing. (texture_loading.h has them.)
    bool load_texture_tiles(const char* file, std::vector<texture_ptr>* out, int columns,
                            int rows);

private:
    char log_[k_log_size] = {};
    int log_length_ = 0;
    bool told_user_ = false;
};

// The program's one application object; set by the entry function (tests set their own).
extern d3d_app* g_app;

// Checks a result through the application object, naming this source line under the
// source name of the calling file: each file that checks declares its name, as in
//   constexpr const char k_hr_source[] = "mesh";
// so a log line reads "E_FAIL mesh line 162" whatever the file is called on disk.
#define CHECK_HR(expr) (check_result((expr), k_hr_source, __LINE__))
// The same as g_app->check_hr; without an application object only S_OK passes.
bool check_result(hresult result, const char* source_file, int line);
// Appends a line to the application object's log when there is one.
void log_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same unless the log already holds the line: files read again and again (a system's
// definitions for every missile it fires, a model for every placement) note each fault once.
void log_line_once(const char* format, ...) __attribute__((format(printf, 1, 2)));
