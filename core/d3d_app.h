// The application object: the window and its mode, the run flags and most option flags of
// the settings file, the graphics device, the texture cache and the program's log. It is the
// first of the program's eight global objects and offers the one failure check every device,
// image and sound result goes through.
#pragma once

#include <cstdint>

#include "core/texture_cache.h"
#include "platform/results.h"

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
    // Writes the log to "Logfile.txt" in the run folder (created or truncated).
    bool write_log() const;

    const char* log_text() const { return log_; }
    int log_length() const { return log_length_; }
    void clear_log();

    static constexpr int k_log_size = 64000;

    // Window and mode.
    void* window = nullptr;
    char title[40] = {};
    char version[40] = {};
    int sleep_time = 0;               // [sleep_time] ms slept after each frame
    int usable_width = 0, usable_height = 0;
    int window_width = 0, window_height = 0;
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
    std::uint8_t night_vision = 0;
    std::uint8_t view_flags[3] = {0, 0, 0};  // radar view, (unused), map view: wheel goes to them
    std::uint8_t near_view = 0;
    std::uint8_t objects_view = 0;

    float fog_end = 10000.0f;         // fog density is 2.3 / fog end
    std::uint32_t fog_color = 0xFFFFFFFFu;
    std::uint32_t fog_color2 = 0xFFFFFFFFu;
    float mip_lod_bias = -2.0f;
    std::uint32_t ui_color = 0xFF808080u;
    int color_scheme = 1;             // [color_scheme]
    float transparency = 0.0f;        // [transparency] of the GUI windows
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

private:
    char log_[k_log_size] = {};
    int log_length_ = 0;
};

// The program's one application object; set by the entry function (tests set their own).
extern d3d_app* g_app;

// Checks a result through the application object, naming this source line.
#define CHECK_HR(expr) (check_result((expr), __FILE__, __LINE__))
// The same as g_app->check_hr; without an application object only S_OK passes.
bool check_result(hresult result, const char* source_file, int line);
// Appends a line to the application object's log when there is one.
void log_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
