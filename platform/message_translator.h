// Turns the window system's events into the Windows-shaped messages of the program's message
// queue. Events arrive here already described without the window system's types, so the
// whole translation runs (and is tested) without a display.
//
// What the program relies on: keys by physical position to virtual keys; the characters
// 8, 9, 13 and 27 posted as WM_CHAR right after the key-down of Backspace, Tab, Enter and
// Escape (typed text never carries them); other text as Windows-1252 bytes, one WM_CHAR
// each, except while the left Alt is held; keys pressed while Alt is held as WM_SYSKEYDOWN
// and WM_SYSKEYUP; a lone tap of Alt and the F10 key as the system command SC_KEYMENU (the
// pause toggle); mouse positions in drawable pixels with the button-flag word; 120 per wheel
// notch; the close button and a termination request as WM_CLOSE.
#pragma once

#include <cstdint>

enum class input_kind {
    key_down,
    key_up,
    text,          // typed text, UTF-8
    mouse_move,
    mouse_down,
    mouse_up,
    wheel,
    close,         // the window's close button or a termination request
    minimized,
    restored,      // shown again after being minimised, or un-maximised
    maximized,
    resized,
    focus_gained,
    focus_lost,
};

// Mouse buttons of mouse_down and mouse_up.
constexpr int MOUSE_LEFT = 1;
constexpr int MOUSE_MIDDLE = 2;
constexpr int MOUSE_RIGHT = 3;

struct input_event {
    input_kind kind = input_kind::key_down;
    int scancode = 0;        // keys: physical position (platform/keys.h)
    bool repeat = false;     // keys: held down and repeating
    const char* text = "";   // text: UTF-8, zero-terminated
    int x = 0, y = 0;        // mouse: position in drawable pixels
    int button = 0;          // mouse_down, mouse_up
    int wheel = 0;           // wheel: notches, positive away from the user
    int width = 0, height = 0;  // resized, restored, maximized: drawable size
};

class message_translator {
public:
    // Posts the messages of one event to the program's message queue, in order.
    void translate(const input_event& e);

private:
    void key_down(const input_event& e);
    void key_up(const input_event& e);
    void text(const char* utf8);
    void mouse_button(const input_event& e, bool down);
    void post_size(std::uintptr_t kind, int width, int height);
    std::uintptr_t mouse_flags() const;

    bool alt_alone_ = false;     // Alt is down and nothing else was pressed since
    std::uint32_t buttons_ = 0;  // MK_LBUTTON, MK_RBUTTON, MK_MBUTTON held
    int mouse_x_ = 0, mouse_y_ = 0;
    bool have_size_ = false;     // a WM_SIZE was posted; the last one's values follow
    std::uintptr_t last_size_kind_ = 0;
    int last_width_ = 0, last_height_ = 0;
};

// The Windows-1252 byte of a Unicode code point; 0 when it has none.
std::uint8_t windows_1252_byte(std::uint32_t code_point);
