// Keys as the program knows them: virtual-key codes with the Windows numeric values (the
// input handlers and the stored key pages rely on them), the physical key positions the
// window layer reports (USB HID usage numbers, the same numbering SDL uses for scancodes),
// the mapping between the two, and the program's own key-state table that answers
// GetKeyState-like questions. The table is fed from the window layer's events only, so
// posted or scripted messages leave it as it is.
#pragma once

#include <cstdint>

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A', '0').
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;  // Alt
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;  // Page Up
constexpr int VK_NEXT = 0x22;   // Page Down
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_NUMPAD0 = 0x60;  // VK_NUMPAD1..9 follow in order
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;  // VK_F2..F12 follow in order
constexpr int VK_F10 = 0x79;
constexpr int VK_F12 = 0x7B;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;
constexpr int VK_OEM_1 = 0xBA;       // ; :
constexpr int VK_OEM_PLUS = 0xBB;    // = +
constexpr int VK_OEM_COMMA = 0xBC;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;       // / ?
constexpr int VK_OEM_3 = 0xC0;       // ` ~
constexpr int VK_OEM_4 = 0xDB;       // [ {
constexpr int VK_OEM_5 = 0xDC;       // backslash |
constexpr int VK_OEM_6 = 0xDD;       // ] }
constexpr int VK_OEM_7 = 0xDE;       // ' "
constexpr int VK_OEM_102 = 0xE2;     // the extra key beside left Shift on ISO keyboards

// Physical key positions (USB HID keyboard usage numbers).
constexpr int SCAN_A = 4;            // SCAN_B..SCAN_Z follow in order
constexpr int SCAN_Z = 29;
constexpr int SCAN_1 = 30;           // SCAN_2..SCAN_9 follow, then SCAN_0
constexpr int SCAN_0 = 39;
constexpr int SCAN_RETURN = 40;
constexpr int SCAN_ESCAPE = 41;
constexpr int SCAN_BACKSPACE = 42;
constexpr int SCAN_TAB = 43;
constexpr int SCAN_SPACE = 44;
constexpr int SCAN_MINUS = 45;
constexpr int SCAN_EQUALS = 46;
constexpr int SCAN_LEFTBRACKET = 47;
constexpr int SCAN_RIGHTBRACKET = 48;
constexpr int SCAN_BACKSLASH = 49;
constexpr int SCAN_NONUSHASH = 50;
constexpr int SCAN_SEMICOLON = 51;
constexpr int SCAN_APOSTROPHE = 52;
constexpr int SCAN_GRAVE = 53;
constexpr int SCAN_COMMA = 54;
constexpr int SCAN_PERIOD = 55;
constexpr int SCAN_SLASH = 56;
constexpr int SCAN_CAPSLOCK = 57;
constexpr int SCAN_F1 = 58;          // SCAN_F2..SCAN_F12 follow in order
constexpr int SCAN_F10 = 67;
constexpr int SCAN_F12 = 69;
constexpr int SCAN_PRINTSCREEN = 70;
constexpr int SCAN_SCROLLLOCK = 71;
constexpr int SCAN_PAUSE = 72;
constexpr int SCAN_INSERT = 73;
constexpr int SCAN_HOME = 74;
constexpr int SCAN_PAGEUP = 75;
constexpr int SCAN_DELETE = 76;
constexpr int SCAN_END = 77;
constexpr int SCAN_PAGEDOWN = 78;
constexpr int SCAN_RIGHT = 79;
constexpr int SCAN_LEFT = 80;
constexpr int SCAN_DOWN = 81;
constexpr int SCAN_UP = 82;
constexpr int SCAN_NUMLOCK = 83;
constexpr int SCAN_KP_DIVIDE = 84;
constexpr int SCAN_KP_MULTIPLY = 85;
constexpr int SCAN_KP_MINUS = 86;
constexpr int SCAN_KP_PLUS = 87;
constexpr int SCAN_KP_ENTER = 88;
constexpr int SCAN_KP_1 = 89;        // SCAN_KP_2..SCAN_KP_9 follow, then SCAN_KP_0
constexpr int SCAN_KP_0 = 98;
constexpr int SCAN_KP_PERIOD = 99;
constexpr int SCAN_NONUSBACKSLASH = 100;
constexpr int SCAN_LCTRL = 224;
constexpr int SCAN_LSHIFT = 225;
constexpr int SCAN_LALT = 226;
constexpr int SCAN_RCTRL = 228;
constexpr int SCAN_RSHIFT = 229;
constexpr int SCAN_RALT = 230;

// The virtual key of a physical key; 0 for keys the program has no code for. The numpad
// keys give their VK_NUMPADn codes whatever the NumLock state, and both Enter keys VK_RETURN.
int scan_to_virtual_key(int scancode);
// The sided code of a modifier key (VK_LSHIFT for the left Shift...), 0 for other keys.
int sided_modifier_key(int scancode);

// The program's key-state table, like GetKeyState: bit 0x8000 while the key is down, bit 1
// toggled on each press. VK_SHIFT, VK_CONTROL and VK_MENU are down while either side is.
std::int16_t get_key_state(int vk);
bool key_is_down(int vk);
// Records a press or a release of a virtual key. Modifiers are recorded by their sided codes
// (VK_LSHIFT...); VK_SHIFT, VK_CONTROL and VK_MENU follow them and are not set directly.
void set_key_down(int vk, bool down);
// Forgets every pressed key: the window lost the keyboard, so releases will not arrive.
void release_all_keys();
