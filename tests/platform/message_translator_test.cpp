#include <gtest/gtest.h>

#include <vector>

#include "platform/keys.h"
#include "platform/message_translator.h"
#include "platform/messages.h"
#include "platform/scripted_window.h"
#include "platform/window.h"

namespace {

std::vector<app_message> drain() {
    std::vector<app_message> out;
    app_message m;
    while (take_app_message(&m)) out.push_back(m);
    return out;
}

input_event key(input_kind kind, int scancode, bool repeat = false) {
    input_event e;
    e.kind = kind;
    e.scancode = scancode;
    e.repeat = repeat;
    return e;
}

void press(message_translator& t, int scancode) {
    t.translate(key(input_kind::key_down, scancode));
    t.translate(key(input_kind::key_up, scancode));
}

class Translator : public ::testing::Test {
protected:
    void SetUp() override {
        clear_app_messages();
        release_all_keys();
    }
    void TearDown() override {
        clear_app_messages();
        release_all_keys();
    }
    message_translator t;
};

// The high word of a wheel message's word parameter, signed.
int wheel_distance(const app_message& m) { return static_cast<std::int16_t>((m.wparam >> 16) & 0xFFFF); }

}  // namespace

TEST_F(Translator, WheelNotchesAre120WithButtonFlagsInTheLowWord) {
    input_event move;
    move.kind = input_kind::mouse_move;
    move.x = 300;
    move.y = 200;
    t.translate(move);
    input_event wheel;
    wheel.kind = input_kind::wheel;
    wheel.wheel = 1;
    t.translate(wheel);
    wheel.wheel = -3;
    t.translate(key(input_kind::key_down, SCAN_LSHIFT));
    t.translate(wheel);
    const auto m = drain();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[1].code, WM_MOUSEWHEEL);
    EXPECT_EQ(wheel_distance(m[1]), 120);
    EXPECT_EQ(m[1].wparam & 0xFFFF, 0u);
    EXPECT_EQ(lparam_x(m[1].lparam), 300);
    EXPECT_EQ(lparam_y(m[1].lparam), 200);
    EXPECT_EQ(m[3].code, WM_MOUSEWHEEL);
    EXPECT_EQ(wheel_distance(m[3]), -360);
    EXPECT_EQ(m[3].wparam & 0xFFFF, MK_SHIFT);
}

TEST_F(Translator, ControlCharactersFollowTheirKeyDownAndComeBeforeTypedText) {
    const int keys[] = {SCAN_BACKSPACE, SCAN_TAB, SCAN_RETURN, SCAN_KP_ENTER, SCAN_ESCAPE};
    const std::uintptr_t chars[] = {8, 9, 13, 13, 27};
    const std::uintptr_t vks[] = {VK_BACK, VK_TAB, VK_RETURN, VK_RETURN, VK_ESCAPE};
    for (int i = 0; i < 5; ++i) {
        press(t, keys[i]);
        const auto m = drain();
        ASSERT_EQ(m.size(), 3u) << i;
        EXPECT_EQ(m[0].code, WM_KEYDOWN);
        EXPECT_EQ(m[0].wparam, vks[i]);
        EXPECT_EQ(m[1].code, WM_CHAR);
        EXPECT_EQ(m[1].wparam, chars[i]);
        EXPECT_EQ(m[2].code, WM_KEYUP);
    }
    // A letter: key-down, then the typed text's character, then key-up.
    t.translate(key(input_kind::key_down, SCAN_A));
    input_event text;
    text.kind = input_kind::text;
    text.text = "a";
    t.translate(text);
    t.translate(key(input_kind::key_up, SCAN_A));
    const auto m = drain();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].code, WM_KEYDOWN);
    EXPECT_EQ(m[0].wparam, static_cast<std::uintptr_t>('A'));
    EXPECT_EQ(m[1].code, WM_CHAR);
    EXPECT_EQ(m[1].wparam, static_cast<std::uintptr_t>('a'));
    EXPECT_EQ(m[2].code, WM_KEYUP);
    // Holding a key repeats its key-down and its character, marked as already down.
    t.translate(key(input_kind::key_down, SCAN_BACKSPACE));
    t.translate(key(input_kind::key_down, SCAN_BACKSPACE, true));
    const auto r = drain();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[3].code, WM_CHAR);
    EXPECT_EQ(r[3].wparam, 8u);
    EXPECT_EQ(r[0].lparam & (1 << 30), 0);
    EXPECT_NE(r[2].lparam & (1 << 30), 0);
}

