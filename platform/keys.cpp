#include "platform/keys.h"

#include <array>

namespace {

struct key_table {
    std::array<bool, 256> down{};
    std::array<bool, 256> toggled{};
};

key_table& table() {
    static key_table t;
    return t;
}

bool valid(int vk) { return vk > 0 && vk < 256; }

// The virtual keys of the physical keys that are not letters, digits, F-keys or numpad digits.
struct scan_pair {
    int scancode;
    int vk;
};
constexpr scan_pair k_other_keys[] = {
    {SCAN_RETURN, VK_RETURN},       {SCAN_ESCAPE, VK_ESCAPE},
    {SCAN_BACKSPACE, VK_BACK},      {SCAN_TAB, VK_TAB},
    {SCAN_SPACE, VK_SPACE},         {SCAN_MINUS, VK_OEM_MINUS},
    {SCAN_EQUALS, VK_OEM_PLUS},     {SCAN_LEFTBRACKET, VK_OEM_4},
    {SCAN_RIGHTBRACKET, VK_OEM_6},  {SCAN_BACKSLASH, VK_OEM_5},
    {SCAN_NONUSHASH, VK_OEM_5},     {SCAN_SEMICOLON, VK_OEM_1},
    {SCAN_APOSTROPHE, VK_OEM_7},    {SCAN_GRAVE, VK_OEM_3},
    {SCAN_COMMA, VK_OEM_COMMA},     {SCAN_PERIOD, VK_OEM_PERIOD},
    {SCAN_SLASH, VK_OEM_2},         {SCAN_CAPSLOCK, VK_CAPITAL},
    {SCAN_PRINTSCREEN, VK_SNAPSHOT},{SCAN_SCROLLLOCK, VK_SCROLL},
    {SCAN_PAUSE, VK_PAUSE},         {SCAN_INSERT, VK_INSERT},
    {SCAN_HOME, VK_HOME},           {SCAN_PAGEUP, VK_PRIOR},
    {SCAN_DELETE, VK_DELETE},       {SCAN_END, VK_END},
    {SCAN_PAGEDOWN, VK_NEXT},       {SCAN_RIGHT, VK_RIGHT},
    {SCAN_LEFT, VK_LEFT},           {SCAN_DOWN, VK_DOWN},
    {SCAN_UP, VK_UP},               {SCAN_NUMLOCK, VK_NUMLOCK},
    {SCAN_KP_DIVIDE, VK_DIVIDE},    {SCAN_KP_MULTIPLY, VK_MULTIPLY},
    {SCAN_KP_MINUS, VK_SUBTRACT},   {SCAN_KP_PLUS, VK_ADD},
    {SCAN_KP_ENTER, VK_RETURN},     {SCAN_KP_PERIOD, VK_DECIMAL},
    {SCAN_NONUSBACKSLASH, VK_OEM_102},
    {SCAN_LCTRL, VK_CONTROL},       {SCAN_RCTRL, VK_CONTROL},
    {SCAN_LSHIFT, VK_SHIFT},        {SCAN_RSHIFT, VK_SHIFT},
    {SCAN_LALT, VK_MENU},           {SCAN_RALT, VK_MENU},
};

// A generic modifier code is down while either side is, and toggles when it goes down.
void refresh_generic(int generic, int left, int right) {
    const bool down = table().down[left] || table().down[right];
    if (down && !table().down[generic]) table().toggled[generic] = !table().toggled[generic];
    table().down[generic] = down;
}

}  // namespace

int scan_to_virtual_key(int scancode) {
    if (scancode >= SCAN_A && scancode <= SCAN_Z) return 'A' + (scancode - SCAN_A);
    if (scancode >= SCAN_1 && scancode < SCAN_0) return '1' + (scancode - SCAN_1);
    if (scancode == SCAN_0) return '0';
    if (scancode >= SCAN_F1 && scancode <= SCAN_F12) return VK_F1 + (scancode - SCAN_F1);
    if (scancode >= SCAN_KP_1 && scancode < SCAN_KP_0) return VK_NUMPAD0 + 1 + (scancode - SCAN_KP_1);
    if (scancode == SCAN_KP_0) return VK_NUMPAD0;
    for (const scan_pair& p : k_other_keys) {
        if (p.scancode == scancode) return p.vk;
    }
    return 0;
}

int sided_modifier_key(int scancode) {
    switch (scancode) {
        case SCAN_LSHIFT: return VK_LSHIFT;
        case SCAN_RSHIFT: return VK_RSHIFT;
        case SCAN_LCTRL: return VK_LCONTROL;
        case SCAN_RCTRL: return VK_RCONTROL;
        case SCAN_LALT: return VK_LMENU;
        case SCAN_RALT: return VK_RMENU;
        default: return 0;
    }
}

std::int16_t get_key_state(int vk) {
    if (!valid(vk)) return 0;
    int state = 0;
    if (table().down[vk]) state |= 0x8000;
    if (table().toggled[vk]) state |= 1;
    return static_cast<std::int16_t>(state);
}

bool key_is_down(int vk) { return valid(vk) && table().down[vk]; }

void set_key_down(int vk, bool down) {
    if (!valid(vk)) return;
    if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) return;  // follow their sides
    if (down && !table().down[vk]) table().toggled[vk] = !table().toggled[vk];
    table().down[vk] = down;
    refresh_generic(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    refresh_generic(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    refresh_generic(VK_MENU, VK_LMENU, VK_RMENU);
}

void release_all_keys() { table().down.fill(false); }
