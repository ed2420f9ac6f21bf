// Game controllers as the game reads them: seven axes in -1000..1000 (X, Y, Z, Rx, Ry, Rz,
// slider, in that order of axis numbers), 128 buttons and one point-of-view hat in hundredths
// of a degree. The real backend is SDL2's joystick interface (platform/system).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/results.h"

constexpr int k_controller_axes = 7;
constexpr int k_controller_buttons = 128;
// The hat reading when it is centred; any reading above 36,000 means centred.
constexpr std::uint32_t k_hat_centred = 0xFFFFFFFFu;

// Bits of the axes a controller has, by axis number: 1 << n; and the hat.
constexpr std::uint16_t k_axis_bit_hat = 128;

struct controller_state {
    std::int32_t axes[k_controller_axes] = {};
    std::uint8_t buttons[k_controller_buttons] = {};  // 0x80 when down
    std::uint32_t hat = k_hat_centred;
};

class game_controller {
public:
    virtual ~game_controller() = default;
    virtual const char* name() const = 0;
    // Bits 1 X, 2 Y, 4 Z, 8 Rx, 16 Ry, 32 Rz, 64 slider, 128 hat.
    virtual std::uint16_t present_axes() const = 0;
    // The controller's current state; fails when it has been unplugged.
    virtual hresult poll(controller_state* out) = 0;
    // After a failed poll: takes the controller up again (a controller of the same kind that
    // was plugged back in). Fails while there is none.
    virtual hresult reacquire() = 0;
};

class controller_system {
public:
    virtual ~controller_system() = default;
    // Attached controllers.
    virtual int count() = 0;
    virtual hresult open(int index, std::unique_ptr<game_controller>* out) = 0;
};

// The system's controllers; none when the controller interface cannot start.
std::unique_ptr<controller_system> open_controller_system();