TEST_F(Translator, TypedTextBecomesWindows1252Bytes) {
    input_event text;
    text.kind = input_kind::text;
    text.text = "\xC3\xA9\xE2\x82\xAC\xC3\x9F\xE6\x97\xA5Z";  // e acute, euro, sharp s, a CJK sign, Z
    t.translate(text);
    const auto m = drain();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].wparam, 0xE9u);
    EXPECT_EQ(m[1].wparam, 0x80u);
    EXPECT_EQ(m[2].wparam, 0xDFu);
    EXPECT_EQ(m[3].wparam, static_cast<std::uintptr_t>('Z'));
    for (const auto& x : m) EXPECT_EQ(x.code, WM_CHAR);

    // Broken sequences lose only themselves; nothing is read past the terminator.
    text.text = "\xC3";
    t.translate(text);
    text.text = "\xE2\x82";
    t.translate(text);
    text.text = "\xFF" "b";
    t.translate(text);
    const auto b = drain();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].wparam, static_cast<std::uintptr_t>('b'));

    // Left Alt with a letter is a menu-key combination: no character. AltGr types.
    t.translate(key(input_kind::key_down, SCAN_LALT));
    text.text = "x";
    t.translate(text);
    t.translate(key(input_kind::key_up, SCAN_LALT));
    t.translate(key(input_kind::key_down, SCAN_RALT));
    text.text = "\xE2\x82\xAC";
    t.translate(text);
    t.translate(key(input_kind::key_up, SCAN_RALT));
    std::vector<std::uintptr_t> chars;
    for (const auto& x : drain()) {
        if (x.code == WM_CHAR) chars.push_back(x.wparam);
    }
    EXPECT_EQ(chars, (std::vector<std::uintptr_t>{0x80}));

    EXPECT_EQ(windows_1252_byte(0x2122), 0x99);  // trade mark
    EXPECT_EQ(windows_1252_byte(0x0081), 0);     // a C1 control has no byte
    EXPECT_EQ(windows_1252_byte(0x0100), 0);
}

TEST_F(Translator, LoneAltTapAndF10ToggleThePause) {
    press(t, SCAN_LALT);
    auto m = drain();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].code, WM_SYSKEYDOWN);
    EXPECT_EQ(m[0].wparam, static_cast<std::uintptr_t>(VK_MENU));
    EXPECT_EQ(m[1].code, WM_SYSKEYUP);
    EXPECT_EQ(m[2].code, WM_SYSCOMMAND);
    EXPECT_EQ(m[2].wparam, SC_KEYMENU);

    // Held until it repeats, still a tap.
    t.translate(key(input_kind::key_down, SCAN_RALT));
    t.translate(key(input_kind::key_down, SCAN_RALT, true));
    t.translate(key(input_kind::key_up, SCAN_RALT));
    m = drain();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[3].wparam, SC_KEYMENU);

    press(t, SCAN_F10);
    m = drain();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].code, WM_SYSKEYDOWN);
    EXPECT_EQ(m[0].wparam, static_cast<std::uintptr_t>(VK_F10));
    EXPECT_EQ(m[2].code, WM_SYSCOMMAND);
    EXPECT_EQ(m[2].wparam, SC_KEYMENU);
}

