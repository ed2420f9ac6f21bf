// Window messages in the shape the program's window procedure expects: a code, a word
// parameter and a long parameter, with the Windows numeric values the program relies on.
// The window layer turns system events into these; anything may post one (the music channel
// posts the end-of-track notice); the main loop takes them one at a time.
#pragma once

#include <cstdint>

struct app_message {
    std::uint32_t code = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;
};

// Message codes.
constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_SIZE = 0x0005;
constexpr std::uint32_t WM_ACTIVATE = 0x0006;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr std::uint32_t MM_MCINOTIFY = 0x03B9;

// WM_SYSCOMMAND word parameters.
constexpr std::uintptr_t SC_KEYMENU = 0xF100;
constexpr std::uintptr_t SC_CLOSE = 0xF060;
// MM_MCINOTIFY word parameter when a track played to its end.
constexpr std::uintptr_t MCI_NOTIFY_SUCCESSFUL = 0x0001;
// WM_SIZE word parameters.
constexpr std::uintptr_t SIZE_RESTORED = 0;
constexpr std::uintptr_t SIZE_MINIMIZED = 1;
constexpr std::uintptr_t SIZE_MAXIMIZED = 2;
// Mouse button-flag word of mouse messages.
constexpr std::uintptr_t MK_LBUTTON = 0x0001;
constexpr std::uintptr_t MK_RBUTTON = 0x0002;
constexpr std::uintptr_t MK_SHIFT = 0x0004;
constexpr std::uintptr_t MK_CONTROL = 0x0008;
constexpr std::uintptr_t MK_MBUTTON = 0x0010;

// Mouse positions travel in the long parameter as (y << 16) | x, 16 bits each, signed.
inline std::intptr_t make_lparam(int lo, int hi) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(hi & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(lo & 0xFFFF));
}
inline int lparam_x(std::intptr_t l) { return static_cast<std::int16_t>(l & 0xFFFF); }
inline int lparam_y(std::intptr_t l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }

// The program's message queue. The window layer feeds it from system events; posted
// messages wait behind what is already queued.
void post_app_message(std::uint32_t code, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
// The next queued message, removed; false when none waits.
bool take_app_message(app_message* out);
// Posts WM_QUIT with the exit code.
void post_quit_message(int exit_code);
void clear_app_messages();
