#include "platform/message_translator.h"

#include "platform/keys.h"
#include "platform/messages.h"

namespace {

// One wheel notch, as the system reports it.
constexpr int k_wheel_delta = 120;

// Key message long parameter: repeat count 1; bit 29 while Alt is held; bit 30 when the key
// was already down (auto-repeat or release); bit 31 on release.
std::intptr_t key_lparam(int scancode, bool alt, bool was_down, bool release) {
    std::uint32_t l = 1u | (static_cast<std::uint32_t>(scancode & 0xFF) << 16);
    if (alt) l |= 1u << 29;
    if (was_down) l |= 1u << 30;
    if (release) l |= 1u << 31;
    return static_cast<std::intptr_t>(l);
}

// The character a key press stands for when typed text does not carry it; 0 for none.
int synthesised_char(int vk) {
    switch (vk) {
        case VK_BACK: return 8;
        case VK_TAB: return 9;
        case VK_RETURN: return 13;
        case VK_ESCAPE: return 27;
        default: return 0;
    }
}

// Unicode code points of the Windows-1252 bytes 0x80..0x9F (0: the byte is unassigned).
constexpr std::uint16_t k_1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at *p and advances past it; malformed bytes give 0xFFFD.
std::uint32_t next_code_point(const unsigned char** p) {
    const unsigned char* s = *p;
    const unsigned char c = s[0];
    int extra = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
        *p = s + 1;
        return c;
    } else if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        *p = s + 1;
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        if ((s[i] & 0xC0) != 0x80) {  // cut short (the terminator stops here too)
            *p = s + i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    *p = s + 1 + extra;
    return cp;
}

}  // namespace

std::uint8_t windows_1252_byte(std::uint32_t code_point) {
    if (code_point < 0x80) return static_cast<std::uint8_t>(code_point);
    if (code_point >= 0xA0 && code_point <= 0xFF) return static_cast<std::uint8_t>(code_point);
    for (int i = 0; i < 32; ++i) {
        if (k_1252_high[i] != 0 && k_1252_high[i] == code_point) {
            return static_cast<std::uint8_t>(0x80 + i);
        }
    }
    return 0;
}

void message_translator::translate(const input_event& e) {
    switch (e.kind) {
        case input_kind::key_down: key_down(e); break;
        case input_kind::key_up: key_up(e); break;
        case input_kind::text: text(e.text); break;
        case input_kind::mouse_move:
            mouse_x_ = e.x;
            mouse_y_ = e.y;
            post_app_message(WM_MOUSEMOVE, mouse_flags(), make_lparam(e.x, e.y));
            break;
        case input_kind::mouse_down: mouse_button(e, true); break;
        case input_kind::mouse_up: mouse_button(e, false); break;
        case input_kind::wheel: {
            // The high word of the word parameter is the signed distance, the low word the
            // button flags.
            const int delta = e.wheel * k_wheel_delta;
            const std::uintptr_t w = (static_cast<std::uintptr_t>(delta & 0xFFFF) << 16) | mouse_flags();
            post_app_message(WM_MOUSEWHEEL, w, make_lparam(mouse_x_, mouse_y_));
            break;
        }
        case input_kind::close: post_app_message(WM_CLOSE); break;
        case input_kind::minimized: post_size(SIZE_MINIMIZED, 0, 0); break;
        case input_kind::restored:
        case input_kind::resized: post_size(SIZE_RESTORED, e.width, e.height); break;
        case input_kind::maximized: post_size(SIZE_MAXIMIZED, e.width, e.height); break;
        case input_kind::focus_gained: post_app_message(WM_ACTIVATE, 1); break;
        case input_kind::focus_lost:
            // Releases happen elsewhere now: forget what is held, and an Alt that was down
            // when the focus left (Alt+Tab) is no tap.
            release_all_keys();
            alt_alone_ = false;
            buttons_ = 0;
            post_app_message(WM_ACTIVATE, 0);
            break;
    }
}