TEST_F(Translator, AltWithAnotherKeyOrAClickOrLostFocusIsNoTap) {
    t.translate(key(input_kind::key_down, SCAN_LALT));
    press(t, SCAN_A + 23);  // X
    t.translate(key(input_kind::key_up, SCAN_LALT));
    auto m = drain();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[1].code, WM_SYSKEYDOWN);  // keys while Alt is held are system keys
    EXPECT_EQ(m[1].wparam, static_cast<std::uintptr_t>('X'));
    EXPECT_NE(m[1].lparam & (1 << 29), 0);
    for (const auto& x : m) EXPECT_NE(x.code, WM_SYSCOMMAND);

    t.translate(key(input_kind::key_down, SCAN_LALT));
    input_event click;
    click.kind = input_kind::mouse_down;
    click.button = MOUSE_LEFT;
    t.translate(click);
    t.translate(key(input_kind::key_up, SCAN_LALT));
    for (const auto& x : drain()) EXPECT_NE(x.code, WM_SYSCOMMAND);

    t.translate(key(input_kind::key_down, SCAN_LALT));
    input_event lost;
    lost.kind = input_kind::focus_lost;
    t.translate(lost);
    EXPECT_FALSE(key_is_down(VK_MENU));
    t.translate(key(input_kind::key_up, SCAN_LALT));
    for (const auto& x : drain()) EXPECT_NE(x.code, WM_SYSCOMMAND);
}

TEST_F(Translator, NumpadKeysKeepTheirCodesWhateverNumLock) {
    // Keypad 0..9 by their USB HID usage numbers.
    const int pad[] = {98, 89, 90, 91, 92, 93, 94, 95, 96, 97};
    for (int digit = 0; digit < 10; ++digit) {
        EXPECT_EQ(scan_to_virtual_key(pad[digit]), 0x60 + digit) << digit;
    }
    // With NumLock on or off (its own toggle changes nothing) the pad 8 is VK_NUMPAD8, not Up.
    press(t, SCAN_NUMLOCK);
    drain();
    t.translate(key(input_kind::key_down, 96));  // keypad 8
    const auto m = drain();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].wparam, 0x68u);
    // Codes outside the table have no key.
    EXPECT_EQ(scan_to_virtual_key(0), 0);
    EXPECT_EQ(scan_to_virtual_key(9999), 0);
}

TEST_F(Translator, KeyStateTableFollowsBothSidesOfAModifier) {
    EXPECT_EQ(get_key_state(VK_SHIFT) & 0x8000, 0);
    t.translate(key(input_kind::key_down, SCAN_LSHIFT));
    t.translate(key(input_kind::key_down, SCAN_RSHIFT));
    t.translate(key(input_kind::key_up, SCAN_LSHIFT));
    EXPECT_NE(get_key_state(VK_SHIFT) & 0x8000, 0);  // the right one still holds it
    EXPECT_EQ(get_key_state(VK_LSHIFT) & 0x8000, 0);
    t.translate(key(input_kind::key_up, SCAN_RSHIFT));
    EXPECT_EQ(get_key_state(VK_SHIFT) & 0x8000, 0);

    // The toggle bit flips once per press of a key, not per repeat.
    const int before = get_key_state(VK_CAPITAL) & 1;
    t.translate(key(input_kind::key_down, SCAN_CAPSLOCK));
    t.translate(key(input_kind::key_down, SCAN_CAPSLOCK, true));
    t.translate(key(input_kind::key_up, SCAN_CAPSLOCK));
    EXPECT_EQ(get_key_state(VK_CAPITAL) & 1, before ^ 1);

    // Messages posted by the program leave the table alone.
    post_app_message(WM_KEYDOWN, VK_CONTROL);
    EXPECT_FALSE(key_is_down(VK_CONTROL));
    EXPECT_EQ(get_key_state(-1), 0);
    EXPECT_EQ(get_key_state(300), 0);
}

