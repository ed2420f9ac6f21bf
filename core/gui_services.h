// What the shell calls of the user interface, declared here so that the shell and its tests
// need not link it: the GUI's per-frame, drawing and input entries, the overlay marks drawn
// into the scene, the dialogs the shell opens by name, and the pending command (a screen
// change that the GUI runs once per frame).
// The user interface installs its implementation when its root window is made; until then
// every call does nothing and the mouse presses are not taken.
#pragma once

#include <cstdint>

#include "platform/math3d.h"

// The pending command: 0 none; 2 back to the main menu, 22 the test conditions screen, 23
// the scenario design screen... The GUI runs it once in its next update and resets it.
extern int pending_command;

// [transparency]: the GUI opacity 0..255 that framed windows are drawn with at most. 255
// until the settings are read, so dialogs are visible on a first run.
extern float gui_opacity;
// A [transparency] value as read: clamped to 0..255; anything not a number gives 255.
float clamp_opacity(float value);

// The dialogs and views the shell opens, toggles or closes.
enum class gui_dialog {
    results,
    flight_graph,
    radar_view,
    telescope_view,
    map_view,
    keys,
    about,
    weather,
};

class gui_services {
public:
    virtual ~gui_services() = default;

    // Once the device exists: fonts, layout for the viewport, the main menu.
    virtual void init() {}
    // Once per frame in menu and scene mode: ticks, then the pending command.
    virtual void update() {}
    // Last in every drawn frame.
    virtual void render() {}
    // Key, character and wheel messages.
    virtual void on_key(void* /*window*/, std::uint32_t /*message*/, std::uintptr_t /*wparam*/,
                        std::intptr_t /*lparam*/) {}
    // After a device reset or a window size change.
    virtual void on_resize() {}
    virtual void shutdown() {}
    // The pointer in client pixels; bit 0 of buttons is the left button.
    virtual void on_mouse_move(int /*x*/, int /*y*/, int /*buttons*/) {}
    // True when the GUI took the press (the scene then ignores it).
    virtual bool on_mouse_down(int /*x*/, int /*y*/, int /*button*/) { return false; }
    virtual void on_mouse_up() {}

    // The overlay marks, in the caller's 3-D drawing set-up: the selection box (its edges
    // and a drop line from the world transform's position to scene y -altitude_offset), a
    // cross of three lines along the axes, and a map symbol of the views (kinds 0 to 5).
    virtual void draw_selection_box(const vec3& /*min*/, const vec3& /*max*/,
                                    float /*altitude_offset*/, std::uint32_t /*colour*/) {}
    virtual void draw_cross_marker(const vec3& /*at*/, float /*half_size*/,
                                   std::uint32_t /*colour*/) {}
    virtual void draw_map_symbol(float /*x*/, float /*y*/, float /*size*/, int /*kind*/,
                                 std::uint32_t /*colour*/) {}

    // The object labels' text: one glyph batch of a font, texts at GUI coordinates in the
    // font's own scale, and the GUI scale (visible area +-scale on each axis).
    virtual void begin_label_text(int /*font*/) {}
    virtual void draw_label_text(float /*x*/, float /*y*/, const char* /*text*/,
                                 std::uint32_t /*colour*/, int /*font*/) {}
    virtual void end_label_text(int /*font*/) {}
    virtual vec2 gui_scale() const { return {1.0f, 1.0f}; }

    virtual void open_dialog(gui_dialog /*which*/) {}
    // True when the dialog is shown afterwards.
    virtual bool toggle_dialog(gui_dialog /*which*/) { return false; }
    virtual void close_dialog(gui_dialog /*which*/) {}
    // The GUI display flag: while cleared nothing of the GUI is drawn.
    virtual void set_display(bool /*on*/) {}
    // Tells the user something they must know (a situation without its scenery) in the
    // shared message box, with an OK button.
    virtual void show_notice(const char* /*caption*/, const char* /*text*/) {}
};

// The installed user interface (a do-nothing one until it installs itself).
gui_services& gui_link();
// Installs an implementation (none restores the do-nothing one). The caller keeps it.
void install_gui_services(gui_services* implementation);
