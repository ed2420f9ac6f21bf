// The mouse: turns window messages into the cursor state and the look angles that steer
// the camera. Dragging with the right button turns the view, the left button drags or
// picks (through the GUI and the editor selection), and keys turn the view in 0.1 rad
// steps. One instance, a member of the scene; at construction it publishes its look angles
// and button state in app_state.
#pragma once

#include <cstdint>

class camera;

class mouse {
public:
    mouse();
    virtual ~mouse();
    mouse(const mouse&) = delete;
    mouse& operator=(const mouse&) = delete;

    // Once per window message (the window is not needed: positions come from lparam).
    void handle_message(void* window, std::uint32_t message, std::uintptr_t wparam,
                        std::intptr_t lparam);
    // Brings look angles that left -pi..pi back by 2 pi, moving the angles at drag start and
    // the camera's look angles by the same amount, so the camera never turns the long way.
    void wrap_look_angles();
    // The drag starts again at the cursor.
    void reset_drag();
    // The camera whose field of view scales the drag and whose look angles follow a wrap.
    void attach_camera(camera* c) { view = c; }

    // Entry points joining the GUI and the editor selection.
    void on_move(int x, int y);
    void on_button_down(int x, int y);
    void on_button_up();

    std::uint32_t buttons = 0;  // MK_ flags of the last mouse message
    int drag_x = 0, drag_y = 0;
    int cursor_x = 0, cursor_y = 0;
    float delta_x = 0.0f, delta_y = 0.0f;    // pixels from the drag start
    float drag_values[2] = {0.0f, 0.0f};     // delta y x vertical, delta x x horizontal sensitivity
    float look[2] = {0.0f, 0.0f};            // look pitch, look yaw (radians)
    float start_yaw = 0.0f, start_pitch = 0.0f;
    float drag_sensitivity_x = 0.002f;
    float drag_sensitivity_y = -0.002f;
    float look_yaw_sensitivity = -0.005f;    // per pixel and radian of field of view
    float look_pitch_sensitivity = -0.0025f;
    float factors[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::uint8_t double_click = 0;           // a press within 300 ms of the previous one

    float& look_pitch() { return look[0]; }
    float& look_yaw() { return look[1]; }
    // Whether the GUI took the current press (the scene then ignores the drag).
    bool gui_holds_press() const { return gui_holds_press_ != 0; }

private:
    void on_key(std::uintptr_t key);
    void reset_view();
    float field_of_view() const;

    camera* view = nullptr;
    std::uint8_t gui_holds_press_ = 0;
    int last_x_ = 0, last_y_ = 0;
};
