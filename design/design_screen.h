// What the design screens share: the layout units, the common build (background, hints,
// Close, Save and Load, the jog slider), the numeric fields with the jog slider, turning and
// zooming the preview, and the name checks and notices of saving and loading.
//
// A screen is a callback of the root window; it keeps its element indices in the window's
// private words and its lasting state (angles, zoom, channel, selection) in statics of its own
// file. Events 15 (object to fields), 16 (fields to object) and 17 (recompute and regraph) are
// the screens' own, sent through gui_window::send.
#pragma once

#include <functional>

#include "platform/gfx_types.h"
#include "ui/gui_window.h"

class missile;
class missile_system;

namespace design {

// The screens' private events.
namespace design_event {
enum : int { show = 15, take = 16, recompute = 17 };
}

// Pictures of the program's resources used by the design screens.
constexpr int IDR_CLOSE_BUTTON = 420;
constexpr int IDR_DESIGN_BACKGROUND = 425;
constexpr int IDR_SAVE_BUTTON = 433;
constexpr int IDR_LOAD_BUTTON = 434;

// Layout units: h = the vertical GUI scale, m = the smaller of the two scales. A screen spans
// (-m, -h)-(m, h); a box (a, b)-(c, d) of a screen is (a m, b h)-(c m, d h).
struct units {
    float m = 1;
    float h = 1;
};
units layout_units();
// The pixels of the screens' 4:3 area in a window's viewport: as high as the window, as wide as
// its smaller scale allows, centred (the whole viewport when the window is narrower than 4:3).
gfx_viewport design_area_viewport(const gfx_viewport& whole);
gui_rect* add_box(gui_window* w, const units& u, float a, float b, float c, float d, int kind);
// A label (medium font, text from the left edge, centred in the row's height) and a text button
// (medium font). A text too wide for its box takes a smaller font (gui_rect::fitted_text).
gui_rect* add_label(gui_window* w, const units& u, float a, float b, float c, float d,
                    const char* text);
gui_rect* add_button(gui_window* w, const units& u, float a, float b, float c, float d,
                     const char* text);
// A picture button of the resources.
gui_rect* add_picture_button(gui_window* w, const units& u, float a, float b, float c, float d,
                             int picture, const char* text);
// The first hint line's text, which a screen may replace to say why it refused a value.
constexpr const char* k_save_hint = "Save any changes you made before testing or running scenario.";
// A hint line along the bottom left ((-0.98, b)-(-0.2, d)): bold, or smaller when too long.
gui_rect* add_hint(gui_window* w, const units& u, float b, float d, const char* text);
// A panel: a body element without bevel.
gui_rect* add_panel(gui_window* w, const units& u, float a, float b, float c, float d);

// The window's private words the framework uses; screens use the words from k_first_free on.
namespace slot {
enum : int {
    body = 0,
    close = 1,
    save = 2,
    load = 3,
    jog_field = 4,    // index of the field under the jog slider, -1 none
    jog_dragging = 5,
    jog_window = 6,   // index of the jog slider among the children, -1 none
    hint = 7,         // the first hint line, -1 none
    first_free = 8,
};
}
// The element or child a private word names; none for -1 or a stale index.
gui_rect* rect_at(const gui_window* w, int word);
gui_window* child_at(const gui_window* w, int word);
void remember_rect(gui_window* w, int word, const gui_rect* r);
bool pressed_is(const gui_window* w, int word);

// The common build: clear, create the 4:3 window, background, hints (object word "rocket",
// "motor"...; none for nullptr), Close, Save and Load, and the jog slider when asked.
units build_common(gui_window* w, const char* object_word, bool jog_slider);

// --- Numeric fields ---
// The screens print numbers "%4.2f". A field is read back unless its text is the value it
// is read into, as printed: so a value with more digits than the field shows survives an
// Apply untouched, while a text the jog slider or the user set, even one that equals what
// was printed earlier, always reaches the part.
constexpr int k_max_fields = 16;
// Field `n` of a screen: its element index lives in private word `first_word + n`.
void show_number(gui_window* w, int first_word, int n, float value);
void show_whole(gui_window* w, int first_word, int n, int value);
// Reads the field into the value when its text parses and differs from the value as printed;
// false (value kept) otherwise.
bool take_number(const gui_window* w, const int first_word, int n, float* value);
bool take_whole(const gui_window* w, const int first_word, int n, int* value);
// Empties a field (a field with nothing to show); an empty field is never taken.
void show_empty(gui_window* w, int first_word, int n);

// --- Jog slider ---
enum class jog_rule { relative, absolute, root };
// One tick of the slider at value s (0..255, 127.5 the centre) for dt seconds.
float jog_step(float v, float s, float dt, jog_rule rule);
// Press: on an edit field the slider opens under it; elsewhere it hides (the body keeps it).
void jog_on_press(gui_window* w);
// Child changed (10): the slider starts dragging.
void jog_on_changed(gui_window* w);
// Tick: while dragging, the field's number moves by the rule and event 16 is sent. Text that
// does not read as a number stays as it is. True when a step was taken.
bool jog_on_tick(gui_window* w, jog_rule rule, float dt);
// Child committed (11) by the slider: dragging ends, the thumb recentres. True when it was the
// slider.
bool jog_on_committed(gui_window* w);

// --- Preview turning and zoom ---
struct view_state {
    float yaw = 0;
    float pitch = 0;
    float zoom = 1;
    float last_x = 0;
    float last_y = 0;
};
// Press on the body: the pointer becomes the drag start. True when the body was pressed.
bool view_on_press(gui_window* w, view_state& v);
// Drag on the body: yaw always, pitch (within -1..1) when two_axes.
void view_on_drag(gui_window* w, view_state& v, bool two_axes);
// A wheel step of the zoom within its limits.
void view_on_wheel(view_state& v, int event, float step, float low, float high);

// --- Names, saving and loading ---
// Whether a typed name can name a design: usable as a file name, no '.', at most 39
// characters. Otherwise a notice says why, a line is logged and false comes back.
bool check_design_name(gui_window* w, const char* name);
// "Could not save %s" / "Could not load %s", with ": <reason>" when one is given, as a notice
// and a log line.
void notify_failure(gui_window* w, const char* verb, const char* name, const char* reason = nullptr);
// Runs a load with a definition_faults set in use: each definition file it refused as damaged
// gets a line "Could not load <file>: <why>" in the log and is named in one notice
// (definition_faults::notice), after which the design's refused parts count as told. True
// when none was refused.
bool load_checked(gui_window* w, const std::function<void()>& load);
// The notice of a part's Save that would have written over the file its design refused, before
// any notice named that file: "Not saved: <folder>\<name>.txt could not be read whole...".
void notify_refused_save(gui_window* w, const char* folder, const char* name);

// --- The edited objects ---
// The scene's design missile and system; tests may set others (nullptr both to go back).
missile* design_missile();
missile_system* design_system();
void use_design_objects(missile_system* system, missile* m);
// Every way out of a part screen re-lays the missile's parts.
void relay_design_missile();

// The smoothed real frame time (s).
float frame_time();

}  // namespace design