void message_translator::key_down(const input_event& e) {
    const int vk = scan_to_virtual_key(e.scancode);
    if (vk == 0) return;
    const bool was_down = key_is_down(vk) || e.repeat;
    if (vk == VK_MENU) {
        if (!e.repeat) alt_alone_ = true;
    } else {
        alt_alone_ = false;
    }
    const int sided = sided_modifier_key(e.scancode);
    set_key_down(sided != 0 ? sided : vk, true);
    const bool alt = key_is_down(VK_MENU);
    // Alt and F10 are system keys: the menu keys of a Windows window.
    const bool system_key = alt || vk == VK_F10;
    post_app_message(system_key ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<std::uintptr_t>(vk),
                     key_lparam(e.scancode, alt, was_down, false));
    const int c = synthesised_char(vk);
    if (c != 0 && !alt) post_app_message(WM_CHAR, static_cast<std::uintptr_t>(c), key_lparam(e.scancode, false, was_down, false));
}

void message_translator::key_up(const input_event& e) {
    const int vk = scan_to_virtual_key(e.scancode);
    if (vk == 0) return;
    const bool alt_before = key_is_down(VK_MENU);
    const int sided = sided_modifier_key(e.scancode);
    set_key_down(sided != 0 ? sided : vk, false);
    const bool system_key = alt_before || vk == VK_F10;
    post_app_message(system_key ? WM_SYSKEYUP : WM_KEYUP, static_cast<std::uintptr_t>(vk),
                     key_lparam(e.scancode, alt_before && vk != VK_MENU, true, true));
    const bool lone_alt_tap = vk == VK_MENU && alt_alone_ && !key_is_down(VK_MENU);
    if (vk == VK_MENU) alt_alone_ = false;
    if (lone_alt_tap || vk == VK_F10) post_app_message(WM_SYSCOMMAND, SC_KEYMENU);
}

void message_translator::text(const char* utf8) {
    if (utf8 == nullptr) return;
    // Left Alt with a key is a menu-key combination, not typing (the system would report a
    // system character). Right Alt stays: it is AltGr, which types characters such as the euro.
    if (key_is_down(VK_LMENU)) return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p != 0) {
        const std::uint8_t byte = windows_1252_byte(next_code_point(&p));
        // Control characters come from the key presses, never from typed text.
        if (byte >= 0x20 && byte != 0x7F) post_app_message(WM_CHAR, byte, 1);
    }
}

void message_translator::mouse_button(const input_event& e, bool down) {
    std::uint32_t flag = 0;
    std::uint32_t code_down = 0, code_up = 0;
    int vk = 0;
    switch (e.button) {
        case MOUSE_LEFT: flag = MK_LBUTTON; code_down = WM_LBUTTONDOWN; code_up = WM_LBUTTONUP; vk = VK_LBUTTON; break;
        case MOUSE_RIGHT: flag = MK_RBUTTON; code_down = WM_RBUTTONDOWN; code_up = WM_RBUTTONUP; vk = VK_RBUTTON; break;
        case MOUSE_MIDDLE: flag = MK_MBUTTON; code_down = WM_MBUTTONDOWN; code_up = WM_MBUTTONUP; vk = VK_MBUTTON; break;
        default: return;
    }
    if (down) {
        buttons_ |= flag;
        alt_alone_ = false;  // Alt with a click is no tap
    } else {
        buttons_ &= ~flag;
    }
    set_key_down(vk, down);
    mouse_x_ = e.x;
    mouse_y_ = e.y;
    // The flag word tells the state after the change, as the system's does.
    post_app_message(down ? code_down : code_up, mouse_flags(), make_lparam(e.x, e.y));
}

void message_translator::post_size(std::uintptr_t kind, int width, int height) {
    // The window system may report one change twice (maximised, then its new size).
    if (have_size_ && kind == last_size_kind_ && width == last_width_ && height == last_height_) return;
    have_size_ = true;
    last_size_kind_ = kind;
    last_width_ = width;
    last_height_ = height;
    post_app_message(WM_SIZE, kind, make_lparam(width, height));
}

std::uintptr_t message_translator::mouse_flags() const {
    std::uintptr_t flags = buttons_;
    if (key_is_down(VK_SHIFT)) flags |= MK_SHIFT;
    if (key_is_down(VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}
