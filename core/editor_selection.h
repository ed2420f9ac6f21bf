// The 3-D editor's selection: the objects picked or caught in a drag rectangle, the drag
// rectangle itself with the view-projection of the moment the drag ended, and the switches
// that arm the object-editing operations. The gate that arms picking and moving is clear
// from the start and nothing in the program sets it, so a run only reaches the rectangle test
// (app_state::select_if_in_rectangle, through frame::add_leaves_to_selection).
#pragma once

#include <cstdint>

#include "platform/math3d.h"

class frame;

// How a drag changes the selected objects.
enum edit_code : std::int32_t {
    EDIT_MOVE = 0,
    EDIT_ROTATE_X = 1,
    EDIT_ROTATE_Y = 2,
    EDIT_ROTATE_Z = 3,
    EDIT_SCALE = 4,
};

class editor_selection {
public:
    static constexpr int k_max_selected = 1024;

    // Adds a frame once (a full list refuses more); false when not added.
    bool add(frame* f);
    bool contains(const frame* f) const;
    // Takes a frame out of the list (a frame that is destroyed).
    void forget(const frame* f);
    // Clears the selection marks of the selected frames and empties the list.
    void clear();
    int size() const { return count; }
    // The editor is moving objects: armed, in move mode, with something selected.
    bool moving_objects() const { return gate && code == EDIT_MOVE && count > 0; }
    frame* at(int i) const { return (i >= 0 && i < count) ? items[i] : nullptr; }

    std::uint8_t gate = 0;        // arms picking and moving; nothing sets it
    std::uint8_t pick_mode = 0;   // the editor pick flag: a left press picks
    std::uint8_t drag_armed = 0;  // a drag-rectangle selection is under way
    std::int32_t code = EDIT_MOVE;
    // The drag rectangle in normalised screen coordinates (-1..1, y up).
    float min_x = 0.0f, min_y = 0.0f, max_x = 0.0f, max_y = 0.0f;
    // View x projection when the drag ended; the rectangle test projects with it.
    mat4 view_projection = mat_identity();
    // The tree that picking and the drag rectangle search (the scene's "objects" root).
    frame* objects_root = nullptr;

private:
    frame* items[k_max_selected] = {};
    int count = 0;
};
