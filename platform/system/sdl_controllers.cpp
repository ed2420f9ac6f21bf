// Game controllers on SDL2's joystick interface. SDL axes 0..6 stand for X, Y, Z, Rx, Ry, Rz
// and the slider; the first hat is the point-of-view hat.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/controllers.h"

namespace {

// SDL hat positions as hundredths of a degree clockwise from forward.
std::uint32_t hat_reading(Uint8 hat) {
    switch (hat) {
        case SDL_HAT_UP: return 0;
        case SDL_HAT_RIGHTUP: return 4500;
        case SDL_HAT_RIGHT: return 9000;
        case SDL_HAT_RIGHTDOWN: return 13500;
        case SDL_HAT_DOWN: return 18000;
        case SDL_HAT_LEFTDOWN: return 22500;
        case SDL_HAT_LEFT: return 27000;
        case SDL_HAT_LEFTUP: return 31500;
        default: return k_hat_centred;
    }
}

class sdl_controller : public game_controller {
public:
    explicit sdl_controller(SDL_Joystick* joystick) : joystick_(joystick), guid_(SDL_JoystickGetGUID(joystick)) {
        const char* n = SDL_JoystickName(joystick);
        name_ = n ? n : "";
        const int axes = std::clamp(SDL_JoystickNumAxes(joystick), 0, k_controller_axes);
        present_ = static_cast<std::uint16_t>((1u << axes) - 1);
        if (SDL_JoystickNumHats(joystick) > 0) present_ |= k_axis_bit_hat;
        buttons_ = std::clamp(SDL_JoystickNumButtons(joystick), 0, k_controller_buttons);
    }
    ~sdl_controller() override { SDL_JoystickClose(joystick_); }

    const char* name() const override { return name_.c_str(); }
    std::uint16_t present_axes() const override { return present_; }

    hresult poll(controller_state* out) override {
        SDL_JoystickUpdate();
        if (!SDL_JoystickGetAttached(joystick_)) return E_FAIL;
        *out = controller_state{};
        for (int a = 0; a < k_controller_axes; ++a) {
            if (!(present_ & (1u << a))) continue;
            // -32768..32767 to -1000..1000.
            const int raw = SDL_JoystickGetAxis(joystick_, a);
            out->axes[a] = std::clamp(raw * 1000 / 32767, -1000, 1000);
        }
        for (int b = 0; b < buttons_; ++b)
            out->buttons[b] = SDL_JoystickGetButton(joystick_, b) ? 0x80 : 0;
        if (present_ & k_axis_bit_hat) out->hat = hat_reading(SDL_JoystickGetHat(joystick_, 0));
        return S_OK;
    }

    // An unplugged controller comes back under a new device index: the first attached one
    // of the same kind that nothing has open takes its place.
    hresult reacquire() override {
        SDL_JoystickUpdate();
        if (SDL_JoystickGetAttached(joystick_)) return S_OK;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            const SDL_JoystickGUID g = SDL_JoystickGetDeviceGUID(i);
            if (std::memcmp(g.data, guid_.data, sizeof g.data) != 0) continue;
            if (SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(i)) != nullptr) continue;
            SDL_Joystick* again = SDL_JoystickOpen(i);
            if (again == nullptr) continue;
            SDL_JoystickClose(joystick_);
            joystick_ = again;
            return S_OK;
        }
        return E_FAIL;
    }

private:
    SDL_Joystick* joystick_;
    SDL_JoystickGUID guid_;
    std::string name_;
    std::uint16_t present_ = 0;
    int buttons_ = 0;
};

class sdl_controller_system : public controller_system {
public:
    ~sdl_controller_system() override { SDL_QuitSubSystem(SDL_INIT_JOYSTICK); }
    int count() override { return std::max(0, SDL_NumJoysticks()); }
    hresult open(int index, std::unique_ptr<game_controller>* out) override {
        out->reset();
        SDL_Joystick* j = SDL_JoystickOpen(index);
        if (j == nullptr) return E_FAIL;
        *out = std::make_unique<sdl_controller>(j);
        return S_OK;
    }
};

}  // namespace

std::unique_ptr<controller_system> open_controller_system() {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return nullptr;
    return std::make_unique<sdl_controller_system>();
}