TEST_F(Translator, MouseButtonsCarryTheStateAfterTheChange) {
    input_event e;
    e.kind = input_kind::mouse_down;
    e.button = MOUSE_LEFT;
    e.x = 10;
    e.y = 700;
    t.translate(key(input_kind::key_down, SCAN_LCTRL));
    t.translate(e);
    e.button = MOUSE_RIGHT;
    t.translate(e);
    e.kind = input_kind::mouse_up;
    e.button = MOUSE_LEFT;
    t.translate(e);
    e.kind = input_kind::mouse_move;
    e.x = -5;  // dragged out of the window: positions stay signed
    t.translate(e);
    const auto m = drain();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[1].code, WM_LBUTTONDOWN);
    EXPECT_EQ(m[1].wparam, MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(lparam_y(m[1].lparam), 700);
    EXPECT_EQ(m[2].code, WM_RBUTTONDOWN);
    EXPECT_EQ(m[2].wparam, MK_LBUTTON | MK_RBUTTON | MK_CONTROL);
    EXPECT_EQ(m[3].code, WM_LBUTTONUP);
    EXPECT_EQ(m[3].wparam, MK_RBUTTON | MK_CONTROL);
    EXPECT_EQ(m[4].code, WM_MOUSEMOVE);
    EXPECT_EQ(lparam_x(m[4].lparam), -5);
    EXPECT_NE(get_key_state(VK_RBUTTON) & 0x8000, 0);
}

TEST_F(Translator, WindowEventsBecomeCloseSizeAndActivation) {
    input_event e;
    e.kind = input_kind::close;
    t.translate(e);
    e.kind = input_kind::maximized;
    e.width = 1024;
    e.height = 768;
    t.translate(e);
    t.translate(e);  // reported twice by the window system: one message
    e.kind = input_kind::minimized;
    t.translate(e);
    e.kind = input_kind::restored;
    t.translate(e);
    e.kind = input_kind::resized;
    e.width = 800;
    e.height = 600;
    t.translate(e);
    e.kind = input_kind::focus_gained;
    t.translate(e);
    const auto m = drain();
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[0].code, WM_CLOSE);
    EXPECT_EQ(m[1].code, WM_SIZE);
    EXPECT_EQ(m[1].wparam, SIZE_MAXIMIZED);
    EXPECT_EQ(lparam_x(m[1].lparam), 1024);
    EXPECT_EQ(lparam_y(m[1].lparam), 768);
    EXPECT_EQ(m[2].wparam, SIZE_MINIMIZED);
    EXPECT_EQ(m[3].wparam, SIZE_RESTORED);  // the same size as before, still reported
    EXPECT_EQ(lparam_x(m[3].lparam), 1024);
    EXPECT_EQ(m[4].wparam, SIZE_RESTORED);
    EXPECT_EQ(lparam_x(m[4].lparam), 800);
    EXPECT_EQ(m[5].code, WM_ACTIVATE);
    EXPECT_EQ(m[5].wparam, 1u);
}

TEST(Window, PeekTakesWhatTheWindowPumpsBehindWhatWasPosted) {
    clear_app_messages();
    scripted_window w;
    set_main_window(&w);
    w.post_on_pump(2, WM_CLOSE);
    post_app_message(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL);
    app_message m;
    ASSERT_TRUE(peek_app_message(&m));
    EXPECT_EQ(m.code, MM_MCINOTIFY);
    ASSERT_TRUE(peek_app_message(&m));  // the second pump brings the close
    EXPECT_EQ(m.code, WM_CLOSE);
    EXPECT_FALSE(peek_app_message(&m));
    EXPECT_EQ(w.pumps, 3);
    set_main_window(nullptr);
    // Without a window nothing can be created and nothing is pumped.
    EXPECT_FALSE(main_window()->create("Ventrask", 0, 0, 640, 480));
    EXPECT_FALSE(peek_app_message(&m));
}
